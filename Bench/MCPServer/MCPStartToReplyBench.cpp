// Time from starting vesperline-mcp to the reply of one search call, on a memory of 100,000
// moments: what an assistant waits for when it starts the server for a single question. Each run
// spawns the server, sends one "tools/call" line and stops the clock when the reply line arrives.
//
// The store is built once (moments over the last 60 days, 30-90 words each from a skewed
// vocabulary, a hundred apps with a few windows each) in the temporary folder and reused.
//   VESPERLINE_BENCH_MCP_DATA  data folder to use (default /tmp/vesperline-mcp-bench-100000)
#include "Storage/MemoryStore.h"
#include "Storage/OstrelPaths.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr std::int64_t momentCount = 100'000;
constexpr int vocabularySize = 20'000;

std::filesystem::path dataFolder() {
    const char* value = std::getenv("VESPERLINE_BENCH_MCP_DATA");
    return value && *value ? std::filesystem::path(value)
                           : std::filesystem::temp_directory_path() / "vesperline-mcp-bench-100000";
}

// Pronounceable made-up words; word i is drawn with probability proportional to 1 / (i + 1).
std::vector<std::string> vocabulary() {
    static const char* syllables[] = {"ka", "lo", "mi", "ne", "ru", "ta", "shi", "po",
                                      "ve", "zu", "da", "fe", "gi", "ho", "ja"};
    std::vector<std::string> words;
    for (int i = 0; i < vocabularySize; ++i) {
        std::string word;
        for (int n = i + 1; n > 0; n /= 15) {
            word += syllables[n % 15];
        }
        words.push_back(word + (i % 7 == 0 ? "s" : ""));
    }
    return words;
}

void buildStore(const std::filesystem::path& file) {
    std::filesystem::create_directories(file.parent_path());
    ostrel::MemoryStore store(file, false);
    if (store.db().scalarInt("SELECT count(*) FROM frames").value_or(0) == momentCount) {
        return;
    }
    const std::vector<std::string> words = vocabulary();
    std::mt19937_64 random(7);
    std::discrete_distribution<int> wordRank = [] {
        std::vector<double> weights;
        for (int i = 0; i < vocabularySize; ++i) {
            weights.push_back(1.0 / (i + 1));
        }
        return std::discrete_distribution<int>(weights.begin(), weights.end());
    }();
    const ostrel::Time now = ostrel::currentTime();
    store.db().transaction([&] {
        for (std::int64_t i = 0; i < momentCount; ++i) {
            const int app = static_cast<int>(random() % 100);
            ostrel::NewFrame frame;
            frame.timestamp = now - 60 * 86400.0 * static_cast<double>(momentCount - i) / momentCount;
            frame.displayID = 1;
            frame.appBundleID = "org.example.app" + std::to_string(app);
            frame.appName = "App " + std::to_string(app);
            frame.windowTitle = words[app * 3 + random() % 4] + " " + words[random() % 200];
            if (app < 10) {
                frame.url = "https://" + words[random() % 300] + ".example.com/" + words[wordRank(random)];
            }
            const int count = 30 + static_cast<int>(random() % 61);
            std::string line;
            for (int w = 0; w < count; ++w) {
                line += (line.empty() ? "" : " ") + words[wordRank(random)];
                if (w % 10 == 9) {
                    frame.lines.push_back(line);
                    line.clear();
                }
            }
            if (!line.empty()) {
                frame.lines.push_back(line);
            }
            frame.textSource = ostrel::TextSource::ocr();
            store.insertFrame(frame);
        }
    });
    store.setMetaValue("mcp_enabled", "1");
}

// Seconds from spawning the server to reading its reply to `request`.
double startToReply(const std::string& request) {
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) {
        std::abort();
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    char* argv[] = {const_cast<char*>(VESPERLINE_MCP_PATH), nullptr};
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (::posix_spawn(&pid, VESPERLINE_MCP_PATH, &actions, nullptr, argv, environ) != 0) {
        std::abort();
    }
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    const std::string line = request + "\n";
    if (::write(in[1], line.data(), line.size()) != static_cast<ssize_t>(line.size())) {
        std::abort();
    }
    std::string reply;
    char chunk[65536];
    while (reply.find('\n') == std::string::npos) {
        const ssize_t count = ::read(out[0], chunk, sizeof chunk);
        if (count <= 0) {
            std::abort();
        }
        reply.append(chunk, static_cast<std::size_t>(count));
    }
    const auto stop = std::chrono::steady_clock::now();
    ::close(in[1]);
    ::close(out[0]);
    ::waitpid(pid, nullptr, 0);
    if (reply.find("\"isError\":false") == std::string::npos) {
        std::abort();
    }
    return std::chrono::duration<double>(stop - start).count();
}

void searchCall(benchmark::State& state, const char* query) {
    ::setenv("OSTREL_DATA_DIR", dataFolder().c_str(), 1);
    buildStore(ostrel::OstrelPaths::databaseURL());
    const std::string request = std::string(R"({"jsonrpc":"2.0","id":1,"method":"tools/call","params":)") +
                                R"({"name":"search_screen_memory","arguments":{"query":")" + query +
                                R"("}}})";
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
