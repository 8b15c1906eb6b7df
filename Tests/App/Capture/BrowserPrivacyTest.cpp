#include "Capture/BrowserPrivacy.h"
#include "Platform/Fake/FakeAccessibility.h"
#include "Platform/Fake/FakeWindowServer.h"

#include <gtest/gtest.h>

namespace vesperline {
namespace {

using ostrel::Rect;
using ostrel::ScreenWindow;
using ostrel::WindowPrivacy::Verdict;
using platform::AccessibleElement;
using platform::AccessibleRole;
using platform::FakeAccessibleNode;

constexpr std::int32_t browserPID = 300;

class BrowserPrivacyTest : public ::testing::Test {
  protected:
    // A browser window of the window list: its frame has decorations (a 24-point title bar) that
    // accessibility does not report.
    static ScreenWindow listed(std::uint32_t id, Rect client, std::optional<std::string> title) {
        return {id, browserPID, Rect{client.x, client.y - 24, client.width, client.height + 24},
                std::move(title), client};
    }
    // The accessible window of the same browser, with a page address and, if asked, a marker.
    AccessibleElement accessible(Rect frame, std::optional<std::string> title, std::optional<std::string> url,
                                 bool marked = false) {
        FakeAccessibleNode node(AccessibleRole::window);
        node.frame = frame;
        node.title = std::move(title);
        node.document = std::move(url);
        const AccessibleElement window = ax.add(node);
        if (marked) {
            FakeAccessibleNode badge;
            badge.title = "Private Browsing";
            ax.add(badge, window);
        }
        ax.windowsByPid[browserPID].push_back(window);
        return window;
    }

    RecorderConfig config(bool skipPrivate, std::vector<std::string> sites = {}) {
        RecorderConfig config;
        config.skipPrivateWindows = skipPrivate;
        config.excludedSites = std::move(sites);
        return config;
    }

