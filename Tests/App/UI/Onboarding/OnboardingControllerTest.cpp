#include "UI/Onboarding/OnboardingController.h"

#include "OnboardingFixture.h"

#include <QSignalSpy>

#include <map>

namespace vesperline {
namespace {

using Step = OnboardingController::Step;

class OnboardingControllerTest : public OnboardingFixture {
  protected:
    std::unique_ptr<OnboardingController> make() {
        return std::make_unique<OnboardingController>(services(), finish());
    }
};

TEST_F(OnboardingControllerTest, EachStepShowsItsButtonsAndProgress) {
    struct Case {
        int stored;
        bool screenGranted;
        bool accessibilityGranted;
        bool completedBefore;
        Step shown;
        bool skip;
        bool back;
        const char* primary;
        const char* progress;
    };
    const Case cases[] = {
        {0, false, false, false, Step::welcome, true, false, "Get started", "Step 1 of 6"},
        {1, false, false, false, Step::screen, true, true, "Continue without", "Step 2 of 6"},
        {1, true, false, false, Step::screen, true, true, "Continue", "Step 2 of 6"},
        {2, true, false, false, Step::accessibility, true, true, "Skip for now", "Step 3 of 6"},
        {2, true, true, false, Step::accessibility, true, true, "Continue", "Step 3 of 6"},
        {3, false, false, false, Step::search, true, true, "Continue", "Step 4 of 6"},
        {4, false, false, false, Step::privacy, true, true, "Continue", "Step 5 of 6"},
        {5, false, false, false, Step::menuBar, false, true, "Start remembering", "Step 6 of 6"},
        {5, true, true, true, Step::menuBar, false, true, "Done", "Step 6 of 6"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        storeStep(c.stored);
        screen = c.screenGranted;
        accessibility = c.accessibilityGranted;
        settings().setOnboardingCompleted(c.completedBefore);
        auto controller = make();
        EXPECT_EQ(controller->step(), c.shown);
        EXPECT_EQ(controller->showsSkip(), c.skip);
        EXPECT_EQ(controller->showsBack(), c.back);
        EXPECT_EQ(controller->primaryTitle(), c.primary);
        EXPECT_EQ(controller->progressText(), c.progress);
        for (const Step step : OnboardingController::steps) {
            EXPECT_EQ(controller->reached(step), OnboardingController::raw(step) <= c.stored);
        }
    }
}

TEST_F(OnboardingControllerTest, WalksForwardAndBackAndFinishesFromTheLastStepWithTheStepReset) {
    auto controller = make();
    QSignalSpy changes(controller.get(), &OnboardingController::stepChanged);
    EXPECT_EQ(controller->step(), Step::welcome) << "no stored step";
    controller->back();
    EXPECT_EQ(controller->step(), Step::welcome) << "nothing before the first page";
    for (int expected = 1; expected <= 5; ++expected) {
        controller->next();
        EXPECT_EQ(OnboardingController::raw(controller->step()), expected);
        EXPECT_EQ(storedStep(), QVariant(qlonglong(expected)));
    }
    controller->back();
    EXPECT_EQ(controller->step(), Step::privacy);
    controller->next();
    EXPECT_TRUE(finishes.empty());
    controller->next();
    ASSERT_EQ(finishes.size(), 1u);
    EXPECT_EQ(finishes.front(), QVariant(qlonglong(0))) << "the step is reset before the tour finishes";
    EXPECT_EQ(controller->step(), Step::welcome);
    EXPECT_EQ(changes.count(), 8) << "a step that did not change reports nothing";
}

TEST_F(OnboardingControllerTest, EscapeSkipsFromEveryPageButTheLast) {
    for (int stored = 0; stored <= 5; ++stored) {
        SCOPED_TRACE(stored);
        finishes.clear();
        storeStep(stored);
        auto controller = make();
        controller->cancel();
        if (stored == 5) {
            EXPECT_TRUE(finishes.empty());
            EXPECT_EQ(controller->step(), Step::menuBar);
            EXPECT_EQ(storedStep(), QVariant(5));
        } else {
            ASSERT_EQ(finishes.size(), 1u);
            EXPECT_EQ(finishes.front(), QVariant(qlonglong(0)));
        }
    }
    // The Skip button itself skips from anywhere it shows.
    storeStep(3);
    finishes.clear();
    make()->skip();
    EXPECT_EQ(finishes, std::vector<QVariant>{QVariant(qlonglong(0))});
}

TEST_F(OnboardingControllerTest, AStoredStepOutOfRangeShowsTheWelcomePageAndGoesOnFromIt) {
    // Going on from the stored value itself would jump from 9 past both permission pages, and
    // take four presses to leave the welcome page from -3.
    for (const QVariant& stored :
         {QVariant(9), QVariant(-3), QVariant(qlonglong(1) << 40), QVariant("3"), QVariant(2.0)}) {
        SCOPED_TRACE(stored.toString().toStdString());
        storeStep(stored);
        auto controller = make();
        EXPECT_EQ(controller->step(), Step::welcome);
        EXPECT_FALSE(controller->showsBack());
        EXPECT_TRUE(controller->showsSkip());
        EXPECT_EQ(controller->primaryTitle(), "Get started");
        controller->back();
        EXPECT_EQ(controller->step(), Step::welcome);
        controller->next();
        EXPECT_EQ(controller->step(), Step::screen);
        EXPECT_EQ(storedStep(), QVariant(qlonglong(1)));
        controller->back();
        EXPECT_EQ(controller->step(), Step::welcome);
        EXPECT_EQ(storedStep(), QVariant(qlonglong(0)));
    }
    EXPECT_TRUE(finishes.empty());
}

TEST_F(OnboardingControllerTest, FollowsThePermissionsWhileShownAndAsksForAccessibility) {
    screen = false;
    storeStep(1);
    auto controller = make();
    QSignalSpy changes(controller.get(), &OnboardingController::permissionsChanged);
    EXPECT_FALSE(controller->polling());
    controller->setShown(true);
    EXPECT_TRUE(controller->polling());
    EXPECT_EQ(controller->primaryTitle(), "Continue without");
    screen = true;
    EXPECT_TRUE(changes.wait(3 * OnboardingController::pollMilliseconds))
        << "the grant shows within a second";
    EXPECT_TRUE(controller->screenGranted());
    EXPECT_EQ(controller->primaryTitle(), "Continue");
    controller->setShown(false);
    EXPECT_FALSE(controller->polling());

    controller->allowAccessibility();
    EXPECT_EQ(accessibilityRequests, 1);
    accessibility = true;
    controller->poll();
    EXPECT_TRUE(controller->accessibilityGranted());
    EXPECT_EQ(changes.count(), 2);
    controller->poll();
    EXPECT_EQ(changes.count(), 2) << "no change, no signal";
}

// Applications answered by any of the names they are known by, as the desktop files answer a
// lookup by window class.
class AliasedApplications final : public platform::InstalledApplications {
  public:
    std::map<std::string, platform::InstalledApplication> byName;
    std::optional<platform::InstalledApplication> application(const std::string& id) override {
        const auto found = byName.find(id);
        return found == byName.end() ? std::nullopt : std::optional(found->second);
    }
    std::vector<platform::InstalledApplication> listedApplications() override { return {}; }
    // The applications here never change.
    void watch(QObject*, std::function<void()>) override {}
};

TEST_F(OnboardingControllerTest, OffersTheInstalledMessagingAppsOnceEachUnderTheirDesktopIDs) {
    AliasedApplications installed;
    const platform::InstalledApplication slack{"com.slack.Slack", "/var/lib/flatpak/com.slack.Slack.desktop",
                                               std::nullopt, "Slack"};
    installed.byName = {
        {"slack", slack},
        {"com.slack.Slack", slack},
        {"com.tinyspeck.slackmacgap", slack},
        {"org.signal.Signal",
         {"org.signal.Signal", "/usr/share/applications/org.signal.Signal.desktop", std::nullopt, "Signal"}},
        {"discord", {"discord", "/usr/share/applications/discord.desktop", std::nullopt, std::nullopt}},
        {"org.example.Editor",
         {"org.example.Editor", "/usr/share/applications/org.example.Editor.desktop", std::nullopt,
          "Editor"}},
    };
    applicationsInUse = &installed;
    using App = OnboardingController::MessagingApp;
    EXPECT_EQ(make()->installedMessagingApps(),
              (std::vector<App>{
                  {"com.slack.Slack", "Slack"}, {"discord", "discord"}, {"org.signal.Signal", "Signal"}}));

    installed.byName.clear();
    EXPECT_TRUE(make()->installedMessagingApps().empty());
}

TEST_F(OnboardingControllerTest, ExcludingAnAppAddsItOnceAndIncludingItRemovesEveryCopy) {
    settings().setExcludedApps({"com.bitwarden.desktop", "slack", "org.keepassxc.KeePassXC", "slack"});
    auto controller = make();
    EXPECT_TRUE(controller->excludes("slack"));
    controller->setExcluded("slack", false);
    EXPECT_EQ(settings().excludedApps(),
              (std::vector<std::string>{"com.bitwarden.desktop", "org.keepassxc.KeePassXC"}));
    controller->setExcluded("discord", true);
    controller->setExcluded("discord", true);
    EXPECT_EQ(settings().excludedApps(),
              (std::vector<std::string>{"com.bitwarden.desktop", "org.keepassxc.KeePassXC", "discord"}));
    EXPECT_EQ(store->value("excludedApps").toStringList(),
              (QStringList{"com.bitwarden.desktop", "org.keepassxc.KeePassXC", "discord"}));
}

TEST_F(OnboardingControllerTest, TheSearchStepNamesTheShortcutAsSetNow) {
    auto controller = make();
    EXPECT_EQ(controller->shortcutStep(), "Press Shift+Super+Space in any app.");
    settings().setHotKey({40, HotKeyCombo::control | HotKeyCombo::shift});
    EXPECT_EQ(controller->shortcutStep(), "Press Ctrl+Shift+K in any app.");
}

} // namespace
} // namespace vesperline
