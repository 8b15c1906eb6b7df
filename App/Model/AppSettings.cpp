#include "Model/AppSettings.h"

#include "Rules/PrivacyRules.h"
#include "Runtime/Log.h"

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <limits>

namespace vesperline {
namespace {

// Read rules: a value is used only when it has the expected type, otherwise the default applies.

bool readBool(const QVariant& value, bool fallback) {
    return value.typeId() == QMetaType::Bool ? value.toBool() : fallback;
}

std::int64_t readInteger(const QVariant& value, std::int64_t fallback) {
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
        return value.toLongLong();
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return value.toULongLong() <= std::uint64_t(std::numeric_limits<std::int64_t>::max())
                   ? std::int64_t(value.toULongLong())
                   : fallback;
    default:
        return fallback;
    }
}

// The stored text matched exactly against the raw values; anything but a text counts as "".
template <typename Enum>
Enum readEnum(const QVariant& value, std::optional<Enum> (*fromRaw)(std::string_view), Enum fallback) {
    const std::string raw =
        value.typeId() == QMetaType::QString ? value.toString().toStdString() : std::string();
    return fromRaw(raw).value_or(fallback);
}

// A list counts only when every element is a text.
std::vector<std::string> readStringList(const QVariant& value, const std::vector<std::string>& fallback) {
    if (value.typeId() != QMetaType::QVariantList && value.typeId() != QMetaType::QStringList) {
        return fallback;
    }
    std::vector<std::string> list;
    for (const QVariant& element : value.toList()) {
        if (element.typeId() != QMetaType::QString) {
            return fallback;
        }
        list.push_back(element.toString().toStdString());
    }
    return list;
}

// Data holding the JSON form of the value.
template <typename T> T readJSON(const QVariant& value, T fallback) {
    if (value.typeId() != QMetaType::QByteArray) {
        return fallback;
    }
    const QByteArray bytes = value.toByteArray();
    const auto json = nlohmann::ordered_json::parse(bytes.begin(), bytes.end(), nullptr, false);
    try {
        return json.get<T>();
    } catch (const std::exception&) {
        return fallback;
    }
}

// Seconds since 1970 as a floating-point number; a whole number is taken too.
std::optional<ostrel::Time> readSeconds(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Double:
        return std::isfinite(value.toDouble()) ? std::optional(value.toDouble()) : std::nullopt;
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return value.toDouble();
    default:
        return std::nullopt;
    }
}

// Stored forms. No value: the value could not be encoded and its key keeps what it holds; an invalid
// QVariant: the key is removed.

std::optional<QVariant> storedForm(bool on) {
    return QVariant(on);
}

std::optional<QVariant> storedForm(std::int64_t number) {
    return QVariant(qlonglong(number));
}

std::optional<QVariant> storedForm(ostrel::CaptureMode mode) {
    return QVariant(QString::fromUtf8(ostrel::rawValue(mode)));
}

std::optional<QVariant> storedForm(ImageQuality quality) {
    return QVariant(QString::fromStdString(toRaw(quality)));
}

std::optional<QVariant> storedForm(const std::vector<std::string>& list) {
    QVariantList texts;
    for (const std::string& text : list) {
        texts.append(QString::fromStdString(text));
    }
    return QVariant(texts);
}

template <typename T> std::optional<QVariant> storedJSON(const T& value) {
    try {
        return QVariant(QByteArray::fromStdString(nlohmann::ordered_json(value).dump()));
    } catch (const std::exception& error) {
        qCWarning(Log::app, "Settings encoding failed: %s", error.what());
        return std::nullopt;
    }
}

std::optional<QVariant> storedForm(const HotKeyCombo& combo) {
    return storedJSON(combo);
}

std::optional<QVariant> storedForm(const std::vector<ostrel::ProjectRule>& rules) {
    return storedJSON(rules);
}

std::optional<QVariant> storedForm(const std::optional<ostrel::Time>& until) {
    return until ? QVariant(*until) : QVariant();
}

} // namespace

