#include "UI/AppLock/PasswordDialog.h"

#include "Platform/Fake/FakePasswordCheck.h"
#include "Support/ManualClock.h"
#include "Support/ViewPictures.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace vesperline {
namespace {

class PasswordDialogTest : public ::testing::Test {
  protected:
    PasswordDialogTest()
        : lock(clock, check, [this] {
              auto made = std::make_unique<PasswordDialog>();
              dialog = made.get();
              return made;
          }) {
        QGuiApplication::setApplicationDisplayName("Vesperline");
    }

    template <typename Child> Child* child(const char* name) { return dialog->findChild<Child*>(name); }

    void typeAndReturn(const QString& text) {
        QLineEdit* field = child<QLineEdit>("passwordField");
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Return);
    }

    testsupport::ManualClock clock{1'750'000'000};
    platform::FakePasswordCheck check{"correct horse"};
    QPointer<PasswordDialog> dialog;
    AppLock lock;
};

TEST_F(PasswordDialogTest, AsksWithTheReasonRefusesAWrongPasswordAndOpensWithTheRightOne) {
    QFuture<bool> answer = lock.unlock("open your screen memory");
    ASSERT_TRUE(dialog);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
    EXPECT_EQ(child<QLabel>("questionLabel")->text(), "Vesperline is trying to open your screen memory.");
    EXPECT_EQ(child<QPushButton>("cancelButton")->text(), "Cancel");
    EXPECT_EQ(child<QLineEdit>("passwordField")->echoMode(), QLineEdit::Password);
    child<QLineEdit>("passwordField")->setText("secret");
    EXPECT_TRUE(testsupport::savePictures(*dialog, "password-dialog-asking"));
    child<QLineEdit>("passwordField")->clear();

    typeAndReturn("wrong horse");
    EXPECT_TRUE(child<QLineEdit>("passwordField")->text().isEmpty()) << "emptied as soon as it was handed on";
    ASSERT_TRUE(QTest::qWaitFor([&] { return child<QLabel>("messageLabel")->isVisible(); }));
    EXPECT_EQ(child<QLabel>("messageLabel")->text(), "The password is not correct. Try again.");
    EXPECT_TRUE(child<QLineEdit>("passwordField")->isEnabled());
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(check.lastGiven(), "wrong horse");
    EXPECT_TRUE(testsupport::savePictures(*dialog, "password-dialog-wrong-password"));

    typeAndReturn("correct horse");
    ASSERT_TRUE(QTest::qWaitFor([&] { return answer.isFinished(); }));
    EXPECT_TRUE(answer.result());
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.isNull(); })) << "the dialog goes once answered";
}

TEST_F(PasswordDialogTest, EscapeCancels) {
    QFuture<bool> answer = lock.unlock("open your screen memory");
    ASSERT_TRUE(dialog && QTest::qWaitForWindowExposed(dialog));
    QTest::keyClick(child<QLineEdit>("passwordField"), Qt::Key_Escape);
    ASSERT_TRUE(QTest::qWaitFor([&] { return answer.isFinished(); }));
    EXPECT_FALSE(answer.result());
    EXPECT_EQ(check.checks, 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.isNull(); }));
}

TEST_F(PasswordDialogTest, ACheckThatCouldNotBeDoneIsNotCalledAWrongPassword) {
    check.setFailure("Password check failed: System error");
    QFuture<bool> answer = lock.unlock("open your screen memory");
    ASSERT_TRUE(dialog && QTest::qWaitForWindowExposed(dialog));
    typeAndReturn("correct horse");
    ASSERT_TRUE(QTest::qWaitFor([&] { return child<QLabel>("messageLabel")->isVisible(); }));
    EXPECT_EQ(child<QLabel>("messageLabel")->text(), "Your password could not be checked. Try again.");
    EXPECT_FALSE(answer.isFinished());
}

} // namespace
} // namespace vesperline
