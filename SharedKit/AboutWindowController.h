#pragma once

#include "SharedKit/BuildInfo.h"

#include <QObject>
#include <QPointer>

#include <memory>

class QWidget;

namespace vesperline {

namespace platform {
class ApplicationLauncher;
class InstalledApplications;
} // namespace platform

// The about window: made on the first `show` and kept for the life of the controller, so closing it
// only hides it and the next `show` brings the same window forward as it is. Titled "About <name>",
// with a title bar and a close button only, at the size of its content. Main thread.
class AboutWindowController final : public QObject {
    Q_OBJECT

  public:
    // The services must outlive the controller.
    AboutWindowController(platform::InstalledApplications& installed, platform::ApplicationLauncher& launcher,
                          BuildInfo info = BuildInfo::current(), QObject* parent = nullptr);
    ~AboutWindowController() override;

    // The window, once made.
    QWidget* window() const { return window_.get(); }
    void show();

  private:
    platform::InstalledApplications& installed_;
    platform::ApplicationLauncher& launcher_;
    BuildInfo info_;
    std::unique_ptr<QWidget> window_;
};

} // namespace vesperline
