#include "UI/Onboarding/PrivacyPage.h"

#include "Model/AppSettings.h"
#include "UI/Onboarding/OnboardingController.h"
#include "UI/Onboarding/TourParts.h"
#include "UI/Shared/Card.h"
#include "UI/Shared/PageParts.h"
#include "UI/Shared/ToggleSwitch.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace vesperline {

namespace {

// A switch before its label; a click on the label flips it too.
class SwitchRow final : public QWidget {
  public:
    SwitchRow(const QString& text, const QString& name, QWidget* parent = nullptr)
        : QWidget(parent), toggle_(new ToggleSwitch) {
        toggle_->setObjectName(name);
        toggle_->setAccessibleName(text);
        QHBoxLayout* layout = PageParts::row(this, 8);
        layout->addWidget(toggle_, 0, Qt::AlignVCenter);
        QLabel* label = PageParts::textLabel(Theme::TextStyle::body);
        label->setText(text);
        layout->addWidget(label, 1);
    }
    ToggleSwitch* toggle() const { return toggle_; }

  protected:
    void mouseReleaseEvent(QMouseEvent*) override { toggle_->click(); }

  private:
    ToggleSwitch* toggle_;
};

} // namespace

PrivacyPage::PrivacyPage(OnboardingController& controller, QWidget* parent)
    : QWidget(parent), controller_(controller) {
    AppSettings& settings = controller.settings();
    QVBoxLayout* layout = PageParts::column(this, 14);
    layout->addWidget(TourParts::title(tr("You're in control")));

    auto* facts = new QWidget;
    QVBoxLayout* factList = PageParts::column(facts, 10);
    auto fact = [&](const char* symbol, const QString& text) {
        factList->addWidget(
            TourParts::symbolRow(symbol, text, Theme::TextStyle::callout, Theme::Level::secondary, 20));
    };
    fact("pause.circle",
         controller.trayAvailable()
             ? tr("Pause from the menu bar icon: for 15 minutes, an hour, or until you resume.")
             : tr("Pause from the status menu in the main window: for 15 minutes, an hour, or until you "
                  "resume."));
    fact("trash",
         tr("Forget the last 5, 15 or 60 minutes, or all of today. It's removed from the video too."));
    fact("hand.raised",
         tr("Password managers are never recorded. Add apps and websites to skip in Settings → Privacy."));
    layout->addWidget(facts);

    auto* choices = new QWidget;
    QVBoxLayout* choiceList = PageParts::column(choices, 8);
    auto* skipPrivate = new SwitchRow(tr("Skip private / incognito browser windows"), "skipPrivateWindows");
    auto* backups = new SwitchRow(tr("Keep my memory out of backups"), "excludeFromBackup");
    skipPrivate_ = skipPrivate->toggle();
    excludeFromBackup_ = backups->toggle();
    choiceList->addWidget(skipPrivate);
    choiceList->addWidget(backups);
    connect(skipPrivate_, &ToggleSwitch::clicked, &settings, &AppSettings::setSkipPrivateWindows);
    connect(excludeFromBackup_, &ToggleSwitch::clicked, &settings, &AppSettings::setExcludeFromBackup);

    messagingArea_ = new QWidget;
    PageParts::column(messagingArea_, 8);
    // Shown once there is a messaging application to offer.
    messagingArea_->hide();
    choiceList->addWidget(messagingArea_);
    showMessagingApps();
    auto* box = new Card(choices, 14);
    box->setObjectName("privacyChoices");
    layout->addWidget(box);
    layout->addStretch(1);

    for (auto changed : {&AppSettings::skipPrivateWindowsChanged, &AppSettings::excludeFromBackupChanged,
                         &AppSettings::excludedAppsChanged}) {
        connect(&settings, changed, this, &PrivacyPage::follow);
    }
    connect(&controller, &OnboardingController::applicationsChanged, this, [this] {
        showMessagingApps();
        follow();
    });
    follow();
}

void PrivacyPage::showMessagingApps() {
    std::vector<OnboardingController::MessagingApp> apps = controller_.installedMessagingApps();
    if (apps == messagingApps_) {
        return;
    }
    messagingApps_ = std::move(apps);
    messaging_.clear();
    while (QLayoutItem* item = messagingArea_->layout()->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    messagingArea_->setVisible(!messagingApps_.empty());
    if (messagingApps_.empty()) {
        return;
    }
    QLabel* heading = PageParts::textLabel(Theme::TextStyle::callout, Theme::Level::primary, QFont::DemiBold);
    heading->setObjectName("messagingHeading");
    heading->setText(tr("Also exclude messaging apps?"));
    heading->setContentsMargins(0, 4, 0, 0);
    messagingArea_->layout()->addWidget(heading);
    auto* grid = new QWidget;
    auto* columns = new QGridLayout(grid);
    columns->setContentsMargins(0, 0, 0, 0);
    columns->setSpacing(6);
    for (std::size_t i = 0; i < messagingApps_.size(); ++i) {
        const std::string id = messagingApps_[i].id;
        auto* row = new SwitchRow(messagingApps_[i].name, "messaging:" + QString::fromStdString(id));
        columns->addWidget(row, int(i / 2), int(i % 2));
        messaging_[id] = row->toggle();
        connect(row->toggle(), &ToggleSwitch::clicked, this,
                [this, id](bool on) { controller_.setExcluded(id, on); });
    }
    columns->setColumnStretch(0, 1);
    columns->setColumnStretch(1, 1);
    messagingArea_->layout()->addWidget(grid);
}

void PrivacyPage::follow() {
    const AppSettings& settings = controller_.settings();
    const QSignalBlocker skip(skipPrivate_);
    const QSignalBlocker backup(excludeFromBackup_);
    skipPrivate_->setChecked(settings.skipPrivateWindows());
    excludeFromBackup_->setChecked(settings.excludeFromBackup());
    for (const auto& [id, toggle] : messaging_) {
        const QSignalBlocker blocker(toggle);
        toggle->setChecked(controller_.excludes(id));
    }
}

} // namespace vesperline
