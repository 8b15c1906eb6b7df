// What watching the application's own cost costs: one sample of processor time and energy (the
// estimate, and the package energy counter over a stand-in powercap folder with the real
// /proc/stat), and one whole minute's work of the resource monitor, sample and statistics write.
#include "Capture/ResourceMonitor.h"
#include "Platform/Linux/LinuxPowerSource.h"
#include "Platform/Linux/LinuxProcessResources.h"
#include "Store/StoreHub.h"
#include "Support/TemporaryFolder.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;
using vesperline::platform::LinuxProcessResources;

void sampleEstimated(benchmark::State& state) {
    LinuxProcessResources resources({"/nonexistent", "/proc", LinuxProcessResources::ownCPUSeconds});
    for (auto _ : state) {
        benchmark::DoNotOptimize(resources.sample());
    }
}
BENCHMARK(sampleEstimated)->Unit(benchmark::kMicrosecond);

void sampleMeasured(benchmark::State& state) {
    const benchsupport::TemporaryFolder sysfs;
    const fs::path package = sysfs.path() / "class/powercap/intel-rapl:0";
    fs::create_directories(package);
    std::ofstream(package / "name") << "package-0\n";
    std::ofstream(package / "energy_uj") << "123456789\n";
    std::ofstream(package / "max_energy_range_uj") << "262143328850\n";
    LinuxProcessResources resources({sysfs.path(), "/proc", LinuxProcessResources::ownCPUSeconds});
    if (resources.energyMethod() != vesperline::platform::EnergyMethod::measured) {
        state.SkipWithError("the stand-in counters were not taken");
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(resources.sample());
    }
}
BENCHMARK(sampleMeasured)->Unit(benchmark::kMicrosecond);

void monitorMinute(benchmark::State& state) {
    const benchsupport::TemporaryFolder data;
    {
        vesperline::StoreHub hub(data.path());
        LinuxProcessResources resources;
        vesperline::platform::LinuxPowerSource power("/nonexistent", QDBusConnection(QStringLiteral("none")));
        vesperline::ResourceMonitor monitor(hub, resources, power);
        monitor.start();
        for (auto _ : state) {
            monitor.finalSample(); // processor time always grows, so every one writes
        }
    }
}
BENCHMARK(monitorMinute)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv); // the queues' event loops need one
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
