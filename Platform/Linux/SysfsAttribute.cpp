#include "Platform/Linux/SysfsAttribute.h"

#include "Support/Whitespace.h"

#include <charconv>
#include <fstream>
#include <iterator>

namespace vesperline::platform::SysfsAttribute {

std::optional<std::string> text(const std::filesystem::path& file) {
    std::ifstream stream(file);
    if (!stream) {
        return std::nullopt;
    }
    const std::string content((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
    return std::string(ostrel::Whitespace::trimmed(content));
}

std::optional<double> number(const std::filesystem::path& file) {
    const std::optional<std::string> value = text(file);
    if (!value || value->empty()) {
        return std::nullopt;
    }
    double parsed = 0;
    const char* end = value->data() + value->size();
    const auto [stop, error] = std::from_chars(value->data(), end, parsed);
    if (error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return parsed;
}

} // namespace vesperline::platform::SysfsAttribute
