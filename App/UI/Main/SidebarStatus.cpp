#include "UI/Main/SidebarStatus.h"

#include "Model/AppModel.h"
#include "UI/Shared/PageParts.h"
#include "UI/Shared/RoundedBox.h"
#include "UI/Shared/StatusDot.h"
#include "UI/Theme/Symbols.h"
#include "UI/Theme/Theme.h"

#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QToolButton>
#include <QVBoxLayout>

namespace vesperline {

SidebarStatus::Control SidebarStatus::control(const RecorderStatus& status,
                                              std::optional<ostrel::Time> pausedUntil, ostrel::Time now) {
    if ((pausedUntil && *pausedUntil > now) || status.kind == RecorderStatus::Kind::paused) {
        return Control::resume;
    }
    return status.kind == RecorderStatus::Kind::recording ? Control::pauseMenu : Control::none;
}

QString SidebarStatus::countText(std::int64_t saved, const Format& format) {
    return format.plural(tr("{0, plural, one {# moment today} other {# moments today}}"), {saved});
}

SidebarStatus::SidebarStatus(AppModel& model, QWidget* parent) : QWidget(parent), model_(model) {
    setObjectName("sidebarStatus");
    // The block stands on a faint rounded ground.
    auto* ground = new RoundedBox(cornerRadius, RoundedBox::level(Theme::Level::quaternary, groundOpacity));
    PageParts::column(this, 0)->addWidget(ground);
    auto* column = PageParts::column(ground, 8);
    column->setContentsMargins(padding, padding, padding, padding);

    auto* statusRow = PageParts::row(nullptr, 6);
    dot_ = new StatusDot;
    dot_->setObjectName("statusDot");
    statusRow->addWidget(dot_, 0, Qt::AlignVCenter);
    status_ = PageParts::textLabel(Theme::TextStyle::caption, Theme::Level::primary, QFont::Medium, true);
    status_->setObjectName("statusLine");
    status_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // At most two lines: a longer status is cut after the second, in whatever font it takes.
    status_->setMaximumHeight(status_->fontMetrics().lineSpacing() * statusLines);
    status_->installEventFilter(this);
    statusRow->addWidget(status_, 1);
    column->addLayout(statusRow);

    reason_ = PageParts::textLabel(Theme::TextStyle::caption2, Theme::Level::secondary, std::nullopt, true);
    reason_->setObjectName("reasonLine");
    column->addWidget(reason_);

    auto* countRow = PageParts::row(nullptr, 6);
    count_ = PageParts::textLabel(Theme::TextStyle::caption2, Theme::Level::secondary);
    count_->setObjectName("momentsToday");
    countRow->addWidget(count_);
    countRow->addStretch(1);

    // A small push button: framed, at its text's size.
    resume_ = new QToolButton;
    resume_->setObjectName("resumeButton");
    resume_->setText(tr("Resume"));
    resume_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    Theme::applyText(resume_, Theme::TextStyle::caption2);
    connect(resume_, &QToolButton::clicked, this, [this] { model_.resume(); });
    countRow->addWidget(resume_);

    pause_ = new QToolButton;
    pause_->setObjectName("pauseMenu");
    pause_->setText(tr("Pause"));
    pause_->setAutoRaise(true);
    pause_->setPopupMode(QToolButton::InstantPopup);
    pause_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    Theme::applyText(pause_, Theme::TextStyle::caption2);
    auto* menu = new QMenu(pause_);
    menu->setObjectName("pauseChoices");
    using PauseOption = AppModel::PauseOption;
    const std::pair<QString, PauseOption> choices[] = {
        {tr("For 15 minutes"), PauseOption::forMinutes(15)},
        {tr("For 1 hour"), PauseOption::forMinutes(60)},
        {tr("Until I resume"), PauseOption::untilResumed()},
    };
    for (const auto& [title, option] : choices) {
        connect(menu->addAction(title), &QAction::triggered, this, [this, option] { model_.pause(option); });
    }
    pause_->setMenu(menu);
    countRow->addWidget(pause_);

    // Always there, also where no tray offers a way out.
    auto* quit = new QToolButton;
    quit->setObjectName("quitButton");
    quit->setIcon(Symbols::icon("power"));
    quit->setAutoRaise(true);
    quit->setIconSize(QSize(14, 14));
    quit->setToolTip(tr("Quit Vesperline (Ctrl+Q)"));
    quit->setAccessibleName(tr("Quit Vesperline"));
    quit->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(quit, &QToolButton::clicked, this, [this] { model_.quitApplication(); });
    countRow->addWidget(quit);
    column->addLayout(countRow);

    const auto follow = [this](auto signal) { connect(&model_, signal, this, &SidebarStatus::render); };
    follow(&AppModel::statusChanged);
    follow(&AppModel::skipReasonChanged);
    follow(&AppModel::policyChanged);
    follow(&AppModel::powerSnapshotChanged);
    follow(&AppModel::accessibilityPermissionChanged);
    follow(&AppModel::todayChanged);
    follow(&AppModel::savingIssueChanged);
    connect(&model_.settings(), &AppSettings::pausedUntilChanged, this, &SidebarStatus::render);
    connect(&model_.settings(), &AppSettings::onboardingCompletedChanged, this, &SidebarStatus::render);
    render();
}

void SidebarStatus::render() {
    const RecorderStatus status = model_.status();
    const bool recording = status.kind == RecorderStatus::Kind::recording;
    // Red and still while moments are not being saved, even though the recorder records.
    const bool lost = recording && momentsAreNotSaved(model_.savingIssue());
    dot_->setColor(lost        ? Theme::DynamicColor(Theme::red)
                   : recording ? Theme::green
                               : Theme::DynamicColor(Theme::gray));
    dot_->setPulsing(recording && !lost);
    status_->setText(model_.statusText());
    const std::optional<QString> reason = model_.skipText();
    reason_->setText(reason.value_or(QString()));
    reason_->setVisible(reason.has_value());
    const std::int64_t saved = model_.today() ? model_.today()->framesSaved : 0;
    count_->setText(countText(saved, model_.format()));

    shownControl_ = control(status, model_.settings().pausedUntil(), model_.clock().now());
    resume_->setVisible(shownControl_ == Control::resume);
    pause_->setVisible(shownControl_ == Control::pauseMenu);
}

bool SidebarStatus::eventFilter(QObject* watched, QEvent* event) {
    if (watched == status_ && event->type() == QEvent::FontChange) {
        status_->setMaximumHeight(status_->fontMetrics().lineSpacing() * statusLines);
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace vesperline
