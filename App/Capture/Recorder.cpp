#include "Capture/Recorder.h"

#include "Capture/CaptureGeometry.h"
#include "Rules/PolicyEngine.h"
#include "Runtime/MainThread.h"
#include "Storage/MemoryStore.h"
#include "Store/StoreHub.h"

#include <unistd.h>

#include <mutex>

namespace vesperline {

// How work from other threads finds the recorder: cleared when it goes, so late reports are dropped.
struct Recorder::Handle {
    std::mutex mutex;
    Recorder* recorder = nullptr;
};

std::int32_t Recorder::currentProcessID() {
    return static_cast<std::int32_t>(::getpid());
}

Recorder::Recorder(StoreHub& hub, Services services)
    : hub_(hub), services_(services), ocr_(services.recognizer, services.preferredLanguages),
      inspector_(services.accessibility, services.windowServer, services.clock),
      windowList_(services.windowServer, services.workspace),
      segments_(hub, services.videoFiles, services.freeSpace),
      policy_(ostrel::PolicyEngine::policy(config_.mode, power_, config_.textOnly, config_.ocrOnBattery)),
      lastFlush_(services.clock.uptime()), mainContext_(std::make_unique<QObject>()),
      handle_(std::make_shared<Handle>()), streams_(".streams", QThread::LowPriority),
      queue_(".recorder", QThread::LowPriority) {
    handle_->recorder = this;
    activeDisplay_ = CaptureGeometry::mainDisplayID(services_.displays.displays());
}

Recorder::~Recorder() {
    {
        std::lock_guard lock(handle_->mutex);
        handle_->recorder = nullptr;
    }
    // Nothing runs on the queue after this: the timers are gone and nobody can post any more.
    queue_.sync([this] {
        timer_.reset();
        permissionTimer_.reset();
        retries_.clear();
        for (auto& [display, capturer] : capturers_) {
            capturer->stop();
        }
        capturers_.clear();
    });
}

void Recorder::post(const std::shared_ptr<Handle>& handle, std::function<void(Recorder&)> block) {
    std::lock_guard lock(handle->mutex);
    if (Recorder* recorder = handle->recorder) {
        recorder->queue_.async([recorder, block = std::move(block)] { block(*recorder); });
    }
}

template <typename Value> void Recorder::postEvent(std::function<void(const Value&)> callback, Value value) {
    MainThread::post(mainContext_.get(), [callback = std::move(callback), value = std::move(value)] {
        if (callback) {
            callback(value);
        }
    });
}

void Recorder::postEvent(std::function<void()> callback) {
    MainThread::post(mainContext_.get(), [callback = std::move(callback)] {
        if (callback) {
            callback();
        }
    });
}

void Recorder::setEvents(Events events) {
    queue_.async([this, events = std::move(events)] { events_ = events; });
}

void Recorder::displaysChanged() {
    queue_.async([this] {
        segments_.closeAll();
        reconcileStreams(false, true);
    });
}

void Recorder::appLaunched(const std::optional<std::string>& bundleID) {
    queue_.async([this, bundleID] {
        if (bundleID && config_.excludedApps.count(*bundleID)) {
            reconcileStreams(true, false);
        }
    });
}

void Recorder::setBlock(Block block, bool applies) {
    queue_.async([this, block, applies] {
        if (applies) {
            blocks_.insert(block);
        } else {
            blocks_.erase(block);
        }
        evaluateBlocks();
    });
}

void Recorder::updatePower(const ostrel::PowerSnapshot& power) {
    queue_.async([this, power] {
        power_ = power;
        refreshPolicy();
    });
}

void Recorder::applyConfig(const RecorderConfig& config) {
    queue_.async([this, config] {
        const RecorderConfig old = config_;
        config_ = config;
        refreshPolicy();
        if (old.excludedApps != config.excludedApps) {
            reconcileStreams(true, false);
        }
        if (old.allDisplays != config.allDisplays) {
            reconcileStreams(false, false);
        }
        if (old.imageQuality != config.imageQuality) {
            // New segments start with the new quality.
            segments_.closeAll();
        }
    });
}

QFuture<void> Recorder::suspendCapture() {
    return queue_.submit([this] {
        holding_ = true;
        segments_.closeAllSynchronously();
    });
}

void Recorder::resumeCapture() {
    queue_.async([this] {
        holding_ = false;
        deduper_.reset();
        states_.clear();
    });
}

void Recorder::closeAllSegments() {
    queue_.async([this] { segments_.closeAll(); });
}

std::set<std::string> Recorder::openSegmentPaths() {
    return queue_.sync([this] {
        std::set<std::string> paths;
        for (const auto& [display, segment] : segments_.open()) {
            paths.insert(segment.path);
        }
        return paths;
    });
}

void Recorder::shutdown() {
    queue_.sync([this] {
        timer_.reset();
        running_ = false;
        segments_.closeAllSynchronously();
        flushStats(true);
    });
}

void Recorder::evaluateBlocks() {
    if (blocks_.empty() && !running_) {
        running_ = true;
        states_.clear();
        deduper_.reset();
        // Judged afresh by the next save: space may have been freed meanwhile.
        setSaving(SavingIssue::none);
        startTimer();
        reconcileStreams(false, false);
    } else if (!blocks_.empty() && running_) {
        stopCapture();
    }
    publishStatus();
}

void Recorder::stopCapture() {
    running_ = false;
    timer_.reset();
    stopStreams();
    segments_.closeAll();
    flushStats(true);
}

void Recorder::refreshPolicy() {
    const ostrel::CapturePolicy next =
        ostrel::PolicyEngine::policy(config_.mode, power_, config_.textOnly, config_.ocrOnBattery);
    if (next == policy_) {
        return;
    }
    const ostrel::CapturePolicy old = policy_;
    policy_ = next;
    postEvent(events_.policy, next);
    if (!running_) {
        return;
    }
    if (old.captureImages != next.captureImages) {
        startTimer();
        if (!next.captureImages) {
            segments_.closeAll();
        }
        reconcileStreams(false, false);
    } else if (old.streamInterval != next.streamInterval) {
        for (const auto& [display, capturer] : capturers_) {
            updateStreamInterval(capturer, next.streamInterval);
        }
    }
    publishStatus();
}

void Recorder::startTimer() {
    timer_.reset();
    const double interval = policy_.captureImages ? 1.0 : 2.0;
    timer_ = services_.timers.schedule(queue_, tickDelay, interval, tickLeeway, [this] { tick(); });
}

void Recorder::publishStatus() {
    RecorderStatus status = RecorderStatus::recording(!policy_.captureImages);
    if (blocks_.count(Block::stopped)) {
        status = RecorderStatus::stopped();
    } else if (blocks_.count(Block::permission)) {
        status = RecorderStatus::needsPermission();
    } else if (blocks_.count(Block::paused)) {
        status = RecorderStatus::paused();
    } else if (blocks_.count(Block::locked) || blocks_.count(Block::screensaver) ||
               blocks_.count(Block::sessionInactive)) {
        status = RecorderStatus::locked();
    } else if (blocks_.count(Block::asleep) || blocks_.count(Block::displayAsleep)) {
        status = RecorderStatus::asleep();
    }
    if (lastStatus_ == status) {
        return;
    }
    lastStatus_ = status;
    postEvent(events_.status, status);
}

void Recorder::setSkip(const SkipReason& reason) {
    if (reason == lastSkip_) {
        return;
    }
    lastSkip_ = reason;
    postEvent(events_.skip, reason);
}

void Recorder::setSaving(SavingIssue issue) {
    if (issue == saving_) {
        return;
    }
    saving_ = issue;
    postEvent(events_.saving, issue);
}

void Recorder::flushStats(bool force) {
    const double now = services_.clock.uptime();
    if (!force && now - lastFlush_ < statsFlushInterval) {
        return;
    }
    lastFlush_ = now;
    if (pendingStats_.isEmpty()) {
        return;
    }
    const ostrel::StatsDelta delta = pendingStats_;
    pendingStats_ = {};
    try {
        const std::string day = ostrel::MemoryStore::dayKey(services_.clock.now());
        hub_.sync([&](ostrel::MemoryStore& store) { store.addStats(day, delta); });
    } catch (const std::exception&) {
        // Dropped: the hub reports a damaged database itself, and counting goes on from zero.
    }
}

} // namespace vesperline
