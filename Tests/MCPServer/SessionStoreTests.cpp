// The session's one read-only connection: kept while the file stays, never kept past it.
#include "SessionStore.h"
#include "ToolError.h"

#include "Storage/MemoryStore.h"
#include "Storage/OstrelPaths.h"
#include "Support/TemporaryDirectory.h"

#include <gtest/gtest.h>

using vesperline::mcp::SessionStore;

namespace {

// A setting of the connection itself, not of the file: it shows whether a store is still the
// connection opened before.
void markConnection(ostrel::MemoryStore& store) {
    store.db().execute("PRAGMA cache_size = 1234");
}
bool isMarkedConnection(ostrel::MemoryStore& store) {
    return store.db().scalarInt("PRAGMA cache_size") == 1234;
}

std::int64_t momentCount(ostrel::MemoryStore& store) {
    return store.db().scalarInt("SELECT count(*) FROM frames").value_or(-1);
}

void createMemory(int moments) {
    ostrel::OstrelPaths::ensureDirectories();
    ostrel::MemoryStore store(ostrel::OstrelPaths::databaseURL(), false);
    for (int i = 0; i < moments; ++i) {
        ostrel::NewFrame frame;
        frame.timestamp = 1000 + i;
        store.insertFrame(frame);
    }
}

TEST(SessionStore, KeepsOneConnectionForAsLongAsTheFileIsTheSame) {
    testsupport::ScopedDataDirectory data;
    SessionStore session;
    EXPECT_THROW(session.current(), vesperline::mcp::ToolError);
    EXPECT_FALSE(std::filesystem::exists(data.path()));

    createMemory(1);
    markConnection(session.current());
    EXPECT_TRUE(isMarkedConnection(session.current()));
    EXPECT_EQ(momentCount(session.current()), 1);
    createMemory(1); // the app writes one more
    EXPECT_TRUE(isMarkedConnection(session.current()));
    EXPECT_EQ(momentCount(session.current()), 2);

    // Replaced by a new memory: a new connection on the new file.
    const std::filesystem::path file = ostrel::OstrelPaths::databaseURL();
    std::filesystem::rename(file, file.string() + ".aside");
    createMemory(5);
    EXPECT_FALSE(isMarkedConnection(session.current()));
    EXPECT_EQ(momentCount(session.current()), 5);

    // Closed after a failure: opened again.
    markConnection(session.current());
    session.close();
    EXPECT_FALSE(isMarkedConnection(session.current()));

    // Erased: refused, and the old connection is gone with it.
    markConnection(session.current());
    std::filesystem::remove(file);
    EXPECT_THROW(session.current(), vesperline::mcp::ToolError);
    createMemory(3);
    EXPECT_FALSE(isMarkedConnection(session.current()));
    EXPECT_EQ(momentCount(session.current()), 3);
}

} // namespace
