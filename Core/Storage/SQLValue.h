#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

namespace ostrel {

// A parameter value bound to a statement.
class SQLValue {
  public:
    struct Null {
        bool operator==(const Null&) const = default;
    };

    static SQLValue integer(std::int64_t v) { return SQLValue(Storage(v)); }
    static SQLValue real(double v) { return SQLValue(Storage(v)); }
    static SQLValue text(std::string v) { return SQLValue(Storage(std::move(v))); }
    static SQLValue null() { return SQLValue(Storage(Null{})); }

    // Absent optionals become NULL, so an absent value is stored as NULL.
    static SQLValue optionalText(const std::optional<std::string>& v) { return v ? text(*v) : null(); }
    static SQLValue optionalInteger(std::optional<std::int64_t> v) { return v ? integer(*v) : null(); }
    static SQLValue optionalReal(std::optional<double> v) { return v ? real(*v) : null(); }

    bool isInteger() const { return std::holds_alternative<std::int64_t>(value_); }
    bool isReal() const { return std::holds_alternative<double>(value_); }
    bool isText() const { return std::holds_alternative<std::string>(value_); }
    bool isNull() const { return std::holds_alternative<Null>(value_); }

    std::int64_t asInteger() const { return std::get<std::int64_t>(value_); }
    double asReal() const { return std::get<double>(value_); }
    const std::string& asText() const { return std::get<std::string>(value_); }

    // Same case with equal payloads; doubles compare by IEEE equality, so NaN never equals.
    bool operator==(const SQLValue&) const = default;

  private:
    using Storage = std::variant<std::int64_t, double, std::string, Null>;
    explicit SQLValue(Storage v) : value_(std::move(v)) {}
    Storage value_;
};

} // namespace ostrel
