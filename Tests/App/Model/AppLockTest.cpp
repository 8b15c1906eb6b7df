#include "Model/AppLock.h"

#include "Platform/Fake/FakePasswordCheck.h"
#include "ScriptedPrompt.h"
#include "Support/LogCapture.h"
#include "Support/ManualClock.h"

#include <QTest>

#include <gtest/gtest.h>

namespace vesperline {
namespace {

using platform::SecretBuffer;

using testing::PromptLog;
using testing::ScriptedPrompt;

class AppLockTest : public ::testing::Test {
  protected:
    AppLockTest() : lock(clock, check, ScriptedPrompt::factory(prompt)) {}

    void type(const std::string& password) { prompt.submit(SecretBuffer(password)); }

    // Waits for the answer; false when none came.
    static std::optional<bool> answerOf(QFuture<bool> future) {
        if (!QTest::qWaitFor([&] { return future.isFinished(); }, 5000)) {
            return std::nullopt;
        }
        return future.result();
    }

    testsupport::ManualClock clock{1'750'000'000};
    platform::FakePasswordCheck check{"correct horse"};
    PromptLog prompt;
    AppLock lock;
};

TEST_F(AppLockTest, AsksOnceWithinTheGraceIntervalAndAgainAfterIt) {
    QFuture<bool> first = lock.unlock("open your screen memory");
    EXPECT_EQ(prompt.asked, 1);
    EXPECT_EQ(prompt.reason, "open your screen memory");
    EXPECT_FALSE(first.isFinished());
    type("correct horse");
    EXPECT_EQ(answerOf(first), true);
    EXPECT_EQ(check.lastGiven(), "correct horse");
    EXPECT_EQ(prompt.dismissed, 1);
    EXPECT_EQ(lock.unlockedUntil(), clock.now() + 300);
    EXPECT_TRUE(QTest::qWaitFor([&] { return prompt.destroyed == 1; }));

    clock.advance(299);
    EXPECT_EQ(answerOf(lock.unlock("open your screen memory")), true);
    EXPECT_EQ(prompt.asked, 1) << "still open";

    clock.advance(1);
    QFuture<bool> later = lock.unlock("open your screen memory");
    EXPECT_EQ(prompt.asked, 2) << "300 s after the success the lock asks again";
    type("correct horse");
    EXPECT_EQ(answerOf(later), true);
    EXPECT_EQ(check.checks, 2);
}

TEST_F(AppLockTest, ClearingTheOpenPeriodMakesTheNextRequestAsk) {
    QFuture<bool> first = lock.unlock("open your screen memory");
    type("correct horse");
    ASSERT_EQ(answerOf(first), true);
    lock.setUnlockedUntil(std::nullopt); // the screen locked
    QFuture<bool> second = lock.unlock("open your screen memory");
    EXPECT_EQ(prompt.asked, 2);
    type("correct horse");
    EXPECT_EQ(answerOf(second), true);
}

TEST_F(AppLockTest, RequestsWhileThePromptIsUpShareItAndItsAnswer) {
    QFuture<bool> main = lock.unlock("open your screen memory");
    QFuture<bool> quickSearch = lock.unlock("open your screen memory");
    EXPECT_EQ(prompt.asked, 1);
    type("correct horse");
    EXPECT_EQ(answerOf(main), true);
    EXPECT_EQ(answerOf(quickSearch), true);
    EXPECT_EQ(check.checks, 1);
}

TEST_F(AppLockTest, AWrongPasswordIsRefusedAndAskedAgainInTheSamePrompt) {
    QFuture<bool> answer = lock.unlock("open your screen memory");
    type("wrong horse");
    ASSERT_TRUE(QTest::qWaitFor([&] { return prompt.askedAgain.size() == 1; }));
    EXPECT_TRUE(prompt.askedAgain[0]) << "said to be wrong";
    EXPECT_FALSE(answer.isFinished());
    EXPECT_FALSE(lock.unlockedUntil());
    type("correct horse");
    EXPECT_EQ(answerOf(answer), true);
    EXPECT_EQ(prompt.asked, 1);
}

TEST_F(AppLockTest, CancellingAnswersFalseLeavesTheLockAsItWasAndTheNextRequestAsksAgain) {
    QFuture<bool> answer = lock.unlock("open your screen memory");
    prompt.cancel();
    EXPECT_EQ(answerOf(answer), false);
    EXPECT_EQ(prompt.dismissed, 1);
    EXPECT_FALSE(lock.unlockedUntil());
    EXPECT_EQ(check.checks, 0);

    QFuture<bool> next = lock.unlock("open your screen memory");
    EXPECT_EQ(prompt.asked, 2);
    prompt.cancel();
    EXPECT_EQ(answerOf(next), false);
}

TEST_F(AppLockTest, APasswordCheckedAfterItsPromptWasCancelledOpensNothing) {
    QFuture<bool> cancelled = lock.unlock("open your screen memory");
    type("correct horse");
    prompt.cancel();
    EXPECT_EQ(answerOf(cancelled), false);

    // The next prompt's verdict comes back after the cancelled one's (one queue, in order), so once
    // it is here the first verdict has been seen too, and must not have answered this prompt.
    QFuture<bool> next = lock.unlock("open your screen memory");
    type("wrong horse");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !prompt.askedAgain.empty(); }));
    EXPECT_EQ(prompt.askedAgain, std::vector<bool>{true});
    EXPECT_FALSE(next.isFinished());
    EXPECT_FALSE(lock.unlockedUntil());
    EXPECT_EQ(check.checks, 2);
}

