#include "Capture/OCRBacklog.h"

#include "Capture/OCRService.h"
#include "Rules/LineDeduper.h"
#include "Rules/LineSplitter.h"
#include "Runtime/MainThread.h"
#include "Store/FrameImageLoader.h"
#include "Store/StoreFailureLog.h"
#include "Store/StoreHub.h"
#include "Support/JoinedLines.h"

#include <QObject>

#include <chrono>
#include <vector>

namespace vesperline {

namespace {

// The run's own de-duplicator is smaller than the recorder's: it only spans one run.
constexpr std::size_t dedupeContexts = 12;
constexpr std::size_t dedupeLinesPerContext = 4000;
constexpr double dedupeLifetime = 1800;
constexpr std::size_t maxCharacters = 40000;
constexpr std::size_t maxLines = 2000;

} // namespace

OCRBacklog::OCRBacklog(StoreHub& hub, const OCRService& ocr, FrameImageLoader& loader,
                       const ostrel::Clock& clock)
    : hub_(hub), ocr_(ocr), loader_(loader), clock_(clock), mainContext_(std::make_unique<QObject>()),
      queue_(".ocr-backlog", QThread::LowestPriority) {}

OCRBacklog::~OCRBacklog() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    // The queue goes first (it is declared last) and waits for the run to see `stopping_`.
}

void OCRBacklog::setAllowed(bool allowed) {
    std::lock_guard lock(mutex_);
    allowed_ = allowed;
}

bool OCRBacklog::start() {
    std::lock_guard lock(mutex_);
    if (!allowed_ || running_ || stopping_) {
        return false;
    }
    running_ = true;
    queue_.async([this] { run(); });
    return true;
}

bool OCRBacklog::isRunning() const {
    std::lock_guard lock(mutex_);
    return running_;
}

bool OCRBacklog::mayGoOn() {
    std::lock_guard lock(mutex_);
    return allowed_ && !stopping_;
}

void OCRBacklog::run() {
    ostrel::LineDeduper deduper(dedupeContexts, dedupeLinesPerContext, dedupeLifetime);
    int recognised = 0;
    std::set<Attempt> tried;
    bool goOn = mayGoOn();
    while (goOn) {
        std::vector<ostrel::FrameRecord> batch;
        try {
            batch = hub_.readSync([&](ostrel::MemoryStore& store) {
                return store.ocrBacklog(clock_.now() - minimumAge, batchSize);
            });
        } catch (...) {
            // Read as an empty batch: the hub has looked for damage, and a later run tries again.
            logStoreFailure("Reading the OCR backlog");
        }
        bool anyNew = false;
        for (const ostrel::FrameRecord& frame : batch) {
            goOn = mayGoOn();
            if (!goOn) {
                break; // the rest of the batch stays queued
            }
            // A moment tried before in this run failed to store or to be marked: trying it again
            // now would fail the same way, batch after batch.
            if (!tried.insert(Attempt{frame.id, frame.segmentPath, frame.segmentIndex}).second) {
                continue;
            }
            anyNew = true;
            if (process(frame, deduper)) {
                if (++recognised % progressInterval == 0) {
                    reportProgress();
                }
                pause();
            }
        }
        goOn = goOn && anyNew;
    }
    {
        std::lock_guard lock(mutex_);
        running_ = false;
    }
    reportProgress();
}

bool OCRBacklog::process(const ostrel::FrameRecord& frame, ostrel::LineDeduper& deduper) {
    std::optional<QImage> image = picture(frame);
    if (!image) {
        markFailedUnlessMoved(frame);
        return false;
    }
    if (image->format() != QImage::Format_RGB32 && image->format() != QImage::Format_ARGB32) {
        image = image->convertToFormat(QImage::Format_RGB32);
    }
    // On this byte order both formats are BGRA in memory.
    const ostrel::BGRAImageView view{image->constBits(), image->width(), image->height(),
                                     static_cast<std::size_t>(image->bytesPerLine())};
    const std::vector<std::string> recognisedLines =
        OCRService::orderedLines(ocr_.recognize(view, frame.windowRect));

    // Teach the de-duplicator what the moment already holds, so only lines new to it and to its
    // window in this run are added.
    const std::string key = frame.contextKey();
    std::string stored;
    try {
        stored = hub_.readSync([&](ostrel::MemoryStore& store) { return store.text(frame.id); }).value_or("");
    } catch (...) {
        logStoreFailure("Reading a queued moment's text");
    }
    deduper.filter(ostrel::LineSplitter::lines(stored, maxCharacters, maxLines), key, frame.timestamp);
    const std::vector<std::string> newLines = deduper.filter(
        ostrel::LineSplitter::lines(ostrel::joinedLines(recognisedLines), maxCharacters, maxLines), key,
        frame.timestamp);

    ostrel::StatsDelta delta;
    delta.ocrRuns = 1;
    try {
        hub_.sync([&](ostrel::MemoryStore& store) {
            store.db().transaction([&] {
                store.addText(frame.id, newLines, ostrel::TextSource::ocr(), ostrel::OCRState::done);
                store.addStats(ostrel::MemoryStore::dayKey(clock_.now()), delta);
            });
        });
    } catch (...) {
        // The moment stays queued for a later run; the hub has looked for damage.
        logStoreFailure("Storing a queued moment's text");
    }
    return true;
}

std::optional<QImage> OCRBacklog::picture(const ostrel::FrameRecord& frame) {
    if (frame.imageState != ostrel::ImageState::segment || !frame.segmentPath || !frame.segmentIndex) {
        return std::nullopt;
    }
    return loader_.decode(*frame.segmentPath, *frame.segmentIndex, FrameImageLoader::Size::full);
}

void OCRBacklog::markFailedUnlessMoved(const ostrel::FrameRecord& frame) {
    try {
        // Looked up and marked in one block on the write queue, where segments are rewritten: a
        // moment moved to another segment meanwhile keeps its place in the queue and is read there.
        hub_.sync([&](ostrel::MemoryStore& store) {
            const std::optional<ostrel::FrameRecord> now = store.frame(frame.id);
            if (now && now->segmentPath == frame.segmentPath && now->segmentIndex == frame.segmentIndex) {
                store.setOCRState(frame.id, ostrel::OCRState::failed);
            }
        });
    } catch (...) {
        logStoreFailure("Marking a moment without picture");
    }
}

void OCRBacklog::pause() {
    std::unique_lock lock(mutex_);
    wake_.wait_for(lock, std::chrono::milliseconds(pauseMilliseconds), [this] { return stopping_; });
}

void OCRBacklog::reportProgress() {
    MainThread::post(mainContext_.get(), [this] {
        if (onProgress) {
            onProgress();
        }
    });
}

} // namespace vesperline
