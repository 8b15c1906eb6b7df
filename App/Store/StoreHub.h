#pragma once

#include "Runtime/FailureDescription.h"
#include "Runtime/SerialQueue.h"
#include "Runtime/SystemClock.h"
#include "Runtime/WhenFinished.h"
#include "Storage/MemoryStore.h"
#include "Store/StoreOutcome.h"

#include <QFuture>
#include <QObject>

#include <chrono>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>

namespace vesperline {

// The application's only owner of database connections: a read-write store used only on the write
// queue, a read-only store used only on the read queue, and a read-only store of its own for the
// searches the user types, used only on the search queue; all on the data folder's database file.
// The data folder is fixed at creation; everything that keeps files in it (segments, retention, the
// image loader) takes its places from the hub.
// In WAL mode they are separate connections, so reads never wait behind writes, and a search never
// waits behind other reads (statistics, app lists, the moments behind pictures).
//
// Every database access of the application goes through the access operations below; a body gets
// the store for the duration of its call and must not keep it. A damaged database (SQLite's primary
// code 11 or 26 from any body) is logged and reported to `onDamage` once, until `recover` succeeds.
// Create and destroy the hub on the main thread.
//
// Waiting order: `eraseAll`, `recover` and `rebuild` hold the read queue, then the search queue,
// then the write queue, then the check queue. A body on the write or search queue must therefore
// never wait for the read queue, and nothing waits from the queue it would wait for.
class StoreHub final {
  public:
    // Creates the data folder tree in `dataDirectory` and opens its stores. Throws what fails,
    // unchanged, and reports nothing: the caller may quarantine a damaged file and try again.
    explicit StoreHub(std::filesystem::path dataDirectory, const ostrel::Clock& clock = systemClock());
    ~StoreHub();
    StoreHub(const StoreHub&) = delete;
    StoreHub& operator=(const StoreHub&) = delete;

    const std::filesystem::path& dataDirectory() const { return dataDirectory_; }
    std::filesystem::path databaseFile() const;
    std::filesystem::path framesDirectory() const;
    std::filesystem::path segmentsDirectory() const;
    // A file stored relative to the frames folder, as segment rows name theirs.
    std::filesystem::path frameFile(const std::string& relativePath) const;

    // Runs `body(reader)` on the read queue; the future holds its result or its exception.
    template <typename Body> auto readAsync(Body body) {
        return readQueue_.submit([this, body = std::move(body)]() mutable { return run(*reader_, body); });
    }
    // Runs `body(searcher)` on the search queue, which runs nothing but the searches the user types.
    // A search that `superseded` reports as no longer wanted, before it starts or while SQLite works
    // on it, stops there; its future then holds an exception. The future holds the body's result or
    // its exception.
    template <typename Body> auto searchAsync(Body body, std::function<bool()> superseded = {}) {
        return searchQueue_.submit(
            [this, body = std::move(body), superseded = std::move(superseded)]() mutable {
                if (superseded && superseded()) {
                    throw SearchSuperseded();
                }
                const SearchInterruption interruption(*searcher_, superseded);
                return run(*searcher_, body);
            });
    }
    // What a search that was superseded before it started holds.
    struct SearchSuperseded : std::runtime_error {
        SearchSuperseded() : std::runtime_error("superseded by a newer search") {}
    };

    // Runs `body(writer)` on the write queue; the future holds its result or its exception.
    template <typename Body> auto writeAsync(Body body) {
        return writeQueue_.submit([this, body = std::move(body)]() mutable { return run(*writer_, body); });
    }

