#pragma once

#include "Support/Time.h"

#include <QUuid>

#include <cstdint>
#include <optional>

namespace vesperline {

// A request to show the timeline at a moment or on a day, set on the app model and taken (then
// cleared) by the timeline screen. Every request has an id of its own, so asking twice for the same
// moment is two requests.
struct TimelineRequest {
    QUuid id;
    // The moment to show; none to show the day of `date`.
    std::optional<std::int64_t> frameID;
    // The moment's time, or a time on the day to show.
    ostrel::Time date = 0;

    bool operator==(const TimelineRequest&) const = default;
};

} // namespace vesperline
