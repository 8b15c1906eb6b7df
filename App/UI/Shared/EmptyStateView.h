#pragma once

#include <QFont>
#include <QSize>
#include <QWidget>

#include <map>

class QLabel;

namespace vesperline {

// What a screen shows when it has nothing to show: a large symbol in the ink gradient, a title and
// a message of at most 360 points' width, stacked and centred in all the room there is.
class EmptyStateView final : public QWidget {
    Q_OBJECT

  public:
    static constexpr int messageWidth = 360;

    EmptyStateView(const QString& symbol, const QString& title, const QString& message,
                   QWidget* parent = nullptr);

    void setContent(const QString& symbol, const QString& title, const QString& message);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    struct Placement;
    struct TextSizes {
        QSize title;
        QSize message;
    };
    // How large the title and the message are with `room` for them.
    const TextSizes& textSizes(int room) const;
    // Where the three parts go in a view of `size`.
    Placement place(const QSize& size) const;
    void drawSymbol();
    void arrange();

    QString symbol_;
    QLabel* symbolLabel_;
    QLabel* titleLabel_;
    QLabel* messageLabel_;
    // By the room they were measured for, in the fonts below.
    mutable std::map<int, TextSizes> measured_;
    mutable QFont measuredTitleFont_;
    mutable QFont measuredMessageFont_;
};

} // namespace vesperline
