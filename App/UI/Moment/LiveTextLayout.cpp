#include "UI/Moment/LiveTextLayout.h"

#include "Capture/OCRService.h"
#include "Support/Graphemes.h"

#include <algorithm>
#include <limits>

namespace vesperline {

namespace {

// A recogniser's rectangle (lower-left origin) with the origin at the upper left.
QRectF fromBottomLeft(const ostrel::Rect& box) {
    return {box.x, 1.0 - box.y - box.height, box.width, box.height};
}

double distance(double value, double low, double high) {
    return value < low ? low - value : (value > high ? value - high : 0.0);
}

} // namespace

LiveTextLayout::LiveTextLayout(const std::vector<platform::TextObservation>& observations) {
    for (const std::size_t index : OCRService::readingOrder(observations)) {
        const platform::TextObservation& observation = observations[index];
        const auto& candidate = *observation.topCandidate;
        Line line;
        line.box = fromBottomLeft(observation.boundingBox);
        const std::vector<std::size_t> bounds = ostrel::Graphemes::boundaries(candidate.text);
        for (std::size_t i = 0; i + 1 < bounds.size(); ++i) {
            line.characters.push_back(QString::fromUtf8(candidate.text.data() + bounds[i],
                                                        static_cast<qsizetype>(bounds[i + 1] - bounds[i])));
        }
        if (line.characters.empty()) {
            continue;
        }
        // Placed characters keep their boxes; each run of unplaced ones shares the room between
        // the placed characters around it (or the line's own edges) evenly.
        const std::size_t count = line.characters.size();
        std::vector<std::optional<QRectF>> placed(count);
        for (std::size_t i = 0; i < count && i < candidate.characterBoxes.size(); ++i) {
            if (candidate.characterBoxes[i]) {
                placed[i] = fromBottomLeft(*candidate.characterBoxes[i]);
            }
        }
        line.boxes.resize(count);
        for (std::size_t i = 0; i < count;) {
            if (placed[i]) {
                line.boxes[i] = *placed[i];
                ++i;
                continue;
            }
            std::size_t runEnd = i;
            while (runEnd < count && !placed[runEnd]) {
                ++runEnd;
            }
            const double left = i > 0 ? line.boxes[i - 1].right() : line.box.left();
            const double right = runEnd < count ? placed[runEnd]->left() : line.box.right();
            const double width = std::max(0.0, right - left) / static_cast<double>(runEnd - i);
            for (std::size_t j = i; j < runEnd; ++j) {
                line.boxes[j] = QRectF(left + width * static_cast<double>(j - i), line.box.top(), width,
                                       line.box.height());
            }
            i = runEnd;
        }
        lines_.push_back(std::move(line));
    }
}

LiveTextLayout::Position LiveTextLayout::end() const {
    if (lines_.empty()) {
        return {};
    }
    return {static_cast<int>(lines_.size()) - 1, static_cast<int>(lines_.back().characters.size())};
}

bool LiveTextLayout::isOnText(const QPointF& point) const {
    return std::any_of(lines_.begin(), lines_.end(),
                       [&](const Line& line) { return line.box.contains(point); });
}

LiveTextLayout::Position LiveTextLayout::positionAt(const QPointF& point) const {
    if (lines_.empty()) {
        return {};
    }
    // The nearest line: vertical distance first, then horizontal, so a point in a gap between two
    // lines of a column takes the closer one.
    std::size_t nearest = 0;
    std::pair<double, double> best{std::numeric_limits<double>::max(), 0};
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const QRectF& box = lines_[i].box;
        const std::pair<double, double> gap{distance(point.y(), box.top(), box.bottom()),
                                            distance(point.x(), box.left(), box.right())};
        if (gap < best) {
            best = gap;
            nearest = i;
        }
    }
    const Line& line = lines_[nearest];
    int character = 0;
    while (character < static_cast<int>(line.boxes.size()) &&
           point.x() >= line.boxes[character].center().x()) {
        ++character;
    }
    return {static_cast<int>(nearest), character};
}

QString LiveTextLayout::text(Position from, Position to) const {
    if (to < from) {
        std::swap(from, to);
    }
    QString text;
    for (int l = from.line; l <= to.line && l < static_cast<int>(lines_.size()); ++l) {
        const Line& line = lines_[l];
        const int first = l == from.line ? from.character : 0;
        const int last = l == to.line ? to.character : static_cast<int>(line.characters.size());
        for (int c = first; c < last; ++c) {
            text += line.characters[c];
        }
        if (l != to.line) {
            text += QLatin1Char('\n');
        }
    }
    return text;
}

std::vector<QRectF> LiveTextLayout::selectionRects(Position from, Position to) const {
    if (to < from) {
        std::swap(from, to);
    }
    std::vector<QRectF> rects;
    for (int l = from.line; l <= to.line && l < static_cast<int>(lines_.size()); ++l) {
        const Line& line = lines_[l];
        const int first = l == from.line ? from.character : 0;
        const int last = l == to.line ? to.character : static_cast<int>(line.characters.size());
        if (first >= last) {
            continue;
        }
        const double left = line.boxes[first].left();
        const double right = line.boxes[last - 1].right();
        rects.emplace_back(left, line.box.top(), right - left, line.box.height());
    }
    return rects;
}

} // namespace vesperline
