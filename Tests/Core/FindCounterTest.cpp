#include "Storage/FindCounter.h"
#include "TestStore.h"

#include <gtest/gtest.h>

using namespace ostrel;

namespace {

// Local times in Europe/Istanbul (UTC+3).
constexpr Time jan31At235930 = 1738357170;
constexpr Time feb1At0001 = 1738357260;
constexpr Time feb1At0005 = 1738357500;
constexpr Time feb28At2200 = 1740769200;
constexpr Time mar10AtNoon = 1741597200;

class TimeZoneOverride {
  public:
    explicit TimeZoneOverride(const char* zone) {
        if (const char* previous = std::getenv("TZ")) {
            previous_ = previous;
        }
        ::setenv("TZ", zone, 1);
    }
    ~TimeZoneOverride() {
        if (previous_) {
            ::setenv("TZ", previous_->c_str(), 1);
        } else {
            ::unsetenv("TZ");
        }
    }

  private:
    std::optional<std::string> previous_;
};

// Every case is written in Istanbul's local time, whatever zone the test program was started in.
class FindCounterTest : public ::testing::Test {
    TimeZoneOverride istanbul{"Europe/Istanbul"};
};

class StoredFindCounterTest : public testsupport::TestStore {
    TimeZoneOverride istanbul{"Europe/Istanbul"};
};

TEST_F(FindCounterTest, MonthKeyUsesTheGivenZoneOrTheDevicesCurrentOne) {
    EXPECT_EQ(FindCounter::monthKey(feb28At2200, "Europe/Istanbul"), "2025-02");
    EXPECT_EQ(FindCounter::monthKey(feb28At2200, "Asia/Tokyo"), "2025-03");
    EXPECT_EQ(FindCounter::monthKey(feb28At2200), "2025-02");
    EXPECT_EQ(FindCounter::monthKey(-62135596800.0 + 86400 * 40, "UTC"), "0001-02");
    {
        TimeZoneOverride tokyo("Asia/Tokyo");
        EXPECT_EQ(FindCounter::monthKey(feb28At2200), "2025-03");
        EXPECT_EQ(FindCounter(feb28At2200).month, "2025-03");
    }
    EXPECT_EQ(FindCounter(feb28At2200), (FindCounter{feb28At2200}));
}

TEST_F(FindCounterTest, RecordingCases) {
    struct Case {
        const char* name;
        Time first;
        Time second;
        bool secondCounts;
        std::int64_t thisMonth;
        const char* month;
    };
    const Case cases[] = {
        {"119 seconds apart is one find", mar10AtNoon, mar10AtNoon + 119, false, 1, "2025-03"},
        {"120 seconds apart is two", mar10AtNoon, mar10AtNoon + 120, true, 2, "2025-03"},
        {"an earlier time after a clock change counts", mar10AtNoon, mar10AtNoon - 30, true, 2, "2025-03"},
        {"a repeat across midnight stays in the first month", jan31At235930, feb1At0001, false, 1, "2025-01"},
        {"a find in the next month starts its count", jan31At235930, feb1At0005, true, 1, "2025-02"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FindCounter counter(jan31At235930);
        counter.total = 10;
        EXPECT_TRUE(counter.record(c.first));
        EXPECT_EQ(counter.record(c.second), c.secondCounts);
        EXPECT_EQ(counter.total, c.secondCounts ? 12 : 11);
        EXPECT_EQ(counter.thisMonth, c.thisMonth);
        EXPECT_EQ(counter.month, c.month);
        EXPECT_EQ(counter.lastCounted, c.secondCounts ? c.second : c.first);
    }
}

TEST_F(FindCounterTest, RollingTheMonthKeepsTotalAndLastFind) {
    FindCounter counter(feb1At0005);
    counter.record(feb1At0005);
    FindCounter unchanged = counter;
    unchanged.rollMonth(feb28At2200);
    EXPECT_EQ(unchanged, counter);

    counter.rollMonth(mar10AtNoon);
    EXPECT_EQ(counter.month, "2025-03");
    EXPECT_EQ(counter.thisMonth, 0);
    EXPECT_EQ(counter.total, 1);
    EXPECT_EQ(counter.lastCounted, feb1At0005);
}

TEST_F(FindCounterTest, EqualityIncludesTheLastFind) {
    FindCounter a(mar10AtNoon);
    FindCounter b(mar10AtNoon);
    b.lastCounted = mar10AtNoon;
    EXPECT_NE(a, b);
}

TEST_F(StoredFindCounterTest, LoadReadsStoredValuesTolerantly) {
    struct Case {
        const char* name;
        std::optional<std::string> total;
        std::optional<std::string> month;
        std::optional<std::string> monthCount;
        std::int64_t expectedTotal;
        std::int64_t expectedThisMonth;
    };
    const Case cases[] = {
        {"empty table", std::nullopt, std::nullopt, std::nullopt, 0, 0},
        {"this month's count", "41", "2025-03", "7", 41, 7},
        {"another month's count is not this month's", "41", "2025-02", "7", 41, 0},
        {"a plus sign is allowed", "+12", "2025-03", "+3", 12, 3},
        {"a minus sign is allowed", "-2", "2025-03", "-1", -2, -1},
        {"trailing letters read as 0", "12a", "2025-03", "3b", 0, 0},
        {"empty texts read as 0", "", "2025-03", "", 0, 0},
        {"spaces read as 0", " 12", "2025-03", "3 ", 0, 0},
        {"a lone sign reads as 0", "+", "2025-03", "-", 0, 0},
        {"two signs read as 0", "+-5", "2025-03", "--5", 0, 0},
        {"beyond 64 bits reads as 0", "9223372036854775808", "2025-03", "9223372036854775807", 0,
         9223372036854775807},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        store->setMetaValue("finds_total", c.total);
        store->setMetaValue("finds_month", c.month);
        store->setMetaValue("finds_month_count", c.monthCount);

        const FindCounter counter = FindCounter::load(*store, mar10AtNoon);
        EXPECT_EQ(counter.total, c.expectedTotal);
        EXPECT_EQ(counter.thisMonth, c.expectedThisMonth);
        EXPECT_EQ(counter.month, "2025-03");
        EXPECT_EQ(counter.lastCounted, std::nullopt);
    }
}

TEST_F(StoredFindCounterTest, SaveWritesAllThreeValuesAndLoadsBack) {
    FindCounter counter(mar10AtNoon);
    counter.total = 5;
    counter.record(mar10AtNoon);
    counter.save(*store);

    EXPECT_EQ(store->metaValue("finds_total"), "6");
    EXPECT_EQ(store->metaValue("finds_month"), "2025-03");
    EXPECT_EQ(store->metaValue("finds_month_count"), "1");
    FindCounter loaded = FindCounter::load(*store, mar10AtNoon + 60);
    loaded.lastCounted = counter.lastCounted;
    EXPECT_EQ(loaded, counter);
}

TEST_F(StoredFindCounterTest, SaveWritesNothingWhenOneValueFails) {
    store->db().execute("CREATE TRIGGER refuse_month_count BEFORE INSERT ON meta "
                        "WHEN NEW.key = 'finds_month_count' BEGIN SELECT RAISE(ABORT, 'refused'); END;");
    FindCounter counter(mar10AtNoon);
    counter.record(mar10AtNoon);

    EXPECT_THROW(counter.save(*store), SQLiteError);
    EXPECT_EQ(store->metaValue("finds_total"), std::nullopt);
    EXPECT_EQ(store->metaValue("finds_month"), std::nullopt);
}

} // namespace
