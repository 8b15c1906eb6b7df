// Cost of reading a screen's text and of decoding a stored picture as a thumbnail.
//   OCR of a dense and of a sparse 1920x1080 screen, and of a frontmost window's region only;
//   thumbnail decode of one stored 1920x1080 frame (cache emptied each time).
#include "Capture/OCRService.h"
#include "Platform/Linux/FFmpegVideoFiles.h"
#include "Platform/Linux/TesseractTextRecognizer.h"
#include "Store/FrameImageLoader.h"

#include <benchmark/benchmark.h>

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>

using namespace vesperline;

namespace {

const QStringList words = {"release", "notes",  "meeting", "budget",  "quarterly", "draft",
                           "review",  "server", "deploy",  "invoice", "project",   "design",
                           "search",  "memory", "window",  "display"};

// A 1920x1080 screen with `lines` lines of 14 px text in the given columns.
ostrel::BGRAImage screen(int lines, int columns) {
    QImage image(1920, 1080, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QFont font("DejaVu Sans");
    font.setPixelSize(14);
    painter.setFont(font);
    painter.setPen(Qt::black);
    int word = 0;
    for (int column = 0; column < columns; ++column) {
        for (int line = 0; line < lines; ++line) {
            QString text;
            for (int i = 0; i < 8; ++i) {
                text += words[word++ % words.size()] + " ";
            }
            painter.drawText(20 + column * 640, 30 + line * 22, text);
        }
    }
    painter.end();
    ostrel::BGRAImage picture(1920, 1080);
    for (int y = 0; y < 1080; ++y) {
        std::memcpy(picture.row(y), image.constScanLine(y), 1920 * 4);
    }
    return picture;
}

void recognise(benchmark::State& state, const ostrel::BGRAImage& picture,
               std::optional<ostrel::RelativeRect> region) {
    platform::TesseractTextRecognizer recognizer;
    OCRService service(recognizer, {"en-US"});
    std::size_t lines = 0;
    for (auto _ : state) {
        lines = OCRService::orderedLines(service.recognize(picture.view(), region)).size();
    }
    state.counters["lines"] = static_cast<double>(lines);
}

void ocrDenseScreen(benchmark::State& state) {
    recognise(state, screen(46, 3), std::nullopt);
}
void ocrSparseScreen(benchmark::State& state) {
    recognise(state, screen(6, 1), std::nullopt);
}
// A 900x600 window on the dense screen: only its region is read.
void ocrWindowRegion(benchmark::State& state) {
    recognise(state, screen(46, 3), ostrel::RelativeRect{0.0, 0.0, 900.0 / 1920, 600.0 / 1080});
}

// Decodes thumbnails of frames of one stored segment; `coldDecoder` opens the file every time.
void thumbnailDecode(benchmark::State& state, bool coldDecoder) {
    const auto folder =
        std::filesystem::temp_directory_path() / ("vesperline-thumbnail-bench-" + std::to_string(getpid()));
    const std::string path = "segments/bench/1-0.mp4";
    std::filesystem::create_directories((folder / path).parent_path());
    platform::FFmpegVideoFiles files;
    {
        auto writer = files.createWriter(folder / path, {1920, 1080, 0.5f, 60, false});
        const ostrel::BGRAImage picture = screen(46, 3);
        for (int i = 0; i < 30; ++i) {
            writer->appendFrame(picture.view(), i);
        }
        writer->finish();
    }
    FrameImageLoader loader(files, folder);
    std::int64_t index = 0;
    std::int64_t frameID = 0;
    for (auto _ : state) {
        if (coldDecoder) {
            loader.removeAll();
        }
        // A new frame id each round, so the picture cache never answers.
        benchmark::DoNotOptimize(loader.image(path, index, ++frameID, FrameImageLoader::Size::thumbnail));
        index = (index + 7) % 30;
    }
    std::filesystem::remove_all(folder);
}

BENCHMARK(ocrDenseScreen)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(ocrSparseScreen)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(ocrWindowRegion)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK_CAPTURE(thumbnailDecode, coldDecoder, true)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK_CAPTURE(thumbnailDecode, openDecoder, false)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
