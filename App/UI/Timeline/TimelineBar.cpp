#include "UI/Timeline/TimelineBar.h"

#include "Store/Format.h"
#include "UI/Theme/Theme.h"
#include "UI/Timeline/TimelineBarTooltip.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace vesperline {

namespace {

namespace Geometry = TimelineBarGeometry;

constexpr double trackTop = 20;
constexpr double trackHeight = 26;
constexpr double tickTop = 34;
constexpr double tickHeight = 12;
constexpr double hourLineTop = 16;
constexpr double hourLineHeight = 34;
constexpr double labelCentre = 7;
constexpr double labelInset = 20;
constexpr double markerTop = 14;
constexpr double markerWidth = 4;
constexpr double markerHeight = 38;
constexpr int tooltipTop = 46;
constexpr int tooltipReach = 220;
constexpr int tooltipLead = 80;

QColor withOpacity(QColor color, double opacity) {
    color.setAlphaF(static_cast<float>(color.alphaF() * opacity));
    return color;
}

} // namespace

TimelineBar::TimelineBar(platform::InstalledApplications& applications, const Format& format,
                         const ostrel::Clock& clock, QWidget* parent)
    : QWidget(parent), applications_(applications), format_(format), clock_(clock),
      frames_(std::make_shared<std::vector<ostrel::FrameSummary>>()),
      spans_(std::make_shared<std::vector<ostrel::ActivitySpan>>()) {
    setFixedHeight(fixedHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setMouseTracking(true);
    setMoments(frames_, spans_);
}

TimelineBar::~TimelineBar() {
    delete tooltip_.data();
}

void TimelineBar::setMoments(std::shared_ptr<const std::vector<ostrel::FrameSummary>> frames,
                             std::shared_ptr<const std::vector<ostrel::ActivitySpan>> spans) {
    frames_ = std::move(frames);
    spans_ = std::move(spans);
    range_ = Geometry::range(*frames_, *spans_, clock_);
    segments_ = Geometry::segments(*frames_, *spans_);
    hourMarks_ = Geometry::hourMarks(range_);
    hourLabels_.clear();
    for (const Geometry::HourMark& mark : hourMarks_) {
        if (mark.labelled) {
            hourLabels_.push_back(format_.time(mark.time));
        }
    }
    canvasValid_ = false;
    placeTooltip();
    update();
}

void TimelineBar::setIndex(int index) {
    if (index == index_) {
        return;
    }
    index_ = index;
    update();
}

std::optional<QRectF> TimelineBar::markerRect() const {
    if (index_ < 0 || index_ >= static_cast<int>(frames_->size())) {
        return std::nullopt;
    }
    const double x = Geometry::position(range_, (*frames_)[index_].timestamp, width());
    return QRectF(x - markerWidth / 2, markerTop, markerWidth, markerHeight);
}

const TimelineBarTooltip* TimelineBar::tooltip() const {
    return tooltip_ && tooltip_->isVisible() ? tooltip_.data() : nullptr;
}

// ---- Drawing -----------------------------------------------------------------------------------

const QPixmap& TimelineBar::canvas() {
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (!canvasValid_ || canvas_.size() != pixels || canvas_.devicePixelRatio() != ratio) {
        canvas_ = QPixmap(pixels);
        canvas_.setDevicePixelRatio(ratio);
        canvas_.fill(Qt::transparent);
        QPainter painter(&canvas_);
        painter.setRenderHint(QPainter::Antialiasing);
        drawCanvas(painter, width());
        canvasValid_ = true;
    }
    return canvas_;
}

void TimelineBar::drawCanvas(QPainter& painter, double width) {
    const QColor secondary = Theme::textColor(palette(), Theme::Level::secondary);
    painter.setPen(Qt::NoPen);
    painter.setBrush(withOpacity(secondary, 0.12));
    painter.drawRoundedRect(QRectF(0, trackTop, width, trackHeight), 6, 6);

    for (const Geometry::Segment& segment : segments_) {
        const double start = Geometry::position(range_, segment.start, width);
        const double length = std::max(2.0, Geometry::position(range_, segment.end, width) - start);
        if (!std::isfinite(start) || start > width || start + length < 0) {
            continue; // nothing of it would show
        }
        painter.setBrush(withOpacity(Theme::appColor(segment.bundle), 0.8));
        painter.drawRoundedRect(QRectF(start, trackTop, length, trackHeight), 3, 3);
    }

    if (frames_->size() < static_cast<std::size_t>(tickLimit)) {
        const QColor tick = withOpacity(Qt::white, 0.75);
        for (const ostrel::FrameSummary& frame : *frames_) {
            const double x = Geometry::position(range_, frame.timestamp, width);
            painter.fillRect(QRectF(x - 0.5, tickTop, 1, tickHeight), tick);
        }
    }

    const QColor line = withOpacity(secondary, 0.35);
    const QFont labelFont = Theme::font(Theme::TextStyle::caption2);
    const QFontMetricsF metrics(labelFont);
    painter.setFont(labelFont);
    auto label = hourLabels_.begin();
    for (const Geometry::HourMark& mark : hourMarks_) {
        const double x = Geometry::position(range_, mark.time, width);
        painter.fillRect(QRectF(x, hourLineTop, 1, hourLineHeight), line);
        if (mark.labelled && label != hourLabels_.end()) {
            const double centre = std::min(std::max(x, labelInset), width - labelInset);
            const double textWidth = metrics.horizontalAdvance(*label);
            const QRectF box(centre - textWidth / 2, labelCentre - metrics.height() / 2, textWidth,
                             metrics.height());
            painter.setPen(secondary);
            painter.drawText(box, Qt::AlignCenter, *label);
            painter.setPen(Qt::NoPen);
            ++label;
        }
    }
}

void TimelineBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, canvas());
    const std::optional<QRectF> marker = markerRect();
    if (!marker) {
        return;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    // A soft shadow of two radius: rings of falling strength around the capsule.
    for (int ring = 2; ring >= 1; --ring) {
        const QRectF shadow = marker->adjusted(-ring, -ring, ring, ring);
        painter.setBrush(QColor::fromRgbF(0, 0, 0, 0.25f / (ring + 1)));
        painter.drawRoundedRect(shadow, shadow.width() / 2, shadow.width() / 2);
    }
    painter.setBrush(Theme::highlight);
    painter.drawRoundedRect(*marker, markerWidth / 2, markerWidth / 2);
}

