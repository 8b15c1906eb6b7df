#pragma once

#include <QIcon>
#include <QWidget>

#include <optional>
#include <string>

namespace vesperline {

namespace platform {
class InstalledApplications;
}

// An application's icon in a square of `side` points, from its desktop file's Icon. An application
// without an id, not installed or without an icon shows a placeholder instead: a rounded square in
// the app's colour with a dashed app glyph.
class AppIconView final : public QWidget {
    Q_OBJECT

  public:
    AppIconView(platform::InstalledApplications& applications, const std::optional<std::string>& bundleID,
                int side, QWidget* parent = nullptr);

    void setBundleID(const std::optional<std::string>& bundleID);
    const std::optional<std::string>& bundleID() const { return bundleID_; }
    // Whether the view shows an icon rather than the placeholder.
    bool showsIcon() const { return !icon_.isNull(); }

    // The icon of an application, looked up once per id for the life of the process (an id without
    // an icon is remembered as such); null without an id or an icon. Main thread only.
    static QIcon icon(platform::InstalledApplications& applications,
                      const std::optional<std::string>& bundleID);

    QSize sizeHint() const override { return {side_, side_}; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    platform::InstalledApplications& applications_;
    std::optional<std::string> bundleID_;
    int side_;
    QIcon icon_;
};

} // namespace vesperline
