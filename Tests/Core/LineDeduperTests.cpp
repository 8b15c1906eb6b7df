#include "Rules/LineDeduper.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

namespace ostrel {
namespace {

using Lines = std::vector<std::string>;

TEST(LineDeduper, PassesOnlyLinesNewToTheirContext) {
    LineDeduper deduper(24, 6000, 1800);
    EXPECT_EQ(deduper.maxContexts(), 24u);
    EXPECT_EQ(deduper.maxLinesPerContext(), 6000u);
    EXPECT_EQ(deduper.contextLifetime(), 1800);

    const Lines lines = {"Café Menu", "Soup", "soup", "Bread"};
    EXPECT_EQ(deduper.filter(lines, "app\x1Fwindow", 0), (Lines{"Café Menu", "Soup", "Bread"}));
    EXPECT_EQ(deduper.filter(lines, "app\x1Fwindow", 1), Lines{});
    EXPECT_EQ(deduper.filter({"cafe menu", "Tea"}, "app\x1Fwindow", 2), Lines{"Tea"});
    EXPECT_EQ(deduper.filter(lines, "app\x1Fother", 3), (Lines{"Café Menu", "Soup", "Bread"}));

    deduper.reset();
    EXPECT_EQ(deduper.filter({"Tea"}, "app\x1Fwindow", 4), Lines{"Tea"});
}

TEST(LineDeduper, ForgetsIdleContextsAfterTheirLifetime) {
    LineDeduper deduper(24, 6000, 1800);
    deduper.filter({"Hello"}, "k", 100);
    EXPECT_EQ(deduper.filter({"Hello"}, "k", 1900), Lines{}); // exactly the lifetime: still remembered
    EXPECT_EQ(deduper.filter({"Hello"}, "k", 3700.5), Lines{"Hello"});

    // An empty call renews the context as well.
    deduper.filter({"Kept"}, "renewed", 0);
    deduper.filter({}, "renewed", 1000);
    EXPECT_EQ(deduper.filter({"Kept"}, "renewed", 2500), Lines{});
}

TEST(LineDeduper, TrimsAFullContextToHalfItsLimit) {
    LineDeduper deduper(4, 10, 1800);
    Lines first;
    for (int i = 0; i < 11; ++i) {
        first.push_back("line " + std::to_string(i));
    }
    EXPECT_EQ(deduper.filter(first, "k", 0), first);
    // 11 hashes passed the limit of 10: only the newest 5 (lines 6 to 10) are remembered.
    EXPECT_EQ(deduper.filter({"line 5", "line 6", "line 10"}, "k", 1), Lines{"line 5"});
    // Exactly at the limit nothing is trimmed: 6..10, 5 and four more make 10.
    EXPECT_EQ(deduper.filter({"a1", "a2", "a3", "a4"}, "k", 2).size(), 4u);
    EXPECT_EQ(deduper.filter({"line 6", "a4"}, "k", 3), Lines{});
}

TEST(LineDeduper, EvictsTheLeastRecentlyUsedContext) {
    LineDeduper deduper(2, 100, 1800);
    deduper.filter({"x1"}, "a", 0);
    deduper.filter({"x1"}, "b", 1);
    deduper.filter({}, "a", 2); // renews a; b is now the oldest
    deduper.filter({}, "c", 3); // a third context evicts b
    EXPECT_EQ(deduper.filter({"x1"}, "a", 4), Lines{});
    EXPECT_EQ(deduper.filter({"x1"}, "b", 5), Lines{"x1"});

    // A clock that went back never costs the context of the current call.
    LineDeduper late(1, 100, 1800);
    late.filter({"y"}, "old", 100);
    EXPECT_EQ(late.filter({"z"}, "new", 50), Lines{"z"});
    EXPECT_EQ(late.filter({"z"}, "new", 51), Lines{});
}

TEST(LineDeduper, HandsEachLineOutOnceAcrossThreads) {
    LineDeduper deduper(24, 6000, 1800);
    Lines lines;
    for (int i = 0; i < 500; ++i) {
        lines.push_back("shared line " + std::to_string(i));
    }
    std::vector<Lines> results(8);
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < results.size(); ++t) {
        threads.emplace_back([&, t] { results[t] = deduper.filter(lines, "k", 0); });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    Lines all;
    for (const Lines& result : results) {
        all.insert(all.end(), result.begin(), result.end());
    }
    std::sort(all.begin(), all.end());
    Lines expected = lines;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(all, expected);
}

} // namespace
} // namespace ostrel
