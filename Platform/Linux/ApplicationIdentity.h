#pragma once

#include "Platform/RunningApplication.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vesperline::platform::ApplicationIdentity {

// What the desktop says about one application's window; each part absent when unknown.
struct WindowFacts {
    // A desktop file the window names (`_GTK_APPLICATION_ID`, `_KDE_NET_WM_DESKTOP_FILE`).
    std::optional<std::string> desktopFile;
    // The class part of WM_CLASS.
    std::optional<std::string> windowClass;
};

// What the process says about itself; each part absent when unknown or unreadable.
struct ProcessFacts {
    // The desktop file it was launched from (as launchers record it in the environment).
    std::optional<std::string> desktopFile;
    std::optional<std::string> executableName;
};

// "firefox" from "/usr/share/applications/firefox.desktop", "firefox.desktop" or "firefox".
std::string desktopFileID(std::string_view fileOrPath);

// Whether a process with this id runs now.
bool processExists(std::int32_t pid);

// When the process started, in clock ticks since boot; tells a process from a later one that was
// given the same id. Absent when there is no such process.
std::optional<unsigned long long> processStartTime(std::int32_t pid);

// Reads the process's launch environment and executable from /proc.
ProcessFacts processFacts(std::int32_t pid);

// The application id: the desktop-file id when known (the window's, else the process's), else the
// window class, else the executable's name; the name to show is the window class, else the
// executable's name (the workspace puts the desktop file's name in its place where there is one).
RunningApplication resolve(std::int32_t pid, const WindowFacts& window, const ProcessFacts& process);

} // namespace vesperline::platform::ApplicationIdentity
