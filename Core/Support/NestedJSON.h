#pragma once

#include <nlohmann/json.hpp>

#include <optional>
#include <string_view>

namespace ostrel {

// Parses one JSON text whose arrays and objects are nested at most `maximumNesting` deep (the
// outermost counts as one); none when it is not JSON or is nested deeper. The parser keeps its own
// stack, but whatever walks the value afterwards (writing it out, converting it) recurses once per
// level, so input from outside is refused here, before any of it is built.
template <typename Json>
std::optional<Json> parseJSONNestedAtMost(std::string_view text, int maximumNesting) {
    struct NestedTooDeep {};
    try {
        // The depth handed to the callback is the number of containers around the one starting.
        return Json::parse(text, [maximumNesting](int depth, typename Json::parse_event_t event, Json&) {
            if (depth >= maximumNesting &&
                (event == Json::parse_event_t::object_start || event == Json::parse_event_t::array_start)) {
                throw NestedTooDeep();
            }
            return true;
        });
    } catch (const typename Json::exception&) {
    } catch (const NestedTooDeep&) {
    }
    return std::nullopt;
}

} // namespace ostrel
