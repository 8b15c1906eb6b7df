#pragma once

#include "Model/StatusItem.h"

#include <QObject>

namespace vesperline {

class AppModel;

// Keeps the tray's status item in step with the app model: its glyph shows what the recorder does
// (the same mark for recording with and without pictures), its tool tip is the status line, both
// refreshed at every status report; before its popover opens, the model reads the permissions and
// the figures again, so the popover shows them fresh.
//
// The program creates one after the window manager and keeps it for the rest of the run; it takes
// the model's `onStatusChange`. Main thread only.
class StatusItemController final : public QObject {
    Q_OBJECT

  public:
    // The model must outlive the controller; `makeContent` builds the popover's content.
    StatusItemController(AppModel& model, StatusItem::ContentFactory makeContent, QObject* parent = nullptr);

    StatusItem& item() { return item_; }
    // Shows the model's status now.
    void refreshIcon();

  private:
    AppModel& model_;
    StatusItem item_;
};

} // namespace vesperline
