#pragma once

#include "Platform/Linux/X11Connection.h"
#include "Platform/Linux/X11EventWatcher.h"
#include "Platform/Workspace.h"

#include <QObject>

#include <memory>

namespace vesperline::platform {

// The frontmost application from `_NET_ACTIVE_WINDOW`, and the application of a process from its
// windows and /proc. Activation is watched on a connection of its own, so the shared connection never
// carries events; the watch runs on the thread that created the workspace (the main thread).
class X11Workspace final : public QObject, public Workspace {
    Q_OBJECT

  public:
    explicit X11Workspace(std::shared_ptr<X11Connection> x11, QObject* parent = nullptr);
    ~X11Workspace() override;

    std::optional<RunningApplication> frontmostApplication() override;
    std::optional<RunningApplication> runningApplication(std::int32_t pid) override;
    void setActivationHandler(std::function<void(std::optional<RunningApplication>)> handler) override;

  private:
    void activeWindowChanged(const X11EventWatcher::Events& events);
    std::optional<RunningApplication> applicationOfWindow(xcb_window_t window);

    std::shared_ptr<X11Connection> x11_;
    X11EventWatcher* watcher_ = nullptr;
    std::function<void(std::optional<RunningApplication>)> handler_;
};

} // namespace vesperline::platform
