#include "UI/Settings/RecordingPane.h"

#include "SettingsFixture.h"
#include "Support/ViewPictures.h"
#include "UI/Settings/SettingsSelection.h"
#include "UI/Settings/SettingsWindow.h"
#include "UI/Shared/ToggleSwitch.h"

#include <QComboBox>
#include <QRadioButton>

namespace vesperline {
namespace {

class RecordingPaneTest : public SettingsFixture {
  protected:
    std::unique_ptr<RecordingPane> makePane() {
        auto pane = std::make_unique<RecordingPane>(settings());
        pane->resize(540, 480);
        pane->show();
        return pane;
    }
    static QString checkedMode(const QWidget& pane) {
        for (const char* name : {"saverMode", "balancedMode", "qualityMode"}) {
            if (pane.findChild<QRadioButton*>(name)->isChecked()) {
                return name;
            }
        }
        return "none";
    }
};

TEST_F(RecordingPaneTest, AnUnknownStoredModeReadsAsBalancedAndStaysUnwritten) {
    store->values["captureMode"] = QStringLiteral("turbo");
    store->values["imageQuality"] = QStringLiteral("sharp");
    auto pane = makePane();
    EXPECT_EQ(checkedMode(*pane), "balancedMode");
    EXPECT_EQ(child<QComboBox>(*pane, "imageQuality")->currentText(), "Sharp (2560 px)");
    EXPECT_EQ(store->totalWrites(), 0);
    EXPECT_EQ(store->values["captureMode"], "turbo");

    // Picking the option already shown changes nothing; another one is stored by its raw value.
    click(*pane, "balancedMode");
    EXPECT_EQ(store->totalWrites(), 0);
    click(*pane, "qualityMode");
    EXPECT_EQ(store->values["captureMode"], "quality");
    EXPECT_EQ(store->writes, (QMap<QString, int>{{"captureMode", 1}}));

    auto* quality = child<QComboBox>(*pane, "imageQuality");
    quality->activated(0); // as a pick from the list
    EXPECT_EQ(store->values["imageQuality"], "compact");
    EXPECT_EQ(child<QComboBox>(*pane, "imageQuality")->currentIndex(), 0);
    // Changed elsewhere: shown, not written again.
    settings().setCaptureMode(ostrel::CaptureMode::saver);
    EXPECT_EQ(checkedMode(*pane), "saverMode");
    EXPECT_EQ(store->writes, (QMap<QString, int>{{"captureMode", 2}, {"imageQuality", 1}}));
}

TEST_F(RecordingPaneTest, EachSwitchWritesOnlyItsOwnSetting) {
    auto pane = makePane();
    click(*pane, "textOnlyMode");
    click(*pane, "textOnlyMode");
    EXPECT_FALSE(settings().textOnlyMode());
    EXPECT_EQ(store->writes, (QMap<QString, int>{{"textOnlyMode", 2}}));
    click(*pane, "captureAllDisplays");
    click(*pane, "ocrOnBattery");
    EXPECT_TRUE(settings().captureAllDisplays());
    EXPECT_TRUE(settings().ocrOnBattery());
    EXPECT_EQ(store->writes,
              (QMap<QString, int>{{"textOnlyMode", 2}, {"captureAllDisplays", 1}, {"ocrOnBattery", 1}}));
}

TEST_F(RecordingPaneTest, Pictures) {
    SettingsSelection selection;
    selection.setTab(SettingsTab::recording);
    EXPECT_TRUE(testsupport::savePictures(
        "settings-recording", [&] { return std::make_unique<SettingsWindow>(context(), selection); }));
}

} // namespace
} // namespace vesperline
