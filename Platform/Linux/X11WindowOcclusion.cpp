#include "Platform/Linux/X11WindowOcclusion.h"

#include "Platform/Linux/ApplicationX11.h"
#include "Platform/Linux/X11Connection.h"

#include <QCoreApplication>

namespace vesperline::platform {

X11WindowOcclusion::X11WindowOcclusion(QObject* parent) : QObject(parent) {
    connection_ = applicationX11().connection;
    if (connection_) {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
}

X11WindowOcclusion::~X11WindowOcclusion() {
    if (connection_ && QCoreApplication::instance()) {
        QCoreApplication::instance()->removeNativeEventFilter(this);
    }
}

void X11WindowOcclusion::follow(std::uintptr_t window, std::function<void(bool covered)> onChange) {
    if (!connection_ || window == 0) {
        return;
    }
    const auto target = static_cast<xcb_window_t>(window);
    // The mask is per client: this connection's is Qt's, so its events are kept.
    const auto attributes = x11Reply(xcb_get_window_attributes_reply(
        connection_, xcb_get_window_attributes(connection_, target), nullptr));
    if (!attributes) {
        return;
    }
    const std::uint32_t mask = attributes->your_event_mask | XCB_EVENT_MASK_VISIBILITY_CHANGE;
    xcb_change_window_attributes(connection_, target, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection_);
    followed_[target] = {std::move(onChange), false};
}

void X11WindowOcclusion::forget(std::uintptr_t window) {
    followed_.erase(static_cast<xcb_window_t>(window));
}

bool X11WindowOcclusion::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t") {
        return false;
    }
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_VISIBILITY_NOTIFY) {
        return false;
    }
    const auto* visibility = reinterpret_cast<const xcb_visibility_notify_event_t*>(event);
    const auto window = followed_.find(visibility->window);
    if (window == followed_.end()) {
        return false;
    }
    const bool covered = visibility->state == XCB_VISIBILITY_FULLY_OBSCURED;
    if (covered != window->second.covered) {
        window->second.covered = covered;
        // Told after the event, as the widgets may change what Qt is about to handle.
        QMetaObject::invokeMethod(
            this,
            [this, id = visibility->window, covered] {
                const auto followed = followed_.find(id);
                if (followed != followed_.end() && followed->second.onChange) {
                    followed->second.onChange(covered);
                }
            },
            Qt::QueuedConnection);
    }
    return true;
}

} // namespace vesperline::platform