    // Posts `body(writer)` to the write queue and returns at once; a failure is logged.
    template <typename Body> void write(Body body) {
        writeQueue_.async([this, body = std::move(body)]() mutable {
            try {
                run(*writer_, body);
            } catch (...) {
                logWriteFailure(std::current_exception());
            }
        });
    }
    // The same, then `completion(StoreOutcome<Result>)` runs on `context`'s thread with the body's
    // result or its failure, unless `context` is destroyed first. Call it on `context`'s thread or
    // while `context` surely lives.
    template <typename Body, typename Completion>
    void write(Body body, QObject* context, Completion completion) {
        using Result = std::invoke_result_t<Body&, ostrel::MemoryStore&>;
        QFuture<StoreOutcome<Result>> outcome = writeQueue_.submit([this, body = std::move(body)]() mutable {
            StoreOutcome<Result> reported;
            try {
                if constexpr (std::is_void_v<Result>) {
                    run(*writer_, body);
                    reported.value.emplace();
                } else {
                    reported.value.emplace(run(*writer_, body));
                }
            } catch (...) {
                reported.failure =
                    isDamage(std::current_exception()) ? StoreFailure::damaged : StoreFailure::other;
                reported.error = describeFailure(std::current_exception());
            }
            return reported;
        });
        whenFinished(std::move(outcome), context,
                     [completion = std::move(completion)](const QFuture<StoreOutcome<Result>>& done) mutable {
                         completion(done.result());
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
    // After damage, and before `recover` is offered: closes both stores, builds a new database from
    // every row the damaged one still reads in full, with its full-text index made again from the
    // stored texts, sets the damaged files aside as `recover` does and opens the new one in their
    // place. Damage can be reported again once this succeeded. Throws when the damaged file cannot
    // be read in full (damage outside the index) or the new one cannot be written; the stores are
    // then opened again on the damaged file.
    void rebuild();

    // Moves the database file of `dataDirectory` and its "-wal" and "-shm" companions, where present,
    // to "ostrel-damaged-<yyyyMMdd-HHmmss>.sqlite" (+ companion suffix) beside it, stamped with
    // `moment` in local time. Refuses, moving nothing, when a copy with that stamp exists already.
    static void quarantineDamagedFile(const std::filesystem::path& dataDirectory, ostrel::Time moment);

    // Looks for damage that no read has met: SQLite's quick check of the whole file's structure, on
    // a read-only connection and a queue of their own, so that reads and writes never wait for it.
    // Gives up when it has not ended within `budget`, or when the stores are about to be replaced.
    // Damage found is logged and reported as any damage is. The future tells whether it ended.
    QFuture<bool> checkAsync(std::chrono::milliseconds budget);

    // Whether `error` means the database file is damaged: a SQLiteError of primary code 11 or 26.
    static bool isDamage(const std::exception_ptr& error);
    // Logs and reports damage once when `error` means it.
    void reportIfDamaged(const std::exception_ptr& error);

    // Called on the main thread, asynchronously, when damage is first reported. Set on the main thread.
    void setOnDamage(std::function<void()> onDamage) { onDamage_ = std::move(onDamage); }

    const SerialQueue& writeQueue() const { return writeQueue_; }
    const SerialQueue& readQueue() const { return readQueue_; }
    const SerialQueue& searchQueue() const { return searchQueue_; }

  private:
    // While it lives, the statement `store` is running stops (with SQLITE_INTERRUPT) as soon as
    // `superseded` says so; nothing without one.
    class SearchInterruption {
      public:
        SearchInterruption(ostrel::MemoryStore& store, const std::function<bool()>& superseded);
        ~SearchInterruption();
        SearchInterruption(const SearchInterruption&) = delete;
        SearchInterruption& operator=(const SearchInterruption&) = delete;

      private:
        ostrel::MemoryStore* store_ = nullptr;
    };

    template <typename Body> decltype(auto) run(ostrel::MemoryStore& store, Body& body) {
        try {
            return body(store);
        } catch (...) {
            reportIfDamaged(std::current_exception());
            throw;
        }
    }
    // Runs `block` on the read queue while also holding the search, write and check queues, so no
    // block of any queue can see the stores while they are closed and replaced, and no check reads
    // the file meanwhile.
    void holdingAllQueues(const std::function<void()>& block);
    void clearDamageReported();
    void closeStores();
    void openStores();
    bool check(std::chrono::milliseconds budget);
    // Stops the check that runs, if any.
    void interruptCheck();
    static void logWriteFailure(const std::exception_ptr& error);

    const std::filesystem::path dataDirectory_;
    const ostrel::Clock& clock_;
    // Declared before the queues: blocks still queued at destruction run before these go.
    std::unique_ptr<QObject> mainContext_; // stands for the hub on the main thread
    std::unique_ptr<ostrel::MemoryStore> writer_;
    std::unique_ptr<ostrel::MemoryStore> reader_;
    std::unique_ptr<ostrel::MemoryStore> searcher_;
    std::mutex damageLock_;
    bool damageReported_ = false;
    std::function<void()> onDamage_;
    // The connection of the check that runs, for stopping it from another thread.
    std::mutex checkLock_;
    const ostrel::SQLiteDatabase* checking_ = nullptr;
    SerialQueue writeQueue_;
    SerialQueue readQueue_;
    SerialQueue searchQueue_;
    SerialQueue checkQueue_;
};

} // namespace vesperline
