// Encode cost, size and quality of segment files for screen-like content, and the time to decode
// one frame by index. Run with --benchmark_filter to pick a group.

#include "ScreenSequences.h"

#include "Platform/Linux/FFmpegVideoFileReader.h"
#include "Platform/Linux/FFmpegVideoFileWriter.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

using namespace vesperline::platform;

namespace {

double processCPUSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double threadCPUSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec / 1e9;
}

double psnr(const ostrel::BGRAImage& decoded, const ostrel::BGRAImage& source) {
    double squares = 0;
    for (int y = 0; y < source.height; ++y) {
        for (int x = 0; x < source.width; ++x) {
            for (int c = 0; c < 3; ++c) {
                const double d = double(decoded.row(y)[x * 4 + c]) - double(source.row(y)[x * 4 + c]);
                squares += d * d;
            }
        }
    }
    const double mse = squares / (double(source.width) * source.height * 3);
    return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

std::filesystem::path scratchFile(const char* name) {
    return std::filesystem::temp_directory_path() /
           (std::string("vesperline-bench-") + name + "-" + std::to_string(getpid()) + ".mp4");
}

VideoEncoderSettings fullHD() {
    VideoEncoderSettings settings;
    settings.width = bench::screenWidth;
    settings.height = bench::screenHeight;
    return settings;
}

using NextScreen = std::function<ostrel::BGRAImageView()>;

// Encodes `frames` screens into one file; reports CPU per frame (without painting the screens),
// bytes per frame, the MB an hour of such frames at one every two seconds, and the PSNR of a few
// decoded frames.
void encodeSequence(benchmark::State& state, const std::function<NextScreen()>& makeSequence, int frames,
                    X265Options options) {
    const auto file = scratchFile("encode");
    // The least CPU of the runs: the machine may be busy with other work.
    double cpu = 1e9, bytes = 0, quality = 0, wallPerFrame = 0;
    int qualitySamples = 0;
    for (auto _ : state) {
        NextScreen next = makeSequence();
        std::vector<std::pair<int, ostrel::BGRAImage>> samples;
        double painting = 0;
        const double cpuStart = processCPUSeconds();
        const auto wallStart = std::chrono::steady_clock::now();
        {
            FFmpegVideoFileWriter writer(file, fullHD(), options);
            for (int i = 0; i < frames; ++i) {
                const double paintStart = threadCPUSeconds();
                const ostrel::BGRAImageView screen = next();
                if (i % 20 == 19) {
                    samples.emplace_back(i, bench::copyOf(screen));
                }
                painting += threadCPUSeconds() - paintStart;
                writer.waitUntilReady(std::chrono::seconds(10));
                writer.appendFrame(screen, i);
            }
            writer.finish();
        }
        wallPerFrame +=
            std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count() / frames;
        cpu = std::min(cpu, processCPUSeconds() - cpuStart - painting);
        bytes += static_cast<double>(std::filesystem::file_size(file));
        FFmpegVideoFileReader reader(file);
        for (const auto& [index, source] : samples) {
            if (auto decoded = reader.decodeFrame(index)) {
                quality += psnr(*decoded, source);
                ++qualitySamples;
            }
        }
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["cpu_ms_per_frame"] = cpu / frames * 1000;
    state.counters["wall_ms_per_frame"] = wallPerFrame / runs * 1000;
    state.counters["KB_per_frame"] = bytes / runs / frames / 1024;
    state.counters["MB_per_hour_at_0.5fps"] = bytes / runs / frames * 1800 / 1e6;
    state.counters["PSNR_dB"] = qualitySamples ? quality / qualitySamples : 0;
    std::filesystem::remove(file);
}

std::function<NextScreen()> typing() {
    return [] {
        auto screen = std::make_shared<bench::TypingScreen>();
        return NextScreen([screen] { return screen->next(); });
    };
}

std::function<NextScreen()> scrolling() {
    return [] {
        auto screen = std::make_shared<bench::ScrollingScreen>();
        return NextScreen([screen] { return screen->next(); });
    };
}

X265Options options(const char* preset, double crf, int keyInterval, int threads) {
    X265Options result;
    result.preset = preset;
    result.crf = crf;
    result.keyFrameInterval = keyInterval;
    result.threads = threads;
    return result;
}

void registerEncodeBenchmarks() {
    std::vector<X265Options> runs;
    for (const char* preset : {"ultrafast", "superfast", "veryfast", "faster"}) {
        runs.push_back(options(preset, 30, 60, 1));
    }
    for (double crf : {26.0, 28.0, 32.0, 34.0}) {
        runs.push_back(options("ultrafast", crf, 60, 1));
    }
    for (int keyInterval : {30, 120, 300}) {
        runs.push_back(options("ultrafast", 30, keyInterval, 1));
    }
    for (int threads : {2, 4}) {
        runs.push_back(options("ultrafast", 30, 60, threads));
    }
    // The settings the application uses, when the grid above does not hold them.
    if (std::find(runs.begin(), runs.end(), X265Options::forSettings(fullHD())) == runs.end()) {
        runs.push_back(X265Options::forSettings(fullHD()));
    }
    for (const X265Options& run : runs) {
        const std::string name = run.preset + "/crf" + std::to_string(int(run.crf)) + "/keyint" +
                                 std::to_string(run.keyFrameInterval) + "/threads" +
                                 std::to_string(run.threads);
        benchmark::RegisterBenchmark(("Encode/typing/" + name).c_str(), encodeSequence, typing(), 120, run)
            ->Iterations(2)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("Encode/scrolling/" + name).c_str(), encodeSequence, scrolling(), 40,
                                     run)
            ->Iterations(2)
            ->Unit(benchmark::kMillisecond);
    }
}

// A full 300-frame typing segment at the settings the application uses.
const std::filesystem::path& decodeFixture() {
    static const std::filesystem::path file = [] {
        const auto path = scratchFile("decode");
        FFmpegVideoFileWriter writer(path, fullHD(), X265Options::forSettings(fullHD()));
        bench::TypingScreen screen;
        for (int i = 0; i < 300; ++i) {
            const ostrel::BGRAImageView view = screen.next();
            writer.waitUntilReady(std::chrono::seconds(10));
            writer.appendFrame(view, i);
        }
        writer.finish();
        return path;
    }();
    return file;
}

void openSegment(benchmark::State& state) {
    const auto& file = decodeFixture(); // built once, outside the measured loop
    for (auto _ : state) {
        FFmpegVideoFileReader reader(file);
        benchmark::DoNotOptimize(reader.frameCount());
    }
}

// Each call seeks to the keyframe before the index and decodes forward from there: on decoder
// threads, or (careful 1) on the caller's thread alone, as files that failed once are read.
void decodeByIndex(benchmark::State& state) {
    FFmpegVideoFileReader reader(decodeFixture(),
                                 state.range(2) ? DecodeMode::careful : DecodeMode::threaded);
    const auto index = state.range(0);
    const int box = static_cast<int>(state.range(1));
    for (auto _ : state) {
        auto image = reader.decodeFrame(index, box, box);
        if (!image) {
            state.SkipWithError("frame did not decode");
            break;
        }
    }
}

void decodeInOrder(benchmark::State& state) {
    FFmpegVideoFileReader reader(decodeFixture());
    std::int64_t index = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(reader.decodeFrame(index));
        index = (index + 1) % reader.frameCount();
    }
}

void recoverySegmentCount(benchmark::State& state) {
    const auto& file = decodeFixture();
    for (auto _ : state) {
        FFmpegVideoFileReader reader(file);
        benchmark::DoNotOptimize(reader.decodableFrameCount());
    }
}

} // namespace

BENCHMARK(openSegment)->Unit(benchmark::kMillisecond);
BENCHMARK(decodeByIndex)
    ->ArgsProduct({{0, 1, 30, 59, 60, 299}, {0}, {0}})
    ->Args({59, 520, 0})
    ->Args({59, 1800, 0})
    ->ArgsProduct({{0, 59}, {0, 520}, {1}})
    ->ArgNames({"index", "box", "careful"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(decodeInOrder)->Unit(benchmark::kMillisecond);
BENCHMARK(recoverySegmentCount)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    registerEncodeBenchmarks();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove(scratchFile("decode"));
    return 0;
}
