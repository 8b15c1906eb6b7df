// Feeds each input to the settings reader as the settings file found at launch, reads every key of
// the app and saves once, as the first assignment (the window geometry at quit) does.
#include "Platform/Linux/FileSettingsStore.h"

#include <QDir>
#include <QFile>

#include <cstdint>
#include <cstdlib>

namespace {

const QStringList keys = {
    "captureMode",    "captureAllDisplays", "textOnlyMode",        "ocrOnBattery",  "imageQuality",
    "excludedApps",   "excludedSites",      "skipPrivateWindows",  "fullImageDays", "keyframeDays",
    "textDays",       "diskCapGB",          "excludeFromBackup",   "hotKey",        "hotKeyEnabled",
    "appLockEnabled", "mcpEnabled",         "dailySummaryEnabled", "projectRules",  "onboardingCompleted",
    "pausedUntil",    "onboardingStep",     "windowGeometry"};

const QString& folder() {
    static const QString path = [] {
        QByteArray pattern = QDir::temp().filePath("vesperline-fuzz-settings-XXXXXX").toLocal8Bit();
        if (!::mkdtemp(pattern.data())) {
            std::abort();
        }
        return QString::fromLocal8Bit(pattern);
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QDir dir(folder());
    // Files moved aside by earlier inputs go, so each input starts from the same folder.
    for (const QString& name : dir.entryList(QDir::Files)) {
        dir.remove(name);
    }
    const QString path = dir.filePath("settings.json");
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size)) {
            std::abort();
        }
    }
    vesperline::platform::FileSettingsStore store(path);
    for (const QString& key : keys) {
        (void)store.value(key).toString();
    }
    try {
        store.setValue("windowGeometry", QByteArray("geometry"));
    } catch (const vesperline::platform::SettingsStoreError&) {
        // A save may fail (a file that could not be moved aside); it must not crash.
    }
    return 0;
}
