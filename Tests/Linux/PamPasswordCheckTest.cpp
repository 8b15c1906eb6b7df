#include "Platform/Linux/PamPasswordCheck.h"

#include "Support/TemporaryDirectory.h"

#include <QFile>

#include <gtest/gtest.h>

namespace vesperline::platform {
namespace {

using Kind = PasswordCheck::Verdict::Kind;

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

    testsupport::TemporaryDirectory folder;
};

TEST_F(PamPasswordCheckTest, OurServiceAcceptsTheRightPasswordAndRefusesAWrongOne) {
    writeCheckingService(PamPasswordCheck::ownService);
    write(PamPasswordCheck::defaultService, "auth required pam_permit.so\n");
    PamPasswordCheck check(folder.path().string());
    EXPECT_TRUE(check.available());
    EXPECT_EQ(check.service(), "vesperline");
    EXPECT_EQ(check.check(SecretBuffer("correct horse")).kind, Kind::accepted);
    EXPECT_EQ(check.check(SecretBuffer("correct hors")).kind, Kind::refused);
    EXPECT_EQ(check.check(SecretBuffer("")).kind, Kind::refused);
}

TEST_F(PamPasswordCheckTest, WithoutOurServiceTheDefaultStackDecides) {
    write(PamPasswordCheck::defaultService, "auth required pam_deny.so\n");
    PamPasswordCheck check(folder.path().string());
    EXPECT_TRUE(check.available());
    EXPECT_EQ(check.service(), "other");
    EXPECT_EQ(check.check(SecretBuffer("correct horse")).kind, Kind::refused);

    write(PamPasswordCheck::defaultService, "auth required pam_permit.so\n");
    EXPECT_EQ(check.check(SecretBuffer("anything")).kind, Kind::accepted);
}

TEST_F(PamPasswordCheckTest, WithNoServiceAtAllNothingCanBeChecked) {
    PamPasswordCheck check(folder.path().string());
    EXPECT_FALSE(check.available());
    const PasswordCheck::Verdict verdict = check.check(SecretBuffer("correct horse"));
    EXPECT_EQ(verdict.kind, Kind::failed);
    EXPECT_FALSE(verdict.failure.empty());
}

TEST_F(PamPasswordCheckTest, AStackThatCannotRunFailsRatherThanRefuses) {
    write(PamPasswordCheck::ownService, "auth required pam_no_such_module.so\n");
    PamPasswordCheck check(folder.path().string());
    const PasswordCheck::Verdict verdict = check.check(SecretBuffer("correct horse"));
    EXPECT_EQ(verdict.kind, Kind::failed) << verdict.failure;
    EXPECT_FALSE(verdict.failure.empty());
}

} // namespace
} // namespace vesperline::platform
