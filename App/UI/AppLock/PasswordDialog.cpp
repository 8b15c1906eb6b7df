#include "UI/AppLock/PasswordDialog.h"

#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vesperline {

PasswordDialog::PasswordDialog(QWidget* parent)
    : QDialog(parent), question_(new QLabel(this)), message_(new QLabel(this)),
      password_(new QLineEdit(this)), buttons_(new QDialogButtonBox(this)) {
    setWindowTitle(QGuiApplication::applicationDisplayName());
    question_->setObjectName("questionLabel");
    question_->setWordWrap(true);
    // Room for the question on one line in most languages; longer ones wrap.
    question_->setMinimumWidth(question_->fontMetrics().averageCharWidth() * 52);
    message_->setObjectName("messageLabel");
    message_->setWordWrap(true);
    message_->hide();
    password_->setObjectName("passwordField");
    password_->setEchoMode(QLineEdit::Password);
    password_->setInputMethodHints(Qt::ImhHiddenText | Qt::ImhSensitiveData | Qt::ImhNoPredictiveText);

    QPushButton* cancel = buttons_->addButton(tr("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName("cancelButton");
    unlock_ = buttons_->addButton(tr("Unlock"), QDialogButtonBox::AcceptRole);
    unlock_->setObjectName("unlockButton");
    unlock_->setDefault(true);
    connect(buttons_, &QDialogButtonBox::accepted, this, &PasswordDialog::submitPassword);
    connect(buttons_, &QDialogButtonBox::rejected, this, &PasswordDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(question_);
    layout->addWidget(new QLabel(tr("Enter your password to allow this."), this));
    layout->addWidget(password_);
    layout->addWidget(message_);
    layout->addWidget(buttons_);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void PasswordDialog::ask(const QString& reason, std::function<void(platform::SecretBuffer)> submit,
                         std::function<void()> cancel) {
    submit_ = std::move(submit);
    cancel_ = std::move(cancel);
    question_->setText(tr("%1 is trying to %2.").arg(QGuiApplication::applicationDisplayName(), reason));
    setChecking(false);
    show();
    raise();
    activateWindow();
    password_->setFocus();
}

void PasswordDialog::submitPassword() {
    if (!submit_ || !password_->isEnabled()) {
        return;
    }
    // Clearing the field first leaves this copy as the only one, so it can be overwritten.
    QString text = password_->text();
    password_->clear();
    platform::SecretBuffer password = platform::SecretBuffer::takeText(text);
    message_->hide();
    setChecking(true);
    submit_(std::move(password));
}

void PasswordDialog::askAgain(bool wrong) {
    message_->setText(wrong ? tr("The password is not correct. Try again.")
                            : tr("Your password could not be checked. Try again."));
    message_->show();
    setChecking(false);
    password_->setFocus();
}

void PasswordDialog::dismiss() {
    submit_ = nullptr;
    cancel_ = nullptr;
    hide();
}

void PasswordDialog::reject() {
    if (const std::function<void()> cancel = std::exchange(cancel_, nullptr)) {
        cancel();
    } else {
        hide();
    }
}

void PasswordDialog::setChecking(bool checking) {
    password_->setEnabled(!checking);
    unlock_->setEnabled(!checking);
}

} // namespace vesperline
