#pragma once

#include "Runtime/SerialQueue.h"
#include "Runtime/SystemClock.h"
#include "Storage/FrameRecord.h"

#include <QImage>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <tuple>

class QObject;

namespace ostrel {
class LineDeduper;
}

namespace vesperline {

class FrameImageLoader;
class OCRService;
class StoreHub;

// Catches up on text recognition that the capture policy did not allow when a moment was kept. While
// allowed, one run on a background queue takes the queued moments in batches of 20, oldest first
// (only those older than 20 s whose segment is closed), decodes each picture at full size, reads its
// text, drops the lines the moment or its window already showed this run, and stores the rest as
// recognised text, one transaction per moment; a moment whose picture cannot be had is marked
// failed. The run ends when the backlog is drained, recognition stops being allowed, or a batch
// holds only moments this run has already tried (a store that keeps failing, a moment that cannot
// be marked): a later run tries them again.
class OCRBacklog final {
  public:
    static constexpr std::int64_t batchSize = 20;
    static constexpr double minimumAge = 20;
    static constexpr int pauseMilliseconds = 120;
    static constexpr int progressInterval = 25;

    // The hub, recogniser and loader must outlive the backlog. Create and destroy it on the main thread.
    OCRBacklog(StoreHub& hub, const OCRService& ocr, FrameImageLoader& loader,
               const ostrel::Clock& clock = systemClock());
    // Stops a run at its next check (it finishes the moment in hand) and waits for it.
    ~OCRBacklog();
    OCRBacklog(const OCRBacklog&) = delete;
    OCRBacklog& operator=(const OCRBacklog&) = delete;

    // Called on the main thread every 25 recognised moments of a run and when a run ends.
    std::function<void()> onProgress;

    // Whether the capture policy allows recognition now. Turning it off stops a run before its
    // next moment.
    void setAllowed(bool allowed);
    // Starts a run when allowed and none runs; returns whether it started one. Any thread.
    bool start();
    bool isRunning() const;

  private:
    // A moment at its place: a moment moved to another segment meanwhile is another item.
    using Attempt = std::tuple<std::int64_t, std::optional<std::string>, std::optional<std::int64_t>>;

    void run();
    bool mayGoOn();
    // Whether the moment was recognised (stored or not), as opposed to being passed over.
    bool process(const ostrel::FrameRecord& frame, ostrel::LineDeduper& deduper);
    std::optional<QImage> picture(const ostrel::FrameRecord& frame);
    void markFailedUnlessMoved(const ostrel::FrameRecord& frame);
    void pause();
    void reportProgress();

    StoreHub& hub_;
    const OCRService& ocr_;
    FrameImageLoader& loader_;
    const ostrel::Clock& clock_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool allowed_ = false;
    bool running_ = false;
    bool stopping_ = false;
    std::unique_ptr<QObject> mainContext_; // drops `onProgress` posts once the backlog is gone
    SerialQueue queue_;                    // last: destroyed first, while what a run uses is still there
};

} // namespace vesperline
