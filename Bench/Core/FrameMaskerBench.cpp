// Cost of a masked copy of a 1080p frame with padded source rows and two masked windows.
#include "Rules/FrameMasker.h"

#include <benchmark/benchmark.h>

namespace {

void maskedCopy1080p(benchmark::State& state) {
    const ostrel::BGRAImage frame(1920, 1080, 1920 * 4 + 64);
    const std::vector<ostrel::Rect> masks = {{0.098, 0.096, 0.204, 0.208}, {0.5, 0.3, 0.45, 0.6}};
    for (auto _ : state) {
        benchmark::DoNotOptimize(ostrel::FrameMasker::mask(frame.view(), masks));
    }
}
BENCHMARK(maskedCopy1080p)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
