#pragma once

#include <QWidget>

#include <functional>

class QLabel;
class QPushButton;

namespace vesperline {

class SymbolLabel;

// One permission that recording needs: a mint check when granted, a peach mark when not, its title
// and what it is for, and at the end "Allowed" or a button that asks for it. A permission the user
// cannot grant from here has no button.
class PermissionRow final : public QWidget {
    Q_OBJECT

  public:
    PermissionRow(const QString& title, const QString& detail, std::function<void()> allow,
                  QWidget* parent = nullptr);

    void setGranted(bool granted);
    bool granted() const { return granted_; }

  private:
    std::function<void()> allow_;
    bool granted_ = false;
    QLabel* allowed_;
    QPushButton* allowButton_;
    SymbolLabel* icon_;
};

} // namespace vesperline