AppSettings::AppSettings(std::shared_ptr<platform::SettingsStore> defaults, QObject* parent)
    : QObject(parent), defaults_(std::move(defaults)) {
    const platform::SettingsStore& store = *defaults_;
    captureMode_ =
        readEnum(store.value("captureMode"), ostrel::captureModeFromRaw, ostrel::CaptureMode::balanced);
    captureAllDisplays_ = readBool(store.value("captureAllDisplays"), false);
    textOnlyMode_ = readBool(store.value("textOnlyMode"), false);
    ocrOnBattery_ = readBool(store.value("ocrOnBattery"), false);
    imageQuality_ = readEnum(store.value("imageQuality"), imageQualityFromRaw, ImageQuality::balanced);
    excludedApps_ = readStringList(store.value("excludedApps"), ostrel::PrivacyRules::passwordManagers());
    excludedSites_ = readStringList(store.value("excludedSites"), {});
    skipPrivateWindows_ = readBool(store.value("skipPrivateWindows"), true);
    fullImageDays_ = readInteger(store.value("fullImageDays"), 7);
    keyframeDays_ = readInteger(store.value("keyframeDays"), 60);
    textDays_ = readInteger(store.value("textDays"), 0);
    diskCapGB_ = readInteger(store.value("diskCapGB"), 10);
    excludeFromBackup_ = readBool(store.value("excludeFromBackup"), true);
    hotKey_ = readJSON(store.value("hotKey"), HotKeyCombo{});
    hotKeyEnabled_ = readBool(store.value("hotKeyEnabled"), true);
    appLockEnabled_ = readBool(store.value("appLockEnabled"), false);
    mcpEnabled_ = readBool(store.value("mcpEnabled"), false);
    dailySummaryEnabled_ = readBool(store.value("dailySummaryEnabled"), true);
    projectRules_ = readJSON(store.value("projectRules"), std::vector<ostrel::ProjectRule>{});
    onboardingCompleted_ = readBool(store.value("onboardingCompleted"), false);
    pausedUntil_ = readSeconds(store.value("pausedUntil"));
}

template <typename T>
void AppSettings::assign(T& field, T value, void (AppSettings::*changed)(), const char* key,
                         bool callsOnChange) {
    const bool differs = !(field == value);
    field = std::move(value);
    if (differs) {
        emit(this->*changed)();
    }
    write(key, storedForm(field));
    if (callsOnChange && onChange) {
        onChange();
    }
}

void AppSettings::write(const char* key, const std::optional<QVariant>& value) {
    if (!value) {
        return;
    }
    try {
        if (value->isValid()) {
            defaults_->setValue(key, *value);
        } else {
            defaults_->remove(key);
        }
    } catch (const platform::SettingsStoreError& error) {
        qCWarning(Log::app, "Settings write failed: %s", error.what());
    }
}

void AppSettings::setCaptureMode(ostrel::CaptureMode mode) {
    assign(captureMode_, mode, &AppSettings::captureModeChanged, "captureMode");
}

void AppSettings::setCaptureAllDisplays(bool on) {
    assign(captureAllDisplays_, on, &AppSettings::captureAllDisplaysChanged, "captureAllDisplays");
}

void AppSettings::setTextOnlyMode(bool on) {
    assign(textOnlyMode_, on, &AppSettings::textOnlyModeChanged, "textOnlyMode");
}

void AppSettings::setOcrOnBattery(bool on) {
    assign(ocrOnBattery_, on, &AppSettings::ocrOnBatteryChanged, "ocrOnBattery");
}

void AppSettings::setImageQuality(ImageQuality quality) {
    assign(imageQuality_, quality, &AppSettings::imageQualityChanged, "imageQuality");
}

void AppSettings::setExcludedApps(std::vector<std::string> apps) {
    assign(excludedApps_, std::move(apps), &AppSettings::excludedAppsChanged, "excludedApps");
}

void AppSettings::setExcludedSites(std::vector<std::string> sites) {
    assign(excludedSites_, std::move(sites), &AppSettings::excludedSitesChanged, "excludedSites");
}

