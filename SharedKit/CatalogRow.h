#pragma once

#include "SharedKit/CatalogApp.h"

#include <QAbstractButton>

class QLabel;

namespace vesperline {

namespace platform {
class ApplicationLauncher;
class InstalledApplications;
} // namespace platform

// One application of the catalog in the about window: its name over its tagline and an arrow at
// the trailing edge, "→" when it is installed (a click starts it) or "↗" when it is not (a click
// opens its page); the arrow darkens under the pointer.
class CatalogRow final : public QAbstractButton {
    Q_OBJECT

  public:
    CatalogRow(const CatalogApp& app, platform::InstalledApplications& installed,
               platform::ApplicationLauncher& launcher, QWidget* parent = nullptr);

    const CatalogApp& app() const { return app_; }
    bool hovering() const { return hovering_; }
    QString arrow() const;

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void tint();

    CatalogApp app_;
    QLabel* name_;
    QLabel* tagline_;
    QLabel* arrow_;
    bool hovering_ = false;
};

} // namespace vesperline
