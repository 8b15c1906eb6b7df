#include "Rules/PrivacyRules.h"

#include "Rules/ProjectInference.h"
#include "Search/AddressPrefixes.h"
#include "Search/TextNormalizer.h"
#include "Support/Whitespace.h"

#include <string_view>

namespace ostrel::PrivacyRules {
namespace {

struct PasswordManager {
    const char* bundleID;
    const char* name; // nullptr: shown by other means
};

// Reverse-DNS identifiers first, then the Linux ids of the same applications: desktop-file ids
// (distribution packages, Flatpak, snaps), then the window classes of those started without a
// launcher.
constexpr PasswordManager passwordManagerTable[] = {
    {"com.1password.1password", "1Password"},
    {"com.agilebits.onepassword7", "1Password 7"},
    {"com.agilebits.onepassword-osx", "1Password 6"},
    {"com.bitwarden.desktop", "Bitwarden"},
    {"com.apple.keychainaccess", nullptr},
    {"com.apple.Passwords", nullptr},
    {"com.lastpass.LastPass", "LastPass"},
    {"org.keepassxc.keepassxc", "KeePassXC"},
    {"me.proton.pass.electron", "Proton Pass"},
    {"com.dashlane.dashlanephonefinal", "Dashlane"},
    {"in.sinew.Enpass-Desktop", "Enpass"},
    {"1password", "1Password"},
    {"bitwarden", "Bitwarden"},
    {"org.keepassxc.KeePassXC", "KeePassXC"},
    {"proton-pass", "Proton Pass"},
    {"enpass", "Enpass"},
    {"bitwarden_bitwarden", "Bitwarden"},
    {"keepassxc_keepassxc", "KeePassXC"},
    {"1Password", "1Password"},
    {"Bitwarden", "Bitwarden"},
    {"KeePassXC", "KeePassXC"},
};

// Written folded (lower case, no diacritics, every i plain) so that they match folded titles.
constexpr std::string_view privateTitleSuffixes[] = {"(incognito)", "(gizli)", "(private)"};
constexpr std::string_view privateTitleMarkers[] = {
    "private browsing", "incognito",         "inprivate",          "private window",
    "gizli pencere",    "gizli sekme",       "ozel tarama",        "ozel pencere",
    "privates fenster", "navigation privee", "navegacion privada", "navigazione in incognito",
    "gizli gezinti",    "ozel dolasma",      "ozel dolasim",
};

} // namespace

const std::vector<std::string>& passwordManagers() {
    static const std::vector<std::string> list = [] {
        std::vector<std::string> ids;
        for (const PasswordManager& manager : passwordManagerTable) {
            ids.emplace_back(manager.bundleID);
        }
        return ids;
    }();
    return list;
}

const std::unordered_map<std::string, std::string>& passwordManagerNames() {
    static const std::unordered_map<std::string, std::string> names = [] {
        std::unordered_map<std::string, std::string> map;
        for (const PasswordManager& manager : passwordManagerTable) {
            if (manager.name) {
                map.emplace(manager.bundleID, manager.name);
            }
        }
        return map;
    }();
    return names;
}

bool isPrivateWindowTitle(const std::optional<std::string>& title) {
    if (!title || title->empty()) {
        return false;
    }
    const std::string folded = TextNormalizer::fold(*title);
    for (std::string_view suffix : privateTitleSuffixes) {
        if (folded.ends_with(suffix)) {
            return true;
        }
    }
    for (std::string_view marker : privateTitleMarkers) {
        if (folded.find(marker) != std::string::npos) {
            return true;
        }
    }
    return false;
}

namespace {

bool entryMatches(std::string_view entry, std::string_view host, std::string_view address) {
    // Containment covers an equal host and every subdomain ("news.example.com" for "example.com").
    return (!host.empty() && host.find(entry) != std::string_view::npos) ||
           (!address.empty() && address.find(entry) != std::string_view::npos);
}

// An entry as a site: users paste addresses from the address bar, so the scheme, a leading "www." and
// trailing slashes say nothing about which site is meant. What is left of a path still counts.
std::string_view asSite(std::string_view entry) {
    std::string_view site = withoutAddressPrefixes(entry);
    while (site.ends_with('/')) {
        site.remove_suffix(1);
    }
    return site;
}

} // namespace

bool matchesExcludedSite(const std::optional<std::string>& url, const std::optional<std::string>& /*title*/,
                         const std::vector<std::string>& sites) {
    if (sites.empty()) {
        return false;
    }
    const auto host = ProjectInference::host(url);
    const std::string foldedHost = host ? TextNormalizer::fold(*host) : std::string();
    const std::string foldedAddress = url ? TextNormalizer::fold(*url) : std::string();
    // The address cut the way the search index keeps it, to meet entries cut the same way.
    const std::string_view siteAddress = withoutAddressPrefixes(foldedAddress);
    for (const std::string& site : sites) {
        const std::string entry = TextNormalizer::fold(Whitespace::trimmed(site));
        if (entry.empty()) {
            continue;
        }
        if (entryMatches(entry, foldedHost, foldedAddress)) {
            return true;
        }
        const std::string_view cut = asSite(entry);
        if (!cut.empty() && cut != entry && entryMatches(cut, foldedHost, siteAddress)) {
            return true;
        }
    }
    return false;
}

} // namespace ostrel::PrivacyRules
