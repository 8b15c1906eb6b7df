#include "Rules/WorkLogBuilder.h"

#include "Search/TextNormalizer.h"

#include <unicode/basictz.h>
#include <unicode/timezone.h>
#include <unicode/tztrans.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <unordered_map>
#include <utility>

namespace ostrel::WorkLogBuilder {

namespace {

constexpr double secondsPerHour = 3600;

std::string appKey(const ActivitySpan& span) {
    if (span.appBundleID) {
        return *span.appBundleID;
    }
    return span.appName.value_or("?");
}

std::string appName(const ActivitySpan& span) {
    if (span.appName) {
        return *span.appName;
    }
    return span.appBundleID.value_or("?");
}

// Values collected under string keys, kept in first-seen order so that ties sort the same way on
// every run.
template <typename Value> class OrderedTally {
  public:
    // The value under `key`, made by `make` when the key is new.
    template <typename Make> Value& findOrCreate(const std::string& key, Make&& make) {
        const auto [it, inserted] = index_.try_emplace(key, values_.size());
        if (inserted) {
            values_.push_back(make());
        }
        return values_[it->second];
    }
    std::vector<Value>& values() { return values_; }

  private:
    std::unordered_map<std::string, std::size_t> index_;
    std::vector<Value> values_;
};

// The local hour of the day at a point in time, and where that hour ends, in one time zone.
class HourCalendar {
  public:
    explicit HourCalendar(const icu::TimeZone& zone)
        : zone_(zone), transitions_(dynamic_cast<const icu::BasicTimeZone*>(&zone)) {}

    // Absent when the zone cannot give an offset for the time.
    std::optional<double> localSeconds(Time time) const {
        int32_t rawOffset = 0;
        int32_t dstOffset = 0;
        UErrorCode status = U_ZERO_ERROR;
        zone_.getOffset(time * 1000.0, false, rawOffset, dstOffset, status);
        if (U_FAILURE(status)) {
            return std::nullopt;
        }
        return time + (rawOffset + dstOffset) / 1000.0;
    }

    int hour(double local) const {
        const double secondsOfDay = local - 86400.0 * std::floor(local / 86400.0);
        return std::clamp(static_cast<int>(secondsOfDay / secondsPerHour), 0, 23);
    }

    // The end of the local hour containing `time`: the next whole local hour at the current offset,
    // or the next change of offset when that comes first. Always after `time`.
    Time hourEnd(Time time, double local) const {
        const double localEnd = (std::floor(local / secondsPerHour) + 1) * secondsPerHour;
        Time end = time + (localEnd - local);
        icu::TimeZoneTransition transition;
        if (transitions_ && transitions_->getNextTransition(time * 1000.0, false, transition)) {
            end = std::min(end, transition.getTime() / 1000.0);
        }
        // Rounding at a boundary must not stall the walk.
        return end > time ? end : std::nextafter(time, std::numeric_limits<double>::infinity());
    }

  private:
    const icu::TimeZone& zone_;
    const icu::BasicTimeZone* transitions_;
};

std::vector<ActivitySpan> cutToDay(const std::vector<ActivitySpan>& spans, Time dayStart, Time dayEnd) {
    std::vector<ActivitySpan> kept;
    for (const auto& span : spans) {
        // A span with an unknown bound has no length to count.
        if (std::isnan(span.start) || std::isnan(span.end)) {
            continue;
        }
        const Time start = std::max(span.start, dayStart);
        const Time end = std::min(span.end, dayEnd);
        if (end > start) {
            ActivitySpan copy = span;
            copy.start = start;
            copy.end = end;
            kept.push_back(std::move(copy));
        }
    }
    std::stable_sort(kept.begin(), kept.end(),
                     [](const auto& a, const auto& b) { return a.start < b.start; });
    return kept;
}

template <typename Item, typename Less> std::vector<Item> sorted(std::vector<Item> items, Less less) {
    std::stable_sort(items.begin(), items.end(), less);
    return items;
}

} // namespace

WorkLog build(const std::vector<ActivitySpan>& spans, Time dayStart, Time dayEnd, const icu::TimeZone& zone) {
    WorkLog log = WorkLog::empty(dayStart);
    // A day without finite bounds has no hours to walk.
    if (!std::isfinite(dayStart) || !std::isfinite(dayEnd)) {
        return log;
    }
    auto kept = cutToDay(spans, dayStart, dayEnd);
    if (kept.empty()) {
        return log;
    }

    const HourCalendar calendar(zone);
    OrderedTally<WorkLogEntry> apps;
    OrderedTally<WorkLogEntry> projects;
    OrderedTally<WorkLogSlice> slices;
    // Seconds per spelling of each project key, to name the project after its most used spelling.
    OrderedTally<OrderedTally<std::pair<std::string, double>>> spellings;

    for (const auto& span : kept) {
        const double seconds = span.duration();
        const std::string key = appKey(span);
        const std::string name = appName(span);

        apps.findOrCreate(key,
                          [&] {
                              return WorkLogEntry{key, name, span.appBundleID, 0};
                          })
            .seconds += seconds;

        if (span.project && !span.project->empty()) {
            const std::string projectKey = TextNormalizer::fold(*span.project);
            projects
                .findOrCreate(projectKey,
                              [&] {
                                  return WorkLogEntry{projectKey, *span.project, span.appBundleID, 0};
                              })
                .seconds += seconds;
            spellings.findOrCreate(projectKey, [] { return OrderedTally<std::pair<std::string, double>>(); })
                .findOrCreate(*span.project, [&] { return std::pair(*span.project, 0.0); })
                .second += seconds;
        }

        for (Time cursor = span.start; cursor < span.end;) {
            const auto local = calendar.localSeconds(cursor);
            // Without a local time the rest of the span is one piece in the hour it starts in.
            const int hour = local ? calendar.hour(*local) : calendar.hour(cursor);
            const Time pieceEnd = local ? std::min(calendar.hourEnd(cursor, *local), span.end) : span.end;
            WorkLogSlice probe{hour, key, name, span.appBundleID, 0};
            slices.findOrCreate(probe.id(), [&] { return probe; }).seconds += pieceEnd - cursor;
            cursor = pieceEnd;
        }

        log.totalSeconds += seconds;
    }

    for (auto& project : projects.values()) {
        double best = -1;
        for (const auto& [spelling, seconds] :
             spellings.findOrCreate(project.id, [] { return OrderedTally<std::pair<std::string, double>>(); })
                 .values()) {
            if (seconds > best) {
                best = seconds;
                project.name = spelling;
            }
        }
    }

    const auto mostSeconds = [](const WorkLogEntry& a, const WorkLogEntry& b) {
        return a.seconds > b.seconds;
    };
    log.apps = sorted(std::move(apps.values()), mostSeconds);
    log.projects = sorted(std::move(projects.values()), mostSeconds);
    log.slices = sorted(std::move(slices.values()), [](const WorkLogSlice& a, const WorkLogSlice& b) {
        return a.hour != b.hour ? a.hour < b.hour : a.seconds > b.seconds;
    });
    log.firstActivity = kept.front().start;
    Time last = kept.front().end;
    for (const auto& span : kept) {
        last = std::max(last, span.end);
    }
    log.lastActivity = last;
    log.spans = std::move(kept);
    return log;
}

} // namespace ostrel::WorkLogBuilder
