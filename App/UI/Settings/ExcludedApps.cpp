#include "UI/Settings/ExcludedApps.h"

#include "Platform/InstalledApplications.h"
#include "Platform/Workspace.h"
#include "Rules/PrivacyRules.h"

#include <algorithm>
#include <set>

namespace vesperline::ExcludedApps {

namespace {

bool isPasswordManager(const std::string& id) {
    const auto& managers = ostrel::PrivacyRules::passwordManagers();
    return std::find(managers.begin(), managers.end(), id) != managers.end();
}

// What tells the ids of one password manager apart from another's: its name (the ids of one
// application share it); an id without a name stands alone.
std::string managerKey(const std::string& id) {
    const auto& names = ostrel::PrivacyRules::passwordManagerNames();
    const auto found = names.find(id);
    return found == names.end() ? id : found->second;
}

bool isInstalled(const std::string& id, platform::InstalledApplications& installed) {
    return installed.application(id).has_value();
}

} // namespace

QString displayName(const std::string& id, platform::InstalledApplications& installed) {
    if (const auto application = installed.application(id); application && application->name) {
        return QString::fromStdString(*application->name);
    }
    const auto& names = ostrel::PrivacyRules::passwordManagerNames();
    if (const auto found = names.find(id); found != names.end()) {
        return QString::fromStdString(found->second);
    }
    return QString::fromStdString(id);
}

Listing listing(const std::vector<std::string>& excluded, platform::InstalledApplications& installed) {
    Listing result;
    std::set<std::string> listed;
    std::set<std::string> listedManagers;
    std::set<std::string> excludedManagers;
    for (const std::string& id : excluded) {
        if (isPasswordManager(id)) {
            excludedManagers.insert(managerKey(id));
            if (isInstalled(id, installed) && listedManagers.insert(managerKey(id)).second) {
                result.rows.push_back({id, displayName(id, installed), true});
            }
        } else if (listed.insert(id).second) {
            result.rows.push_back({id, displayName(id, installed), isInstalled(id, installed)});
        }
    }
    // A manager counts as installed when any of its ids is, excluded or not.
    std::set<std::string> installedManagers;
    for (const std::string& id : ostrel::PrivacyRules::passwordManagers()) {
        if (excludedManagers.count(managerKey(id)) && isInstalled(id, installed)) {
            installedManagers.insert(managerKey(id));
        }
    }
    result.hiddenManagers = int(excludedManagers.size() - installedManagers.size());
    return result;
}

std::vector<std::string> adding(std::vector<std::string> excluded, const std::string& id) {
    if (std::find(excluded.begin(), excluded.end(), id) == excluded.end()) {
        excluded.push_back(id);
    }
    return excluded;
}

std::vector<std::string> removing(std::vector<std::string> excluded, const std::string& id) {
    const bool manager = isPasswordManager(id);
    const std::string key = manager ? managerKey(id) : id;
    std::erase_if(excluded, [&](const std::string& entry) {
        return entry == id || (manager && isPasswordManager(entry) && managerKey(entry) == key);
    });
    return excluded;
}

std::vector<platform::RunningApplication> runningRegularApps(platform::Workspace& workspace,
                                                             const std::string& ownID) {
    std::vector<platform::RunningApplication> applications = workspace.runningApplications();
    std::erase_if(applications, [&ownID](const platform::RunningApplication& application) {
        return application.bundleID.value_or(std::string()) == ownID;
    });
    // Code-point order: UTF-8 bytes compare in that order.
    std::stable_sort(applications.begin(), applications.end(), [](const auto& a, const auto& b) {
        return a.name.value_or(std::string()) < b.name.value_or(std::string());
    });
    return applications;
}

std::vector<platform::RunningApplication> addableApps(platform::Workspace& workspace,
                                                      const std::string& ownID, std::int32_t ownPid,
                                                      const std::vector<std::string>& excluded) {
    std::vector<platform::RunningApplication> applications = runningRegularApps(workspace, ownID);
    std::erase_if(applications, [&](const platform::RunningApplication& application) {
        return application.pid == ownPid ||
               (application.bundleID &&
                std::find(excluded.begin(), excluded.end(), *application.bundleID) != excluded.end());
    });
    return applications;
}

} // namespace vesperline::ExcludedApps
