#include "Support/UUID.h"

#include <uuid/uuid.h>

#include <cstring>

namespace ostrel {

std::optional<UUID> UUID::parse(std::string_view text) {
    uuid_t bytes;
    if (uuid_parse_range(text.data(), text.data() + text.size(), bytes) != 0) {
        return std::nullopt;
    }
    Bytes result;
    std::memcpy(result.data(), bytes, result.size());
    return UUID(result);
}

std::string UUID::string() const {
    char text[37];
    uuid_unparse_upper(bytes_.data(), text);
    return text;
}

} // namespace ostrel
