#include "Storage/SQLiteDatabase.h"

#include "Support/PrivateFiles.h"

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>

namespace ostrel {
namespace {

constexpr std::array<const char*, 2> companionSuffixes = {"-wal", "-shm"};

// A file name, not ":memory:", an empty name (a temporary database) or a URI.
bool namesAFile(const std::string& path) {
    return !path.empty() && path.front() != ':' && !path.starts_with("file:");
}

bool exists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

} // namespace

SQLiteDatabase::SQLiteDatabase(std::string path, bool readOnly, Companions companions)
    : path_(std::move(path)) {
    if (namesAFile(path_) && !readOnly) {
        PrivateFiles::prepare(path_);
        for (const char* suffix : companionSuffixes) {
            PrivateFiles::restrict(path_ + suffix);
        }
    }
    if (namesAFile(path_) && readOnly && companions == Companions::removeCreated) {
        for (const char* suffix : companionSuffixes) {
            if (!exists(path_ + suffix)) {
                createdCompanions_.push_back(path_ + suffix);
            }
        }
    }
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
        removeCreatedCompanions();
    }
}

void SQLiteDatabase::interrupt() const {
    if (handle_ != nullptr) {
        sqlite3_interrupt(handle_);
    }
}

void SQLiteDatabase::removeCreatedCompanions() {
    if (createdCompanions_.empty()) {
        return;
    }
    std::vector<std::string> created;
    created.swap(createdCompanions_);
    // Every connection to a file in WAL mode holds a shared lock on the database file's shared
    // range while it is open, and a new one takes it before it touches the companions. Holding that
    // range exclusively (as SQLite itself does before it removes them) shows that no other process
    // has the file open, and keeps any from opening it until the companions are gone.
    const int descriptor = ::open(path_.c_str(), O_RDWR | O_CLOEXEC);
    if (descriptor < 0) {
        return;
    }
    constexpr off_t pendingByte = 0x40000000;
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = pendingByte + 2;
    lock.l_len = 510;
    if (::fcntl(descriptor, F_SETLK, &lock) == 0) {
        for (const std::string& companion : created) {
            struct stat info {};
            // A log that holds anything was written by a writer, not by this reader: it stays.
            if (::lstat(companion.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
                (companion.ends_with("-shm") || info.st_size == 0)) {
                ::unlink(companion.c_str());
            }
        }
    }
    ::close(descriptor); // releases the lock
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
