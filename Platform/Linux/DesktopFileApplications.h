#pragma once

#include "Platform/InstalledApplications.h"
#include "Platform/Linux/DesktopEntry.h"

#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace vesperline::platform {

// Installed applications from the desktop files under the XDG data folders' "applications" folders.
// The folders are read once, on the first lookup: an application installed later is found after the
// next start. Where two folders hold the same desktop-file id, the earlier folder's file counts
// (a Hidden one there hides the application). Names are in the user's language where the desktop file
// has it.
class DesktopFileApplications final : public InstalledApplications {
  public:
    // Data folders in order of precedence, each holding an "applications" folder; the names in
    // `locale` (as `DesktopEntry::messagesLocale` gives it).
    explicit DesktopFileApplications(std::vector<std::filesystem::path> dataFolders = standardDataFolders(),
                                     std::string locale = DesktopEntry::messagesLocale());

    // $XDG_DATA_HOME, then $XDG_DATA_DIRS, with the defaults the XDG base-directory rules give.
    static std::vector<std::filesystem::path> standardDataFolders();

    // By desktop-file id; otherwise, for ids that are a window class or an executable's name, by the
    // desktop file's StartupWMClass, then by the desktop-file id ignoring case.
    std::optional<InstalledApplication> application(const std::string& applicationID) override;
    // Leaves out the applications whose desktop file says NoDisplay.
    std::vector<InstalledApplication> listedApplications() override;

  private:
    void load();

    std::vector<std::filesystem::path> dataFolders_;
    std::string locale_;
    std::mutex mutex_;
    bool loaded_ = false;
    std::map<std::string, InstalledApplication> byID_;
    std::map<std::string, std::string> byWindowClass_; // lower-cased class -> id
    std::map<std::string, std::string> byFoldedID_;    // lower-cased id -> id
    std::vector<std::string> listed_;                  // ids of the applications menus show
};

} // namespace vesperline::platform
