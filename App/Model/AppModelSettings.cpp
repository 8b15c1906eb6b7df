#include "Model/AppModel.h"

#include "Runtime/Log.h"
#include "Store/BackupExclusion.h"

#include <mutex>

namespace vesperline {

namespace {

constexpr char mcpEnabledKey[] = "mcp_enabled";

} // namespace

void AppModel::applySettings() {
    const RecorderConfig config = settings_->recorderConfig();
    recorder_->applyConfig(config);
    tracker_->excludedApps = config.excludedApps;
    tracker_->rules = config.projectRules;
    applyHotKey();
    applyAssistantsSwitch();
    // A folder that refuses the tag is tried again the next time.
    BackupExclusion::apply(hub_->dataDirectory(), settings_->excludeFromBackup());
    allowBacklog();
    std::lock_guard lock(retentionInputs_->mutex);
    retentionInputs_->policy = settings_->retentionPolicy();
}

void AppModel::applyHotKey() {
    const HotKeyCombo combo = settings_->hotKey();
    const bool enabled = settings_->hotKeyEnabled();
    if (lastHotKey_ == combo && lastHotKeyEnabled_ == enabled) {
        return;
    }
    lastHotKey_ = combo;
    lastHotKeyEnabled_ = enabled;
    if (enabled) {
        assign(hotKeyConflict_, !hotKeys_->registerCombo(combo), &AppModel::hotKeyConflictChanged);
    } else {
        hotKeys_->unregisterCombo();
        assign(hotKeyConflict_, false, &AppModel::hotKeyConflictChanged);
    }
}

void AppModel::applyAssistantsSwitch() {
    const bool allowed = settings_->mcpEnabled();
    if (lastMCPFlag_ == allowed) {
        return;
    }
    lastMCPFlag_ = allowed;
    const std::uint64_t write = ++mcpWrites_;
    hub_->write(
        [allowed](ostrel::MemoryStore& store) {
            store.setMetaValue(mcpEnabledKey, std::string(allowed ? "1" : "0"));
        },
        this,
        [this, write](const StoreOutcome<void>& outcome) {
            if (outcome.succeeded()) {
                return;
            }
            qCWarning(Log::storage(), "Assistants switch write failed: %s", outcome.error.c_str());
            // The row may still say what the user no longer wants: the next application writes
            // it again, unless a later write is on its way already.
            if (write == mcpWrites_) {
                lastMCPFlag_.reset();
            }
        });
}

} // namespace vesperline
