#include "UI/Moment/MomentCanvas.h"

#include "Runtime/WhenFinished.h"
#include "Store/FutureOutcome.h"
#include "UI/Moment/MomentCanvasGeometry.h"
#include "UI/Theme/Theme.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>

namespace vesperline {

namespace {

constexpr double boxCornerRadius = 4;
constexpr double boxLineWidth = 2;
constexpr double boxFillOpacity = 0.34;
constexpr double boxEdgeOpacity = 0.95;
constexpr double selectionOpacity = 0.35;

QColor withOpacity(QColor color, double opacity) {
    color.setAlphaF(static_cast<float>(opacity));
    return color;
}

} // namespace

MomentCanvas::MomentCanvas(Analyze analyze, std::chrono::milliseconds settleDelay, QWidget* parent)
    : QWidget(parent), analyze_(std::move(analyze)) {
    settle_.setSingleShot(true);
    settle_.setInterval(settleDelay);
    connect(&settle_, &QTimer::timeout, this, &MomentCanvas::analyzeIfWanted);
    setMouseTracking(true);
    setFocusPolicy(analyze_ ? Qt::StrongFocus : Qt::NoFocus);
}

MomentCanvas::~MomentCanvas() {
    cancelAnalysis();
}

MomentCanvas::Analyze MomentCanvas::analyses(LiveTextAnalyzer& analyzer) {
    return [&analyzer](const QImage& picture, LiveTextAnalyzer::Cancellation cancelled) {
        return analyzer.analyze(picture, std::move(cancelled));
    };
}

void MomentCanvas::setContent(const QImage& picture, std::vector<ostrel::Rect> boxes) {
    boxes_ = std::move(boxes);
    if (picture_.isNull() || picture.cacheKey() != picture_.cacheKey()) {
        picture_ = picture;
        cancelAnalysis();
        analyzed_ = false;
        layout_ = LiveTextLayout();
        anchor_.reset();
        if (analyze_ && !picture_.isNull()) {
            settle_.start();
        }
    }
    update();
}

QRectF MomentCanvas::pictureRect() const {
    return MomentCanvasGeometry::fitted(picture_.size(), rect());
}

std::vector<QRectF> MomentCanvas::highlightRects() const {
    std::vector<QRectF> rects;
    const QRectF drawn = pictureRect();
    if (drawn.isEmpty()) {
        return rects;
    }
    for (const ostrel::Rect& box : boxes_) {
        rects.push_back(MomentCanvasGeometry::highlight(box, drawn));
    }
    return rects;
}

QString MomentCanvas::selectedText() const {
    return anchor_ ? layout_.text(*anchor_, focus_) : QString();
}

QPointF MomentCanvas::normalised(const QPointF& point) const {
    const QRectF drawn = pictureRect();
    if (drawn.isEmpty()) {
        return {};
    }
    return {(point.x() - drawn.x()) / drawn.width(), (point.y() - drawn.y()) / drawn.height()};
}

void MomentCanvas::cancelAnalysis() {
    settle_.stop();
    if (running_) {
        running_->store(true);
        running_.reset();
    }
}

void MomentCanvas::analyzeIfWanted() {
    if (pointerInside_ || hasFocus()) {
        analyze();
    }
}

void MomentCanvas::analyze() {
    if (!analyze_ || analyzed_ || picture_.isNull()) {
        return;
    }
    settle_.stop();
    analyzed_ = true;
    auto cancelled = std::make_shared<std::atomic<bool>>(false);
    running_ = cancelled;
    whenFinished(analyze_(picture_, cancelled), this,
                 [this, cancelled](QFuture<std::optional<std::vector<platform::TextObservation>>> answer) {
                     if (cancelled->load()) {
                         return; // another picture came, or the canvas let go of this one
                     }
                     running_.reset();
                     // Selectable text is optional: a failed reading leaves the picture as it is.
                     const std::optional<std::vector<platform::TextObservation>> lines =
                         futureOutcome(answer, "Reading the picture's text").value_or(std::nullopt);
                     if (!lines) {
                         return;
                     }
                     layout_ = LiveTextLayout(*lines);
                     if (pressedAt_ && !layout_.isEmpty()) {
                         // The button went down before the text was there: select from that place.
                         anchor_ = layout_.positionAt(normalised(*pressedAt_));
                         focus_ = layout_.positionAt(normalised(lastPointer_));
                     }
                     updateCursor(lastPointer_);
                     update();
                 });
}

void MomentCanvas::updateCursor(const QPointF& point) {
    if (!layout_.isEmpty() && layout_.isOnText(normalised(point))) {
        setCursor(Qt::IBeamCursor);
    } else {
        unsetCursor();
    }
}

void MomentCanvas::copySelection() const {
    const QString text = selectedText();
    if (!text.isEmpty()) {
        QApplication::clipboard()->setText(text);
    }
}

void MomentCanvas::paintEvent(QPaintEvent*) {
    const QRectF drawn = pictureRect();
    if (drawn.isEmpty()) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // Scaled once per picture and size, not on every paint.
    const QSize pixels = (drawn.size() * devicePixelRatioF()).toSize();
    if (scaledKey_ != picture_.cacheKey() || scaled_.size() != pixels) {
        scaled_ =
            QPixmap::fromImage(picture_.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        scaled_.setDevicePixelRatio(devicePixelRatioF());
        scaledKey_ = picture_.cacheKey();
    }
    painter.drawPixmap(drawn.topLeft(), scaled_);

    if (anchor_) {
        const QColor selection = withOpacity(palette().color(QPalette::Highlight), selectionOpacity);
        for (const QRectF& rect : layout_.selectionRects(*anchor_, focus_)) {
            painter.fillRect(QRectF(drawn.x() + rect.x() * drawn.width(),
                                    drawn.y() + rect.y() * drawn.height(), rect.width() * drawn.width(),
                                    rect.height() * drawn.height()),
                             selection);
        }
    }

    painter.setPen(QPen(withOpacity(Theme::highlightEdge, boxEdgeOpacity), boxLineWidth));
    painter.setBrush(withOpacity(Theme::highlight, boxFillOpacity));
    for (const QRectF& rect : highlightRects()) {
        painter.drawRoundedRect(rect, boxCornerRadius, boxCornerRadius);
    }
}

void MomentCanvas::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !analyze_) {
        QWidget::mousePressEvent(event);
        return;
    }
    pressedAt_ = event->position();
    lastPointer_ = event->position();
    analyze();
    if (layout_.isEmpty()) {
        anchor_.reset();
    } else {
        anchor_ = layout_.positionAt(normalised(event->position()));
        focus_ = *anchor_;
    }
    update();
}

