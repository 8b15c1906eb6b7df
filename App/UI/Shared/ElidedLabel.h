#pragma once

#include <QWidget>

namespace vesperline {

// One line of text that gives up width gracefully: what does not fit is replaced by "…" at the
// chosen place (the end, or the middle for addresses and paths). In the widget's font and its
// palette's text colour, so `Theme::applyText` styles it like a label.
class ElidedLabel final : public QWidget {
    Q_OBJECT

  public:
    explicit ElidedLabel(Qt::TextElideMode mode = Qt::ElideRight, QWidget* parent = nullptr);

    void setText(const QString& text);
    const QString& text() const { return text_; }
    // The text as drawn at the current width.
    QString shownText() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    Qt::TextElideMode mode_;
    QString text_;
};

} // namespace vesperline
