#pragma once

#include "Platform/PasswordCheck.h"

#include <atomic>
#include <mutex>
#include <optional>
#include <string>

namespace vesperline::platform {

// An account whose password is `password`; a verdict set with `setFailure` or `setUnavailable`
// answers every check instead.
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
        if (forced_) {
            return *forced_;
        }
        return {lastGiven_ == password_ ? Verdict::Kind::accepted : Verdict::Kind::refused, {}};
    }

    void setFailure(std::string failure) { force({Verdict::Kind::failed, std::move(failure)}); }
    void setUnavailable(std::string reason) { force({Verdict::Kind::unavailable, std::move(reason)}); }
    std::string lastGiven() const {
        std::lock_guard lock(mutex_);
        return lastGiven_;
    }

  private:
    void force(Verdict verdict) {
        std::lock_guard lock(mutex_);
        forced_ = std::move(verdict);
    }

    mutable std::mutex mutex_;
    std::string password_;
    std::optional<Verdict> forced_;
    std::string lastGiven_;
};

} // namespace vesperline::platform
