#pragma once

#include <QWidget>

#include <optional>
#include <string>

class QLabel;

namespace vesperline {

class AppIconView;

namespace platform {
class InstalledApplications;
}

// The timeline bar's tooltip: the app's icon and one line of text in a capsule, sized to its content.
// It lets the pointer through to what lies under it.
class TimelineBarTooltip final : public QWidget {
    Q_OBJECT

  public:
    TimelineBarTooltip(platform::InstalledApplications& applications, QWidget* parent);

    void setContent(const std::optional<std::string>& bundleID, const QString& text);
    QString text() const;
    const AppIconView* icon() const { return icon_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    AppIconView* icon_;
    QLabel* label_;
};

} // namespace vesperline
