#pragma once

#include <initializer_list>
#include <string_view>
#include <unordered_set>

namespace ostrel {

// A fixed set of identifiers from string literals; the literals outlive the set, so views suffice.
using IdentifierSet = std::unordered_set<std::string_view>;

inline bool containsIdentifier(const IdentifierSet& set, std::string_view identifier) {
    return set.find(identifier) != set.end();
}

} // namespace ostrel
