#include "Platform/Linux/ProcessApplications.h"

#include "Platform/Linux/ApplicationIdentity.h"

namespace vesperline::platform {

std::optional<std::string> ProcessApplications::applicationID(std::int32_t pid) {
    const std::optional<unsigned long long> started = ApplicationIdentity::processStartTime(pid);
    if (!started) {
        return std::nullopt;
    }
    {
        std::lock_guard lock(mutex_);
        const auto found = known_.find(pid);
        if (found != known_.end() && found->second.first == *started) {
            return found->second.second;
        }
    }
    // Outside the lock: the lookup reads the display server and /proc.
    const std::optional<RunningApplication> application = workspace_.runningApplication(pid);
    std::optional<std::string> id = application ? application->bundleID : std::nullopt;
    std::lock_guard lock(mutex_);
    if (known_.size() >= cacheLimit) {
        known_.clear();
    }
    known_[pid] = {*started, id};
    return id;
}

} // namespace vesperline::platform
