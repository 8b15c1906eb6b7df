#include "Store/StoreHub.h"

#include "Runtime/Log.h"
#include "Runtime/MainThread.h"
#include "Storage/OstrelPaths.h"
#include "Storage/SQLiteError.h"
#include "Support/PrivateFiles.h"

#include <QCoreApplication>
#include <QDateTime>

#include <sqlite3.h>

#include <array>
#include <cerrno>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

namespace vesperline {

namespace {

constexpr const char* quarantinePrefix = "ostrel-damaged-";
// Where a rebuilt database is made before it takes the damaged one's place.
constexpr const char* rebuildingName = "ostrel-rebuilding.sqlite";
constexpr std::array<const char*, 3> companionSuffixes = {"", "-wal", "-shm"};

bool isQuarantinedCopy(const std::string& name) {
    if (!name.starts_with(quarantinePrefix)) {
        return false;
    }
    for (const char* suffix : companionSuffixes) {
        if (name.ends_with(std::string(".sqlite") + suffix)) {
            return true;
        }
    }
    return false;
}

// What erasing the memory removes from the data folder: the database and SQLite's companions of it,
// quarantined copies and the frames folder. The folder may be one the user also keeps other files
// in, so nothing else is touched.
void removeMemoryFiles(const fs::path& root) {
    if (!fs::exists(fs::symlink_status(root))) {
        return;
    }
    const std::string database = ostrel::OstrelPaths::databaseFileName;
    for (const fs::directory_entry& entry : fs::directory_iterator(root)) {
        const std::string name = entry.path().filename().string();
        const bool isDatabaseFile = name == database || name == database + "-wal" ||
                                    name == database + "-shm" || name == database + "-journal" ||
                                    name.starts_with(rebuildingName);
        if (isDatabaseFile || isQuarantinedCopy(name)) {
            fs::remove(entry.path());
        }
    }
    fs::remove_all(ostrel::OstrelPaths::framesDirectory(root));
}

} // namespace

StoreHub::StoreHub(fs::path dataDirectory, const ostrel::Clock& clock)
    : dataDirectory_(std::move(dataDirectory)), clock_(clock), mainContext_(std::make_unique<QObject>()),
      writeQueue_(".store.write", QThread::LowPriority), readQueue_(".store.read", QThread::HighPriority),
      searchQueue_(".store.search", QThread::HighPriority),
      checkQueue_(".store.check", QThread::LowestPriority) {
    if (const QCoreApplication* app = QCoreApplication::instance()) {
        mainContext_->moveToThread(app->thread());
    }
    ostrel::OstrelPaths::ensureDirectories(dataDirectory_);
    openStores();
}

StoreHub::~StoreHub() {
    interruptCheck();
}

fs::path StoreHub::databaseFile() const {
    return ostrel::OstrelPaths::databaseURL(dataDirectory_);
}

fs::path StoreHub::framesDirectory() const {
    return ostrel::OstrelPaths::framesDirectory(dataDirectory_);
}

fs::path StoreHub::segmentsDirectory() const {
    return ostrel::OstrelPaths::framesSubdirectory(dataDirectory_, "segments");
}

fs::path StoreHub::frameFile(const std::string& relativePath) const {
    return ostrel::OstrelPaths::frameFileURL(dataDirectory_, relativePath);
}

void StoreHub::openStores() {
    writer_ = std::make_unique<ostrel::MemoryStore>(databaseFile(), false);
    reader_ = std::make_unique<ostrel::MemoryStore>(databaseFile(), true);
    searcher_ = std::make_unique<ostrel::MemoryStore>(databaseFile(), true);
}

void StoreHub::closeStores() {
    writer_->db().close();
    reader_->db().close();
    searcher_->db().close();
}

void StoreHub::holdingAllQueues(const std::function<void()>& block) {
    interruptCheck();
    readQueue_.sync([&] { searchQueue_.sync([&] { writeQueue_.sync([&] { checkQueue_.sync(block); }); }); });
}

StoreHub::SearchInterruption::SearchInterruption(ostrel::MemoryStore& store,
                                                 const std::function<bool()>& superseded) {
    sqlite3* handle = store.db().handle();
    if (!superseded || !handle) {
        return;
    }
    store_ = &store;
    // SQLite asks every so many virtual machine steps; a few thousand take well under a millisecond.
    constexpr int steps = 4000;
    sqlite3_progress_handler(
        handle, steps,
        [](void* asked) { return (*static_cast<const std::function<bool()>*>(asked))() ? 1 : 0; },
        const_cast<std::function<bool()>*>(&superseded));
}

StoreHub::SearchInterruption::~SearchInterruption() {
    if (store_ && store_->db().handle()) {
        sqlite3_progress_handler(store_->db().handle(), 0, nullptr, nullptr);
    }
}

void StoreHub::eraseAll() {
    holdingAllQueues([&] {
        closeStores();
        removeMemoryFiles(dataDirectory_);
        ostrel::OstrelPaths::ensureDirectories(dataDirectory_);
        openStores();
    });
}

void StoreHub::recover() {
    holdingAllQueues([&] {
        closeStores();
        quarantineDamagedFile(dataDirectory_, clock_.now());
        ostrel::OstrelPaths::ensureDirectories(dataDirectory_);
        openStores();
    });
    clearDamageReported();
}

void StoreHub::rebuild() {
    const fs::path rebuilt = dataDirectory_ / rebuildingName;
    const auto removeRebuilt = [&] {
        for (const char* suffix : companionSuffixes) {
            std::error_code ignored;
            fs::remove(rebuilt.string() + suffix, ignored);
        }
    };
    holdingAllQueues([&] {
        closeStores();
        try {
            removeRebuilt(); // what a rebuild cut short left
            ostrel::MemoryStore::rebuild(databaseFile(), rebuilt);
            quarantineDamagedFile(dataDirectory_, clock_.now());
        } catch (...) {
            removeRebuilt();
            openStores();
            throw;
        }
        fs::rename(rebuilt, databaseFile());
        openStores();
    });
    clearDamageReported();
}

void StoreHub::clearDamageReported() {
    std::lock_guard lock(damageLock_);
    damageReported_ = false;
}

void StoreHub::quarantineDamagedFile(const fs::path& dataDirectory, ostrel::Time moment) {
    const QString stamp = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(moment * 1000.0))
                              .toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const fs::path database = ostrel::OstrelPaths::databaseURL(dataDirectory);
    const fs::path quarantined =
        database.parent_path() / (std::string(quarantinePrefix) + stamp.toStdString() + ".sqlite");

