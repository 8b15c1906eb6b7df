// What one question costs the memory before the model writes its answer: the keyword searches (at
// most five, four hits each) or the one search on the question, and the numbered excerpts, on the
// synthetic memory of Support/SyntheticMemory.h. The model answers at once, so only the service's
// own work and the store are measured.
//
//   VESPERLINE_BENCH_MOMENTS  number of moments (default 100000)
#include "AI/AIService.h"
#include "Platform/Fake/FakeLanguageModel.h"
#include "Store/StoreHub.h"
#include "Support/SyntheticMemory.h"
#include "Support/TemporaryFolder.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

using namespace vesperline;
using namespace benchsupport;

namespace {

std::int64_t momentCount() {
    const char* value = std::getenv("VESPERLINE_BENCH_MOMENTS");
    return value && *value ? std::max<std::int64_t>(std::atoll(value), 1000) : 100'000;
}

struct Fixture {
    TemporaryFolder folder;
    StoreHub hub{folder.path() / "data"};
    platform::FakeLanguageModel model;
    std::unique_ptr<AIService> service;

    Fixture() {
        const double seconds = hub.sync([](ostrel::MemoryStore& store) {
            MomentStream stream(momentCount());
            return insertMoments(store, stream, momentCount());
        });
        std::printf("Built a memory of %lld moments in %.1f s\n", static_cast<long long>(momentCount()),
                    seconds);
        service = std::make_unique<AIService>(model);
        while (service->availabilityMessage()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
    }
};

std::unique_ptr<Fixture> shared;

// Asks questions whose plan holds `keywords`, and reports how many sources each answer cites.
void ask(benchmark::State& state, const std::vector<std::string>& keywords, const QString& question) {
    Fixture& f = *shared;
    const std::string plan = nlohmann::json{{"keywords", keywords}, {"days", 0}}.dump();
    f.model.setReply([plan](const platform::LanguageModel::Request& request) {
        return request.schema ? plan : std::string("An answer [1].");
    });
    std::size_t sources = 0;
    for (auto _ : state) {
        sources = f.service->answer(question, f.hub).result().sources.size();
    }
    state.counters["sources"] = static_cast<double>(sources);
}

// Words of the synthetic vocabulary from frequent to rare.
std::vector<std::string> words(std::initializer_list<std::size_t> ranks) {
    std::vector<std::string> result;
    for (std::size_t rank : ranks) {
        result.push_back(corpus().words[rank]);
    }
    return result;
}

void fiveKeywords(benchmark::State& state) {
    ask(state, words({3, 40, 400, 4000, 40000}), QStringLiteral("What did I read?"));
}
BENCHMARK(fiveKeywords)->Unit(benchmark::kMillisecond)->UseRealTime();

void oneRareKeyword(benchmark::State& state) {
    ask(state, words({30000}), QStringLiteral("What did I read?"));
}
BENCHMARK(oneRareKeyword)->Unit(benchmark::kMillisecond)->UseRealTime();

// Keywords that find nothing, then the question itself.
void fallbackToTheQuestion(benchmark::State& state) {
    const std::vector<std::string> missing = {"qqqzx", "zzqqy", "xqzzq"};
    const std::vector<std::string> question = words({20, 200, 2000});
    ask(state, missing, QString::fromStdString(question[0] + ' ' + question[1] + ' ' + question[2]));
}
BENCHMARK(fallbackToTheQuestion)->Unit(benchmark::kMillisecond)->UseRealTime();

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
