#include "UI/Shared/SegmentedControl.h"

#include "UI/Theme/Theme.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace vesperline {

namespace {

constexpr int inset = 2;
constexpr int horizontalPadding = 12;
constexpr int verticalPadding = 4;
constexpr double trackRadius = 7;
constexpr double segmentRadius = 5;

QFont titleFont(bool current) {
    return Theme::font(Theme::TextStyle::callout, current ? QFont::DemiBold : QFont::Normal);
}

} // namespace

SegmentedControl::SegmentedControl(const QStringList& titles, QWidget* parent)
    : QWidget(parent), titles_(titles) {
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
}

void SegmentedControl::setCurrentIndex(int index) {
    index = std::clamp(index, 0, std::max(count() - 1, 0));
    if (index != current_) {
        current_ = index;
        update();
    }
}

int SegmentedControl::segmentWidth() const {
    // Every segment as wide as the widest title, in the current segment's heavier weight.
    const QFontMetrics metrics(titleFont(true));
    int widest = 0;
    for (const QString& title : titles_) {
        widest = std::max(widest, metrics.horizontalAdvance(title));
    }
    return widest + 2 * horizontalPadding;
}

QSize SegmentedControl::sizeHint() const {
    const int height = QFontMetrics(titleFont(true)).height() + 2 * verticalPadding + 2 * inset;
    return {count() * segmentWidth() + 2 * inset, height};
}

QRect SegmentedControl::segmentRect(int index) const {
    const int width = segmentWidth();
    return {inset + index * width, inset, width, height() - 2 * inset};
}

void SegmentedControl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor track = Theme::textColor(palette(), Theme::Level::quaternary);
    track.setAlphaF(track.alphaF() * 0.5f);
    QPainterPath trackPath;
    trackPath.addRoundedRect(QRectF(rect()), trackRadius, trackRadius);
    painter.fillPath(trackPath, track);

    for (int index = 0; index < count(); ++index) {
        const QRectF segment(segmentRect(index));
        const bool current = index == current_;
        if (current) {
            QPainterPath raised;
            raised.addRoundedRect(segment, segmentRadius, segmentRadius);
            painter.fillPath(raised, Theme::cardBackground(palette()));
            painter.setPen(QPen(Theme::separator(palette()), 1));
            painter.drawPath(raised);
        }
        painter.setFont(titleFont(current));
        painter.setPen(
            Theme::textColor(palette(), current ? Theme::Level::primary : Theme::Level::secondary));
        painter.drawText(segment, Qt::AlignCenter | Qt::TextSingleLine, titles_[index]);
    }
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.75, 0.75, -0.75, -0.75), trackRadius, trackRadius);
    }
}

void SegmentedControl::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    for (int index = 0; index < count(); ++index) {
        if (segmentRect(index).contains(event->position().toPoint())) {
            emit activated(index);
            return;
        }
    }
}

void SegmentedControl::keyPressEvent(QKeyEvent* event) {
    const int step = event->key() == Qt::Key_Left ? -1 : event->key() == Qt::Key_Right ? 1 : 0;
    const int next = current_ + step;
    if (step == 0 || next < 0 || next >= count()) {
        QWidget::keyPressEvent(event);
        return;
    }
    emit activated(next);
}

} // namespace vesperline
