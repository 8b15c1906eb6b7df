#pragma once

#include "Storage/SQLRow.h"
#include "Storage/SQLValue.h"
#include "Storage/SQLiteError.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace ostrel {

// One SQLite connection with a cache of prepared statements keyed by their exact text. Not safe for
// concurrent use: every call on one object must come from one thread or serial queue at a time.
class SQLiteDatabase final {
  public:
    // What a read-only connection does about the "-wal" and "-shm" companions it had SQLite create
    // (a file in WAL mode gets them even from a reader): keep them for later connections, or remove
    // them when it closes, unless another process has the database open by then. The second is
    // only for a process whose one connection to the file this is: SQLite's locks are the process's,
    // so other connections of the same process are not seen.
    enum class Companions { keep, removeCreated };

    // A read-write connection creates a missing file, and keeps the file and its companions, with
    // mode 0600.
    SQLiteDatabase(std::string path, bool readOnly, Companions companions = Companions::keep);
    ~SQLiteDatabase();
    SQLiteDatabase(const SQLiteDatabase&) = delete;
    SQLiteDatabase& operator=(const SQLiteDatabase&) = delete;

    const std::string& path() const { return path_; }
    // The connection itself, for registering functions; null once closed.
    sqlite3* handle() const { return handle_; }
    bool isOpen() const { return handle_ != nullptr; }

    // Runs a script of one or more statements without parameters or results.
    void execute(const std::string& sql);

    // Runs one statement and returns the number of rows it changed. Pass `cached` only for fixed texts.
    int run(const std::string& sql, const std::vector<SQLValue>& values = {}, bool cached = true);

    // Maps every result row, in SQLite's order.
    template <typename Map>
    auto query(const std::string& sql, const std::vector<SQLValue>& values, bool cached, Map&& map)
        -> std::vector<decltype(map(std::declval<const SQLRow&>()))> {
        std::vector<decltype(map(std::declval<const SQLRow&>()))> rows;
        forEachRow(sql, values, cached, [&](const SQLRow& row) { rows.push_back(map(row)); });
        return rows;
    }

    // Steps through the result rows in SQLite's order while `visit` returns true; the rest are never read.
    void readRows(const std::string& sql, const std::vector<SQLValue>& values, bool cached,
                  const std::function<bool(const SQLRow&)>& visit);

    // The first column of the first row; absent when there is no row or the value is NULL.
    std::optional<std::string> scalarText(const std::string& sql, const std::vector<SQLValue>& values = {});
    std::optional<std::int64_t> scalarInt(const std::string& sql, const std::vector<SQLValue>& values = {});
    std::optional<double> scalarDouble(const std::string& sql, const std::vector<SQLValue>& values = {});

    std::int64_t lastInsertRowID() const;

    // Runs `body` inside BEGIN IMMEDIATE ... COMMIT, or joins the transaction already open on this
    // connection. On failure everything since BEGIN is rolled back and the causing error is rethrown.
    template <typename Body> auto transaction(Body&& body) -> decltype(body()) {
        if (inTransaction()) {
            return body();
        }
        execute("BEGIN IMMEDIATE");
        try {
            if constexpr (std::is_void_v<decltype(body())>) {
                body();
                commit();
            } else {
                auto result = body();
                commit();
                return result;
            }
        } catch (...) {
            rollbackQuietly();
            throw;
        }
    }

    // Finalizes every cached statement and closes the connection; harmless when already closed.
    void close();
    // Makes the statement running on the connection, if any, stop with SQLITE_INTERRUPT. The one
    // call that may come from another thread, as long as the connection is not closed meanwhile.
    void interrupt() const;

    // The library's version as major*1000000 + minor*1000 + patch.
    static int libraryVersion();

  private:
    void forEachRow(const std::string& sql, const std::vector<SQLValue>& values, bool cached,
                    const std::function<void(const SQLRow&)>& visit);
    std::optional<SQLValue> scalar(const std::string& sql, const std::vector<SQLValue>& values, int kind);
    sqlite3_stmt* prepare(const std::string& sql, bool cached);
    void bind(const std::vector<SQLValue>& values, sqlite3_stmt* statement, const std::string& sql);
    void release(sqlite3_stmt* statement, bool cached);
    SQLiteError errorFor(int code, const std::string& sql) const;
    bool inTransaction() const;
    void commit();
    void rollbackQuietly();
    void removeCreatedCompanions();

    std::string path_;
    sqlite3* handle_ = nullptr;
    std::unordered_map<std::string, sqlite3_stmt*> cache_;
    // The companions this connection had created, to remove when it closes.
    std::vector<std::string> createdCompanions_;
};

} // namespace ostrel
