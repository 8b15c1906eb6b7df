// A store of the synthetic memory of SyntheticMemory.h in a folder that outlives the run: built once
// (which takes a while for a million moments) and reused by later runs that ask for no more moments.
#pragma once

#include "Storage/MemoryStore.h"
#include "Support/SyntheticMemory.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>

namespace benchsupport {

// Makes sure the database at `path` holds at least `moments` synthetic moments.
inline void prepareSyntheticStore(const std::filesystem::path& path, std::int64_t moments) {
    std::filesystem::create_directories(path.parent_path());
    {
        ostrel::MemoryStore store(path, false);
        if (store.db().scalarInt("SELECT count(*) FROM frames").value_or(0) >= moments) {
            std::printf("Reusing %s with at least %lld moments\n", path.c_str(),
                        static_cast<long long>(moments));
            return;
        }
    }
    for (const char* suffix : {"", "-wal", "-shm"}) {
        std::filesystem::remove(path.string() + suffix);
    }
    ostrel::MemoryStore store(path, false);
    MomentStream stream(moments);
    const double seconds = insertMoments(store, stream, moments);
    std::printf("Built %s: %lld moments in %.1f s\n", path.c_str(), static_cast<long long>(moments), seconds);
    store.db().execute("PRAGMA wal_checkpoint(TRUNCATE);");
}

} // namespace benchsupport
