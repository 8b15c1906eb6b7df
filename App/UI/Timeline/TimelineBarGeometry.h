#pragma once

#include "Storage/ActivitySpan.h"
#include "Storage/FrameSummary.h"

#include <optional>
#include <string>
#include <vector>

namespace ostrel {
class Clock;
}

// Where the timeline bar puts things: the time range it shows, the app blocks, the x of a time, the
// moment under an x and the hour marks. Pure functions of the day's moments and activity spans, so
// the bar computes them once per change of its inputs.
namespace vesperline::TimelineBarGeometry {

struct Range {
    ostrel::Time lower = 0;
    ostrel::Time upper = 0;
    // The length in seconds, at least one.
    double span() const;
    bool operator==(const Range&) const = default;
};

// One app-coloured block of the bar.
struct Segment {
    ostrel::Time start = 0;
    ostrel::Time end = 0;
    std::optional<std::string> bundle;
    bool operator==(const Segment&) const = default;
};

struct HourMark {
    ostrel::Time time = 0;
    bool labelled = false; // only every second or third hour is labelled on a long range
    bool operator==(const HourMark&) const = default;
};

// A range whose span ends far away (a damaged end time, say) would otherwise ask for millions of
// hour marks; no more than this many are made.
constexpr int maximumHourMarks = 240;

// The moments and spans with two minutes to spare on both sides, and at least half an hour around
// their middle; a zero-length range at `clock`'s current time when there is nothing.
Range range(const std::vector<ostrel::FrameSummary>& frames, const std::vector<ostrel::ActivitySpan>& spans,
            const ostrel::Clock& clock);

// One block per span as stored; without spans, runs of one app's moments less than three minutes
// apart, a lone moment giving a 30 s block.
std::vector<Segment> segments(const std::vector<ostrel::FrameSummary>& frames,
                              const std::vector<ostrel::ActivitySpan>& spans);

// The x of `date` in a bar `width` wide; not clamped, so times outside the range lie outside it.
double position(const Range& range, ostrel::Time date, double width);

// The moment nearest to the time at `x`; an x beyond either end counts as that end.
int frameIndex(const std::vector<ostrel::FrameSummary>& frames, const Range& range, double x, double width);

// A line at every full local hour inside the range, labelled at hours divisible by 3 beyond twelve
// hours, by 2 beyond six; at most `maximumHourMarks`.
std::vector<HourMark> hourMarks(const Range& range);

} // namespace vesperline::TimelineBarGeometry
