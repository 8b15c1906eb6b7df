// The tour of the application over the real model: finishing it lets recording begin.
#include "UI/Onboarding/OnboardingWindow.h"

#include "../../Model/AppModelFixture.h"
#include "Platform/Fake/FakeInstalledApplications.h"

#include <QTest>

namespace vesperline::testing {
namespace {

class OnboardingFinishTest : public AppModelFixture {
  protected:
    platform::FakeInstalledApplications applications;
};

TEST_F(OnboardingFinishTest, FinishingResetsTheStepMarksTheTourDoneRefreshesPermissionsThenRecords) {
    capture.setPermission(false);
    defaults->values.insert(OnboardingController::stepKey, qlonglong(5));
    launch();
    EXPECT_EQ(model->status(), RecorderStatus::stopped()) << "nothing is recorded before the tour";
    EXPECT_FALSE(model->screenPermission());

    // The user allows the screen, then finishes the tour.
    capture.setPermission(true);
    OnboardingWindow window(*model, {capture, accessibility, applications});
    window.show();
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
    EXPECT_FALSE(window.isVisible());
    ASSERT_TRUE(eventually([&] { return model->status() == RecorderStatus::recording(false); }));
    EXPECT_EQ(log,
              (std::vector<std::string>{"completed, step 0", "permissions, completed yes", "recording"}));
    EXPECT_TRUE(defaults->values.value("onboardingCompleted").toBool());
}

TEST_F(OnboardingFinishTest, ClosingTheTourWithoutFinishingRecordsNothing) {
    defaults->values.insert(OnboardingController::stepKey, qlonglong(2));
    launch();
    {
        OnboardingWindow window(*model, {capture, accessibility, applications});
        window.show();
        QTest::keyClick(&window, Qt::Key_Return);
        window.close();
    }
    drain();
    EXPECT_EQ(model->status(), RecorderStatus::stopped());
    EXPECT_FALSE(model->settings().onboardingCompleted());
    EXPECT_EQ(defaults->values.value(OnboardingController::stepKey), QVariant(qlonglong(3)));
}

} // namespace
} // namespace vesperline::testing
