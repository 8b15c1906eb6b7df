// Insert throughput and search latency on a synthetic memory: moments of 40-120 words drawn from a
// Zipf-like vocabulary, a few hundred apps and window titles, browser moments with addresses, spread
// over 90 days. The store is built once in the temporary folder and reused by later runs.
//
//   VESPERLINE_BENCH_MOMENTS  number of moments (default 1000000; e.g. 20000 for a quick run)
//   VESPERLINE_BENCH_STORE    database file (default /tmp/vesperline-search-bench-<moments>.sqlite)
//
// Each search benchmark runs its list of queries round-robin and reports the median and the 95th
// percentile of one query in milliseconds, and the mean number of hits.
#include "Storage/MemoryStore.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

using namespace ostrel;

namespace {

constexpr Time benchEnd = 1'767'225'600; // a fixed "now", so every build of the store is the same
constexpr Time benchSpan = 90 * 86400.0;
constexpr std::size_t vocabularySize = 50'000;
constexpr std::size_t appCount = 300;
constexpr std::size_t titlesPerApp = 8;
constexpr std::size_t hostCount = 200;
constexpr std::size_t browserCount = 5;
constexpr std::size_t queriesPerClass = 40;
constexpr std::int64_t hitLimit = 20;

std::int64_t momentCount() {
    const char* value = std::getenv("VESPERLINE_BENCH_MOMENTS");
    return value && *value ? std::max<std::int64_t>(std::atoll(value), 1000) : 1'000'000;
}

std::filesystem::path storePath() {
    const char* value = std::getenv("VESPERLINE_BENCH_STORE");
    if (value && *value) {
        return value;
    }
    return std::filesystem::temp_directory_path() /
           ("vesperline-search-bench-" + std::to_string(momentCount()) + ".sqlite");
}

// Samples ranks 0..n-1 with probability proportional to 1 / (rank + 1).
class Zipf {
  public:
    explicit Zipf(std::size_t n) : cumulative_(n) {
        double sum = 0;
        for (std::size_t i = 0; i < n; ++i) {
            sum += 1.0 / static_cast<double>(i + 1);
            cumulative_[i] = sum;
        }
    }
    std::size_t operator()(std::mt19937_64& random) const {
        const double x = std::uniform_real_distribution<double>(0, cumulative_.back())(random);
        return static_cast<std::size_t>(std::lower_bound(cumulative_.begin(), cumulative_.end(), x) -
                                        cumulative_.begin());
    }

  private:
    std::vector<double> cumulative_;
};

struct App {
    std::string bundleID;
    std::string name;
    std::vector<std::string> titles;
};

// Words, apps, titles and hosts; the same for every run.
struct Corpus {
    std::vector<std::string> words;
    std::vector<App> apps;
    std::vector<std::string> hosts;
    Zipf wordRank{vocabularySize};
    Zipf appRank{appCount};

    Corpus() {
        std::mt19937_64 random(20261209);
        const std::vector<std::string> letters = {"a", "b", "c", "d", "e", "f", "g", "h", "i",
                                                  "j", "k", "l", "m", "n", "o", "p", "r", "s",
                                                  "t", "u", "v", "y", "z", "e", "a", "i"};
        const std::vector<std::string> turkish = {"\u00e7", "\u015f", "\u0131", "\u011f", "\u00f6", "\u00fc"};
        std::set<std::string> seen;
        while (words.size() < vocabularySize) {
            const int length = 2 + static_cast<int>(std::binomial_distribution<int>(10, 0.4)(random));
            std::string word;
            for (int i = 0; i < length; ++i) {
                // About one word in thirty carries a Turkish letter, so most texts take the full fold.
                word += (random() % 240 == 0) ? turkish[random() % turkish.size()]
                                              : letters[random() % letters.size()];
            }
            if (seen.insert(word).second) {
                words.push_back(word);
            }
        }
        for (std::size_t i = 0; i < hostCount; ++i) {
            hosts.push_back(words[500 + i * 37] + (i % 3 == 0 ? ".org" : i % 3 == 1 ? ".com" : ".io"));
        }
        for (std::size_t i = 0; i < appCount; ++i) {
            App app;
            const std::string& word = words[300 + i * 53];
            app.bundleID = "org.example." + word + std::to_string(i);
            app.name = static_cast<char>(std::toupper(word[0])) + word.substr(1) +
                       (i < browserCount ? " Browser" : "");
            for (std::size_t t = 0; t < titlesPerApp; ++t) {
                std::string title;
                for (int w = 0, n = 2 + static_cast<int>(random() % 4); w < n; ++w) {
                    title += (w ? " " : "") + words[wordRank(random)];
                }
                app.titles.push_back(title);
            }
            apps.push_back(std::move(app));
        }
    }

