#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace vesperline::platform {

// An application installed on this computer, as its desktop file describes it.
struct InstalledApplication {
    // The application id: the desktop-file id.
    std::string id;
    std::filesystem::path desktopFile;
    // The desktop file's Icon: an icon-theme name or an absolute path; absent when it names none.
    std::optional<std::string> icon;
    // The desktop file's Name, as the desktop shows the application; absent when it names none.
    std::optional<std::string> name;

    bool operator==(const InstalledApplication&) const = default;
};

} // namespace vesperline::platform
