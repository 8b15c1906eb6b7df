#pragma once

#include "Platform/TextRecognizer.h"
#include "Support/Rect.h"
#include "UI/Moment/LiveTextAnalyzer.h"
#include "UI/Moment/LiveTextLayout.h"

#include <QFuture>
#include <QImage>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <functional>
#include <optional>
#include <vector>

namespace vesperline {

// A stored picture of the screen at the largest size that fits, centred, with the search terms
// boxed on it in soft orange, and its text selectable with the mouse and copied with Ctrl+C.
//
// The text of a picture is read once, and only when the user may want it: when the pointer rests
// on the canvas or it has the keyboard focus after the picture stayed for `settleDelay`, or at once
// when the user presses on it. Reading takes seconds of processor time here, so pictures passing by
// (a replay, a scrub, arrowing through results) are not read.
class MomentCanvas final : public QWidget {
    Q_OBJECT

  public:
    // Reads a picture's lines off the main thread; none when the request was cancelled first.
    using Analyze = std::function<QFuture<std::optional<std::vector<platform::TextObservation>>>(
        const QImage& picture, LiveTextAnalyzer::Cancellation cancelled)>;

    static constexpr std::chrono::milliseconds defaultSettleDelay{600};

    // Without `analyze` the canvas shows pictures and boxes without selectable text.
    explicit MomentCanvas(Analyze analyze = {}, std::chrono::milliseconds settleDelay = defaultSettleDelay,
                          QWidget* parent = nullptr);
    ~MomentCanvas() override;

    // Reads through the shared analyzer.
    static Analyze analyses(LiveTextAnalyzer& analyzer);

    // Shows `picture` with `boxes` (normalised, origin at the picture's lower left). New boxes for
    // the same picture are drawn at once; only another picture drops the text read from the last one.
    void setContent(const QImage& picture, std::vector<ostrel::Rect> boxes);

    const QImage& picture() const { return picture_; }
    const std::vector<ostrel::Rect>& boxes() const { return boxes_; }
    // Where the picture and the boxes are drawn now.
    QRectF pictureRect() const;
    std::vector<QRectF> highlightRects() const;
    // Whether the text of the picture shown has been read and can be selected.
    bool hasLiveText() const { return !layout_.isEmpty(); }
    QString selectedText() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

  private:
    void cancelAnalysis();
    // Starts reading the picture shown unless it is read or being read.
    void analyze();
    void analyzeIfWanted();
    void updateCursor(const QPointF& point);
    // A point of the view on the picture, normalised with the origin at its upper left.
    QPointF normalised(const QPointF& point) const;
    void copySelection() const;

    Analyze analyze_;
    QTimer settle_;
    QImage picture_;
    std::vector<ostrel::Rect> boxes_;
    QPixmap scaled_;
    qint64 scaledKey_ = 0;

    LiveTextAnalyzer::Cancellation running_; // the reading under way, if any
    bool analyzed_ = false;                  // the picture shown was read or is being read
    LiveTextLayout layout_;
    std::optional<LiveTextLayout::Position> anchor_;
    LiveTextLayout::Position focus_;
    std::optional<QPointF> pressedAt_; // a press not yet released, in view coordinates
    bool pointerInside_ = false;
    QPointF lastPointer_;
};

} // namespace vesperline