    std::vector<std::string> lines(std::mt19937_64& random) const {
        std::vector<std::string> result;
        const int count = 40 + static_cast<int>(random() % 81);
        std::string line;
        int inLine = 0;
        for (int i = 0; i < count; ++i) {
            line += (inLine ? " " : "") + words[wordRank(random)];
            if (++inLine >= 6 + static_cast<int>(random() % 9)) {
                result.push_back(std::move(line));
                line.clear();
                inLine = 0;
            }
        }
        if (!line.empty()) {
            result.push_back(std::move(line));
        }
        return result;
    }
};

const Corpus& corpus() {
    static const Corpus instance;
    return instance;
}

// Runs of captures of one window, a few seconds apart, in time order over the 90 days.
class MomentStream {
  public:
    explicit MomentStream(std::int64_t total) : step_(benchSpan / static_cast<double>(total)) {}

    NewFrame next() {
        const Corpus& c = corpus();
        if (runLeft_ == 0) {
            app_ = c.appRank(random_);
            title_ = random_() % titlesPerApp;
            runLeft_ = 1 + static_cast<int>(random_() % 20);
        }
        --runLeft_;
        time_ += step_ * std::uniform_real_distribution<double>(0.5, 1.5)(random_);
        const App& app = c.apps[app_];
        NewFrame frame;
        frame.timestamp = benchEnd - benchSpan + time_;
        frame.displayID = 1;
        frame.appBundleID = app.bundleID;
        frame.appName = app.name;
        frame.windowTitle = app.titles[title_];
        if (app_ < browserCount) {
            frame.url = "https://www." + c.hosts[(title_ * 31 + app_) % hostCount] + "/" +
                        c.words[c.wordRank(random_)] + "/" + c.words[c.wordRank(random_)];
        }
        frame.perceptualHash = random_();
        frame.width = 1920;
        frame.height = 1080;
        frame.imageState = ImageState::segment;
        frame.textSource = TextSource::accessibility();
        frame.lines = c.lines(random_);
        frame.bytes = 40'000;
        return frame;
    }

  private:
    std::mt19937_64 random_{7};
    double step_;
    double time_ = 0;
    std::size_t app_ = 0;
    std::size_t title_ = 0;
    int runLeft_ = 0;
};

// Inserts `count` moments one transaction each, as the capture pipeline does; returns the seconds
// spent in the store alone (making up the moments is not counted).
double insertMoments(MemoryStore& store, MomentStream& stream, std::int64_t count) {
    double seconds = 0;
    std::vector<NewFrame> batch;
    for (std::int64_t done = 0; done < count;) {
        batch.clear();
        for (std::int64_t i = 0; i < 5000 && done + i < count; ++i) {
            batch.push_back(stream.next());
        }
        const auto start = std::chrono::steady_clock::now();
        for (const NewFrame& frame : batch) {
            store.insertFrame(frame);
        }
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        done += static_cast<std::int64_t>(batch.size());
    }
    return seconds;
}

void prepareStore() {
    const std::filesystem::path path = storePath();
    const std::int64_t wanted = momentCount();
    {
        MemoryStore store(path, false);
        if (store.db().scalarInt("SELECT count(*) FROM frames").value_or(0) >= wanted) {
            std::printf("Reusing %s with at least %lld moments\n", path.c_str(),
                        static_cast<long long>(wanted));
            return;
        }
    }
    std::filesystem::remove(path);
    std::filesystem::remove(path.string() + "-wal");
    std::filesystem::remove(path.string() + "-shm");
    MemoryStore store(path, false);
    MomentStream stream(wanted);
    const double seconds = insertMoments(store, stream, wanted);
    std::printf("Built %s: %lld moments in %.1f s, %.0f moments/s\n", path.c_str(),
                static_cast<long long>(wanted), seconds, static_cast<double>(wanted) / seconds);
    const auto start = std::chrono::steady_clock::now();
    store.db().execute("PRAGMA wal_checkpoint(TRUNCATE);");
    std::printf("Checkpoint after the build: %.1f s; file %.0f MB\n",
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
                static_cast<double>(std::filesystem::file_size(path)) / 1e6);
}

// Inserting into the full store: the pipeline's steady state.
void insertIntoFullStore(benchmark::State& state) {
    MemoryStore store(storePath(), false);
    MomentStream stream(momentCount());
    std::vector<NewFrame> frames;
    for (std::int64_t i = 0; i < state.max_iterations; ++i) {
        frames.push_back(stream.next());
    }
    std::size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(store.insertFrame(frames[next++ % frames.size()]));
    }
    state.SetItemsProcessed(state.iterations());
}

