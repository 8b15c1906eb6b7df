#include "UI/Shared/AppIconView.h"
#include "Platform/Fake/FakeInstalledApplications.h"
#include "Support/TemporaryDirectory.h"
#include "Support/ViewPictures.h"

#include <QHBoxLayout>
#include <QImage>

#include <gtest/gtest.h>

using namespace vesperline;
using platform::FakeInstalledApplications;

namespace {

// The icon cache lives for the whole process, so every test uses ids of its own.
class AppIconViewTest : public ::testing::Test {
  protected:
    FakeInstalledApplications applications;
    testsupport::TemporaryDirectory folder;

    std::string iconFile(const char* name, QColor colour) {
        QImage image(64, 64, QImage::Format_ARGB32);
        image.fill(colour);
        const std::string path = (folder.path() / name).string();
        image.save(QString::fromStdString(path));
        return path;
    }
};

} // namespace

TEST_F(AppIconViewTest, WithoutAnIDThePlaceholderShowsAndNothingIsAsked) {
    AppIconView view(applications, std::nullopt, 20);
    EXPECT_FALSE(view.showsIcon());
    EXPECT_EQ(view.sizeHint(), QSize(20, 20));
    AppIconView empty(applications, std::string(), 20);
    EXPECT_FALSE(empty.showsIcon());
    EXPECT_EQ(applications.lookups(""), 0);
}

TEST_F(AppIconViewTest, TheDesktopFilesIconShows) {
    applications.install({"org.example.Editor", "/usr/share/applications/org.example.Editor.desktop",
                          iconFile("editor.png", Qt::darkCyan), "Editor"});
    AppIconView view(applications, std::string("org.example.Editor"), 28);
    EXPECT_TRUE(view.showsIcon());
}

TEST_F(AppIconViewTest, EachIDIsAskedForOnceAndAnAbsentIconIsRemembered) {
    applications.install({"org.example.Iconless", "/usr/share/applications/org.example.Iconless.desktop",
                          std::nullopt, std::nullopt});
    applications.install({"org.example.Missing", "/usr/share/applications/org.example.Missing.desktop",
                          (folder.path() / "gone.png").string(), "Missing"});
    for (const char* id : {"org.example.NotInstalled", "org.example.Iconless", "org.example.Missing"}) {
        SCOPED_TRACE(id);
        AppIconView first(applications, std::string(id), 20);
        AppIconView second(applications, std::string(id), 14);
        second.setBundleID(std::string(id));
        EXPECT_FALSE(first.showsIcon());
        EXPECT_FALSE(second.showsIcon());
        EXPECT_EQ(applications.lookups(id), 1);
    }
}

TEST_F(AppIconViewTest, Pictures) {
    applications.install({"org.example.Viewer", "/usr/share/applications/org.example.Viewer.desktop",
                          iconFile("viewer.png", QColor(70, 120, 200)), "Viewer"});
    EXPECT_TRUE(testsupport::savePictures("app-icons", [this] {
        auto window = std::make_unique<QWidget>();
        auto* layout = new QHBoxLayout(window.get());
        for (int side : {12, 20, 28, 44}) {
            layout->addWidget(new AppIconView(applications, std::nullopt, side));
            layout->addWidget(new AppIconView(applications, std::string("org.mozilla.firefox"), side));
            layout->addWidget(new AppIconView(applications, std::string("org.gnome.Nautilus"), side));
            layout->addWidget(new AppIconView(applications, std::string("org.example.Viewer"), side));
        }
        return window;
    }));
}
