#include "Rules/ProjectInference.h"

#include "Rules/AppCatalog.h"
#include "Rules/IdentifierSet.h"
#include "Search/TextNormalizer.h"
#include "Support/Graphemes.h"
#include "Support/Whitespace.h"

#include <pwd.h>
#include <unicode/locid.h>
#include <unicode/regex.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>
#include <unistd.h>
#include <uriparser/Uri.h>

#include <algorithm>
#include <memory>
#include <string_view>

namespace ostrel::ProjectInference {

namespace {

// Function-local statics: built once on first use, thread-safe, never changed.

const IdentifierSet& codeEditors() {
    static const IdentifierSet set{
        "com.microsoft.VSCode",
        "com.microsoft.VSCodeInsiders",
        "com.todesktop.230313mzl4w4u92",
        "com.exafunction.windsurf",
        "dev.zed.Zed",
        "dev.zed.Zed-Preview",
        "com.sublimetext.4",
        "com.jetbrains.intellij",
        "com.jetbrains.pycharm",
        "com.jetbrains.WebStorm",
        "com.google.android.studio",
        "com.panic.Nova",
        "com.barebones.bbedit",
        // Linux desktop-file ids of the same editors.
        "code",
        "code-oss",
        "code-insiders",
        "com.visualstudio.code",
        "cursor",
        "windsurf",
        "zed",
        "sublime_text",
        "com.sublimetext.three",
        "jetbrains-idea",
        "jetbrains-idea-ce",
        "jetbrains-pycharm",
        "jetbrains-pycharm-ce",
        "jetbrains-webstorm",
        "jetbrains-studio",
        "android-studio",
    };
    return set;
}

const IdentifierSet& terminals() {
    static const IdentifierSet set{
        "com.apple.Terminal",
        "com.googlecode.iterm2",
        "dev.warp.Warp-Stable",
        "com.mitchellh.ghostty",
        "net.kovidgoyal.kitty",
        "org.alacritty",
        "co.zeit.hyper",
        // Linux desktop-file ids of terminals.
        "org.gnome.Terminal",
        "org.gnome.Console",
        "org.gnome.Ptyxis",
        "org.kde.konsole",
        "xfce4-terminal",
        "xterm",
        "kitty",
        "Alacritty",
        "ghostty",
        "dev.warp.Warp",
        "hyper",
        "org.wezfurlong.wezterm",
        "com.gexperts.Tilix",
        "terminator",
    };
    return set;
}

const IdentifierSet& shellNames() {
    static const IdentifierSet set{"zsh",  "bash",   "fish",    "sh",  "login", "claude", "codex",
                                   "node", "python", "python3", "ssh", "-zsh",  "-bash"};
    return set;
}

const IdentifierSet& documentApps() {
    static const IdentifierSet set{
        "com.figma.Desktop",
        "com.apple.iWork.Keynote",
        "com.apple.iWork.Pages",
        "com.apple.iWork.Numbers",
        "com.microsoft.Word",
        "com.microsoft.Excel",
        "com.microsoft.Powerpoint",
        "com.apple.Preview",
        // Linux desktop-file ids of office suites and document viewers.
        "libreoffice-writer",
        "libreoffice-calc",
        "libreoffice-impress",
        "org.libreoffice.LibreOffice",
        "org.gnome.Evince",
        "org.gnome.Papers",
        "org.kde.okular",
        "figma-linux",
    };
    return set;
}

const IdentifierSet& fileManagers() {
    static const IdentifierSet set{
        "com.apple.finder", "org.gnome.Nautilus", "org.kde.dolphin", "thunar", "Thunar", "nemo", "pcmanfm",
    };
    return set;
}

constexpr std::string_view xcode = "com.apple.dt.Xcode";

// In the order they are applied.
constexpr std::string_view titleSeparators[] = {" \u2014 ", " \u2013 ", " - ", " | ", " \u00B7 "};

bool isStatusGlyph(UChar32 c) {
    switch (c) {
    case 0x25CF: // black circle
    case 0x2022: // bullet
    case 0x002A: // asterisk
    case 0x2733: // eight-spoked asterisk
    case 0x2802: // braille dots-2
    case 0x2810: // braille dots-5
    case 0x273B: // teardrop-spoked asterisk
    case 0x0020:
        return true;
    default:
        return false;
    }
}

bool isBracket(UChar32 c) {
    return c == '[' || c == ']' || c == '(' || c == ')';
}

bool isLineBreak(UChar32 c) {
    return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

// White space without line breaks.
bool isBlank(UChar32 c) {
    return u_isUWhiteSpace(c) && !isLineBreak(c);
}

std::vector<std::string> split(const std::string& text, std::string_view separator) {
    std::vector<std::string> pieces;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find(separator, from)) != std::string::npos;
         from = at + separator.size()) {
        pieces.push_back(text.substr(from, at - from));
    }
    pieces.push_back(text.substr(from));
    return pieces;
}

std::string lowercased(std::string_view text) {
    std::string result;
    icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())))
        .toLower(icu::Locale::getRoot())
        .toUTF8String(result);
    return result;
}

