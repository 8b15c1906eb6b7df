#include "Storage/SQLiteDatabase.h"
#include "Support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include <sqlite3.h>

using namespace ostrel;

namespace {

class SQLiteDatabaseTest : public ::testing::Test {
  protected:
    testsupport::TemporaryDirectory folder;
    std::string path = (folder.path() / "test.sqlite").string();
    SQLiteDatabase db{path, false};

    void SetUp() override { db.execute("CREATE TABLE t (a, b); PRAGMA journal_mode = WAL;"); }

    std::int64_t rowsSeenByAnotherConnection() {
        SQLiteDatabase reader(path, true);
        return reader.scalarInt("SELECT count(*) FROM t").value_or(-1);
    }
};

TEST_F(SQLiteDatabaseTest, CachedStatementReusedWithFewerValuesBindsNull) {
    const std::string insert = "INSERT INTO t (a, b) VALUES (?, ?)";
    db.run(insert, {SQLValue::integer(1), SQLValue::text("x")});
    db.run(insert, {SQLValue::integer(2)});
    const auto rows = db.query("SELECT a, b FROM t ORDER BY a", {}, true,
                               [](const SQLRow& row) { return std::make_pair(row.int64(0), row.text(1)); });
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].second, std::optional<std::string>("x"));
    EXPECT_EQ(rows[1].second, std::nullopt);
}

TEST_F(SQLiteDatabaseTest, PreparingNothingFailsWithCodeZero) {
    for (const std::string text : {"", "   ", "-- only a comment"}) {
        try {
            db.run(text);
            FAIL() << "expected an error for '" << text << "'";
        } catch (const SQLiteError& error) {
            EXPECT_EQ(error.code(), 0);
            EXPECT_EQ(error.sql(), text);
        }
    }
    // Not cached: the same text fails again the same way instead of running a stale statement.
    EXPECT_THROW(db.run(""), SQLiteError);
}

TEST_F(SQLiteDatabaseTest, NestedTransactionCommitsOnceAtTheOuterEnd) {
    db.transaction([&] {
        db.run("INSERT INTO t (a) VALUES (1)");
        db.transaction([&] { db.run("INSERT INTO t (a) VALUES (2)"); });
        // The inner transaction joined the outer one: nothing is committed yet.
        EXPECT_EQ(rowsSeenByAnotherConnection(), 0);
    });
    EXPECT_EQ(rowsSeenByAnotherConnection(), 2);
}

TEST_F(SQLiteDatabaseTest, FailureInsideNestedTransactionRollsBackEverything) {
    EXPECT_THROW(db.transaction([&] {
        db.run("INSERT INTO t (a) VALUES (1)");
        db.transaction([&] {
            db.run("INSERT INTO t (a) VALUES (2)");
            db.run("INSERT INTO missing_table VALUES (3)");
        });
    }),
                 SQLiteError);
    EXPECT_EQ(db.scalarInt("SELECT count(*) FROM t"), 0);
    // The connection is usable again and not left inside a transaction.
    db.transaction([&] { db.run("INSERT INTO t (a) VALUES (4)"); });
    EXPECT_EQ(rowsSeenByAnotherConnection(), 1);
}

TEST_F(SQLiteDatabaseTest, FailingCommitRollsBackAndThrowsCommitsError) {
    db.execute("PRAGMA foreign_keys = ON; CREATE TABLE parent (id INTEGER PRIMARY KEY); "
               "CREATE TABLE child (p REFERENCES parent(id) DEFERRABLE INITIALLY DEFERRED);");
    try {
        db.transaction([&] {
            db.run("INSERT INTO t (a) VALUES (1)");
            db.run("INSERT INTO child (p) VALUES (42)"); // only checked at COMMIT
        });
        FAIL() << "COMMIT should have failed";
    } catch (const SQLiteError& error) {
        EXPECT_EQ(error.primaryCode(), SQLITE_CONSTRAINT);
        EXPECT_EQ(error.sql(), std::optional<std::string>("COMMIT"));
    }
    EXPECT_EQ(db.scalarInt("SELECT count(*) FROM t"), 0);
    EXPECT_EQ(db.scalarInt("SELECT count(*) FROM child"), 0);
}

TEST_F(SQLiteDatabaseTest, ScalarsAndTextValues) {
    EXPECT_EQ(db.scalarInt("SELECT a FROM t"), std::nullopt);
    EXPECT_EQ(db.scalarInt("SELECT NULL"), std::nullopt);
    EXPECT_EQ(db.scalarText("SELECT 42"), std::optional<std::string>("42"));
    EXPECT_EQ(db.scalarDouble("SELECT 2.5"), std::optional<double>(2.5));

    db.run("INSERT INTO t (a) VALUES (?)", {SQLValue::text(std::string("ab\0cd", 5))});
    EXPECT_EQ(db.scalarText("SELECT a FROM t"), std::optional<std::string>("ab"));
}

