#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vesperline::platform::DesktopEntry {

// The keys of a desktop file's [Desktop Entry] group that the application reads; localised keys
// ("Name[de]") are left out.
struct Entry {
    bool application = false; // Type=Application
    bool hidden = false;      // Hidden=true: the entry counts as deleted
    bool noDisplay = false;   // NoDisplay=true: installed, but left out of menus
    // X-GNOME-Autostart-enabled=false: an autostart entry switched off without deleting it.
    bool autostartDisabled = false;
    std::optional<std::string> name;
    std::optional<std::string> icon;
    std::optional<std::string> windowClass;
};

// Reads the file; a missing or unreadable file reads as an empty entry (no application).
Entry read(const std::filesystem::path& file);

// A string value as stored: the escapes \s, \n, \t, \r and \\ turned back into their characters.
std::string unescapedValue(std::string_view value);
// A string value ready to store: backslashes, line breaks, tabs and carriage returns escaped.
std::string escapedValue(std::string_view text);

// One argument of an Exec line, before the line is stored as a value: quoted when it holds a
// character that would split or expand it, with '"', '`', '$' and '\' escaped inside the quotes;
// '%' doubled so it is no field code. Pass the whole line through `escapedValue` afterwards.
std::string execArgument(std::string_view argument);

} // namespace vesperline::platform::DesktopEntry
