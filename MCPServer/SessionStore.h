#pragma once

#include <filesystem>
#include <memory>
#include <sys/types.h>

namespace ostrel {
class MemoryStore;
}

namespace vesperline::mcp {

// The session's read-only connection to the memory, opened at the first tool call and kept for the
// next ones as long as the database path still names the file it has open. The app writes in WAL
// mode, so each new statement sees everything it committed before. A file that is gone is never
// served and never created; a file the app replaced (erased, or set aside as damaged) is opened
// afresh. While the connection is open the old file cannot free its inode, so a new file at the path
// always has another one.
class SessionStore final {
  public:
    SessionStore();
    ~SessionStore();
    SessionStore(const SessionStore&) = delete;
    SessionStore& operator=(const SessionStore&) = delete;

    // The store over the file at the database path as it is now. Throws ToolError when there is no
    // file, and the store's own error when the file cannot be opened as a database.
    ostrel::MemoryStore& current();
    // Closes the connection (after a failure), so the next call opens the file again.
    void close();

  private:
    std::unique_ptr<ostrel::MemoryStore> store_;
    std::filesystem::path file_;
    dev_t device_ = 0;
    ino_t inode_ = 0;
};

} // namespace vesperline::mcp
