#pragma once

#include <cstdint>
#include <initializer_list>

namespace ostrel {

// Where a moment's text came from: a bit set over one raw value. Unknown bits are kept as read.
struct TextSource {
    std::int64_t rawValue = 0;

    static constexpr TextSource accessibility() { return {1}; }
    static constexpr TextSource ocr() { return {2}; }

    constexpr TextSource() = default;
    constexpr TextSource(std::int64_t raw) : rawValue(raw) {}
    constexpr TextSource(std::initializer_list<TextSource> options) {
        for (TextSource option : options) {
            rawValue |= option.rawValue;
        }
    }

    constexpr bool isEmpty() const { return rawValue == 0; }
    constexpr bool contains(TextSource member) const {
        return (rawValue & member.rawValue) == member.rawValue;
    }
    constexpr TextSource unionWith(TextSource other) const { return {rawValue | other.rawValue}; }
    constexpr TextSource intersection(TextSource other) const { return {rawValue & other.rawValue}; }
    constexpr TextSource symmetricDifference(TextSource other) const { return {rawValue ^ other.rawValue}; }
    constexpr TextSource subtracting(TextSource other) const { return {rawValue & ~other.rawValue}; }
    constexpr bool isSubset(TextSource other) const { return (rawValue & ~other.rawValue) == 0; }
    constexpr bool isDisjoint(TextSource other) const { return (rawValue & other.rawValue) == 0; }
    // Adds `member`; true when it was not there before.
    constexpr bool insert(TextSource member) {
        const bool isNew = !contains(member);
        rawValue |= member.rawValue;
        return isNew;
    }
    // Removes `member`; true when it was there.
    constexpr bool remove(TextSource member) {
        const bool wasPresent = (rawValue & member.rawValue) != 0;
        rawValue &= ~member.rawValue;
        return wasPresent;
    }

    constexpr bool operator==(const TextSource&) const = default;
};

} // namespace ostrel
