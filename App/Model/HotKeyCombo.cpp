#include "Model/HotKeyCombo.h"

#include <limits>
#include <stdexcept>
#include <string>

namespace vesperline {
namespace {

std::uint32_t requiredMember(const nlohmann::ordered_json& json, const char* name) {
    const auto found = json.find(name);
    if (found == json.end()) {
        throw std::invalid_argument(std::string("hot key lacks \"") + name + "\"");
    }
    // Negative numbers, fractions and anything past 32 bits are no key code or modifier set.
    const bool fits = found->is_number_integer() &&
                      (found->is_number_unsigned()
                           ? found->get<std::uint64_t>() <= std::numeric_limits<std::uint32_t>::max()
                           : found->get<std::int64_t>() >= 0 &&
                                 found->get<std::int64_t>() <= std::numeric_limits<std::uint32_t>::max());
    if (!fits) {
        throw std::invalid_argument(std::string("hot key \"") + name + "\" is not a 32-bit unsigned integer");
    }
    return found->get<std::uint32_t>();
}

} // namespace

void to_json(nlohmann::ordered_json& json, const HotKeyCombo& combo) {
    json = nlohmann::ordered_json{{"keyCode", combo.keyCode}, {"carbonModifiers", combo.carbonModifiers}};
}

void from_json(const nlohmann::ordered_json& json, HotKeyCombo& combo) {
    if (!json.is_object()) {
        throw std::invalid_argument("hot key is not an object");
    }
    combo = HotKeyCombo{.keyCode = requiredMember(json, "keyCode"),
                        .carbonModifiers = requiredMember(json, "carbonModifiers")};
}

} // namespace vesperline
