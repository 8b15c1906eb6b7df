// The tour as the window manager shows it over the real model: finishing it lets recording begin.
#include "UI/Onboarding/OnboardingWindow.h"

#include "App/UI/Main/WindowsFixture.h"

#include <QPushButton>
#include <QTest>

namespace vesperline::testing {
namespace {

class OnboardingFinishTest : public WindowsFixture {
  protected:
    static void letClosedWindowsGo() { QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    // Launches the model and the window manager with the application's tour, and shows it.
    OnboardingWindow& showTour() {
        launch();
        manager = std::make_unique<WindowManager>(
            *model, WindowManager::Services{
                        applications, activation, fileViewer, loginItem, occlusion, pixels,
                        OnboardingWindow::factory(*model, {capture, accessibility, applications})});
        manager->showOnboarding(false);
        auto* window = qobject_cast<OnboardingWindow*>(manager->onboardingWindow());
        EXPECT_NE(window, nullptr);
        return *window;
    }
};

TEST_F(OnboardingFinishTest, FinishingResetsTheStepMarksTheTourDoneRefreshesPermissionsThenRecords) {
    capture.setPermission(false);
    defaults->values.insert(OnboardingController::stepKey, qlonglong(5));
    OnboardingWindow& window = showTour();
    EXPECT_EQ(window.controller().step(), OnboardingController::Step::menuBar);
    EXPECT_EQ(model->status(), RecorderStatus::stopped()) << "nothing is recorded before the tour";
    EXPECT_FALSE(model->screenPermission());

    // The user allows the screen, then finishes the tour.
    capture.setPermission(true);
    std::vector<std::string> log;
    QObject::connect(&model->settings(), &AppSettings::onboardingCompletedChanged, [&] {
        log.push_back("completed, step " +
                      defaults->values.value(OnboardingController::stepKey).toString().toStdString());
    });
    QObject::connect(model.get(), &AppModel::screenPermissionChanged, [&] {
        log.push_back(std::string("permissions, completed ") +
                      (model->settings().onboardingCompleted() ? "yes" : "no"));
    });
    QObject::connect(model.get(), &AppModel::statusChanged, [&] {
        if (model->status().kind == RecorderStatus::Kind::recording) {
            log.push_back("recording");
        }
    });
    QTest::keyClick(&window, Qt::Key_Return);
    letClosedWindowsGo();
    EXPECT_EQ(manager->onboardingWindow(), nullptr) << "the tour's window is gone";
    ASSERT_TRUE(eventually([&] { return model->status() == RecorderStatus::recording(false); }));
    EXPECT_EQ(log,
              (std::vector<std::string>{"completed, step 0", "permissions, completed yes", "recording"}));
    EXPECT_TRUE(defaults->values.value("onboardingCompleted").toBool());
}

TEST_F(OnboardingFinishTest, ClosingTheTourWithoutFinishingRecordsNothingAndKeepsItsPage) {
    defaults->values.insert(OnboardingController::stepKey, qlonglong(2));
    OnboardingWindow& window = showTour();
    QTest::keyClick(&window, Qt::Key_Return);
    window.close();
    letClosedWindowsGo();
    drain();
    EXPECT_EQ(manager->onboardingWindow(), nullptr);
    EXPECT_EQ(model->status(), RecorderStatus::stopped());
    EXPECT_FALSE(model->settings().onboardingCompleted());
    EXPECT_EQ(defaults->values.value(OnboardingController::stepKey), QVariant(qlonglong(3)));
}

TEST_F(OnboardingFinishTest, AllowAccessibilityInTheTourAndInTheSettingsAsksTheDesktop) {
    accessibility.trusted = false;
    defaults->values.insert(OnboardingController::stepKey, qlonglong(2));
    OnboardingWindow& window = showTour();
    auto* allow = window.findChild<QPushButton*>("allowAccessibility");
    ASSERT_NE(allow, nullptr);
    QTest::mouseClick(allow, Qt::LeftButton);
    EXPECT_EQ(accessibility.trustRequests, 1);
    manager->settingsContext().actions().allowAccessibility();
    EXPECT_EQ(accessibility.trustRequests, 2);
}

} // namespace
} // namespace vesperline::testing
