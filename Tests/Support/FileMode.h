#pragma once

#include <sys/stat.h>

#include <filesystem>

namespace testsupport {

// The permission bits of `file` (0600, 0644, ...); -1 when there is no such file.
inline int fileMode(const std::filesystem::path& file) {
    struct stat info {};
    return ::lstat(file.c_str(), &info) == 0 ? static_cast<int>(info.st_mode & 07777) : -1;
}

} // namespace testsupport
