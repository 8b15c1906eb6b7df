#include "Storage/OstrelPaths.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <pwd.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace ostrel::OstrelPaths {
namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

fs::path homeDirectory() {
    std::string home = environment("HOME");
    if (home.empty()) {
        if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir) {
            home = entry->pw_dir;
        }
    }
    return home;
}

// Creates `path` and any missing parents with mode 0700.
void createDirectoryTree(const fs::path& path) {
    std::vector<fs::path> missing;
    for (fs::path p = path; !p.empty() && !fs::exists(p); p = p.parent_path()) {
        missing.push_back(p);
        if (p == p.parent_path()) {
            break;
        }
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        if (::mkdir(it->c_str(), 0700) != 0 && errno != EEXIST) {
            throw fs::filesystem_error("cannot create folder", *it,
                                       std::error_code(errno, std::generic_category()));
        }
        ::chmod(it->c_str(), 0700);
    }
}

} // namespace

fs::path rootDirectory() {
    if (std::string custom = environment("OSTREL_DATA_DIR"); !custom.empty()) {
        return fs::path(custom);
    }
    fs::path dataHome = environment("XDG_DATA_HOME");
    if (dataHome.empty() || dataHome.is_relative()) {
        dataHome = homeDirectory() / ".local" / "share";
    }
    return dataHome / folderName;
}

fs::path databaseURL() {
    return databaseURL(rootDirectory());
}

fs::path framesDirectory() {
    return framesDirectory(rootDirectory());
}

fs::path framesSubdirectory(const std::string& name) {
    return framesSubdirectory(rootDirectory(), name);
}

fs::path segmentsDirectory() {
    return framesSubdirectory("segments");
}

fs::path pendingDirectory() {
    return framesSubdirectory("pending");
}

fs::path tmpDirectory() {
    return framesSubdirectory("tmp");
}

fs::path frameFileURL(const std::string& relativePath) {
    return frameFileURL(rootDirectory(), relativePath);
}

fs::path databaseURL(const fs::path& root) {
    return root / databaseFileName;
}

fs::path framesDirectory(const fs::path& root) {
    return root / framesFolderName;
}

fs::path framesSubdirectory(const fs::path& root, const std::string& name) {
    return framesDirectory(root) / name;
}

fs::path frameFileURL(const fs::path& root, const std::string& relativePath) {
    return framesDirectory(root) / relativePath;
}

void ensureDirectories() {
    ensureDirectories(rootDirectory());
}

void ensureDirectories(const fs::path& root) {
    for (const fs::path& folder : {root, framesDirectory(root), framesSubdirectory(root, "pending"),
                                   framesSubdirectory(root, "segments"), framesSubdirectory(root, "tmp")}) {
        std::error_code ignored;
        if (!fs::exists(fs::symlink_status(folder, ignored)) && !fs::exists(folder, ignored)) {
            createDirectoryTree(folder);
        }
    }
    ::chmod(root.c_str(), 0700);
}

std::int64_t allocatedSize(const fs::path& file) {
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0) {
        return 0;
    }
    return static_cast<std::int64_t>(info.st_blocks) * 512;
}

std::int64_t directorySize(const fs::path& folder) {
    std::error_code error;
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, error);
    if (error) {
        return 0;
    }
    std::int64_t total = 0;
    for (const fs::recursive_directory_iterator end; it != end; it.increment(error)) {
        if (error) {
            break;
        }
        const fs::directory_entry& entry = *it;
        if (entry.path().filename().string().starts_with(".")) {
            if (entry.is_directory(error)) {
                it.disable_recursion_pending();
            }
            continue;
        }
        struct stat info {};
        if (::lstat(entry.path().c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
            total += static_cast<std::int64_t>(info.st_blocks) * 512;
        }
    }
    return total;
}

std::string dayKey(int year, int month, int day) {
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
    return text;
}

std::string dayKey(Time time) {
    const std::optional<std::tm> parts = localFields(time);
    if (!parts) {
        return dayKey(0, 0, 0);
    }
    return dayKey(parts->tm_year + 1900, parts->tm_mon + 1, parts->tm_mday);
}

} // namespace ostrel::OstrelPaths
