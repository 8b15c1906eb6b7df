#pragma once

#include "Platform/DisplayCapture.h"

#include <deque>
#include <functional>
#include <mutex>
#include <optional>

namespace vesperline::platform {

// What a test sees of one stream the fake made, alive after the stream object is gone. The test
// plays the stream's thread: `deliver` and `stopBySystem` call the stream's handlers directly.
struct FakeStreamRecord {
    std::uint32_t displayID = 0;
    bool started = false;
    bool stopped = false;
    DisplayStreamConfiguration configuration;
    DisplayFilter filter;
    std::vector<DisplayStreamConfiguration> configurationUpdates;
    std::vector<DisplayFilter> filterUpdates;
    DisplayStream::Output output;
    DisplayStream::StopHandler onStop;

    void deliver(const DisplaySample& sample) const {
        if (started && !stopped && output) {
            output(sample);
        }
    }
    void stopBySystem(const DisplayStreamError& error) const {
        if (started && !stopped && onStop) {
            onStop(error);
        }
    }
};

// Displays, permission and streams set and watched by the test. Starts succeed unless the test
// queued failures with `failNextStarts`.
class FakeDisplayCapture final : public DisplayCapture {
  public:
    FakeDisplayCapture() = default;
    explicit FakeDisplayCapture(std::vector<DisplayInfo> displays) : displays_(std::move(displays)) {}

    bool hasPermission() override {
        std::lock_guard lock(mutex_);
        return permission_;
    }
    std::vector<DisplayInfo> capturableDisplays() override {
        std::function<void()> hook;
        {
            std::lock_guard lock(mutex_);
            ++contentReads_;
            hook = onContent_;
        }
        if (hook) {
            hook();
        }
        std::lock_guard lock(mutex_);
        if (contentError_) {
            throw *contentError_;
        }
        return displays_;
    }
    std::unique_ptr<DisplayStream> makeStream(std::uint32_t displayID) override {
        std::lock_guard lock(mutex_);
        auto record = std::make_shared<FakeStreamRecord>();
        record->displayID = displayID;
        records_.push_back(record);
        return std::make_unique<Stream>(*this, record);
    }

    void setPermission(bool permission) {
        std::lock_guard lock(mutex_);
        permission_ = permission;
    }
    void setDisplays(std::vector<DisplayInfo> displays) {
        std::lock_guard lock(mutex_);
        displays_ = std::move(displays);
    }
    // Reading the displays throws this until cleared.
    void setContentError(std::optional<DisplayStreamError> error) {
        std::lock_guard lock(mutex_);
        contentError_ = std::move(error);
    }
    // Runs (outside the fake's lock) at every read of the displays, e.g. to hold a stream task.
    void setOnContent(std::function<void()> hook) {
        std::lock_guard lock(mutex_);
        onContent_ = std::move(hook);
    }
    int contentReads() const {
        std::lock_guard lock(mutex_);
        return contentReads_;
    }
    // The next starts throw these, one each, in order.
    void failNextStarts(std::vector<DisplayStreamError> errors) {
        std::lock_guard lock(mutex_);
        startFailures_.insert(startFailures_.end(), errors.begin(), errors.end());
    }

    // Every stream made so far, oldest first.
    std::vector<std::shared_ptr<FakeStreamRecord>> streams() const {
        std::lock_guard lock(mutex_);
        return records_;
    }
    // The streams that run now (started, not stopped).
    std::vector<std::shared_ptr<FakeStreamRecord>> runningStreams() const {
        std::vector<std::shared_ptr<FakeStreamRecord>> running;
        for (const auto& record : streams()) {
            if (record->started && !record->stopped) {
                running.push_back(record);
            }
        }
        return running;
    }

  private:
    class Stream final : public DisplayStream {
      public:
        Stream(FakeDisplayCapture& owner, std::shared_ptr<FakeStreamRecord> record)
            : owner_(owner), record_(std::move(record)) {}

        void start(const DisplayStreamConfiguration& configuration, const DisplayFilter& filter,
                   Output output, StopHandler onStop) override {
            std::lock_guard lock(owner_.mutex_);
            if (!owner_.startFailures_.empty()) {
                const DisplayStreamError error = owner_.startFailures_.front();
                owner_.startFailures_.pop_front();
                throw error;
            }
            record_->configuration = configuration;
            record_->filter = filter;
            record_->output = std::move(output);
            record_->onStop = std::move(onStop);
            record_->started = true;
        }
        void updateConfiguration(const DisplayStreamConfiguration& configuration) override {
            std::lock_guard lock(owner_.mutex_);
            record_->configuration = configuration;
            record_->configurationUpdates.push_back(configuration);
        }
        void updateFilter(const DisplayFilter& filter) override {
            std::lock_guard lock(owner_.mutex_);
            record_->filter = filter;
            record_->filterUpdates.push_back(filter);
        }
        void stop() override {
            std::lock_guard lock(owner_.mutex_);
            record_->stopped = true;
        }

      private:
        FakeDisplayCapture& owner_;
        std::shared_ptr<FakeStreamRecord> record_;
    };

    mutable std::mutex mutex_;
    bool permission_ = true;
    std::vector<DisplayInfo> displays_;
    std::optional<DisplayStreamError> contentError_;
    std::function<void()> onContent_;
    int contentReads_ = 0;
    std::deque<DisplayStreamError> startFailures_;
    std::vector<std::shared_ptr<FakeStreamRecord>> records_;
};

} // namespace vesperline::platform
