#pragma once

#include "Platform/Workspace.h"

#include <map>

namespace vesperline::platform {

// Running applications and the frontmost one, set by the test; `activate` plays an activation.
class FakeWorkspace final : public Workspace {
  public:
    std::optional<RunningApplication> frontmost;
    std::map<std::int32_t, RunningApplication> applications;
    std::map<std::int32_t, int> lookups;

    std::optional<RunningApplication> frontmostApplication() override { return frontmost; }
    std::optional<RunningApplication> runningApplication(std::int32_t pid) override {
        ++lookups[pid];
        const auto found = applications.find(pid);
        return found == applications.end() ? std::nullopt : std::optional(found->second);
    }
    void setActivationHandler(std::function<void(std::optional<RunningApplication>)> handler) override {
        handler_ = std::move(handler);
        ++handlersSet;
    }

    void setLaunchHandler(std::function<void(RunningApplication)> handler) override {
        launchHandler_ = std::move(handler);
    }

    void activate(std::optional<RunningApplication> application) {
        frontmost = application;
        if (handler_) {
            handler_(application);
        }
    }

    // Plays the launch of an application: it runs, and its first window shows.
    void launch(RunningApplication application) {
        applications[application.pid] = application;
        if (launchHandler_) {
            launchHandler_(application);
        }
    }

    int handlersSet = 0;

  private:
    std::function<void(std::optional<RunningApplication>)> handler_;
    std::function<void(RunningApplication)> launchHandler_;
};

} // namespace vesperline::platform
