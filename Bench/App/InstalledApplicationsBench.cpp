// Cost of finding an application's desktop file: the first lookup reads every desktop file of the
// data folders (it runs on the main thread when the first app icon is shown); later ones are a map
// lookup. Measured on 600 synthetic desktop files and on this machine's own folders.
#include "Platform/Linux/DesktopFileApplications.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

using namespace vesperline::platform;

namespace {

// A data folder of `count` desktop files like the ones distributions install.
std::filesystem::path syntheticFolder(int count) {
    std::string pattern = (std::filesystem::temp_directory_path() / "vesperline-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        std::abort();
    }
    const std::filesystem::path folder = std::filesystem::path(pattern) / "applications";
    std::filesystem::create_directories(folder);
    for (int i = 0; i < count; ++i) {
        const std::string id = "org.example.App" + std::to_string(i);
        std::ofstream file(folder / (id + ".desktop"));
        file << "[Desktop Entry]\nType=Application\nName=App " << i << "\n";
        for (const char* language : {"de", "fr", "es", "it", "ja", "pt_BR", "ru", "zh_CN"}) {
            file << "Name[" << language << "]=App " << i << "\nComment[" << language
                 << "]=Does something useful with files and folders\n";
        }
        file << "Exec=app" << i << " %U\nIcon=" << id << "\nCategories=Utility;\nStartupWMClass=App" << i
             << "\n\n[Desktop Action new-window]\nName=New Window\nExec=app" << i << " --new-window\n";
    }
    return folder.parent_path();
}

void BM_FirstLookupOfSyntheticFolder(benchmark::State& state) {
    const std::filesystem::path folder = syntheticFolder(600);
    for (auto _ : state) {
        DesktopFileApplications applications({folder});
        benchmark::DoNotOptimize(applications.application("org.example.App300"));
    }
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_FirstLookupOfSyntheticFolder)->Unit(benchmark::kMillisecond);

void BM_FirstLookupOfThisMachine(benchmark::State& state) {
    for (auto _ : state) {
        DesktopFileApplications applications;
        benchmark::DoNotOptimize(applications.application("org.example.NotInstalled"));
    }
}
BENCHMARK(BM_FirstLookupOfThisMachine)->Unit(benchmark::kMillisecond);

void BM_LaterLookup(benchmark::State& state) {
    const std::filesystem::path folder = syntheticFolder(600);
    DesktopFileApplications applications({folder});
    applications.application("org.example.App1");
    for (auto _ : state) {
        benchmark::DoNotOptimize(applications.application("app300"));
    }
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_LaterLookup);

} // namespace

BENCHMARK_MAIN();
