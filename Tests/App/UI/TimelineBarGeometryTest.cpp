#include "UI/Timeline/TimelineBarGeometry.h"
#include "Support/ManualClock.h"
#include "UI/Timeline/NearestFrameIndex.h"

#include <gtest/gtest.h>

#include <limits>

using namespace vesperline;
namespace Geometry = vesperline::TimelineBarGeometry;

namespace {

// 2025-03-03 09:00:00 in the tests' zone (Istanbul, three hours ahead of UTC all year).
constexpr ostrel::Time nine = 1740981600;
constexpr double minute = 60;
constexpr double hour = 3600;

using Bundle = std::optional<std::string>;

ostrel::FrameSummary moment(ostrel::Time at, Bundle bundle = "org.example.Editor") {
    ostrel::FrameSummary frame;
    frame.timestamp = at;
    frame.appBundleID = std::move(bundle);
    return frame;
}

std::vector<ostrel::FrameSummary> moments(std::initializer_list<ostrel::Time> times) {
    std::vector<ostrel::FrameSummary> frames;
    for (ostrel::Time at : times) {
        frames.push_back(moment(at));
    }
    return frames;
}

ostrel::ActivitySpan activity(ostrel::Time start, ostrel::Time end, Bundle bundle = "org.example.Editor") {
    ostrel::ActivitySpan span;
    span.start = start;
    span.end = end;
    span.appBundleID = std::move(bundle);
    return span;
}

} // namespace

TEST(TimelineBarGeometryTest, NearestMomentTakesTheLaterOfTwoEquallyNearOnes) {
    const auto three = moments({nine, nine + 10, nine + 20});
    struct Case {
        const char* name;
        std::vector<ostrel::FrameSummary> frames;
        ostrel::Time date;
        int expected;
    };
    const Case cases[] = {
        {"no moments", {}, nine, 0},
        {"one moment, far away", moments({nine}), nine + hour, 0},
        {"before the first", three, nine - hour, 0},
        {"after the last", three, nine + hour, 2},
        {"exactly on one", three, nine + 10, 1},
        {"halfway between two", three, nine + 5, 1},
        {"nearer to the earlier", three, nine + 14, 1},
        {"nearer to the later", three, nine + 16, 2},
        {"not a number", three, std::numeric_limits<double>::quiet_NaN(), 0},
    };
    for (const Case& testCase : cases) {
        EXPECT_EQ(nearestFrameIndex(testCase.frames, testCase.date), testCase.expected) << testCase.name;
    }
}

TEST(TimelineBarGeometryTest, RangeHasTwoMinutesToSpareAndAtLeastHalfAnHour) {
    testsupport::ManualClock clock(nine + 7);
    struct Case {
        const char* name;
        std::vector<ostrel::FrameSummary> frames;
        std::vector<ostrel::ActivitySpan> spans;
        Geometry::Range expected;
    };
    const Case cases[] = {
        {"nothing: the current time", {}, {}, {nine + 7, nine + 7}},
        {"one moment: half an hour around it", moments({nine}), {}, {nine - 900, nine + 900}},
        {"moments two hours apart",
         moments({nine, nine + 2 * hour}),
         {},
         {nine - 120, nine + 2 * hour + 120}},
        {"a span before the first moment widens it to the left",
         moments({nine, nine + 2 * hour}),
         {activity(nine - hour, nine + 10)},
         {nine - hour - 120, nine + 2 * hour + 120}},
        {"a span ending after its start's range",
         {},
         {activity(nine, nine + hour)},
         {nine - 120, nine + hour + 120}},
        {"a span ending before it starts",
         {},
         {activity(nine, nine - 600)},
         {nine - 300 - 900, nine - 300 + 900}},
    };
    for (const Case& testCase : cases) {
        const Geometry::Range range = Geometry::range(testCase.frames, testCase.spans, clock);
        EXPECT_DOUBLE_EQ(range.lower, testCase.expected.lower) << testCase.name;
        EXPECT_DOUBLE_EQ(range.upper, testCase.expected.upper) << testCase.name;
    }
    EXPECT_EQ(Geometry::Range({nine, nine}).span(), 1);
}

