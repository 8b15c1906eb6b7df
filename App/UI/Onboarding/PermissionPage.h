#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace vesperline {

class OnboardingController;
class PermissionIcon;
class SymbolText;

// The tour's page of one permission: its symbol, what it is for, and "Allowed" once it is granted,
// else what the user can do about it. Follows the tour's permission checks.
class PermissionPage final : public QWidget {
    Q_OBJECT

  public:
    enum class Kind { screen, accessibility };

    PermissionPage(Kind kind, OnboardingController& controller, QWidget* parent = nullptr);

  private:
    void follow();

    Kind kind_;
    OnboardingController& controller_;
    PermissionIcon* icon_;
    SymbolText* allowed_;
    QWidget* actions_;
};

} // namespace vesperline
