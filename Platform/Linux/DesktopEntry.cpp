#include "Platform/Linux/DesktopEntry.h"

#include "Support/Whitespace.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <vector>

namespace vesperline::platform::DesktopEntry {

namespace {

std::optional<std::string> nonEmpty(std::string text) {
    return text.empty() ? std::nullopt : std::optional(std::move(text));
}

// Characters that make an Exec argument need quotes.
constexpr std::string_view reserved = " \t\n\"'\\><~|&;$*?#()`";

// The localised keys of Name that suit a locale "lang_COUNTRY.ENCODING@MODIFIER", best first; the
// encoding plays no part.
std::vector<std::string> localisedNameKeys(std::string_view locale) {
    std::string_view modifier;
    if (const std::size_t at = locale.find('@'); at != std::string_view::npos) {
        modifier = locale.substr(at);
        locale = locale.substr(0, at);
    }
    locale = locale.substr(0, locale.find('.'));
    const std::string_view language = locale.substr(0, locale.find('_'));
    if (language.empty()) {
        return {};
    }
    std::vector<std::string> keys;
    const auto add = [&](std::string_view base, std::string_view suffix) {
        const std::string key = "Name[" + std::string(base) + std::string(suffix) + "]";
        if (std::find(keys.begin(), keys.end(), key) == keys.end()) {
            keys.push_back(key);
        }
    };
    if (!modifier.empty()) {
        add(locale, modifier);
    }
    add(locale, "");
    if (!modifier.empty()) {
        add(language, modifier);
    }
    add(language, "");
    return keys;
}

} // namespace

std::string messagesLocale() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        if (const char* value = std::getenv(variable); value && *value) {
            const std::string_view locale(value);
            return locale == "C" || locale == "POSIX" ? std::string() : std::string(locale);
        }
    }
    return {};
}

Entry read(const std::filesystem::path& file, std::string_view locale) {
    Entry entry;
    const std::vector<std::string> localisedKeys = localisedNameKeys(locale);
    // The rank of the localised name kept so far; the plain one ranks below them all.
    std::size_t nameRank = localisedKeys.size() + 1;
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
        } else if (key == "Name" || key.starts_with("Name[")) {
            const auto localised = std::find(localisedKeys.begin(), localisedKeys.end(), key);
            if (key != "Name" && localised == localisedKeys.end()) {
                continue; // another language's
            }
            // The plain name ranks after every localised one.
            const std::size_t rank = static_cast<std::size_t>(localised - localisedKeys.begin());
            if (rank < nameRank && !value.empty()) {
                entry.name = std::move(value);
                nameRank = rank;
            }
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
