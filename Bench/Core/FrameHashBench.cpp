// Cost of hashing a captured frame on the capture queue: the 1080p frame hash (grid sampling plus
// hash) and the 72-byte grid hash alone.
#include "Rules/PerceptualHash.h"

#include <benchmark/benchmark.h>

#include <array>
#include <random>

namespace {

ostrel::BGRAImage noisyFrame(int width, int height) {
    ostrel::BGRAImage frame(width, height);
    std::mt19937 random(42);
    for (auto& byte : frame.pixels) {
        byte = static_cast<std::uint8_t>(random());
    }
    return frame;
}

void frameHash1080p(benchmark::State& state) {
    const ostrel::BGRAImage frame = noisyFrame(1920, 1080);
    for (auto _ : state) {
        benchmark::DoNotOptimize(ostrel::PerceptualHash::frameHash(frame.view()));
    }
}
BENCHMARK(frameHash1080p)->Unit(benchmark::kMicrosecond);

void frameHash5K(benchmark::State& state) {
    const ostrel::BGRAImage frame = noisyFrame(5120, 2880);
    for (auto _ : state) {
        benchmark::DoNotOptimize(ostrel::PerceptualHash::frameHash(frame.view()));
    }
}
BENCHMARK(frameHash5K)->Unit(benchmark::kMicrosecond);

void gridHash(benchmark::State& state) {
    std::array<std::uint8_t, 72> grid{};
    std::mt19937 random(7);
    for (auto& cell : grid) {
        cell = static_cast<std::uint8_t>(random());
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(grid);
        benchmark::DoNotOptimize(ostrel::PerceptualHash::hash(grid));
    }
}
BENCHMARK(gridHash);

} // namespace

BENCHMARK_MAIN();
