#pragma once

#include <QWidget>

#include <optional>

namespace vesperline {

// One line of text that gives up width gracefully: what does not fit is replaced by "…" at the
// chosen place (the end, or the middle for addresses and paths), after its font has shrunk as far as
// its minimum scale allows (by default it does not shrink). In the widget's font and its palette's
// text colour, so `Theme::applyText` styles it like a label.
class ElidedLabel final : public QWidget {
    Q_OBJECT

  public:
    explicit ElidedLabel(Qt::TextElideMode mode = Qt::ElideRight, QWidget* parent = nullptr);

    void setText(const QString& text);
    const QString& text() const { return text_; }
    // How far the font may shrink, as a fraction of its size, before the text is cut.
    void setMinimumScale(double scale);
    // The font and the text as drawn at the current width.
    QFont shownFont() const;
    QString shownText() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    // The text's width on one line in the label's font.
    int naturalWidth() const;

    Qt::TextElideMode mode_;
    QString text_;
    mutable std::optional<int> naturalWidth_;
    double minimumScale_ = 1;
};

} // namespace vesperline
