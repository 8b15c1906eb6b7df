#include "UI/Onboarding/OnboardingWindow.h"

#include "OnboardingFixture.h"
#include "Support/ClippedText.h"
#include "Support/ViewPictures.h"
#include "UI/Onboarding/PermissionIcon.h"
#include "UI/Onboarding/ProgressDots.h"
#include "UI/Settings/SymbolText.h"
#include "UI/Shared/ToggleSwitch.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace vesperline {
namespace {

using Step = OnboardingController::Step;

class OnboardingWindowTest : public OnboardingFixture {
  protected:
    std::unique_ptr<OnboardingWindow> make(int step) {
        storeStep(step);
        auto window = std::make_unique<OnboardingWindow>(services(), finish());
        window->show();
        return window;
    }
    template <typename T = QWidget> static T* child(const QWidget& parent, const QString& name) {
        T* found = parent.findChild<T*>(name);
        EXPECT_TRUE(found) << "no " << name.toStdString();
        return found;
    }
    static bool shown(const QWidget& parent, const QString& name) {
        const QWidget* found = parent.findChild<QWidget*>(name);
        return found && found->isVisibleTo(&parent);
    }
    static void press(QWidget& window, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(&window, Qt::Key(key), modifiers);
    }
};

TEST_F(OnboardingWindowTest, TheFooterFollowsTheStepAndTheKeysDriveIt) {
    auto window = make(0);
    EXPECT_EQ(window->windowTitle(), "Welcome to Vesperline");
    EXPECT_EQ(window->size(), OnboardingWindow::windowSize);
    EXPECT_FALSE(window->isModal());
    for (int step = 0; step <= 5; ++step) {
        SCOPED_TRACE(step);
        EXPECT_EQ(OnboardingController::raw(window->controller().step()), step);
        EXPECT_EQ(window->page()->objectName(), QStringLiteral("page%1").arg(step));
        EXPECT_EQ(shown(*window, "skip"), step != 5);
        EXPECT_EQ(shown(*window, "back"), step != 0);
        EXPECT_EQ(child<QPushButton>(*window, "primary")->text(), window->controller().primaryTitle());
        EXPECT_EQ(child(*window, "progressDots")->accessibleName(),
                  QStringLiteral("Step %1 of 6").arg(step + 1));
        if (step < 5) {
            press(*window, Qt::Key_Return);
        }
    }
    // The current dot is the wide one.
    const auto* dots = child<ProgressDots>(*window, "progressDots");
    EXPECT_EQ(dots->dotRect(5).width(), ProgressDots::currentWidth);
    EXPECT_EQ(dots->dotRect(0).width(), ProgressDots::dotWidth);

    // Escape does nothing on the last page; Ctrl+[ goes back, and there Escape skips.
    press(*window, Qt::Key_Escape);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(finishes.empty());
    EXPECT_EQ(window->controller().step(), Step::menuBar);
    press(*window, Qt::Key_BracketLeft, Qt::ControlModifier);
    EXPECT_EQ(window->controller().step(), Step::privacy);
    press(*window, Qt::Key_Escape);
    EXPECT_EQ(finishes, std::vector<QVariant>{QVariant(qlonglong(0))});
    EXPECT_FALSE(window->isVisible()) << "the tour closes when it ends";
}

TEST_F(OnboardingWindowTest, TheLastPrimaryButtonFinishesAndClosingOtherwiseKeepsTheStep) {
    auto window = make(5);
    QTest::mouseClick(child<QPushButton>(*window, "primary"), Qt::LeftButton);
    EXPECT_EQ(finishes, std::vector<QVariant>{QVariant(qlonglong(0))});
    EXPECT_FALSE(window->isVisible());

    auto another = make(3);
    another->close();
    EXPECT_EQ(storedStep(), QVariant(3));
    EXPECT_EQ(finishes.size(), 1u);
}

TEST_F(OnboardingWindowTest, PermissionPagesShowAllowedOrWhatCanBeDone) {
    screen = false;
    accessibility = false;
    auto window = make(1);
    EXPECT_EQ(child<PermissionIcon>(*window, "permissionIcon")->shownSymbol(),
              "rectangle.dashed.badge.record");
    EXPECT_FALSE(shown(*window, "permissionAllowed"));
    EXPECT_TRUE(shown(*window, "screenHint")) << "the screen cannot be allowed from here";
    EXPECT_EQ(child<QPushButton>(*window, "primary")->text(), "Continue without");
    screen = true;
    window->controller().poll();
    EXPECT_EQ(child<PermissionIcon>(*window, "permissionIcon")->shownSymbol(), "checkmark.circle.fill");
    EXPECT_TRUE(shown(*window, "permissionAllowed"));
    EXPECT_FALSE(shown(*window, "screenHint"));
    EXPECT_EQ(child<QPushButton>(*window, "primary")->text(), "Continue");

    press(*window, Qt::Key_Return);
    EXPECT_TRUE(shown(*window, "allowAccessibility"));
    QTest::mouseClick(child<QPushButton>(*window, "allowAccessibility"), Qt::LeftButton);
    EXPECT_EQ(accessibilityRequests, 1);
    accessibility = true;
    window->controller().poll();
    EXPECT_FALSE(shown(*window, "allowAccessibility"));
    EXPECT_TRUE(shown(*window, "permissionAllowed"));
}

TEST_F(OnboardingWindowTest, ThePrivacyPageWritesTheChoicesTheUserMakes) {
    applications.install({"slack", "/usr/share/applications/slack.desktop", std::nullopt, "Slack"});
    applications.install(
        {"org.signal.Signal", "/usr/share/applications/org.signal.Signal.desktop", std::nullopt, "Signal"});
    settings().setExcludedApps({"org.signal.Signal"});
    auto window = make(4);
    EXPECT_TRUE(shown(*window, "messagingHeading"));
    auto* slack = child<ToggleSwitch>(*window, "messaging:slack");
    auto* signal = child<ToggleSwitch>(*window, "messaging:org.signal.Signal");
    EXPECT_FALSE(slack->isChecked());
    EXPECT_TRUE(signal->isChecked());
    EXPECT_TRUE(child<ToggleSwitch>(*window, "skipPrivateWindows")->isChecked());
    EXPECT_TRUE(child<ToggleSwitch>(*window, "excludeFromBackup")->isChecked());

    QTest::mouseClick(slack, Qt::LeftButton);
    QTest::mouseClick(signal, Qt::LeftButton);
    QTest::mouseClick(child<ToggleSwitch>(*window, "skipPrivateWindows"), Qt::LeftButton);
    EXPECT_EQ(settings().excludedApps(), std::vector<std::string>{"slack"});
    EXPECT_FALSE(settings().skipPrivateWindows());
    // A change made elsewhere shows.
    settings().setExcludeFromBackup(false);
    EXPECT_FALSE(child<ToggleSwitch>(*window, "excludeFromBackup")->isChecked());
}

TEST_F(OnboardingWindowTest, MessagingAppsInstalledOrRemovedWhileThePrivacyPageShowsShowAtOnce) {
    auto window = make(4);
    const QWidget* page = window->page();
    EXPECT_FALSE(shown(*window, "messagingHeading"));
    EXPECT_EQ(window->findChildren<ToggleSwitch*>().size(), 2) << "the privacy box holds the two switches";

    applications.install(
        {"org.signal.Signal", "/usr/share/applications/org.signal.Signal.desktop", std::nullopt, "Signal"});
    settings().setExcludedApps({"org.signal.Signal"});
    applications.install({"slack", "/usr/share/applications/slack.desktop", std::nullopt, "Slack"});
    QApplication::processEvents(); // what is made while the window shows shows on the next turn
    EXPECT_EQ(window->page(), page) << "the same page, not a new one";
    EXPECT_TRUE(shown(*window, "messagingHeading"));
    // Each following the setting.
    auto* slack = child<ToggleSwitch>(*window, "messaging:slack");
    auto* signal = child<ToggleSwitch>(*window, "messaging:org.signal.Signal");
    EXPECT_FALSE(slack->isChecked());
    EXPECT_TRUE(signal->isChecked());
    QTest::mouseClick(slack, Qt::LeftButton);
    EXPECT_EQ(settings().excludedApps(), (std::vector<std::string>{"org.signal.Signal", "slack"}));

    applications.remove("slack");
    applications.remove("org.signal.Signal");
    QApplication::processEvents();
    EXPECT_FALSE(shown(*window, "messagingHeading"));
    EXPECT_EQ(window->findChildren<ToggleSwitch*>().size(), 2);
    EXPECT_EQ(settings().excludedApps(), (std::vector<std::string>{"org.signal.Signal", "slack"}))
        << "an application going away changes no setting";
}

TEST_F(OnboardingWindowTest, TheLastPageWarnsWhileTheScreenCannotBeRead) {
    screen = false;
    auto window = make(5);
    EXPECT_TRUE(shown(*window, "screenWarning"));
    EXPECT_EQ(child<SymbolText>(*window, "screenWarning")->label()->text(),
              "Vesperline records the screen of an X11 session. On Wayland, log out and choose an X11 "
              "(Xorg) session at the login screen.")
        << "nothing to allow: where to turn";
    screen = true;
    window->controller().poll();
    EXPECT_FALSE(shown(*window, "screenWarning"));
}

TEST_F(OnboardingWindowTest, WithoutATrayThePagesPointToTheMainWindowInsteadOfAnIcon) {
    const auto texts = [](const QWidget& window) {
        QStringList all;
        for (const QLabel* label : window.findChildren<QLabel*>()) {
            if (label->isVisibleTo(&window)) {
                all << label->text();
            }
        }
        return all.join('\n');
    };
    for (const bool withTray : {true, false}) {
        SCOPED_TRACE(withTray ? "tray" : "no tray");
        tray = withTray;
        const QString privacy = texts(*make(4));
        const QString home = texts(*make(5));
        EXPECT_EQ(privacy.contains("Pause from the menu bar icon"), withTray);
        EXPECT_EQ(privacy.contains("Pause from the status menu in the main window"), !withTray);
        EXPECT_EQ(home.contains("It lives in your menu bar"), withTray);
        EXPECT_EQ(home.contains("It lives in its main window"), !withTray);
        EXPECT_EQ(home.contains("closing the main window quits Vesperline"), !withTray);
        EXPECT_EQ(home.contains("menu bar icon"), withTray) << home.toStdString();
        EXPECT_EQ(make(5)->findChild<QWidget*>("trayIllustration") != nullptr, withTray);
        EXPECT_EQ(make(5)->findChild<QWidget*>("statusBlockIllustration") != nullptr, !withTray);
    }
    EXPECT_TRUE(texts(*make(3)).contains("app:Firefox")) << "an app the user can have here";
}

TEST_F(OnboardingWindowTest, PicturesOfEveryPage) {
    applications.install({"slack", "/usr/share/applications/slack.desktop", std::nullopt, "Slack"});
    applications.install({"discord", "/usr/share/applications/discord.desktop", std::nullopt, "Discord"});
    applications.install({"org.telegram.desktop", "/usr/share/applications/org.telegram.desktop.desktop",
                          std::nullopt, "Telegram Desktop"});
    screen = false;
    const char* names[] = {"welcome", "screen", "accessibility", "search", "privacy", "menubar"};
    for (int step = 0; step <= 5; ++step) {
        EXPECT_TRUE(testsupport::savePictures(QStringLiteral("tour-%1-%2").arg(step).arg(names[step]),
                                              [&] { return make(step); }));
        // Nothing of the page is cut off.
        auto window = make(step);
        EXPECT_EQ(testsupport::clippedTexts(*window), QStringList()) << names[step];
    }
    screen = true;
    accessibility = true;
    EXPECT_TRUE(testsupport::savePictures("tour-1-screen-allowed", [&] { return make(1); }));
    EXPECT_TRUE(testsupport::savePictures("tour-2-accessibility-allowed", [&] { return make(2); }));
    tray = false;
    for (int step : {4, 5}) {
        EXPECT_TRUE(testsupport::savePictures(QStringLiteral("tour-%1-%2-no-tray").arg(step).arg(names[step]),
                                              [&] { return make(step); }));
        auto window = make(step);
        EXPECT_EQ(testsupport::clippedTexts(*window), QStringList()) << names[step];
    }
}

} // namespace
} // namespace vesperline
