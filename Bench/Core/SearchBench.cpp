// Insert throughput and search latency on the synthetic memory of Support/SyntheticMemory.h. The store
// is built once in the temporary folder and reused by later runs.
//
//   VESPERLINE_BENCH_MOMENTS  number of moments (default 1000000; e.g. 20000 for a quick run)
//   VESPERLINE_BENCH_STORE    database file (default /tmp/vesperline-search-bench-<moments>.sqlite)
//
// Each search benchmark runs its list of queries round-robin and reports the median and the 95th
// percentile of one query in milliseconds, parsing included, of wall-clock time and of the thread's
// processor time (the fairer figure on a busy machine), and the mean number of hits. The long classes
// show the bound on a search's words: a stored text pasted whole, as many common words as a search
// reads, and 40,000 words of which only that many are read.
#include "Storage/MemoryStore.h"
#include "Support/SyntheticMemory.h"

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

#include <time.h>

using namespace ostrel;
using namespace benchsupport;

namespace {

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
    std::mt19937_64 longRandom(7);
    const auto pick = [&](std::size_t from, std::size_t to) {
        return c.words[from + random() % (to - from)];
    };
    std::vector<QueryClass> classes{{"rareWord", {}},     {"commonWord", {}},  {"twoWords", {}},
                                    {"prefix", {}},       {"phrase", {}},      {"appFilter", {}},
                                    {"siteFilter", {}},   {"longestText", {}}, {"hostile40000Words", {}},
                                    {"commonLongest", {}}};
    for (std::size_t i = 0; i < queriesPerClass; ++i) {
        classes[0].texts.push_back(pick(20'000, 40'000));
        classes[1].texts.push_back(c.words[i % 10]);
        classes[2].texts.push_back(pick(50, 2000) + " " + pick(50, 2000));
        classes[3].texts.push_back(pick(100, 3000).substr(0, 3));
        classes[5].texts.push_back("app:" + c.apps[random() % 60].name.substr(0, 5) + " " + pick(100, 2000));
        classes[6].texts.push_back("site:" + c.hosts[random() % hostCount]);
        // As many common words as a search reads, and a pasted text far longer than that; drawn
        // apart, so the other classes keep their queries.
        std::string common;
        for (std::size_t w = 0; w < SearchQuery::maximumWords; ++w) {
            common += (w ? " " : "") + c.words[longRandom() % 200];
        }
        classes[9].texts.push_back(common);
        std::string hostile;
        for (int w = 0; w < 40'000; ++w) {
            hostile += (w ? " " : "") + c.words[longRandom() % 20'000];
        }
        classes[8].texts.push_back(hostile);
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
        // A stored text pasted whole: as many of its words as a search reads, all in one moment.
        classes[7].texts.push_back(body);
    }
    return classes;
}

double threadMillis() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
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
                    std::vector<double> cpuMillis;
                    double hits = 0;
                    std::size_t next = 0;
                    for (auto _ : state) {
                        // Parsing counts too: for a long text it is where the time would go.
                        const auto start = std::chrono::steady_clock::now();
                        const double cpuStart = threadMillis();
                        const SearchQuery query(queryClass.texts[next++ % queryClass.texts.size()],
                                                std::nullopt, std::nullopt, {}, hitLimit, sort);
                        hits += static_cast<double>(store.search(query, benchEnd).size());
                        cpuMillis.push_back(threadMillis() - cpuStart);
                        millis.push_back(std::chrono::duration<double, std::milli>(
                                             std::chrono::steady_clock::now() - start)
                                             .count());
                    }
                    state.counters["median_ms"] = percentile(millis, 0.5);
                    state.counters["p95_ms"] = percentile(millis, 0.95);
                    state.counters["median_cpu_ms"] = percentile(cpuMillis, 0.5);
                    state.counters["p95_cpu_ms"] = percentile(cpuMillis, 0.95);
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
