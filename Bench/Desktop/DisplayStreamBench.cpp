// What one display stream costs on X11, run inside the desktop session:
//   scripts/desktop-session build/Bench/Desktop/DisplayStreamBench
// staticScreen: the stream's share of one core while nothing on the screen changes (it only asks
// the server for damage once a second). sample: processor time per delivered 1920 x 1080 sample,
// the grab alone, with a window blanked, blanked and scaled to 1280 x 720, and with the filter the
// recorder gives (our own windows and the password managers' by application, which looks up the
// application of every window's process).
#include "Platform/Linux/DesktopFileApplications.h"
#include "Platform/Linux/X11DisplayCapture.h"
#include "Platform/Linux/X11Workspace.h"
#include "Rules/PrivacyRules.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

using namespace vesperline::platform;

double processCPUSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Desktop {
    std::shared_ptr<X11Connection> x11 = X11Connection::open();
    DesktopFileApplications installed;
    std::unique_ptr<X11Workspace> workspace = x11 ? std::make_unique<X11Workspace>(x11, installed) : nullptr;
    std::unique_ptr<X11DisplayCapture> capture =
        workspace ? std::make_unique<X11DisplayCapture>(*workspace) : nullptr;

    std::uint32_t mainDisplay() {
        for (const DisplayInfo& display : capture->capturableDisplays()) {
            if (display.isMain) {
                return display.id;
            }
        }
        return 0;
    }
};

// Counts deliveries and lets the benchmark wait for the next one.
class Deliveries {
  public:
    DisplayStream::Output output() {
        return [this](const DisplaySample&) {
            std::lock_guard lock(mutex_);
            ++count_;
            arrived_.notify_all();
        };
    }
    std::size_t count() {
        std::lock_guard lock(mutex_);
        return count_;
    }
    bool waitBeyond(std::size_t seen) {
        std::unique_lock lock(mutex_);
        return arrived_.wait_for(lock, std::chrono::seconds(5), [&] { return count_ > seen; });
    }

  private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::size_t count_ = 0;
};

void staticScreen(benchmark::State& state) {
    Desktop desktop;
    if (!desktop.capture) {
        state.SkipWithError("no X display: run inside scripts/desktop-session");
        return;
    }
    const double seconds = static_cast<double>(state.range(0));
    for (auto _ : state) {
        Deliveries deliveries;
        auto stream = desktop.capture->makeStream(desktop.mainDisplay());
        stream->start({1920, 1080, 1.0}, {{}, {getpid()}}, deliveries.output(),
                      [](const DisplayStreamError&) {});
        deliveries.waitBeyond(0); // the first sample shows the whole display
        const double before = processCPUSeconds();
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        const double used = processCPUSeconds() - before;
        stream->stop();
        state.counters["core_percent"] = used / seconds * 100;
        state.counters["samples_while_still"] = static_cast<double>(deliveries.count() - 1);
    }
}
BENCHMARK(staticScreen)->Arg(20)->Iterations(1)->Unit(benchmark::kSecond);

void sample(benchmark::State& state) {
    Desktop desktop;
    if (!desktop.capture) {
        state.SkipWithError("no X display: run inside scripts/desktop-session");
        return;
    }
    // 0: the grab alone; 1: with our window blanked; 2: blanked and scaled to 1280 x 720; 3: blanked
    // with the recorder's filter.
    const int variant = static_cast<int>(state.range(0));
    xcb_connection_t* connection = desktop.x11->connection();
    // Other windows on the desktop, stacked below the painted one: each is read with every sample.
    std::vector<xcb_window_t> others(static_cast<std::size_t>(state.range(1)));
    for (std::size_t i = 0; i < others.size(); ++i) {
        others[i] = xcb_generate_id(connection);
        const std::uint32_t overrideRedirect[] = {1};
        xcb_create_window(connection, XCB_COPY_FROM_PARENT, others[i], desktop.x11->root(),
                          static_cast<std::int16_t>(40 * i % 1800), static_cast<std::int16_t>(20 * i % 900),
                          120, 80, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                          XCB_CW_OVERRIDE_REDIRECT, overrideRedirect);
        xcb_map_window(connection, others[i]);
    }
    // A window of our own that the benchmark repaints to make damage; blanked in the second variant.
    const xcb_window_t window = xcb_generate_id(connection);
    const std::uint32_t values[] = {1};
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, desktop.x11->root(), 200, 200, 600, 400, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_OVERRIDE_REDIRECT, values);
    xcb_map_window(connection, window);
    const xcb_gcontext_t context = xcb_generate_id(connection);
    xcb_create_gc(connection, context, window, 0, nullptr);
    xcb_flush(connection);

    Deliveries deliveries;
    auto stream = desktop.capture->makeStream(desktop.mainDisplay());
    DisplayFilter filter = variant >= 1 ? DisplayFilter{{}, {getpid()}} : DisplayFilter{};
    if (variant == 3) {
        const std::vector<std::string>& managers = ostrel::PrivacyRules::passwordManagers();
        filter.excludedApplications = {managers.begin(), managers.end()};
    }
    const DisplayStreamConfiguration configuration = variant == 2
                                                         ? DisplayStreamConfiguration{1280, 720, 0.02}
                                                         : DisplayStreamConfiguration{1920, 1080, 0.02};
    stream->start(configuration, filter, deliveries.output(), [](const DisplayStreamError&) {});
    deliveries.waitBeyond(0);
    std::uint32_t colour = 0x102030;
    for (auto _ : state) {
        const std::size_t seen = deliveries.count();
        colour ^= 0x00ff00;
        xcb_change_gc(connection, context, XCB_GC_FOREGROUND, &colour);
        const xcb_rectangle_t area{0, 0, 600, 400};
        xcb_poly_fill_rectangle(connection, window, context, 1, &area);
        xcb_flush(connection);
        if (!deliveries.waitBeyond(seen)) {
            state.SkipWithError("no sample arrived");
            break;
        }
    }
    stream->stop();
    xcb_destroy_window(connection, window);
    for (xcb_window_t other : others) {
        xcb_destroy_window(connection, other);
    }
    xcb_flush(connection);
}
BENCHMARK(sample)
    ->ArgNames({"variant", "windows"})
    ->ArgsProduct({{0, 1, 2, 3}, {0, 40}})
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