    // Every destination is checked before anything moves: overwriting an earlier copy would lose it,
    // and stopping half-way would leave a companion of the damaged file beside the new database.
    for (const char* suffix : companionSuffixes) {
        const fs::path destination = quarantined.string() + suffix;
        if (fs::exists(fs::symlink_status(destination))) {
            throw fs::filesystem_error("a quarantined copy with this stamp exists already", destination,
                                       std::make_error_code(std::errc::file_exists));
        }
    }
    for (const char* suffix : companionSuffixes) {
        const fs::path source = database.string() + suffix;
        if (fs::exists(fs::symlink_status(source))) {
            fs::rename(source, quarantined.string() + suffix);
            // A file of an older version may still be readable by others; its copy is not.
            ostrel::PrivateFiles::restrict(quarantined.string() + suffix);
        }
    }
}

bool StoreHub::isDamage(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const ostrel::SQLiteError& sqliteError) {
        return sqliteError.isDamage();
    } catch (...) {
        return false;
    }
}

void StoreHub::reportIfDamaged(const std::exception_ptr& error) {
    if (!isDamage(error)) {
        return;
    }
    {
        std::lock_guard lock(damageLock_);
        if (std::exchange(damageReported_, true)) {
            return;
        }
    }
    qCCritical(Log::storage, "Database is damaged: %s", describeFailure(error).c_str());
    MainThread::post(mainContext_.get(), [this] {
        if (onDamage_) {
            onDamage_();
        }
    });
}

void StoreHub::logWriteFailure(const std::exception_ptr& error) {
    qCCritical(Log::storage, "Write failed: %s", describeFailure(error).c_str());
}

} // namespace vesperline
