#pragma once

#include <string_view>

namespace ostrel {

// The leading parts an address loses, in this order, before the search index keeps it; a "site:"
// filter drops them too, so that what the user copied from an address bar finds its pages.
inline constexpr std::string_view addressPrefixes[] = {"https://", "http://", "www."};

// The address without those leading parts (compared as written, letter case included).
inline std::string_view withoutAddressPrefixes(std::string_view address) {
    for (const std::string_view prefix : addressPrefixes) {
        if (address.starts_with(prefix)) {
            address.remove_prefix(prefix.size());
        }
    }
    return address;
}

} // namespace ostrel
