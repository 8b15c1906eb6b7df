#include "UI/Onboarding/OnboardingController.h"

#include "Model/AppSettings.h"
#include "Platform/InstalledApplications.h"
#include "Rules/AppCatalog.h"
#include "Runtime/Log.h"
#include "UI/Settings/ExcludedApps.h"

#include <algorithm>

namespace vesperline {

namespace {

// A stored step counts only as a whole number; anything else reads as the first page.
std::int64_t readStep(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
        return value.toLongLong();
    default:
        return 0;
    }
}

} // namespace

OnboardingController::OnboardingController(Services services, std::function<void()> finish, QObject* parent)
    : QObject(parent), services_(std::move(services)), finish_(std::move(finish)),
      stored_(readStep(services_.settings.defaults().value(stepKey))),
      screenGranted_(services_.screenGranted()), accessibilityGranted_(services_.accessibilityGranted()) {
    poll_.setInterval(pollMilliseconds);
    connect(&poll_, &QTimer::timeout, this, &OnboardingController::poll);
    connect(&services_.settings, &AppSettings::onboardingCompletedChanged, this,
            &OnboardingController::stepChanged);
    services_.applications.watch(this, [this] { emit applicationsChanged(); });
}

std::optional<OnboardingController::Step> OnboardingController::stepFromRaw(std::int64_t raw) {
    if (raw < 0 || raw >= std::int64_t(steps.size())) {
        return std::nullopt;
    }
    return steps[std::size_t(raw)];
}

OnboardingController::Step OnboardingController::step() const {
    return stepFromRaw(stored_).value_or(Step::welcome);
}

QString OnboardingController::progressText() const {
    return tr("Step %1 of %2").arg(raw(step()) + 1).arg(steps.size());
}

QString OnboardingController::primaryTitle() const {
    return primaryTitle(step(), screenGranted_, accessibilityGranted_,
                        services_.settings.onboardingCompleted());
}

QString OnboardingController::primaryTitle(Step step, bool screenGranted, bool accessibilityGranted,
                                           bool onboardingCompleted) {
    switch (step) {
    case Step::welcome:
        return tr("Get started");
    case Step::screen:
        return screenGranted ? tr("Continue") : tr("Continue without");
    case Step::accessibility:
        return accessibilityGranted ? tr("Continue") : tr("Skip for now");
    case Step::search:
    case Step::privacy:
        return tr("Continue");
    case Step::menuBar:
        return onboardingCompleted ? tr("Done") : tr("Start remembering");
    }
    return {};
}

void OnboardingController::next() {
    const Step shown = step();
    if (shown == lastStep) {
        end();
        return;
    }
    store(raw(shown) + 1);
}

void OnboardingController::back() {
    const Step shown = step();
    if (shown != Step::welcome) {
        store(raw(shown) - 1);
    }
}

void OnboardingController::skip() {
    end();
}

void OnboardingController::cancel() {
    if (showsSkip()) {
        skip();
    }
}

void OnboardingController::end() {
    store(0);
    if (finish_) {
        finish_();
    }
}

void OnboardingController::store(std::int64_t step) {
    stored_ = step;
    try {
        services_.settings.defaults().setValue(stepKey, qlonglong(step));
    } catch (const platform::SettingsStoreError& error) {
        // The store keeps it for this run; the tour goes on.
        qCWarning(Log::app, "Settings write failed: %s", error.what());
    }
    emit stepChanged();
}

void OnboardingController::setShown(bool shown) {
    if (shown == poll_.isActive()) {
        return;
    }
    if (shown) {
        poll();
        poll_.start();
    } else {
        poll_.stop();
    }
}

void OnboardingController::poll() {
    const bool screen = services_.screenGranted();
    const bool accessibility = services_.accessibilityGranted();
    if (screen == screenGranted_ && accessibility == accessibilityGranted_) {
        return;
    }
    screenGranted_ = screen;
    accessibilityGranted_ = accessibility;
    emit permissionsChanged();
}

void OnboardingController::allowAccessibility() {
    if (services_.requestAccessibility) {
        services_.requestAccessibility();
    }
}

QString OnboardingController::shortcutStep() const {
    return tr("Press %1 in any app.").arg(services_.shortcutText(services_.settings.hotKey()));
}

std::vector<OnboardingController::MessagingApp> OnboardingController::installedMessagingApps() const {
    std::vector<MessagingApp> apps;
    for (const std::string& candidate : ostrel::AppCatalog::messagingApps()) {
        const auto installed = services_.applications.application(candidate);
        if (!installed) {
            continue;
        }
        // A lookup by another name of an application finds its desktop-file id, which recording
        // knows it by; an application known by several of the catalog's ids is offered once.
        if (std::any_of(apps.begin(), apps.end(),
                        [&](const MessagingApp& app) { return app.id == installed->id; })) {
            continue;
        }
        apps.push_back({installed->id, QString::fromStdString(installed->name.value_or(installed->id))});
    }
    return apps;
}

bool OnboardingController::excludes(const std::string& id) const {
    const std::vector<std::string>& apps = services_.settings.excludedApps();
    return std::find(apps.begin(), apps.end(), id) != apps.end();
}

void OnboardingController::setExcluded(const std::string& id, bool excluded) {
    if (excluded == excludes(id)) {
        return;
    }
    const std::vector<std::string>& apps = services_.settings.excludedApps();
    services_.settings.setExcludedApps(excluded ? ExcludedApps::adding(apps, id)
                                                : ExcludedApps::removing(apps, id));
}

} // namespace vesperline
