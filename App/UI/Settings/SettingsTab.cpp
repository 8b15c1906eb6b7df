#include "UI/Settings/SettingsTab.h"

#include <QCoreApplication>

namespace vesperline {

namespace {

struct TabFacts {
    SettingsTab tab;
    const char* raw;
    const char* title;
    const char* symbol;
};

constexpr TabFacts table[] = {
    {SettingsTab::general, "general", QT_TRANSLATE_NOOP("SettingsTab", "General"), "gearshape"},
    {SettingsTab::recording, "recording", QT_TRANSLATE_NOOP("SettingsTab", "Recording"), "record.circle"},
    {SettingsTab::privacy, "privacy", QT_TRANSLATE_NOOP("SettingsTab", "Privacy"), "hand.raised"},
    {SettingsTab::storage, "storage", QT_TRANSLATE_NOOP("SettingsTab", "Storage"), "internaldrive"},
    {SettingsTab::projects, "projects", QT_TRANSLATE_NOOP("SettingsTab", "Projects"), "folder"},
    {SettingsTab::ai, "ai", QT_TRANSLATE_NOOP("SettingsTab", "AI"), "point.3.connected.trianglepath.dotted"},
    {SettingsTab::about, "about", QT_TRANSLATE_NOOP("SettingsTab", "About"), "info.circle"},
};

const TabFacts& facts(SettingsTab tab) {
    return table[static_cast<std::size_t>(tab)];
}

} // namespace

std::string_view rawValue(SettingsTab tab) {
    return facts(tab).raw;
}

std::optional<SettingsTab> settingsTabFromRaw(std::string_view raw) {
    for (const TabFacts& entry : table) {
        if (raw == entry.raw) {
            return entry.tab;
        }
    }
    return std::nullopt;
}

QString title(SettingsTab tab) {
    return QCoreApplication::translate("SettingsTab", facts(tab).title);
}

QString symbol(SettingsTab tab) {
    return QString::fromLatin1(facts(tab).symbol);
}

} // namespace vesperline
