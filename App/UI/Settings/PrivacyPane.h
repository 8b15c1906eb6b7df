#pragma once

#include "Store/Format.h"

#include <QWidget>

#include <optional>
#include <vector>

class QLineEdit;
class QMenu;
class QMessageBox;
class QPushButton;

namespace vesperline {

class ActivityIndicator;
class FormSection;
class SettingsContext;
class ToggleSwitch;

// The Privacy pane: the promise, private browser windows, the applications and websites never
// recorded, and the three deletions (the last hour, today, the whole memory), each behind a
// confirmation that does nothing when cancelled. While one runs, the Forget row is disabled and a
// small indicator turns.
class PrivacyPane final : public QWidget {
    Q_OBJECT

  public:
    enum class RecentDeletion { lastHour, today };

    explicit PrivacyPane(SettingsContext& context, QWidget* parent = nullptr);

    // The footer under the apps: "3 other password managers are excluded automatically if you install
    // them."; nothing while no password manager is left out of the list.
    static QString hiddenManagersText(std::int64_t hidden, const Format& format);

    // The confirmation shown now, if any.
    QMessageBox* confirmation() const { return confirmation_; }

  private:
    // Shows the settings; writes nothing.
    void follow();
    void showApps();
    void showSites();
    void fillRunningAppsMenu();
    void chooseFromApplications();
    void addApp(const std::string& id);
    void addSite();
    void confirmRecent(RecentDeletion deletion);
    void confirmErase();
    // Asks `title` (and `message`), offering `action` in the destructive role; runs `start` only
    // when the user takes it.
    void confirm(const QString& name, const QString& title, const QString& message, const QString& action,
                 std::function<void(std::function<void()> done)> start);
    void setWorking(bool working);

    SettingsContext& context_;
    ToggleSwitch* skipPrivateWindows_;
    FormSection* apps_;
    std::vector<QWidget*> appRows_;
    QMenu* addAppMenu_;
    FormSection* sites_;
    std::vector<QWidget*> siteRows_;
    QLineEdit* newSite_;
    QPushButton* addSite_;
    QWidget* forget_;
    ActivityIndicator* working_;
    QMessageBox* confirmation_ = nullptr;
    bool isWorking_ = false;
};

} // namespace vesperline
