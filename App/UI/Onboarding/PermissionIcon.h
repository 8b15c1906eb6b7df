#pragma once

#include <QString>
#include <QWidget>

namespace vesperline {

// A permission page's large symbol on a round backdrop washed with the pastels: the page's own
// symbol in the ink gradient while the permission is missing, a mint check once it is granted.
class PermissionIcon final : public QWidget {
    Q_OBJECT

  public:
    static constexpr int backdrop = 110;
    static constexpr int symbolSize = 50;

    explicit PermissionIcon(const QString& symbol, QWidget* parent = nullptr);

    void setGranted(bool granted);
    bool granted() const { return granted_; }
    // The symbol drawn now.
    QString shownSymbol() const;

    QSize sizeHint() const override { return {backdrop, backdrop}; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QString symbol_;
    bool granted_ = false;
};

} // namespace vesperline
