// Scrubbing across a day of 20,000 moments on the timeline, with the real store, segment files and
// decoder behind it: the time from each drag event on the activity bar to the moment view painting a
// preview of that event's moment, or of one picked after it when the pointer had moved on before the
// picture was there (pictures go by one decode at a time, the latest wish next).
//   scrub/px/scrolling: one drag from the left end of the bar to the right end, a pointer move every
//     16 ms (a 60 Hz mouse) of `px` pixels, over a day of typing in an editor (scrolling 0, the
//     usual screen: small changes between moments) or of a page scrolled at every moment (1, the
//     costliest to decode). The picture cache and the open decoders are emptied before each drag,
//     as for the first look at a day. Counters: the median, 90th percentile and worst latency in
//     milliseconds, the drag events and the pictures decoded per drag.
#include "Platform/InstalledApplications.h"
#include "Platform/Linux/FFmpegVideoFiles.h"
#include "ScreenSequences.h"
#include "Store/FrameImageLoader.h"
#include "Store/SegmentWriter.h"
#include "Store/StoreHub.h"
#include "Support/TemporaryFolder.h"
#include "UI/Moment/MomentDetail.h"
#include "UI/Shared/LocalDay.h"
#include "UI/Timeline/TimelineBar.h"
#include "UI/Timeline/TimelineScreen.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMouseEvent>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdlib>

using namespace vesperline;

namespace {

constexpr int momentCount = 20000;
constexpr int segmentCount = 2;
constexpr int framesPerSegment = 120;
constexpr int pointerInterval = 16; // milliseconds between drag events

// A day of moments: 07:00 to 19:00 today, about one every two seconds, in apps that take turns every
// few minutes; their pictures are the frames of two segment files, of typing or of a scrolling page.
struct RecordedDay {
    benchsupport::TemporaryFolder folder;
    StoreHub hub{folder.path() / "data"};
    platform::FFmpegVideoFiles files;

    template <typename Screen> explicit RecordedDay(Screen screen) {
        const ostrel::Time start = LocalDay::start(ostrel::currentTime()) + 7 * 3600;
        const double step = 12 * 3600.0 / momentCount;
        std::vector<std::int64_t> segments;
        for (int s = 0; s < segmentCount; ++s) {
            const std::string path = "segments/bench/1-" + std::to_string(s) + ".mp4";
            std::filesystem::create_directories(hub.frameFile(path).parent_path());
            auto writer =
                SegmentWriter::create(files, hub.frameFile(path), bench::screenWidth,
                                      {bench::screenWidth, bench::screenHeight}, 0.5f, false, start);
            for (int i = 0; i < framesPerSegment; ++i) {
                writer->append(screen.next(), start + i, std::chrono::seconds(10));
            }
            const std::int64_t bytes = writer->finish();
            segments.push_back(hub.sync([&](ostrel::MemoryStore& store) {
                const std::int64_t id =
                    store.openSegment(path, 1, start, bench::screenWidth, bench::screenHeight);
                store.closeSegment(id, start + framesPerSegment, framesPerSegment, bytes);
                return id;
            }));
        }
        hub.sync([&](ostrel::MemoryStore& store) {
            store.db().transaction([&] {
                for (int i = 0; i < momentCount; ++i) {
                    const int app = (i / 150) % 5;
                    ostrel::NewFrame frame;
                    frame.timestamp = start + i * step;
                    frame.displayID = 1;
                    frame.appBundleID = "org.example.app" + std::to_string(app);
                    frame.appName = "App " + std::to_string(app);
                    frame.windowTitle = "Window " + std::to_string(i / 40);
                    frame.width = bench::screenWidth;
                    frame.height = bench::screenHeight;
                    frame.imageState = ostrel::ImageState::segment;
                    frame.segmentID = segments[(i / framesPerSegment) % segmentCount];
                    frame.segmentIndex = i % framesPerSegment;
                    frame.lines = {"line " + std::to_string(i)};
                    store.insertFrame(frame);
                }
                for (int span = 0; span < momentCount / 150; ++span) {
                    ostrel::ActivitySpan activity;
                    activity.start = start + span * 150 * step;
                    activity.end = activity.start + 150 * step;
                    activity.appBundleID = "org.example.app" + std::to_string(span % 5);
                    activity.appName = "App " + std::to_string(span % 5);
                    store.insertActivity(activity);
                }
            });
        });
    }
};

// Apps without desktop files: their icons are the placeholder.
class NoApplications final : public platform::InstalledApplications {
  public:
    std::optional<platform::InstalledApplication> application(const std::string&) override {
        return std::nullopt;
    }
    std::vector<platform::InstalledApplication> listedApplications() override { return {}; }
    // The applications here never change.
    void watch(QObject*, std::function<void()>) override {}
};

// Runs the event loop for `milliseconds`, delivering what arrives meanwhile.
void runFor(int milliseconds) {
    if (milliseconds <= 0) {
        QApplication::processEvents();
        return;
    }
    QEventLoop loop;
    QTimer::singleShot(milliseconds, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// Paints the moment view's picture itself, so it knows when each painted picture is on screen, and
// settles the drag events that picture answers.
class PaintWatch final : public QObject {
  public:
    struct DragEvent {
        qint64 sentAt;
        std::int64_t frameID;
    };

    PaintWatch(const MomentDetailController& detail, const QElapsedTimer& clock)
        : detail_(detail), clock_(clock) {}

    std::vector<DragEvent> events;
    std::vector<double> latencies; // milliseconds, one per settled event
    std::size_t settled = 0;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Paint || painting_) {
            return false;
        }
        painting_ = true;
        watched->event(event);
        painting_ = false;
        const qint64 now = clock_.nsecsElapsed();
        const std::optional<std::int64_t> shown = detail_.imageFrameID();
        if (!shown) {
            return true;
        }
        // Moment ids grow from left to right: the picture answers every event up to the last one
        // that picked it.
        std::size_t last = events.size();
        for (std::size_t i = events.size(); i > settled; --i) {
            if (events[i - 1].frameID == *shown) {
                last = i - 1;
                break;
            }
        }
        if (last == events.size()) {
            return true;
        }
        for (; settled <= last; ++settled) {
            latencies.push_back(double(now - events[settled].sentAt) / 1e6);
        }
        return true;
    }

  private:
    const MomentDetailController& detail_;
    const QElapsedTimer& clock_;
    bool painting_ = false;
};

void send(QWidget* bar, QEvent::Type type, double x) {
    const QPointF at(x, 30);
    QMouseEvent event(type, at, bar->mapToGlobal(at),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(bar, &event);
}

double percentile(std::vector<double> values, double fraction) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, std::size_t(fraction * double(values.size() - 1) + 0.5))];
}

