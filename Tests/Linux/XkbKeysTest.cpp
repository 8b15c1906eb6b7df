#include "Platform/Linux/XkbKeys.h"

#include <gtest/gtest.h>

namespace vesperline::platform {
namespace {

XkbKeys::Keymap keymapFor(xkb_context* context, const char* layout, const char* variant = "") {
    const xkb_rule_names names{"evdev", "pc105", layout, variant, ""};
    return XkbKeys::Keymap(xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS),
                           &xkb_keymap_unref);
}

// Key codes are positions: the same code types what the layout puts at that place.
TEST(XkbKeysTest, TextOfAPositionFollowsTheLayout) {
    const XkbKeys::Context context(xkb_context_new(XKB_CONTEXT_NO_FLAGS), &xkb_context_unref);
    struct Case {
        const char* layout;
        const char* variant;
        xkb_layout_index_t group;
        std::uint32_t keyCode;
        std::optional<std::string> text;
    };
    const Case cases[] = {
        {"us", "", 0, 0, "a"},
        {"us", "", 0, 40, "k"},
        {"us", "", 0, 42, "\\"},
        {"us", "", 0, 50, "`"},
        {"us", "", 0, 10, "<"},
        {"fr", "", 0, 0, "q"},
        {"fr", "", 0, 12, "a"},
        {"fr", "", 0, 18, "&"},
        {"de", "", 0, 6, "y"},
        {"de", "", 0, 16, "z"},
        {"us,ru", "", 1, 0, "ф"},
        // A dead key types nothing by itself.
        {"us", "intl", 0, 39, std::nullopt},
        // Keys that type control characters or nothing at all.
        {"us", "", 0, 36, std::nullopt},
        {"us", "", 0, 53, std::nullopt},
        {"us", "", 0, 122, std::nullopt},
        {"us", "", 0, 123, std::nullopt},
        // Codes that name no key of a PC keyboard: the command key, and nothing at all.
        {"us", "", 0, 55, std::nullopt},
        {"us", "", 0, 4000, std::nullopt},
    };
    for (const Case& c : cases) {
        const XkbKeys::Keymap keymap = keymapFor(context.get(), c.layout, c.variant);
        ASSERT_TRUE(keymap) << c.layout;
        EXPECT_EQ(XkbKeys::text(keymap.get(), c.group, c.keyCode), c.text)
            << c.layout << "(" << c.variant << ") key " << c.keyCode;
    }
}

TEST(XkbKeysTest, EveryPositionIsAKeyOfAPcKeyboard) {
    const XkbKeys::Context context(xkb_context_new(XKB_CONTEXT_NO_FLAGS), &xkb_context_unref);
    const XkbKeys::Keymap keymap = keymapFor(context.get(), "us");
    ASSERT_TRUE(keymap);
    for (std::uint32_t code = 0; code < 128; ++code) {
        if (XkbKeys::positionName(code)) {
            EXPECT_TRUE(XkbKeys::keycode(keymap.get(), code)) << code << " " << XkbKeys::positionName(code);
        }
    }
    EXPECT_EQ(XkbKeys::keycode(keymap.get(), 49), xkb_keymap_key_by_name(keymap.get(), "SPCE"));
}

// A key pressed is taken back to its position, so a recorded shortcut grabs the key that was pressed.
TEST(XkbKeysTest, AKeyOfTheKeyboardGoesBackToItsPosition) {
    const XkbKeys::Context context(xkb_context_new(XKB_CONTEXT_NO_FLAGS), &xkb_context_unref);
    const XkbKeys::Keymap keymap = keymapFor(context.get(), "de");
    ASSERT_TRUE(keymap);
    for (std::uint32_t code = 0; code < 128; ++code) {
        if (const auto key = XkbKeys::keycode(keymap.get(), code)) {
            EXPECT_EQ(XkbKeys::keyCodeAt(keymap.get(), *key), code) << XkbKeys::positionName(code);
        }
    }
    // Modifier keys have no position of their own.
    EXPECT_EQ(XkbKeys::keyCodeAt(keymap.get(), xkb_keymap_key_by_name(keymap.get(), "LCTL")), std::nullopt);
    EXPECT_EQ(XkbKeys::keyCodeAt(keymap.get(), 0), std::nullopt);
}

} // namespace
} // namespace vesperline::platform
