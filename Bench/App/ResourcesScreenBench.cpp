// What the resources screen costs on the main thread:
//   figuresChanged: the model's refresh of today's statistics (once a minute while recording) reaching
//     the shown screen, which sets every text again and repaints;
//   weekShown: the screen coming into view over a store with a year of daily statistics, until the
//     week's chart is drawn (the read itself runs on the store's read queue).
#include "Capture/ResourceMonitor.h"
#include "Model/AppSettings.h"
#include "Platform/Linux/FileSettingsStore.h"
#include "Store/StoreHub.h"
#include "Support/TemporaryFolder.h"
#include "UI/Resources/ResourcesController.h"
#include "UI/Resources/ResourcesScreen.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <cstdlib>

using namespace vesperline;

namespace {

// A laptop whose energy is estimated: the screen shows both the battery share and the estimate.
class LaptopPower final : public platform::PowerSource {
  public:
    ostrel::PowerSnapshot read() override { return {true, 0.42}; }
    void watch(std::function<void()>) override {}
    std::optional<double> batteryCapacityWattHours() const override { return 50; }
};

class NoSamples final : public platform::ProcessResources {
  public:
    std::optional<platform::ResourceSample> sample() override { return std::nullopt; }
    platform::EnergyMethod energyMethod() const override { return platform::EnergyMethod::estimated; }
};

class NoFileManager final : public platform::FileViewer {
  public:
    void showFolder(const std::filesystem::path&) override {}
};

// The screen over a store holding a year of statistics, shown at a usual window size.
struct ShownScreen {
    benchsupport::TemporaryFolder folder;
    StoreHub hub{folder.path() / "data"};
    LaptopPower power;
    NoSamples samples;
    ResourceMonitor monitor{hub, samples, power};
    AppSettings settings{std::make_shared<platform::FileSettingsStore>(
        QString::fromStdString((folder.path() / "s.json").string()))};
    NoFileManager fileManager;
    ResourcesController* controller =
        new ResourcesController(hub, settings, monitor, fileManager, ResourcesController::ModelActions{});
    ResourcesScreen screen{controller};

    ShownScreen() {
        const ostrel::Time now = ostrel::currentTime();
        hub.sync([&](ostrel::MemoryStore& store) {
            for (int day = 0; day < 365; ++day) {
                ostrel::StatsDelta delta;
                delta.framesSaved = 900 + day;
                delta.cpuSeconds = 300;
                delta.energyJoules = 3000 + 10 * day;
                store.addStats(ostrel::MemoryStore::dayKey(now - day * 86400.0), delta);
            }
        });
        screen.resize(1000, 1080);
    }
    // Shows the screen and waits for its week.
    void showAndWait() {
        bool loaded = false;
        const auto connection =
            QObject::connect(controller, &ResourcesController::weekChanged, [&] { loaded = true; });
        screen.show();
        while (!loaded) {
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        QApplication::processEvents();
        QObject::disconnect(connection);
    }
};

void figuresChanged(benchmark::State& state) {
    ShownScreen shown;
    shown.showAndWait();
    ostrel::DayStats today;
    today.day = ostrel::MemoryStore::dayKey(ostrel::currentTime());
    for (auto _ : state) {
        today.framesSaved += 1;
        today.energyJoules += 15;
        shown.controller->setToday(today);
        shown.screen.repaint();
    }
}

void weekShown(benchmark::State& state) {
    ShownScreen shown;
    for (auto _ : state) {
        shown.showAndWait();
        state.PauseTiming();
        shown.screen.hide();
        state.ResumeTiming();
    }
}

BENCHMARK(figuresChanged)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(weekShown)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
