#include "Rules/WindowPrivacy.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

namespace ostrel {
namespace {

using WindowPrivacy::Verdict;
using WindowPrivacy::VerdictMap;
using Windows = std::vector<ScreenWindow>;

ScreenWindow window(std::uint32_t id, std::int32_t pid, Rect frame) {
    return {id, pid, frame, std::nullopt};
}

TEST(WindowPrivacy, JudgesOneWindow) {
    const std::vector<std::string> excluded = {"bank.example"};
    const std::optional<std::string> privateTitle = "Start Page (Incognito)";
    const std::optional<std::string> harmlessTitle = "Weather";
    const std::optional<std::string> harmlessURL = "https://weather.test/";
    const std::optional<std::string> excludedURL = "https://www.bank.example/login";
    const struct {
        const char* name;
        std::optional<std::string> title;
        std::optional<std::string> url;
        std::optional<bool> isPrivate;
        bool skipPrivate;
        std::vector<std::string> sites;
        Verdict expected;
    } cases[] = {
        {"switch off, private title", privateTitle, harmlessURL, std::nullopt, false, excluded,
         Verdict::allow},
        {"switch off, reported private", harmlessTitle, harmlessURL, true, false, excluded, Verdict::allow},
        {"switch on, private title", privateTitle, harmlessURL, false, true, excluded,
         Verdict::privateWindow},
        {"switch on, reported private and excluded", harmlessTitle, excludedURL, true, true, excluded,
         Verdict::privateWindow},
        {"excluded site", harmlessTitle, excludedURL, false, true, excluded, Verdict::excludedSite},
        {"excluded site, switch off", harmlessTitle, excludedURL, std::nullopt, false, excluded,
         Verdict::excludedSite},
        {"switch on, private state unknown", harmlessTitle, harmlessURL, std::nullopt, true, excluded,
         Verdict::unknown},
        {"switch off, no address, sites listed", harmlessTitle, std::nullopt, std::nullopt, false, excluded,
         Verdict::unknown},
        {"switch off, no address, no sites",
         harmlessTitle,
         std::nullopt,
         std::nullopt,
         false,
         {},
         Verdict::allow},
        {"switch on, known not private", harmlessTitle, harmlessURL, false, true, excluded, Verdict::allow},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WindowPrivacy::verdict(c.title, c.url, c.isPrivate, c.skipPrivate, c.sites), c.expected)
            << c.name;
    }
}

TEST(WindowPrivacy, SecondaryWindowsShareTheVerdictOfTheirEnclosingWindow) {
    const Windows windows = {
        window(1, 10, {0, 0, 500, 400}),   // judged private
        window(2, 10, {100, 100, 50, 50}), // inside 1, same process
        window(3, 10, {460, 100, 41, 50}), // sticks out of 1 by one point
        window(4, 11, {100, 100, 50, 50}), // inside 1, other process
        window(5, 10, {0, 0, 500, 400}),   // own verdict kept
        window(6, 10, {200, 200, 10, 10}), // inside 1 and 5: the first judged one in list order wins
    };
    const VerdictMap known = {{1, Verdict::privateWindow}, {5, Verdict::allow}};
    const VerdictMap expected = {{1, Verdict::privateWindow}, {2, Verdict::privateWindow},
                                 {3, Verdict::unknown},       {4, Verdict::unknown},
                                 {5, Verdict::allow},         {6, Verdict::privateWindow}};
    EXPECT_EQ(WindowPrivacy::verdicts(windows, known), expected);

    // A repeated number keeps the later window's verdict.
    const Windows repeated = {window(7, 10, {0, 0, 10, 10}), window(8, 10, {0, 0, 100, 100}),
                              window(7, 10, {10, 10, 10, 10})};
    EXPECT_EQ(WindowPrivacy::verdicts(repeated, {{8, Verdict::excludedSite}}).at(7), Verdict::excludedSite);
    EXPECT_TRUE(WindowPrivacy::verdicts({}, known).empty());
}

TEST(WindowPrivacy, MaskedFramesSkipAllowedAndOffDisplayWindows) {
    const Rect display{0, 0, 1000, 500};
    const Windows windows = {
        window(1, 1, {10, 10, 100, 100}),  // allowed
        window(2, 1, {20, 20, 100, 100}),  // private
        window(3, 1, {30, 30, 100, 100}),  // no verdict at all: hidden
        window(4, 1, {1200, 0, 100, 100}), // on another display
        window(2, 1, {40, 40, 100, 100}),  // same number later: replaces
    };
    const VerdictMap verdicts = {{1, Verdict::allow}, {2, Verdict::privateWindow}, {4, Verdict::unknown}};
    const std::unordered_map<std::uint32_t, Rect> expected = {{2, {40, 40, 100, 100}},
                                                              {3, {30, 30, 100, 100}}};
    EXPECT_EQ(WindowPrivacy::maskedFrames(windows, verdicts, display), expected);
}

TEST(WindowPrivacy, MasksOnlyWindowsThatStayedPut) {
    const Rect display{0, 0, 1000, 500};
    const ScreenWindow hidden = window(1, 1, {100, 50, 200, 100});
    const ScreenWindow allowed = window(2, 1, {0, 0, 1000, 500});
    const ScreenWindow elsewhere = window(3, 1, {1500, 0, 300, 300}); // another display
    const VerdictMap verdicts = {
        {1, Verdict::privateWindow}, {2, Verdict::allow}, {3, Verdict::unknown}, {4, Verdict::unknown}};
    const ScreenWindow moved = window(1, 1, {101, 50, 200, 100});
    const ScreenWindow touching = window(4, 1, {1000, 0, 300, 300}); // shares the display's right edge
    const ScreenWindow touchingMoved = window(4, 1, {1000, 10, 300, 300});
    const ScreenWindow movedElsewhere = window(3, 1, {1600, 0, 300, 300});
    using Masks = std::optional<std::vector<Rect>>;
    const Masks none = std::vector<Rect>{};
    const Masks workedExample = std::vector<Rect>{{0.098, 0.096, 0.204, 0.208}};

    const struct {
        const char* name;
        std::optional<Windows> previous;
        Windows current;
        Masks expected;
    } cases[] = {
        {"nothing to hide, no previous list", std::nullopt, {allowed}, none},
        {"nothing to hide now or before", Windows{allowed}, {allowed}, none},
        {"window to hide, no previous list", std::nullopt, {hidden}, std::nullopt},
        {"window to hide in place", Windows{allowed, hidden}, {hidden, allowed}, workedExample},
        {"window moved by one point", Windows{hidden}, {moved}, std::nullopt},
        {"window to hide closed since", Windows{hidden, allowed}, {allowed}, std::nullopt},
        {"window to hide appeared since", Windows{allowed}, {allowed, hidden}, std::nullopt},
        {"window touching the display in place: its padding shows",
         Windows{hidden, touching},
         {hidden, touching},
         std::vector<Rect>{{0.998, 0, 0.002, 0.604}, {0.098, 0.096, 0.204, 0.208}}},
        {"window touching the display moved",
         Windows{hidden, touching},
         {hidden, touchingMoved},
         std::nullopt},
        {"off-display window moved: not checked",
         Windows{hidden, elsewhere},
         {hidden, movedElsewhere},
         workedExample},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WindowPrivacy::masks(c.previous, c.current, verdicts, display, 2.0), c.expected) << c.name;
    }
}

