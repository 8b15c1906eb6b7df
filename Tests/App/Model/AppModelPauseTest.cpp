// Pausing and resuming recording, across restarts and sleep.
#include "AppModelFixture.h"

#include <QTimeZone>

namespace vesperline::testing {
namespace {

using PauseOption = AppModel::PauseOption;

TEST(AppModelPauseEndTest, EndsAfterTheMinutesAtTheNextMorningOrNever) {
    const QTimeZone istanbul("Europe/Istanbul");
    const QTimeZone newYork("America/New_York");
    struct Case {
        const char* name;
        PauseOption option;
        ostrel::Time now;
        const QTimeZone& zone;
        ostrel::Time end;
    };
    for (const Case& c : std::vector<Case>{
             {"15 minutes", PauseOption::forMinutes(15), 1741330800, istanbul, 1741330800 + 900},
             {"23:59 until 08:00 the next day", PauseOption::untilTomorrow(), 1741381140, istanbul,
              1741410000},
             {"00:30 until 08:00 the next day, not the same", PauseOption::untilTomorrow(), 1741296600,
              istanbul, 1741410000},
             {"the night the clocks go forward: 7 h 1 min", PauseOption::untilTomorrow(), 1741496340, newYork,
              1741521600},
             {"the night the clocks go back: 9 h 1 min", PauseOption::untilTomorrow(), 1762055940, newYork,
              1762088400},
             {"until resumed", PauseOption::untilResumed(), 1741330800, istanbul,
              AppModel::pausedUntilResumed},
         }) {
        EXPECT_EQ(AppModel::pauseEnd(c.option, c.now, c.zone), c.end) << c.name;
    }
    EXPECT_TRUE(AppModel::pauseEndsByItself(1741410000));
    EXPECT_FALSE(AppModel::pauseEndsByItself(AppModel::pausedUntilResumed));
}

class AppModelPauseTest : public AppModelFixture {
  protected:
    void SetUp() override {
        completeOnboarding();
        launch();
        ASSERT_TRUE(recording());
    }
    bool recording() {
        return eventually([&] { return model->status() == RecorderStatus::recording(false); });
    }
    bool paused() {
        return eventually([&] { return model->status() == RecorderStatus::paused(); });
    }
};

TEST_F(AppModelPauseTest, APauseForMinutesEndsByItself) {
    model->pause(PauseOption::forMinutes(15));
    EXPECT_EQ(model->settings().pausedUntil(), friday + 900);
    ASSERT_TRUE(paused());
    EXPECT_EQ(model->statusText(), "Paused");
    EXPECT_EQ(model->pauseText(), "Paused until " + istanbul.momentLabel(friday + 900, friday));
    EXPECT_EQ(model->skipText(), model->pauseText());
    delays.advance(899);
    drain();
    EXPECT_EQ(model->status(), RecorderStatus::paused());
    delays.advance(1);
    EXPECT_FALSE(model->settings().pausedUntil().has_value());
    EXPECT_FALSE(defaults->values.contains("pausedUntil"));
    EXPECT_TRUE(recording());
    EXPECT_EQ(model->pauseText(), std::nullopt);
}

TEST_F(AppModelPauseTest, APauseUntilTomorrowOutlivesARestartAndEndsInTheMorning) {
    model->pause(PauseOption::untilTomorrow());
    const ostrel::Time morning = 1741410000; // Saturday 08:00
    EXPECT_EQ(model->settings().pausedUntil(), morning);
    restart();
    EXPECT_TRUE(paused()) << "the stored pause holds the new run";
    EXPECT_EQ(model->settings().pausedUntil(), morning);
    delays.advance(morning - clock.now() - 1);
    drain();
    EXPECT_EQ(model->status(), RecorderStatus::paused());
    delays.advance(1);
    EXPECT_TRUE(recording());
    EXPECT_FALSE(model->settings().pausedUntil().has_value());
}

TEST_F(AppModelPauseTest, APauseThatEndedWhileTheAppWasNotRunningIsClearedAtStart) {
    model->pause(PauseOption::forMinutes(5));
    stop();
    clock.advance(600);
    launch();
    EXPECT_FALSE(model->settings().pausedUntil().has_value());
    EXPECT_FALSE(defaults->values.contains("pausedUntil"));
    EXPECT_TRUE(recording());
}

TEST_F(AppModelPauseTest, APauseUntilResumedHasNoTimerAndLastsUntilResume) {
    const int waits = delays.pending();
    model->pause(PauseOption::untilResumed());
    EXPECT_EQ(delays.pending(), waits);
    EXPECT_EQ(model->pauseText(), "Paused until you resume");
    restart();
    ASSERT_TRUE(paused());
    delays.advance(2 * 86400.0);
    drain();
    EXPECT_EQ(model->status(), RecorderStatus::paused());
    model->resume();
    EXPECT_TRUE(recording());
    EXPECT_FALSE(model->settings().pausedUntil().has_value());
}

TEST_F(AppModelPauseTest, PausingAgainKeepsOnlyTheLaterEndAndOneTimer) {
    const int waits = delays.pending();
    model->pause(PauseOption::forMinutes(60));
    model->pause(PauseOption::forMinutes(15));
    EXPECT_EQ(delays.pending(), waits + 1);
    EXPECT_EQ(model->settings().pausedUntil(), friday + 900);
    delays.advance(900);
    EXPECT_TRUE(recording());
    model->pause(PauseOption::forMinutes(60));
    model->resume();
    EXPECT_EQ(delays.pending(), waits) << "resuming disarms the timer";
}

TEST_F(AppModelPauseTest, ALongPauseFollowsTheWallClockAcrossSleep) {
    model->pause(PauseOption::forMinutes(3 * 24 * 60));
    ASSERT_TRUE(paused());
    // The timer looks at the clock once a day, and goes on waiting.
    delays.advance(AppModel::longestPauseWait);
    drain();
    EXPECT_EQ(model->status(), RecorderStatus::paused());
    EXPECT_TRUE(model->settings().pausedUntil().has_value());
    // The machine sleeps through the end: its timers stand still, the wall clock does not.
    systemEvents.deliver(platform::SystemEvent::willSleep);
    clock.setNow(clock.now() + 2 * 86400.0 + 60);
    systemEvents.deliver(platform::SystemEvent::didWake);
    delays.advance(0);
    EXPECT_FALSE(model->settings().pausedUntil().has_value());
    EXPECT_TRUE(recording());
}

} // namespace
} // namespace vesperline::testing
