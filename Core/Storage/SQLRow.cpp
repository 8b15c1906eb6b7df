#include "Storage/SQLRow.h"

#include <sqlite3.h>

namespace ostrel {

std::int64_t SQLRow::int64(int i) const {
    return sqlite3_column_int64(statement, i);
}

double SQLRow::real(int i) const {
    return sqlite3_column_double(statement, i);
}

std::optional<std::string> SQLRow::text(int i) const {
    const unsigned char* value = sqlite3_column_text(statement, i);
    if (!value) {
        return std::nullopt;
    }
    return std::string(reinterpret_cast<const char*>(value));
}

std::optional<std::int64_t> SQLRow::optionalInt64(int i) const {
    if (isNull(i)) {
        return std::nullopt;
    }
    return sqlite3_column_int64(statement, i);
}

std::optional<double> SQLRow::optionalDouble(int i) const {
    if (isNull(i)) {
        return std::nullopt;
    }
    return sqlite3_column_double(statement, i);
}

bool SQLRow::isNull(int i) const {
    return sqlite3_column_type(statement, i) == SQLITE_NULL;
}

} // namespace ostrel