// A terminal title part like "80x24" or "120 × 40".
bool isTerminalSize(const std::string& lowercasedPart) {
    static const std::unique_ptr<icu::RegexPattern> pattern = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::RegexPattern> compiled(icu::RegexPattern::compile(
            icu::UnicodeString::fromUTF8("^\\d+\\s*[\u00D7x]\\s*\\d+$"), 0, status));
        return U_SUCCESS(status) ? std::move(compiled) : nullptr;
    }();
    if (!pattern) {
        return false;
    }
    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeString input = icu::UnicodeString::fromUTF8(lowercasedPart);
    std::unique_ptr<icu::RegexMatcher> matcher(pattern->matcher(input, status));
    return U_SUCCESS(status) && matcher->matches(status) && U_SUCCESS(status);
}

// The lower-cased login name of the user running the process; empty when the system names none.
std::string lowercasedLoginName() {
    struct passwd entry {};
    struct passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found ||
        !found->pw_name) {
        return {};
    }
    return lowercased(found->pw_name);
}

// The cleaning rule of a chosen title part: without "Edited", trimmed of white space and brackets,
// and between 2 and 80 characters long.
std::optional<std::string> cleaned(std::string candidate) {
    constexpr std::string_view edited = "Edited";
    for (std::size_t at; (at = candidate.find(edited)) != std::string::npos;) {
        candidate.erase(at, edited.size());
    }
    const auto text = Whitespace::trimmed(Whitespace::trimmed(candidate), isBracket);
    const auto length = Graphemes::count(text);
    if (length < 2 || length > 80) {
        return std::nullopt;
    }
    return std::string(text);
}

// The last path component of a path: "tracker" for "~/src/tracker/", "/" for "/".
std::string lastPathComponent(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') {
        path.remove_suffix(1);
    }
    if (path == "/") {
        return "/";
    }
    const auto slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

// Whether the text after a document name's last full stop is a file extension ("pages", "docx",
// "mp3"), and not the rest of a sentence ("Letter to Mr. Smith") or of a number ("Budget 2.5").
bool isFileExtension(std::string_view extension) {
    bool hasLetter = false;
    const auto* bytes = reinterpret_cast<const uint8_t*>(extension.data());
    const auto length = static_cast<int32_t>(extension.size());
    for (int32_t i = 0; i < length;) {
        UChar32 c = 0;
        U8_NEXT(bytes, i, length, c);
        if (c < 0 || !u_isalnum(c)) {
            return false;
        }
        hasLetter = hasLetter || u_isalpha(c);
    }
    return hasLetter;
}

// The document name without its file extension, when it has one.
std::string withoutPathExtension(const std::string& name) {
    const auto componentStart = name.rfind('/') == std::string::npos ? 0 : name.rfind('/') + 1;
    const auto dot = name.rfind('.');
    // A leading full stop names a hidden file; it starts no extension.
    if (dot == std::string::npos || dot <= componentStart ||
        !isFileExtension(std::string_view(name).substr(dot + 1))) {
        return name;
    }
    return name.substr(0, dot);
}

