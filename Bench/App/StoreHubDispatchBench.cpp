// What the store hub adds to a database call: one hop to its queue and back. The same small read
// and write run directly on a store and through the hub's synchronous and asynchronous operations.
#include "Store/StoreHub.h"

#include "Storage/MemoryStore.h"
#include "Support/TemporaryFolder.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

// A hub on a data folder of its own under the temporary folder, removed at the end.
struct Fixture {
    benchsupport::TemporaryFolder folder; // declared first: it goes after the hub
    vesperline::StoreHub hub{folder.path()};
};

std::unique_ptr<Fixture> shared;

Fixture& fixture() {
    return *shared;
}

void readDirect(benchmark::State& state) {
    ostrel::MemoryStore store(fixture().hub.databaseFile(), true);
    for (auto _ : state) {
        benchmark::DoNotOptimize(store.metaValue("created_at"));
    }
}
BENCHMARK(readDirect)->Unit(benchmark::kMicrosecond);

void readSync(benchmark::State& state) {
    vesperline::StoreHub& hub = fixture().hub;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            hub.readSync([](ostrel::MemoryStore& store) { return store.metaValue("created_at"); }));
    }
}
BENCHMARK(readSync)->Unit(benchmark::kMicrosecond);

void readAsyncAwaited(benchmark::State& state) {
    vesperline::StoreHub& hub = fixture().hub;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            hub.readAsync([](ostrel::MemoryStore& store) { return store.metaValue("created_at"); }).result());
    }
}
BENCHMARK(readAsyncAwaited)->Unit(benchmark::kMicrosecond);

void writeDirect(benchmark::State& state) {
    ostrel::MemoryStore store(fixture().hub.databaseFile(), false);
    for (auto _ : state) {
        store.setMetaValue("bench", "value");
    }
}
BENCHMARK(writeDirect)->Unit(benchmark::kMicrosecond);

void writeSync(benchmark::State& state) {
    vesperline::StoreHub& hub = fixture().hub;
    for (auto _ : state) {
        hub.sync([](ostrel::MemoryStore& store) { store.setMetaValue("bench", "value"); });
    }
}
BENCHMARK(writeSync)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv); // the queues' event loops need one
    shared = std::make_unique<Fixture>();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    shared.reset();
    return 0;
}
