#include "Rules/AppCatalog.h"

#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

namespace ostrel {
namespace {

TEST(AppCatalog, CategoriesFollowListPrecedence) {
    const struct {
        std::optional<std::string> bundleID;
        AppCategory expected;
    } cases[] = {
        {std::nullopt, AppCategory::normal},
        {"com.apple.Safari", AppCategory::normal}, // browser, but not OCR-preferred
        {"com.google.Chrome", AppCategory::ocrPreferred},
        {"com.spotify.client", AppCategory::media}, // also OCR-preferred: media wins
        {"com.hnc.Discord", AppCategory::call},     // also OCR-preferred: call wins
        {"us.zoom.xos", AppCategory::call},
        {"com.microsoft.teams2", AppCategory::call},
        {"org.videolan.vlc", AppCategory::media},
        {"com.utmapp.UTM", AppCategory::ocrPreferred},
        {"com.google.chrome", AppCategory::normal}, // letter case differs
        {"", AppCategory::normal},
        // Linux desktop-file ids of the same applications.
        {"vlc", AppCategory::media},
        {"spotify", AppCategory::media},
        {"discord", AppCategory::call},
        {"google-chrome", AppCategory::ocrPreferred},
        {"Google-chrome", AppCategory::ocrPreferred},
        {"code", AppCategory::ocrPreferred},
        {"firefox", AppCategory::normal},
        // Snaps: "<snap>_<application>".
        {"chromium_chromium", AppCategory::ocrPreferred},
        {"spotify_spotify", AppCategory::media},
        {"discord_discord", AppCategory::call},
        {"firefox_firefox", AppCategory::normal},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AppCatalog::category(c.bundleID), c.expected) << c.bundleID.value_or("<none>");
    }
}

TEST(AppCatalog, RecognisesBrowsersExactly) {
    for (const char* id : {"com.apple.Safari", "org.mozilla.firefox", "ru.yandex.desktop.yandex-browser",
                           "firefox", "firefox-esr", "chromium", "google-chrome", "brave-browser",
                           "microsoft-edge", "vivaldi-stable", "Google-chrome", "Chromium", "firefox_firefox",
                           "chromium_chromium", "opera_opera", "my-firefox_firefox"}) {
        EXPECT_TRUE(AppCatalog::isBrowser(std::string(id))) << id;
    }
    // Not snap ids: a snap name is lower case, and the part after the underscore must be listed.
    for (const char* id : {"com.apple.safari", "Firefox", "com.tinyspeck.slackmacgap", "", "code", "firefox_",
                           "_firefox", "Firefox_firefox", "org.example_firefox", "firefox_editor"}) {
        EXPECT_FALSE(AppCatalog::isBrowser(std::string(id))) << id;
    }
    EXPECT_FALSE(AppCatalog::isBrowser(std::nullopt));
}

TEST(AppCatalog, OffersTheMessagingAppsOnceEachBundleIdentifiersFirst) {
    const std::vector<std::string>& apps = AppCatalog::messagingApps();
    const std::vector<std::string> bundleIDs{"net.whatsapp.WhatsApp", "com.apple.MobileSMS",
                                             "ru.keepcoder.Telegram", "com.tinyspeck.slackmacgap",
                                             "com.hnc.Discord",       "org.whispersystems.signal-desktop"};
    ASSERT_GT(apps.size(), bundleIDs.size());
    EXPECT_EQ(std::vector<std::string>(apps.begin(), apps.begin() + 6), bundleIDs);
    EXPECT_EQ(std::set<std::string>(apps.begin(), apps.end()).size(), apps.size()) << "an id is listed twice";
}

} // namespace
} // namespace ostrel