void MomentCanvas::mouseMoveEvent(QMouseEvent* event) {
    lastPointer_ = event->position();
    if (pressedAt_ && anchor_) {
        focus_ = layout_.positionAt(normalised(event->position()));
        update();
    } else if (!pressedAt_ && !settle_.isActive()) {
        analyzeIfWanted();
    }
    updateCursor(event->position());
    QWidget::mouseMoveEvent(event);
}

void MomentCanvas::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        pressedAt_.reset();
        if (anchor_ && *anchor_ == focus_) {
            anchor_.reset(); // a click without a drag clears the selection
            update();
        }
    }
    QWidget::mouseReleaseEvent(event);
}

void MomentCanvas::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy) && anchor_) {
        copySelection();
        return;
    }
    if (event->matches(QKeySequence::SelectAll) && !layout_.isEmpty()) {
        anchor_ = LiveTextLayout::Position{};
        focus_ = layout_.end();
        update();
        return;
    }
    QWidget::keyPressEvent(event);
}

void MomentCanvas::contextMenuEvent(QContextMenuEvent* event) {
    if (selectedText().isEmpty()) {
        QWidget::contextMenuEvent(event);
        return;
    }
    QMenu menu(this);
    menu.addAction(tr("Copy"), this, &MomentCanvas::copySelection);
    menu.exec(event->globalPos());
}

void MomentCanvas::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    pointerInside_ = true;
    if (!settle_.isActive()) {
        analyzeIfWanted();
    }
}

void MomentCanvas::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    pointerInside_ = false;
    unsetCursor();
}

void MomentCanvas::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    if (!settle_.isActive()) {
        analyzeIfWanted();
    }
}

} // namespace vesperline