TEST(TimelineBarGeometryTest, BlocksComeFromSpansElseFromRunsOfOneAppsMoments) {
    const Bundle editor = "org.example.Editor";
    const Bundle browser = "org.example.Browser";
    struct Case {
        const char* name;
        std::vector<ostrel::FrameSummary> frames;
        std::vector<ostrel::ActivitySpan> spans;
        std::vector<Geometry::Segment> expected;
    };
    const Case cases[] = {
        {"nothing", {}, {}, {}},
        {"a lone moment: thirty seconds", {moment(nine)}, {}, {{nine, nine + 30, editor}}},
        {"a run ends at its last moment", {moment(nine), moment(nine + 10)}, {}, {{nine, nine + 10, editor}}},
        {"a gap of three minutes or more after the block starts a new one",
         {moment(nine), moment(nine + 4 * minute)},
         {},
         {{nine, nine + 30, editor}, {nine + 4 * minute, nine + 4 * minute + 30, editor}}},
        {"another app in between",
         {moment(nine, editor), moment(nine + 10, browser), moment(nine + 20, editor)},
         {},
         {{nine, nine + 30, editor}, {nine + 10, nine + 40, browser}, {nine + 20, nine + 50, editor}}},
        {"moments without an app are one app",
         {moment(nine, {}), moment(nine + 60, {})},
         {},
         {{nine, nine + 60, {}}}},
        {"an empty id is not a missing one",
         {moment(nine, {}), moment(nine + 60, "")},
         {},
         {{nine, nine + 30, {}}, {nine + 60, nine + 90, ""}}},
        {"spans as they are; moments add nothing",
         {moment(nine), moment(nine + 10)},
         {activity(nine + hour, nine + 2 * hour, browser), activity(nine, nine - 5, editor)},
         {{nine + hour, nine + 2 * hour, browser}, {nine, nine - 5, editor}}},
    };
    for (const Case& testCase : cases) {
        EXPECT_EQ(Geometry::segments(testCase.frames, testCase.spans), testCase.expected) << testCase.name;
    }
}

TEST(TimelineBarGeometryTest, PositionsAndThePointersMoment) {
    const Geometry::Range range{nine, nine + hour};
    EXPECT_DOUBLE_EQ(Geometry::position(range, nine + hour / 4, 800), 200);
    EXPECT_DOUBLE_EQ(Geometry::position(range, nine - hour, 800), -800) << "not clamped";

    const auto frames = moments({nine + 900, nine + 1800, nine + 2700});
    struct Case {
        const char* name;
        double x;
        double width;
        int expected;
    };
    const Case cases[] = {
        {"on a moment", 400, 800, 1},
        {"halfway between two: the later", 300, 800, 1},
        {"left of the bar", -50, 800, 0},
        {"right of the bar", 900, 800, 2},
        {"a bar one point wide takes x as the fraction", 0.5, 1, 1},
    };
    for (const Case& testCase : cases) {
        EXPECT_EQ(Geometry::frameIndex(frames, range, testCase.x, testCase.width), testCase.expected)
            << testCase.name;
    }
    EXPECT_EQ(Geometry::frameIndex({}, range, 400, 800), 0);
}

TEST(TimelineBarGeometryTest, HourMarksAtEveryFullHourLabelledLessOftenOnLongRanges) {
    struct Case {
        const char* name;
        Geometry::Range range;
        std::vector<int> labelledHours; // local hours, in order
        std::size_t marks;
    };
    const ostrel::Time midnight = nine - 9 * hour;
    const Case cases[] = {
        {"half an hour inside one hour", {nine + 60, nine + 1860}, {}, 0},
        {"four hours: every hour", {nine - 60, nine + 3 * hour + 60}, {9, 10, 11, 12}, 4},
        {"starting on the hour: the next one is the first", {nine, nine + 2.5 * hour}, {10, 11}, 2},
        {"eight hours: even hours", {nine + 60, nine + 8 * hour}, {10, 12, 14, 16}, 7},
        {"a day: every third hour",
         {midnight - 120, midnight + 24 * hour + 120},
         {0, 3, 6, 9, 12, 15, 18, 21, 0},
         25},
    };
    for (const Case& testCase : cases) {
        const auto marks = Geometry::hourMarks(testCase.range);
        EXPECT_EQ(marks.size(), testCase.marks) << testCase.name;
        std::vector<int> labelled;
        for (std::size_t i = 0; i < marks.size(); ++i) {
            EXPECT_EQ(std::fmod(marks[i].time - midnight, hour), 0) << testCase.name;
            if (i > 0) {
                EXPECT_EQ(marks[i].time - marks[i - 1].time, hour) << testCase.name;
            }
            if (marks[i].labelled) {
                labelled.push_back(static_cast<int>(std::fmod((marks[i].time - midnight) / hour, 24)));
            }
        }
        EXPECT_EQ(labelled, testCase.labelledHours) << testCase.name;
    }
}

TEST(TimelineBarGeometryTest, AnAbsurdSpanEndGivesABoundedNumberOfHourMarks) {
    testsupport::ManualClock clock(nine);
    const double infinity = std::numeric_limits<double>::infinity();
    for (const ostrel::Time end : {nine + 1e12, nine + 1e20, infinity}) {
        const auto range = Geometry::range(moments({nine}), {activity(nine, end)}, clock);
        EXPECT_EQ(Geometry::hourMarks(range).size(), static_cast<std::size_t>(Geometry::maximumHourMarks))
            << end;
    }
    EXPECT_TRUE(Geometry::hourMarks({-infinity, nine}).empty()) << "no hour holds the start";
    EXPECT_TRUE(Geometry::hourMarks({std::numeric_limits<double>::quiet_NaN(), nine}).empty());
}
