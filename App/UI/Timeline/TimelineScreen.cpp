#include "UI/Timeline/TimelineScreen.h"

#include "UI/Moment/MomentDetail.h"
#include "UI/Shared/ActivityIndicator.h"
#include "UI/Shared/AppIconView.h"
#include "UI/Shared/DayNavigator.h"
#include "UI/Shared/Divider.h"
#include "UI/Shared/EmptyStateView.h"
#include "UI/Theme/Symbols.h"
#include "UI/Theme/Theme.h"
#include "UI/Timeline/TimelineBar.h"

#include <QAction>
#include <QBoxLayout>
#include <QEvent>
#include <QLabel>
#include <QStackedWidget>
#include <QToolButton>

namespace vesperline {

TimelineScreen::TimelineScreen(Services services, QWidget* parent)
    : QWidget(parent), format_(services.format),
      controller_(services.moment.hub, services.moment.clock, services.delays, this) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(16, 12, 16, 12);
    navigator_ = new DayNavigator(services.moment.clock, services.format, this);
    navigator_->setObjectName("timelineDay");
    navigator_->setDay(controller_.day());
    count_ = new QLabel;
    count_->setObjectName("timelineCount");
    Theme::applyText(count_, Theme::TextStyle::callout, Theme::Level::secondary);
    navigator_->setTrailing(count_);
    header->addWidget(navigator_);
    column->addLayout(header);
    column->addWidget(new Divider(this));

    pages_ = new QStackedWidget(this);
    loadingPage_ = new QWidget(pages_);
    loadingPage_->setObjectName("timelineLoading");
    auto* loading = new QVBoxLayout(loadingPage_);
    auto* spinner = new ActivityIndicator(24, loadingPage_);
    spinner->setObjectName("timelineSpinner");
    loading->addWidget(spinner, 0, Qt::AlignCenter);
    emptyPage_ = new EmptyStateView("calendar.day.timeline.left", tr("Nothing recorded on this day"),
                                    tr("Pick another day, or keep using your computer — today's moments "
                                       "appear here as they're recorded."),
                                    pages_);
    emptyPage_->setObjectName("timelineEmpty");

    momentPage_ = new QWidget(pages_);
    momentPage_->setObjectName("timelineMoment");
    auto* moment = new QVBoxLayout(momentPage_);
    moment->setContentsMargins(0, 0, 0, 0);
    moment->setSpacing(0);
    detail_ = new MomentDetail(services.moment, services.analyze, services.applications, services.format,
                               momentPage_);
    detail_->setObjectName("timelineDetail");
    detail_->setShowTimelineButton(false);
    moment->addWidget(detail_, 1);
    moment->addWidget(new Divider(momentPage_));
    moment->addWidget(makePlaybackArea(services));

    pages_->addWidget(loadingPage_);
    pages_->addWidget(emptyPage_);
    pages_->addWidget(momentPage_);
    column->addWidget(pages_, 1);

    connect(&controller_, &TimelineScreenController::momentsChanged, this, &TimelineScreen::momentsChanged);
    connect(&controller_, &TimelineScreenController::positionChanged, this, &TimelineScreen::positionChanged);
    connect(&controller_, &TimelineScreenController::playbackChanged, this, &TimelineScreen::playbackChanged);
    connect(bar_, &TimelineBar::scrubbingChanged, &controller_, &TimelineScreenController::setScrubbing);
    connect(bar_, &TimelineBar::indexPicked, &controller_, &TimelineScreenController::scrubTo);
    connect(navigator_, &DayNavigator::dayChosen, &controller_, &TimelineScreenController::setDay);
    connect(&controller_, &TimelineScreenController::dayChanged, navigator_, &DayNavigator::setDay);
    momentsChanged();
    playbackChanged();
}

QToolButton* TimelineScreen::makeButton(const QString& objectName, const QString& symbol,
                                        const QString& title, const QKeySequence& key) {
    // The button's action carries the key, so a key triggers it at once (and repeats while held),
    // rather than animating a click of the button.
    auto* action = new QAction(Symbols::icon(symbol), title, this);
    action->setShortcut(key);
    auto* button = new QToolButton(this);
    button->setObjectName(objectName);
    button->setDefaultAction(action);
    button->setAutoRaise(true);
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    button->setFocusPolicy(Qt::TabFocus);
    button->setAccessibleName(title);
    const int side = QFontMetrics(Theme::font(Theme::TextStyle::title3)).ascent();
    button->setIconSize({side, side});
    return button;
}

