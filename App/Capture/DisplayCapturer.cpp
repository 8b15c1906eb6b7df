#include "Capture/DisplayCapturer.h"

#include "Rules/PerceptualHash.h"

#include <algorithm>

namespace vesperline {

std::shared_ptr<DisplayCapturer> DisplayCapturer::make(std::uint32_t displayID,
                                                       platform::DisplayCapture& capture,
                                                       WindowList& windowList, const ostrel::Clock& clock) {
    return std::shared_ptr<DisplayCapturer>(new DisplayCapturer(displayID, capture, windowList, clock));
}

DisplayCapturer::DisplayCapturer(std::uint32_t displayID, platform::DisplayCapture& capture,
                                 WindowList& windowList, const ostrel::Clock& clock)
    : displayID_(displayID), capture_(capture), windowList_(windowList), clock_(clock) {}

DisplayCapturer::~DisplayCapturer() {
    if (stream_) {
        stream_->stop();
    }
}

void DisplayCapturer::start(const platform::DisplayFilter& filter,
                            const platform::DisplayStreamConfiguration& configuration) {
    std::shared_ptr<platform::DisplayStream> stream = capture_.makeStream(displayID_);
    const platform::DisplayStream* identity = stream.get();
    // The handlers hold the capturer weakly: a stream never keeps its capturer alive.
    const std::weak_ptr<DisplayCapturer> weak = weak_from_this();
    stream->start(
        configuration, filter,
        [weak](const platform::DisplaySample& sample) {
            if (const auto capturer = weak.lock()) {
                capturer->handleSample(sample);
            }
        },
        [weak, identity](const platform::DisplayStreamError& error) {
            if (const auto capturer = weak.lock()) {
                capturer->handleStop(identity, error);
            }
        });
    std::lock_guard lock(lock_);
    stream_ = std::move(stream);
    lastConfiguration_ = configuration;
}

void DisplayCapturer::updateConfiguration(const platform::DisplayStreamConfiguration& configuration) {
    std::shared_ptr<platform::DisplayStream> stream;
    {
        std::lock_guard lock(lock_);
        stream = stream_;
    }
    if (stream) {
        stream->updateConfiguration(configuration);
    }
    std::lock_guard lock(lock_);
    lastConfiguration_ = configuration;
}

void DisplayCapturer::updateFilter(const platform::DisplayFilter& filter) {
    std::shared_ptr<platform::DisplayStream> stream;
    {
        std::lock_guard lock(lock_);
        stream = stream_;
    }
    if (stream) {
        stream->updateFilter(filter);
    }
}

void DisplayCapturer::stop() {
    std::shared_ptr<platform::DisplayStream> stream;
    {
        std::lock_guard lock(lock_);
        stream = std::move(stream_);
        stream_.reset();
        latest_.reset();
        latestWindows_.clear();
        previousWindows_.reset();
        hasWindowList_ = false;
        changed_ = false;
        dirtyAccumulated_ = 0;
        recentDirt_.clear();
    }
    if (stream) {
        stream->stop();
    }
}

std::optional<platform::DisplayStreamConfiguration> DisplayCapturer::lastConfiguration() const {
    std::lock_guard lock(lock_);
    return lastConfiguration_;
}

bool DisplayCapturer::isStreaming() const {
    std::lock_guard lock(lock_);
    return stream_ != nullptr;
}

DisplayCapturer::Snapshot DisplayCapturer::latestFrame() {
    std::lock_guard lock(lock_);
    if (!latest_) {
        return {};
    }
    Snapshot snapshot{latest_,
                      std::min(dirtyAccumulated_, 1.0),
                      static_cast<double>(latest_->width),
                      static_cast<double>(latest_->height),
                      latestAt_,
                      latestWindows_,
                      previousWindows_};
    changed_ = false;
    dirtyAccumulated_ = 0;
    return snapshot;
}

DisplayCapturer::ChangeState DisplayCapturer::changeState() const {
    std::lock_guard lock(lock_);
    return {changed_, dirtyAccumulated_};
}

void DisplayCapturer::clearChange() {
    std::lock_guard lock(lock_);
    changed_ = false;
    dirtyAccumulated_ = 0;
}

void DisplayCapturer::resetLatest() {
    std::lock_guard lock(lock_);
    latest_.reset();
    latestAt_ = 0;
    changed_ = false;
    dirtyAccumulated_ = 0;
}

bool DisplayCapturer::isContinuouslyChanging(double now) const {
    std::lock_guard lock(lock_);
    std::size_t recent = 0;
    std::size_t moving = 0;
    for (const Dirt& entry : recentDirt_) {
        // Entries stamped after `now` count too.
        if (now - entry.time <= motionWindow) {
            ++recent;
            moving += entry.dirt >= motionDirt ? 1 : 0;
        }
    }
    if (recent < motionMinimumEntries) {
        return false;
    }
    return static_cast<double>(moving) / static_cast<double>(recent) >= motionShare;
}

std::uint64_t DisplayCapturer::frameHash(const ostrel::BGRAImageView& image) {
    return ostrel::PerceptualHash::frameHash(image);
}

double DisplayCapturer::changedFraction(const platform::DisplaySample& sample, double width, double height) {
    // A stream that cannot tell what changed: everything did.
    if (!sample.dirtyRects) {
        return 1.0;
    }
    double area = 0;
    // Overlapping rectangles are not merged; their areas add up to at most the whole screen.
    for (const ostrel::Rect& rect : *sample.dirtyRects) {
        if (rect.width > 0 && rect.height > 0) {
            area += rect.width * rect.height;
        }
    }
    return std::min(1.0, area / std::max(1.0, width * height));
}

void DisplayCapturer::handleSample(const platform::DisplaySample& sample) {
    // Only complete pictures count: a still screen adds nothing, not even history.
    if (sample.status != platform::DisplaySample::Status::complete || !sample.image ||
        !sample.image->view().isValid()) {
        return;
    }
    const double fraction = changedFraction(sample, static_cast<double>(sample.image->width),
                                            static_cast<double>(sample.image->height));
    const double now = clock_.uptime();
    // Read outside the lock: it asks the display server.
    std::vector<ostrel::ScreenWindow> windows = windowList_.current();
    std::lock_guard lock(lock_);
    previousWindows_ = hasWindowList_ ? std::optional(std::move(latestWindows_)) : std::nullopt;
    latestWindows_ = std::move(windows);
    hasWindowList_ = true;
    latest_ = sample.image;
    latestAt_ = now;
    if (fraction > 0) {
        dirtyAccumulated_ += fraction;
        changed_ = true;
    }
    recentDirt_.push_back({now, fraction});
    while (recentDirt_.size() > dirtHistoryLength) {
        recentDirt_.pop_front();
    }
}

void DisplayCapturer::handleStop(const platform::DisplayStream* stream,
                                 const platform::DisplayStreamError& error) {
    std::shared_ptr<platform::DisplayStream> ended;
    {
        std::lock_guard lock(lock_);
        // A stream that was already replaced leaves its successor alone.
        if (stream_.get() == stream) {
            ended = std::move(stream_);
            stream_.reset();
        }
        latest_.reset();
    }
    // Released here, outside the lock; streams allow it on their own thread.
    ended.reset();
    if (onStop_) {
        onStop_(*this, error);
    }
}

} // namespace vesperline
