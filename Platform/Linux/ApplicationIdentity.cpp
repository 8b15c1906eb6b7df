#include "Platform/Linux/ApplicationIdentity.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>

namespace vesperline::platform::ApplicationIdentity {

namespace {

const std::filesystem::path procRoot = "/proc";

std::optional<std::string> nonEmpty(std::optional<std::string> text) {
    if (text && text->empty()) {
        return std::nullopt;
    }
    return text;
}

// The first of the launch variables that names a desktop file or an application id.
std::optional<std::string> launchDesktopFile(const std::string& environment) {
    static const std::string_view keys[] = {
        "GIO_LAUNCHED_DESKTOP_FILE=", "BAMF_DESKTOP_FILE_HINT=", "FLATPAK_ID="};
    for (std::string_view key : keys) {
        std::size_t start = 0;
        while (start < environment.size()) {
            const std::size_t end = std::min(environment.find('\0', start), environment.size());
            const std::string_view entry(environment.data() + start, end - start);
            if (entry.substr(0, key.size()) == key && entry.size() > key.size()) {
                return std::string(entry.substr(key.size()));
            }
            start = end + 1;
        }
    }
    return std::nullopt;
}

} // namespace

std::string desktopFileID(std::string_view fileOrPath) {
    const std::size_t slash = fileOrPath.rfind('/');
    if (slash != std::string_view::npos) {
        fileOrPath.remove_prefix(slash + 1);
    }
    constexpr std::string_view suffix = ".desktop";
    if (fileOrPath.size() > suffix.size() && fileOrPath.substr(fileOrPath.size() - suffix.size()) == suffix) {
        fileOrPath.remove_suffix(suffix.size());
    }
    return std::string(fileOrPath);
}

bool processExists(std::int32_t pid) {
    std::error_code error;
    return pid > 0 && std::filesystem::exists(procRoot / std::to_string(pid), error);
}

std::optional<unsigned long long> processStartTime(std::int32_t pid) {
    if (pid <= 0) {
        return std::nullopt;
    }
    std::ifstream stat(procRoot / std::to_string(pid) / "stat");
    std::string line;
    if (!stat || !std::getline(stat, line)) {
        return std::nullopt;
    }
    // The name in parentheses may hold spaces and parentheses itself: count fields after the last ')'.
    const std::size_t nameEnd = line.rfind(')');
    if (nameEnd == std::string::npos) {
        return std::nullopt;
    }
    std::istringstream fields(line.substr(nameEnd + 1));
    std::string field;
    // The start time is field 22 of the line; the fields after the name begin with field 3.
    for (int index = 3; index <= 22 && fields >> field; ++index) {
        if (index == 22) {
            try {
                return std::stoull(field);
            } catch (const std::exception&) {
                return std::nullopt;
            }
        }
    }
    return std::nullopt;
}

ProcessFacts processFacts(std::int32_t pid) {
    ProcessFacts facts;
    if (pid <= 0) {
        return facts;
    }
    const std::filesystem::path process = procRoot / std::to_string(pid);
    std::ifstream environ(process / "environ", std::ios::binary);
    if (environ) {
        const std::string environment{std::istreambuf_iterator<char>(environ), {}};
        facts.desktopFile = launchDesktopFile(environment);
    }
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink(process / "exe", error);
    if (!error && executable.has_filename()) {
        facts.executableName = executable.filename().string();
    } else if (std::ifstream comm(process / "comm"); comm) {
        // Another user's process hides its executable but not its short name.
        std::string name;
        std::getline(comm, name);
        facts.executableName = nonEmpty(name);
    }
    return facts;
}

RunningApplication resolve(std::int32_t pid, const WindowFacts& window, const ProcessFacts& process) {
    RunningApplication application;
    application.pid = pid;
    const std::optional<std::string> desktopFile =
        nonEmpty(window.desktopFile) ? window.desktopFile : nonEmpty(process.desktopFile);
    const std::optional<std::string> windowClass = nonEmpty(window.windowClass);
    const std::optional<std::string> executable = nonEmpty(process.executableName);
    if (desktopFile) {
        application.bundleID = nonEmpty(desktopFileID(*desktopFile));
    }
    if (!application.bundleID) {
        application.bundleID = windowClass ? windowClass : executable;
    }
    application.name = windowClass ? windowClass : executable;
    return application;
}

} // namespace vesperline::platform::ApplicationIdentity
