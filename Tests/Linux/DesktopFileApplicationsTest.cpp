#include "Platform/Linux/DesktopFileApplications.h"
#include "Support/TemporaryDirectory.h"

#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

using namespace vesperline::platform;

namespace {

class DesktopFileApplicationsTest : public ::testing::Test {
  protected:
    testsupport::TemporaryDirectory folder;
    std::filesystem::path home = folder.path() / "home";
    std::filesystem::path system = folder.path() / "system";

    void write(const std::filesystem::path& dataFolder, const std::string& relativePath,
               const std::string& text) {
        const auto file = dataFolder / "applications" / relativePath;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file) << text;
    }

    void SetUp() override {
        write(home, "org.example.Editor.desktop", "[Desktop Entry]\nType=Application\nIcon=editor-home\n");
        write(system, "org.example.Editor.desktop",
              "[Desktop Entry]\nType=Application\nIcon=editor-system\n");
        write(system, "kde/konsolish.desktop",
              "[Desktop Entry]\nType=Application\nIcon=utilities-terminal\n");
        write(system, "viewer.desktop",
              "# an image viewer\n[Desktop Entry]\nName=Viewer\nType = "
              "Application\nStartupWMClass=ImageViewer\n"
              "Icon[de]=betrachter\nIcon = /opt/my\\sviewer/icon.png\n\n[Desktop Action new]\nIcon=other\n");
        write(system, "Browserish.desktop", "[Desktop Entry]\nType=Application\nIcon=browserish\n");
        write(home, "hiddenapp.desktop", "[Desktop Entry]\nType=Application\nHidden=true\n");
        write(system, "hiddenapp.desktop", "[Desktop Entry]\nType=Application\nIcon=hidden\n");
        write(system, "website.desktop", "[Desktop Entry]\nType=Link\nURL=https://example.org\nIcon=web\n");
        write(system, "noicon.desktop", "[Desktop Entry]\nType=Application\nIcon=\n");
        write(system, "notes.txt", "[Desktop Entry]\nType=Application\n");
        write(system, "grouped.desktop",
              "[Other Group]\nIcon=wrong\n[Desktop Entry]\nType=Application\nIcon=right\n");
    }
};

} // namespace

TEST_F(DesktopFileApplicationsTest, FindsApplicationsByTheIDsTheyAreKnownBy) {
    DesktopFileApplications applications({home, folder.path() / "absent", system});
    struct Case {
        const char* lookup;
        std::optional<std::string> id; // none: not installed
        std::optional<std::string> icon;
    };
    const Case cases[] = {
        {"org.example.Editor", "org.example.Editor", "editor-home"},
        {"kde-konsolish", "kde-konsolish", "utilities-terminal"},
        {"viewer", "viewer", "/opt/my viewer/icon.png"},
        {"ImageViewer", "viewer", "/opt/my viewer/icon.png"},
        {"imageviewer", "viewer", "/opt/my viewer/icon.png"},
        {"browserish", "Browserish", "browserish"},
        {"grouped", "grouped", "right"},
        {"noicon", "noicon", std::nullopt},
        {"hiddenapp", std::nullopt, std::nullopt},
        {"website", std::nullopt, std::nullopt},
        {"notes", std::nullopt, std::nullopt},
        {"org.example.Unknown", std::nullopt, std::nullopt},
        {"", std::nullopt, std::nullopt},
    };
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.lookup);
        const auto application = applications.application(testCase.lookup);
        ASSERT_EQ(application.has_value(), testCase.id.has_value());
        if (application) {
            EXPECT_EQ(application->id, *testCase.id);
            EXPECT_EQ(application->icon, testCase.icon);
            EXPECT_TRUE(std::filesystem::exists(application->desktopFile));
        }
    }
    EXPECT_EQ(applications.application("viewer")->name, "Viewer");
    EXPECT_EQ(applications.application("noicon")->name, std::nullopt);
    EXPECT_EQ(applications.application("org.example.Editor")->desktopFile,
              home / "applications" / "org.example.Editor.desktop");
}

TEST_F(DesktopFileApplicationsTest, NamesApplicationsInTheUsersLanguage) {
    write(system, "plain.desktop", "[Desktop Entry]\nType=Application\nName=Atlas\n");
    write(system, "localised.desktop",
          "[Desktop Entry]\nType=Application\nName[de]=Atlas Karten\nName=Atlas Maps\nName[de_AT]=Atlas "
          "Landkarten\nName[fr]=Atlas Cartes\nName[sr@latin]=Atlas Mape\nName[nl]=\n"
          "[Desktop Action new]\nName[de]=Neue Karte\n");
    write(system, "unnamed.desktop", "[Desktop Entry]\nType=Application\nName[de]=Nur Deutsch\n");
    const struct {
        const char* locale;
        const char* id;
        std::optional<std::string> name;
    } cases[] = {
        {"de_DE.UTF-8", "plain", "Atlas"},
        {"de_DE.UTF-8", "localised", "Atlas Karten"},
        {"de_AT.UTF-8", "localised", "Atlas Landkarten"},
        {"de", "localised", "Atlas Karten"},
        {"sr_RS.UTF-8@latin", "localised", "Atlas Mape"},
        {"it_IT.UTF-8", "localised", "Atlas Maps"},
        {"", "localised", "Atlas Maps"},
        {"nl_NL.UTF-8", "localised", "Atlas Maps"}, // an empty translation is none
        {"en_US.UTF-8", "unnamed", std::nullopt},
        {"de_DE.UTF-8", "unnamed", "Nur Deutsch"},
    };
    for (const auto& c : cases) {
        DesktopFileApplications applications({system}, c.locale);
        const auto application = applications.application(c.id);
        ASSERT_TRUE(application) << c.id;
        EXPECT_EQ(application->name, c.name) << c.id << " in " << c.locale;
    }
}

