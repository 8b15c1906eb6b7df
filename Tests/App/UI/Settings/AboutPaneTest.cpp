#include "UI/Settings/AboutPane.h"

#include "SettingsFixture.h"
#include "Support/OpenedAddresses.h"
#include "Support/ViewPictures.h"
#include "UI/Settings/SettingsSelection.h"
#include "UI/Settings/SettingsWindow.h"
#include "UI/Settings/SymbolText.h"
#include "UI/Shared/LinkButton.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>

namespace vesperline {
namespace {

class AboutPaneTest : public SettingsFixture {
  protected:
    std::unique_ptr<AboutPane> makePane(const BuildInfo& info) {
        auto pane = std::make_unique<AboutPane>(context(), info);
        pane->resize(540, 480);
        pane->show();
        return pane;
    }
    static const BuildInfo complete;
};

const BuildInfo AboutPaneTest::complete{.displayName = "Vesperline",
                                        .shortVersion = "2.1",
                                        .build = "57",
                                        .websiteURL = "https://vesperline.org",
                                        .supportEmail = "help@vesperline.org"};

TEST_F(AboutPaneTest, ShowsTheVersionWithItsDefaults) {
    EXPECT_EQ(text(*makePane(complete), "appVersion"), "Version 2.1 (57)");
    EXPECT_EQ(text(*makePane({}), "appVersion"), "Version 1.0 (1)");
    EXPECT_EQ(text(*makePane({}), "appName"), "Vesperline");
}

TEST_F(AboutPaneTest, LinksOpenTheSiteAndASupportMailAndAreLeftOutWithoutThem) {
    testsupport::OpenedAddresses addresses;
    auto pane = makePane(complete);
    click(*pane, "website");
    click(*pane, "contactSupport");
    ASSERT_EQ(addresses.opened.size(), 2);
    EXPECT_EQ(addresses.opened[0], QUrl("https://vesperline.org"));
    EXPECT_EQ(addresses.opened[1].toString(QUrl::FullyEncoded).toStdString(),
              "mailto:help@vesperline.org?subject=Vesperline%202.1%20(57)");

    auto bare = makePane({.websiteURL = "not a web address"});
    EXPECT_FALSE(bare->findChild<QWidget*>("links"));
    EXPECT_FALSE(bare->findChild<QWidget*>("website"));
    EXPECT_FALSE(bare->findChild<QWidget*>("contactSupport"));
    auto supportOnly = makePane({.supportEmail = "help@vesperline.org"});
    EXPECT_FALSE(supportOnly->findChild<QWidget*>("website"));
    EXPECT_TRUE(supportOnly->findChild<QWidget*>("contactSupport"));
}

TEST_F(AboutPaneTest, HowItWorksOpensTheTourAndNoUpdateCheckIsOffered) {
    // Even a build naming an update feed and key has no updater here to ask.
    auto pane = makePane({.updateFeedURL = "https://vesperline.org/feed", .updatePublicKey = "key"});
    click(*pane, "howItWorks");
    EXPECT_EQ(onboardingOpenings, 1);
    for (const QPushButton* button : pane->findChildren<QPushButton*>()) {
        EXPECT_FALSE(button->text().contains("Update")) << button->text().toStdString();
    }
    EXPECT_EQ(store->totalWrites(), 0);
}

TEST_F(AboutPaneTest, ThePromiseRowsTakeTheHeightOfTheirTextInAWindowWithRoomToSpare) {
    SettingsSelection selection;
    selection.setTab(SettingsTab::about);
    SettingsWindow window(context(), selection);
    window.show();
    QApplication::processEvents();
    for (const char* name : {"promiseOnThisComputer", "promiseNoCloud"}) {
        const auto* row = window.findChild<SymbolText*>(name);
        ASSERT_TRUE(row) << name;
        EXPECT_LT(row->height(), row->label()->fontMetrics().lineSpacing() * 2) << name << ": one line";
    }
}

TEST_F(AboutPaneTest, Pictures) {
    SettingsSelection selection;
    selection.setTab(SettingsTab::about);
    EXPECT_TRUE(testsupport::savePictures(
        "settings-about", [&] { return std::make_unique<SettingsWindow>(context(), selection); }));
}

} // namespace
} // namespace vesperline
