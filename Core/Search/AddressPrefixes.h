#pragma once

#include <string_view>

namespace ostrel {

// The leading parts an address loses, in this order, before the search index keeps it; a "site:"
// filter drops them too, so that what the user copied from an address bar finds its pages.
inline constexpr std::string_view addressPrefixes[] = {"https://", "http://", "www."};

} // namespace ostrel
