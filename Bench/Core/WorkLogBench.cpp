// Cost of a day's work log for the journal and the MCP activity tool: a busy day of short spans
// over eight apps and five projects, in a zone with daylight saving time.
#include "Rules/WorkLogBuilder.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

namespace {

void busyDay(benchmark::State& state) {
    const double dayStart = 1773093600; // 2026-03-10 00:00 in Europe/Berlin
    std::vector<ostrel::ActivitySpan> spans;
    for (std::int64_t i = 0; i < state.range(0); ++i) {
        const double start = dayStart + 8 * 3600 + static_cast<double>(i) * 40;
        spans.push_back({i, start, start + 35, "app." + std::to_string(i % 8), "App " + std::to_string(i % 8),
                         "Project " + std::to_string(i % 5), "Window"});
    }
    const std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::createTimeZone("Europe/Berlin"));
    for (auto _ : state) {
        benchmark::DoNotOptimize(ostrel::WorkLogBuilder::build(spans, dayStart, dayStart + 86400, *zone));
    }
}
BENCHMARK(busyDay)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
