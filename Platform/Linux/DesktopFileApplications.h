#pragma once

#include "Platform/InstalledApplications.h"
#include "Platform/Linux/DesktopEntry.h"

#include <QObject>
#include <QTimer>

#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class QFileSystemWatcher;

namespace vesperline::platform {

// Installed applications from the desktop files under the XDG data folders' "applications" folders.
// The folders are read on the first lookup and watched from then on: a burst of changes in them (a
// package install writes many files) is read again once it settles, off the main thread, and the
// watchers hear of it only when the applications differ. An "applications" folder that does not
// exist yet is waited for through the nearest folder above it that does, which is never read.
// Where two folders hold the same desktop-file id, the earlier folder's file counts (a Hidden one
// there hides the application). Names are in the user's language where the desktop file has it.
//
// Lookups are safe on any thread; the watching runs on the thread that created the object, which
// must run an event loop (the main thread).
class DesktopFileApplications final : public QObject, public InstalledApplications {
    Q_OBJECT

  public:
    // How long a burst of changes may go on before the folders are read again.
    static constexpr int settleMilliseconds = 400;

    // Data folders in order of precedence, each holding an "applications" folder; the names in
    // `locale` (as `DesktopEntry::messagesLocale` gives it).
    explicit DesktopFileApplications(std::vector<std::filesystem::path> dataFolders = standardDataFolders(),
                                     std::string locale = DesktopEntry::messagesLocale(),
                                     QObject* parent = nullptr);
    ~DesktopFileApplications() override;

    // $XDG_DATA_HOME, then $XDG_DATA_DIRS, with the defaults the XDG base-directory rules give.
    static std::vector<std::filesystem::path> standardDataFolders();

    // By desktop-file id; otherwise, for ids that are a window class or an executable's name, by the
    // desktop file's StartupWMClass, then by the desktop-file id ignoring case.
    std::optional<InstalledApplication> application(const std::string& applicationID) override;
    // Leaves out the applications whose desktop file says NoDisplay.
    std::vector<InstalledApplication> listedApplications() override;
    void watch(QObject* context, std::function<void()> handler) override;

    // The folders watched now, for tests: the "applications" folders and the folders below them, and
    // for each one missing the nearest folder above it that exists.
    std::vector<std::filesystem::path> watchedFolders() const;

  signals:
    void changed();

  private:
    // What one reading of the folders found.
    struct Catalog {
        std::map<std::string, InstalledApplication> byID;
        std::map<std::string, std::string> byWindowClass; // lower-cased class -> id
        std::map<std::string, std::string> byFoldedID;    // lower-cased id -> id
        std::vector<std::string> listed;                  // ids of the applications menus show
        // Every folder read, each "applications" folder and the folders below it.
        std::vector<std::filesystem::path> folders;

        // The same applications, whichever folders were read.
        bool sameApplications(const Catalog& other) const;
    };

    static std::shared_ptr<const Catalog> read(const std::vector<std::filesystem::path>& dataFolders,
                                               const std::string& locale);
    // The catalog, read on the calling thread when there is none yet.
    std::shared_ptr<const Catalog> catalog();
    // Watches the folders of `catalog` and waits for the missing ones. Main thread.
    void follow(const Catalog& catalog);
    void folderChanged(const QString& folder);
    // An "applications" folder that was missing when the catalog was read exists now.
    bool missingFolderAppeared();
    void readAgain();
    void adopt(std::shared_ptr<const Catalog> catalog);

    const std::vector<std::filesystem::path> dataFolders_;
    const std::string locale_;
    mutable std::mutex mutex_;
    std::shared_ptr<const Catalog> catalog_;
    // The rest belongs to the object's thread.
    QFileSystemWatcher* watcher_ = nullptr;
    // The folders above missing "applications" folders, watched only for those to appear.
    std::vector<QString> waitingFolders_;
    QTimer settle_;
    bool reading_ = false;
    bool readPending_ = false;
};

} // namespace vesperline::platform
