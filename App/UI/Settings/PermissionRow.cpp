#include "UI/Settings/PermissionRow.h"

#include "UI/Settings/SettingsForm.h"
#include "UI/Shared/SymbolLabel.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace vesperline {

PermissionRow::PermissionRow(const QString& title, const QString& detail, std::function<void()> allow,
                             QWidget* parent)
    : QWidget(parent), allow_(std::move(allow)),
      allowed_(formLabel(tr("Allowed"), Theme::TextStyle::caption, Theme::Level::secondary)),
      allowButton_(new QPushButton(tr("Allow…"))),
      icon_(new SymbolLabel("exclamationmark.circle.fill", Theme::TextStyle::title3, Theme::peach.ink)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    icon_->setObjectName("permissionIcon");
    layout->addWidget(icon_, 0, Qt::AlignTop);
    auto* texts = new QWidget;
    auto* lines = new QVBoxLayout(texts);
    lines->setContentsMargins(0, 0, 0, 0);
    lines->setSpacing(2);
    QLabel* titleLabel = formLabel(title, Theme::TextStyle::body);
    Theme::applyText(titleLabel, Theme::TextStyle::body, Theme::Level::primary, QFont::Medium);
    titleLabel->setObjectName("permissionTitle");
    QLabel* detailLabel = formLabel(detail, Theme::TextStyle::caption, Theme::Level::secondary, true);
    detailLabel->setObjectName("permissionDetail");
    lines->addWidget(titleLabel);
    lines->addWidget(detailLabel);
    layout->addWidget(texts, 1);
    allowed_->setObjectName("permissionAllowed");
    allowButton_->setObjectName("permissionAllow");
    layout->addWidget(allowed_, 0, Qt::AlignTop);
    layout->addWidget(allowButton_, 0, Qt::AlignTop);
    connect(allowButton_, &QPushButton::clicked, this, [this] {
        if (allow_) {
            allow_();
        }
    });
    setGranted(false);
}

void PermissionRow::setGranted(bool granted) {
    granted_ = granted;
    if (granted) {
        icon_->setSymbol("checkmark.circle.fill", Theme::mint.ink);
    } else {
        icon_->setSymbol("exclamationmark.circle.fill", Theme::peach.ink);
    }
    allowed_->setVisible(granted);
    allowButton_->setVisible(!granted && allow_);
}

} // namespace vesperline
