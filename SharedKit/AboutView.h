#pragma once

#include "SharedKit/BuildInfo.h"

#include <QWidget>

namespace vesperline {

namespace platform {
class ApplicationLauncher;
class InstalledApplications;
} // namespace platform

// The about window's content, 380 points wide: the application's icon, name, version and copyright
// line; the links to its web site and to support (each only when the build names it); and under a
// line, "More Apps": a row for each of the maker's other applications.
class AboutView final : public QWidget {
    Q_OBJECT

  public:
    AboutView(platform::InstalledApplications& installed, platform::ApplicationLauncher& launcher,
              const BuildInfo& info = BuildInfo::current(), QWidget* parent = nullptr);

    static constexpr int width = 380;
};

} // namespace vesperline
