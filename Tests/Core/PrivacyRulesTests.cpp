#include "Rules/PrivacyRules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace ostrel {
namespace {

TEST(PrivacyRules, PasswordManagersKeepOrderAndNames) {
    const auto& managers = PrivacyRules::passwordManagers();
    ASSERT_GE(managers.size(), 11u);
    EXPECT_EQ(managers[0], "com.1password.1password");
    EXPECT_EQ(managers[4], "com.apple.keychainaccess");
    EXPECT_EQ(managers[10], "in.sinew.Enpass-Desktop");
    // Desktop-file ids, snap ids, and the window classes of managers started without a launcher.
    for (const char* linuxID : {"org.keepassxc.KeePassXC", "bitwarden", "1password", "bitwarden_bitwarden",
                                "keepassxc_keepassxc", "1Password", "Bitwarden", "KeePassXC"}) {
        EXPECT_NE(std::find(managers.begin(), managers.end(), linuxID), managers.end()) << linuxID;
    }

    const auto& names = PrivacyRules::passwordManagerNames();
    EXPECT_EQ(names.at("com.agilebits.onepassword-osx"), "1Password 6");
    EXPECT_EQ(names.at("org.keepassxc.keepassxc"), "KeePassXC");
    EXPECT_EQ(names.at("org.keepassxc.KeePassXC"), "KeePassXC");
    EXPECT_FALSE(names.contains("com.apple.keychainaccess"));
    EXPECT_FALSE(names.contains("com.apple.Passwords"));
    for (const std::string& id : managers) {
        if (id != "com.apple.keychainaccess" && id != "com.apple.Passwords") {
            EXPECT_TRUE(names.contains(id)) << id;
        }
    }
}

TEST(PrivacyRules, RecognisesPrivateWindowTitles) {
    const struct {
        std::optional<std::string> title;
        bool expected;
    } cases[] = {
        {"New Tab - Google Chrome (Incognito)", true},
        {"Start Page (INCOGNITO)", true},
        {"Yeni sekme (Gizli)", true},
        {"Mozilla Firefox (Private)", true},
        {"Gizli Pencere - Yandex", true},
        {"Özel Dolaşım — Safari", true},
        {"ÖZEL DOLAŞMA", true},
        {"New InPrivate tab - Microsoft Edge", true},
        {"Mozilla Firefox Private Browsing", true},
        {"Navigation privée - Firefox", true},
        {"Navegación privada", true},
        {"Privates Fenster", true},
        {"Private (Incognito) notes", true}, // marker anywhere, not only as a suffix
        {"My private notes - Google Docs", false},
        {"(Private) tab", false},
        {"", false},
        {std::nullopt, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PrivacyRules::isPrivateWindowTitle(c.title), c.expected) << c.title.value_or("<none>");
    }
}

TEST(PrivacyRules, MatchesExcludedSitesByHostAndAddress) {
    const struct {
        const char* name;
        std::optional<std::string> url;
        std::vector<std::string> sites;
        bool expected;
    } cases[] = {
        {"upper case entry with spaces, www host",
         "https://www.example.com/page",
         {"  EXAMPLE.com \n"},
         true},
        {"subdomain", "https://mail.example.com/inbox", {"example.com"}, true},
        {"host merely containing the entry", "https://notexample.com/", {"example.com"}, true},
        {"other site", "https://example.org/", {"example.com"}, false},
        {"no scheme: no host, address text matches", "example.com/path", {"example.com"}, true},
        {"no address", std::nullopt, {"example.com"}, false},
        {"empty list", "https://example.com/", {}, false},
        {"blank entries are skipped", "https://example.com/", {"   ", "\t"}, false},
        {"later entry matches", "https://bank.example/", {"", "other.site", "bank.example"}, true},
        {"entry found in the path", "https://host.test/reddit.com/r", {"reddit.com"}, true},
        {"folded address", "https://ÖRNEK.com.tr/", {"ornek.com.tr"}, true},
        {"folded entry", "https://istanbul.gov.tr/", {"İSTANBUL"}, true},
        // Entries pasted from an address bar name the site, whatever its scheme or final slash.
        {"entry with scheme, port and path",
         "http://localhost:8766/excl/page.html",
         {"http://localhost:8766/excl/"},
         true},
        {"path without its final slash", "http://localhost:8766/excl", {"http://localhost:8766/excl/"}, true},
        {"other scheme than the entry's", "https://example.com/a", {"http://www.example.com/"}, true},
        {"www entry, page without www", "https://example.com/", {"www.example.com"}, true},
        {"upper-case scheme", "https://bank.example/x", {"HTTPS://Bank.Example/"}, true},
        {"the path still counts",
         "http://localhost:8766/allowed/page.html",
         {"http://localhost:8766/excl/"},
         false},
        {"another port", "http://localhost:9000/excl/", {"http://localhost:8766/excl/"}, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PrivacyRules::matchesExcludedSite(c.url, std::nullopt, c.sites), c.expected) << c.name;
        // The title never changes the outcome.
        EXPECT_EQ(PrivacyRules::matchesExcludedSite(c.url, "example.com (Incognito)", c.sites), c.expected)
            << c.name;
    }
}

} // namespace
} // namespace ostrel
