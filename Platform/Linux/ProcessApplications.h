#pragma once

#include "Platform/Workspace.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

namespace vesperline::platform {

// The application id of a process, looked up once per process: a process id the system gives to a
// later process (another start time) is looked up afresh. Safe to use from several threads.
class ProcessApplications final {
  public:
    explicit ProcessApplications(Workspace& workspace) : workspace_(workspace) {}
    ProcessApplications(const ProcessApplications&) = delete;
    ProcessApplications& operator=(const ProcessApplications&) = delete;

    // Absent when the process is gone or names no application.
    std::optional<std::string> applicationID(std::int32_t pid);

  private:
    // The cache is emptied when it holds this many processes and another is to be added.
    static constexpr std::size_t cacheLimit = 501;

    Workspace& workspace_;
    std::mutex mutex_;
    // pid -> (start time, application id)
    std::map<std::int32_t, std::pair<unsigned long long, std::optional<std::string>>> known_;
};

} // namespace vesperline::platform
