#include "Capture/NonBlank.h"

#include "Store/Format.h"

namespace vesperline {

std::optional<std::string> nonBlank(std::optional<std::string> text) {
    if (text && Format::nonBlank(QString::fromStdString(*text))) {
        return text;
    }
    return std::nullopt;
}

} // namespace vesperline
