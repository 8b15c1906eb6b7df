#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace ostrel {

// A universally unique identifier (RFC 4122), kept as its 16 bytes.
class UUID {
  public:
    using Bytes = std::array<std::uint8_t, 16>;

    UUID() = default;
    explicit UUID(const Bytes& bytes) : bytes_(bytes) {}

    // The standard 36-character form (8-4-4-4-12 hexadecimal digits with hyphens), either case.
    static std::optional<UUID> parse(std::string_view text);

    // The standard form in upper case.
    std::string string() const;
    const Bytes& bytes() const { return bytes_; }

    bool operator==(const UUID&) const = default;

  private:
    Bytes bytes_{};
};

} // namespace ostrel

template <> struct std::hash<ostrel::UUID> {
    std::size_t operator()(const ostrel::UUID& id) const noexcept {
        const auto& b = id.bytes();
        return std::hash<std::string_view>()(
            std::string_view(reinterpret_cast<const char*>(b.data()), b.size()));
    }
};
