#pragma once

#include "Capture/FrontmostApp.h"
#include "Platform/Workspace.h"

#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace vesperline {

// Keeps the frontmost application, readable from any thread, and tells its owner when it changes:
// only on a real change (to or from none included), never while its lock is held, on the thread
// that updated it (the main thread).
class FrontmostTracker {
  public:
    // The one tracker of the application, made on first use.
    static FrontmostTracker& shared();

    FrontmostTracker();
    ~FrontmostTracker();
    FrontmostTracker(const FrontmostTracker&) = delete;
    FrontmostTracker& operator=(const FrontmostTracker&) = delete;

    // Set by the owner before `start`.
    void setOnChange(std::function<void(const std::optional<FrontmostApp>&)> onChange);
    // Reads the frontmost application now, then follows activations; calling it again re-reads but
    // adds no second observer.
    void start(platform::Workspace& workspace);
    void update(const std::optional<platform::RunningApplication>& application);
    std::optional<FrontmostApp> current() const;

  private:
    mutable std::mutex mutex_;
    std::optional<FrontmostApp> current_;
    bool observing_ = false;
    std::function<void(const std::optional<FrontmostApp>&)> onChange_;
    // The activation handler holds this weakly, so it does nothing once the tracker is gone.
    std::shared_ptr<FrontmostTracker*> self_;
};

} // namespace vesperline