TEST(WindowPrivacy, MasksOnlyWhatShowsOfAWindowBehindOthers) {
    const Rect display{0, 0, 1000, 500};
    const VerdictMap verdicts = {{1, Verdict::privateWindow}};
    const auto behind = [](std::vector<Rect> covers) {
        ScreenWindow hidden = window(1, 1, {100, 100, 400, 200});
        hidden.coveringFrames = std::move(covers);
        return hidden;
    };
    // The blank reaches the padding (2 points) under the edges of what lies in front.
    const Rect rightHalf{300, 50, 500, 400};
    const Rect middle{200, 150, 100, 50};
    using Masks = std::optional<std::vector<Rect>>;
    const struct {
        const char* name;
        ScreenWindow previous;
        ScreenWindow current;
        Masks expected;
    } cases[] = {
        {"nothing in front: the whole window", behind({}), behind({}),
         std::vector<Rect>{{0.098, 0.196, 0.404, 0.408}}},
        {"a window in front of its right part", behind({rightHalf}), behind({rightHalf}),
         std::vector<Rect>{{0.098, 0.196, 0.204, 0.408}}},
        {"what lies in front moved: the whole window", behind({{310, 50, 500, 400}}), behind({rightHalf}),
         std::vector<Rect>{{0.098, 0.196, 0.404, 0.408}}},
        {"what lies in front appeared: the whole window", behind({}), behind({rightHalf}),
         std::vector<Rect>{{0.098, 0.196, 0.404, 0.408}}},
        {"covered whole: nothing to blank", behind({display}), behind({display}), std::vector<Rect>{}},
        {"a small window in the middle: the four parts around it", behind({middle}), behind({middle}),
         std::vector<Rect>{{0.098, 0.196, 0.404, 0.108},
                           {0.098, 0.304, 0.104, 0.092},
                           {0.298, 0.304, 0.204, 0.092},
                           {0.098, 0.396, 0.404, 0.208}}},
    };
    for (const auto& c : cases) {
        const Masks masks = WindowPrivacy::masks(Windows{c.previous}, {c.current}, verdicts, display, 2.0);
        ASSERT_EQ(masks.has_value(), c.expected.has_value()) << c.name;
        ASSERT_EQ(masks->size(), c.expected->size()) << c.name;
        for (std::size_t i = 0; i < masks->size(); ++i) {
            EXPECT_NEAR((*masks)[i].x, (*c.expected)[i].x, 1e-12) << c.name << " " << i;
            EXPECT_NEAR((*masks)[i].y, (*c.expected)[i].y, 1e-12) << c.name << " " << i;
            EXPECT_NEAR((*masks)[i].width, (*c.expected)[i].width, 1e-12) << c.name << " " << i;
            EXPECT_NEAR((*masks)[i].height, (*c.expected)[i].height, 1e-12) << c.name << " " << i;
        }
    }
}

