#include "Platform/Fake/FakeApplicationLauncher.h"
#include "Platform/Fake/FakeInstalledApplications.h"
#include "SharedKit/AboutView.h"
#include "SharedKit/AboutWindowController.h"
#include "SharedKit/ActionMenuItem.h"
#include "SharedKit/AppCatalog.h"
#include "SharedKit/CatalogRow.h"
#include "Support/OpenedAddresses.h"
#include "Support/TemporaryDirectory.h"
#include "Support/ViewPictures.h"

#include <QApplication>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace vesperline {
namespace {

std::vector<std::string> ids(const std::vector<CatalogApp>& apps) {
    std::vector<std::string> list;
    for (const CatalogApp& app : apps) {
        list.push_back(app.id);
    }
    return list;
}

// The catalog seen from this application, with Quillmark installed (with an icon file) and the
// others not.
class AboutWindowTest : public ::testing::Test {
  protected:
    AboutWindowTest() {
        QImage icon(32, 32, QImage::Format_ARGB32);
        icon.fill(Qt::darkCyan);
        icon.save(QString::fromStdString(iconFile.string()));
        installed.install({"org.vesperline.Quillmark",
                           "/usr/share/applications/org.vesperline.Quillmark.desktop", iconFile.string(),
                           "Quillmark"});
        QGuiApplication::setDesktopFileName("org.vesperline.Vesperline");
    }
    ~AboutWindowTest() override { QGuiApplication::setDesktopFileName({}); }

    testsupport::TemporaryDirectory folder;
    std::filesystem::path iconFile = folder.path() / "quillmark.png";
    platform::FakeInstalledApplications installed;
    platform::FakeApplicationLauncher launcher;
    testsupport::OpenedAddresses addresses;
    BuildInfo info{.displayName = "Vesperline",
                   .shortVersion = "0.1.0",
                   .build = "12",
                   .websiteURL = "https://vesperline.org",
                   .supportEmail = "help@vesperline.org",
                   .copyright = "© 2026 The Vesperline developers"};
};

TEST_F(AboutWindowTest, TheCatalogLeavesOutTheCurrentApplication) {
    ASSERT_EQ(AppCatalog::entries().size(), 4u);
    EXPECT_EQ(ids(AppCatalog::others("org.vesperline.Vesperline")),
              (std::vector<std::string>{"org.vesperline.Quillmark", "org.vesperline.Tidewatch",
                                        "org.vesperline.Lanternfish"}));
    EXPECT_EQ(ids(AppCatalog::others("org.example.Elsewhere")).size(), 4u);
    EXPECT_EQ(AppCatalog::currentBundleID(), "org.vesperline.Vesperline");
    QGuiApplication::setDesktopFileName({});
    EXPECT_EQ(AppCatalog::currentBundleID(), AppCatalog::fallbackBundleID);
    for (const CatalogApp& app : AppCatalog::entries()) {
        EXPECT_TRUE(app.webPage().isValid()) << app.slug;
        EXPECT_FALSE(app.tagline().isEmpty()) << app.slug;
    }
    EXPECT_EQ((CatalogApp{"x", "X", "unknown"}).tagline(), "");
}

TEST_F(AboutWindowTest, TheMoreAppsMenuOpensInstalledAppsAndThePagesOfTheOthers) {
    std::unique_ptr<QMenu> menu(AppCatalog::moreAppsMenuItem(installed, launcher));
    EXPECT_EQ(menu->title(), "More Apps");
    const QList<QAction*> items = menu->actions();
    ASSERT_EQ(items.size(), 3);
    EXPECT_EQ(items[0]->text(), "Quillmark");
    EXPECT_EQ(items[0]->toolTip(), AppCatalog::entries()[1].tagline());
    EXPECT_FALSE(items[0]->icon().isNull()) << "installed: its icon";
    EXPECT_TRUE(items[1]->icon().isNull()) << "not installed: none";

    items[0]->trigger();
    EXPECT_EQ(launcher.launched, (std::vector<std::string>{"org.vesperline.Quillmark"}));
    items[2]->trigger();
    ASSERT_EQ(addresses.opened.size(), 1);
    EXPECT_EQ(addresses.opened[0], QUrl("https://vesperline.org/apps/lanternfish"));

    // Installed or not is asked again each time.
    installed.install({"org.vesperline.Lanternfish",
                       "/usr/share/applications/org.vesperline.Lanternfish.desktop", std::nullopt,
                       "Lanternfish"});
    items[2]->trigger();
    EXPECT_EQ(launcher.launched.back(), "org.vesperline.Lanternfish");
}

TEST_F(AboutWindowTest, AnActionMenuItemRunsItsHandler) {
    int runs = 0;
    ActionMenuItem item("Say hello", QKeySequence("Ctrl+H"), [&runs] { ++runs; });
    EXPECT_EQ(item.text(), "Say hello");
    EXPECT_EQ(item.shortcut(), QKeySequence("Ctrl+H"));
    item.trigger();
    item.run();
    EXPECT_EQ(runs, 2);
}

TEST_F(AboutWindowTest, TheWindowIsMadeOnceAndShowsWhatTheBuildNames) {
    AboutWindowController controller(installed, launcher, info);
    EXPECT_FALSE(controller.window());
    controller.show();
    QWidget* window = controller.window();
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), "About Vesperline");
    EXPECT_EQ(window->width(), AboutView::width);
    window->close();
    controller.show();
    EXPECT_EQ(controller.window(), window) << "closing only hides it";
    EXPECT_TRUE(window->isVisible());

    EXPECT_EQ(window->findChild<QLabel*>("appVersion")->text(), "Version 0.1.0 (12)");
    EXPECT_EQ(window->findChild<QLabel*>("copyright")->text(), "© 2026 The Vesperline developers");
    EXPECT_EQ(window->findChild<QLabel*>("moreAppsHeading")->text(), "MORE APPS");
    const QList<CatalogRow*> rows = window->findChildren<CatalogRow*>();
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0]->arrow(), "→") << "installed: a click starts it";
    EXPECT_EQ(rows[1]->arrow(), "↗") << "not installed: a click opens its page";
    QTest::mouseClick(rows[1], Qt::LeftButton);
    QTest::mouseClick(window->findChild<QAbstractButton*>("website"), Qt::LeftButton);
    QTest::mouseClick(window->findChild<QAbstractButton*>("support"), Qt::LeftButton);
    ASSERT_EQ(addresses.opened.size(), 3);
    EXPECT_EQ(addresses.opened[0], QUrl("https://vesperline.org/apps/tidewatch"));
    EXPECT_EQ(addresses.opened[1], QUrl("https://vesperline.org"));
    EXPECT_EQ(addresses.opened[2].scheme(), "mailto");
}

TEST_F(AboutWindowTest, WithoutAddressesThereAreNoLinksAndNoCopyright) {
    AboutView view(installed, launcher, {.websiteURL = "nonsense"});
    EXPECT_FALSE(view.findChild<QAbstractButton*>("website"));
    EXPECT_FALSE(view.findChild<QAbstractButton*>("support"));
    EXPECT_FALSE(view.findChild<QLabel*>("copyright"));
}

TEST_F(AboutWindowTest, Pictures) {
    // The application's icon, as the program sets it.
    QApplication::setWindowIcon(QIcon(QString::fromStdString(iconFile.string())));
    AboutWindowController controller(installed, launcher, info);
    controller.show();
    // One window through both appearances: its texts follow the palette.
    EXPECT_TRUE(testsupport::savePictures(*controller.window(), "about-window"));
    QApplication::setWindowIcon({});
}

} // namespace
} // namespace vesperline
