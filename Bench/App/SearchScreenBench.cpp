// From the last keystroke in the search screen's field to its rows shown, on the synthetic memory of
// Support/SyntheticMemory.h: the key reaches the field, the model waits out the 0.14 s typing pause,
// the search runs on the hub, and the screen fills its list and repaints. The key is pressed as the
// user comes back to the screen and goes on typing: the screen has just come into view, so its app
// list is being read, and the statistics refresh the application makes every minute and after each
// batch of the OCR backlog is asked for with the key. The store's own search of the same words, on a
// connection of its own, is measured beside it.
//
//   VESPERLINE_BENCH_MOMENTS  number of moments (default 1000000)
//   VESPERLINE_BENCH_DATA     the data folder holding the store, built once and reused
//                             (default /tmp/vesperline-search-screen-bench-<moments>)
//
// Each benchmark types each word of its class in turn and reports the median and the 95th
// percentile in milliseconds and the mean number of rows. keystrokeToRows reports the whole wait
// (median_ms, p95_ms) and what follows the typing pause (search_median_ms, search_p95_ms): the wait
// for the hub, the search and the painting; storeSearch the store alone. Both go once through the
// words untimed first, so the connections' caches hold what the words need.
#include "Model/SearchModel.h"
#include "Platform/InstalledApplications.h"
#include "Storage/OstrelPaths.h"
#include "Store/StoreHub.h"
#include "Support/SyntheticStore.h"
#include "UI/Search/ResultList.h"
#include "UI/Search/SearchScreen.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

using namespace vesperline;
using namespace benchsupport;

namespace {

std::int64_t momentCount() {
    const char* value = std::getenv("VESPERLINE_BENCH_MOMENTS");
    return value && *value ? std::max<std::int64_t>(std::atoll(value), 1000) : 1'000'000;
}

std::filesystem::path dataFolder() {
    const char* value = std::getenv("VESPERLINE_BENCH_DATA");
    if (value && *value) {
        return value;
    }
    return std::filesystem::temp_directory_path() /
           ("vesperline-search-screen-bench-" + std::to_string(momentCount()));
}

class NoApplications final : public platform::InstalledApplications {
  public:
    std::optional<platform::InstalledApplication> application(const std::string&) override {
        return std::nullopt;
    }
    std::vector<platform::InstalledApplication> listedApplications() override { return {}; }
    // The applications here never change.
    void watch(QObject*, std::function<void()>) override {}
};

// The synthetic memory's moments have no segment files: rows and preview show their notices.
QFuture<std::optional<QImage>> noPicture() {
    return QtFuture::makeReadyFuture(std::optional<QImage>());
}

// Sleeps until events come and handles them, as the application's event loop does. (The overload
// with a time limit ignores WaitForMoreEvents: it spun a core and went on handling events for up to
// its limit after the rows had come.)
void waitUntil(const std::function<bool()>& done) {
    while (!done()) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

// Notes the first paint inside `widget` once `after` holds: the moment the rows reach the screen
// through the event loop, as they do in the application.
class PaintWatch final : public QObject {
  public:
    PaintWatch(QWidget& widget, std::function<bool()> after) : widget_(widget), after_(std::move(after)) {
        qApp->installEventFilter(this);
    }
    ~PaintWatch() override { qApp->removeEventFilter(this); }

    bool seen = false;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && watched->isWidgetType() &&
            widget_.isAncestorOf(static_cast<QWidget*>(watched)) && after_()) {
            seen = true;
        }
        return false;
    }

  private:
    QWidget& widget_;
    std::function<bool()> after_;
};

// The screen over the synthetic store, shown at a usual window size, with the clock at the store's
// "now" so the ranking sees the moments' ages as the store's build meant them.
struct ShownScreen {
    class StoreClock final : public ostrel::Clock {
      public:
        ostrel::Time now() const override { return benchEnd; }
        double uptime() const override { return systemClock().uptime(); }
    };

    StoreClock clock;
    StoreHub hub{dataFolder(), clock};
    SearchModel model{hub, clock};
    NoApplications applications;
    SearchScreen screen{{
        .model = model,
        .actions = {},
        .hub = hub,
        .pictures = [](const std::string&, std::int64_t, std::int64_t,
                       FrameImageLoader::Size) { return noPicture(); },
        .termBoxes =
            [](const QImage&, const std::vector<std::string>&, LiveTextAnalyzer::Cancellation) {
                return QtFuture::makeReadyFuture(std::vector<ostrel::Rect>{});
            },
        .analyze = {},
        .thumbnails = [](const std::string&, std::int64_t, std::int64_t) { return noPicture(); },
        .applications = applications,
        .clock = clock,
    }};
    QLineEdit* field = screen.findChild<QLineEdit*>("searchField");
    ResultList* list = screen.findChild<ResultList*>("resultList");

    ShownScreen() {
        screen.resize(1200, 800);
        screen.show();
        waitUntil([this] { return !model.isSearching(); });
    }

