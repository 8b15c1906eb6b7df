#include "Rules/AppCatalog.h"

#include "Rules/IdentifierSet.h"

#include <algorithm>

namespace ostrel::AppCatalog {
namespace {

// The Chromium family on Linux: browsers whose page text reads poorly through accessibility. Their
// desktop-file ids, then the window-class names they report when started without a launcher, where no
// desktop-file id is known.
constexpr std::string_view chromiumFamilyOnLinux[] = {
    "google-chrome",
    "google-chrome-beta",
    "google-chrome-unstable",
    "microsoft-edge",
    "microsoft-edge-beta",
    "microsoft-edge-dev",
    "com.microsoft.Edge",
    "brave-browser",
    "opera",
    "com.opera.Opera",
    "vivaldi-stable",
    "chromium",
    "chromium-browser",
    "Google-chrome",
    "Google-chrome-beta",
    "Google-chrome-unstable",
    "Chromium",
    "Chromium-browser",
    "Microsoft-edge",
    "Brave-browser",
    "Vivaldi-stable",
};

IdentifierSet withChromiumFamily(std::initializer_list<std::string_view> identifiers) {
    IdentifierSet set(identifiers);
    set.insert(std::begin(chromiumFamilyOnLinux), std::end(chromiumFamilyOnLinux));
    return set;
}

// Function-local statics: built once on first use, thread-safe, never changed.

const IdentifierSet& browsers() {
    static const IdentifierSet set = withChromiumFamily({
        "com.apple.Safari",
        "com.apple.SafariTechnologyPreview",
        "com.google.Chrome",
        "com.google.Chrome.canary",
        "company.thebrowser.Browser",
        "org.mozilla.firefox",
        "org.mozilla.firefoxdeveloperedition",
        "com.microsoft.edgemac",
        "com.brave.Browser",
        "com.operasoftware.Opera",
        "com.vivaldi.Vivaldi",
        "com.kagi.kagimacOS",
        "app.zen-browser.zen",
        "com.openai.atlas",
        "ai.perplexity.comet",
        "com.sigmaos.sigmaos.macos",
        "org.chromium.Chromium",
        "ru.yandex.desktop.yandex-browser",
        // Linux desktop-file ids besides the Chromium family (distribution packages, then Flatpak ids).
        "firefox",
        "firefox-esr",
        "firefox-developer-edition",
        "zen",
        "app.zen_browser.zen",
        "yandex-browser",
        "yandex-browser-stable",
    });
    return set;
}

const IdentifierSet& mediaApps() {
    static const IdentifierSet set{
        "com.apple.TV",
        "com.apple.QuickTimePlayerX",
        "org.videolan.vlc",
        "com.colliderli.iina",
        "com.netflix.Netflix",
        "com.apple.Music",
        "com.spotify.client",
        "tv.plex.desktop",
        // Linux desktop-file ids.
        "vlc",
        "org.videolan.VLC",
        "spotify",
        "com.spotify.Client",
        "tv.plex.PlexDesktop",
        "plex-desktop",
    };
    return set;
}

const IdentifierSet& callApps() {
    static const IdentifierSet set{
        "us.zoom.xos",
        "com.microsoft.teams2",
        "com.microsoft.teams",
        "com.apple.FaceTime",
        "com.cisco.webexmeetingsapp",
        "com.google.meet",
        "com.hnc.Discord",
        // Linux desktop-file ids.
        "Zoom",
        "zoom",
        "us.zoom.Zoom",
        "teams",
        "webex",
        "discord",
        "com.discordapp.Discord",
    };
    return set;
}

const IdentifierSet& ocrPreferredApps() {
    static const IdentifierSet set = withChromiumFamily({
        "com.google.Chrome",
        "com.google.Chrome.canary",
        "company.thebrowser.Browser",
        "com.microsoft.edgemac",
        "com.brave.Browser",
        "com.operasoftware.Opera",
        "com.vivaldi.Vivaldi",
        "org.chromium.Chromium",
        "com.tinyspeck.slackmacgap",
        "com.microsoft.VSCode",
        "com.todesktop.230313mzl4w4u92",
        "com.figma.Desktop",
        "notion.id",
        "com.hnc.Discord",
        "net.whatsapp.WhatsApp",
        "com.linear",
        "com.spotify.client",
        "com.exafunction.windsurf",
        "md.obsidian",
        "com.anthropic.claudefordesktop",
        "com.openai.chat",
        "com.microsoft.teams2",
        "us.zoom.xos",
        "com.apple.Preview",
        "com.adobe.Photoshop",
        "com.adobe.illustrator",
        "com.parallels.desktop.console",
        "com.microsoft.rdc.macos",
        "com.utmapp.UTM",
        // Linux desktop-file ids.
        "slack",
        "com.slack.Slack",
        "code",
        "com.visualstudio.code",
        "cursor",
        "discord",
        "com.discordapp.Discord",
        "spotify",
        "com.spotify.Client",
        "windsurf",
        "obsidian",
        "md.obsidian.Obsidian",
        "teams",
        "Zoom",
        "zoom",
        "us.zoom.Zoom",
    });
    return set;
}

bool isSnapNameCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
}

// A snap's desktop-file id is "<snap name>_<application>" ("firefox_firefox", "chromium_chromium");
// the application part is the id the distribution's own package uses. Snap names are lower-case
// letters, digits and hyphens, so ids like "sublime_text" or "app.zen_browser.zen" are no snap ids.
std::optional<std::string_view> snapApplication(std::string_view id) {
    const std::size_t underscore = id.find('_');
    if (underscore == std::string_view::npos || underscore == 0 || underscore + 1 == id.size()) {
        return std::nullopt;
    }
    const std::string_view snapName = id.substr(0, underscore);
    if (!std::all_of(snapName.begin(), snapName.end(), isSnapNameCharacter)) {
        return std::nullopt;
    }
    return id.substr(underscore + 1);
}

// Whether the list holds the application, also when it was installed as a snap.
bool lists(const IdentifierSet& set, std::string_view id) {
    if (containsIdentifier(set, id)) {
        return true;
    }
    const std::optional<std::string_view> application = snapApplication(id);
    return application && containsIdentifier(set, *application);
}

} // namespace

AppCategory category(std::optional<std::string_view> bundleID) {
    if (!bundleID) {
        return AppCategory::normal;
    }
    if (lists(mediaApps(), *bundleID)) {
        return AppCategory::media;
    }
    if (lists(callApps(), *bundleID)) {
        return AppCategory::call;
    }
    if (lists(ocrPreferredApps(), *bundleID)) {
        return AppCategory::ocrPreferred;
    }
    return AppCategory::normal;
}

bool isBrowser(std::optional<std::string_view> bundleID) {
    return bundleID && lists(browsers(), *bundleID);
}

const std::vector<std::string>& messagingApps() {
    static const std::vector<std::string> list{
        "net.whatsapp.WhatsApp",
        "com.apple.MobileSMS",
        "ru.keepcoder.Telegram",
        "com.tinyspeck.slackmacgap",
        "com.hnc.Discord",
        "org.whispersystems.signal-desktop",
        // Linux desktop-file ids.
        "org.telegram.desktop",
        "telegramdesktop",
        "telegram-desktop_telegram-desktop",
        "slack",
        "com.slack.Slack",
        "slack_slack",
        "discord",
        "com.discordapp.Discord",
        "discord_discord",
        "signal-desktop",
        "org.signal.Signal",
        "signal-desktop_signal-desktop",
    };
    return list;
}

} // namespace ostrel::AppCatalog
