#pragma once

#include <exception>
#include <optional>
#include <string>

namespace ostrel {

// The one error of the database layer: SQLite's result code, its message, and the failing text.
class SQLiteError : public std::exception {
  public:
    SQLiteError(int code, std::string message, std::optional<std::string> sql = std::nullopt);

    int code() const { return code_; }
    int primaryCode() const { return code_ & 0xff; }
    // The file is damaged or is no database at all (SQLITE_CORRUPT, SQLITE_NOTADB).
    bool isDamage() const { return primaryCode() == 11 || primaryCode() == 26; }
    const std::string& message() const { return message_; }
    const std::optional<std::string>& sql() const { return sql_; }

    // "SQLite <code>: <message>", then " — " and the first 160 characters of the statement when known.
    const std::string& description() const { return description_; }
    const char* what() const noexcept override { return description_.c_str(); }

  private:
    int code_;
    std::string message_;
    std::optional<std::string> sql_;
    std::string description_;
};

} // namespace ostrel
