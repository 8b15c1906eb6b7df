#pragma once

#include "Capture/RecorderConfig.h"
#include "Model/HotKeyCombo.h"
#include "Platform/SettingsStore.h"
#include "Rules/CaptureMode.h"
#include "Rules/ProjectRule.h"
#include "Rules/RetentionPolicy.h"
#include "Store/ImageQuality.h"
#include "Support/Time.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vesperline {

// Every setting of the user, one property per key of the settings store (the key is spelled like
// the property). The store is read once, here; every assignment writes its key again. Lives on the
// main thread.
//
// Assigning a property: when the value differs, its changed signal is emitted; the value is then
// written to its key (also when it did not change) and `onChange` is called, except for
// `onboardingCompleted` and `pausedUntil`, which never call it. A value found in the store with the
// wrong type or an unknown text reads as the default and stays stored untouched until assigned.
class AppSettings final : public QObject {
    Q_OBJECT

  public:
    // Reads every key, applying the defaults; writes nothing back.
    explicit AppSettings(std::shared_ptr<platform::SettingsStore> defaults, QObject* parent = nullptr);

    // The store the settings live in, which the onboarding tour shares for its own step.
    platform::SettingsStore& defaults() const { return *defaults_; }

    // Called after every assignment that applies to the running services.
    std::function<void()> onChange;

    ostrel::CaptureMode captureMode() const { return captureMode_; }
    void setCaptureMode(ostrel::CaptureMode mode);
    // Every display is recorded, not only the active one.
    bool captureAllDisplays() const { return captureAllDisplays_; }
    void setCaptureAllDisplays(bool on);
    bool textOnlyMode() const { return textOnlyMode_; }
    void setTextOnlyMode(bool on);
    bool ocrOnBattery() const { return ocrOnBattery_; }
    void setOcrOnBattery(bool on);
    ImageQuality imageQuality() const { return imageQuality_; }
    void setImageQuality(ImageQuality quality);
    // Application ids never recorded; by default the known password managers.
    const std::vector<std::string>& excludedApps() const { return excludedApps_; }
    void setExcludedApps(std::vector<std::string> apps);
    const std::vector<std::string>& excludedSites() const { return excludedSites_; }
    void setExcludedSites(std::vector<std::string> sites);
    bool skipPrivateWindows() const { return skipPrivateWindows_; }
    void setSkipPrivateWindows(bool on);
    std::int64_t fullImageDays() const { return fullImageDays_; }
    void setFullImageDays(std::int64_t days);
    std::int64_t keyframeDays() const { return keyframeDays_; }
    void setKeyframeDays(std::int64_t days);
    // 0 keeps text for good.
    std::int64_t textDays() const { return textDays_; }
    void setTextDays(std::int64_t days);
    std::int64_t diskCapGB() const { return diskCapGB_; }
    void setDiskCapGB(std::int64_t gigabytes);
    bool excludeFromBackup() const { return excludeFromBackup_; }
    void setExcludeFromBackup(bool on);
    const HotKeyCombo& hotKey() const { return hotKey_; }
    void setHotKey(HotKeyCombo combo);
    bool hotKeyEnabled() const { return hotKeyEnabled_; }
    void setHotKeyEnabled(bool on);
    bool appLockEnabled() const { return appLockEnabled_; }
    void setAppLockEnabled(bool on);
    // Assistants may read the memory through the separate server.
    bool mcpEnabled() const { return mcpEnabled_; }
    void setMcpEnabled(bool on);
    bool dailySummaryEnabled() const { return dailySummaryEnabled_; }
    void setDailySummaryEnabled(bool on);
    const std::vector<ostrel::ProjectRule>& projectRules() const { return projectRules_; }
    void setProjectRules(std::vector<ostrel::ProjectRule> rules);
    bool onboardingCompleted() const { return onboardingCompleted_; }
    void setOnboardingCompleted(bool completed);
    // When a pause ends; absent while not paused.
    std::optional<ostrel::Time> pausedUntil() const { return pausedUntil_; }
    void setPausedUntil(std::optional<ostrel::Time> until);

    // The recorder's configuration from the current settings, made on each call; the excluded
    // applications become a set, so an id listed twice counts once.
    RecorderConfig recorderConfig() const;

    // The retention settings as the retention manager takes them, held where they keep the memory
    // safe: full pictures for at least a day; key frames for good (0) or at least as long as full
    // pictures; text for good (0) or at least as long as both; a disk cap of the gigabytes times
    // 2^30 and at least 512 MiB, held within the 64-bit range (a cap too large to count in bytes is
    // as good as none, and must not wrap around to a tiny or negative one).
    ostrel::RetentionPolicy retentionPolicy() const;
    static constexpr std::int64_t smallestDiskCapBytes = std::int64_t(512) << 20;

  signals:
    void captureModeChanged();
    void captureAllDisplaysChanged();
    void textOnlyModeChanged();
    void ocrOnBatteryChanged();
    void imageQualityChanged();
    void excludedAppsChanged();
    void excludedSitesChanged();
    void skipPrivateWindowsChanged();
    void fullImageDaysChanged();
    void keyframeDaysChanged();
    void textDaysChanged();
    void diskCapGBChanged();
    void excludeFromBackupChanged();
    void hotKeyChanged();
    void hotKeyEnabledChanged();
    void appLockEnabledChanged();
    void mcpEnabledChanged();
    void dailySummaryEnabledChanged();
    void projectRulesChanged();
    void onboardingCompletedChanged();
    void pausedUntilChanged();

  private:
    template <typename T>
    void assign(T& field, T value, void (AppSettings::*changed)(), const char* key,
                bool callsOnChange = true);
    void write(const char* key, const std::optional<QVariant>& value);

    std::shared_ptr<platform::SettingsStore> defaults_;
    ostrel::CaptureMode captureMode_;
    bool captureAllDisplays_;
    bool textOnlyMode_;
    bool ocrOnBattery_;
    ImageQuality imageQuality_;
    std::vector<std::string> excludedApps_;
    std::vector<std::string> excludedSites_;
    bool skipPrivateWindows_;
    std::int64_t fullImageDays_;
    std::int64_t keyframeDays_;
    std::int64_t textDays_;
    std::int64_t diskCapGB_;
    bool excludeFromBackup_;
    HotKeyCombo hotKey_;
    bool hotKeyEnabled_;
    bool appLockEnabled_;
    bool mcpEnabled_;
    bool dailySummaryEnabled_;
    std::vector<ostrel::ProjectRule> projectRules_;
    bool onboardingCompleted_;
    std::optional<ostrel::Time> pausedUntil_;
};

} // namespace vesperline
