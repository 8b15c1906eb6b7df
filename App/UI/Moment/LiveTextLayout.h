#pragma once

#include "Platform/TextRecognizer.h"

#include <QPointF>
#include <QRectF>
#include <QString>

#include <compare>
#include <vector>

namespace vesperline {

// The text read from a picture laid out for selection: its lines in reading order, each character
// with the rectangle it covers. Coordinates are normalised to the picture (0...1) with the origin at
// its upper left, as a view draws it. Characters the recogniser placed no box for (the spaces
// between words) share the room between their neighbours.
class LiveTextLayout final {
  public:
    // A caret place: before character `character` of line `line` (`character` == the line's length
    // is its end).
    struct Position {
        int line = 0;
        int character = 0;
        auto operator<=>(const Position&) const = default;
    };

    LiveTextLayout() = default;
    // The confident observations, in reading order.
    explicit LiveTextLayout(const std::vector<platform::TextObservation>& observations);

    bool isEmpty() const { return lines_.empty(); }
    // The place after the last character.
    Position end() const;

    // Whether `point` lies on a line of text.
    bool isOnText(const QPointF& point) const;
    // The caret place nearest to `point`: on the line it lies on, or the nearest line.
    Position positionAt(const QPointF& point) const;

    // The text between two places, in either order; lines end with a line break.
    QString text(Position from, Position to) const;
    // One rectangle per line the range touches, covering its selected characters.
    std::vector<QRectF> selectionRects(Position from, Position to) const;

  private:
    struct Line {
        QRectF box;
        std::vector<QString> characters;
        std::vector<QRectF> boxes; // one per character
    };

    std::vector<Line> lines_;
};

} // namespace vesperline
