#include "Model/StatusTexts.h"

#include "Model/AppModel.h"

#include <gtest/gtest.h>

namespace vesperline {
namespace {

using ostrel::CapturePolicy;
using Reason = CapturePolicy::Reason;

TEST(StatusTextsTest, StatusInWords) {
    const std::vector<std::tuple<RecorderStatus, bool, const char*>> table{
        {RecorderStatus::recording(false), true, "Recording"},
        {RecorderStatus::recording(true), true, "Recording text only"},
        {RecorderStatus::stopped(), true, "Starting…"},
        {RecorderStatus::stopped(), false, "Setup needed"},
        {RecorderStatus::paused(), true, "Paused"},
        {RecorderStatus::locked(), true, "Waiting (screen locked)"},
        {RecorderStatus::asleep(), true, "Waiting (display asleep)"},
        {RecorderStatus::needsPermission(), true, "Screen Recording permission needed"},
    };
    for (const auto& [status, onboarded, text] : table) {
        EXPECT_EQ(StatusTexts::status(status, onboarded), text) << text;
    }
    // While it records, moments that fail to be saved change the status; lost pictures do not.
    const std::vector<std::tuple<RecorderStatus, SavingIssue, const char*>> saving{
        {RecorderStatus::recording(false), SavingIssue::diskFull, "Moments are not being saved"},
        {RecorderStatus::recording(true), SavingIssue::notWritable, "Moments are not being saved"},
        {RecorderStatus::recording(false), SavingIssue::writeFailed, "Moments are not being saved"},
        {RecorderStatus::recording(false), SavingIssue::picturesPausedForLowDisk, "Recording"},
        {RecorderStatus::paused(), SavingIssue::diskFull, "Paused"},
    };
    for (const auto& [status, issue, text] : saving) {
        EXPECT_EQ(StatusTexts::status(status, true, issue), text) << text;
    }
}

TEST(StatusTextsTest, PauseInWords) {
    const Format format("en_US", "Europe/Istanbul");
    const ostrel::Time now = 1'741'330'800; // Friday 10:00
    EXPECT_EQ(StatusTexts::pause(std::nullopt, now, format), std::nullopt);
    EXPECT_EQ(StatusTexts::pause(now, now, format), std::nullopt) << "an end that has come is no pause";
    EXPECT_EQ(StatusTexts::pause(now - 60, now, format), std::nullopt);
    EXPECT_EQ(StatusTexts::pause(AppModel::pausedUntilResumed, now, format), "Paused until you resume");
    EXPECT_EQ(StatusTexts::pause(now + 900, now, format),
              "Paused until " + format.momentLabel(now + 900, now));
    EXPECT_EQ(StatusTexts::pause(now + 3 * 86400, now, format),
              "Paused until " + format.momentLabel(now + 3 * 86400, now));
}

TEST(StatusTextsTest, TheLineUnderTheStatus) {
    const RecorderStatus recording = RecorderStatus::recording(false);
    const RecorderStatus textOnly = RecorderStatus::recording(true);
    const auto policy = [](Reason reason, bool ocrNow) {
        CapturePolicy policy;
        policy.reason = reason;
        policy.ocrNow = ocrNow;
        return policy;
    };
    const CapturePolicy normal = policy(Reason::normal, true);
    const ostrel::PowerSnapshot mains;
    const ostrel::PowerSnapshot battery{true, 0.5, false, 0};
    struct Case {
        StatusTexts::Situation situation;
        std::optional<QString> expected;
    };
    for (const Case& c : std::vector<Case>{
             {{recording, SkipReason::excludedApp("Vault"), normal, mains, true},
              "Not recording: Vault is excluded"},
             {{recording, SkipReason::ownApp(), normal, battery, true}, std::nullopt},
             {{recording, SkipReason::secureInput(), normal, mains, true},
              "Not recording while a password is being typed"},
             {{recording, SkipReason::privateWindow(), normal, mains, true},
              "Not recording private browser windows"},
             {{recording, SkipReason::excludedSite(), normal, mains, true},
              "Not recording an excluded website"},
             {{recording, SkipReason::unverifiedBrowser(), normal, mains, true},
              "Not recording this browser window: couldn't check whether it's private"},
             {{recording, SkipReason::unverifiedBrowser(), normal, mains, false},
              "Not recording browser windows: allow Accessibility so private windows can be recognized"},
             // A browser that keeps its tree to itself: the user is told what to do.
             {{recording, SkipReason::unverifiedBrowser("Chromium"), normal, mains, true},
              "Not recording Chromium: it shows no accessibility tree to check for private windows. Start it "
              "again (a Chromium-based browser with --force-renderer-accessibility)"},
             // A skip reason is told whatever the recorder does.
             {{RecorderStatus::paused(), SkipReason::secureInput(), normal, mains, true},
              "Not recording while a password is being typed"},
             {{textOnly, SkipReason::none(), policy(Reason::thermal, false), mains, true},
              "Computer is hot: saving text only"},
             {{textOnly, SkipReason::none(), policy(Reason::lowBattery, false), battery, true},
              "Battery low: saving text only"},
             {{textOnly, SkipReason::none(), policy(Reason::lowPower, false), mains, true},
              "Low Power Mode: saving text only"},
             {{textOnly, SkipReason::none(), policy(Reason::textOnly, false), mains, true}, std::nullopt},
             {{recording, SkipReason::none(), policy(Reason::battery, false), battery, true},
              "On battery: reading text from images later"},
             {{recording, SkipReason::none(), policy(Reason::battery, true), battery, true}, std::nullopt},
             {{recording, SkipReason::none(), normal, mains, true}, std::nullopt},
             {{RecorderStatus::stopped(), SkipReason::none(), policy(Reason::battery, false), battery, true},
              std::nullopt},
             // Why moments or pictures are not saved comes before any skip reason or power line.
             {{recording, SkipReason::secureInput(), normal, mains, true, SavingIssue::diskFull},
              "The disk is full: free some space and saving goes on by itself"},
             {{textOnly, SkipReason::none(), policy(Reason::thermal, false), mains, true,
               SavingIssue::notWritable},
              "The data folder cannot be written: saving goes on once it can"},
             {{recording, SkipReason::none(), normal, mains, true, SavingIssue::writeFailed},
              "The database could not be written: Vesperline keeps trying"},
             {{recording, SkipReason::none(), policy(Reason::battery, false), battery, true,
               SavingIssue::picturesPausedForLowDisk},
              "Pictures paused: the disk is nearly full"},
             // The last save's issue says nothing while nothing is recorded.
             {{RecorderStatus::locked(), SkipReason::none(), normal, mains, true, SavingIssue::diskFull},
              std::nullopt},
         }) {
        EXPECT_EQ(StatusTexts::skip(std::nullopt, c.situation), c.expected)
            << c.expected.value_or("(none)").toStdString();
    }
    // A pause comes first, whatever the skip reason.
    EXPECT_EQ(StatusTexts::skip(QString("Paused until you resume"),
                                {recording, SkipReason::excludedApp("Vault"), normal, mains, true}),
              "Paused until you resume");
}

} // namespace
} // namespace vesperline
