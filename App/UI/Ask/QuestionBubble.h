#pragma once

#include <QWidget>

namespace vesperline {

// A question as the user asked it: its text on a rounded ground of the pastel band, as wide as the
// text up to the room there is, wrapping at word boundaries beyond that.
class QuestionBubble final : public QWidget {
    Q_OBJECT

  public:
    static constexpr int horizontalPadding = 14;
    static constexpr int verticalPadding = 9;
    static constexpr double cornerRadius = 14;

    explicit QuestionBubble(const QString& text, QWidget* parent = nullptr);

    const QString& text() const { return text_; }

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    QRect textRect(int textWidth) const;

    QString text_;
};

} // namespace vesperline
