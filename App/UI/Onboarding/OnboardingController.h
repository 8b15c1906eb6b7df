#pragma once

#include "Model/HotKeyCombo.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vesperline {

class AppSettings;

namespace platform {
class InstalledApplications;
}

// What the first-run tour shows and does: six pages, the first two permissions, the first privacy
// choices and the way into the tray icon. The page shown is kept in the settings store under
// "onboardingStep", so a tour closed half way goes on where it was left; both ways out of it (skip,
// and the primary button of the last page) set it back to the first page before the tour finishes.
//
// Whether the screen and other applications' text can be read is checked once at creation and then
// every second while the tour is shown, so a change the user makes elsewhere shows at once. Main
// thread only.
class OnboardingController final : public QObject {
    Q_OBJECT

  public:
    enum class Step { welcome, screen, accessibility, search, privacy, menuBar };
    static constexpr std::array<Step, 6> steps{Step::welcome, Step::screen,  Step::accessibility,
                                               Step::search,  Step::privacy, Step::menuBar};
    static constexpr Step lastStep = Step::menuBar;
    // The settings key of the page shown.
    static constexpr const char* stepKey = "onboardingStep";
    static constexpr int pollMilliseconds = 1000;

    // What the tour reads and asks of the system; everything must outlive the controller.
    struct Services {
        AppSettings& settings;
        platform::InstalledApplications& applications;
        std::function<bool()> screenGranted;
        std::function<bool()> accessibilityGranted;
        // Asks the desktop to let Vesperline read other applications' text.
        std::function<void()> requestAccessibility;
        // A global shortcut as the user reads it.
        std::function<QString(const HotKeyCombo&)> shortcutText;
        // The desktop shows tray icons; without a tray the pages point to the main window instead.
        bool trayAvailable = true;
    };

    // A messaging application the privacy page offers to leave out of the memory.
    struct MessagingApp {
        std::string id;
        QString name;
        bool operator==(const MessagingApp&) const = default;
    };

    // `finish` ends the tour; it is called after the stored step went back to the first page.
    OnboardingController(Services services, std::function<void()> finish, QObject* parent = nullptr);

    // The step of a stored value; none outside 0 to 5.
    static std::optional<Step> stepFromRaw(std::int64_t raw);
    static int raw(Step step) { return int(step); }

    // ---- The frame ---------------------------------------------------------------------------------
    // The page shown: the stored step, or the welcome page for a stored value that is no step.
    Step step() const;
    // "Step 1 of 6".
    QString progressText() const;
    // Whether the dot of `step` is coloured: it is the page shown or comes before it.
    bool reached(Step step) const { return raw(step) <= raw(this->step()); }
    bool showsSkip() const { return step() != lastStep; }
    bool showsBack() const { return step() != Step::welcome; }
    QString primaryTitle() const;
    // The primary button's title on `step`.
    static QString primaryTitle(Step step, bool screenGranted, bool accessibilityGranted,
                                bool onboardingCompleted);

    // The primary button (Return): the next page, or on the last one the end of the tour. Next and
    // back go from the page shown, whatever value the store held.
    void next();
    // "Back": the page before, from any page but the first.
    void back();
    // "Skip": the tour ends from any page.
    void skip();
    // Escape: skips the tour, except on the last page, where nothing answers it.
    void cancel();

    // ---- Permissions ---------------------------------------------------------------------------
    bool screenGranted() const { return screenGranted_; }
    bool accessibilityGranted() const { return accessibilityGranted_; }
    // The tour came on screen or went: the permissions are checked every second while it shows.
    void setShown(bool shown);
    bool polling() const { return poll_.isActive(); }
    // Reads both permissions again.
    void poll();
    void allowAccessibility();

    // ---- The pages' texts and choices ----------------------------------------------------------
    AppSettings& settings() const { return services_.settings; }
    bool trayAvailable() const { return services_.trayAvailable; }
    // "Press Shift+Super+Space in any app." with the shortcut of the settings.
    QString shortcutStep() const;
    // The messaging applications installed, in the catalog's order, each once under the id the
    // desktop knows it by, named as the desktop names it (its id when it names none).
    std::vector<MessagingApp> installedMessagingApps() const;
    bool excludes(const std::string& id) const;
    // Adds the application at the end of the excluded ones (once), or removes every entry of it,
    // keeping the others in order, as the Privacy pane edits the list.
    void setExcluded(const std::string& id, bool excluded);

  signals:
    void stepChanged();
    void permissionsChanged();
    // Applications were installed or removed: the messaging applications may differ.
    void applicationsChanged();

  private:
    void store(std::int64_t step);
    void end();

    Services services_;
    std::function<void()> finish_;
    std::int64_t stored_ = 0;
    bool screenGranted_ = false;
    bool accessibilityGranted_ = false;
    QTimer poll_;
};

} // namespace vesperline