TEST(WindowPrivacy, MasksAreClippedAndSortedTopToBottomThenLeftToRight) {
    const Rect display{1000, 0, 1000, 500}; // a second display right of the main one
    const Windows windows = {
        window(1, 1, {1600, 200, 100, 100}), window(2, 1, {1100, 200, 100, 100}),
        window(3, 1, {900, -100, 300, 200}), // reaches beyond the top left corner
    };
    const auto masks = WindowPrivacy::masks(windows, windows, {}, display, 0);
    const std::vector<Rect> expected = {{0, 0, 0.2, 0.2}, {0.1, 0.4, 0.1, 0.2}, {0.6, 0.4, 0.1, 0.2}};
    ASSERT_TRUE(masks);
    ASSERT_EQ(masks->size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_NEAR((*masks)[i].x, expected[i].x, 1e-12) << i;
        EXPECT_NEAR((*masks)[i].y, expected[i].y, 1e-12) << i;
        EXPECT_NEAR((*masks)[i].width, expected[i].width, 1e-12) << i;
        EXPECT_NEAR((*masks)[i].height, expected[i].height, 1e-12) << i;
    }
}

TEST(WindowPrivacy, RefusesMasksThatCannotBeMeasured) {
    const Windows windows = {window(1, 1, {10, 10, 10, 10})};
    EXPECT_EQ(WindowPrivacy::masks(windows, windows, {}, {0, 0, NAN, 500}, 2), std::nullopt);
    // A display without area shows no window, so there is nothing to hide.
    EXPECT_EQ(WindowPrivacy::masks(windows, windows, {}, {0, 0, 0, 500}, 2), std::vector<Rect>{});
    EXPECT_EQ(WindowPrivacy::masks(windows, windows, {}, {0, 0, 100, 100}, NAN), std::nullopt);
}

TEST(WindowPrivacy, DecisionsCompareByOutcomeAndMasks) {
    using WindowPrivacy::Decision;
    EXPECT_EQ(Decision::skip(), Decision::skip());
    EXPECT_NE(Decision::skip(), Decision::capture({}));
    EXPECT_EQ(Decision::capture({{0, 0, 1, 1}}), Decision::capture({{0, 0, 1, 1}}));
    EXPECT_NE(Decision::capture({{0, 0, 1, 1}, {0, 0, 0.5, 0.5}}),
              Decision::capture({{0, 0, 0.5, 0.5}, {0, 0, 1, 1}}));
    EXPECT_TRUE(Decision::skip().isSkip());
    EXPECT_FALSE(WindowPrivacy::needsMask(Verdict::allow));
    EXPECT_TRUE(WindowPrivacy::needsMask(Verdict::unknown));
}

} // namespace
} // namespace ostrel
