#pragma once

#include "Storage/MemoryStore.h"
#include "Storage/OstrelPaths.h"
#include "Support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

namespace testsupport {

// A read-write store on a fresh database file in a private data folder.
class TestStore : public ::testing::Test {
  protected:
    TestStore() {
        ostrel::OstrelPaths::ensureDirectories(dataDirectory.path());
        store = std::make_unique<ostrel::MemoryStore>(databaseFile(), false);
    }

    std::filesystem::path databaseFile() const {
        return ostrel::OstrelPaths::databaseURL(dataDirectory.path());
    }
    // A file stored relative to the frames folder of the data folder.
    std::filesystem::path frameFile(const std::string& relativePath) const {
        return ostrel::OstrelPaths::frameFileURL(dataDirectory.path(), relativePath);
    }

    DataFolder dataDirectory;
    std::unique_ptr<ostrel::MemoryStore> store;
};

} // namespace testsupport
