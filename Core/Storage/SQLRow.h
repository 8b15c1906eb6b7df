#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct sqlite3_stmt;

namespace ostrel {

// A statement positioned on a result row; valid only inside the row-mapping function of a query.
struct SQLRow {
    sqlite3_stmt* statement;

    std::int64_t int64(int i) const;
    double real(int i) const;
    std::optional<std::string> text(int i) const;
    std::optional<std::int64_t> optionalInt64(int i) const;
    std::optional<double> optionalDouble(int i) const;
    bool isNull(int i) const;
};

} // namespace ostrel
