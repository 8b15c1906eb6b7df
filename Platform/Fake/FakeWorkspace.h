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

    void activate(std::optional<RunningApplication> application) {
        frontmost = application;
        if (handler_) {
            handler_(application);
        }
    }

    int handlersSet = 0;

  private:
    std::function<void(std::optional<RunningApplication>)> handler_;
};

} // namespace vesperline::platform
