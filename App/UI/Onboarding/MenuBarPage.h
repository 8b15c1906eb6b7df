#pragma once

#include <QWidget>

namespace vesperline {

class OnboardingController;
class SymbolText;

// The tour's last page: where the app lives (a picture of the tray with its icon), three tips, and
// while the screen cannot be read, that recording waits for it.
class MenuBarPage final : public QWidget {
    Q_OBJECT

  public:
    explicit MenuBarPage(OnboardingController& controller, QWidget* parent = nullptr);

  private:
    OnboardingController& controller_;
    SymbolText* screenWarning_;
};

} // namespace vesperline
