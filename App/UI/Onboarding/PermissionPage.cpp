#include "UI/Onboarding/PermissionPage.h"

#include "Model/StatusTexts.h"
#include "UI/Onboarding/OnboardingController.h"
#include "UI/Onboarding/PermissionIcon.h"
#include "UI/Onboarding/TourParts.h"
#include "UI/Settings/SymbolText.h"
#include "UI/Shared/PageParts.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace vesperline {

namespace {

constexpr int bodyWidth = 560;

} // namespace

PermissionPage::PermissionPage(Kind kind, OnboardingController& controller, QWidget* parent)
    : QWidget(parent), kind_(kind), controller_(controller),
      icon_(new PermissionIcon(kind == Kind::screen ? "rectangle.dashed.badge.record" : "accessibility")),
      allowed_(new SymbolText("checkmark", tr("Allowed"), Theme::TextStyle::headline, Theme::mint.ink)),
      actions_(new QWidget) {
    QVBoxLayout* layout = PageParts::column(this, 16);
    layout->addStretch(1);
    icon_->setObjectName("permissionIcon");
    layout->addWidget(icon_, 0, Qt::AlignHCenter);

    QLabel* title = TourParts::title(kind == Kind::screen ? tr("Allow Screen Recording")
                                                          : tr("Read text directly (recommended)"));
    title->setObjectName("permissionTitle");
    title->setAlignment(Qt::AlignHCenter);
    layout->addWidget(title);

    QLabel* body =
        PageParts::textLabel(Theme::TextStyle::title3, Theme::Level::secondary, std::nullopt, true);
    body->setObjectName("permissionBody");
    body->setAlignment(Qt::AlignHCenter);
    body->setText(
        kind == Kind::screen
            ? tr("Vesperline needs to see your screen to remember it. Images are compressed and stored "
                 "only on this computer.")
            : tr("With Accessibility access, Vesperline reads text straight from apps: more accurate, "
                 "faster and lighter on battery. It also recognizes password fields and private "
                 "browser windows. Browsers are only recorded with this access, so a private window "
                 "is never saved by mistake."));
    layout->addWidget(TourParts::withWidth(body, bodyWidth));

    allowed_->setObjectName("permissionAllowed");
    allowed_->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
    layout->addWidget(allowed_, 0, Qt::AlignHCenter);

    QVBoxLayout* actions = PageParts::column(actions_, 6);
    if (kind == Kind::screen) {
        // The screen is readable exactly when the session is an X11 one: there is nothing to allow
        // from here, only where to turn.
        QLabel* hint =
            PageParts::textLabel(Theme::TextStyle::callout, Theme::Level::secondary, std::nullopt, true);
        hint->setObjectName("screenHint");
        hint->setAlignment(Qt::AlignHCenter);
        hint->setText(StatusTexts::screenSessionHint());
        actions->addWidget(TourParts::withWidth(hint, bodyWidth));
    } else {
        auto* allow = new QPushButton(tr("Allow Accessibility…"));
        allow->setObjectName("allowAccessibility");
        allow->setFont(Theme::font(Theme::TextStyle::title3));
        allow->setMinimumHeight(32);
        connect(allow, &QPushButton::clicked, &controller_, &OnboardingController::allowAccessibility);
        actions->addWidget(allow, 0, Qt::AlignHCenter);
    }
    layout->addWidget(actions_);
    layout->addStretch(1);

    connect(&controller_, &OnboardingController::permissionsChanged, this, &PermissionPage::follow);
    follow();
}

void PermissionPage::follow() {
    const bool granted =
        kind_ == Kind::screen ? controller_.screenGranted() : controller_.accessibilityGranted();
    icon_->setGranted(granted);
    allowed_->setVisible(granted);
    actions_->setVisible(!granted);
}

} // namespace vesperline
