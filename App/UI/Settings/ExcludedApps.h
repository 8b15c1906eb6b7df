#pragma once

#include "Platform/RunningApplication.h"

#include <QString>

#include <cstdint>
#include <string>
#include <vector>

namespace vesperline {

namespace platform {
class InstalledApplications;
class Workspace;
} // namespace platform

// Which of the never-recorded applications the Privacy pane lists, and how it edits the list.
//
// A password manager is known by several ids (its reverse-DNS id, its desktop-file ids, its window
// class), all excluded by default. The pane lists a manager once, when one of its excluded ids is
// installed here, and counts the excluded managers that are not installed instead of listing them;
// removing a manager's row lets all of its ids be recorded again. Every other id is listed once,
// installed or not.
namespace ExcludedApps {

struct Row {
    std::string id;
    QString name;
    bool installed = false;

    bool operator==(const Row&) const = default;
};

struct Listing {
    std::vector<Row> rows;
    // Excluded password managers of which no id is installed here.
    int hiddenManagers = 0;

    bool operator==(const Listing&) const = default;
};

// The rows in the order of `excluded`, and the hidden managers; asks `installed` about every id.
Listing listing(const std::vector<std::string>& excluded, platform::InstalledApplications& installed);

// The name to show: the installed application's own, else the password manager's, else the id.
QString displayName(const std::string& id, platform::InstalledApplications& installed);

// `excluded` with `id` at the end, unless it holds it already (then unchanged).
std::vector<std::string> adding(std::vector<std::string> excluded, const std::string& id);
// `excluded` without the row of `id`: every occurrence of it and, for a password manager, of every
// other id of the same manager; the others keep their order.
std::vector<std::string> removing(std::vector<std::string> excluded, const std::string& id);

// The running applications the user can pick, by name in code-point order (no name sorts as the
// empty text): those the workspace lists, without this application itself (`ownID`; an application
// without an id is this one only when `ownID` is empty too).
std::vector<platform::RunningApplication> runningRegularApps(platform::Workspace& workspace,
                                                             const std::string& ownID);

// What "Add app…" offers: `runningRegularApps`, without this application's own process (`ownPid`,
// whatever id its windows give it) and without the applications `excluded` holds already, compared
// by id as recording compares them.
std::vector<platform::RunningApplication> addableApps(platform::Workspace& workspace,
                                                      const std::string& ownID, std::int32_t ownPid,
                                                      const std::vector<std::string>& excluded);

} // namespace ExcludedApps

} // namespace vesperline
