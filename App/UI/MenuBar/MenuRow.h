#pragma once

#include <QAbstractButton>

#include <optional>

namespace vesperline {

// A full-width action row of the popover: a symbol, the title at the leading edge and, when given, a
// shortcut at the trailing edge. Under the pointer the row lies on the pastel band and everything
// on it turns to the theme's ink.
class MenuRow final : public QAbstractButton {
    Q_OBJECT

  public:
    MenuRow(const QString& title, const QString& symbol, const std::optional<QString>& shortcut,
            QWidget* parent = nullptr);

    bool hovering() const { return hovering_; }
    const std::optional<QString>& shortcut() const { return shortcut_; }
    // Where the shortcut's text is drawn; empty without one.
    QRect shortcutRect() const;
    QRect titleRect() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool hitButton(const QPoint& position) const override { return rect().contains(position); }

  private:
    static constexpr int horizontalPadding = 8;
    static constexpr int verticalPadding = 5;
    static constexpr int symbolWidth = 18;
    static constexpr int spacing = 10;

    QString symbol_;
    std::optional<QString> shortcut_;
    bool hovering_ = false;
};

} // namespace vesperline
