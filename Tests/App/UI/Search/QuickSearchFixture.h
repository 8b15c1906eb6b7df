#pragma once

#include "Platform/Fake/FakeInstalledApplications.h"
#include "Platform/Fake/FakeWindowActivation.h"
#include "SearchFixture.h"
#include "UI/Search/QuickSearchController.h"
#include "UI/Search/QuickSearchPanel.h"

#include <QLineEdit>

#include <string>
#include <vector>

namespace vesperline {

// A quick-search controller over the search fixture's store, with the window manager and the app
// model played by the test: what the panel asks of the app is logged in order, each entry saying
// whether the panel was still shown at the time.
class QuickSearchFixture : public SearchFixture {
  protected:
    QuickSearchController::Actions actions() {
        QuickSearchController::Actions actions;
        actions.recordFind = [this] { log.push_back(entry("find")); };
        actions.openTimeline = [this](std::int64_t id, ostrel::Time timestamp) {
            log.push_back(
                entry("timeline " + std::to_string(id) + " " + std::to_string(std::int64_t(timestamp))));
        };
        actions.openURL = [this](const QUrl& url) {
            log.push_back(entry("open " + url.toString().toStdString()));
        };
        return actions;
    }

    // Shows the panel and waits until it has the keyboard and its first search is in.
    void showAndSettle() {
        controller.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(controller.panel()));
        settle();
    }

    QLineEdit& field() { return *controller.panel()->findChild<QLineEdit*>("searchField"); }

    std::vector<std::string> log;
    platform::FakeWindowActivation activation;
    platform::FakeInstalledApplications applications;
    const Format format{"en_US", "Europe/Istanbul"};
    QuickSearchController controller{{
        .hub = hub,
        .actions = actions(),
        .activation = activation,
        .applications = applications,
        .thumbnails = thumbnails(),
        .pictures =
            [](const std::string&, std::int64_t, std::int64_t frameID, FrameImageLoader::Size) {
                return QtFuture::makeReadyFuture(std::optional(screenPicture(frameID)));
            },
        .format = format,
        .clock = clock,
        .delays = delays,
        .retryDelay = std::chrono::milliseconds(5),
    }};

  private:
    std::string entry(const std::string& what) const {
        return what + (controller.isVisible() ? " (shown)" : "");
    }
};

} // namespace vesperline
