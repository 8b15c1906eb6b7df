#include "SessionStore.h"

#include "ToolError.h"

#include "Storage/MemoryStore.h"
#include "Storage/OstrelPaths.h"

#include <sys/stat.h>

namespace vesperline::mcp {

SessionStore::SessionStore() = default;
SessionStore::~SessionStore() = default;

ostrel::MemoryStore& SessionStore::current() {
    const std::filesystem::path file = ostrel::OstrelPaths::databaseURL();
    // Looked at before opening: a file replaced in between is then seen as new at the next call.
    struct stat status {};
    if (::stat(file.c_str(), &status) != 0) {
        close();
        throw ToolError("Vesperline has not recorded anything yet on this computer. Open the Vesperline app "
                        "and finish setup first.");
    }
    if (store_ && file == file_ && status.st_dev == device_ && status.st_ino == inode_) {
        return *store_;
    }
    close();
    // The app may not be running: what SQLite makes beside the file for this reader goes with it.
    auto store =
        std::make_unique<ostrel::MemoryStore>(file, true, ostrel::SQLiteDatabase::Companions::removeCreated);
    // SQLite reads the file lazily: reading the schema now makes a file that is no database fail here,
    // with the store's own error, rather than look like a database without the permission.
    store->db().execute("SELECT count(*) FROM sqlite_master");
    store_ = std::move(store);
    file_ = file;
    device_ = status.st_dev;
    inode_ = status.st_ino;
    return *store_;
}

void SessionStore::close() {
    store_.reset();
}

} // namespace vesperline::mcp
