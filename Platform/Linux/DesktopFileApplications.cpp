#include "Platform/Linux/DesktopFileApplications.h"

#include "Platform/Linux/DesktopEntry.h"

#include <QFileSystemWatcher>
#include <QString>
#include <QtConcurrent>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <sstream>
#include <system_error>
#include <utility>

namespace vesperline::platform {

namespace {

std::string lowercased(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); });
    return text;
}

std::vector<std::filesystem::path> splitFolders(const char* list,
                                                std::vector<std::filesystem::path> fallback) {
    if (!list || !*list) {
        return fallback;
    }
    std::vector<std::filesystem::path> folders;
    std::istringstream stream(list);
    for (std::string folder; std::getline(stream, folder, ':');) {
        // Relative entries are invalid and ignored.
        if (!folder.empty() && folder.front() == '/') {
            folders.emplace_back(folder);
        }
    }
    return folders;
}

} // namespace

DesktopFileApplications::DesktopFileApplications(std::vector<std::filesystem::path> dataFolders,
                                                 std::string locale, QObject* parent)
    : QObject(parent), dataFolders_(std::move(dataFolders)), locale_(std::move(locale)) {
    settle_.setSingleShot(true);
    settle_.setInterval(settleMilliseconds);
    connect(&settle_, &QTimer::timeout, this, &DesktopFileApplications::readAgain);
}

DesktopFileApplications::~DesktopFileApplications() = default;

std::vector<std::filesystem::path> DesktopFileApplications::standardDataFolders() {
    std::vector<std::filesystem::path> home;
    if (const char* folder = std::getenv("HOME"); folder && *folder) {
        home.push_back(std::filesystem::path(folder) / ".local/share");
    }
    std::vector<std::filesystem::path> folders = splitFolders(std::getenv("XDG_DATA_HOME"), home);
    for (auto& folder : splitFolders(std::getenv("XDG_DATA_DIRS"), {"/usr/local/share", "/usr/share"})) {
        folders.push_back(std::move(folder));
    }
    return folders;
}

bool DesktopFileApplications::Catalog::sameApplications(const Catalog& other) const {
    return byID == other.byID && listed == other.listed;
}

std::shared_ptr<const DesktopFileApplications::Catalog>
DesktopFileApplications::read(const std::vector<std::filesystem::path>& dataFolders,
                              const std::string& locale) {
    auto catalog = std::make_shared<Catalog>();
    std::set<std::string> seen;
    for (const std::filesystem::path& dataFolder : dataFolders) {
        const std::filesystem::path folder = dataFolder / "applications";
        std::error_code error;
        if (!std::filesystem::is_directory(folder, error)) {
            continue;
        }
        catalog->folders.push_back(folder);
        for (auto it = std::filesystem::recursive_directory_iterator(
                 folder, std::filesystem::directory_options::skip_permission_denied, error);
             !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
            const std::filesystem::path& file = it->path();
            if (it->is_directory(error)) {
                catalog->folders.push_back(file);
                continue;
            }
            if (file.extension() != ".desktop" || !it->is_regular_file(error)) {
                continue;
            }
            // The desktop-file id: the path below the folder with '/' turned into '-'.
            std::string id = file.lexically_relative(folder).replace_extension().string();
            std::replace(id.begin(), id.end(), '/', '-');
            if (!seen.insert(id).second) {
                continue;
            }
            DesktopEntry::Entry entry = DesktopEntry::read(file, locale);
            if (!entry.application || entry.hidden) {
                continue;
            }
            if (entry.windowClass) {
                catalog->byWindowClass.emplace(lowercased(*entry.windowClass), id);
            }
            catalog->byFoldedID.emplace(lowercased(id), id);
            if (!entry.noDisplay) {
                catalog->listed.push_back(id);
            }
            catalog->byID[id] = {id, file, std::move(entry.icon), std::move(entry.name)};
        }
    }
    return catalog;
}

std::shared_ptr<const DesktopFileApplications::Catalog> DesktopFileApplications::catalog() {
    std::lock_guard lock(mutex_);
    if (!catalog_) {
        catalog_ = read(dataFolders_, locale_);
        // What is installed from now on is heard of; the watch is set up where the object lives.
        QMetaObject::invokeMethod(
            this, [this] { follow(*catalog()); }, Qt::QueuedConnection);
    }
    return catalog_;
}

std::optional<InstalledApplication> DesktopFileApplications::application(const std::string& applicationID) {
    const std::shared_ptr<const Catalog> catalog = this->catalog();
    if (const auto found = catalog->byID.find(applicationID); found != catalog->byID.end()) {
        return found->second;
    }
    const std::string folded = lowercased(applicationID);
    for (const auto* index : {&catalog->byWindowClass, &catalog->byFoldedID}) {
        if (const auto found = index->find(folded); found != index->end()) {
            return catalog->byID.at(found->second);
        }
    }
    return std::nullopt;
}

