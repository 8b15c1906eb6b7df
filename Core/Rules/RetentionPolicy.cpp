#include "Rules/RetentionPolicy.h"

#include <limits>
#include <stdexcept>
#include <string>

namespace ostrel {

namespace {

std::int64_t requiredInteger(const nlohmann::ordered_json& json, const char* key) {
    const auto found = json.find(key);
    if (found == json.end()) {
        throw std::invalid_argument(std::string("retention policy lacks \"") + key + "\"");
    }
    const bool fits =
        found->is_number_integer() &&
        (!found->is_number_unsigned() ||
         found->get<std::uint64_t>() <= std::uint64_t(std::numeric_limits<std::int64_t>::max()));
    if (!fits) {
        throw std::invalid_argument(std::string("retention policy \"") + key + "\" is not an integer");
    }
    return found->get<std::int64_t>();
}

} // namespace

nlohmann::ordered_json RetentionPolicy::toJSON() const {
    nlohmann::ordered_json json = nlohmann::ordered_json::object();
    json["fullImageDays"] = fullImageDays;
    json["keyframeDays"] = keyframeDays;
    json["textDays"] = textDays;
    json["diskCapBytes"] = diskCapBytes;
    return json;
}

RetentionPolicy RetentionPolicy::fromJSON(const nlohmann::ordered_json& json) {
    if (!json.is_object()) {
        throw std::invalid_argument("retention policy is not a keyed object");
    }
    return RetentionPolicy{
        .fullImageDays = requiredInteger(json, "fullImageDays"),
        .keyframeDays = requiredInteger(json, "keyframeDays"),
        .textDays = requiredInteger(json, "textDays"),
        .diskCapBytes = requiredInteger(json, "diskCapBytes"),
    };
}

} // namespace ostrel
