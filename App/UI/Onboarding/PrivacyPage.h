#pragma once

#include "UI/Onboarding/OnboardingController.h"

#include <QWidget>

#include <map>
#include <string>
#include <vector>

namespace vesperline {

class ToggleSwitch;

// The tour's page on privacy: how to pause and forget, and the first privacy choices: private
// browser windows, backups, and the messaging applications installed. The switches follow the
// settings and write them only when the user flips one; the messaging applications follow what is
// installed while the page shows.
class PrivacyPage final : public QWidget {
    Q_OBJECT

  public:
    explicit PrivacyPage(OnboardingController& controller, QWidget* parent = nullptr);

  private:
    void follow();
    // The heading and a switch for each messaging application installed now; nothing without one.
    void showMessagingApps();

    OnboardingController& controller_;
    ToggleSwitch* skipPrivate_;
    ToggleSwitch* excludeFromBackup_;
    QWidget* messagingArea_;
    std::vector<OnboardingController::MessagingApp> messagingApps_;
    std::map<std::string, ToggleSwitch*> messaging_;
};

} // namespace vesperline
