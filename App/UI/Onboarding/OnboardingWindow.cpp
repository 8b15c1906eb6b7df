#include "UI/Onboarding/OnboardingWindow.h"

#include "Model/AppModel.h"
#include "UI/Onboarding/MenuBarPage.h"
#include "UI/Onboarding/PermissionPage.h"
#include "UI/Onboarding/PrivacyPage.h"
#include "UI/Onboarding/ProgressDots.h"
#include "UI/Onboarding/SearchPage.h"
#include "UI/Onboarding/WelcomePage.h"
#include "UI/Shared/PageParts.h"
#include "UI/Theme/Theme.h"

#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QVBoxLayout>

namespace vesperline {

namespace {

constexpr int pageChangeMilliseconds = 250;

OnboardingController::Services controllerServices(AppModel& model,
                                                  const OnboardingWindow::Services& services) {
    return {model.settings(),
            services.applications,
            [&capture = services.capture] { return capture.hasPermission(); },
            [&accessibility = services.accessibility] { return accessibility.isTrusted(); },
            [&model] { model.requestAccessibility(); },
            [&model](const HotKeyCombo& combo) { return model.hotKeys().displayString(combo); },
            services.trayAvailable};
}

} // namespace

OnboardingWindow::OnboardingWindow(AppModel& model, Services services, std::function<void()> finish,
                                   QWidget* parent)
    : OnboardingWindow(controllerServices(model, services), std::move(finish), parent) {}

std::function<QWidget*(std::function<void()> finish)> OnboardingWindow::factory(AppModel& model,
                                                                                Services services) {
    return [&model, services](std::function<void()> finish) -> QWidget* {
        return new OnboardingWindow(model, services, std::move(finish));
    };
}

OnboardingWindow::OnboardingWindow(OnboardingController::Services services, std::function<void()> finish,
                                   QWidget* parent)
    : QWidget(parent, Qt::Window), finish_(std::move(finish)),
      controller_(std::move(services), [this] { finishTour(); }), pageArea_(new QWidget),
      pageLayout_(PageParts::column(pageArea_, 0)), dots_(new ProgressDots(controller_)),
      skip_(new QPushButton(tr("Skip"))), back_(new QPushButton(tr("Back"))), primary_(new QPushButton) {
    setWindowTitle(tr("Welcome to Vesperline"));
    setFixedSize(windowSize);
    setAutoFillBackground(true);

    QVBoxLayout* layout = PageParts::column(this, 0);
    pageLayout_->setContentsMargins(48, 36, 48, 0);
    layout->addWidget(pageArea_, 1);

    auto* footer = new QWidget;
    QHBoxLayout* row = PageParts::row(footer, 10);
    row->setContentsMargins(28, 20, 28, 20);
    dots_->setObjectName("progressDots");
    row->addWidget(dots_, 0, Qt::AlignVCenter);
    row->addStretch(1);
    skip_->setObjectName("skip");
    skip_->setFlat(true);
    skip_->setToolTip(tr("Skip the tour (Esc)"));
    back_->setObjectName("back");
    back_->setToolTip(tr("Back (Ctrl+[)"));
    primary_->setObjectName("primary");
    primary_->setDefault(true);
    for (QPushButton* button : {skip_, back_, primary_}) {
        button->setFocusPolicy(Qt::TabFocus);
        row->addWidget(button, 0, Qt::AlignVCenter);
    }
    layout->addWidget(footer);

    connect(skip_, &QPushButton::clicked, &controller_, &OnboardingController::skip);
    connect(back_, &QPushButton::clicked, &controller_, &OnboardingController::back);
    connect(primary_, &QPushButton::clicked, &controller_, &OnboardingController::next);
    connect(&controller_, &OnboardingController::stepChanged, this, &OnboardingWindow::showStep);
    connect(&controller_, &OnboardingController::permissionsChanged, this, &OnboardingWindow::followButtons);
    showStep();
}

void OnboardingWindow::showStep() {
    using Step = OnboardingController::Step;
    const Step step = controller_.step();
    const QString name = QStringLiteral("page%1").arg(OnboardingController::raw(step));
    if (page_ && page_->objectName() == name) {
        followButtons();
        return;
    }
    // No page changes the step from one of its own controls, so the old one can go at once.
    delete page_;
    switch (step) {
    case Step::welcome:
        page_ = new WelcomePage;
        break;
    case Step::screen:
        page_ = new PermissionPage(PermissionPage::Kind::screen, controller_);
        break;
    case Step::accessibility:
        page_ = new PermissionPage(PermissionPage::Kind::accessibility, controller_);
        break;
    case Step::search:
        page_ = new SearchPage(controller_);
        break;
    case Step::privacy:
        page_ = new PrivacyPage(controller_);
        break;
    case Step::menuBar:
        page_ = new MenuBarPage(controller_);
        break;
    }
    page_->setObjectName(name);
    pageLayout_->addWidget(page_);
    page_->show();
    if (isVisible()) {
        // The new page fades in.
        auto* fade = new QGraphicsOpacityEffect(page_);
        page_->setGraphicsEffect(fade);
        auto* animation = new QPropertyAnimation(fade, "opacity", fade);
        animation->setDuration(pageChangeMilliseconds);
        animation->setStartValue(0.0);
        animation->setEndValue(1.0);
        animation->setEasingCurve(QEasingCurve::OutCubic);
        connect(animation, &QPropertyAnimation::finished, page_,
                [page = page_] { page->setGraphicsEffect(nullptr); });
        animation->start();
    }
    followButtons();
}

void OnboardingWindow::followButtons() {
    skip_->setVisible(controller_.showsSkip());
    back_->setVisible(controller_.showsBack());
    primary_->setText(controller_.primaryTitle());
    // Room around the title, as a prominent button has.
    primary_->setMinimumWidth(QFontMetrics(primary_->font()).horizontalAdvance(primary_->text()) + 32);
}

void OnboardingWindow::finishTour() {
    if (finish_) {
        finish_();
    }
    emit finished();
    close();
}

void OnboardingWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        controller_.cancel();
    } else if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
               (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        controller_.next();
    } else if (event->key() == Qt::Key_BracketLeft && event->modifiers() == Qt::ControlModifier) {
        controller_.back();
    } else {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void OnboardingWindow::paintEvent(QPaintEvent*) {
    if (wash_.size() != size() * devicePixelRatioF()) {
        // The pastels across the width, fading from the top edge to nothing at the middle.
        QPixmap wash(size() * devicePixelRatioF());
        wash.setDevicePixelRatio(devicePixelRatioF());
        wash.fill(Qt::transparent);
        QPainter painter(&wash);
        painter.fillRect(rect(), Theme::pastelGradient(0.35, false));
        QLinearGradient fade(0, 0, 0, height() / 2.0);
        fade.setColorAt(0, Qt::black);
        fade.setColorAt(1, Qt::transparent);
        painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        painter.fillRect(rect(), fade);
        painter.end();
        wash_ = wash;
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, wash_);
}

void OnboardingWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    controller_.setShown(true);
}

void OnboardingWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    controller_.setShown(false);
}

} // namespace vesperline
