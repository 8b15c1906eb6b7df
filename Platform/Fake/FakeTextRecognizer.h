#pragma once

#include "Platform/TextRecognizer.h"

#include <atomic>
#include <mutex>
#include <thread>

namespace vesperline::platform {

// Answers every recognition with the observations it was given, and records what it was asked.
class FakeTextRecognizer final : public TextRecognizer {
  public:
    std::vector<std::string> languages = {"en-US"};
    std::vector<TextObservation> observations;
    bool fails = false;

    std::atomic<int> calls{0};
    // How often, and on which thread last, the supported languages were asked for.
    mutable std::atomic<int> listings{0};
    mutable std::atomic<std::thread::id> listedOn;
    std::optional<ostrel::Rect> lastRegionOfInterest;
    std::vector<std::string> lastLanguages;

    std::vector<std::string> supportedLanguages() const override {
        ++listings;
        listedOn = std::this_thread::get_id();
        return languages;
    }

    std::vector<TextObservation> recognize(const ostrel::BGRAImageView&,
                                           const std::optional<ostrel::Rect>& regionOfInterest,
                                           const std::vector<std::string>& requestedLanguages) override {
        std::lock_guard lock(mutex_);
        ++calls;
        lastRegionOfInterest = regionOfInterest;
        lastLanguages = requestedLanguages;
        if (fails) {
            throw TextRecognitionError("the fake engine was told to fail");
        }
        return observations;
    }

  private:
    std::mutex mutex_;
};

} // namespace vesperline::platform
