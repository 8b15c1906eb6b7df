#pragma once

#include "Rules/WorkLogEntry.h"

#include <QWidget>

#include <cstddef>

class QLabel;

namespace vesperline {

class AppIconView;
class ElidedLabel;
class Format;
class ShareBar;

namespace platform {
class InstalledApplications;
}

// One app or project of the journal's lists: its icon (apps only), name and time, and under them a
// bar of its share of the day in the hue of its place in the list. The whole row takes a click.
class JournalEntryRow final : public QWidget {
    Q_OBJECT

  public:
    enum class Kind { project, app };

    // `position` from 0 in the list; `share` of the day's active time from 0 to 1.
    JournalEntryRow(std::size_t position, const ostrel::WorkLogEntry& entry, Kind kind, double share,
                    platform::InstalledApplications& applications, const Format& format,
                    QWidget* parent = nullptr);

    const ostrel::WorkLogEntry& entry() const { return entry_; }
    Kind kind() const { return kind_; }
    ElidedLabel* name() const { return name_; }
    QLabel* duration() const { return duration_; }
    ShareBar* bar() const { return bar_; }
    AppIconView* icon() const { return icon_; }

  signals:
    void clicked();

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    ostrel::WorkLogEntry entry_;
    Kind kind_;
    AppIconView* icon_ = nullptr;
    ElidedLabel* name_;
    QLabel* duration_;
    ShareBar* bar_;
};

} // namespace vesperline
