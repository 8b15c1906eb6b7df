// Settings reaching the running services through the app model.
#include "AppModelFixture.h"

#include "Store/BackupExclusion.h"
#include "Support/LogCapture.h"

#include <QSignalSpy>

#include <filesystem>
#include <fstream>

namespace vesperline::testing {
namespace {

namespace fs = std::filesystem;

class AppModelSettingsTest : public AppModelFixture {
  protected:
    // Plants a value in the `meta` row behind the model's back: only a write of the model changes it.
    void plantMeta(const char* value) {
        model->hub().sync(
            [&](ostrel::MemoryStore& store) { store.setMetaValue("mcp_enabled", std::string(value)); });
    }
    // Makes every write of the `meta` row fail until `allowMetaWrites`.
    void refuseMetaWrites() {
        model->hub().sync([](ostrel::MemoryStore& store) {
            store.db().execute("CREATE TRIGGER refuse_meta BEFORE INSERT ON meta "
                               "BEGIN SELECT RAISE(ABORT, 'refused for the test'); END");
        });
    }
    void allowMetaWrites() {
        model->hub().sync([](ostrel::MemoryStore& store) { store.db().execute("DROP TRIGGER refuse_meta"); });
    }
};

TEST_F(AppModelSettingsTest, OneChangeReachesEachServiceOnceAndLeavesTheHotKeyAndAssistantsRowAlone) {
    completeOnboarding();
    launch();
    ASSERT_TRUE(eventually([&] { return capture.runningStreams().size() == 1; }));
    EXPECT_EQ(shortcut.grabs, 1);
    EXPECT_EQ(meta("mcp_enabled"), "0") << "the first application writes the row";
    plantMeta("planted");

    model->settings().setExcludedApps({"org.example.chat", "org.example.chat", "org.example.vault"});
    EXPECT_EQ(model->tracker().excludedApps,
              (std::set<std::string>{"org.example.chat", "org.example.vault"}));
    const std::vector<ostrel::ProjectRule> rules{
        {*ostrel::UUID::parse("8C6D3B8A-5F0B-4C35-9D6E-2B7F3C9A1E40"), "Harbour", {"harbour"}}};
    model->settings().setProjectRules(rules);
    EXPECT_EQ(model->tracker().rules, rules);
    ASSERT_TRUE(eventually([&] {
        return capture.runningStreams().at(0)->filter.excludedApplications.count("org.example.chat") == 1;
    })) << "the recorder has the new configuration";
    model->settings().setTextOnlyMode(true);
    EXPECT_TRUE(eventually([&] { return model->status() == RecorderStatus::recording(true); }));

    EXPECT_EQ(shortcut.grabs, 1);
    EXPECT_EQ(shortcut.releases, 0);
    EXPECT_EQ(meta("mcp_enabled"), "planted");
}

TEST_F(AppModelSettingsTest, TheHotKeyIsRegisteredOnlyWhenItOrItsSwitchChanged) {
    launch();
    QSignalSpy conflicts(model.get(), &AppModel::hotKeyConflictChanged);
    const HotKeyCombo taken{0, HotKeyCombo::control | HotKeyCombo::option};
    shortcut.taken.push_back({0, HotKeyManager::shortcutModifiers(taken.carbonModifiers)});
    model->settings().setHotKey(taken);
    EXPECT_EQ(shortcut.grabs, 2);
    EXPECT_TRUE(model->hotKeyConflict());
    model->settings().setHotKey(taken);
    EXPECT_EQ(shortcut.grabs, 2) << "the same shortcut again is not registered again";
    model->settings().setHotKeyEnabled(false);
    EXPECT_FALSE(model->hotKeyConflict()) << "a switched-off shortcut conflicts with nothing";
    EXPECT_FALSE(shortcut.held.has_value());
    model->settings().setHotKey(HotKeyCombo{});
    EXPECT_EQ(shortcut.grabs, 2) << "a shortcut switched off is not registered";
    model->settings().setHotKeyEnabled(true);
    EXPECT_EQ(shortcut.grabs, 3);
    EXPECT_TRUE(shortcut.held.has_value());
    EXPECT_EQ(conflicts.count(), 2);
}

TEST_F(AppModelSettingsTest, TheAssistantsSwitchIsWrittenWhenItChangesInOrder) {
    launch();
    model->settings().setMcpEnabled(true);
    EXPECT_EQ(meta("mcp_enabled"), "1");
    model->settings().setMcpEnabled(false);
    model->settings().setMcpEnabled(true);
    model->settings().setMcpEnabled(false);
    EXPECT_EQ(meta("mcp_enabled"), "0") << "the last of quick changes wins";

    // A new run writes the row even when it already holds the setting.
    plantMeta("0");
    restart();
    plantMeta("stale");
    model->settings().setCaptureAllDisplays(false);
    EXPECT_EQ(meta("mcp_enabled"), "stale") << "written once per run, not per application";
}

TEST_F(AppModelSettingsTest, AFailedWriteOfTheAssistantsSwitchIsTriedAgainOnTheNextApplication) {
    launch();
    model->settings().setMcpEnabled(true);
    ASSERT_EQ(meta("mcp_enabled"), "1");
    testsupport::LogCapture log;
    refuseMetaWrites();
    model->settings().setMcpEnabled(false);
    ASSERT_TRUE(eventually([&] { return log.count("Assistants switch write failed") == 1; }));
    EXPECT_EQ(meta("mcp_enabled"), "1") << "the write did not happen";
    allowMetaWrites();
    model->settings().setOcrOnBattery(true);
    EXPECT_EQ(meta("mcp_enabled"), "0") << "assistants are not left allowed";
}

TEST_F(AppModelSettingsTest, TheDataFolderIsKeptOutOfBackupsAsTheSettingSays) {
    launch();
    const fs::path folder = model->hub().dataDirectory();
    EXPECT_TRUE(BackupExclusion::isExcluded(folder));
    model->settings().setExcludeFromBackup(false);
    EXPECT_FALSE(fs::exists(folder / BackupExclusion::tagFileName));
    model->settings().setExcludeFromBackup(true);
    EXPECT_TRUE(BackupExclusion::isExcluded(folder));
}

TEST_F(AppModelSettingsTest, AFolderThatRefusesTheTagLeavesEveryOtherStepDone) {
    fs::create_directories(dataFolder.path() / BackupExclusion::tagFileName);
    launch();
    EXPECT_FALSE(BackupExclusion::isExcluded(model->hub().dataDirectory()));
    model->settings().setMcpEnabled(true);
    EXPECT_EQ(meta("mcp_enabled"), "1");
    model->settings().setExcludedApps({"org.example.chat"});
    EXPECT_EQ(model->tracker().excludedApps, (std::set<std::string>{"org.example.chat"}));
    // Once the folder takes it, the next application puts the tag in place.
    fs::remove(dataFolder.path() / BackupExclusion::tagFileName);
    model->settings().setOcrOnBattery(true);
    EXPECT_TRUE(BackupExclusion::isExcluded(model->hub().dataDirectory()));
}

TEST(BackupExclusionTest, TheTagBeginsWithTheSignatureAndALeftoverTagIsKept) {
    testsupport::TemporaryDirectory folder;
    ASSERT_TRUE(BackupExclusion::apply(folder.path(), true));
    std::ifstream tag(folder.path() / BackupExclusion::tagFileName);
    std::string first;
    std::getline(tag, first);
    EXPECT_EQ(first, BackupExclusion::signature);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1)
        << "no partial file stays behind";
    // A tag someone else wrote, with words of its own after the signature, stays as it is.
    std::ofstream(folder.path() / BackupExclusion::tagFileName) << BackupExclusion::signature << "\n# ours\n";
    ASSERT_TRUE(BackupExclusion::apply(folder.path(), true));
    std::ifstream kept(folder.path() / BackupExclusion::tagFileName);
    std::string content((std::istreambuf_iterator<char>(kept)), std::istreambuf_iterator<char>());
    EXPECT_EQ(content, std::string(BackupExclusion::signature) + "\n# ours\n");
    // Something else by that name is no tag and is not taken for one.
    fs::remove(folder.path() / BackupExclusion::tagFileName);
    std::ofstream(folder.path() / BackupExclusion::tagFileName) << "Signature: something else\n";
    EXPECT_FALSE(BackupExclusion::isExcluded(folder.path()));
    EXPECT_TRUE(BackupExclusion::apply(folder.path(), true));
    EXPECT_TRUE(BackupExclusion::isExcluded(folder.path()));
    EXPECT_TRUE(BackupExclusion::apply(folder.path(), false));
    EXPECT_TRUE(BackupExclusion::apply(folder.path(), false)) << "no tag to remove is no failure";
}

} // namespace
} // namespace vesperline::testing
