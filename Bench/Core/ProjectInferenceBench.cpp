// Cost of naming the project of each kept moment on the capture queue: a code editor, a terminal
// (regular expression and login-name lookup) and a browser (URL parse), with and without user rules.
#include "Rules/ProjectInference.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

using ostrel::ProjectInference::infer;

const std::vector<ostrel::ProjectRule> someRules = {
    {*ostrel::UUID::parse("0F8FAD5B-D9CB-469F-A165-70867728950E"), "Atlas", {"atlas", "north star"}},
    {*ostrel::UUID::parse("1F8FAD5B-D9CB-469F-A165-70867728950E"),
     "Budget",
     {"budget", "forecast", "ledger"}},
};

void editor(benchmark::State& state) {
    const std::vector<ostrel::ProjectRule> rules =
        state.range(0) ? someRules : std::vector<ostrel::ProjectRule>{};
    for (auto _ : state) {
        benchmark::DoNotOptimize(infer("com.microsoft.VSCode", "Code",
                                       "\u25CF README.md \u2014 Tracker \u2014 Code", std::nullopt, rules));
    }
}
BENCHMARK(editor)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void terminal(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(infer("org.gnome.Terminal", "Terminal",
                                       "deploy \u2014 -zsh \u2014 80\u00D724", std::nullopt, {}));
    }
}
BENCHMARK(terminal)->Unit(benchmark::kMicrosecond);

void browser(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(infer("firefox", "Firefox", "Issue 42 \u00B7 Tracker",
                                       "https://www.example.com/tracker/issues/42?tab=comments", {}));
    }
}
BENCHMARK(browser)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
