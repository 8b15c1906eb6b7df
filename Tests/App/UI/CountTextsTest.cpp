// Every text of the app that counts something, in the singular for one and the plural otherwise:
// the app ships no translations, so the forms come from the locale's plural rules.
#include "Store/Format.h"
#include "UI/Main/SidebarStatus.h"
#include "UI/MenuBar/MenuBarController.h"
#include "UI/Resources/ResourcesTexts.h"
#include "UI/Search/SearchTexts.h"
#include "UI/Settings/PrivacyPane.h"
#include "UI/Settings/StoragePane.h"
#include "UI/Timeline/TimelineScreenController.h"

#include "Support/QtPrinters.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>

namespace vesperline {
namespace {

TEST(CountTextsTest, OneIsSingularAndZeroTwoAndAThousandArePlural) {
    const Format english("en_US", "Europe/Istanbul");
    using Text = std::function<std::optional<QString>(std::int64_t)>;
    struct Case {
        const char* name;
        Text text;
        // For 0, 1, 2 and 1,000; none where the text is not shown.
        std::array<std::optional<QString>, 4> expected;
    };
    const auto stats = [](std::int64_t count) {
        ostrel::DayStats day;
        day.framesSkipped = count;
        day.ocrRuns = count;
        return day;
    };
    const auto storage = [](std::int64_t count) {
        ostrel::StorageBreakdown breakdown;
        breakdown.frameCount = count;
        breakdown.textOnlyCount = count;
        return breakdown;
    };
    const Case cases[] = {
        {"popover finds",
         [&](std::int64_t n) { return MenuBarController::findsText(n, english); },
         {std::nullopt, "Found what you needed 1 time this month", "Found what you needed 2 times this month",
          "Found what you needed 1,000 times this month"}},
        {"sidebar count",
         [&](std::int64_t n) { return SidebarStatus::countText(n, english); },
         {"0 moments today", "1 moment today", "2 moments today", "1,000 moments today"}},
        {"timeline count",
         [&](std::int64_t n) { return TimelineScreenController::countText(n, english); },
         {"0 moments", "1 moment", "2 moments", "1,000 moments"}},
        {"search results",
         [&](std::int64_t n) { return SearchTexts::resultsHeader(false, n, english); },
         {"0 results", "1 result", "2 results", "1,000 results"}},
        {"folded moments",
         [&](std::int64_t n) { return SearchTexts::foldedMoments(n, english); },
         {std::nullopt, std::nullopt, "2 moments in this window", "1,000 moments in this window"}},
        {"resources storage",
         [&](std::int64_t n) { return ResourcesTexts::storageCounts(storage(n), english); },
         {"0 moments · 0 text-only", "1 moment · 1 text-only", "2 moments · 2 text-only",
          "1,000 moments · 1,000 text-only"}},
        {"resources moments card",
         [&](std::int64_t n) { return ResourcesTexts::moments(stats(n), english).detail; },
         {"0 duplicates skipped · 0 text reads", "1 duplicate skipped · 1 text read",
          "2 duplicates skipped · 2 text reads", "1,000 duplicates skipped · 1,000 text reads"}},
        {"recognition backlog",
         [&](std::int64_t n) { return ResourcesTexts::ocrBacklog(n, english); },
         {std::nullopt, "1 image waiting for text reading (runs on power)",
          "2 images waiting for text reading (runs on power)",
          "1,000 images waiting for text reading (runs on power)"}},
        {"hidden password managers",
         [&](std::int64_t n) -> std::optional<QString> {
             const QString text = PrivacyPane::hiddenManagersText(n, english);
             return text.isEmpty() ? std::nullopt : std::optional(text);
         },
         {std::nullopt, "1 other password manager is excluded automatically if you install it.",
          "2 other password managers are excluded automatically if you install them.",
          "1,000 other password managers are excluded automatically if you install them."}},
        {"retention days",
         [&](std::int64_t n) { return StoragePane::daysText(n, english); },
         {"0 days", "1 day", "2 days", "1,000 days"}},
    };
    const std::array<std::int64_t, 4> counts{0, 1, 2, 1000};
    for (const Case& c : cases) {
        for (std::size_t i = 0; i < counts.size(); ++i) {
            EXPECT_EQ(c.text(counts[i]), c.expected[i]) << c.name << " of " << counts[i];
        }
    }
}

} // namespace
} // namespace vesperline
