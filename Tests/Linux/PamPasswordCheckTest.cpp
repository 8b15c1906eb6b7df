#include "Platform/Linux/PamPasswordCheck.h"

#include "App/Model/ScriptedPrompt.h"
#include "Model/AppLock.h"
#include "Support/ManualClock.h"
#include "Support/TemporaryDirectory.h"

#include <QFile>
#include <QProcess>
#include <QTest>

#include <pwd.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace vesperline::platform {
namespace {

using Kind = PasswordCheck::Verdict::Kind;
using AccountState = AccountPassword::State;

// An account whose password is set: the stack alone decides.
AccountState usableAccount(const std::string&) {
    return AccountState::usable;
}

// A private PAM configuration: service files in a folder of the test's own, read through
// pam_start_confdir, so nothing of the system's PAM set-up is used or touched.
class PamPasswordCheckTest : public ::testing::Test {
  protected:
    void write(const std::string& name, const QByteArray& content) {
        QFile file(QString::fromStdString(folder.path() / name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    // A stack that accepts "correct horse" only: pam_exec hands the password the conversation
    // gave to a script, whose success skips pam_deny.
    void writeCheckingService(const std::string& name) {
        const std::string script = (folder.path() / "check-password.sh").string();
        write("check-password.sh", "password=$(tr -d '\\000')\n[ \"$password\" = 'correct horse' ]\n");
        write(name, QByteArray("auth [success=1 default=ignore] pam_exec.so quiet expose_authtok /bin/sh ") +
                        script.c_str() + "\nauth requisite pam_deny.so\nauth required pam_permit.so\n");
    }

    // A stack whose only module answers every authentication with `answer` (pam_debug's names:
    // "auth_err", "authinfo_unavail", ...), asking nothing.
    void writeAnsweringService(const std::string& answer) {
        write(PamPasswordCheck::ownService,
              QByteArray("auth required pam_debug.so auth=") + answer.c_str() + "\n");
    }

    PamPasswordCheck checkOver(PamPasswordCheck::AccountReader account = &usableAccount) {
        return PamPasswordCheck(folder.path().string(), std::move(account));
    }

    testsupport::TemporaryDirectory folder;
};

TEST_F(PamPasswordCheckTest, OurServiceAcceptsTheRightPasswordAndRefusesAWrongOne) {
    writeCheckingService(PamPasswordCheck::ownService);
    write(PamPasswordCheck::defaultService, "auth required pam_permit.so\n");
    PamPasswordCheck check = checkOver();
    EXPECT_TRUE(check.available());
    EXPECT_EQ(check.service(), "vesperline");
    EXPECT_EQ(check.check(SecretBuffer("correct horse")).kind, Kind::accepted);
    EXPECT_EQ(check.check(SecretBuffer("correct hors")).kind, Kind::refused);
    EXPECT_EQ(check.check(SecretBuffer("")).kind, Kind::refused);
}

TEST_F(PamPasswordCheckTest, WithoutOurServiceTheDefaultStackDecides) {
    write(PamPasswordCheck::defaultService, "auth required pam_deny.so\n");
    PamPasswordCheck check = checkOver();
    EXPECT_TRUE(check.available());
    EXPECT_EQ(check.service(), "other");
    EXPECT_EQ(check.check(SecretBuffer("correct horse")).kind, Kind::refused);

    write(PamPasswordCheck::defaultService, "auth required pam_permit.so\n");
    EXPECT_EQ(check.check(SecretBuffer("anything")).kind, Kind::accepted);
}

TEST_F(PamPasswordCheckTest, WithNoServiceAtAllNothingCanBeChecked) {
    PamPasswordCheck check = checkOver();
    EXPECT_FALSE(check.available());
    const PasswordCheck::Verdict verdict = check.check(SecretBuffer("correct horse"));
    EXPECT_EQ(verdict.kind, Kind::failed);
    EXPECT_FALSE(verdict.failure.empty());
}

TEST_F(PamPasswordCheckTest, AStackThatCannotRunFailsRatherThanRefuses) {
    write(PamPasswordCheck::ownService, "auth required pam_no_such_module.so\n");
    PamPasswordCheck check = checkOver();
    const PasswordCheck::Verdict verdict = check.check(SecretBuffer("correct horse"));
    EXPECT_EQ(verdict.kind, Kind::failed) << verdict.failure;
    EXPECT_FALSE(verdict.failure.empty());
}

TEST_F(PamPasswordCheckTest, AStackWithNothingToCheckAgainstIsUnavailableAndAWrongPasswordIsRefused) {
    const struct {
        const char* answer;
        Kind kind;
    } cases[] = {
        {"authinfo_unavail", Kind::unavailable},
        {"user_unknown", Kind::unavailable},
        {"auth_err", Kind::refused},
        {"success", Kind::accepted},
    };
    for (const auto& [answer, kind] : cases) {
        writeAnsweringService(answer);
        const PasswordCheck::Verdict verdict = checkOver().check(SecretBuffer("correct horse"));
        EXPECT_EQ(verdict.kind, kind) << answer << ": " << verdict.failure;
    }
}

TEST_F(PamPasswordCheckTest, AnAccountWithALockedOrEmptyPasswordCannotBeChecked) {
    writeCheckingService(PamPasswordCheck::ownService);
    const struct {
        AccountState account;
        bool available;
    } cases[] = {
        {AccountState::usable, true},
        {AccountState::locked, false},
        {AccountState::empty, false},
        // Nothing known of it: the stack decides when a password is given.
        {AccountState::unknown, true},
    };
    for (const auto& [account, available] : cases) {
        PamPasswordCheck check = checkOver([account](const std::string&) { return account; });
        EXPECT_EQ(check.available(), available) << int(account);
    }
}

TEST(AccountPasswordTest, ReadsThePasswordFieldAndThePasswdStatus) {
    const struct {
        const char* field;
        AccountState state;
    } fields[] = {
        {"$y$j9T$abc$def", AccountState::usable},
        {"$6$salt$hash", AccountState::usable},
        {"!$6$salt$hash", AccountState::locked},
        {"!", AccountState::locked},
        {"*", AccountState::locked},
        {"!*", AccountState::locked},
        {"", AccountState::empty},
    };
    for (const auto& [field, state] : fields) {
        EXPECT_EQ(AccountPassword::ofField(field), state) << field;
    }
    const struct {
        const char* line;
        AccountState state;
    } lines[] = {
        {"ada P 2025-05-20 0 99999 7 -1", AccountState::usable},
        {"root L 2025-05-20 0 99999 7 -1", AccountState::locked},
        {"kiosk NP 2025-05-20 0 99999 7 -1", AccountState::empty},
        {"ada PS 2025-05-20 0 99999 7 -1 (Password set, SHA512 crypt.)", AccountState::usable},
        {"root LK 2025-05-20 0 99999 7 -1 (Password locked.)", AccountState::locked},
        {"passwd: You may not view or modify password information for root.", AccountState::unknown},
        {"", AccountState::unknown},
    };
    for (const auto& [line, state] : lines) {
        EXPECT_EQ(AccountPassword::ofStatusLine(line), state) << line;
    }
}

TEST(AccountPasswordTest, TheRunningAccountReadsAsPasswdReportsIt) {
    const passwd* entry = getpwuid(getuid());
    ASSERT_TRUE(entry);
    QProcess passwd;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LC_ALL", "C");
    passwd.setProcessEnvironment(environment);
    passwd.start("passwd", {"--status", entry->pw_name});
    ASSERT_TRUE(passwd.waitForFinished(5000));
    ASSERT_EQ(passwd.exitCode(), 0) << passwd.readAllStandardError().toStdString();
    const AccountState reported =
        AccountPassword::ofStatusLine(passwd.readAllStandardOutput().trimmed().toStdString());
    ASSERT_NE(reported, AccountState::unknown);
    EXPECT_EQ(AccountPassword::of(entry->pw_name), reported);
}

// The app lock over the real PAM library with a stack of the test's own.
class AppLockOverPamTest : public PamPasswordCheckTest {
  protected:
    static std::optional<bool> answerOf(const QFuture<bool>& future) {
        if (!QTest::qWaitFor([&] { return future.isFinished(); }, 10000)) {
            return std::nullopt;
        }
        return future.result();
    }

    testsupport::ManualClock clock{1'750'000'000};
    testing::PromptLog prompt;
};

TEST_F(AppLockOverPamTest, NoAuthenticationInformationOpensTheMemoryAndAWrongPasswordAsksAgain) {
    writeAnsweringService("authinfo_unavail");
    PamPasswordCheck unavailable = checkOver();
    AppLock open(clock, unavailable, testing::ScriptedPrompt::factory(prompt));
    QFuture<bool> answer = open.unlock("open your screen memory");
    ASSERT_EQ(prompt.asked, 1);
    prompt.submit(SecretBuffer("anything"));
    EXPECT_EQ(answerOf(answer), true) << "nothing to check against: the user is not shut out";
    EXPECT_TRUE(prompt.askedAgain.empty());

    writeAnsweringService("auth_err");
    PamPasswordCheck refusing = checkOver();
    AppLock locked(clock, refusing, testing::ScriptedPrompt::factory(prompt));
    QFuture<bool> refused = locked.unlock("open your screen memory");
    ASSERT_EQ(prompt.asked, 2);
    prompt.submit(SecretBuffer("anything"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return prompt.askedAgain.size() == 1; }, 10000));
    EXPECT_TRUE(prompt.askedAgain[0]) << "said to be wrong";
    EXPECT_FALSE(refused.isFinished());
    EXPECT_FALSE(locked.unlockedUntil());
    prompt.cancel();
    EXPECT_EQ(answerOf(refused), false);
}

TEST_F(AppLockOverPamTest, AnAccountWithALockedPasswordOpensWithoutAPrompt) {
    writeCheckingService(PamPasswordCheck::ownService);
    PamPasswordCheck check = checkOver([](const std::string&) { return AccountState::locked; });
    AppLock lock(clock, check, testing::ScriptedPrompt::factory(prompt));
    EXPECT_EQ(answerOf(lock.unlock("open your screen memory")), true);
    EXPECT_EQ(prompt.asked, 0);
}

} // namespace
} // namespace vesperline::platform