QWidget* TimelineScreen::makePlaybackArea(const Services& services) {
    auto* area = new QWidget(momentPage_);
    auto* stack = new QVBoxLayout(area);
    stack->setContentsMargins(16, 10, 16, 10);
    stack->setSpacing(8);
    bar_ = new TimelineBar(services.applications, services.format, services.moment.clock, area);
    bar_->setObjectName("timelineBar");
    stack->addWidget(bar_);

    auto* row = new QHBoxLayout;
    row->setSpacing(14);
    QToolButton* previous =
        makeButton("timelinePrevious", "backward.frame.fill", tr("Previous moment"), Qt::Key_Left);
    previous->defaultAction()->setToolTip(tr("Previous moment (←)"));
    playButton_ = makeButton("timelinePlay", "play.fill", tr("Replay"), Qt::Key_Space);
    playButton_->defaultAction()->setToolTip(tr("Replay (Space)"));
    QToolButton* next = makeButton("timelineNext", "forward.frame.fill", tr("Next moment"), Qt::Key_Right);
    next->defaultAction()->setToolTip(tr("Next moment (→)"));
    QToolButton* back = makeButton("timelineBack", "gobackward.10", tr("10 min back"),
                                   QKeySequence(Qt::SHIFT | Qt::Key_Left));
    QToolButton* forward = makeButton("timelineForward", "goforward.10", tr("10 min forward"),
                                      QKeySequence(Qt::SHIFT | Qt::Key_Right));
    QToolButton* latest = makeButton("timelineLatest", "arrow.right.to.line", tr("Latest"), {});
    for (QToolButton* labelled : {back, forward, latest}) {
        labelled->setToolTip(QString()); // shown by their symbol; the title is their accessible name
    }

    time_ = new QLabel(area);
    time_->setObjectName("timelineTime");
    Theme::applyText(time_, Theme::TextStyle::callout, Theme::Level::primary, QFont::DemiBold);
    auto* app = new QHBoxLayout;
    app->setSpacing(5);
    appIcon_ = new AppIconView(services.applications, std::nullopt, 14, area);
    appName_ = new QLabel(area);
    appName_->setObjectName("timelineAppName");
    Theme::applyText(appName_, Theme::TextStyle::callout, Theme::Level::secondary);
    app->addWidget(appIcon_, 0, Qt::AlignVCenter);
    app->addWidget(appName_, 0, Qt::AlignVCenter);

    for (QWidget* item : {static_cast<QWidget*>(previous), static_cast<QWidget*>(playButton_),
                          static_cast<QWidget*>(next), static_cast<QWidget*>(time_)}) {
        row->addWidget(item, 0, Qt::AlignVCenter);
    }
    row->addLayout(app);
    row->addStretch(1);
    for (QToolButton* item : {back, forward, latest}) {
        row->addWidget(item, 0, Qt::AlignVCenter);
    }
    stack->addLayout(row);

    const auto onTrigger = [this](QToolButton* button, auto action) {
        connect(button->defaultAction(), &QAction::triggered, &controller_, action);
    };
    onTrigger(previous, [this] { controller_.step(-1); });
    onTrigger(playButton_, [this] { controller_.togglePlaying(); });
    onTrigger(next, [this] { controller_.step(1); });
    onTrigger(back, [this] { controller_.jump(-TimelineScreenController::jumpMinutes); });
    onTrigger(forward, [this] { controller_.jump(TimelineScreenController::jumpMinutes); });
    onTrigger(latest, [this] { controller_.showLatest(); });
    return area;
}

bool TimelineScreen::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate || event->type() == QEvent::WindowDeactivate) {
        controller_.setWindowActive(event->type() == QEvent::WindowActivate);
    }
    return QWidget::event(event);
}

void TimelineScreen::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    controller_.setWindowActive(isActiveWindow());
}

void TimelineScreen::momentsChanged() {
    const auto& frames = controller_.frames();
    count_->setText(controller_.countText(format_));
    pages_->setCurrentWidget(!frames->empty() ? momentPage_
                                              : (controller_.loaded() ? emptyPage_ : loadingPage_));
    bar_->setMoments(frames, controller_.spans());
}

void TimelineScreen::positionChanged() {
    bar_->setIndex(controller_.index());
    const std::optional<ostrel::FrameSummary> shown = controller_.shownFrame();
    time_->setText(shown ? format_.timeWithSeconds(shown->timestamp) : QString());
    if (!shown || appIcon_->bundleID() != shown->appBundleID) {
        appIcon_->setBundleID(shown ? shown->appBundleID : std::nullopt);
    }
    appName_->setText(shown ? QString::fromStdString(shown->appName.value_or("")) : QString());
    // A deletion from the moment view shows the remaining moment nearest to the one deleted.
    detail_->setOnDeleted(
        shown ? std::function<void()>([this, deleted = *shown] { controller_.momentDeleted(deleted); })
              : std::function<void()>());
    showPicture();
}

void TimelineScreen::playbackChanged() {
    playButton_->defaultAction()->setIcon(Symbols::icon(controller_.playing() ? "pause.fill" : "play.fill"));
    showPicture();
}

void TimelineScreen::showPicture() {
    if (const std::optional<ostrel::FrameSummary> shown = controller_.shownFrame()) {
        detail_->setMoment(*shown, controller_.imageSize());
    }
}

} // namespace vesperline
