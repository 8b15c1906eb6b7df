#pragma once

#include "Platform/InstalledApplication.h"
#include "SharedKit/CatalogApp.h"

#include <QIcon>

#include <optional>
#include <string>
#include <vector>

class QMenu;

namespace vesperline {

namespace platform {
class ApplicationLauncher;
class InstalledApplications;
} // namespace platform

// The maker's applications, this one among them, and a "More Apps" menu of the others. Whether an
// application is installed is asked each time a menu or row is made and each time one is opened;
// nothing is remembered. Texts are the kit's own. Main thread.
namespace AppCatalog {

// The application's own id when the process does not name one (its desktop file name).
inline constexpr char fallbackBundleID[] = "org.vesperline.Vesperline";

// The four entries, in the catalog's order.
const std::vector<CatalogApp>& entries();
// The entries other than the application with `bundleID`, in order.
std::vector<CatalogApp> others(const std::string& bundleID);
// This application's id: the desktop file name the application was given, else the fallback.
std::string currentBundleID();

// Where the entry is installed here; absent when it is not.
std::optional<platform::InstalledApplication> installedLocation(const CatalogApp& app,
                                                                platform::InstalledApplications& installed);
// The icon the installed application names (a theme icon or a file); null without one.
QIcon icon(const platform::InstalledApplication& application);

// Starts the entry when it is installed, else opens its page with the desktop's web browser.
void open(const CatalogApp& app, platform::InstalledApplications& installed,
          platform::ApplicationLauncher& launcher);

// A new "More Apps" menu, owned by the caller, holding one item per other application: its name,
// its tagline as the tool tip, its 16-point icon when installed; choosing it opens it. Add the
// menu's `menuAction()` to a menu to show it as a submenu.
QMenu* moreAppsMenuItem(platform::InstalledApplications& installed, platform::ApplicationLauncher& launcher);

} // namespace AppCatalog

} // namespace vesperline
