#pragma once

#include <optional>
#include <string>

namespace ostrel::ProjectInference {

// The lower-case host of a page address without a leading "www." label; absent when the address
// does not parse as a URL reference or has no authority host (e.g. no scheme and no "//").
std::optional<std::string> host(const std::optional<std::string>& address);

} // namespace ostrel::ProjectInference
