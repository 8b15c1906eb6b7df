// What one session of vesperline-mcp costs after start-up, on the memory of MCPBenchMemory.h:
//   sessionCalls/lines    100 search calls, one line each, each reply awaited before the next call
//   sessionCalls/batch    the same 100 calls as one batch line, the longest batch the server takes
//   endlessLine           a 300 MB line without a line feed, then a ping: the time until the ping's
//                         reply and the server's peak resident memory
// Calls reuse the session's read connection; set VESPERLINE_BENCH_MCP_PROGRAM to measure another
// build of the server.
#include "MCPBenchMemory.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace {

constexpr int callCount = 100;

// Words of the vocabulary from rare to common, one per call.
std::vector<std::string> queries() {
    const std::vector<std::string> words = mcpbench::vocabulary();
    std::vector<std::string> texts;
    for (int i = 0; i < callCount; ++i) {
        texts.push_back(words[static_cast<std::size_t>((i * 7919) % 2000)]);
    }
    return texts;
}

void expectAnswers(const std::string& reply) {
    if (reply.find("\"isError\":false") == std::string::npos) {
        std::abort();
    }
}

void sessionCalls(benchmark::State& state, bool batch) {
    mcpbench::useBenchMemory();
    const std::vector<std::string> texts = queries();
    mcpbench::ServerRun server;
    // The first call opens the connection; the session's later calls are what is measured.
    server.write(mcpbench::searchCall(0, texts[0]) + "\n");
    expectAnswers(server.readLine());
    double total = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (batch) {
            std::string line = "[";
            for (int i = 0; i < callCount; ++i) {
                line += (i ? "," : "") + mcpbench::searchCall(i, texts[static_cast<std::size_t>(i)]);
            }
            server.write(line + "]\n");
            expectAnswers(server.readLine());
        } else {
            for (int i = 0; i < callCount; ++i) {
                server.write(mcpbench::searchCall(i, texts[static_cast<std::size_t>(i)]) + "\n");
                expectAnswers(server.readLine());
            }
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
        total += seconds;
    }
    state.counters["per_call_ms"] = total * 1000.0 / static_cast<double>(state.iterations() * callCount);
}

void endlessLine(benchmark::State& state) {
    mcpbench::useBenchMemory();
    const std::string chunk(1 << 20, 'x');
    double peak = 0;
    for (auto _ : state) {
        mcpbench::ServerRun server;
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < 300; ++i) {
            server.write(chunk);
        }
        server.write("\n{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\"ping\"}\n");
        std::string reply;
        while ((reply = server.readLine()).find("\"result\"") == std::string::npos) {
        }
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        peak = std::max(peak, server.finish());
    }
    state.counters["peak_rss_mb"] = peak;
}

BENCHMARK_CAPTURE(sessionCalls, lines, false)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_CAPTURE(sessionCalls, batch, true)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(endlessLine)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
