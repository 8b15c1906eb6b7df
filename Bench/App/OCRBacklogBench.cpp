// Throughput of the OCR backlog on the real codec and recogniser: a run over moments of a typing
// editor kept while recognition was not allowed, each read in a window of a quarter of the screen.
// Reports wall time and processor time (all threads) per moment; the wall time includes the fixed
// 120 ms pause after each moment that keeps the backlog in the background.
#include "Capture/OCRBacklog.h"
#include "Capture/OCRService.h"
#include "Platform/Linux/FFmpegVideoFiles.h"
#include "Platform/Linux/LinuxProcessResources.h"
#include "Platform/Linux/TesseractTextRecognizer.h"
#include "ScreenSequences.h"
#include "Store/FrameImageLoader.h"
#include "Store/StoreHub.h"
#include "Support/TemporaryFolder.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

using namespace vesperline;
using namespace bench;

namespace {

namespace fs = std::filesystem;
constexpr int moments = 6;

// A memory of `moments` queued moments in one closed segment, written outside the timed run.
void seed(StoreHub& hub, platform::VideoFiles& files, ostrel::Time start) {
    const std::string path = "segments/2025-03-01/1-" + std::to_string(std::llround(start * 1000)) + ".mp4";
    const fs::path file = hub.frameFile(path);
    fs::create_directories(file.parent_path());
    auto writer = files.createWriter(file, {screenWidth, screenHeight, 0.5f, 60, false});
    TypingScreen screen;
    for (int i = 0; i < moments; ++i) {
        for (int typed = 0; typed < 40; ++typed) {
            screen.next(); // a few lines more each moment
        }
        writer->waitUntilReady(std::chrono::seconds(30));
        writer->appendFrame(screen.next(), i);
    }
    writer->finish();
    hub.sync([&](ostrel::MemoryStore& store) {
        const std::int64_t segment = store.openSegment(path, 1, start, screenWidth, screenHeight);
        store.closeSegment(segment, start + moments, moments, static_cast<std::int64_t>(fs::file_size(file)));
        for (int i = 0; i < moments; ++i) {
            ostrel::NewFrame frame;
            frame.timestamp = start + i;
            frame.appBundleID = "org.example.Editor";
            frame.windowTitle = "main.cpp";
            frame.imageState = ostrel::ImageState::segment;
            frame.segmentID = segment;
            frame.segmentIndex = i;
            frame.ocrState = ostrel::OCRState::queued;
            frame.windowRect = ostrel::RelativeRect{0.14, 0.5, 0.5, 0.5};
            store.insertFrame(frame);
        }
    });
}

void backlogRun(benchmark::State& state) {
    const benchsupport::TemporaryFolder data;
    {
        StoreHub hub(data.path());
        platform::FFmpegVideoFiles files;
        platform::TesseractTextRecognizer recognizer;
        OCRService ocr(recognizer, {"en-US"});
        FrameImageLoader loader(files, hub.framesDirectory());
        OCRBacklog backlog(hub, ocr, loader);
        backlog.setAllowed(true);
        double start = 1740000000;
        double wall = 0;
        double processor = 0;
        for (auto _ : state) {
            state.PauseTiming();
            seed(hub, files, start);
            start += 3600;
            state.ResumeTiming();
            const auto began = std::chrono::steady_clock::now();
            const double cpuBefore = *platform::LinuxProcessResources::ownCPUSeconds();
            backlog.start();
            while (backlog.isRunning()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            processor += *platform::LinuxProcessResources::ownCPUSeconds() - cpuBefore;
            wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
        }
        const double done = static_cast<double>(state.iterations()) * moments;
        state.counters["wall_ms_per_moment"] = wall / done * 1000;
        state.counters["cpu_ms_per_moment"] = processor / done * 1000;
    }
}
BENCHMARK(backlogRun)->Iterations(2)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    // As the application runs the recogniser: its spinning threads would count as the backlog's.
    QGuiApplication application(argc, argv); // painting the screens and the queues need one
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
