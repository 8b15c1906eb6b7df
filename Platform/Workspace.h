#pragma once

#include "Platform/RunningApplication.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace vesperline::platform {

// The running applications and which one is frontmost.
class Workspace {
  public:
    virtual ~Workspace() = default;
    // The application owning the active window; absent when no window is active. Any thread.
    virtual std::optional<RunningApplication> frontmostApplication() = 0;
    // The application of a process; absent when there is no such process. Any thread.
    virtual std::optional<RunningApplication> runningApplication(std::int32_t pid) = 0;
    // The applications the user works with: those showing an ordinary window that the taskbar
    // lists (not panels, docks or tool windows), one entry per application id, in no particular
    // order; empty when the window list cannot be read. Any thread.
    virtual std::vector<RunningApplication> runningApplications() = 0;
    // Calls `handler` on the thread that owns the workspace whenever another window may have become
    // active, with the application that is frontmost now (absent when none). Replaces an earlier
    // handler.
    virtual void setActivationHandler(std::function<void(std::optional<RunningApplication>)> handler) = 0;
    // Calls `handler` on the thread that owns the workspace whenever an application that had no
    // window shows its first one (how a launch shows on the desktop), with that application.
    // Applications already showing windows when the handler is set are not reported. Replaces an
    // earlier handler.
    virtual void setLaunchHandler(std::function<void(RunningApplication)> handler) = 0;
};

} // namespace vesperline::platform
