#pragma once

#include <QString>

#include <array>
#include <optional>
#include <string_view>

namespace vesperline {

// The panes of the settings window, in the order of its sidebar.
enum class SettingsTab { general, recording, privacy, storage, projects, ai, about };

inline constexpr std::array<SettingsTab, 7> allSettingsTabs{
    SettingsTab::general,  SettingsTab::recording, SettingsTab::privacy, SettingsTab::storage,
    SettingsTab::projects, SettingsTab::ai,        SettingsTab::about,
};

// "general", "recording", ...
std::string_view rawValue(SettingsTab tab);
// Exactly one of the seven raw values, letter case included; anything else is no tab.
std::optional<SettingsTab> settingsTabFromRaw(std::string_view raw);
// The sidebar's title ("General") and symbol name ("gearshape").
QString title(SettingsTab tab);
QString symbol(SettingsTab tab);

} // namespace vesperline
