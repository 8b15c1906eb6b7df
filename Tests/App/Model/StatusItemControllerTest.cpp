// The status item follows the app model: the glyph and tool tip of each status, and fresh figures
// and permissions before the popover opens.
#include "Model/StatusItemController.h"

#include "AppModelFixture.h"

#include "Support/FailingWrites.h"

#include <QLabel>

namespace vesperline::testing {
namespace {

using Variant = StatusGlyph::Variant;

class StatusItemControllerTest : public AppModelFixture {
  protected:
    void SetUp() override {
        completeOnboarding();
        launch();
        controller = std::make_unique<StatusItemController>(
            *model, [this](std::function<void()>) { return new QLabel("popover"); });
    }
    void TearDown() override {
        controller.reset();
        AppModelFixture::TearDown();
    }
    bool shows(Variant glyph, const QString& toolTip) {
        return eventually(
            [&] { return controller->item().glyph() == glyph && controller->item().toolTip() == toolTip; });
    }

    std::unique_ptr<StatusItemController> controller;
};

TEST_F(StatusItemControllerTest, TheGlyphAndToolTipFollowEachStatus) {
    EXPECT_TRUE(shows(Variant::recording, "Recording"));
    model->pause(AppModel::PauseOption::untilResumed());
    EXPECT_TRUE(shows(Variant::held, "Paused"));
    model->resume();
    EXPECT_TRUE(shows(Variant::recording, "Recording"));

    // Capture refused: the attention mark.
    ASSERT_TRUE(eventually([&] { return capture.runningStreams().size() == 1; }));
    capture.setPermission(false);
    capture.runningStreams().at(0)->stopBySystem(
        platform::DisplayStreamError(platform::DisplayStreamError::Kind::permissionDenied, "refused"));
    ASSERT_TRUE(eventually([&] { return model->status() == RecorderStatus::needsPermission(); }));
    EXPECT_TRUE(shows(Variant::attention, model->statusText()));
}

TEST_F(StatusItemControllerTest, MomentsThatAreNotSavedCallForAttentionUntilSavingWorksAgain) {
    recordTheEditor();
    model->hub().sync([](ostrel::MemoryStore& store) {
        testsupport::failWrites(store.db(), testsupport::WriteFailure::readOnly);
    });
    ASSERT_TRUE(deliverUntil(60, [&] { return model->savingIssue() == SavingIssue::notWritable; }));
    EXPECT_TRUE(shows(Variant::attention, "Moments are not being saved"));
    model->hub().sync([](ostrel::MemoryStore& store) { testsupport::failWrites(store.db(), std::nullopt); });
    ASSERT_TRUE(saveAMoment(120));
    EXPECT_TRUE(shows(Variant::recording, "Recording"));
}

TEST_F(StatusItemControllerTest, OpeningThePopoverReadsTheFiguresAndPermissionsAgain) {
    QSignalSpy figures(model.get(), &AppModel::todayChanged);
    accessibility.trusted = false;
    controller->item().toggle();
    ASSERT_TRUE(controller->item().isOpen());
    EXPECT_TRUE(eventually([&] { return figures.count() > 0; }));
    EXPECT_TRUE(eventually([&] { return !model->accessibilityPermission(); }));
    controller->item().toggle();
}

} // namespace
} // namespace vesperline::testing
