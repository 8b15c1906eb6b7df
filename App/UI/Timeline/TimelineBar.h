#pragma once

#include "Runtime/SystemClock.h"
#include "Storage/ActivitySpan.h"
#include "Storage/FrameSummary.h"
#include "UI/Timeline/TimelineBarGeometry.h"

#include <QPixmap>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>
#include <vector>

namespace vesperline {

class Format;
class TimelineBarTooltip;

namespace platform {
class InstalledApplications;
}

// One day's activity as app-coloured blocks on a time axis, with hour lines and labels, a tick per
// moment (below 4000 moments), a marker at the shown moment and, under the pointer, a tooltip with
// the nearest moment's time and title. Pressing or dragging picks the moment nearest to the pointer.
//
// The range, the blocks and the hour marks are worked out once per change of the moments, and the
// drawing of them is kept as a picture for the bar's size and palette, so a drag only repaints the
// marker.
class TimelineBar final : public QWidget {
    Q_OBJECT

  public:
    static constexpr int fixedHeight = 58;
    static constexpr int tickLimit = 4000;

    // Hour labels and tooltip times are written by `format`; an empty bar sits at `clock`'s time.
    TimelineBar(platform::InstalledApplications& applications, const Format& format,
                const ostrel::Clock& clock = systemClock(), QWidget* parent = nullptr);
    ~TimelineBar() override;

    // The day's moments (ascending by time) and activity spans.
    void setMoments(std::shared_ptr<const std::vector<ostrel::FrameSummary>> frames,
                    std::shared_ptr<const std::vector<ostrel::ActivitySpan>> spans);
    // The position of the moment shown; no marker when it is not a position in the moments.
    void setIndex(int index);

    const TimelineBarGeometry::Range& range() const { return range_; }
    const std::vector<TimelineBarGeometry::Segment>& segments() const { return segments_; }
    const std::vector<TimelineBarGeometry::HourMark>& hourMarks() const { return hourMarks_; }
    // The marker's rectangle, when there is one.
    std::optional<QRectF> markerRect() const;
    std::optional<double> hoverX() const { return hoverX_; }
    // The tooltip, while shown; it floats over the window, so it may reach below the bar.
    const TimelineBarTooltip* tooltip() const;

  signals:
    // On every press and drag change, also when the moment is the same.
    void indexPicked(int index);
    void scrubbingChanged(bool scrubbing);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void pick(double x);
    void setHoverX(std::optional<double> x);
    void placeTooltip();
    // Track, blocks, ticks and hour marks for the current size and palette.
    const QPixmap& canvas();
    void drawCanvas(QPainter& painter, double width);

    platform::InstalledApplications& applications_;
    const Format& format_;
    const ostrel::Clock& clock_;
    std::shared_ptr<const std::vector<ostrel::FrameSummary>> frames_;
    std::shared_ptr<const std::vector<ostrel::ActivitySpan>> spans_;
    int index_ = 0;
    bool dragging_ = false;
    std::optional<double> hoverX_;

    TimelineBarGeometry::Range range_;
    std::vector<TimelineBarGeometry::Segment> segments_;
    std::vector<TimelineBarGeometry::HourMark> hourMarks_;
    std::vector<QString> hourLabels_; // one per labelled mark, in order
    QPixmap canvas_;
    bool canvasValid_ = false;
    QPointer<TimelineBarTooltip> tooltip_;
};

} // namespace vesperline