RecordedDay& recordedDay(bool scrolling) {
    if (scrolling) {
        static RecordedDay day{bench::ScrollingScreen()};
        return day;
    }
    static RecordedDay day{bench::TypingScreen()};
    return day;
}

void scrub(benchmark::State& state) {
    const int stride = int(state.range(0));
    RecordedDay& day = recordedDay(state.range(1) != 0);
    FrameImageLoader loader(day.files, day.hub.framesDirectory());
    std::atomic<int> decodes = 0;
    NoApplications applications;
    MomentDetailController::Services moment{
        .hub = day.hub,
        .images =
            [&](const std::string& path, std::int64_t index, std::int64_t frameID,
                FrameImageLoader::Size size) {
                ++decodes;
                return loader.imageAsync(path, index, frameID, size);
            },
        .termBoxes = {},
        .actions = {},
    };
    TimelineScreen screen(
        TimelineScreen::Services{.moment = moment, .analyze = {}, .applications = applications});
    screen.resize(1280, 800);
    screen.show();
    while (!screen.controller().loaded()) {
        runFor(10);
    }
    auto* bar = screen.findChild<TimelineBar*>("timelineBar");
    auto* detail = screen.findChild<MomentDetail*>("timelineDetail");
    QWidget* canvas = detail->findChild<QWidget*>("momentCanvas");
    runFor(200);

    QElapsedTimer clock;
    clock.start();
    std::vector<double> latencies;
    double events = 0;
    double pictures = 0;
    for (auto _ : state) {
        loader.removeAll();
        decodes = 0;
        PaintWatch watch(detail->controller(), clock);
        canvas->installEventFilter(&watch);
        const qint64 began = clock.nsecsElapsed();
        for (int x = 0; x <= bar->width(); x += stride) {
            const qint64 due = began + qint64(watch.events.size()) * pointerInterval * 1000000;
            runFor(int((due - clock.nsecsElapsed()) / 1000000));
            const qint64 sentAt = clock.nsecsElapsed();
            send(bar, watch.events.empty() ? QEvent::MouseButtonPress : QEvent::MouseMove, x);
            watch.events.push_back({sentAt, screen.controller().shownFrame()->id});
        }
        QElapsedTimer waiting;
        waiting.start();
        while (watch.settled < watch.events.size() && waiting.elapsed() < 10000) {
            runFor(5);
        }
        const qint64 ended = clock.nsecsElapsed();
        send(bar, QEvent::MouseButtonRelease, bar->width());
        canvas->removeEventFilter(&watch);
        state.SetIterationTime(double(ended - began) / 1e9);
        latencies.insert(latencies.end(), watch.latencies.begin(), watch.latencies.end());
        events += double(watch.events.size());
        pictures += decodes;
        runFor(300); // the picture at rest, at full size
    }
    const double iterations = double(state.iterations());
    state.counters["median_ms"] = percentile(latencies, 0.5);
    state.counters["p90_ms"] = percentile(latencies, 0.9);
    state.counters["worst_ms"] =
        latencies.empty() ? 0 : *std::max_element(latencies.begin(), latencies.end());
    state.counters["events"] = events / iterations;
    state.counters["decodes"] = pictures / iterations;
    state.counters["unanswered"] = events - double(latencies.size());
}

BENCHMARK(scrub)
    ->ArgNames({"px", "scrolling"})
    ->ArgsProduct({{4, 16}, {0, 1}})
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