std::vector<InstalledApplication> DesktopFileApplications::listedApplications() {
    const std::shared_ptr<const Catalog> catalog = this->catalog();
    std::vector<InstalledApplication> applications;
    for (const std::string& id : catalog->listed) {
        applications.push_back(catalog->byID.at(id));
    }
    // By name as a person reads a list (letter case aside), then by id.
    std::sort(applications.begin(), applications.end(), [](const auto& a, const auto& b) {
        const int byName =
            QString::compare(QString::fromStdString(a.name.value_or(a.id)),
                             QString::fromStdString(b.name.value_or(b.id)), Qt::CaseInsensitive);
        return byName != 0 ? byName < 0 : a.id < b.id;
    });
    return applications;
}

void DesktopFileApplications::watch(QObject* context, std::function<void()> handler) {
    connect(this, &DesktopFileApplications::changed, context, std::move(handler));
}

std::vector<std::filesystem::path> DesktopFileApplications::watchedFolders() const {
    std::vector<std::filesystem::path> folders;
    if (watcher_) {
        for (const QString& folder : watcher_->directories()) {
            folders.emplace_back(folder.toStdString());
        }
    }
    std::sort(folders.begin(), folders.end());
    return folders;
}

void DesktopFileApplications::follow(const Catalog& catalog) {
    if (!watcher_) {
        watcher_ = new QFileSystemWatcher(this);
        connect(watcher_, &QFileSystemWatcher::directoryChanged, this,
                &DesktopFileApplications::folderChanged);
    }
    std::set<QString> wanted;
    for (const std::filesystem::path& folder : catalog.folders) {
        wanted.insert(QString::fromStdString(folder.string()));
    }
    waitingFolders_.clear();
    for (const std::filesystem::path& dataFolder : dataFolders_) {
        std::error_code error;
        std::filesystem::path folder = dataFolder / "applications";
        if (std::filesystem::is_directory(folder, error)) {
            continue;
        }
        while (folder.has_relative_path() && !std::filesystem::is_directory(folder, error)) {
            folder = folder.parent_path();
        }
        const QString waiting = QString::fromStdString(folder.string());
        if (wanted.insert(waiting).second) {
            waitingFolders_.push_back(waiting);
        }
    }
    const QStringList watched = watcher_->directories();
    QStringList stale;
    for (const QString& folder : watched) {
        if (!wanted.erase(folder)) {
            stale.push_back(folder);
        }
    }
    if (!stale.isEmpty()) {
        watcher_->removePaths(stale);
    }
    if (!wanted.empty()) {
        watcher_->addPaths(QStringList(wanted.begin(), wanted.end()));
    }
}

void DesktopFileApplications::folderChanged(const QString& folder) {
    if (std::find(waitingFolders_.begin(), waitingFolders_.end(), folder) == waitingFolders_.end()) {
        settle_.start();
        return;
    }
    // Something changed above a missing "applications" folder: read only once one appears; until
    // then wait on the nearest folder that exists now, and look again in case it appeared meanwhile.
    if (!missingFolderAppeared()) {
        follow(*catalog());
    }
    if (missingFolderAppeared()) {
        settle_.start();
    }
}

bool DesktopFileApplications::missingFolderAppeared() {
    const std::shared_ptr<const Catalog> current = catalog();
    const std::vector<std::filesystem::path>& read = current->folders;
    return std::any_of(dataFolders_.begin(), dataFolders_.end(),
                       [&read](const std::filesystem::path& dataFolder) {
                           std::error_code error;
                           const std::filesystem::path applications = dataFolder / "applications";
                           return std::filesystem::is_directory(applications, error) &&
                                  std::find(read.begin(), read.end(), applications) == read.end();
                       });
}

void DesktopFileApplications::readAgain() {
    if (reading_) {
        readPending_ = true;
        return;
    }
    reading_ = true;
    QtConcurrent::run([dataFolders = dataFolders_, locale = locale_] {
        return read(dataFolders, locale);
    }).then(this, [this](std::shared_ptr<const Catalog> catalog) { adopt(std::move(catalog)); });
}

void DesktopFileApplications::adopt(std::shared_ptr<const Catalog> catalog) {
    reading_ = false;
    std::shared_ptr<const Catalog> old;
    {
        std::lock_guard lock(mutex_);
        old = std::exchange(catalog_, catalog);
    }
    follow(*catalog);
    if (readPending_) {
        readPending_ = false;
        settle_.start();
    }
    if (!old || !old->sameApplications(*catalog)) {
        emit changed();
    }
}

} // namespace vesperline::platform