    // Types all of `word` but its last letter and waits for that search to be shown; then the screen
    // leaves and comes back into view, which reads the app list and searches again at once.
    void typeAllButLast(const std::string& word) {
        model.setText(QString::fromStdString(word.substr(0, word.size() - 1)));
        model.schedule(true);
        waitUntil([this] { return !model.isSearching(); });
        field->setText(model.text());
        screen.hide();
        screen.show();
    }
    // Presses the last letter, with the application's statistics refresh asked for at once; returns
    // once the rows of the whole word are painted.
    void typeLast(const std::string& word) {
        const QString letter = QString::fromStdString(word.substr(word.size() - 1));
        const QString text = QString::fromStdString(word);
        bool shownRows = false;
        // Only the newest search's rows are shown: those the screen asked for on coming back are dropped.
        const QMetaObject::Connection shown =
            QObject::connect(&model, &SearchModel::resultsChanged, [&] { shownRows = model.text() == text; });
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, letter);
        QApplication::sendEvent(field, &press);
        refreshStatistics();
        PaintWatch painted(*list, [&] { return shownRows; });
        waitUntil([&] { return painted.seen; });
        QObject::disconnect(shown);
    }

    // What the application model reads for its figures (today's statistics, the storage, the OCR
    // backlog), on the hub's read queue as it does.
    void refreshStatistics() {
        statistics = hub.readAsync([](ostrel::MemoryStore& store) {
            const std::string day = ostrel::MemoryStore::dayKey(benchEnd);
            return std::tuple(store.stats(day, day), store.storageBreakdown(), store.queuedOCRCount());
        });
    }

    QFuture<std::tuple<std::vector<ostrel::DayStats>, ostrel::StorageBreakdown, std::int64_t>> statistics;
};

double percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(std::ceil(fraction * static_cast<double>(values.size()))) - 1;
    return values[std::min(index, values.size() - 1)];
}

void keystrokeToRows(benchmark::State& state, std::vector<std::string> words) {
    ShownScreen shown;
    for (const std::string& word : words) {
        shown.typeAllButLast(word);
        shown.typeLast(word);
        shown.statistics.waitForFinished();
    }
    std::vector<double> millis;
    std::vector<double> searchMillis;
    double rows = 0;
    std::size_t next = 0;
    for (auto _ : state) {
        const std::string& word = words[next++ % words.size()];
        shown.typeAllButLast(word);
        const auto start = std::chrono::steady_clock::now();
        shown.typeLast(word);
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(elapsed);
        millis.push_back(elapsed * 1000);
        searchMillis.push_back((elapsed - SearchModel::debounceSeconds) * 1000);
        rows += shown.list->rowCount();
        shown.statistics.waitForFinished(); // each keystroke meets one refresh of its own
    }
    state.counters["median_ms"] = percentile(millis, 0.5);
    state.counters["p95_ms"] = percentile(millis, 0.95);
    state.counters["search_median_ms"] = percentile(searchMillis, 0.5);
    state.counters["search_p95_ms"] = percentile(searchMillis, 0.95);
    state.counters["rows"] = rows / static_cast<double>(millis.size());
}

void storeSearch(benchmark::State& state, std::vector<std::string> words) {
    ostrel::MemoryStore store(dataFolder() / ostrel::OstrelPaths::databaseFileName, true);
    const auto query = [](const std::string& word) {
        return ostrel::SearchQuery(word, std::nullopt, std::nullopt, {}, SearchModel::hitLimit,
                                   ostrel::SearchQuery::Sort::relevance);
    };
    for (const std::string& word : words) {
        benchmark::DoNotOptimize(store.search(query(word), benchEnd));
    }
    std::vector<double> millis;
    std::size_t next = 0;
    for (auto _ : state) {
        const ostrel::SearchQuery searched = query(words[next++ % words.size()]);
        const auto start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(store.search(searched, benchEnd));
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(elapsed);
        millis.push_back(elapsed * 1000);
    }
    state.counters["median_ms"] = percentile(millis, 0.5);
    state.counters["p95_ms"] = percentile(millis, 0.95);
}

} // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    prepareSyntheticStore(dataFolder() / ostrel::OstrelPaths::databaseFileName, momentCount());
    QApplication application(argc, argv);

    // Rare words turn up in a few hundred moments of a million, common ones in most.
    const Corpus& c = corpus();
    std::vector<std::string> rare;
    std::vector<std::string> common;
    for (std::size_t i = 0; i < 8; ++i) {
        rare.push_back(c.words[30'000 + i * 1'000]);
        common.push_back(c.words[i]);
    }
    for (const auto& [name, words] : {std::pair{"rareWord", rare}, std::pair{"commonWord", common}}) {
        benchmark::RegisterBenchmark((std::string("keystrokeToRows/") + name).c_str(), keystrokeToRows, words)
            ->Iterations(40)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("storeSearch/") + name).c_str(), storeSearch, words)
            ->Iterations(40)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
