#include "Storage/SQLiteDatabase.h"
#include "Support/TemporaryDirectory.h"

#include <gtest/gtest.h>

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

} // namespace
