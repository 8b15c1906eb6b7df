#pragma once

#include "Platform/Workspace.h"

#include <map>
#include <vector>

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
    // Every application set in `applications`, in the order of their process ids.
    std::vector<RunningApplication> runningApplications() override {
        std::vector<RunningApplication> running;
        for (const auto& [pid, application] : applications) {
            running.push_back(application);
        }
        return running;
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