std::optional<std::string> matchingRule(const std::string& title, const std::optional<std::string>& address,
                                        const std::vector<ProjectRule>& rules) {
    const std::string haystack = TextNormalizer::fold(title + " " + address.value_or(""));
    for (const auto& rule : rules) {
        for (const auto& keyword : rule.keywords) {
            const std::string needle = TextNormalizer::fold(Whitespace::trimmed(keyword, isBlank));
            if (!needle.empty() && haystack.find(needle) != std::string::npos) {
                return rule.name;
            }
        }
    }
    return std::nullopt;
}

std::optional<std::string> editorProject(std::vector<std::string> parts,
                                         const std::optional<std::string>& appName) {
    if (appName && !parts.empty() && TextNormalizer::fold(parts.back()) == TextNormalizer::fold(*appName)) {
        parts.pop_back();
    }
    if (parts.empty()) {
        return std::nullopt;
    }
    return cleaned(parts.size() == 1 ? parts[0] : parts[1]);
}

// Shells title terminals "user@host: path"; the user and host name no project, and must not become
// one (they would reach the journal and assistants), so only the path is looked at.
std::string withoutUserAndHost(const std::string& part) {
    const auto isNamePart = [](std::string_view name) {
        return !name.empty() && std::none_of(name.begin(), name.end(), [](char c) {
            return c == '@' || c == ':' || c == '/' || static_cast<unsigned char>(c) <= 0x20;
        });
    };
    const std::size_t at = part.find('@');
    const std::size_t colon = part.find(':');
    if (at == std::string::npos || colon == std::string::npos || colon < at ||
        !isNamePart(std::string_view(part).substr(0, at)) ||
        !isNamePart(std::string_view(part).substr(at + 1, colon - at - 1))) {
        return part;
    }
    return std::string(Whitespace::trimmed(std::string_view(part).substr(colon + 1)));
}

std::optional<std::string> terminalProject(const std::vector<std::string>& titleParts) {
    for (const auto& titlePart : titleParts) {
        const std::string part = withoutUserAndHost(titlePart);
        if (part.empty()) {
            continue;
        }
        const std::string lower = lowercased(part);
        if (containsIdentifier(shellNames(), lower) || isTerminalSize(lower) ||
            lower == lowercasedLoginName()) {
            continue;
        }
        // The first candidate decides.
        if (part.rfind("~/", 0) == 0 || part.rfind('/', 0) == 0) {
            return lastPathComponent(part);
        }
        return cleaned(part);
    }
    return std::nullopt;
}

// Browsers show addresses with raw letters and spaces ("https://de.wikipedia.org/wiki/Köln"), which
// the URI grammar does not allow: such bytes are percent-encoded, as a browser does before it sends
// the address, so that the address parses. Percent signs already there stay as they are.
std::string escapedForParsing(const std::string& address) {
    static constexpr char hexDigits[] = "0123456789ABCDEF";
    static constexpr std::string_view notAllowed = "\"<>\\^`{|}";
    std::string escaped;
    escaped.reserve(address.size());
    for (const char c : address) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7F || notAllowed.find(c) != std::string_view::npos) {
            escaped += '%';
            escaped += hexDigits[byte >> 4];
            escaped += hexDigits[byte & 0xF];
        } else {
            escaped += c;
        }
    }
    return escaped;
}

bool hasWhiteSpaceOrControl(const std::string& text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) <= 0x20; });
}

// Owns a parsed URI so every return path frees it.
class ParsedURI {
  public:
    explicit ParsedURI(const std::string& text) {
        UriParserStateA state{};
        state.uri = &uri_;
        valid_ = uriParseUriA(&state, text.c_str()) == URI_SUCCESS;
    }
    ~ParsedURI() { uriFreeUriMembersA(&uri_); }
    ParsedURI(const ParsedURI&) = delete;
    ParsedURI& operator=(const ParsedURI&) = delete;

