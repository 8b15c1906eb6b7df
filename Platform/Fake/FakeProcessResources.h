#pragma once

#include "Platform/ProcessResources.h"

#include <mutex>

namespace vesperline::platform {

// Samples set by the test; `next` absent makes a sample fail.
class FakeProcessResources final : public ProcessResources {
  public:
    EnergyMethod method = EnergyMethod::estimated;

    void setNext(std::optional<ResourceSample> sample) {
        std::lock_guard lock(mutex_);
        next_ = sample;
    }
    int samples() const {
        std::lock_guard lock(mutex_);
        return samples_;
    }

    std::optional<ResourceSample> sample() override {
        std::lock_guard lock(mutex_);
        ++samples_;
        return next_;
    }
    EnergyMethod energyMethod() const override { return method; }

  private:
    mutable std::mutex mutex_;
    std::optional<ResourceSample> next_;
    int samples_ = 0;
};

} // namespace vesperline::platform
