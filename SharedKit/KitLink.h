#pragma once

#include <QAbstractButton>

namespace vesperline {

// A button drawn as a link: its title in the palette's link colour, underlined under the pointer.
class KitLink final : public QAbstractButton {
    Q_OBJECT

  public:
    explicit KitLink(const QString& title, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
};

} // namespace vesperline
