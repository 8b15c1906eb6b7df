#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace vesperline::platform::SysfsAttribute {

// The text of a small kernel attribute file (sysfs, procfs) without surrounding white space; none
// when it cannot be read.
std::optional<std::string> text(const std::filesystem::path& file);

// The attribute as a decimal number; none when it cannot be read or is not entirely a number.
std::optional<double> number(const std::filesystem::path& file);

} // namespace vesperline::platform::SysfsAttribute
