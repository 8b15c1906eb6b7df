#pragma once

#include "Platform/TextRecognizer.h"
#include "Runtime/SerialQueue.h"
#include "Support/Rect.h"

#include <QFuture>
#include <QImage>

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vesperline {

class OCRService;

// Reads the text of stored pictures for the moment views: the lines with their character boxes, for
// selecting text on a picture, and the boxes of search terms. One analyzer serves every view of the
// process, on one thread of its own, since a reading costs up to seconds of processor time; the
// lines of the last picture read are kept, so boxing terms and selecting text on one picture read it
// once.
class LiveTextAnalyzer final {
  public:
    // Set by the asker when it no longer wants the answer; a request cancelled before its turn is
    // dropped without being read.
    using Cancellation = std::shared_ptr<std::atomic<bool>>;

    explicit LiveTextAnalyzer(const OCRService& ocr);
    LiveTextAnalyzer(const LiveTextAnalyzer&) = delete;
    LiveTextAnalyzer& operator=(const LiveTextAnalyzer&) = delete;

    // The lines of `picture`, or none when the request was cancelled before it was read. A picture
    // that cannot be read has no lines.
    QFuture<std::optional<std::vector<platform::TextObservation>>> analyze(const QImage& picture,
                                                                           Cancellation cancelled);
    // Where the terms stand in `picture` (normalised, lower-left origin); terms of fewer than two
    // characters are not looked for, and with none left the picture is not read. Nothing is found
    // for a request cancelled before its turn: it is dropped without being read.
    QFuture<std::vector<ostrel::Rect>> highlightBoxes(const QImage& picture, std::vector<std::string> terms,
                                                      Cancellation cancelled);

  private:
    // On the queue only.
    const std::vector<platform::TextObservation>& observations(const QImage& picture);

    const OCRService& ocr_;
    qint64 lastPicture_ = 0; // the cache key of the picture whose lines are kept
    std::vector<platform::TextObservation> lastObservations_;
    SerialQueue queue_;
};

} // namespace vesperline
