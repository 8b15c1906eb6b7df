#pragma once

#include "Platform/GlobalShortcut.h"
#include "Platform/Linux/XkbKeys.h"

#include <QAbstractNativeEventFilter>
#include <QObject>

#include <xcb/xcb.h>

#include <optional>
#include <vector>

namespace vesperline::platform {

// The global shortcut on X11: a passive key grab on the root window, on the application's own X
// connection, so the presses arrive through Qt's event loop; a native event filter takes them
// out before Qt sees them and hands each to the handler with a queued call.
//
// X11 compares the lock modifiers too, so the key is grabbed four times: as asked, and with
// CapsLock, NumLock, or both on. Each grab is checked; one refused (another client holds that
// combination) gives back the ones already taken and reports the conflict. Which modifier bits
// stand for Alt, Super and NumLock is read from the server's modifier map at each grab.
//
// Needs the xcb platform of Qt (a QGuiApplication on X11); on any other platform every grab is
// refused and no key has a name.
class X11GlobalShortcut final : public QObject, public GlobalShortcut, private QAbstractNativeEventFilter {
    Q_OBJECT

  public:
    explicit X11GlobalShortcut(QObject* parent = nullptr);
    ~X11GlobalShortcut() override;

    bool grab(std::uint32_t keyCode, ShortcutModifiers modifiers) override;
    void release() override;
    void setPressHandler(std::function<void()> handler) override;
    std::optional<std::string> keyText(std::uint32_t keyCode) override;
    std::optional<std::uint32_t> keyCodeOfNativeKey(std::uint32_t nativeKey) override;

  private:
    struct Held {
        xcb_keycode_t keycode = 0;
        // The modifier bits asked for, and every combination grabbed (with the lock variants).
        std::uint16_t modifiers = 0;
        std::uint16_t ignored = 0;
        std::vector<std::uint16_t> grabbed;
    };

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
    // The server's current keymap; null when XKB is not there.
    XkbKeys::Keymap keymap();
    void ungrab(xcb_keycode_t keycode, const std::vector<std::uint16_t>& combinations);

    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = XCB_NONE;
    XkbKeys::Context context_;
    std::int32_t keyboard_ = -1;
    std::optional<Held> held_;
    // The held key is down, and when it last came up: the presses of its auto-repeat are not new
    // presses.
    bool down_ = false;
    std::optional<xcb_timestamp_t> lastRelease_;
    std::function<void()> handler_;
};

} // namespace vesperline::platform
