#include "Rules/RetentionPlanner.h"
#include "Rules/RetentionPolicy.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace ostrel;

namespace {

// One moment per minute in one window, short text, ids equal to the seconds since the first.
std::vector<ThinningCandidate> everyMinute(int minutes, const std::string& context = "app\x1Ftitle") {
    std::vector<ThinningCandidate> series;
    for (int i = 0; i < minutes; ++i) {
        series.push_back({i * 60, static_cast<Time>(i * 60), context, 10});
    }
    return series;
}

TEST(RetentionPlannerTest, ThinningCases) {
    std::vector<ThinningCandidate> textRich = everyMinute(21);
    textRich[5].textChars = 400; // the moment at 300 s

    std::vector<ThinningCandidate> nearlySpaced = everyMinute(1);
    nearlySpaced.push_back({1, 599.5, "app\x1Ftitle", 10});
    nearlySpaced.push_back({2, 600, "app\x1Ftitle", 10});

    const std::string composed = "app\x1F"
                                 "Caf\xC3\xA9";
    const std::string decomposed = "app\x1F"
                                   "Cafe\xCC\x81";

    struct Case {
        const char* name;
        std::vector<ThinningCandidate> candidates;
        double spacing;
        std::set<std::int64_t> kept;
    };
    const Case cases[] = {
        {"no candidates", {}, 600, {}},
        {"a single short moment", {{7, 50, "k", 0}}, 600, {7}},
        {"one window every minute keeps one per ten minutes", everyMinute(25), 600, {0, 600, 1200}},
        {"599.5 s after the last kept is too soon, 600 s is not", nearlySpaced, 600, {0, 2}},
        {"a text-rich moment is kept and restarts the spacing", textRich, 600, {0, 300, 900}},
        {"every change of context is kept",
         {{1, 0, "A", 0}, {2, 10, "B", 0}, {3, 20, "A", 0}},
         600,
         {1, 2, 3}},
        {"equal times keep input order", {{1, 5, "k", 0}, {2, 5, "k", 0}}, 600, {1}},
        {"canonically equivalent keys are one context",
         {{1, 0, composed, 0}, {2, 10, decomposed, 0}},
         600,
         {1}},
        {"a spacing of zero keeps everything", everyMinute(3), 0, {0, 60, 120}},
        {"equal ids collapse", {{4, 0, "A", 0}, {4, 10, "B", 0}}, 600, {4}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RetentionPlanner::thin(c.candidates, 400, c.spacing), c.kept) << c.name;
    }
}

TEST(RetentionPlannerTest, InputOrderOfDistinctTimesDoesNotMatter) {
    std::vector<ThinningCandidate> series = everyMinute(30);
    series[12].textChars = 500;
    series[17].contextKey = "other";
    std::vector<ThinningCandidate> newestFirst = series;
    std::reverse(newestFirst.begin(), newestFirst.end());
    EXPECT_EQ(RetentionPlanner::thin(newestFirst, 400, 600), RetentionPlanner::thin(series, 400, 600));
}

TEST(RetentionPlannerTest, CutoffTurnsDaysIntoATimeBefore) {
    const Time before = 1'700'000'000.5;
    EXPECT_EQ(RetentionPlanner::cutoff(0, before), std::nullopt);
    EXPECT_EQ(RetentionPlanner::cutoff(-3, before), std::nullopt);
    EXPECT_EQ(RetentionPlanner::cutoff(1, before), before - 86400);
    EXPECT_EQ(RetentionPlanner::cutoff(7, before), before - 604800);
}

TEST(RetentionPolicyTest, EncodesTheFourKeysInOrderAndDecodesBack) {
    const RetentionPolicy policy{3, 30, 365, 20'000'000'000};
    EXPECT_EQ(policy.toJSON().dump(),
              R"({"fullImageDays":3,"keyframeDays":30,"textDays":365,"diskCapBytes":20000000000})");
    EXPECT_EQ(RetentionPolicy::fromJSON(policy.toJSON()), policy);
    EXPECT_EQ(RetentionPolicy::fromJSON(nlohmann::ordered_json::parse(
                  R"({"diskCapBytes":0,"textDays":-1,"keyframeDays":0,"fullImageDays":7})")),
              (RetentionPolicy{7, 0, -1, 0}));
}

TEST(RetentionPolicyTest, DecodingRejectsMissingOrNonIntegerKeys) {
    const char* bad[] = {
        R"({"fullImageDays":3,"keyframeDays":30,"diskCapBytes":0})",
        R"({"fullImageDays":3,"keyframeDays":30,"textDays":1.5,"diskCapBytes":0})",
        R"({"fullImageDays":3,"keyframeDays":30,"textDays":"7","diskCapBytes":0})",
        R"({"fullImageDays":3,"keyframeDays":30,"textDays":true,"diskCapBytes":0})",
        R"({"fullImageDays":3,"keyframeDays":30,"textDays":7,"diskCapBytes":18446744073709551615})",
        R"([3,30,7,0])",
    };
    for (const char* text : bad) {
        EXPECT_THROW(RetentionPolicy::fromJSON(nlohmann::ordered_json::parse(text)), std::invalid_argument)
            << text;
    }
}

} // namespace
