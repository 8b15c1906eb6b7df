#include "Capture/OCRService.h"

#include "Runtime/Log.h"
#include "Search/SnippetBuilder.h"
#include "Search/TextNormalizer.h"
#include "Support/Graphemes.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

namespace vesperline {

OCRService::OCRService(platform::TextRecognizer& recognizer,
                       const std::vector<std::string>& preferredLanguages)
    : recognizer_(recognizer), preferredLanguages_(preferredLanguages) {}

const std::vector<std::string>& OCRService::languages() const {
    std::call_once(chosen_, [this] {
        languages_ = chooseLanguages(recognizer_.supportedLanguages(), preferredLanguages_);
    });
    return languages_;
}

std::vector<std::string> OCRService::systemPreferredLanguages() {
    std::vector<std::string> tags;
    for (const QString& tag : QLocale::system().uiLanguages()) {
        tags.push_back(tag.toStdString());
    }
    return tags;
}

std::vector<std::string> OCRService::chooseLanguages(const std::vector<std::string>& listed,
                                                     const std::vector<std::string>& preferred) {
    const std::vector<std::string> supported = listed.empty() ? std::vector<std::string>{"en-US"} : listed;
    std::vector<std::string> chosen;
    for (const std::string& tag : preferred) {
        const std::string code = tag.substr(0, 2);
        const auto match =
            std::find_if(supported.begin(), supported.end(),
                         [&](const std::string& candidate) { return candidate.starts_with(code); });
        if (match != supported.end() && std::find(chosen.begin(), chosen.end(), *match) == chosen.end()) {
            chosen.push_back(*match);
        }
    }
    if (std::find(chosen.begin(), chosen.end(), "en-US") == chosen.end() &&
        std::find(supported.begin(), supported.end(), "en-US") != supported.end()) {
        chosen.push_back("en-US");
    }
    if (chosen.size() > 3) {
        chosen.resize(3);
    }
    return chosen;
}

std::optional<ostrel::Rect> OCRService::recognitionRegion(const ostrel::RelativeRect& r) {
    if (!r.isUsable()) {
        return std::nullopt;
    }
    const double x = std::clamp(r.x, 0.0, 1.0);
    const double y = std::clamp(r.y, 0.0, 1.0);
    const double width = std::min(r.width, 1.0 - x);
    const double height = std::min(r.height, 1.0 - y);
    if (!(width > 0.05 && height > 0.05)) {
        return std::nullopt;
    }
    // Window rectangles count from the top; the recogniser's rectangles from the bottom.
    return ostrel::Rect{x, 1.0 - y - height, width, height};
}

std::vector<platform::TextObservation>
OCRService::recognize(const ostrel::BGRAImageView& image,
                      const std::optional<ostrel::RelativeRect>& regionOfInterest) const {
    try {
        return recognizer_.recognize(
            image, regionOfInterest ? recognitionRegion(*regionOfInterest) : std::nullopt, languages());
    } catch (const std::exception& error) {
        qCCritical(Log::ocr(), "OCR failed: %s", error.what());
        return {};
    }
}

std::vector<std::size_t>
OCRService::readingOrder(const std::vector<platform::TextObservation>& observations) {
    struct Placed {
        long row;
        double x;
        std::size_t index;
    };
    std::vector<Placed> placed;
    for (std::size_t i = 0; i < observations.size(); ++i) {
        const platform::TextObservation& observation = observations[i];
        if (!observation.topCandidate || observation.topCandidate->confidence < 0.3) {
            continue;
        }
        const double midY = observation.boundingBox.y + observation.boundingBox.height / 2;
        placed.push_back({std::lround((1.0 - midY) * 200), observation.boundingBox.x, i});
    }
    std::stable_sort(placed.begin(), placed.end(), [](const Placed& a, const Placed& b) {
        return a.row != b.row ? a.row < b.row : a.x < b.x;
    });
    std::vector<std::size_t> order;
    order.reserve(placed.size());
    for (const Placed& p : placed) {
        order.push_back(p.index);
    }
    return order;
}

std::vector<std::string>
OCRService::orderedLines(const std::vector<platform::TextObservation>& observations) {
    std::vector<std::string> lines;
    for (const std::size_t index : readingOrder(observations)) {
        lines.push_back(observations[index].topCandidate->text);
    }
    return lines;
}

namespace {

// The union of the boxes of characters [lower, upper), or none when the engine placed none of them.
std::optional<ostrel::Rect> boxOfRange(const platform::TextObservation::Candidate& candidate,
                                       std::size_t lower, std::size_t upper) {
    std::optional<ostrel::Rect> box;
    for (std::size_t i = lower; i < upper && i < candidate.characterBoxes.size(); ++i) {
        const auto& character = candidate.characterBoxes[i];
        if (!character) {
            continue;
        }
        if (!box) {
            box = *character;
            continue;
        }
        const double left = std::min(box->minX(), character->minX());
        const double bottom = std::min(box->minY(), character->minY());
        const double right = std::max(box->maxX(), character->maxX());
        const double top = std::max(box->maxY(), character->maxY());
        box = ostrel::Rect{left, bottom, right - left, top - bottom};
    }
    return box;
}

} // namespace

std::vector<std::string> OCRService::highlightTerms(const std::vector<std::string>& terms) {
    std::vector<std::string> folded;
    for (const std::string& term : terms) {
        std::string foldedTerm = ostrel::TextNormalizer::fold(term);
        if (ostrel::Graphemes::count(foldedTerm) >= 2) {
            folded.push_back(std::move(foldedTerm));
        }
    }
    return folded;
}

std::vector<ostrel::Rect> OCRService::highlightBoxes(const std::vector<std::string>& terms,
                                                     const ostrel::BGRAImageView& image) const {
    if (highlightTerms(terms).empty()) {
        return {};
    }
    return highlightBoxes(terms, recognize(image, std::nullopt));
}

std::vector<ostrel::Rect>
OCRService::highlightBoxes(const std::vector<std::string>& terms,
                           const std::vector<platform::TextObservation>& observations) {
    const std::vector<std::string> folded = highlightTerms(terms);
    if (folded.empty()) {
        return {};
    }
    std::vector<ostrel::Rect> boxes;
    for (const platform::TextObservation& observation : observations) {
        if (!observation.topCandidate) {
            continue;
        }
        const std::string& text = observation.topCandidate->text;
        const std::string foldedText = ostrel::TextNormalizer::fold(text);
        const bool mentionsATerm = std::any_of(folded.begin(), folded.end(), [&](const std::string& term) {
            return foldedText.find(term) != std::string::npos;
        });
        if (!mentionsATerm) {
            continue;
        }
        const auto characters = static_cast<std::int64_t>(ostrel::Graphemes::count(text));
        for (const auto& range : ostrel::SnippetBuilder::highlightRanges(text, folded)) {
            if (range.upper > characters) {
                continue;
            }
            boxes.push_back(boxOfRange(*observation.topCandidate, static_cast<std::size_t>(range.lower),
                                       static_cast<std::size_t>(range.upper))
                                .value_or(observation.boundingBox));
        }
    }
    return boxes;
}

} // namespace vesperline
