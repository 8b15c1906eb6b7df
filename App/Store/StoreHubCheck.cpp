#include "Store/StoreHub.h"

#include "Runtime/Log.h"
#include "Storage/SQLiteError.h"

#include <condition_variable>
#include <thread>

namespace vesperline {
namespace {

constexpr int sqliteCorrupt = 11;
constexpr int sqliteInterrupt = 9;

// Calls `expire` once `budget` has passed, and again every 10 ms until it is destroyed: SQLite
// forgets an interruption that comes before its statement has started.
class Deadline {
  public:
    Deadline(std::chrono::milliseconds budget, std::function<void()> expire)
        : watcher_([this, budget, expire = std::move(expire)] {
              std::unique_lock lock(mutex_);
              std::chrono::milliseconds wait = budget;
              while (!ended_.wait_for(lock, wait, [this] { return done_; })) {
                  expire();
                  wait = std::chrono::milliseconds(10);
              }
          }) {}
    ~Deadline() {
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        ended_.notify_all();
        watcher_.join();
    }
    Deadline(const Deadline&) = delete;
    Deadline& operator=(const Deadline&) = delete;

  private:
    std::mutex mutex_;
    std::condition_variable ended_;
    bool done_ = false;
    std::thread watcher_; // last: starts once the rest is there
};

} // namespace

QFuture<bool> StoreHub::checkAsync(std::chrono::milliseconds budget) {
    return checkQueue_.submit([this, budget] { return check(budget); });
}

bool StoreHub::check(std::chrono::milliseconds budget) {
    try {
        ostrel::SQLiteDatabase db(databaseFile().string(), true);
        std::vector<std::string> findings;
        {
            std::lock_guard lock(checkLock_);
            checking_ = &db;
        }
        try {
            const Deadline deadline(budget, [this] { interruptCheck(); });
            findings = db.query("PRAGMA quick_check", {}, false,
                                [](const ostrel::SQLRow& row) { return row.text(0).value_or(""); });
        } catch (...) {
            std::lock_guard lock(checkLock_);
            checking_ = nullptr;
            throw;
        }
        {
            std::lock_guard lock(checkLock_);
            checking_ = nullptr;
        }
        if (findings != std::vector<std::string>{"ok"}) {
            // The first few findings, without the line naming the database.
            std::string found;
            int told = 0;
            for (const std::string& finding : findings) {
                if (!finding.starts_with("*** in database") && told++ < 3) {
                    found += (found.empty() ? "" : "; ") + finding;
                }
            }
            reportIfDamaged(std::make_exception_ptr(
                ostrel::SQLiteError(sqliteCorrupt, "the quick check found: " + found, "PRAGMA quick_check")));
        }
        return true;
    } catch (const ostrel::SQLiteError& error) {
        if (error.primaryCode() == sqliteInterrupt) {
            qCInfo(
                Log::storage(),
                "The database check was stopped before its end (after %lld ms at most); it runs again later",
                static_cast<long long>(budget.count()));
            return false;
        }
        reportIfDamaged(std::current_exception());
        throw;
    }
}

void StoreHub::interruptCheck() {
    std::lock_guard lock(checkLock_);
    if (checking_) {
        checking_->interrupt();
    }
}

} // namespace vesperline
