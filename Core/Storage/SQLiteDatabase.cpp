#include "Storage/SQLiteDatabase.h"

#include <sqlite3.h>

namespace ostrel {

SQLiteDatabase::SQLiteDatabase(std::string path, bool readOnly) : path_(std::move(path)) {
    const int flags = readOnly ? (SQLITE_OPEN_READONLY | SQLITE_OPEN_FULLMUTEX)
                               : (SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX);
    sqlite3* connection = nullptr;
    const int result = sqlite3_open_v2(path_.c_str(), &connection, flags, nullptr);
    if (result != SQLITE_OK || connection == nullptr) {
        std::string message = "open failed";
        if (connection != nullptr) {
            message = sqlite3_errmsg(connection);
            sqlite3_close_v2(connection);
        }
        throw SQLiteError(result, message);
    }
    handle_ = connection;
    sqlite3_busy_timeout(handle_, 5000);
    sqlite3_extended_result_codes(handle_, 1);
}

SQLiteDatabase::~SQLiteDatabase() {
    close();
}

void SQLiteDatabase::close() {
    for (auto& [text, statement] : cache_) {
        sqlite3_finalize(statement);
    }
    cache_.clear();
    if (handle_ != nullptr) {
        sqlite3_close_v2(handle_);
        handle_ = nullptr;
    }
}

int SQLiteDatabase::libraryVersion() {
    return sqlite3_libversion_number();
}

SQLiteError SQLiteDatabase::errorFor(int code, const std::string& sql) const {
    return SQLiteError(code, handle_ ? sqlite3_errmsg(handle_) : "closed", sql);
}

void SQLiteDatabase::execute(const std::string& sql) {
    char* errorText = nullptr;
    const int result = sqlite3_exec(handle_, sql.c_str(), nullptr, nullptr, &errorText);
    if (result != SQLITE_OK) {
        std::string message = errorText ? errorText : "exec failed";
        sqlite3_free(errorText);
        throw SQLiteError(result, message, sql);
    }
}

sqlite3_stmt* SQLiteDatabase::prepare(const std::string& sql, bool cached) {
    if (cached) {
        if (auto found = cache_.find(sql); found != cache_.end()) {
            sqlite3_reset(found->second);
            sqlite3_clear_bindings(found->second);
            return found->second;
        }
    }
    if (handle_ == nullptr) {
        throw SQLiteError(SQLITE_MISUSE, "closed", sql);
    }
    sqlite3_stmt* statement = nullptr;
    const int result = sqlite3_prepare_v3(handle_, sql.c_str(), -1, cached ? SQLITE_PREPARE_PERSISTENT : 0,
                                          &statement, nullptr);
    if (result != SQLITE_OK) {
        throw errorFor(result, sql);
    }
    if (statement == nullptr) {
        // Only white space or comments: nothing to run.
        throw errorFor(0, sql);
    }
    if (cached) {
        cache_.emplace(sql, statement);
    }
    return statement;
}

void SQLiteDatabase::bind(const std::vector<SQLValue>& values, sqlite3_stmt* statement,
                          const std::string& sql) {
    for (std::size_t i = 0; i < values.size(); ++i) {
        const SQLValue& value = values[i];
        const int index = static_cast<int>(i) + 1;
        int result;
        if (value.isInteger()) {
            result = sqlite3_bind_int64(statement, index, value.asInteger());
        } else if (value.isReal()) {
            result = sqlite3_bind_double(statement, index, value.asReal());
        } else if (value.isText()) {
            // Up to the first zero character, copied by SQLite.
            result = sqlite3_bind_text(statement, index, value.asText().c_str(), -1, SQLITE_TRANSIENT);
        } else {
            result = sqlite3_bind_null(statement, index);
        }
        if (result != SQLITE_OK) {
            throw errorFor(result, sql);
        }
    }
}

void SQLiteDatabase::release(sqlite3_stmt* statement, bool cached) {
    if (cached) {
        sqlite3_reset(statement);
    } else {
        sqlite3_finalize(statement);
    }
}

int SQLiteDatabase::run(const std::string& sql, const std::vector<SQLValue>& values, bool cached) {
    sqlite3_stmt* statement = prepare(sql, cached);
    try {
        bind(values, statement, sql);
        int result;
        while ((result = sqlite3_step(statement)) == SQLITE_ROW) {
        }
        if (result != SQLITE_DONE) {
            throw errorFor(result, sql);
        }
        const int changes = sqlite3_changes(handle_);
        release(statement, cached);
        return changes;
    } catch (...) {
        release(statement, cached);
        throw;
    }
}

void SQLiteDatabase::forEachRow(const std::string& sql, const std::vector<SQLValue>& values, bool cached,
                                const std::function<void(const SQLRow&)>& visit) {
    readRows(sql, values, cached, [&](const SQLRow& row) {
        visit(row);
        return true;
    });
}

void SQLiteDatabase::readRows(const std::string& sql, const std::vector<SQLValue>& values, bool cached,
                              const std::function<bool(const SQLRow&)>& visit) {
    sqlite3_stmt* statement = prepare(sql, cached);
    try {
        bind(values, statement, sql);
        const SQLRow row{statement};
        while (true) {
            const int result = sqlite3_step(statement);
            if (result == SQLITE_ROW) {
                if (!visit(row)) {
                    break;
                }
            } else if (result == SQLITE_DONE) {
                break;
            } else {
                throw errorFor(result, sql);
            }
        }
        release(statement, cached);
    } catch (...) {
        release(statement, cached);
        throw;
    }
}

std::optional<SQLValue> SQLiteDatabase::scalar(const std::string& sql, const std::vector<SQLValue>& values,
                                               int kind) {
    std::optional<SQLValue> first;
    bool seenRow = false;
    // The whole result is stepped through before answering, like any cached query.
    forEachRow(sql, values, true, [&](const SQLRow& row) {
        if (seenRow) {
            return;
        }
        seenRow = true;
        if (row.isNull(0)) {
            return;
        }
        if (kind == SQLITE_TEXT) {
            first = SQLValue::text(*row.text(0));
        } else if (kind == SQLITE_INTEGER) {
            first = SQLValue::integer(row.int64(0));
        } else {
            first = SQLValue::real(row.real(0));
        }
    });
    return first;
}

std::optional<std::string> SQLiteDatabase::scalarText(const std::string& sql,
                                                      const std::vector<SQLValue>& values) {
    auto value = scalar(sql, values, SQLITE_TEXT);
    return value ? std::optional<std::string>(value->asText()) : std::nullopt;
}

std::optional<std::int64_t> SQLiteDatabase::scalarInt(const std::string& sql,
                                                      const std::vector<SQLValue>& values) {
    auto value = scalar(sql, values, SQLITE_INTEGER);
    return value ? std::optional<std::int64_t>(value->asInteger()) : std::nullopt;
}

std::optional<double> SQLiteDatabase::scalarDouble(const std::string& sql,
                                                   const std::vector<SQLValue>& values) {
    auto value = scalar(sql, values, SQLITE_FLOAT);
    return value ? std::optional<double>(value->asReal()) : std::nullopt;
}

std::int64_t SQLiteDatabase::lastInsertRowID() const {
    return handle_ ? sqlite3_last_insert_rowid(handle_) : 0;
}

bool SQLiteDatabase::inTransaction() const {
    return handle_ != nullptr && sqlite3_get_autocommit(handle_) == 0;
}

void SQLiteDatabase::commit() {
    execute("COMMIT");
}

void SQLiteDatabase::rollbackQuietly() {
    try {
        execute("ROLLBACK");
    } catch (const SQLiteError&) {
        // The error that caused the rollback is the one that matters.
    }
}

} // namespace ostrel
