#pragma once

#include "Platform/Linux/X11Connection.h"

#include <QObject>

#include <functional>
#include <memory>
#include <vector>

class QSocketNotifier;

namespace vesperline::platform {

// A connection of its own to the X server whose events are read on the thread that created the
// watcher (the main thread), so the shared connection of the readers never carries events. Each
// wake-up hands over every event that arrived, in order.
class X11EventWatcher final : public QObject {
    Q_OBJECT

  public:
    using Events = std::vector<X11Reply<xcb_generic_event_t>>;

    // Without a display the watcher has no connection and never calls `handler`.
    explicit X11EventWatcher(std::function<void(const Events&)> handler, QObject* parent = nullptr);
    ~X11EventWatcher() override;

    // Null without a display; used to select the events to watch.
    X11Connection* x11() const { return x11_.get(); }

  private:
    void readEvents();

    std::shared_ptr<X11Connection> x11_;
    QSocketNotifier* notifier_ = nullptr;
    std::function<void(const Events&)> handler_;
};

} // namespace vesperline::platform
