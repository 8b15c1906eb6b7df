#include "Capture/RecorderConfig.h"
#include "Capture/RecorderStatus.h"
#include "Capture/SkipReason.h"

#include <gtest/gtest.h>

namespace vesperline {
namespace {

TEST(RecorderValuesTest, StatusEqualityLooksAtTextOnlyWhileRecordingOnly) {
    EXPECT_EQ(RecorderStatus::recording(false), RecorderStatus::recording(false));
    EXPECT_NE(RecorderStatus::recording(false), RecorderStatus::recording(true));
    EXPECT_EQ(RecorderStatus::paused(), (RecorderStatus{RecorderStatus::Kind::paused, true}));
    EXPECT_NE(RecorderStatus::paused(), RecorderStatus::stopped());
}

TEST(RecorderValuesTest, SkipReasonEqualityLooksAtTheNameOfAnExcludedAppOnly) {
    EXPECT_EQ(SkipReason::excludedApp("KeePassXC"), SkipReason::excludedApp("KeePassXC"));
    EXPECT_NE(SkipReason::excludedApp("KeePassXC"), SkipReason::excludedApp("Bitwarden"));
    EXPECT_EQ(SkipReason::none(), (SkipReason{SkipReason::Kind::none, "ignored"}));
    EXPECT_NE(SkipReason::none(), SkipReason::ownApp());
}

TEST(RecorderValuesTest, DefaultConfigurationExcludesThePasswordManagers) {
    const RecorderConfig config;
    EXPECT_EQ(config.mode, ostrel::CaptureMode::balanced);
    EXPECT_FALSE(config.allDisplays);
    EXPECT_FALSE(config.textOnly);
    EXPECT_TRUE(config.skipPrivateWindows);
    EXPECT_EQ(config.imageQuality, ImageQuality::balanced);
    EXPECT_TRUE(config.excludedApps.count("org.keepassxc.KeePassXC"));
    EXPECT_EQ(config.excludedApps.size(), ostrel::PrivacyRules::passwordManagers().size());
}

} // namespace
} // namespace vesperline
