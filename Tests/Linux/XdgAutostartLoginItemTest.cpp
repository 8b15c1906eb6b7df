#include "Platform/Linux/XdgAutostartLoginItem.h"

#include "Model/AppSettings.h"
#include "Model/HotKeyManager.h"
#include "Model/LaunchAtLogin.h"
#include "Platform/Fake/FakeFileViewer.h"
#include "Platform/Fake/FakeGlobalShortcut.h"
#include "Platform/Fake/FakeInstalledApplications.h"
#include "Platform/Fake/FakeWorkspace.h"
#include "Platform/Fake/MemorySettingsStore.h"
#include "Platform/Linux/DesktopEntry.h"
#include "Support/LogCapture.h"
#include "Support/TemporaryDirectory.h"
#include "UI/Settings/GeneralPane.h"
#include "UI/Settings/SettingsContext.h"
#include "UI/Shared/ToggleSwitch.h"

#include <QTest>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace vesperline::platform {
namespace {

std::string contents(const std::filesystem::path& file) {
    std::ifstream stream(file);
    std::stringstream text;
    text << stream.rdbuf();
    return text.str();
}

// The words a desktop splits an Exec value into, after the file's own escapes are undone.
std::vector<std::string> execWords(const std::string& storedValue) {
    const std::string line = DesktopEntry::unescapedValue(storedValue);
    std::vector<std::string> words;
    std::string word;
    bool quoted = false;
    bool inWord = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted && c == '\\' && i + 1 < line.size()) {
            word += line[++i];
        } else if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (c == ' ' && !quoted) {
            if (inWord) {
                words.push_back(word);
            }
            word.clear();
            inWord = false;
        } else if (c == '%' && i + 1 < line.size() && line[i + 1] == '%') {
            word += line[++i];
            inWord = true;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) {
        words.push_back(word);
    }
    return words;
}

std::string execValue(const std::string& entry) {
    const std::size_t start = entry.find("\nExec=");
    return entry.substr(start + 6, entry.find('\n', start + 1) - start - 6);
}

class XdgAutostartLoginItemTest : public ::testing::Test {
  protected:
    XdgAutostartLoginItem item(const QString& program = "/usr/bin/vesperline") const {
        return XdgAutostartLoginItem({home, {system}}, "org.vesperline.Vesperline", "Vesperline", program,
                                     {"--login-item"});
    }

    testsupport::TemporaryDirectory folder;
    std::filesystem::path home = folder.path() / "config/autostart";
    std::filesystem::path system = folder.path() / "xdg/autostart";
    std::filesystem::path entry = home / "org.vesperline.Vesperline.desktop";
};

TEST_F(XdgAutostartLoginItemTest, TheEntryAppearsAndGoesWithTheSwitch) {
    XdgAutostartLoginItem login = item();
    EXPECT_FALSE(login.isEnabled());
    login.setEnabled(true);
    EXPECT_TRUE(login.isEnabled());
    EXPECT_EQ(contents(entry),
              "[Desktop Entry]\nType=Application\nName=Vesperline\nExec=/usr/bin/vesperline "
              "--login-item\nIcon=org.vesperline.Vesperline\nX-GNOME-Autostart-enabled=true\n");
    login.setEnabled(false);
    EXPECT_FALSE(std::filesystem::exists(entry));
    EXPECT_FALSE(login.isEnabled());
    login.setEnabled(false); // nothing left to remove
    EXPECT_FALSE(login.isEnabled());
}

TEST_F(XdgAutostartLoginItemTest, TheProgramIsOneArgumentWhateverItsPathHolds) {
    for (const char* path : {"/opt/My Apps/vesperline", "/home/a\"b/$HOME/`id`/100%/back\\slash/vesperline",
                             "/tmp/line\nbreak/vesperline", "/usr/bin/vesperline"}) {
        SCOPED_TRACE(path);
        item(QString::fromUtf8(path)).setEnabled(true);
        const std::string value = execValue(contents(entry));
        EXPECT_EQ(value.find('\n'), std::string::npos);
        EXPECT_EQ(execWords(value), (std::vector<std::string>{path, "--login-item"}));
    }
    // An ordinary path is written as it is.
    EXPECT_EQ(execValue(contents(entry)), "/usr/bin/vesperline --login-item");
}

TEST_F(XdgAutostartLoginItemTest, ASystemEntryIsHiddenForThisUserRatherThanDeleted) {
    std::filesystem::create_directories(system);
    const auto systemEntry = system / "org.vesperline.Vesperline.desktop";
    std::ofstream(systemEntry) << "[Desktop Entry]\nType=Application\nExec=vesperline\n";
    XdgAutostartLoginItem login = item();
    EXPECT_TRUE(login.isEnabled());
    login.setEnabled(false);
    EXPECT_FALSE(login.isEnabled());
    EXPECT_TRUE(std::filesystem::exists(systemEntry));
    EXPECT_NE(contents(entry).find("Hidden=true"), std::string::npos);
    login.setEnabled(true);
    EXPECT_TRUE(login.isEnabled());
    // An entry the desktop's own list switched off counts as off.
    std::ofstream(entry)
        << "[Desktop Entry]\nType=Application\nExec=vesperline\nX-GNOME-Autostart-enabled=false\n";
    EXPECT_FALSE(login.isEnabled());
}

TEST_F(XdgAutostartLoginItemTest, AFolderThatCannotBeWrittenIsReportedAndLogged) {
    std::filesystem::create_directories(home.parent_path());
    std::ofstream(home) << "a file where the folder should be";
    XdgAutostartLoginItem login = item();
    EXPECT_THROW(login.setEnabled(true), LoginItemError);
    EXPECT_FALSE(login.isEnabled());
    testsupport::LogCapture log;
    setLaunchAtLogin(login, true);
    EXPECT_EQ(log.count("Login item change failed: Could not create"), 1)
        << log.lines().join("\n").toStdString();
}

TEST_F(XdgAutostartLoginItemTest, TheSettingsSwitchMakesTheEntryAppearAndGo) {
    XdgAutostartLoginItem login = item();
    AppSettings settings(std::make_shared<MemorySettingsStore>());
    FakeGlobalShortcut keyboard;
    HotKeyManager hotKeys(keyboard);
    FakeFileViewer fileViewer;
    FakeInstalledApplications installed;
    FakeWorkspace workspace;
    SettingsContext context({settings, hotKeys, login, fileViewer, installed, workspace, folder.path()}, {});
    const auto pane = [&] {
        auto made = std::make_unique<GeneralPane>(context);
        made->resize(540, 480);
        made->show();
        return made;
    };
    const auto flip = [](const GeneralPane& shown) {
        auto* toggle = shown.findChild<ToggleSwitch*>("launchAtLogin");
        QTest::mouseClick(toggle, Qt::LeftButton, {}, toggle->rect().center());
        return toggle->isChecked();
    };

    auto shown = pane();
    EXPECT_FALSE(std::filesystem::exists(entry)) << "showing the pane changes nothing";
    EXPECT_TRUE(flip(*shown));
    EXPECT_TRUE(std::filesystem::exists(entry));
    EXPECT_TRUE(pane()->findChild<ToggleSwitch*>("launchAtLogin")->isChecked()) << "a new pane reads it";
    EXPECT_FALSE(flip(*shown));
    EXPECT_FALSE(std::filesystem::exists(entry));
}

} // namespace
} // namespace vesperline::platform
