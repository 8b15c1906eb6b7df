#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>

namespace vesperline {

// The global shortcut: a virtual key code and a set of modifier bits, as stored in the settings.
// The platform's hot-key layer maps both to its own keys and modifiers.
struct HotKeyCombo {
    static constexpr std::uint32_t spaceKey = 49;
    static constexpr std::uint32_t command = 0x100;
    static constexpr std::uint32_t shift = 0x200;
    static constexpr std::uint32_t option = 0x800;
    static constexpr std::uint32_t control = 0x1000;

    // A default value is Command-Shift-Space.
    std::uint32_t keyCode = spaceKey;
    std::uint32_t carbonModifiers = command | shift;

    bool operator==(const HotKeyCombo&) const = default;
};

// The stored form: {"keyCode":49,"carbonModifiers":768}. Decoding needs an object with both members
// holding whole numbers from 0 to 2^32 - 1 and throws std::invalid_argument otherwise; other members
// are ignored.
void to_json(nlohmann::ordered_json& json, const HotKeyCombo& combo);
void from_json(const nlohmann::ordered_json& json, HotKeyCombo& combo);

} // namespace vesperline
