// The columns read from CREATE TABLE texts are exactly what SQLite's table_xinfo pragma says of
// the same tables, or the text is left to the pragma.
#include "platform/SqliteTableDefinition.h"
#include "support/TestDatabases.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

using namespace lorvane;

namespace {

struct Pragma {
    std::vector<SqliteColumnDefinition> columns;
    QString sql;  // as sqlite_master keeps it
};

// Creates the table in a fresh in-memory database and asks SQLite about it.
Pragma askSqlite(const char* ddl) {
    Pragma out;
    sqlite3* db = nullptr;
    sqlite3_open(":memory:", &db);
    char* error = nullptr;
    EXPECT_EQ(sqlite3_exec(db, ddl, nullptr, nullptr, &error), SQLITE_OK) << ddl << ": " << (error ? error : "");
    sqlite3_free(error);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT m.sql, p.name, p.type, p.\"notnull\" FROM sqlite_master m "
                       "JOIN pragma_table_xinfo(m.name) p WHERE m.type = 'table' AND m.name NOT LIKE 'sqlite%' AND p.hidden <> 1 ORDER BY p.cid",
                       -1, &stmt, nullptr);
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        out.sql = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
        out.columns.push_back({QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1))),
                               QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 2))),
                               sqlite3_column_int(stmt, 3) != 0});
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return out;
}

void expectSame(const std::vector<SqliteColumnDefinition>& read, const Pragma& sqlite, const char* ddl) {
    ASSERT_EQ(read.size(), sqlite.columns.size()) << ddl;
    for (std::size_t i = 0; i < read.size(); ++i) {
        EXPECT_EQ(read[i].name, sqlite.columns[i].name) << ddl;
        EXPECT_EQ(read[i].declaredType, sqlite.columns[i].declaredType) << ddl;
        EXPECT_EQ(read[i].notNull, sqlite.columns[i].notNull) << ddl << " column " << i;
    }
}

}  // namespace

TEST(SqliteTableDefinition, ReadsWhatThePragmaReports) {
    const char* const kRead[] = {
        "CREATE TABLE t (a INTEGER, b VARCHAR(40), c DATETIME)",
        "create table \"Order Details\" (\"Order ID\" int not null, [Unit Price] decimal(10, 2) default 0, "
        "`Qty` smallint check (Qty > 0 and Qty is not null), 'Note' text collate nocase)",
        "CREATE TABLE IF NOT EXISTS main.t (a, b, c)",
        "CREATE TABLE t (a DOUBLE   PRECISION NOT NULL, b UNSIGNED BIG INT, c VARYING CHARACTER(255) NULL)",
        "CREATE TABLE t (a INTEGER PRIMARY KEY AUTOINCREMENT, b TEXT UNIQUE NOT NULL, "
        "c INTEGER REFERENCES other(id) ON DELETE SET NULL NOT DEFERRABLE, CONSTRAINT pk UNIQUE (b, c))",
        "CREATE TABLE t (a INT, b INT GENERATED ALWAYS AS (a * 2) STORED, c AS (a + 1), d TEXT NOT NULL)",
        "CREATE TABLE t (a NUMERIC(+10, -2), b FLOAT(53), c /* a comment */ TEXT -- and another\n, d BLOB)",
        "CREATE TABLE t (\"a\"\"b\" INT, [c d] TEXT, `e``f` REAL, \"select\" INT, Ünïcödé TEXT)",
        "CREATE TABLE t (a INT DEFAULT (1 + 2), b TEXT DEFAULT 'x,y', c INT DEFAULT -1 NOT NULL, "
        "PRIMARY KEY (a), FOREIGN KEY (c) REFERENCES u (x), CHECK (b <> ''))",
        "CREATE TABLE t (a INTEGER) STRICT",
        "CREATE TABLE t (a INT NOT NULL ON CONFLICT REPLACE, b CHAR(1) CONSTRAINT nn NOT NULL)",
        "CREATE TABLE t (key INT, value TEXT, data BLOB, date DATE, time TIME, text TEXT)",
        // SQLite names its own types in capitals, however they were written.
        "CREATE TABLE t (a int, b Integer, c real, d text, e blob, f any, g integer(5), h int unsigned, i Text)",
        "CREATE TABLE t (a GENERATED ALWAYS AS (1), b TEXT)",
        // Found by fuzzing: GENERATED and ALWAYS are names inside a type, and a vertical tab
        // separates words after other white space.
        "CREATE TABLE t (a INT GENERATED ALWAECISION NULL, b INT GENERATED ALWAYS AS (1), c INT GeNeRaTeD  AlWaYs)",
        "CREATE TABLE t (a \vTEXT, \xc3\xa9\n\v\vVARCHAR(3))",
    };
    for (const char* ddl : kRead) {
        const Pragma sqlite = askSqlite(ddl);
        const auto read = readSqliteTableDefinition(sqlite.sql);
        ASSERT_TRUE(read.has_value()) << ddl;
        expectSame(*read, sqlite, ddl);
    }
    // A table made from a query is kept with a column list that SQLite wrote itself.
    const Pragma copied = askSqlite("CREATE TABLE t AS SELECT 1 AS a, 'x' AS \"b c\", 2.5 AS d");
    const auto read = readSqliteTableDefinition(copied.sql);
    ASSERT_TRUE(read.has_value()) << qPrintable(copied.sql);
    expectSame(*read, copied, "CREATE TABLE ... AS SELECT");
}

TEST(SqliteTableDefinition, LeavesOtherFormsToThePragma) {
    for (const char* sql : {"CREATE TABLE t (a INT PRIMARY KEY, b TEXT) WITHOUT ROWID",
                            "CREATE VIRTUAL TABLE t USING fts5(a, b)", "CREATE TABLE t (a 'quoted type')",
                            "CREATE TABLE t AS SELECT 1", "CREATE VIEW v AS SELECT 1", "CREATE TABLE t (a INT",
                            "CREATE TABLE t (a \"unterminated)", "CREATE TABLE t ()", "", "CREATE TABLE t (a INT,)",
                            "CREATE TABLE t (a DECIMAL(x))"})
        EXPECT_FALSE(readSqliteTableDefinition(QString::fromUtf8(sql)).has_value()) << sql;
}

TEST(SqliteTableDefinition, EveryTableOfTheSampleDatabase) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(test::sampleDatabasePath().toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr),
              SQLITE_OK);
    sqlite3_stmt* tables = nullptr;
    sqlite3_prepare_v2(db, "SELECT name, sql FROM sqlite_master WHERE type = 'table'", -1, &tables, nullptr);
    int read = 0;
    while (sqlite3_step(tables) == SQLITE_ROW) {
        const QString sql = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(tables, 1)));
        const auto columns = readSqliteTableDefinition(sql);
        if (!columns)
            continue;
        ++read;
        Pragma pragma;
        sqlite3_stmt* p = nullptr;
        sqlite3_prepare_v2(db, "SELECT name, type, \"notnull\" FROM pragma_table_xinfo(?) WHERE hidden <> 1", -1, &p,
                           nullptr);
        sqlite3_bind_text(p, 1, reinterpret_cast<const char*>(sqlite3_column_text(tables, 0)), -1, SQLITE_TRANSIENT);
        while (sqlite3_step(p) == SQLITE_ROW)
            pragma.columns.push_back({QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(p, 0))),
                                      QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(p, 1))),
                                      sqlite3_column_int(p, 2) != 0});
        sqlite3_finalize(p);
        expectSame(*columns, pragma, qPrintable(sql));
    }
    sqlite3_finalize(tables);
    sqlite3_close(db);
    EXPECT_GE(read, 8);
}
