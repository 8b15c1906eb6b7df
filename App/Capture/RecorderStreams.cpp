// The recorder's display streams: which displays to capture, bringing the running streams in line
// with that, their filters and configuration, and what happens when a stream stops by itself.
#include "Capture/Recorder.h"

#include "Runtime/Log.h"
#include "Store/StoreHub.h"

#include <algorithm>
#include <cmath>

namespace vesperline {

namespace {

std::set<std::uint32_t> keysOf(const std::map<std::uint32_t, std::shared_ptr<DisplayCapturer>>& capturers) {
    std::set<std::uint32_t> keys;
    for (const auto& [display, capturer] : capturers) {
        keys.insert(display);
    }
    return keys;
}

const platform::DisplayInfo* findDisplay(const std::vector<platform::DisplayInfo>& displays,
                                         std::uint32_t id) {
    const auto found = std::find_if(displays.begin(), displays.end(),
                                    [id](const platform::DisplayInfo& display) { return display.id == id; });
    return found == displays.end() ? nullptr : &*found;
}

} // namespace

platform::DisplayStreamConfiguration Recorder::streamConfiguration(double width, double height, double scale,
                                                                   double interval) {
    double w = width * scale;
    double h = height * scale;
    if (w > widestStream) {
        h = h * widestStream / w;
        w = widestStream;
    }
    const auto even = [](double value) {
        return static_cast<int>(static_cast<std::int64_t>(value) & ~std::int64_t{1});
    };
    return {even(w), even(h), interval};
}

platform::DisplayFilter Recorder::streamFilter() const {
    // Our own windows are always left out.
    return {config_.excludedApps, {services_.ownPid}};
}

std::set<std::uint32_t> Recorder::streamTargets() {
    if (!config_.allDisplays) {
        return {activeDisplay_};
    }
    std::set<std::uint32_t> targets;
    for (const platform::DisplayInfo& display : services_.displays.displays()) {
        targets.insert(display.id);
    }
    return targets;
}

void Recorder::reconcileStreams(bool refreshFilters, bool restart) {
    if (!running_ || !policy_.captureImages || blocks_.count(Block::permission)) {
        stopStreams();
        return;
    }
    if (streamsBusy_) {
        pendingReconcile_ = true;
        pendingFilterUpdate_ = pendingFilterUpdate_ || refreshFilters;
        pendingRestart_ = pendingRestart_ || restart;
        return;
    }
    const std::set<std::uint32_t> targets = streamTargets();
    const std::set<std::uint32_t> current = keysOf(capturers_);
    if (targets == current && !refreshFilters && !restart) {
        return;
    }
    streamsBusy_ = true;
    std::set<std::uint32_t> remove;
    if (restart) {
        remove = current;
    } else {
        std::set_difference(current.begin(), current.end(), targets.begin(), targets.end(),
                            std::inserter(remove, remove.end()));
    }
    std::vector<std::shared_ptr<DisplayCapturer>> stopping;
    for (std::uint32_t display : remove) {
        stopping.push_back(capturers_.at(display));
        capturers_.erase(display);
    }
    for (std::uint32_t display : remove) {
        segments_.close(display);
    }
    std::set<std::uint32_t> start;
    if (restart) {
        start = targets;
    } else {
        std::set_difference(targets.begin(), targets.end(), current.begin(), current.end(),
                            std::inserter(start, start.end()));
    }
    streams_.async([this, stopping = std::move(stopping), filter = streamFilter(), refreshFilters,
                    remaining = capturers_, start = std::move(start), interval = policy_.streamInterval] {
        streamWork(stopping, filter, refreshFilters, remaining, start, interval);
    });
}

void Recorder::stopStreams() {
    if (capturers_.empty()) {
        return;
    }
    std::vector<std::shared_ptr<DisplayCapturer>> stopping;
    for (auto& [display, capturer] : capturers_) {
        stopping.push_back(std::move(capturer));
    }
    capturers_.clear();
    streams_.async([stopping = std::move(stopping)] {
        for (const auto& capturer : stopping) {
            capturer->stop();
        }
    });
}

// On the streams queue: touches only what it was handed, the capture service and the window list.
void Recorder::streamWork(std::vector<std::shared_ptr<DisplayCapturer>> stopping,
                          platform::DisplayFilter filter, bool refreshFilters,
                          std::map<std::uint32_t, std::shared_ptr<DisplayCapturer>> remaining,
                          std::set<std::uint32_t> start, double interval) {
    for (const auto& capturer : stopping) {
        capturer->stop();
    }
    StreamResult result;
    try {
        const std::vector<platform::DisplayInfo> displays = services_.capture.capturableDisplays();
        if (refreshFilters) {
            for (const auto& [display, capturer] : remaining) {
                if (findDisplay(displays, display)) {
                    capturer->updateFilter(filter);
                }
            }
        }
        for (std::uint32_t id : start) {
            const platform::DisplayInfo* display = findDisplay(displays, id);
            if (!display) {
                continue; // the next reconciliation tries again
            }
            auto capturer = DisplayCapturer::make(id, services_.capture, windowList_, services_.clock);
            capturer->setOnStop([handle = std::weak_ptr<Handle>(handle_)](
                                    DisplayCapturer& stopped, const platform::DisplayStreamError& error) {
                if (const auto live = handle.lock()) {
                    post(live, [capturer = stopped.shared_from_this(), error](Recorder& recorder) {
                        recorder.streamStopped(capturer, error);
                    });
                }
            });
            // X11 sizes displays in pixels: one pixel per point.
            capturer->start(filter,
                            streamConfiguration(display->bounds.width, display->bounds.height, 1, interval));
            result.started.emplace(id, std::move(capturer));
        }
    } catch (const platform::DisplayStreamError& error) {
        result.error = error;
    }
    post(handle_, [result = std::move(result)](Recorder& recorder) mutable {
        recorder.applyStreamResults(std::move(result));
    });
}

void Recorder::applyStreamResults(StreamResult result) {
    streamsBusy_ = false;
    if (!result.error && !result.started.empty()) {
        streamRetryDelay_ = firstRetryDelay;
    }
    if (running_ && policy_.captureImages) {
        for (auto& [display, capturer] : result.started) {
            // The policy may have changed its interval while the stream was being started.
            const auto configuration = capturer->lastConfiguration();
            if (configuration && configuration->minimumFrameInterval != policy_.streamInterval) {
                updateStreamInterval(capturer, policy_.streamInterval);
            }
            capturers_[display] = std::move(capturer);
        }
    } else if (!result.started.empty()) {
        streams_.async([started = std::move(result.started)] {
            for (const auto& [display, capturer] : started) {
                capturer->stop();
            }
        });
    }
    if (result.error) {
        handleStreamFailure(*result.error);
    }
    if (pendingReconcile_) {
        const bool refreshFilters = pendingFilterUpdate_;
        const bool restart = pendingRestart_;
        pendingReconcile_ = pendingFilterUpdate_ = pendingRestart_ = false;
        reconcileStreams(refreshFilters, restart);
    }
}

void Recorder::streamStopped(const std::shared_ptr<DisplayCapturer>& capturer,
                             const platform::DisplayStreamError& error) {
    const std::uint32_t display = capturer->displayID();
    if (const auto installed = capturers_.find(display);
        installed != capturers_.end() && installed->second == capturer) {
        capturers_.erase(installed);
    }
    segments_.close(display);
    qCCritical(Log::capture, "Stream stopped: %s", error.what());
    handleStreamFailure(error);
}

void Recorder::handleStreamFailure(const platform::DisplayStreamError& error) {
    using Kind = platform::DisplayStreamError::Kind;
    if (error.kind() == Kind::userStopped) {
        blocks_.insert(Block::paused);
        evaluateBlocks();
        postEvent(events_.userStopped);
        return;
    }
    if (error.kind() == Kind::permissionDenied || !services_.capture.hasPermission()) {
        blocks_.insert(Block::permission);
        evaluateBlocks();
        startPermissionTimer();
        return;
    }
    const double delay = streamRetryDelay_;
    streamRetryDelay_ = std::min(longestRetryDelay, 2 * delay);
    const std::uint64_t retry = nextRetry_++;
    retries_[retry] = services_.timers.schedule(queue_, delay, 0, 0, [this, retry] {
        retries_.erase(retry);
        reconcileStreams(false, true);
    });
}

void Recorder::startPermissionTimer() {
    if (permissionTimer_) {
        return;
    }
    permissionTimer_ =
        services_.timers.schedule(queue_, permissionPollInterval, permissionPollInterval, 1, [this] {
            if (!services_.capture.hasPermission()) {
                return;
            }
            permissionTimer_.reset();
            blocks_.erase(Block::permission);
            evaluateBlocks();
        });
}

void Recorder::updateStreamInterval(const std::shared_ptr<DisplayCapturer>& capturer, double interval) {
    streams_.async([capturer, interval] {
        std::optional<platform::DisplayStreamConfiguration> configuration = capturer->lastConfiguration();
        if (!configuration) {
            return;
        }
        configuration->minimumFrameInterval = interval;
        capturer->updateConfiguration(*configuration);
    });
}

} // namespace vesperline
