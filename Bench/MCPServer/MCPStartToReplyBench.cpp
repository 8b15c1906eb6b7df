// Time from starting vesperline-mcp to the reply of one search call, on a memory of 100,000
// moments (MCPBenchMemory.h): what an assistant waits for when it starts the server for a single
// question. Each run spawns the server, sends one "tools/call" line and stops the clock when the
// reply line arrives.
#include "MCPBenchMemory.h"

#include <benchmark/benchmark.h>

#include <chrono>

namespace {

// Seconds from spawning the server to reading its reply to `request`.
double startToReply(const std::string& request) {
    const auto start = std::chrono::steady_clock::now();
    mcpbench::ServerRun server;
    server.write(request + "\n");
    const std::string reply = server.readLine();
    const auto stop = std::chrono::steady_clock::now();
    if (reply.find("\"isError\":false") == std::string::npos) {
        std::abort();
    }
    return std::chrono::duration<double>(stop - start).count();
}

void searchCall(benchmark::State& state, const char* query) {
    mcpbench::useBenchMemory();
    const std::string request = mcpbench::searchCall(1, query);
    for (auto _ : state) {
        state.SetIterationTime(startToReply(request));
    }
}

// A word in about one moment in a hundred, a word in nearly every moment, and two words together.
BENCHMARK_CAPTURE(searchCall, rareWord, "kapomi")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(searchCall, commonWord, "los")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(searchCall, twoWords, "kalos kapomi")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace

BENCHMARK_MAIN();
