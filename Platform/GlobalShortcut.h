#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace vesperline::platform {

// The modifier keys of a shortcut, named as on a PC keyboard.
struct ShortcutModifiers {
    bool control = false;
    bool alt = false;
    bool shift = false;
    bool super = false;

    bool operator==(const ShortcutModifiers&) const = default;
};

// One shortcut held for this program across the whole desktop, whichever window has the focus,
// and the names of keys on the current keyboard layout.
//
// Keys are given as the application's virtual key codes: positions on the keyboard, not the
// characters they type (0 is the key left of S on the home row, 49 the space bar), so a shortcut
// stays on the same keys whatever layout is active.
class GlobalShortcut {
  public:
    virtual ~GlobalShortcut() = default;

    // Takes the shortcut, in place of any held before. False when the desktop refuses it (another
    // program holds it, or this keyboard has no such key); nothing is held then.
    virtual bool grab(std::uint32_t keyCode, ShortcutModifiers modifiers) = 0;
    // Gives the shortcut back; nothing happens when none is held.
    virtual void release() = 0;
    // `handler` runs on the main thread once for each press of the held shortcut (a key held down
    // is one press), always later than the press was seen, never inside a call to this interface.
    virtual void setPressHandler(std::function<void()> handler) = 0;

    // What the key types on the current layout with no modifier held, as UTF-8; none when it
    // types nothing that can be shown (dead keys, function keys) or the keyboard has no such key.
    virtual std::optional<std::string> keyText(std::uint32_t keyCode) = 0;
    // The virtual key code of the key the display server reports as `nativeKey` (an X keycode, as
    // key events carry it); none when the key has no virtual key code (modifiers, media keys).
    virtual std::optional<std::uint32_t> keyCodeOfNativeKey(std::uint32_t nativeKey) = 0;
};

} // namespace vesperline::platform
