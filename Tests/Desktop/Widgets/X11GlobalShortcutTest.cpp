// The global shortcut against a real X server: presses typed with xdotool (XTEST) reach the
// handler once, with the lock keys on, and while one of our own windows has the focus; a
// combination another client holds is a conflict.
#include "DesktopSession.h"

#include "Model/HotKeyManager.h"
#include "Platform/Linux/X11Connection.h"
#include "Platform/Linux/X11GlobalShortcut.h"

#include <QWidget>

#include <xcb/xcb_keysyms.h>
#include <xkbcommon/xkbcommon-keysyms.h>

namespace vesperline::platform {
namespace {

using desktoptest::runTool;
using desktoptest::waitUntil;

constexpr std::uint32_t space = 49;
const ShortcutModifiers shiftSuper{.shift = true, .super = true};

class X11GlobalShortcutTest : public ::testing::Test {
  protected:
    void SetUp() override {
        REQUIRE_DESKTOP_SESSION();
        shortcut = std::make_unique<X11GlobalShortcut>();
        shortcut->setPressHandler([this] { ++presses; });
    }

    // Types `keys` one after the other and waits until a press came, and a moment more for any
    // extra one; the presses are seen in order, so one that should not count would be in by then.
    int pressesAfterTyping(const QStringList& keys) {
        const int before = presses;
        runTool("xdotool", QStringList{"key"} + keys);
        waitUntil([&] { return presses > before; }, 5);
        waitUntil([] { return false; }, 0.3);
        return presses - before;
    }

