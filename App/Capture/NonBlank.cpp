#include "Capture/NonBlank.h"

#include <QString>

namespace vesperline {

bool isNonBlank(const std::string& text) {
    // Unicode white space too (no-break and ideographic spaces), as the toolkits report it.
    return !QString::fromStdString(text).trimmed().isEmpty();
}

std::optional<std::string> nonBlank(std::optional<std::string> text) {
    if (text && isNonBlank(*text)) {
        return text;
    }
    return std::nullopt;
}

} // namespace vesperline
