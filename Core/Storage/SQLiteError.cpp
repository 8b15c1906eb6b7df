#include "Storage/SQLiteError.h"

#include "Support/Graphemes.h"

namespace ostrel {

SQLiteError::SQLiteError(int code, std::string message, std::optional<std::string> sql)
    : code_(code), message_(std::move(message)), sql_(std::move(sql)) {
    description_ = "SQLite " + std::to_string(code_) + ": " + message_;
    if (sql_) {
        description_ += " \u2014 " + Graphemes::prefix(*sql_, 160);
    }
}

} // namespace ostrel