    // The authority's host (user information and port excluded), percent-decoded; absent without one.
    std::optional<std::string> host() const {
        if (!valid_ || uri_.hostText.first == nullptr) {
            return std::nullopt;
        }
        std::string text(uri_.hostText.first, uri_.hostText.afterLast);
        if (text.empty()) {
            return text;
        }
        const char* end = uriUnescapeInPlaceExA(text.data(), URI_FALSE, URI_BR_DONT_TOUCH);
        text.resize(static_cast<std::size_t>(end - text.data()));
        return text;
    }

    // The scheme as written; absent without one.
    std::optional<std::string> scheme() const {
        if (!valid_ || uri_.scheme.first == nullptr) {
            return std::nullopt;
        }
        return std::string(uri_.scheme.first, uri_.scheme.afterLast);
    }

  private:
    UriUriA uri_{};
    bool valid_ = false;
};

} // namespace

std::vector<std::string> cleanTitle(const std::string& title) {
    std::vector<std::string> pieces{title};
    for (const auto separator : titleSeparators) {
        std::vector<std::string> next;
        for (const auto& piece : pieces) {
            for (auto& cut : split(piece, separator)) {
                next.push_back(std::move(cut));
            }
        }
        pieces = std::move(next);
    }
    std::vector<std::string> parts;
    for (const auto& piece : pieces) {
        const auto part = Whitespace::trimmed(Whitespace::trimmed(piece), isStatusGlyph);
        if (!part.empty()) {
            parts.emplace_back(part);
        }
    }
    return parts;
}

std::optional<std::string> infer(const std::optional<std::string>& bundleID,
                                 const std::optional<std::string>& appName,
                                 const std::optional<std::string>& windowTitle,
                                 const std::optional<std::string>& address,
                                 const std::vector<ProjectRule>& rules) {
    const std::string title(Whitespace::trimmed(windowTitle.value_or("")));
    if (!rules.empty()) {
        if (auto name = matchingRule(title, address, rules)) {
            return name;
        }
    }
    if (!bundleID) {
        return std::nullopt;
    }
    const std::string_view app = *bundleID;
    if (AppCatalog::isBrowser(app)) {
        return host(address);
    }
    if (containsIdentifier(fileManagers(), app)) {
        return title.empty() ? std::nullopt : std::optional(title);
    }
    const auto parts = cleanTitle(title);
    if (app == xcode) {
        return parts.empty() ? std::nullopt : cleaned(parts[0]);
    }
    if (containsIdentifier(codeEditors(), app)) {
        return editorProject(parts, appName);
    }
    if (containsIdentifier(terminals(), app)) {
        return terminalProject(parts);
    }
    if (containsIdentifier(documentApps(), app)) {
        return parts.empty() ? std::nullopt : cleaned(withoutPathExtension(parts[0]));
    }
    return std::nullopt;
}

std::optional<std::string> scheme(const std::optional<std::string>& address) {
    // The parser stops at a NUL, which would silently cut the address; such text is no URL.
    if (!address || address->find('\0') != std::string::npos) {
        return std::nullopt;
    }
    auto result = ParsedURI(escapedForParsing(*address)).scheme();
    if (result) {
        // Schemes are ASCII letters, digits and "+-.".
        std::transform(result->begin(), result->end(), result->begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    }
    return result;
}

std::optional<std::string> host(const std::optional<std::string>& address) {
    if (!address) {
        return std::nullopt;
    }
    // The parser stops at a NUL, which would silently cut the address; such text is no URL.
    if (address->find('\0') != std::string::npos) {
        return std::nullopt;
    }
    auto result = ParsedURI(escapedForParsing(*address)).host();
    // A host with a space ("https://exa mple.com/") names no site.
    if (!result || result->empty() || hasWhiteSpaceOrControl(*result)) {
        return std::nullopt;
    }
    // Percent-decoding may have produced non-ASCII letters, so lower-case with Unicode rules.
    std::string lowered;
    icu::UnicodeString::fromUTF8(*result).toLower(icu::Locale::getRoot()).toUTF8String(lowered);
    *result = std::move(lowered);
    if (result->rfind("www.", 0) == 0) {
        result->erase(0, 4);
    }
    return result;
}

} // namespace ostrel::ProjectInference
