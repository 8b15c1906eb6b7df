#include "SharedKit/AppInfo.h"
#include "SharedKit/UpdaterController.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace vesperline {
namespace {

TEST(AppInfoTest, VersionTrimsAndFallsBackPerPart) {
    struct Case {
        std::string shortVersion, build, expected;
    };
    for (const Case& c : std::vector<Case>{{" 2.3 \n", "41", "2.3 (41)"},
                                           {"", "41", "1.0 (41)"},
                                           {"\t", " ", "1.0 (1)"},
                                           {"0.1.0", "", "0.1.0 (1)"}}) {
        const BuildInfo info{.shortVersion = c.shortVersion, .build = c.build};
        EXPECT_EQ(AppInfo::version(info), QString::fromStdString(c.expected))
            << c.shortVersion << "|" << c.build;
    }
}

TEST(AppInfoTest, NameFallsBackFromDisplayNameToNameToProcessName) {
    EXPECT_EQ(AppInfo::name({.displayName = " Vesperline ", .name = "Other"}), "Vesperline");
    EXPECT_EQ(AppInfo::name({.displayName = "  ", .name = "Plain Name"}), "Plain Name");
    EXPECT_EQ(AppInfo::name({}), QString::fromLocal8Bit(program_invocation_short_name));
    EXPECT_FALSE(AppInfo::name({}).isEmpty());
}

TEST(AppInfoTest, WebsiteNeedsAValidWebAddress) {
    struct Case {
        std::string text;
        bool valid;
    };
    for (const Case& c : std::vector<Case>{{" https://vesperline.example/app ", true},
                                           {"http://vesperline.example", true},
                                           {"", false},
                                           {"   ", false},
                                           {"vesperline.example", false},
                                           {"https://vesper line.example", false},
                                           {"ftp://vesperline.example", false},
                                           {"https://", false}}) {
        const auto url = AppInfo::websiteURL({.websiteURL = c.text});
        EXPECT_EQ(url.has_value(), c.valid) << c.text;
    }
    EXPECT_EQ(AppInfo::websiteURL({.websiteURL = " https://vesperline.example/app "})->toString(),
              "https://vesperline.example/app");
}

TEST(AppInfoTest, BlankEntriesHaveNoValue) {
    const BuildInfo blank{.supportEmail = " \n ", .copyright = "\t"};
    EXPECT_FALSE(AppInfo::supportEmail(blank));
    EXPECT_FALSE(AppInfo::copyright(blank));
    EXPECT_FALSE(AppInfo::supportMailURL(blank));
    EXPECT_EQ(AppInfo::copyright({.copyright = " © 2025 Vesperline "}), "© 2025 Vesperline");
}

TEST(AppInfoTest, SupportMailSubjectIsPercentEncoded) {
    const BuildInfo info{.displayName = "Vesperline Pro",
                         .shortVersion = "2.3",
                         .build = "41",
                         .supportEmail = " help@vesperline.example "};
    const auto url = AppInfo::supportMailURL(info);
    ASSERT_TRUE(url);
    EXPECT_EQ(url->toString(QUrl::FullyEncoded),
              "mailto:help@vesperline.example?subject=Vesperline%20Pro%202.3%20(41)");

    // Query delimiters and "+" must not cut the subject short or turn into blanks.
    const BuildInfo delimiters{.displayName = "A&B=C+D/é",
                               .shortVersion = "1",
                               .build = "2",
                               .supportEmail = "help@vesperline.example"};
    EXPECT_EQ(AppInfo::supportMailURL(delimiters)->toString(QUrl::FullyEncoded),
              "mailto:help@vesperline.example?subject=A%26B%3DC%2BD%2F%C3%A9%201%20(2)");

    EXPECT_FALSE(AppInfo::supportMailURL({.supportEmail = "help@vesperline.example%zz"}));
}

TEST(AppInfoTest, LoginItemLaunchIsTheAutostartArgument) {
    EXPECT_TRUE(AppInfo::launchedAsLoginItem({"vesperline", "--login-item"}));
    EXPECT_TRUE(AppInfo::launchedAsLoginItem({"vesperline", "-platform", "xcb", "--login-item"}));
    EXPECT_FALSE(AppInfo::launchedAsLoginItem({"vesperline"}));
    EXPECT_FALSE(AppInfo::launchedAsLoginItem({"--login-item"}));
    EXPECT_FALSE(AppInfo::launchedAsLoginItem({"vesperline", "--login-item=1"}));
    EXPECT_FALSE(AppInfo::launchedAsLoginItem({}));
}

TEST(UpdaterControllerTest, NeedsBothFeedAndKey) {
    struct Case {
        std::string feed, key;
        bool configured;
    };
    for (const Case& c :
         std::vector<Case>{{"https://vesperline.example/appcast.xml", "", false},
                           {"https://vesperline.example/appcast.xml", "  \n", false},
                           {"", "c2lnbmluZyBrZXk=", false},
                           {"https://vesperline.example/appcast.xml", "c2lnbmluZyBrZXk=", true}}) {
        EXPECT_EQ(UpdaterController({.updateFeedURL = c.feed, .updatePublicKey = c.key}).isConfigured(),
                  c.configured)
            << c.feed << "|" << c.key;
    }
    // This build has no updater, so it offers none.
    EXPECT_FALSE(UpdaterController().isConfigured());
}

} // namespace
} // namespace vesperline