TEST_F(SQLiteDatabaseTest, ErrorsCarryCodeMessageAndStatement) {
    try {
        db.run("INSERT INTO nowhere VALUES (1)");
        FAIL();
    } catch (const SQLiteError& error) {
        EXPECT_EQ(error.code(), SQLITE_ERROR);
        EXPECT_EQ(error.message(), "no such table: nowhere");
        EXPECT_EQ(error.description(),
                  "SQLite 1: no such table: nowhere \u2014 INSERT INTO nowhere VALUES (1)");
    }
    // Too many values for the statement's parameters: SQLite's range error.
    EXPECT_THROW(db.run("INSERT INTO t (a) VALUES (?)", {SQLValue::integer(1), SQLValue::integer(2)}),
                 SQLiteError);
}

TEST(SQLiteErrorTest, DescriptionCutsTheStatementAt160Characters) {
    std::string longStatement;
    for (int i = 0; i < 50; ++i) {
        longStatement += "é"; // two bytes, one character
    }
    longStatement += std::string(200, 'x');
    const SQLiteError error(19, "constraint failed", longStatement);
    const std::string expectedStatement = std::string(longStatement, 0, 100) + std::string(110, 'x');
    EXPECT_EQ(error.description(), "SQLite 19: constraint failed \u2014 " + expectedStatement);

    EXPECT_EQ(SQLiteError(14, "unable to open database file").description(),
              "SQLite 14: unable to open database file");
}

TEST_F(SQLiteDatabaseTest, OperationsAfterCloseFailWithClosed) {
    db.run("INSERT INTO t (a) VALUES (1)");
    db.close();
    db.close();
    for (const std::string text : {"INSERT INTO t (a) VALUES (1)", "SELECT a FROM t"}) {
        try {
            db.scalarInt(text);
            FAIL();
        } catch (const SQLiteError& error) {
            EXPECT_EQ(error.message(), "closed");
        }
    }
    EXPECT_THROW(db.execute("SELECT 1"), SQLiteError);
}

TEST(SQLiteDatabaseOpenTest, ReadOnlyOpenOfMissingFileFailsAndCreatesNothing) {
    testsupport::TemporaryDirectory folder;
    const auto missing = folder.path() / "missing.sqlite";
    try {
        SQLiteDatabase db(missing.string(), true);
        FAIL();
    } catch (const SQLiteError& error) {
        EXPECT_EQ(error.code(), SQLITE_CANTOPEN);
        EXPECT_FALSE(error.sql().has_value());
    }
    EXPECT_FALSE(std::filesystem::exists(missing));
}

// A reader that leaves no companions behind removes those it had SQLite create, but never while
// another process has the database open; a reader that keeps them, and companions that were there
// before, stay.
TEST(SQLiteDatabaseOpenTest, AReaderRemovesTheCompanionsItCreatedWhenNoOtherProcessHasTheFile) {
    testsupport::TemporaryDirectory folder;
    const std::string file = (folder.path() / "memory.sqlite").string();
    {
        SQLiteDatabase writer(file, false);
        writer.execute("PRAGMA journal_mode = WAL; CREATE TABLE t (x); INSERT INTO t VALUES (1);");
    } // the last connection leaves the file alone, without companions
    const auto companions = [&] {
        return std::pair(std::filesystem::exists(file + "-wal"), std::filesystem::exists(file + "-shm"));
    };
    ASSERT_EQ(companions(), std::pair(false, false));
    const auto read = [&](SQLiteDatabase::Companions mode) {
        SQLiteDatabase reader(file, true, mode);
        EXPECT_EQ(reader.scalarInt("SELECT x FROM t"), 1);
        EXPECT_EQ(companions(), std::pair(true, true)) << "SQLite makes them even for a reader";
    };
    read(SQLiteDatabase::Companions::removeCreated);
    EXPECT_EQ(companions(), std::pair(false, false));
    read(SQLiteDatabase::Companions::keep);
    EXPECT_EQ(companions(), std::pair(true, true));
    std::filesystem::remove(file + "-wal");
    std::filesystem::remove(file + "-shm");

    // Another process (the sqlite3 shell) opens the file while the reader has it open.
    const std::filesystem::path marker = folder.path() / "shell-has-read";
    {
        SQLiteDatabase reader(file, true, SQLiteDatabase::Companions::removeCreated);
        EXPECT_EQ(reader.scalarInt("SELECT x FROM t"), 1);
        FILE* shell = ::popen(("sqlite3 " + file + " >/dev/null").c_str(), "w");
        ASSERT_NE(shell, nullptr);
        std::fputs(("SELECT x FROM t;\n.shell touch " + marker.string() + "\n").c_str(), shell);
        std::fflush(shell);
        for (int i = 0; i < 500 && !std::filesystem::exists(marker); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ASSERT_TRUE(std::filesystem::exists(marker)) << "the sqlite3 shell did not answer";
        reader.close();
        EXPECT_EQ(companions(), std::pair(true, true)) << "the shell still uses them";
        std::fputs("SELECT x FROM t;\n", shell);
        EXPECT_EQ(::pclose(shell), 0);
    }
}

} // namespace