void AppSettings::setSkipPrivateWindows(bool on) {
    assign(skipPrivateWindows_, on, &AppSettings::skipPrivateWindowsChanged, "skipPrivateWindows");
}

void AppSettings::setFullImageDays(std::int64_t days) {
    assign(fullImageDays_, days, &AppSettings::fullImageDaysChanged, "fullImageDays");
}

void AppSettings::setKeyframeDays(std::int64_t days) {
    assign(keyframeDays_, days, &AppSettings::keyframeDaysChanged, "keyframeDays");
}

void AppSettings::setTextDays(std::int64_t days) {
    assign(textDays_, days, &AppSettings::textDaysChanged, "textDays");
}

void AppSettings::setDiskCapGB(std::int64_t gigabytes) {
    assign(diskCapGB_, gigabytes, &AppSettings::diskCapGBChanged, "diskCapGB");
}

void AppSettings::setExcludeFromBackup(bool on) {
    assign(excludeFromBackup_, on, &AppSettings::excludeFromBackupChanged, "excludeFromBackup");
}

void AppSettings::setHotKey(HotKeyCombo combo) {
    assign(hotKey_, combo, &AppSettings::hotKeyChanged, "hotKey");
}

void AppSettings::setHotKeyEnabled(bool on) {
    assign(hotKeyEnabled_, on, &AppSettings::hotKeyEnabledChanged, "hotKeyEnabled");
}

void AppSettings::setAppLockEnabled(bool on) {
    assign(appLockEnabled_, on, &AppSettings::appLockEnabledChanged, "appLockEnabled");
}

void AppSettings::setMcpEnabled(bool on) {
    assign(mcpEnabled_, on, &AppSettings::mcpEnabledChanged, "mcpEnabled");
}

void AppSettings::setDailySummaryEnabled(bool on) {
    assign(dailySummaryEnabled_, on, &AppSettings::dailySummaryEnabledChanged, "dailySummaryEnabled");
}

void AppSettings::setProjectRules(std::vector<ostrel::ProjectRule> rules) {
    assign(projectRules_, std::move(rules), &AppSettings::projectRulesChanged, "projectRules");
}

void AppSettings::setOnboardingCompleted(bool completed) {
    assign(onboardingCompleted_, completed, &AppSettings::onboardingCompletedChanged, "onboardingCompleted",
           false);
}

void AppSettings::setPausedUntil(std::optional<ostrel::Time> until) {
    assign(pausedUntil_, until, &AppSettings::pausedUntilChanged, "pausedUntil", false);
}

RecorderConfig AppSettings::recorderConfig() const {
    return RecorderConfig{.mode = captureMode_,
                          .allDisplays = captureAllDisplays_,
                          .textOnly = textOnlyMode_,
                          .ocrOnBattery = ocrOnBattery_,
                          .excludedApps = {excludedApps_.begin(), excludedApps_.end()},
                          .excludedSites = excludedSites_,
                          .skipPrivateWindows = skipPrivateWindows_,
                          .projectRules = projectRules_,
                          .imageQuality = imageQuality_};
}

ostrel::RetentionPolicy AppSettings::retentionPolicy() const {
    constexpr std::int64_t bytesPerGB = std::int64_t(1) << 30;
    constexpr std::int64_t limit = std::numeric_limits<std::int64_t>::max() / bytesPerGB;
    const std::int64_t fullImageDays = std::max<std::int64_t>(fullImageDays_, 1);
    const std::int64_t keyframeDays = keyframeDays_ == 0 ? 0 : std::max(keyframeDays_, fullImageDays);
    const std::int64_t textDays = textDays_ == 0 ? 0 : std::max({textDays_, fullImageDays, keyframeDays});
    return ostrel::RetentionPolicy{
        .fullImageDays = fullImageDays,
        .keyframeDays = keyframeDays,
        .textDays = textDays,
        .diskCapBytes = std::max(std::min(diskCapGB_, limit) * bytesPerGB, smallestDiskCapBytes)};
}

} // namespace vesperline
