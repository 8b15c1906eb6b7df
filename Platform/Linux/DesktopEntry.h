#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vesperline::platform::DesktopEntry {

// The keys of a desktop file's [Desktop Entry] group that the application reads; of the localised
// keys only Name's.
struct Entry {
    bool application = false; // Type=Application
    bool hidden = false;      // Hidden=true: the entry counts as deleted
    bool noDisplay = false;   // NoDisplay=true: installed, but left out of menus
    // X-GNOME-Autostart-enabled=false: an autostart entry switched off without deleting it.
    bool autostartDisabled = false;
    // In the language asked for when the file has it, else as written.
    std::optional<std::string> name;
    std::optional<std::string> icon;
    std::optional<std::string> windowClass;
};

// The user's language for messages as the environment names it (LC_ALL, else LC_MESSAGES, else
// LANG), such as "de_DE.UTF-8"; empty when none is set, or for "C" and "POSIX".
std::string messagesLocale();

// Reads the file; a missing or unreadable file reads as an empty entry (no application). The name is
// the one for `locale` (as `messagesLocale` gives it) by the desktop-entry rules: "Name[de_DE@euro]",
// "Name[de_DE]", "Name[de@euro]", "Name[de]", then "Name".
Entry read(const std::filesystem::path& file, std::string_view locale = {});

// A string value as stored: the escapes \s, \n, \t, \r and \\ turned back into their characters.
std::string unescapedValue(std::string_view value);
// A string value ready to store: backslashes, line breaks, tabs and carriage returns escaped.
std::string escapedValue(std::string_view text);

// One argument of an Exec line, before the line is stored as a value: quoted when it holds a
// character that would split or expand it, with '"', '`', '$' and '\' escaped inside the quotes;
// '%' doubled so it is no field code. Pass the whole line through `escapedValue` afterwards.
std::string execArgument(std::string_view argument);

} // namespace vesperline::platform::DesktopEntry
