#pragma once

#include "Model/AppLock.h"

#include <QDialog>

class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vesperline {

// The app lock's question: why the app asks, a hidden password field, Cancel and Unlock. The field
// is emptied the moment a password is handed on; while it is checked the dialog waits, and a
// password that was not accepted is said so and asked again.
class PasswordDialog final : public QDialog, public AppLock::Prompt {
    Q_OBJECT

  public:
    explicit PasswordDialog(QWidget* parent = nullptr);

    void ask(const QString& reason, std::function<void(platform::SecretBuffer)> submit,
             std::function<void()> cancel) override;
    void askAgain(bool wrong) override;
    void dismiss() override;

    // Escape, Cancel and the window's close button.
    void reject() override;

  private:
    void submitPassword();
    void setChecking(bool checking);

    QLabel* question_;
    QLabel* message_;
    QLineEdit* password_;
    QDialogButtonBox* buttons_;
    QPushButton* unlock_;
    std::function<void(platform::SecretBuffer)> submit_;
    std::function<void()> cancel_;
};

} // namespace vesperline