TEST_F(DesktopFileApplicationsTest, ListsWhatMenusShowByName) {
    write(system, "settings-helper.desktop",
          "[Desktop Entry]\nType=Application\nName=Helper\nNoDisplay=true\n");
    write(system, "atlas.desktop", "[Desktop Entry]\nType=Application\nName=atlas\n");
    DesktopFileApplications applications({home, system});
    std::vector<std::string> ids;
    for (const InstalledApplication& application : applications.listedApplications()) {
        ids.push_back(application.id);
    }
    // Unnamed applications go by their id; letter case does not decide the order.
    EXPECT_EQ(ids, (std::vector<std::string>{"atlas", "Browserish", "grouped", "kde-konsolish", "noicon",
                                             "org.example.Editor", "viewer"}));
    ASSERT_TRUE(applications.application("settings-helper")) << "still installed, only not listed";
}

TEST_F(DesktopFileApplicationsTest, StandardFoldersComeFromTheEnvironment) {
    struct Saved {
        const char* name;
        std::optional<std::string> value;
    };
    std::vector<Saved> saved;
    for (const char* name : {"HOME", "XDG_DATA_HOME", "XDG_DATA_DIRS"}) {
        const char* value = std::getenv(name);
        saved.push_back({name, value ? std::optional<std::string>(value) : std::nullopt});
    }

    ::setenv("HOME", "/home/someone", 1);
    ::unsetenv("XDG_DATA_HOME");
    ::unsetenv("XDG_DATA_DIRS");
    EXPECT_EQ(
        DesktopFileApplications::standardDataFolders(),
        (std::vector<std::filesystem::path>{"/home/someone/.local/share", "/usr/local/share", "/usr/share"}));

    ::setenv("XDG_DATA_HOME", "/data/home", 1);
    ::setenv("XDG_DATA_DIRS", "/opt/share:relative/share::/var/lib/flatpak/exports/share", 1);
    EXPECT_EQ(
        DesktopFileApplications::standardDataFolders(),
        (std::vector<std::filesystem::path>{"/data/home", "/opt/share", "/var/lib/flatpak/exports/share"}));

    for (const Saved& variable : saved) {
        if (variable.value) {
            ::setenv(variable.name, variable.value->c_str(), 1);
        } else {
            ::unsetenv(variable.name);
        }
    }
}

TEST_F(DesktopFileApplicationsTest, FollowsApplicationsInstalledAndRemovedWhileItRuns) {
    // The second data folder and everything up to it are made only later.
    const std::filesystem::path late = folder.path() / "late" / "share";
    DesktopFileApplications applications({home, late});
    QObject watcher;
    int changes = 0;
    applications.watch(&watcher, [&changes] { ++changes; });
    const auto changedTo = [&changes](int count) {
        return QTest::qWaitFor([&] { return changes >= count; }, 5000) && changes == count;
    };
    ASSERT_TRUE(applications.application("org.example.Editor"));
    QCoreApplication::processEvents(); // the watch starts where the object lives
    EXPECT_EQ(applications.watchedFolders(),
              (std::vector<std::filesystem::path>{folder.path(), home / "applications"}));

    write(home, "org.example.Chat.desktop", "[Desktop Entry]\nType=Application\nName=Chat\n");
    ASSERT_TRUE(changedTo(1));
    EXPECT_EQ(applications.application("org.example.Chat")->name, "Chat");

    // Files in the folder that change no application tell nobody.
    write(home, "mimeinfo.cache", "[MIME Cache]\n");
    QTest::qWait(2 * DesktopFileApplications::settleMilliseconds);
    EXPECT_EQ(changes, 1);

    // An applications folder made after the start, with the folders above it.
    write(late, "org.example.Notes.desktop", "[Desktop Entry]\nType=Application\nName=Notes\n");
    ASSERT_TRUE(changedTo(2));
    EXPECT_EQ(applications.application("org.example.Notes")->name, "Notes");
    EXPECT_EQ(applications.watchedFolders(),
              (std::vector<std::filesystem::path>{home / "applications", late / "applications"}));
    std::vector<std::string> listed;
    for (const InstalledApplication& application : applications.listedApplications()) {
        listed.push_back(application.id);
    }
    // By name; the editor has none and goes by its id.
    EXPECT_EQ(listed,
              (std::vector<std::string>{"org.example.Chat", "org.example.Notes", "org.example.Editor"}));

    // Removed, and a whole applications folder removed: gone from the lookups, and waited for again.
    std::filesystem::remove(home / "applications" / "org.example.Chat.desktop");
    ASSERT_TRUE(changedTo(3));
    EXPECT_FALSE(applications.application("org.example.Chat"));
    std::filesystem::remove_all(late / "applications");
    ASSERT_TRUE(changedTo(4));
    EXPECT_FALSE(applications.application("org.example.Notes"));
    EXPECT_EQ(applications.watchedFolders(),
              (std::vector<std::filesystem::path>{home / "applications", late}));
}
