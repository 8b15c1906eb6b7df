// Cost of turning one large window text into new lines on the capture queue: splitting a text at the
// pipeline's 40000-character limit, then filtering its lines through a warm de-duplicator.
#include "Rules/LineDeduper.h"
#include "Rules/LineSplitter.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

// About 40000 characters in 1000 lines of mixed Latin and Turkish text.
std::string windowText() {
    std::string text;
    for (int i = 0; text.size() < 44000; ++i) {
        text += "  Satır " + std::to_string(i) + ":\tçalışma notları, İstanbul — résumé  \n";
    }
    return text;
}

void splitLargeText(benchmark::State& state) {
    const std::string text = windowText();
    for (auto _ : state) {
        benchmark::DoNotOptimize(ostrel::LineSplitter::lines(text, 40000, 2000));
    }
}
BENCHMARK(splitLargeText)->Unit(benchmark::kMillisecond);

void filterSeenLines(benchmark::State& state) {
    const auto lines = ostrel::LineSplitter::lines(windowText(), 40000, 2000);
    ostrel::LineDeduper deduper(24, 6000, 1800);
    deduper.filter(lines, "app\x1Fwindow", 0);
    for (auto _ : state) {
        benchmark::DoNotOptimize(deduper.filter(lines, "app\x1Fwindow", 1));
    }
}
BENCHMARK(filterSeenLines)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
