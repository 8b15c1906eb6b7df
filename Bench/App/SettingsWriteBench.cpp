// What one settings assignment costs on disk: every assignment rewrites the whole settings file
// atomically (temporary file, flush to disk, rename). Measured with every key stored, as after the
// settings window has been used for a while, and for reading the file back at launch.
#include "Model/AppSettings.h"
#include "Platform/Linux/FileSettingsStore.h"
#include "Support/TemporaryFolder.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>

namespace {

QString settingsFile(const benchsupport::TemporaryFolder& folder) {
    return QString::fromStdString((folder.path() / "settings.json").string());
}

// Every key holds a value, the lists and rules a realistic handful.
void fillEverything(vesperline::AppSettings& settings) {
    std::vector<ostrel::ProjectRule> rules;
    for (int i = 0; i < 8; ++i) {
        rules.push_back({*ostrel::UUID::parse("6f1c2a8e-0b7d-4c3a-9e51-2d4f6a8b0c1" + std::to_string(i)),
                         "Project " + std::to_string(i),
                         {"keyword", "another keyword", "third"}});
    }
    settings.setProjectRules(rules);
    settings.setExcludedSites({"bank.example", "mail.example", "health.example", "tax.example"});
    settings.setExcludedApps(settings.excludedApps());
    settings.setCaptureMode(ostrel::CaptureMode::quality);
    settings.setCaptureAllDisplays(true);
    settings.setTextOnlyMode(false);
    settings.setOcrOnBattery(true);
    settings.setImageQuality(vesperline::ImageQuality::sharp);
    settings.setSkipPrivateWindows(true);
    settings.setFullImageDays(14);
    settings.setKeyframeDays(90);
    settings.setTextDays(365);
    settings.setDiskCapGB(20);
    settings.setExcludeFromBackup(true);
    settings.setHotKey({});
    settings.setHotKeyEnabled(true);
    settings.setAppLockEnabled(false);
    settings.setMcpEnabled(true);
    settings.setDailySummaryEnabled(true);
    settings.setOnboardingCompleted(true);
    settings.setPausedUntil(1.7e9);
}

void BM_AssignOneSetting(benchmark::State& state) {
    const benchsupport::TemporaryFolder folder;
    vesperline::AppSettings settings(
        std::make_shared<vesperline::platform::FileSettingsStore>(settingsFile(folder)));
    fillEverything(settings);
    std::int64_t days = 1;
    for (auto _ : state) {
        settings.setFullImageDays(days++ % 30 + 1);
    }
    state.counters["file bytes"] = double(std::filesystem::file_size(folder.path() / "settings.json"));
}
BENCHMARK(BM_AssignOneSetting)->Unit(benchmark::kMicrosecond);

void BM_ReadAllAtLaunch(benchmark::State& state) {
    const benchsupport::TemporaryFolder folder;
    {
        vesperline::AppSettings settings(
            std::make_shared<vesperline::platform::FileSettingsStore>(settingsFile(folder)));
        fillEverything(settings);
    }
    for (auto _ : state) {
        vesperline::AppSettings settings(
            std::make_shared<vesperline::platform::FileSettingsStore>(settingsFile(folder)));
        benchmark::DoNotOptimize(settings.projectRules().size());
    }
}
BENCHMARK(BM_ReadAllAtLaunch)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
