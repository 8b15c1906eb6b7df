// Cost of deleting 1,000 moments from a memory of 100,000 (text, full-text rows, segment queue), by
// scattered ids, as a time range and oldest first. Each run starts from a fresh copy of one stored
// file, built once in the temporary folder and reused by later runs; copying is not timed.
//
//   VESPERLINE_BENCH_STORE    template database file (default /tmp/vesperline-deletion-bench-100000.sqlite)
#include "Storage/MemoryStore.h"
#include "Support/SyntheticMemory.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>

using namespace ostrel;
using namespace benchsupport;

namespace {

constexpr std::int64_t storeMoments = 100'000;
constexpr std::int64_t deletedMoments = 1'000;
constexpr std::int64_t momentsPerSegment = 300;

std::filesystem::path templatePath() {
    const char* value = std::getenv("VESPERLINE_BENCH_STORE");
    if (value && *value) {
        return value;
    }
    return std::filesystem::temp_directory_path() /
           ("vesperline-deletion-bench-" + std::to_string(storeMoments) + ".sqlite");
}

std::filesystem::path workingPath() {
    return std::filesystem::temp_directory_path() / "vesperline-deletion-bench-working.sqlite";
}

void removeDatabase(const std::filesystem::path& path) {
    for (const char* suffix : {"", "-wal", "-shm"}) {
        std::filesystem::remove(path.string() + suffix);
    }
}

// Moments in segments of 300, as the recorder writes them.
void prepareTemplate() {
    const std::filesystem::path path = templatePath();
    {
        MemoryStore store(path, false);
        if (store.db().scalarInt("SELECT count(*) FROM frames").value_or(0) == storeMoments) {
            std::printf("Reusing %s\n", path.c_str());
            return;
        }
    }
    removeDatabase(path);
    MemoryStore store(path, false);
    MomentStream stream(storeMoments);
    store.db().transaction([&] {
        for (std::int64_t i = 0; i < storeMoments; ++i) {
            NewFrame frame = stream.next();
            frame.segmentID = 1 + i / momentsPerSegment;
            frame.segmentIndex = i % momentsPerSegment;
            store.insertFrame(frame);
        }
    });
    store.checkpoint();
    std::printf("Built %s: %.0f MB\n", path.c_str(),
                static_cast<double>(std::filesystem::file_size(path)) / 1e6);
}

// Opens a fresh copy of the template for one timed deletion.
std::unique_ptr<MemoryStore> freshCopy() {
    removeDatabase(workingPath());
    std::filesystem::copy_file(templatePath(), workingPath());
    return std::make_unique<MemoryStore>(workingPath(), false);
}

template <typename Delete> void runDeletion(benchmark::State& state, Delete&& deleteMoments) {
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<MemoryStore> store = freshCopy();
        state.ResumeTiming();
        const MemoryStore::DeletionResult result = deleteMoments(*store);
        state.PauseTiming();
        if (result.frameCount != deletedMoments) {
            state.SkipWithError("deleted another number of moments than asked");
        }
        state.counters["segments"] = static_cast<double>(result.affectedSegments.size());
        store.reset();
        state.ResumeTiming();
    }
    removeDatabase(workingPath());
}

// The user deletes a selection of moments from all over the memory.
void deleteScatteredIDs(benchmark::State& state) {
    runDeletion(state, [](MemoryStore& store) {
        std::vector<std::int64_t> ids(storeMoments);
        for (std::int64_t i = 0; i < storeMoments; ++i) {
            ids[i] = i + 1;
        }
        std::shuffle(ids.begin(), ids.end(), std::mt19937_64(5));
        ids.resize(deletedMoments);
        return store.deleteFrames(ids);
    });
}

// The user deletes a stretch of time holding 1,000 moments from the middle of the memory.
void deleteTimeRange(benchmark::State& state) {
    runDeletion(state, [](MemoryStore& store) {
        const auto times = store.db().query(
            "SELECT ts FROM frames WHERE id IN (?, ?)",
            {SQLValue::integer(storeMoments / 2), SQLValue::integer(storeMoments / 2 + deletedMoments)},
            false, [](const SQLRow& row) { return row.real(0); });
        return store.deleteRange(times.at(0), times.at(1));
    });
}

// Retention removes the oldest moments, 1,000 per call.
void deleteOldest(benchmark::State& state) {
    runDeletion(state, [](MemoryStore& store) { return store.deleteOldestFrames(benchEnd, deletedMoments); });
}

} // namespace

int main(int argc, char** argv) {
    prepareTemplate();
    for (const auto& [name, function] : {std::pair{"deleteFrames/1000ScatteredOf100000", &deleteScatteredIDs},
                                         {"deleteRange/1000Of100000", &deleteTimeRange},
                                         {"deleteOldestFrames/1000Of100000", &deleteOldest}}) {
        benchmark::RegisterBenchmark(name, function)->Iterations(5)->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
