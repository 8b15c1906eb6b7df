#pragma once

#include "Model/HotKeyCombo.h"
#include "Platform/GlobalShortcut.h"

#include <QString>
#include <Qt>

#include <cstdint>
#include <functional>
#include <optional>

namespace vesperline {

// The global hot key: one shortcut for the whole desktop that opens and closes quick search, the
// texts that show a shortcut to the user, and the modifier bits of a key event.
//
// On Linux the shortcut's modifiers are the PC keyboard's: command is Super, option is Alt,
// control is Ctrl and shift is Shift, and a shortcut reads with those words ("Shift+Super+Space").
// Key codes stay the stored ones, positions on the keyboard; the platform layer finds the key at
// that position and names it by the current layout.
//
// One instance lives for the whole process over the platform's shortcut service. Main thread only.
class HotKeyManager final {
  public:
    explicit HotKeyManager(platform::GlobalShortcut& shortcut);
    HotKeyManager(const HotKeyManager&) = delete;
    HotKeyManager& operator=(const HotKeyManager&) = delete;

    // Registers `combo` in place of the shortcut registered before, if any. False when the desktop
    // refuses it: another program holds it (a conflict), or the keyboard has no such key; no
    // shortcut is registered then.
    bool registerCombo(const HotKeyCombo& combo);
    // Gives up the registered shortcut; nothing happens when there is none.
    void unregisterCombo();
    bool isRegistered() const { return registered_; }

    // Called on the main thread for each press of the registered shortcut, later than the press.
    void setOnPress(std::function<void()> onPress);

    // The name of a key: a fixed name for the keys of the table (Return, Tab, Space, Delete,
    // Escape, F1 to F12, arrows), otherwise what the key types on the current layout in upper case,
    // or "?" when that is nothing.
    QString keyName(std::uint32_t keyCode) const;
    // The text of a shortcut: the modifiers in the order Ctrl, Alt, Shift, Super, then the key's
    // name, joined by "+".
    QString displayString(const HotKeyCombo& combo) const;

    // The virtual key code of a key event: from its native key where the display server gives one,
    // otherwise from its Qt key by the key's place on a US keyboard. None for keys that have no
    // virtual key code: modifiers on their own, media keys.
    std::optional<std::uint32_t> keyCode(int qtKey, std::uint32_t nativeScanCode) const;

    // The modifier bits of a key event's modifier flags: Super (Qt's Meta on X11) is command, Alt
    // option, Ctrl control, Shift shift; the keypad and group-switch flags count for nothing.
    static std::uint32_t carbonModifiers(Qt::KeyboardModifiers flags);
    // The PC keyboard's modifiers of a set of modifier bits; other bits count for nothing.
    static platform::ShortcutModifiers shortcutModifiers(std::uint32_t carbonModifiers);

  private:
    platform::GlobalShortcut& shortcut_;
    bool registered_ = false;
};

} // namespace vesperline
