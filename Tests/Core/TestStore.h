#pragma once

#include "Storage/MemoryStore.h"
#include "Storage/OstrelPaths.h"
#include "Support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <memory>

namespace testsupport {

// A read-write store on a fresh database file in a private data folder.
class TestStore : public ::testing::Test {
  protected:
    TestStore() {
        ostrel::OstrelPaths::ensureDirectories();
        store = std::make_unique<ostrel::MemoryStore>(ostrel::OstrelPaths::databaseURL(), false);
    }

    ScopedDataDirectory dataDirectory;
    std::unique_ptr<ostrel::MemoryStore> store;
};

} // namespace testsupport
