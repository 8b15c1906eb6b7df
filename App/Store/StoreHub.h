#pragma once

#include "Runtime/MainThread.h"
#include "Runtime/SerialQueue.h"
#include "Runtime/SystemClock.h"
#include "Storage/MemoryStore.h"

#include <QFuture>
#include <QObject>

#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <type_traits>
#include <utility>

namespace vesperline {

// The application's only owner of database connections: a read-write store used only on the write
// queue and a read-only store used only on the read queue, both on the data folder's database file.
// In WAL mode the two are separate connections, so reads never wait behind writes.
//
// Every database access of the application goes through the five access operations below; a body
// gets the store for the duration of its call and must not keep it. A damaged database (SQLite's
// primary code 11 or 26 from any body) is logged and reported to `onDamage` once, until `recover`
// succeeds. Create and destroy the hub on the main thread.
//
// Waiting order: `eraseAll` and `recover` hold the read queue, then the write queue. A body on the
// write queue must therefore never wait for the read queue, and nothing waits from the queue it
// would wait for.
class StoreHub final {
  public:
    // Creates the data folder tree and opens both stores. Throws what fails, unchanged, and reports
    // nothing: the caller may quarantine a damaged file and try again.
    explicit StoreHub(const ostrel::Clock& clock = systemClock());
    ~StoreHub();
    StoreHub(const StoreHub&) = delete;
    StoreHub& operator=(const StoreHub&) = delete;

    static std::filesystem::path databaseFile();

    // Runs `body(reader)` on the read queue; the future holds its result or its exception.
    template <typename Body> auto readAsync(Body body) {
        return readQueue_.submit([this, body = std::move(body)]() mutable { return run(*reader_, body); });
    }
    // Runs `body(writer)` on the write queue; the future holds its result or its exception.
    template <typename Body> auto writeAsync(Body body) {
        return writeQueue_.submit([this, body = std::move(body)]() mutable { return run(*writer_, body); });
    }

    // Posts `body(writer)` to the write queue and returns at once; a failure is dropped.
    template <typename Body> void write(Body body) {
        writeQueue_.async([this, body = std::move(body)]() mutable {
            try {
                run(*writer_, body);
            } catch (...) {
            }
        });
    }
    // The same, then `completion` runs on the main thread with the outcome: the body's result, or
    // nothing when it threw (for a body without result: whether it succeeded).
    template <typename Body, typename Completion> void write(Body body, Completion completion) {
        writeQueue_.async([this, body = std::move(body), completion = std::move(completion)]() mutable {
            using Result = std::invoke_result_t<Body&, ostrel::MemoryStore&>;
            if constexpr (std::is_void_v<Result>) {
                bool succeeded = false;
                try {
                    run(*writer_, body);
                    succeeded = true;
                } catch (...) {
                }
                MainThread::post([completion, succeeded] { completion(succeeded); });
            } else {
                std::optional<Result> outcome;
                try {
                    outcome.emplace(run(*writer_, body));
                } catch (...) {
                }
                MainThread::post(
                    [completion, outcome = std::move(outcome)]() mutable { completion(std::move(outcome)); });
            }
        });
    }

    // Runs `body(writer)` on the write queue and waits for it, after every write posted before;
    // returns its result or rethrows its exception. Not from the read queue.
    template <typename Body> auto sync(Body&& body) {
        return writeQueue_.sync([&] { return run(*writer_, body); });
    }
    // Runs `body(reader)` on the read queue and waits for it; returns its result or rethrows.
    template <typename Body> auto readSync(Body&& body) {
        return readQueue_.sync([&] { return run(*reader_, body); });
    }

    // Erases the whole memory: closes both stores, removes the database and its companions, every
    // quarantined copy and the frames folder (nothing else of the data folder), and opens a new,
    // empty database. On failure the stores stay closed and every access fails with "closed".
    void eraseAll();
    // After damage: closes both stores, moves the database files aside and opens a new, empty
    // database; the video segments stay. Damage can be reported again once this succeeded.
    void recover();

    // Moves the database file and its "-wal" and "-shm" companions, where present, to
    // "ostrel-damaged-<yyyyMMdd-HHmmss>.sqlite" (+ companion suffix) beside it, stamped with `moment`
    // in local time. Refuses, moving nothing, when a copy with that stamp exists already.
    static void quarantineDamagedFile(ostrel::Time moment);

    // Logs and reports damage once when `error` is a SQLiteError of primary code 11 or 26.
    void reportIfDamaged(const std::exception_ptr& error);

    // Called on the main thread, asynchronously, when damage is first reported. Set on the main thread.
    void setOnDamage(std::function<void()> onDamage) { onDamage_ = std::move(onDamage); }

    const SerialQueue& writeQueue() const { return writeQueue_; }
    const SerialQueue& readQueue() const { return readQueue_; }

  private:
    template <typename Body> decltype(auto) run(ostrel::MemoryStore& store, Body& body) {
        try {
            return body(store);
        } catch (...) {
            reportIfDamaged(std::current_exception());
            throw;
        }
    }
    // Runs `block` on the read queue while also holding the write queue, so no block of either
    // queue can see the stores while they are closed and replaced.
    void holdingBothQueues(const std::function<void()>& block);
    void closeStores();
    void openStores();

    const ostrel::Clock& clock_;
    // Declared before the queues: blocks still queued at destruction run before these go.
    std::unique_ptr<QObject> mainContext_; // stands for the hub on the main thread
    std::unique_ptr<ostrel::MemoryStore> writer_;
    std::unique_ptr<ostrel::MemoryStore> reader_;
    std::mutex damageLock_;
    bool damageReported_ = false;
    std::function<void()> onDamage_;
    SerialQueue writeQueue_;
    SerialQueue readQueue_;
};

} // namespace vesperline
