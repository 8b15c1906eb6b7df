#include "UI/Moment/LiveTextAnalyzer.h"

#include "Capture/OCRService.h"

namespace vesperline {

LiveTextAnalyzer::LiveTextAnalyzer(const OCRService& ocr)
    : ocr_(ocr), queue_(".livetext", QThread::HighPriority) {}

QFuture<std::optional<std::vector<platform::TextObservation>>>
LiveTextAnalyzer::analyze(const QImage& picture, Cancellation cancelled) {
    return queue_.submit(
        [this, picture,
         cancelled = std::move(cancelled)]() -> std::optional<std::vector<platform::TextObservation>> {
            if (cancelled && cancelled->load()) {
                return std::nullopt;
            }
            return observations(picture);
        });
}

QFuture<std::vector<ostrel::Rect>> LiveTextAnalyzer::highlightBoxes(const QImage& picture,
                                                                    std::vector<std::string> terms,
                                                                    Cancellation cancelled) {
    return queue_.submit([this, picture, terms = std::move(terms), cancelled = std::move(cancelled)] {
        if ((cancelled && cancelled->load()) || OCRService::highlightTerms(terms).empty()) {
            return std::vector<ostrel::Rect>{};
        }
        return OCRService::highlightBoxes(terms, observations(picture));
    });
}

const std::vector<platform::TextObservation>& LiveTextAnalyzer::observations(const QImage& picture) {
    if (picture.isNull()) {
        lastPicture_ = 0;
        lastObservations_.clear();
        return lastObservations_;
    }
    if (picture.cacheKey() == lastPicture_) {
        return lastObservations_;
    }
    // Stored pictures come back as 32-bit pixels, which are BGRA in memory on this byte order.
    const QImage pixels =
        picture.format() == QImage::Format_RGB32 || picture.format() == QImage::Format_ARGB32
            ? picture
            : picture.convertToFormat(QImage::Format_RGB32);
    const ostrel::BGRAImageView view{pixels.constBits(), pixels.width(), pixels.height(),
                                     static_cast<std::size_t>(pixels.bytesPerLine())};
    lastObservations_ = ocr_.recognize(view, std::nullopt);
    lastPicture_ = picture.cacheKey();
    return lastObservations_;
}

} // namespace vesperline
