#include "Model/HotKeyManager.h"

#include "Platform/Fake/FakeGlobalShortcut.h"

#include <QTest>

#include <gtest/gtest.h>

namespace vesperline {
namespace {

using platform::FakeGlobalShortcut;
using platform::ShortcutModifiers;

constexpr std::uint32_t control = HotKeyCombo::control, option = HotKeyCombo::option,
                        shift = HotKeyCombo::shift, command = HotKeyCombo::command;

class HotKeyManagerTest : public ::testing::Test {
  protected:
    HotKeyManagerTest() {
        // A US layout, as far as these tests go.
        desktop.texts = {{0, "a"}, {40, "k"}, {41, ";"}, {12, "ş"}};
    }

    FakeGlobalShortcut desktop;
    HotKeyManager manager{desktop};
};

TEST_F(HotKeyManagerTest, RegistersTheShortcutWithThePcKeyboardsModifiers) {
    EXPECT_TRUE(manager.registerCombo(HotKeyCombo{}));
    ASSERT_TRUE(desktop.held);
    EXPECT_EQ(desktop.held->keyCode, 49u);
    EXPECT_EQ(desktop.held->modifiers, (ShortcutModifiers{.shift = true, .super = true}));

    EXPECT_TRUE(manager.registerCombo({40, control | option | shift | command}));
    EXPECT_EQ(desktop.held->modifiers,
              (ShortcutModifiers{.control = true, .alt = true, .shift = true, .super = true}));
    // Bits that are no modifier of a PC keyboard (caps lock, 0x400) count for nothing.
    EXPECT_TRUE(manager.registerCombo({40, control | 0x400}));
    EXPECT_EQ(desktop.held->modifiers, (ShortcutModifiers{.control = true}));
}

TEST_F(HotKeyManagerTest, RegisteringTheSameShortcutAgainReplacesIt) {
    ASSERT_TRUE(manager.registerCombo(HotKeyCombo{}));
    EXPECT_TRUE(manager.registerCombo(HotKeyCombo{}));
    EXPECT_EQ(desktop.grabs, 2);
    EXPECT_EQ(desktop.releases, 1);
    EXPECT_TRUE(manager.isRegistered());
}

TEST_F(HotKeyManagerTest, AShortcutAnotherProgramHoldsIsAConflictAndLeavesNoneRegistered) {
    ASSERT_TRUE(manager.registerCombo({40, command}));
    desktop.taken = {{49, {.shift = true, .super = true}}};
    EXPECT_FALSE(manager.registerCombo(HotKeyCombo{}));
    EXPECT_FALSE(manager.isRegistered());
    EXPECT_FALSE(desktop.held) << "the shortcut held before was given up too";
    // A free one registers again afterwards.
    EXPECT_TRUE(manager.registerCombo({40, command}));
}

TEST_F(HotKeyManagerTest, PressesReachOnPressLaterOnTheMainThreadUntilUnregistered) {
    int presses = 0;
    manager.setOnPress([&] { ++presses; });
    ASSERT_TRUE(manager.registerCombo(HotKeyCombo{}));
    ASSERT_TRUE(desktop.press());
    EXPECT_EQ(presses, 0) << "never inside the press";
    EXPECT_TRUE(QTest::qWaitFor([&] { return presses == 1; }));

    manager.unregisterCombo();
    EXPECT_FALSE(manager.isRegistered());
    EXPECT_FALSE(desktop.held);
    EXPECT_FALSE(desktop.press());
    manager.unregisterCombo();
    EXPECT_EQ(desktop.releases, 1) << "nothing to give up the second time";
}

TEST_F(HotKeyManagerTest, DisplayString) {
    struct Case {
        HotKeyCombo combo;
        const char* text;
    };
    const Case cases[] = {
        {HotKeyCombo{}, "Shift+Super+Space"},
        {{40, control | option | shift | command}, "Ctrl+Alt+Shift+Super+K"},
        {{96, command}, "Super+F5"},
        {{123, option}, "Alt+←"},
        {{36, control}, "Ctrl+↩"},
        {{53, 0}, "⎋"},
        {{41, shift}, "Shift+;"},
        // What a layout key types is shown in upper case, by the Unicode rules.
        {{0, command}, "Super+A"},
        {{12, command}, "Super+Ş"},
        // A key that types nothing shown (a dead key), or no key at all.
        {{39, command}, "Super+?"},
        {{70000, 0}, "?"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(manager.displayString(c.combo), QString::fromUtf8(c.text))
            << c.combo.keyCode << " " << c.combo.carbonModifiers;
    }
}

// The native key decides where the display server names it; without one, the US place of the key.
TEST_F(HotKeyManagerTest, KeyCodeOfAKeyEvent) {
    desktop.nativeKeys = {{52, 6}, {29, 16}}; // a German keyboard: Y and Z swapped
    struct Case {
        int qtKey;
        std::uint32_t native;
        std::optional<std::uint32_t> keyCode;
    };
    const Case cases[] = {
        {Qt::Key_Y, 52, 6},
        {Qt::Key_Z, 29, 16},
        {Qt::Key_Control, 37, std::nullopt}, // a native key without a position
        {Qt::Key_K, 0, 40},
        {Qt::Key_Exclam, 0, 18}, // Shift+1
        {Qt::Key_F5, 0, 96},
        {Qt::Key_Escape, 0, 53},
        {Qt::Key_Control, 0, std::nullopt},
        {Qt::Key_VolumeUp, 0, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(manager.keyCode(c.qtKey, c.native), c.keyCode) << c.qtKey << " " << c.native;
    }
}

TEST(HotKeyManagerModifiers, CarbonModifiersOfKeyEventFlags) {
    struct Case {
        Qt::KeyboardModifiers flags;
        std::uint32_t bits;
    };
    const Case cases[] = {
        {Qt::NoModifier, 0},
        {Qt::MetaModifier, command},
        {Qt::MetaModifier | Qt::KeypadModifier | Qt::GroupSwitchModifier, command},
        {Qt::ShiftModifier | Qt::MetaModifier, shift | command},
        {Qt::ControlModifier | Qt::AltModifier, control | option},
        {Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier | Qt::MetaModifier, 0x1B00},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HotKeyManager::carbonModifiers(c.flags), c.bits) << c.flags.toInt();
    }
}

} // namespace
} // namespace vesperline
