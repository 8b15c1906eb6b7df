#include "UI/Shared/DayNavigator.h"

#include "UI/Theme/Symbols.h"
#include "UI/Theme/Theme.h"

#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

namespace vesperline {

namespace {

constexpr int spacing = 10;
constexpr int fieldWidth = 120;

QToolButton* arrowButton(const char* name, const char* symbol, const QString& help, QKeySequence shortcut,
                         QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setAutoRaise(true);
    button->setIcon(Symbols::icon(symbol));
    button->setToolTip(help);
    button->setAccessibleName(help);
    button->setShortcut(shortcut);
    return button;
}

} // namespace

DayNavigator::DayNavigator(const ostrel::Clock& clock, const Format& format, QWidget* parent)
    : QWidget(parent), clock_(clock), format_(format), calendar_(format),
      day_(calendar_.startOfDay(clock.now())), row_(new QHBoxLayout(this)),
      previous_(arrowButton("previousDay", "chevron.left", tr("Previous day"),
                            QKeySequence(Qt::CTRL | Qt::Key_BracketLeft), this)),
      title_(new QLabel(this)), relative_(new QLabel(this)),
      next_(arrowButton("nextDay", "chevron.right", tr("Next day"),
                        QKeySequence(Qt::CTRL | Qt::Key_BracketRight), this)),
      field_(new QDateEdit(this)), today_(new QToolButton(this)) {
    row_->setContentsMargins(0, 0, 0, 0);
    row_->setSpacing(spacing);

    title_->setObjectName("dayTitle");
    Theme::applyText(title_, Theme::TextStyle::title2, Theme::Level::primary, QFont::DemiBold);
    relative_->setObjectName("dayRelative");
    Theme::applyText(relative_, Theme::TextStyle::caption, Theme::Level::secondary);
    auto* titles = new QVBoxLayout;
    titles->setSpacing(0);
    titles->addWidget(title_);
    titles->addWidget(relative_);

    field_->setObjectName("dayField");
    field_->setFixedWidth(fieldWidth);
    field_->setKeyboardTracking(false); // a date is taken once typed, not at every digit
    field_->setAccessibleName(tr("Day"));

    today_->setObjectName("todayButton");
    today_->setAutoRaise(true);
    today_->setText(tr("Today"));

    row_->addWidget(previous_);
    row_->addLayout(titles);
    row_->addWidget(next_);
    row_->addWidget(field_);
    row_->addWidget(today_);
    row_->addStretch(1);

    connect(previous_, &QToolButton::clicked, this, [this] { shift(-1); });
    connect(next_, &QToolButton::clicked, this, [this] { shift(1); });
    connect(today_, &QToolButton::clicked, this, [this] { choose(calendar_.startOfDay(clock_.now())); });
    // Only the user's edits arrive here: the navigator sets the field under a signal blocker.
    connect(field_, &QDateEdit::dateChanged, this, [this](const QDate& date) {
        const ostrel::Time start = calendar_.startOfDay(date);
        if (start <= clock_.now()) {
            choose(start);
        } else {
            refresh();
        }
    });
    refresh();
}

void DayNavigator::setDay(ostrel::Time day) {
    day_ = day;
    refresh();
}

void DayNavigator::setTrailing(QWidget* trailing) {
    if (trailing_) {
        row_->removeWidget(trailing_);
        trailing_->deleteLater();
    }
    trailing_ = trailing;
    if (trailing_) {
        row_->addWidget(trailing_);
    }
}

void DayNavigator::shift(int days) {
    if (const auto moved = calendar_.shifted(day_, days, clock_.now())) {
        choose(*moved);
    }
}

void DayNavigator::choose(ostrel::Time day) {
    if (day == day_) {
        return;
    }
    day_ = day;
    refresh();
    emit dayChosen(day);
}

void DayNavigator::refresh() {
    const ostrel::Time now = clock_.now();
    const bool today = calendar_.isToday(day_, now);
    title_->setText(format_.dayTitle(day_));
    relative_->setText(calendar_.relativeLabel(day_, now));
    next_->setEnabled(!today);
    today_->setVisible(!today);
    const QSignalBlocker blocker(field_);
    field_->setMaximumDate(calendar_.calendarDay(now));
    field_->setDate(calendar_.calendarDay(day_));
}

void DayNavigator::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    refresh(); // today may have moved on while the navigator was hidden
}

} // namespace vesperline
