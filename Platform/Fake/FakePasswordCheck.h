#pragma once

#include "Platform/PasswordCheck.h"

#include <atomic>
#include <mutex>
#include <optional>
#include <string>

namespace vesperline::platform {

// An account whose password is `password`; `failure`, when set, makes every check fail with it.
// Safe to check from a worker thread while the test reads `checks` and `lastGiven`.
class FakePasswordCheck final : public PasswordCheck {
  public:
    explicit FakePasswordCheck(std::string password) : password_(std::move(password)) {}

    std::atomic<bool> isAvailable = true;
    std::atomic<int> checks = 0;

    bool available() override { return isAvailable; }

    Verdict check(const SecretBuffer& given) override {
        std::lock_guard lock(mutex_);
        ++checks;
        lastGiven_ = std::string(given.data(), given.size());
        if (failure_) {
            return {Verdict::Kind::failed, *failure_};
        }
        return {lastGiven_ == password_ ? Verdict::Kind::accepted : Verdict::Kind::refused, {}};
    }

    void setFailure(std::optional<std::string> failure) {
        std::lock_guard lock(mutex_);
        failure_ = std::move(failure);
    }
    std::string lastGiven() const {
        std::lock_guard lock(mutex_);
        return lastGiven_;
    }

  private:
    mutable std::mutex mutex_;
    std::string password_;
    std::optional<std::string> failure_;
    std::string lastGiven_;
};

} // namespace vesperline::platform
