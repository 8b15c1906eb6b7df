#pragma once

#include <QWidget>

#include <map>
#include <string>

namespace vesperline {

class OnboardingController;
class ToggleSwitch;

// The tour's page on privacy: how to pause and forget, and the first privacy choices: private
// browser windows, backups, and the messaging applications installed. The switches follow the
// settings and write them only when the user flips one.
class PrivacyPage final : public QWidget {
    Q_OBJECT

  public:
    explicit PrivacyPage(OnboardingController& controller, QWidget* parent = nullptr);

  private:
    void follow();

    OnboardingController& controller_;
    ToggleSwitch* skipPrivate_;
    ToggleSwitch* excludeFromBackup_;
    std::map<std::string, ToggleSwitch*> messaging_;
};

} // namespace vesperline
