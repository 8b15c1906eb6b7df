#include "Model/StatusItemController.h"

#include "Model/AppModel.h"

#include <QPointer>

namespace vesperline {

StatusItemController::StatusItemController(AppModel& model, StatusItem::ContentFactory makeContent,
                                           QObject* parent)
    : QObject(parent), model_(model), item_(std::move(makeContent)) {
    connect(&item_, &StatusItem::aboutToOpen, this, [this] {
        model_.refreshPermissions();
        model_.refreshStats();
    });
    refreshIcon();
    model_.onStatusChange = [controller = QPointer<StatusItemController>(this)] {
        if (controller) {
            controller->refreshIcon();
        }
    };
}

void StatusItemController::refreshIcon() {
    // Moments that are not being saved call for attention like a missing permission.
    item_.setGlyph(momentsAreNotSaved(model_.savingIssue()) ? StatusGlyph::Variant::attention
                                                            : StatusGlyph::variant(model_.status()));
    item_.setToolTip(model_.statusText());
}

} // namespace vesperline