struct QueryClass {
    std::string name;
    std::vector<std::string> texts;
};

std::vector<QueryClass> queryClasses() {
    const Corpus& c = corpus();
    std::mt19937_64 random(99);
    const auto pick = [&](std::size_t from, std::size_t to) {
        return c.words[from + random() % (to - from)];
    };
    std::vector<QueryClass> classes{{"rareWord", {}}, {"commonWord", {}}, {"twoWords", {}},  {"prefix", {}},
                                    {"phrase", {}},   {"appFilter", {}},  {"siteFilter", {}}};
    for (std::size_t i = 0; i < queriesPerClass; ++i) {
        classes[0].texts.push_back(pick(20'000, 40'000));
        classes[1].texts.push_back(c.words[i % 10]);
        classes[2].texts.push_back(pick(50, 2000) + " " + pick(50, 2000));
        classes[3].texts.push_back(pick(100, 3000).substr(0, 3));
        classes[5].texts.push_back("app:" + c.apps[random() % 60].name.substr(0, 5) + " " + pick(100, 2000));
        classes[6].texts.push_back("site:" + c.hosts[random() % hostCount]);
    }
    // Phrases that occur: two neighbouring words of stored texts.
    MemoryStore store(storePath(), true);
    const auto bodies = store.db().query("SELECT body FROM frame_text ORDER BY frame_id LIMIT 400", {}, false,
                                         [](const SQLRow& row) { return row.text(0).value_or(""); });
    for (std::size_t i = 0; i < queriesPerClass && i * 10 < bodies.size(); ++i) {
        const std::string& body = bodies[i * 10];
        const std::size_t space = body.find(' ', body.size() / 2);
        const std::size_t before = body.rfind(' ', space - 1);
        const std::size_t after = body.find_first_of(" \n", space + 1);
        classes[4].texts.push_back("\"" + body.substr(before + 1, after - before - 1) + "\"");
    }
    return classes;
}

double percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    const std::size_t index =
        static_cast<std::size_t>(std::ceil(fraction * static_cast<double>(values.size()))) - 1;
    return values[std::min(index, values.size() - 1)];
}

void registerSearches() {
    for (const QueryClass& queryClass : queryClasses()) {
        for (const SearchQuery::Sort sort : SearchQuery::allSorts) {
            const std::string name = "search/" + queryClass.name + "/" + std::string(toRaw(sort));
            benchmark::RegisterBenchmark(
                name.c_str(),
                [queryClass, sort](benchmark::State& state) {
                    MemoryStore store(storePath(), true);
                    std::vector<double> millis;
                    double hits = 0;
                    std::size_t next = 0;
                    for (auto _ : state) {
                        const SearchQuery query(queryClass.texts[next++ % queryClass.texts.size()],
                                                std::nullopt, std::nullopt, {}, hitLimit, sort);
                        const auto start = std::chrono::steady_clock::now();
                        hits += static_cast<double>(store.search(query, benchEnd).size());
                        millis.push_back(std::chrono::duration<double, std::milli>(
                                             std::chrono::steady_clock::now() - start)
                                             .count());
                    }
                    state.counters["median_ms"] = percentile(millis, 0.5);
                    state.counters["p95_ms"] = percentile(millis, 0.95);
                    state.counters["hits"] = hits / static_cast<double>(millis.size());
                })
                ->Iterations(static_cast<benchmark::IterationCount>(2 * queryClass.texts.size()))
                ->Unit(benchmark::kMillisecond);
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    prepareStore();
    benchmark::RegisterBenchmark("insertFrame/fullStore", insertIntoFullStore)->Iterations(5000);
    registerSearches();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
