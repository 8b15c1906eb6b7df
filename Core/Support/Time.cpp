#include "Support/Time.h"

#include <cmath>
#include <cstdio>
#include <ctime>

namespace ostrel {

std::string iso8601UTC(Time time) {
    const std::time_t seconds = static_cast<std::time_t>(std::floor(time));
    std::tm parts{};
    gmtime_r(&seconds, &parts);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", parts.tm_year + 1900, parts.tm_mon + 1,
                  parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec);
    return text;
}

std::optional<std::tm> localFields(Time time) {
    if (!std::isfinite(time)) {
        return std::nullopt;
    }
    refreshLocalTimeZone();
    const std::time_t seconds = static_cast<std::time_t>(std::floor(time));
    std::tm parts{};
    if (!localtime_r(&seconds, &parts)) {
        return std::nullopt;
    }
    return parts;
}

void refreshLocalTimeZone() {
    // Re-reads TZ, or /etc/localtime when the file changed; cheap when nothing did.
    ::tzset();
}

} // namespace ostrel
