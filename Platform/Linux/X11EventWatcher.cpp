#include "Platform/Linux/X11EventWatcher.h"

#include <QSocketNotifier>

namespace vesperline::platform {

X11EventWatcher::X11EventWatcher(std::function<void(const Events&)> handler, QObject* parent)
    : QObject(parent), x11_(X11Connection::open()), handler_(std::move(handler)) {
    if (!x11_) {
        return;
    }
    notifier_ = new QSocketNotifier(xcb_get_file_descriptor(x11_->connection()), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &X11EventWatcher::readEvents);
}

X11EventWatcher::~X11EventWatcher() = default;

void X11EventWatcher::readEvents() {
    Events events;
    while (auto event = x11Reply(xcb_poll_for_event(x11_->connection()))) {
        events.push_back(std::move(event));
    }
    // A server that went away leaves the socket readable forever: stop watching it.
    if (xcb_connection_has_error(x11_->connection())) {
        notifier_->setEnabled(false);
    }
    if (!events.empty()) {
        handler_(events);
    }
}

} // namespace vesperline::platform
