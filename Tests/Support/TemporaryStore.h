#pragma once

#include "Storage/MemoryStore.h"
#include "Support/TemporaryDirectory.h"

namespace testsupport {

// A read-write store on a fresh database file in a temporary folder.
class TemporaryStore {
  public:
    TemporaryStore() : store_(folder_.path() / "ostrel.sqlite", false) {}

    ostrel::MemoryStore& store() { return store_; }
    ostrel::SQLiteDatabase& db() { return store_.db(); }
    std::filesystem::path databaseFile() const { return folder_.path() / "ostrel.sqlite"; }

  private:
    TemporaryDirectory folder_;
    ostrel::MemoryStore store_;
};

} // namespace testsupport
