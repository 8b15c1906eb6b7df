#include "Platform/Linux/DesktopFileApplications.h"

#include "Platform/Linux/DesktopEntry.h"

#include <QString>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <sstream>
#include <system_error>

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
                                                 std::string locale)
    : dataFolders_(std::move(dataFolders)), locale_(std::move(locale)) {}

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

void DesktopFileApplications::load() {
    std::set<std::string> seen;
    for (const std::filesystem::path& dataFolder : dataFolders_) {
        const std::filesystem::path folder = dataFolder / "applications";
        std::error_code error;
        for (auto it = std::filesystem::recursive_directory_iterator(
                 folder, std::filesystem::directory_options::skip_permission_denied, error);
             !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
            const std::filesystem::path& file = it->path();
            if (file.extension() != ".desktop" || !it->is_regular_file(error)) {
                continue;
            }
            // The desktop-file id: the path below the folder with '/' turned into '-'.
            std::string id = file.lexically_relative(folder).replace_extension().string();
            std::replace(id.begin(), id.end(), '/', '-');
            if (!seen.insert(id).second) {
                continue;
            }
            DesktopEntry::Entry entry = DesktopEntry::read(file, locale_);
            if (!entry.application || entry.hidden) {
                continue;
            }
            if (entry.windowClass) {
                byWindowClass_.emplace(lowercased(*entry.windowClass), id);
            }
            byFoldedID_.emplace(lowercased(id), id);
            if (!entry.noDisplay) {
                listed_.push_back(id);
            }
            byID_[id] = {id, file, std::move(entry.icon), std::move(entry.name)};
        }
    }
    loaded_ = true;
}

std::optional<InstalledApplication> DesktopFileApplications::application(const std::string& applicationID) {
    std::lock_guard lock(mutex_);
    if (!loaded_) {
        load();
    }
    if (const auto found = byID_.find(applicationID); found != byID_.end()) {
        return found->second;
    }
    const std::string folded = lowercased(applicationID);
    for (const auto* index : {&byWindowClass_, &byFoldedID_}) {
        if (const auto found = index->find(folded); found != index->end()) {
            return byID_.at(found->second);
        }
    }
    return std::nullopt;
}

std::vector<InstalledApplication> DesktopFileApplications::listedApplications() {
    std::vector<InstalledApplication> applications;
    {
        std::lock_guard lock(mutex_);
        if (!loaded_) {
            load();
        }
        for (const std::string& id : listed_) {
            applications.push_back(byID_.at(id));
        }
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

} // namespace vesperline::platform
