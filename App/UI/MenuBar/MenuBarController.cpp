#include "UI/MenuBar/MenuBarController.h"

#include "UI/Shared/LocalDay.h"

#include <QPointer>
#include <QTimeZone>

namespace vesperline {

MenuBarController::MenuBarController(AppModel& model, Services services, std::function<void()> close,
                                     QObject* parent)
    : QObject(parent), model_(model), services_(std::move(services)), close_(std::move(close)) {
    for (auto signal : {&AppModel::statusChanged, &AppModel::skipReasonChanged, &AppModel::policyChanged,
                        &AppModel::lastSavedChanged, &AppModel::todayChanged, &AppModel::storageChanged,
                        &AppModel::findsChanged, &AppModel::savingIssueChanged}) {
        connect(&model_, signal, this, &MenuBarController::changed);
    }
    AppSettings& settings = model_.settings();
    for (auto signal :
         {&AppSettings::pausedUntilChanged, &AppSettings::hotKeyChanged, &AppSettings::hotKeyEnabledChanged,
          &AppSettings::onboardingCompletedChanged, &AppSettings::appLockEnabledChanged}) {
        connect(&settings, signal, this, &MenuBarController::changed);
    }
}

Theme::DynamicColor MenuBarController::dotColor(const RecorderStatus& status, SavingIssue saving) {
    switch (status.kind) {
    case RecorderStatus::Kind::recording:
        if (momentsAreNotSaved(saving)) {
            return Theme::red;
        }
        return status.textOnly || saving == SavingIssue::picturesPausedForLowDisk ? Theme::peach.ink
                                                                                  : Theme::mint.ink;
    case RecorderStatus::Kind::needsPermission:
        return Theme::red;
    default:
        return Theme::gray;
    }
}

std::optional<QString> MenuBarController::lastMomentText() const {
    return lastMomentText(model_.lastSaved(), skipText().has_value(), model_.settings().appLockEnabled(),
                          model_.appLock().unlockedUntil(), model_.clock().now(), model_.format());
}

std::optional<QString> MenuBarController::lastMomentText(const std::optional<ostrel::FrameSummary>& last,
                                                         bool skipShown, bool lockEnabled,
                                                         std::optional<ostrel::Time> unlockedUntil,
                                                         ostrel::Time now, const Format& format) {
    const bool locked = lockEnabled && !(unlockedUntil && *unlockedUntil > now);
    if (!last || skipShown || locked) {
        return std::nullopt;
    }
    return tr("Last moment %1 · %2")
        .arg(format.time(last->timestamp), QString::fromStdString(last->displayTitle()));
}

bool MenuBarController::showsFinishSetup() const {
    return model_.status().kind == RecorderStatus::Kind::stopped && !model_.settings().onboardingCompleted();
}

std::optional<QString> MenuBarController::shortcutHint() const {
    const AppSettings& settings = model_.settings();
    if (!settings.hotKeyEnabled()) {
        return std::nullopt;
    }
    return model_.hotKeys().displayString(settings.hotKey());
}

QString MenuBarController::momentsValue() const {
    return QString::number(model_.today() ? model_.today()->framesSaved : 0);
}

QString MenuBarController::diskValue() const {
    return model_.format().bytes(model_.storage().totalBytes());
}

MenuBarController::EnergyTile MenuBarController::energyTile() const {
    return energyTile(model_.today(), model_.resources().batteryWh());
}

QString MenuBarController::energyValue() const {
    return energyValue(model_.today(), model_.resources().batteryWh(), model_.format());
}

MenuBarController::EnergyTile MenuBarController::energyTile(const std::optional<ostrel::DayStats>& today,
                                                            std::optional<double> batteryWh) {
    return today && batteryWh && *batteryWh > 0 ? EnergyTile::battery : EnergyTile::energy;
}

QString MenuBarController::energyValue(const std::optional<ostrel::DayStats>& today,
                                       std::optional<double> batteryWh, const Format& format) {
    const double joules = today ? today->energyJoules : 0;
    if (energyTile(today, batteryWh) == EnergyTile::battery) {
        return QStringLiteral("~") + format.percent(joules / (*batteryWh * 3600));
    }
    return format.decimal(1, joules / 3600) + QStringLiteral(" Wh");
}

std::optional<QString> MenuBarController::findsText() const {
    return findsText(model_.finds().thisMonth, model_.format());
}

std::optional<QString> MenuBarController::findsText(std::int64_t thisMonth, const Format& format) {
    if (thisMonth <= 0) {
        return std::nullopt;
    }
    return format.plural(tr("{0, plural, one {Found what you needed # time this month} "
                            "other {Found what you needed # times this month}}"),
                         {thisMonth});
}

bool MenuBarController::paused() const {
    const std::optional<ostrel::Time> until = model_.settings().pausedUntil();
    return (until && *until > model_.clock().now()) || model_.status().kind == RecorderStatus::Kind::paused;
}

std::vector<MenuBarController::MenuItem> MenuBarController::pauseItems() {
    using Option = AppModel::PauseOption;
    auto pause = [this](Option option) { return [this, option] { model_.pause(option); }; };
    return {
        {tr("For 15 minutes"), pause(Option::forMinutes(15))},
        {tr("For 1 hour"), pause(Option::forMinutes(60))},
        {tr("Until tomorrow morning"), pause(Option::untilTomorrow())},
        {QString(), {}},
        {tr("Until I resume"), pause(Option::untilResumed())},
    };
}

std::vector<MenuBarController::MenuItem> MenuBarController::forgetItems() {
    auto request = [this](Deletion deletion) { return [this, deletion] { requestDeletion(deletion); }; };
    return {
        {tr("Last 5 minutes"), request(Deletion::lastMinutes(5))},
        {tr("Last 15 minutes"), request(Deletion::lastMinutes(15))},
        {tr("Last hour"), request(Deletion::lastMinutes(60))},
        {tr("Today"), request(Deletion::today())},
    };
}

void MenuBarController::requestDeletion(std::optional<Deletion> deletion) {
    pending_ = deletion;
    emit deletionChanged();
}

QString MenuBarController::question() const {
    if (!pending_ || pending_->kind == Deletion::Kind::today) {
        return tr("Delete everything recorded today? This can't be undone.");
    }
    return tr("Delete everything recorded in the last %1? This can't be undone.")
        .arg(model_.format().duration(pending_->minutes * 60.0));
}

MenuBarController::Range MenuBarController::range(const Deletion& deletion, ostrel::Time now) const {
    const ostrel::Time from =
        deletion.kind == Deletion::Kind::today
            ? LocalDay::start(now, QTimeZone(QByteArray::fromStdString(model_.format().timeZoneID())))
            : now - deletion.minutes * 60.0;
    return {from, now + 5};
}

void MenuBarController::confirmDeletion() {
    if (!pending_ || deleting_ || !services_.deleteRange) {
        return;
    }
    // The popover opens without the lock; what it deletes is behind it. A refused or cancelled unlock
    // deletes nothing, and the next "Delete" asks again; a second one while the lock asks shares its
    // answer.
    model_.whenUnlocked(tr("delete from your screen memory"), this, [this] { deletePending(); });
}

void MenuBarController::deletePending() {
    if (!pending_ || deleting_) {
        return; // withdrawn while the lock asked, or started by an earlier "Delete"
    }
    deleting_ = true;
    emit deletionChanged();
    const Range covered = range(*pending_, model_.clock().now());
    services_.deleteRange(covered.from, covered.to, [controller = QPointer<MenuBarController>(this)] {
        if (controller) {
            controller->deletionFinished();
        }
    });
}

void MenuBarController::deletionFinished() {
    deleting_ = false;
    pending_.reset();
    emit deletionChanged();
}

void MenuBarController::close() {
    if (close_) {
        close_();
    }
}

void MenuBarController::openQuickSearch() {
    close();
    if (AppWindows* windows = model_.windows()) {
        windows->toggleQuickSearch();
    }
}

void MenuBarController::openSection(AppModel::Section section) {
    close();
    model_.openSection(section);
}

void MenuBarController::openSettings() {
    close();
    if (AppWindows* windows = model_.windows()) {
        windows->openSettings();
    }
}

void MenuBarController::showTour(bool restart) {
    close();
    if (AppWindows* windows = model_.windows()) {
        windows->showOnboarding(restart);
    }
}

void MenuBarController::quit() {
    close();
    if (services_.quit) {
        services_.quit();
    }
}

} // namespace vesperline
