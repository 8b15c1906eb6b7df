#pragma once

#include "Runtime/SystemClock.h"
#include "Store/Format.h"
#include "UI/Shared/DayNavigation.h"

#include <QWidget>

class QDateEdit;
class QHBoxLayout;
class QLabel;
class QToolButton;

namespace vesperline {

// The day header of the timeline and the journal: steps a calendar day back or forward (Ctrl+[ and
// Ctrl+]), jumps back to today, or takes a date from its date field, never a day after now. It shows
// the day as a title with a relative label under it, and optionally a screen's own controls at its
// trailing end. The screen owns the day: it hands it in with `setDay` and takes the user's choice
// from `dayChosen`.
class DayNavigator final : public QWidget {
    Q_OBJECT

  public:
    explicit DayNavigator(const ostrel::Clock& clock = systemClock(),
                          const Format& format = Format::current(), QWidget* parent = nullptr);

    // Shows `day`, which may carry a time of day; announces nothing.
    void setDay(ostrel::Time day);
    ostrel::Time day() const { return day_; }
    // Puts `trailing` (owned by the navigator from then on) at the trailing end, in place of any before.
    void setTrailing(QWidget* trailing);

    // Steps `days` calendar days, as the arrow buttons do; a step into the future is refused.
    void shift(int days);

  signals:
    // The user chose another day; `day` is its start.
    void dayChosen(double day);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void choose(ostrel::Time day);
    void refresh();

    const ostrel::Clock& clock_;
    const Format& format_;
    DayNavigation calendar_;
    ostrel::Time day_;
    QHBoxLayout* row_;
    QToolButton* previous_;
    QLabel* title_;
    QLabel* relative_;
    QToolButton* next_;
    QDateEdit* field_;
    QToolButton* today_;
    QWidget* trailing_ = nullptr;
};

} // namespace vesperline
