#include "UI/Timeline/TimelineBarGeometry.h"

#include "Support/Time.h"
#include "UI/Shared/LocalDay.h"
#include "UI/Timeline/NearestFrameIndex.h"

#include <algorithm>
#include <cmath>

namespace vesperline::TimelineBarGeometry {

namespace {

constexpr double margin = 120;
constexpr double shortestRange = 1800;
constexpr double loneMomentSeconds = 30;
constexpr double sameRunGap = 180;
constexpr double hour = 3600;

} // namespace

double Range::span() const {
    return std::max(upper - lower, 1.0);
}

Range range(const std::vector<ostrel::FrameSummary>& frames, const std::vector<ostrel::ActivitySpan>& spans,
            const ostrel::Clock& clock) {
    std::optional<ostrel::Time> lower;
    std::optional<ostrel::Time> upper;
    const auto widen = [&](ostrel::Time low, ostrel::Time high) {
        lower = lower ? std::min(*lower, low) : low;
        upper = upper ? std::max(*upper, high) : high;
    };
    if (!frames.empty()) {
        widen(frames.front().timestamp, frames.back().timestamp);
    }
    for (const ostrel::ActivitySpan& span : spans) {
        widen(span.start, span.end);
    }
    if (!lower) {
        const ostrel::Time first = clock.now();
        return {first, std::max(first, clock.now())};
    }
    Range result{*lower - margin, *upper + margin};
    if (result.upper - result.lower < shortestRange) {
        const ostrel::Time middle = result.lower + (result.upper - result.lower) * 0.5;
        result = {middle - shortestRange / 2, middle + shortestRange / 2};
    }
    return result;
}

std::vector<Segment> segments(const std::vector<ostrel::FrameSummary>& frames,
                              const std::vector<ostrel::ActivitySpan>& spans) {
    std::vector<Segment> result;
    if (!spans.empty()) {
        result.reserve(spans.size());
        for (const ostrel::ActivitySpan& span : spans) {
            result.push_back({span.start, span.end, span.appBundleID});
        }
        return result;
    }
    for (const ostrel::FrameSummary& frame : frames) {
        if (!result.empty() && result.back().bundle == frame.appBundleID &&
            frame.timestamp - result.back().end < sameRunGap) {
            result.back().end = frame.timestamp;
        } else {
            result.push_back({frame.timestamp, frame.timestamp + loneMomentSeconds, frame.appBundleID});
        }
    }
    return result;
}

double position(const Range& range, ostrel::Time date, double width) {
    return (date - range.lower) / range.span() * width;
}

int frameIndex(const std::vector<ostrel::FrameSummary>& frames, const Range& range, double x, double width) {
    double fraction = width > 1 ? x / width : x;
    fraction = fraction <= 0 ? 0 : (fraction > 1 ? 1 : fraction);
    return nearestFrameIndex(frames, range.lower + range.span() * fraction);
}

std::vector<HourMark> hourMarks(const Range& range) {
    std::vector<HourMark> marks;
    const std::optional<QDateTime> lower = LocalDay::dateTime(range.lower);
    if (!lower) {
        return marks;
    }
    const QTime clock = lower->time();
    const qint64 intoHour = (clock.minute() * 60 + clock.second()) * 1000 + clock.msec();
    const ostrel::Time hourStart = (lower->toMSecsSinceEpoch() - intoHour) / 1000.0;

    const double hours = range.span() / hour;
    const int step = hours > 12 ? 3 : (hours > 6 ? 2 : 1);
    for (ostrel::Time t = hourStart + hour;
         t < range.upper && marks.size() < static_cast<std::size_t>(maximumHourMarks); t += hour) {
        const std::optional<QDateTime> local = LocalDay::dateTime(t);
        marks.push_back({t, local && local->time().hour() % step == 0});
    }
    return marks;
}

} // namespace vesperline::TimelineBarGeometry