    std::unique_ptr<X11GlobalShortcut> shortcut;
    int presses = 0;
};

TEST_F(X11GlobalShortcutTest, EachPressReachesTheHandlerOnceWhateverLockKeysAreOn) {
    ASSERT_TRUE(shortcut->grab(space, shiftSuper));
    const QStringList locks[] = {{}, {"Num_Lock"}, {"Caps_Lock"}, {"Num_Lock", "Caps_Lock"}};
    for (const QStringList& lock : locks) {
        SCOPED_TRACE(lock.join("+").toStdString());
        for (const QString& key : lock) {
            runTool("xdotool", {"key", key});
        }
        // Without Super it is not the shortcut.
        EXPECT_EQ(pressesAfterTyping({"shift+space", "super+shift+space"}), 1);
        for (const QString& key : lock) {
            runTool("xdotool", {"key", key});
        }
    }
}

TEST_F(X11GlobalShortcutTest, AKeyHeldDownIsOnePress) {
    ASSERT_TRUE(shortcut->grab(space, shiftSuper));
    runTool("xdotool", {"keydown", "super+shift+space"});
    waitUntil([&] { return presses > 0; }, 5);
    waitUntil([] { return false; }, 1.0); // long enough for the keyboard's auto-repeat
    runTool("xdotool", {"keyup", "super+shift+space"});
    EXPECT_EQ(presses, 1);
    EXPECT_EQ(pressesAfterTyping({"super+shift+space"}), 1) << "the next press counts again";
}

TEST_F(X11GlobalShortcutTest, PressesReachTheHandlerWhileOurOwnWindowHasTheFocus) {
    ASSERT_TRUE(shortcut->grab(space, shiftSuper));
    QWidget window;
    window.setWindowTitle("Shortcut focus window");
    window.resize(300, 200);
    window.show();
    ASSERT_TRUE(waitUntil([&] { return window.isVisible(); }));
    runTool("xdotool", {"search", "--name", "Shortcut focus window", "windowactivate", "--sync"});
    ASSERT_TRUE(waitUntil([&] { return window.isActiveWindow(); }));
    EXPECT_EQ(pressesAfterTyping({"super+shift+space"}), 1);
}

TEST_F(X11GlobalShortcutTest, ACombinationAnotherClientHoldsIsAConflictAndNothingIsKeptOfIt) {
    // Another program holds the combination, but only with NumLock on: three of our four grabs
    // succeed, the fourth is refused.
    const std::shared_ptr<X11Connection> other = X11Connection::open();
    ASSERT_TRUE(other);
    xcb_connection_t* connection = other->connection();
    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(connection);
    xcb_keycode_t* spaceKeys = xcb_key_symbols_get_keycode(symbols, XKB_KEY_space);
    ASSERT_TRUE(spaceKeys && spaceKeys[0] != XCB_NO_SYMBOL);
    const xcb_keycode_t spaceKey = spaceKeys[0];
    std::free(spaceKeys);
    xcb_key_symbols_free(symbols);
    const auto grabWith = [&](std::uint16_t modifiers) {
        xcb_generic_error_t* error = xcb_request_check(
            connection, xcb_grab_key_checked(connection, 0, other->root(), modifiers, spaceKey,
                                             XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        std::free(error);
        return error == nullptr;
    };
    constexpr std::uint16_t shiftMod4 = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_4;
    ASSERT_TRUE(grabWith(shiftMod4 | XCB_MOD_MASK_2));

    EXPECT_FALSE(shortcut->grab(space, shiftSuper));
    // What had been taken was given back: the other program can now take the plain combination.
    EXPECT_TRUE(grabWith(shiftMod4));
    EXPECT_TRUE(grabWith(shiftMod4 | XCB_MOD_MASK_LOCK));

    // Once the other program lets go, the shortcut can be had.
    for (const std::uint16_t modifiers : {shiftMod4, std::uint16_t(shiftMod4 | XCB_MOD_MASK_LOCK),
                                          std::uint16_t(shiftMod4 | XCB_MOD_MASK_2)}) {
        xcb_ungrab_key(connection, spaceKey, other->root(), modifiers);
    }
    xcb_flush(connection);
    EXPECT_TRUE(shortcut->grab(space, shiftSuper));
    EXPECT_EQ(pressesAfterTyping({"super+shift+space"}), 1);
}

TEST_F(X11GlobalShortcutTest, AReleasedShortcutIsNoLongerReported) {
    ASSERT_TRUE(shortcut->grab(40, {.control = true, .alt = true}));
    EXPECT_EQ(pressesAfterTyping({"ctrl+alt+k"}), 1);
    shortcut->release();
    // Another shortcut's press comes after the released one's, had that still been reported.
    const std::unique_ptr<X11GlobalShortcut> other = std::make_unique<X11GlobalShortcut>();
    int otherPresses = 0;
    other->setPressHandler([&] { ++otherPresses; });
    ASSERT_TRUE(other->grab(38, {.control = true, .alt = true}));
    runTool("xdotool", {"key", "ctrl+alt+k", "ctrl+alt+j"});
    ASSERT_TRUE(waitUntil([&] { return otherPresses == 1; }));
    EXPECT_EQ(presses, 1);
}

TEST_F(X11GlobalShortcutTest, TheDefaultHotKeyRegisteredByTheManagerIsShiftSuperSpace) {
    HotKeyManager manager(*shortcut);
    int toggles = 0;
    manager.setOnPress([&] { ++toggles; });
    ASSERT_TRUE(manager.registerCombo(HotKeyCombo{}));
    EXPECT_EQ(manager.displayString(HotKeyCombo{}), "Shift+Super+Space");
    EXPECT_EQ(manager.displayString({40, HotKeyCombo::control}), "Ctrl+K");
    runTool("xdotool", {"key", "super+shift+space"});
    EXPECT_TRUE(waitUntil([&] { return toggles > 0; }));
    waitUntil([] { return false; }, 0.3); // a second toggle for the same press would be in by now
    EXPECT_EQ(toggles, 1);
    EXPECT_EQ(presses, 0) << "the manager's handler took the test's place";
}

TEST_F(X11GlobalShortcutTest, KeysAreNamedByTheCurrentLayout) {
    EXPECT_EQ(shortcut->keyText(0), "a");
    EXPECT_EQ(shortcut->keyText(44), "/");
    EXPECT_EQ(shortcut->keyText(122), std::nullopt) << "F1 types nothing";
}

} // namespace
} // namespace vesperline::platform
