#include "Capture/FrontmostTracker.h"

namespace vesperline {

FrontmostTracker& FrontmostTracker::shared() {
    static FrontmostTracker tracker;
    return tracker;
}

FrontmostTracker::FrontmostTracker() : self_(std::make_shared<FrontmostTracker*>(this)) {}

FrontmostTracker::~FrontmostTracker() = default;

void FrontmostTracker::setOnChange(std::function<void(const std::optional<FrontmostApp>&)> onChange) {
    onChange_ = std::move(onChange);
}

void FrontmostTracker::start(platform::Workspace& workspace) {
    update(workspace.frontmostApplication());
    if (observing_) {
        return;
    }
    observing_ = true;
    workspace.setActivationHandler([weak = std::weak_ptr<FrontmostTracker*>(self_)](
                                       std::optional<platform::RunningApplication> application) {
        if (const auto tracker = weak.lock()) {
            (*tracker)->update(application);
        }
    });
}

void FrontmostTracker::update(const std::optional<platform::RunningApplication>& application) {
    std::optional<FrontmostApp> next;
    if (application) {
        next = FrontmostApp{application->pid, application->bundleID, application->name};
    }
    std::optional<FrontmostApp> previous;
    {
        std::lock_guard lock(mutex_);
        previous = current_;
        current_ = next;
    }
    if (previous == next) {
        return;
    }
    if (onChange_) {
        onChange_(next);
    }
}

std::optional<FrontmostApp> FrontmostTracker::current() const {
    std::lock_guard lock(mutex_);
    return current_;
}

} // namespace vesperline
