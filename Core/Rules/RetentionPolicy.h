#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>

namespace ostrel {

// How long pictures, key frames and text are kept, and how much disk they may use. A value of 0 or
// less switches its step off.
struct RetentionPolicy {
    std::int64_t fullImageDays = 0;
    std::int64_t keyframeDays = 0;
    std::int64_t textDays = 0;
    std::int64_t diskCapBytes = 0;

    bool operator==(const RetentionPolicy&) const = default;

    // The keyed form: "fullImageDays", "keyframeDays", "textDays", "diskCapBytes", in that order.
    nlohmann::ordered_json toJSON() const;
    // Requires all four keys with integer values; throws std::invalid_argument naming the bad key.
    static RetentionPolicy fromJSON(const nlohmann::ordered_json& json);
};

} // namespace ostrel