TEST_F(AppLockTest, ACheckThatFailsIsLoggedAndAskedAgain) {
    testsupport::LogCapture log;
    check.setFailure("Password check failed: System error");
    QFuture<bool> answer = lock.unlock("open your screen memory");
    type("correct horse");
    ASSERT_TRUE(QTest::qWaitFor([&] { return prompt.askedAgain.size() == 1; }));
    EXPECT_FALSE(prompt.askedAgain[0]) << "not said to be wrong";
    EXPECT_EQ(log.count("app: Password check failed: System error"), 1);
    EXPECT_FALSE(answer.isFinished());
    prompt.cancel();
    EXPECT_EQ(answerOf(answer), false);
}

TEST_F(AppLockTest, ACheckWithNothingToCheckAgainstOpensTheMemoryEveryTimeWithoutAGraceInterval) {
    testsupport::LogCapture log;
    check.setUnavailable("Password check found nothing to check against: Authentication service cannot "
                         "retrieve authentication info");
    for (int attempt = 1; attempt <= 2; ++attempt) {
        QFuture<bool> answer = lock.unlock("open your screen memory");
        type("anything");
        EXPECT_EQ(answerOf(answer), true) << attempt;
        EXPECT_EQ(prompt.dismissed, attempt);
        EXPECT_FALSE(lock.unlockedUntil()) << "the next request looks again";
    }
    EXPECT_TRUE(prompt.askedAgain.empty());
    EXPECT_EQ(log.count("cannot check the password"), 1) << "said once";
}

TEST_F(AppLockTest, ASystemThatCannotCheckThePasswordOpensWithoutAPrompt) {
    testsupport::LogCapture log;
    check.isAvailable = false;
    EXPECT_EQ(answerOf(lock.unlock("open your screen memory")), true);
    EXPECT_EQ(answerOf(lock.unlock("open your screen memory")), true);
    EXPECT_EQ(prompt.asked, 0);
    EXPECT_FALSE(lock.unlockedUntil());
    EXPECT_EQ(log.count("cannot check the password"), 1) << "said once";
}

TEST_F(AppLockTest, ALockDestroyedWithItsPromptUpAnswersFalse) {
    QFuture<bool> answer;
    {
        AppLock shortLived(clock, check, [this] { return std::make_unique<ScriptedPrompt>(prompt); });
        answer = shortLived.unlock("open your screen memory");
    }
    EXPECT_EQ(answerOf(answer), false);
    EXPECT_EQ(prompt.destroyed, 1);
}

} // namespace
} // namespace vesperline
