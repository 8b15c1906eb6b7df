#pragma once

#include "Platform/InstalledApplications.h"
#include "Platform/Linux/ApplicationIdentity.h"
#include "Platform/Linux/X11Connection.h"
#include "Platform/Linux/X11EventWatcher.h"
#include "Platform/Workspace.h"

#include <QObject>

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

namespace vesperline::platform {

// The frontmost application from `_NET_ACTIVE_WINDOW`, and the application of a process from its
// windows (each window's process as `windowProcess` tells it) and /proc; a launch is a process whose first
// window joins `_NET_CLIENT_LIST`. Activation and the client list are watched on a connection of their own,
// so the shared connection never carries events; the watch runs on the thread that created the workspace (the
// main thread).
class X11Workspace final : public QObject, public Workspace {
    Q_OBJECT

  public:
    X11Workspace(std::shared_ptr<X11Connection> x11, InstalledApplications& installed,
                 QObject* parent = nullptr);
    ~X11Workspace() override;

    std::optional<RunningApplication> frontmostApplication() override;
    std::optional<RunningApplication> runningApplication(std::int32_t pid) override;
    std::vector<RunningApplication> runningApplications() override;
    void setActivationHandler(std::function<void(std::optional<RunningApplication>)> handler) override;
    void setLaunchHandler(std::function<void(RunningApplication)> handler) override;

  private:
    void watchRoot();
    void propertiesChanged(const X11EventWatcher::Events& events);
    void clientsChanged();
    // The client windows and the process of each (0 when none is known).
    std::map<xcb_window_t, std::int32_t> clientProcesses();
    std::optional<RunningApplication> applicationOfWindow(xcb_window_t window);
    // The application of a process from these facts, with the name its desktop file gives it.
    RunningApplication resolve(std::int32_t pid, const ApplicationIdentity::WindowFacts& window);

    std::shared_ptr<X11Connection> x11_;
    InstalledApplications& installed_;
    X11EventWatcher* watcher_ = nullptr;
    std::function<void(std::optional<RunningApplication>)> handler_;
    std::function<void(RunningApplication)> launchHandler_;
    // The client list as last read, while launches are watched.
    std::map<xcb_window_t, std::int32_t> clients_;
};

} // namespace vesperline::platform