void TimelineBar::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    switch (event->type()) {
    case QEvent::PaletteChange:
    case QEvent::FontChange:
    case QEvent::StyleChange:
        canvasValid_ = false;
        update();
        break;
    default:
        break;
    }
}

// ---- Pointer -----------------------------------------------------------------------------------

void TimelineBar::pick(double x) {
    emit indexPicked(Geometry::frameIndex(*frames_, range_, x, width()));
}

void TimelineBar::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    if (!dragging_) {
        dragging_ = true;
        emit scrubbingChanged(true);
    }
    pick(event->position().x());
}

void TimelineBar::mouseMoveEvent(QMouseEvent* event) {
    const QPointF point = event->position();
    setHoverX(rect().contains(point.toPoint()) ? std::optional(point.x()) : std::nullopt);
    if (dragging_) {
        pick(point.x());
    }
}

void TimelineBar::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !dragging_) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    dragging_ = false;
    emit scrubbingChanged(false);
}

void TimelineBar::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    setHoverX(std::nullopt);
}

void TimelineBar::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    setHoverX(std::nullopt);
    // A drag cut short by hiding gets no release; end it here, or scrubbing would never end.
    if (dragging_) {
        dragging_ = false;
        emit scrubbingChanged(false);
    }
}

// ---- Tooltip -----------------------------------------------------------------------------------

void TimelineBar::setHoverX(std::optional<double> x) {
    hoverX_ = x;
    placeTooltip();
}

void TimelineBar::placeTooltip() {
    if (!hoverX_ || frames_->empty()) {
        if (tooltip_) {
            tooltip_->hide();
        }
        return;
    }
    if (!tooltip_) {
        // A child of the window rather than of the bar, so it can reach below the bar.
        tooltip_ = new TimelineBarTooltip(applications_, window());
        tooltip_->setObjectName("timelineTooltip");
    }
    const ostrel::FrameSummary& moment =
        (*frames_)[Geometry::frameIndex(*frames_, range_, *hoverX_, width())];
    tooltip_->setContent(
        moment.appBundleID,
        tr("%1 · %2").arg(format_.time(moment.timestamp), QString::fromStdString(moment.displayTitle())));
    tooltip_->adjustSize();
    const int left =
        std::min(std::max(width() - tooltipReach, 0), std::max(static_cast<int>(*hoverX_) - tooltipLead, 0));
    tooltip_->move(mapTo(tooltip_->parentWidget(), QPoint(left, tooltipTop)));
    tooltip_->show();
    tooltip_->raise();
}

} // namespace vesperline
