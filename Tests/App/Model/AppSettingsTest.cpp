#include "Model/AppSettings.h"

#include "Platform/Fake/MemorySettingsStore.h"
#include "Rules/PrivacyRules.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <functional>
#include <limits>

namespace vesperline {
namespace {

using platform::MemorySettingsStore;

ostrel::ProjectRule rule(const char* id, std::string name, std::vector<std::string> keywords) {
    return ostrel::ProjectRule{*ostrel::UUID::parse(id), std::move(name), std::move(keywords)};
}

QVariant data(const char* json) {
    return QByteArray(json);
}

// The store holds this one key with exactly this type and value (QVariant's own == takes 30 and
// 30.0, or 1 and true, as equal).
testing::AssertionResult holdsOnly(const MemorySettingsStore& store, const char* key,
                                   const QVariant& expected) {
    if (store.values.size() != 1 || !store.values.contains(key)) {
        return testing::AssertionFailure() << "keys: " << store.values.keys().join(", ").toStdString();
    }
    const QVariant& actual = store.values.value(key);
    if (actual.typeId() != expected.typeId() || actual != expected) {
        return testing::AssertionFailure() << actual.typeName() << " " << actual.toString().toStdString();
    }
    return testing::AssertionSuccess();
}

class AppSettingsTest : public testing::Test {
  protected:
    std::shared_ptr<MemorySettingsStore> store = std::make_shared<MemorySettingsStore>();
};

TEST_F(AppSettingsTest, FreshStoreGivesEveryDefaultAndWritesNothing) {
    const AppSettings settings(store);
    EXPECT_EQ(settings.captureMode(), ostrel::CaptureMode::balanced);
    EXPECT_FALSE(settings.captureAllDisplays());
    EXPECT_FALSE(settings.textOnlyMode());
    EXPECT_FALSE(settings.ocrOnBattery());
    EXPECT_EQ(settings.imageQuality(), ImageQuality::balanced);
    EXPECT_EQ(settings.excludedApps(), ostrel::PrivacyRules::passwordManagers());
    EXPECT_TRUE(settings.excludedSites().empty());
    EXPECT_TRUE(settings.skipPrivateWindows());
    EXPECT_EQ(settings.fullImageDays(), 7);
    EXPECT_EQ(settings.keyframeDays(), 60);
    EXPECT_EQ(settings.textDays(), 0);
    EXPECT_EQ(settings.diskCapGB(), 10);
    EXPECT_TRUE(settings.excludeFromBackup());
    EXPECT_EQ(settings.hotKey(), (HotKeyCombo{.keyCode = 49, .carbonModifiers = 768}));
    EXPECT_TRUE(settings.hotKeyEnabled());
    EXPECT_FALSE(settings.appLockEnabled());
    EXPECT_FALSE(settings.mcpEnabled());
    EXPECT_TRUE(settings.dailySummaryEnabled());
    EXPECT_TRUE(settings.projectRules().empty());
    EXPECT_FALSE(settings.onboardingCompleted());
    EXPECT_FALSE(settings.pausedUntil());
    EXPECT_TRUE(store->values.isEmpty());
}

// One stored value per row, read by a fresh instance; the stored value is left as it was.
struct ReadCase {
    const char* name;
    const char* key;
    QVariant stored;
    std::function<bool(const AppSettings&)> reads;
};

TEST_F(AppSettingsTest, StoredValuesReadByTheirRules) {
    const std::vector<ReadCase> cases{
        // Values of the expected type are used.
        {"mode", "captureMode", QString("quality"),
         [](auto& s) { return s.captureMode() == ostrel::CaptureMode::quality; }},
        {"quality", "imageQuality", QString("sharp"),
         [](auto& s) { return s.imageQuality() == ImageQuality::sharp; }},
        {"days", "fullImageDays", qlonglong(30), [](auto& s) { return s.fullImageDays() == 30; }},
        {"days as int", "keyframeDays", 90, [](auto& s) { return s.keyframeDays() == 90; }},
        {"false kept", "skipPrivateWindows", false, [](auto& s) { return !s.skipPrivateWindows(); }},
        {"true kept", "mcpEnabled", true, [](auto& s) { return s.mcpEnabled(); }},
        {"empty list", "excludedApps", QVariantList{}, [](auto& s) { return s.excludedApps().empty(); }},
        {"sites", "excludedSites", QVariantList{QString("bank.example"), QString("mail.example")},
         [](auto& s) {
             return s.excludedSites() == std::vector<std::string>{"bank.example", "mail.example"};
         }},
        {"sites as a string list", "excludedSites", QStringList{"bank.example"},
         [](auto& s) { return s.excludedSites() == std::vector<std::string>{"bank.example"}; }},
        {"hot key", "hotKey", data(R"({"keyCode":0,"carbonModifiers":4352})"),
         [](auto& s) { return s.hotKey() == HotKeyCombo{.keyCode = 0, .carbonModifiers = 4352}; }},
        {"rule id in lower case", "projectRules",
         data(R"([{"id":"6f1c2a8e-0b7d-4c3a-9e51-2d4f6a8b0c1e","name":"Work","keywords":["vesper"]}])"),
         [](auto& s) {
             return s.projectRules() ==
                    std::vector{rule("6F1C2A8E-0B7D-4C3A-9E51-2D4F6A8B0C1E", "Work", {"vesper"})};
         }},
        {"pause", "pausedUntil", 1.7e9 + 0.5, [](auto& s) { return s.pausedUntil() == 1.7e9 + 0.5; }},
        // Anything else reads as the default.
        {"mode in another case", "captureMode", QString("Quality"),
         [](auto& s) { return s.captureMode() == ostrel::CaptureMode::balanced; }},
        {"mode as number", "captureMode", 2,
         [](auto& s) { return s.captureMode() == ostrel::CaptureMode::balanced; }},
        {"quality as number", "imageQuality", 1,
         [](auto& s) { return s.imageQuality() == ImageQuality::balanced; }},
        {"days as text", "fullImageDays", QString("30"), [](auto& s) { return s.fullImageDays() == 7; }},
        {"days as fraction", "textDays", 3.0, [](auto& s) { return s.textDays() == 0; }},
        {"cap as Boolean", "diskCapGB", true, [](auto& s) { return s.diskCapGB() == 10; }},
        {"Boolean as number", "skipPrivateWindows", 0, [](auto& s) { return s.skipPrivateWindows(); }},
        {"Boolean as text", "appLockEnabled", QString("true"), [](auto& s) { return !s.appLockEnabled(); }},
        {"list with a number", "excludedApps", QVariantList{QString("org.example.App"), 5},
         [](auto& s) { return s.excludedApps() == ostrel::PrivacyRules::passwordManagers(); }},
        {"list as text", "excludedSites", QString("bank.example"),
         [](auto& s) { return s.excludedSites().empty(); }},
        {"hot key lacking a member", "hotKey", data(R"({"keyCode":0})"),
         [](auto& s) { return s.hotKey() == HotKeyCombo{}; }},
        {"hot key as text", "hotKey", QString(R"({"keyCode":0,"carbonModifiers":256})"),
         [](auto& s) { return s.hotKey() == HotKeyCombo{}; }},
        {"hot key not JSON", "hotKey", data("{keyCode"), [](auto& s) { return s.hotKey() == HotKeyCombo{}; }},
        {"rules not an array", "projectRules", data(R"({"id":"6f1c2a8e-0b7d-4c3a-9e51-2d4f6a8b0c1e"})"),
         [](auto& s) { return s.projectRules().empty(); }},
        {"rule id no UUID", "projectRules", data(R"([{"id":"work","name":"Work","keywords":[]}])"),
         [](auto& s) { return s.projectRules().empty(); }},
        {"pause as text", "pausedUntil", QString("1700000000"), [](auto& s) { return !s.pausedUntil(); }},
    };
    for (const ReadCase& c : cases) {
        auto planted = std::make_shared<MemorySettingsStore>();
        planted->values.insert(c.key, c.stored);
        const AppSettings settings(planted);
        EXPECT_TRUE(c.reads(settings)) << c.name;
        EXPECT_TRUE(holdsOnly(*planted, c.key, c.stored)) << c.name;
    }
}

// Every property: assigning it writes its key in its stored form; all but two call onChange.
struct WriteCase {
    const char* key;
    std::function<void(AppSettings&)> assign;
    QVariant stored;
    bool callsOnChange = true;
};

TEST_F(AppSettingsTest, EveryAssignmentWritesItsKeyAndCallsOnChangeButTwo) {
    const std::vector<WriteCase> cases{
        {"captureMode", [](auto& s) { s.setCaptureMode(ostrel::CaptureMode::saver); }, QString("saver")},
        {"captureAllDisplays", [](auto& s) { s.setCaptureAllDisplays(true); }, true},
        {"textOnlyMode", [](auto& s) { s.setTextOnlyMode(true); }, true},
        {"ocrOnBattery", [](auto& s) { s.setOcrOnBattery(true); }, true},
        {"imageQuality", [](auto& s) { s.setImageQuality(ImageQuality::compact); }, QString("compact")},
        {"excludedApps", [](auto& s) { s.setExcludedApps({"org.example.App"}); },
         QVariantList{QString("org.example.App")}},
        {"excludedSites",
         [](auto& s) {
             s.setExcludedSites({"bank.example", "é.example"});
         },
         QVariantList{QString("bank.example"), QString("é.example")}},
        {"skipPrivateWindows", [](auto& s) { s.setSkipPrivateWindows(false); }, false},
        {"fullImageDays", [](auto& s) { s.setFullImageDays(3); }, qlonglong(3)},
        {"keyframeDays", [](auto& s) { s.setKeyframeDays(30); }, qlonglong(30)},
        {"textDays", [](auto& s) { s.setTextDays(365); }, qlonglong(365)},
        {"diskCapGB", [](auto& s) { s.setDiskCapGB(50); }, qlonglong(50)},
        {"excludeFromBackup", [](auto& s) { s.setExcludeFromBackup(false); }, false},
        {"hotKey", [](auto& s) { s.setHotKey({.keyCode = 40, .carbonModifiers = 4096}); },
         data(R"({"keyCode":40,"carbonModifiers":4096})")},
        {"hotKeyEnabled", [](auto& s) { s.setHotKeyEnabled(false); }, false},
        {"appLockEnabled", [](auto& s) { s.setAppLockEnabled(true); }, true},
        {"mcpEnabled", [](auto& s) { s.setMcpEnabled(true); }, true},
        {"dailySummaryEnabled", [](auto& s) { s.setDailySummaryEnabled(false); }, false},
        {"projectRules",
         [](auto& s) {
             s.setProjectRules({rule("6f1c2a8e-0b7d-4c3a-9e51-2d4f6a8b0c1e", "Work", {"vesper", "line"})});
         },
         data(
             R"([{"id":"6F1C2A8E-0B7D-4C3A-9E51-2D4F6A8B0C1E","name":"Work","keywords":["vesper","line"]}])")},
        {"onboardingCompleted", [](auto& s) { s.setOnboardingCompleted(true); }, true, false},
        {"pausedUntil", [](auto& s) { s.setPausedUntil(1.7e9 + 0.25); }, 1.7e9 + 0.25, false},
    };
    ASSERT_EQ(cases.size(), 21u);
    for (const WriteCase& c : cases) {
        auto written = std::make_shared<MemorySettingsStore>();
        AppSettings settings(written);
        int changes = 0;
        settings.onChange = [&] { ++changes; };
        c.assign(settings);
        EXPECT_TRUE(holdsOnly(*written, c.key, c.stored)) << c.key;
        EXPECT_EQ(changes, c.callsOnChange ? 1 : 0) << c.key;
    }
}

TEST_F(AppSettingsTest, EqualValueIsWrittenAndAppliedWithoutNotifying) {
    AppSettings settings(store);
    int changes = 0;
    settings.onChange = [&] { ++changes; };
    QSignalSpy modeChanged(&settings, &AppSettings::captureModeChanged);
    QSignalSpy appsChanged(&settings, &AppSettings::excludedAppsChanged);

    settings.setCaptureMode(ostrel::CaptureMode::balanced);
    EXPECT_TRUE(holdsOnly(*store, "captureMode", QString("balanced")));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(modeChanged.count(), 0);

    settings.setCaptureMode(ostrel::CaptureMode::quality);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(modeChanged.count(), 1);

    settings.setExcludedApps(ostrel::PrivacyRules::passwordManagers());
    EXPECT_EQ(appsChanged.count(), 0);
    auto reordered = ostrel::PrivacyRules::passwordManagers();
    std::swap(reordered.front(), reordered.back());
    settings.setExcludedApps(reordered);
    EXPECT_EQ(appsChanged.count(), 1);
    EXPECT_EQ(changes, 4);
}

TEST_F(AppSettingsTest, PauseIsRemovedWithoutApplyingAndSurvivesReopen) {
    AppSettings settings(store);
    int changes = 0;
    settings.onChange = [&] { ++changes; };
    QSignalSpy pauseChanged(&settings, &AppSettings::pausedUntilChanged);

    settings.setPausedUntil(1.75e9);
    EXPECT_EQ(AppSettings(store).pausedUntil(), 1.75e9);
    settings.setPausedUntil(std::nullopt);
    EXPECT_FALSE(store->values.contains("pausedUntil"));
    EXPECT_FALSE(AppSettings(store).pausedUntil());
    settings.setPausedUntil(std::nullopt);
    EXPECT_EQ(pauseChanged.count(), 2);
    EXPECT_EQ(changes, 0);
}

TEST_F(AppSettingsTest, AssignedValuesSurviveReopen) {
    {
        AppSettings settings(store);
        settings.setCaptureMode(ostrel::CaptureMode::saver);
        settings.setImageQuality(ImageQuality::sharp);
        settings.setExcludedApps({});
        settings.setExcludedSites({"bank.example"});
        settings.setFullImageDays(0);
        settings.setDiskCapGB(100);
        settings.setHotKey({.keyCode = 3, .carbonModifiers = 2048 | 256});
        settings.setProjectRules({rule("6F1C2A8E-0B7D-4C3A-9E51-2D4F6A8B0C1E", "Work", {}),
                                  rule("00000000-0000-0000-0000-000000000001", "Home", {"home", "ev"})});
        settings.setOnboardingCompleted(true);
    }
    const AppSettings reopened(store);
    EXPECT_EQ(reopened.captureMode(), ostrel::CaptureMode::saver);
    EXPECT_EQ(reopened.imageQuality(), ImageQuality::sharp);
    EXPECT_TRUE(reopened.excludedApps().empty());
    EXPECT_EQ(reopened.excludedSites(), std::vector<std::string>{"bank.example"});
    EXPECT_EQ(reopened.fullImageDays(), 0);
    EXPECT_EQ(reopened.diskCapGB(), 100);
    EXPECT_EQ(reopened.hotKey(), (HotKeyCombo{.keyCode = 3, .carbonModifiers = 2304}));
    ASSERT_EQ(reopened.projectRules().size(), 2u);
    EXPECT_EQ(reopened.projectRules()[1],
              rule("00000000-0000-0000-0000-000000000001", "Home", {"home", "ev"}));
    EXPECT_TRUE(reopened.onboardingCompleted());
}

TEST_F(AppSettingsTest, RecorderConfigFollowsTheSettings) {
    AppSettings settings(store);
    // Fresh settings give the configuration a new recorder starts with.
    EXPECT_EQ(settings.recorderConfig(), RecorderConfig{});

    const auto work = rule("6F1C2A8E-0B7D-4C3A-9E51-2D4F6A8B0C1E", "Work", {"vesper"});
    settings.setCaptureMode(ostrel::CaptureMode::quality);
    settings.setCaptureAllDisplays(true);
    settings.setTextOnlyMode(true);
    settings.setOcrOnBattery(true);
    settings.setExcludedApps({"org.example.B", "org.example.A", "org.example.B"});
    settings.setExcludedSites({"bank.example", "bank.example"});
    settings.setSkipPrivateWindows(false);
    settings.setProjectRules({work});
    settings.setImageQuality(ImageQuality::compact);
    EXPECT_EQ(settings.recorderConfig(), (RecorderConfig{.mode = ostrel::CaptureMode::quality,
                                                         .allDisplays = true,
                                                         .textOnly = true,
                                                         .ocrOnBattery = true,
                                                         .excludedApps = {"org.example.A", "org.example.B"},
                                                         .excludedSites = {"bank.example", "bank.example"},
                                                         .skipPrivateWindows = false,
                                                         .projectRules = {work},
                                                         .imageQuality = ImageQuality::compact}));
}

TEST_F(AppSettingsTest, RetentionPolicyIsHeldWhereItKeepsTheMemorySafe) {
    constexpr std::int64_t max = std::numeric_limits<std::int64_t>::max();
    constexpr std::int64_t gib = std::int64_t(1) << 30;
    constexpr std::int64_t smallest = 512 * 1024 * 1024;
    struct Case {
        std::int64_t fullImageDays, keyframeDays, textDays, gigabytes;
        ostrel::RetentionPolicy expected;
    };
    for (const Case& c : std::vector<Case>{
             {7, 60, 0, 10, {7, 60, 0, 10737418240}},
             {3, 20, 400, 2, {3, 20, 400, 2 * gib}},
             {25, 60, 0, 25, {25, 60, 0, 26843545600}},
             // Full pictures stay at least a day.
             {0, 60, 0, 10, {1, 60, 0, 10 * gib}},
             {-5, 0, 0, 10, {1, 0, 0, 10 * gib}},
             // Key frames are kept for good, or at least as long as full pictures.
             {30, 0, 0, 10, {30, 0, 0, 10 * gib}},
             {30, 10, 0, 10, {30, 30, 0, 10 * gib}},
             {30, -1, 0, 10, {30, 30, 0, 10 * gib}},
             // Text is kept for good, or at least as long as both.
             {7, 60, 10, 10, {7, 60, 60, 10 * gib}},
             {7, 0, 3, 10, {7, 0, 7, 10 * gib}},
             {0, 0, -2, 10, {1, 0, 1, 10 * gib}},
             // The disk cap is at least 512 MiB and never wraps.
             {7, 60, 0, 0, {7, 60, 0, smallest}},
             {7, 60, 0, -1, {7, 60, 0, smallest}},
             {7, 60, 0, std::numeric_limits<std::int64_t>::min(), {7, 60, 0, smallest}},
             {7, 60, 0, max / gib, {7, 60, 0, max / gib * gib}},
             {7, 60, 0, max / gib + 1, {7, 60, 0, max / gib * gib}},
             {7, 60, 0, max, {7, 60, 0, max / gib * gib}},
         }) {
        AppSettings settings(store);
        settings.setFullImageDays(c.fullImageDays);
        settings.setKeyframeDays(c.keyframeDays);
        settings.setTextDays(c.textDays);
        settings.setDiskCapGB(c.gigabytes);
        EXPECT_EQ(settings.retentionPolicy(), c.expected)
            << c.fullImageDays << " " << c.keyframeDays << " " << c.textDays << " " << c.gigabytes;
    }
}

} // namespace
} // namespace vesperline
