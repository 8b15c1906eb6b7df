#include "UI/Settings/SettingsContext.h"

namespace vesperline {

SettingsContext::SettingsContext(Services services, ModelActions actions, QObject* parent)
    : QObject(parent), services_(std::move(services)), actions_(std::move(actions)) {}

void SettingsContext::setStorage(const ostrel::StorageBreakdown& storage) {
    if (storage != storage_) {
        storage_ = storage;
        emit storageChanged();
    }
}

void SettingsContext::setMaintenanceRunning(bool running) {
    if (running != maintenanceRunning_) {
        maintenanceRunning_ = running;
        emit maintenanceRunningChanged();
    }
}

void SettingsContext::setHotKeyConflict(bool conflict) {
    if (conflict != hotKeyConflict_) {
        hotKeyConflict_ = conflict;
        emit hotKeyConflictChanged();
    }
}

void SettingsContext::setPermissions(bool screen, bool accessibility) {
    if (screen != screenPermission_ || accessibility != accessibilityPermission_) {
        screenPermission_ = screen;
        accessibilityPermission_ = accessibility;
        emit permissionsChanged();
    }
}

void SettingsContext::setAIAvailability(const AIAvailability& availability) {
    if (availability != aiAvailability_) {
        aiAvailability_ = availability;
        emit aiAvailabilityChanged();
    }
}

} // namespace vesperline
