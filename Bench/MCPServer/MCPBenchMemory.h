// What the vesperline-mcp benchmarks share: a memory of 100,000 moments, built once in the temporary
// folder and reused (moments over the last 60 days, 30-90 words each from a skewed vocabulary, a
// hundred apps with a few windows each), and the server as a child process talked to through pipes.
//   VESPERLINE_BENCH_MCP_DATA     data folder to use (default /tmp/vesperline-mcp-bench-100000)
//   VESPERLINE_BENCH_MCP_PROGRAM  server to measure (default the one built with the benchmark)
#pragma once

#include "Storage/MemoryStore.h"
#include "Storage/OstrelPaths.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <spawn.h>
#include <string>
#include <string_view>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace mcpbench {

inline constexpr std::int64_t momentCount = 100'000;
inline constexpr int vocabularySize = 20'000;

inline std::filesystem::path dataFolder() {
    const char* value = std::getenv("VESPERLINE_BENCH_MCP_DATA");
    return value && *value ? std::filesystem::path(value)
                           : std::filesystem::temp_directory_path() / "vesperline-mcp-bench-100000";
}

// Pronounceable made-up words; word i is drawn with probability proportional to 1 / (i + 1).
inline std::vector<std::string> vocabulary() {
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

inline void buildStore(const std::filesystem::path& file) {
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

// Points the server at the benchmark memory, building it when needed.
inline void useBenchMemory() {
    ::setenv("OSTREL_DATA_DIR", dataFolder().c_str(), 1);
    buildStore(ostrel::OstrelPaths::databaseURL());
}

inline const char* serverProgram() {
    const char* value = std::getenv("VESPERLINE_BENCH_MCP_PROGRAM");
    return value && *value ? value : VESPERLINE_MCP_PATH;
}

// A "tools/call" of the search tool as one line, without its line feed.
inline std::string searchCall(int id, std::string_view query) {
    return R"({"jsonrpc":"2.0","id":)" + std::to_string(id) +
           R"(,"method":"tools/call","params":{"name":"search_screen_memory","arguments":{"query":")" +
           std::string(query) + R"("}}})";
}

// The server as a child process; any failure aborts the benchmark.
class ServerRun {
  public:
    ServerRun() {
        int in[2], out[2];
        if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) {
            std::abort();
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        char* argv[] = {const_cast<char*>(serverProgram()), nullptr};
        if (::posix_spawn(&pid_, serverProgram(), &actions, nullptr, argv, environ) != 0) {
            std::abort();
        }
        posix_spawn_file_actions_destroy(&actions);
        ::close(in[0]);
        ::close(out[1]);
        input_ = in[1];
        output_ = out[0];
    }
    ServerRun(const ServerRun&) = delete;
    ServerRun& operator=(const ServerRun&) = delete;
    ~ServerRun() { finish(); }

    void write(std::string_view bytes) {
        while (!bytes.empty()) {
            const ssize_t count = ::write(input_, bytes.data(), bytes.size());
            if (count <= 0) {
                std::abort();
            }
            bytes.remove_prefix(static_cast<std::size_t>(count));
        }
    }

    // The next line the server writes, without its line feed.
    std::string readLine() {
        std::size_t end;
        while ((end = buffer_.find('\n')) == std::string::npos) {
            char chunk[65536];
            const ssize_t count = ::read(output_, chunk, sizeof chunk);
            if (count <= 0) {
                std::abort();
            }
            buffer_.append(chunk, static_cast<std::size_t>(count));
        }
        std::string line = buffer_.substr(0, end);
        buffer_.erase(0, end + 1);
        return line;
    }

    // Ends the input, waits for the server and returns its peak resident memory in megabytes.
    double finish() {
        if (pid_ <= 0) {
            return peakMegabytes_;
        }
        ::close(input_);
        ::close(output_);
        int status = 0;
        rusage usage{};
        ::wait4(pid_, &status, 0, &usage);
        pid_ = -1;
        peakMegabytes_ = static_cast<double>(usage.ru_maxrss) / 1024.0;
        return peakMegabytes_;
    }

  private:
    pid_t pid_ = -1;
    int input_ = -1;
    int output_ = -1;
    std::string buffer_;
    double peakMegabytes_ = 0;
};

} // namespace mcpbench
