#pragma once

#include <QWidget>

namespace vesperline {

class OnboardingController;
class SymbolText;

// The tour's last page: where the app lives (a picture of the tray with its icon, or, on a desktop
// without a tray, of the main window's status block), three tips, and while the screen cannot be
// read, where to turn for it.
class MenuBarPage final : public QWidget {
    Q_OBJECT

  public:
    explicit MenuBarPage(OnboardingController& controller, QWidget* parent = nullptr);

  private:
    OnboardingController& controller_;
    SymbolText* screenWarning_;
};

} // namespace vesperline
