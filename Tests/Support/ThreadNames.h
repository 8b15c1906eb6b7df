#pragma once

#include <filesystem>
#include <fstream>
#include <string>

namespace testsupport {

// How many threads of this process have the name `name`. A new thread starts with the name of the
// thread that created it, so this also counts the threads a named thread started.
inline int threadsNamed(const std::string& name) {
    int count = 0;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream comm(task.path() / "comm");
        std::string taskName;
        if (std::getline(comm, taskName) && taskName == name) {
            ++count;
        }
    }
    return count;
}

} // namespace testsupport
