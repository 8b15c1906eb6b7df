#include "Platform/Linux/DesktopEntry.h"

#include "Support/Whitespace.h"

#include <fstream>

namespace vesperline::platform::DesktopEntry {

namespace {

std::optional<std::string> nonEmpty(std::string text) {
    return text.empty() ? std::nullopt : std::optional(std::move(text));
}

// Characters that make an Exec argument need quotes.
constexpr std::string_view reserved = " \t\n\"'\\><~|&;$*?#()`";

} // namespace

Entry read(const std::filesystem::path& file) {
    Entry entry;
    std::ifstream stream(file);
    bool inMainGroup = false;
    for (std::string line; std::getline(stream, line);) {
        const std::string_view text = ostrel::Whitespace::trimmed(line);
        if (text.empty() || text.front() == '#') {
            continue;
        }
        if (text.front() == '[') {
            if (inMainGroup) {
                break;
            }
            inMainGroup = text == "[Desktop Entry]";
            continue;
        }
        const std::size_t equals = text.find('=');
        if (!inMainGroup || equals == std::string_view::npos) {
            continue;
        }
        const std::string_view key = ostrel::Whitespace::trimmed(text.substr(0, equals));
        std::string value = unescapedValue(ostrel::Whitespace::trimmed(text.substr(equals + 1)));
        if (key == "Type") {
            entry.application = value == "Application";
        } else if (key == "Hidden") {
            entry.hidden = value == "true";
        } else if (key == "NoDisplay") {
            entry.noDisplay = value == "true";
        } else if (key == "X-GNOME-Autostart-enabled") {
            entry.autostartDisabled = value == "false";
        } else if (key == "Name") {
            entry.name = nonEmpty(std::move(value));
        } else if (key == "Icon") {
            entry.icon = nonEmpty(std::move(value));
        } else if (key == "StartupWMClass") {
            entry.windowClass = nonEmpty(std::move(value));
        }
    }
    return entry;
}

std::string unescapedValue(std::string_view value) {
    std::string result;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            result += value[i];
            continue;
        }
        switch (value[++i]) {
        case 's':
            result += ' ';
            break;
        case 'n':
            result += '\n';
            break;
        case 't':
            result += '\t';
            break;
        case 'r':
            result += '\r';
            break;
        default:
            result += value[i];
            break;
        }
    }
    return result;
}

std::string escapedValue(std::string_view text) {
    std::string result;
    for (const char c : text) {
        switch (c) {
        case '\\':
            result += "\\\\";
            break;
        case '\n':
            result += "\\n";
            break;
        case '\t':
            result += "\\t";
            break;
        case '\r':
            result += "\\r";
            break;
        default:
            result += c;
            break;
        }
    }
    return result;
}

std::string execArgument(std::string_view argument) {
    const bool quoted = argument.empty() || argument.find_first_of(reserved) != std::string_view::npos;
    std::string result = quoted ? "\"" : "";
    for (const char c : argument) {
        if (quoted && (c == '"' || c == '`' || c == '$' || c == '\\')) {
            result += '\\';
        }
        result += c;
        if (c == '%') {
            result += '%';
        }
    }
    if (quoted) {
        result += '"';
    }
    return result;
}

} // namespace vesperline::platform::DesktopEntry