    platform::FakeAccessibility ax;
    platform::FakeWindowServer windowServer;
    ostrel::SystemClock clock;
    WindowInspector inspector{ax, windowServer, clock};
    BrowserPrivacy privacy{inspector};
    const Rect frame{100, 100, 800, 600};
};

TEST_F(BrowserPrivacyTest, MatchesByTheClientAreaAndJudgesFromThePage) {
    accessible(frame, "News", "https://news.example/today");
    const ScreenWindow window = listed(1, frame, "News");
    EXPECT_EQ(privacy.evaluate({window}, std::nullopt, config(true), 10).at(1), Verdict::allow);
    EXPECT_EQ(privacy.facts().at(1).privateMarker, false);
    EXPECT_EQ(privacy.facts().at(1).urls.at("News").url, "https://news.example/today");
    EXPECT_EQ(privacy.evaluate({window}, std::nullopt, config(true, {"news.example"}), 11).at(1),
              Verdict::excludedSite);
}

TEST_F(BrowserPrivacyTest, AKnownMarkerWithoutExcludedSitesIsNeverInspectedAgain) {
    accessible(frame, "News", "https://news.example/");
    const ScreenWindow window = listed(1, frame, "News");
    EXPECT_EQ(privacy.evaluate({window}, std::nullopt, config(false), 10).at(1), Verdict::allow);
    const int reads = ax.batchedReads;
    EXPECT_EQ(privacy.evaluate({window}, std::nullopt, config(false), 5000).at(1), Verdict::allow);
    EXPECT_EQ(ax.batchedReads, reads);
}

TEST_F(BrowserPrivacyTest, AWindowSeenOnlyBeforeIsNotInspected) {
    accessible(frame, "Gone", "https://a.example/");
    const ScreenWindow gone = listed(7, frame, "Gone");
    const auto verdicts = privacy.evaluate({}, std::vector{gone}, config(true), 10);
    EXPECT_EQ(verdicts.at(7), Verdict::unknown) << "no facts, private windows skipped: cannot tell";
    EXPECT_EQ(ax.batchedReads, 0);
    EXPECT_FALSE(privacy.facts().count(7));
}

TEST_F(BrowserPrivacyTest, AnUnmatchedWindowGetsNoVerdictOfItsOwnAndIsRetriedAfterThirtySeconds) {
    accessible(frame, "One", "https://a.example/");
    accessible(frame, "Two", "https://b.example/");
    const ScreenWindow window = listed(1, frame, "Three");
    EXPECT_EQ(privacy.evaluate({window}, std::nullopt, config(true), 10).at(1), Verdict::unknown);
    EXPECT_TRUE(privacy.facts().at(1).unmatched);
    EXPECT_FALSE(privacy.facts().at(1).privateMarker);

    // Now one accessible window would match, but it is not looked for before 30 s have passed.
    ax.windowsByPid[browserPID].pop_back();
    privacy.evaluate({window}, std::nullopt, config(true), 39);
    EXPECT_TRUE(privacy.facts().at(1).unmatched);
    privacy.evaluate({window}, std::nullopt, config(true), 40);
    EXPECT_FALSE(privacy.facts().at(1).unmatched);
    EXPECT_EQ(privacy.facts().at(1).privateMarker, false);

    // A sheet of the same process inside a judged window takes that window's verdict.
    const ScreenWindow sheet{2, browserPID, Rect{200, 200, 100, 100}, std::nullopt};
    ax.trusted = false;
    const auto verdicts = privacy.evaluate({window, sheet}, std::nullopt, config(false), 41);
    EXPECT_EQ(verdicts.at(2), Verdict::allow);
}

TEST_F(BrowserPrivacyTest, AMarkerOnceFoundStays) {
    const AccessibleElement element = accessible(frame, "Shop", "https://shop.example/", true);
    const ScreenWindow window = listed(1, frame, "Shop");
    EXPECT_EQ(privacy.evaluate({window}, std::nullopt, config(true, {"x.example"}), 10).at(1),
              Verdict::privateWindow);
    ax.at(element).children.clear();
    privacy.evaluate({window}, std::nullopt, config(true, {"x.example"}), 100);
    EXPECT_EQ(privacy.facts().at(1).privateMarker, true);
    privacy.record(std::nullopt, false, 1, "Shop", 101);
    EXPECT_EQ(privacy.facts().at(1).privateMarker, true);
}

TEST_F(BrowserPrivacyTest, AfterATitleChangeTheOldAddressIsNotUsed) {
    const AccessibleElement element = accessible(frame, "Mail", "https://mail.example/");
    privacy.evaluate({listed(1, frame, "Mail")}, std::nullopt, config(true, {"bank.example"}), 10);
    ax.at(element).title = "Bank";
    ax.at(element).document = "https://bank.example/";
    // Fresh facts, but not for this title: with excluded sites set the window is read again at once.
    EXPECT_EQ(
        privacy.evaluate({listed(1, frame, "Bank")}, std::nullopt, config(true, {"bank.example"}), 11).at(1),
        Verdict::excludedSite);
}

TEST_F(BrowserPrivacyTest, AnAddressIsFiledOnlyUnderTheTitleItWasSeenWith) {
    accessible(frame, "Other title", "https://a.example/");
    privacy.evaluate({listed(1, frame, "Listed title")}, std::nullopt, config(true), 10);
    EXPECT_TRUE(privacy.facts().at(1).urls.empty());
    EXPECT_EQ(privacy.facts().at(1).privateMarker, false);
}

TEST_F(BrowserPrivacyTest, AWindowInBothListsKeepsTheFirstVerdictThatHidesIt) {
    ax.trusted = false;
    privacy.record(std::nullopt, true, 1, "Secret", 10);
    const ScreenWindow now = listed(1, frame, "Secret");
    ScreenWindow before = now;
    before.title = "Earlier";
    EXPECT_EQ(privacy.evaluate({now}, std::vector{before}, config(true), 11).at(1), Verdict::privateWindow);
}

TEST_F(BrowserPrivacyTest, WithoutPermissionNothingIsReadAndUnknownWindowsStayUnknown) {
    ax.trusted = false;
    accessible(frame, "News", "https://news.example/");
    EXPECT_EQ(privacy.evaluate({listed(1, frame, "News")}, std::nullopt, config(true), 10).at(1),
              Verdict::unknown);
    EXPECT_EQ(privacy.evaluate({listed(1, frame, "News")}, std::nullopt, config(false), 10).at(1),
              Verdict::allow)
        << "nothing to tell apart: allowed";
    EXPECT_EQ(ax.batchedReads, 0);
}

TEST_F(BrowserPrivacyTest, TheFactsTableIsPrunedAboveFortyEntries) {
    ax.trusted = false;
    for (std::uint32_t id = 1; id <= 41; ++id) {
        privacy.record("https://a.example/", false, id, "T", id <= 30 ? 0 : 700);
    }
    privacy.evaluate({listed(100, frame, "T")}, std::nullopt, config(false), 1000);
    // 11 kept; the window judged now adds itself only when it has facts, which it has not.
    EXPECT_EQ(privacy.facts().size(), 11u);
}

TEST_F(BrowserPrivacyTest, AWindowsAddressesArePrunedFromTwentyOneEntries) {
    for (int i = 0; i < 20; ++i) {
        privacy.record("https://a.example/", false, 1, "title " + std::to_string(i), 0);
    }
    EXPECT_EQ(privacy.facts().at(1).urls.size(), 20u);
    privacy.record("https://a.example/", false, 1, "latest", 100);
    EXPECT_EQ(privacy.facts().at(1).urls.size(), 1u);
}

} // namespace
} // namespace vesperline
