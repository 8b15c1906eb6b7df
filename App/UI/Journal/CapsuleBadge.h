#pragma once

#include <QWidget>

namespace vesperline {

// A short note in the smallest caption on a faint capsule, beside a heading.
class CapsuleBadge final : public QWidget {
    Q_OBJECT

  public:
    explicit CapsuleBadge(const QString& text, QWidget* parent = nullptr);

    const QString& text() const { return text_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    QString text_;
};

} // namespace vesperline
