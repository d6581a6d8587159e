// Read-only runs cannot be escaped: every known way of smuggling a second statement, a
// transaction command or a write past the check is refused on SQLite, on PostgreSQL and
// through ODBC (to SQLite and to PostgreSQL), and the database's own client finds every table
// whole afterwards.
#include "platform/Connection.h"
#include "support/ErrorOf.h"
#include "support/TestDatabases.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace lorvane;
using namespace lorvane::test;

namespace {

// Texts that try to end the statement, or the transaction, and go on to write. A few of them
// are one harmless statement to one database (SQLite reads $$ as a parameter, PostgreSQL
// nests comments); that database may run them, every other must refuse them.
enum Harmless { NowhereHarmless = 0, HarmlessToSqlite = 1, HarmlessToPostgres = 2 };
struct Escape {
    const char* sql;
    int harmlessTo;
};
const Escape kEscapes[] = {
    {"SELECT E'\\''; COMMIT; DROP TABLE victim; --'", NowhereHarmless},
    {"SELECT e'\\''; COMMIT; DROP TABLE victim; --'", NowhereHarmless},
    {"SELECT $$'$$; COMMIT; INSERT INTO victim VALUES (99); --'", HarmlessToSqlite},
    {"SELECT $x$'$x$; COMMIT; DROP TABLE victim; --'", HarmlessToSqlite},
    {"SELECT 1 /* ' */; COMMIT; DROP TABLE victim; --", NowhereHarmless},
    {"SELECT 1 /* /* */ ; COMMIT; DROP TABLE victim; -- */", HarmlessToPostgres},
    {"SELECT 'a\\'; DROP TABLE victim; -- '", NowhereHarmless},
    {"SELECT [ ; DROP TABLE victim ; ]", NowhereHarmless},
    {"SELECT \"x\"; DROP TABLE victim", NowhereHarmless},
    {"SELECT 1; DROP TABLE victim", NowhereHarmless},
    {"SELECT 1;\nDELETE FROM victim", NowhereHarmless},
    {"DELETE FROM victim", NowhereHarmless},
    {"DROP TABLE victim", NowhereHarmless},
    {"COMMIT", NowhereHarmless},
    {"BEGIN", NowhereHarmless},
    {"BEGIN; DELETE FROM victim", NowhereHarmless},
    {"SAVEPOINT s", NowhereHarmless},
    {"WITH d AS (DELETE FROM victim RETURNING *) SELECT * FROM d", NowhereHarmless},
    {"WITH x AS (SELECT 1) DELETE FROM victim", NowhereHarmless},
    {"SELECT * INTO victim_copy FROM victim", NowhereHarmless},
    {"SELECT 1 UNION SELECT 2; UPDATE victim SET x = 0", NowhereHarmless},
    {"DO $$BEGIN DROP TABLE victim; END$$", NowhereHarmless},
    {"PRAGMA writable_schema = 1", NowhereHarmless},
    {"EXPLAIN SELECT 1", NowhereHarmless},
    {"SET default_transaction_read_only = off", NowhereHarmless},
    {"SELECT 'unclosed", NowhereHarmless},
    {"SELECT 1 /* unclosed", NowhereHarmless},
};

// Texts that read only, with the characters the check must not mistake for an escape. SQLite's
// ODBC driver splits text at every ";" itself, even inside a comment, so it refuses the two
// marked ones on its own.
struct ReadOnly {
    const char* sql;
    bool sqliteOdbcRefuses;
};
const ReadOnly kReadsOnly[] = {
    {"SELECT COUNT(*) FROM victim WHERE note <> 'a;b'", false},
    {"SELECT COUNT(*) FROM victim WHERE note <> 'it''s; DELETE'", false},
    {"SELECT COUNT(*) FROM victim -- a comment; DROP TABLE victim", true},
    {"SELECT COUNT(*) /* ; */ FROM victim;", true},
    {"SELECT (SELECT COUNT(*) FROM victim)", false},
    {"WITH v AS (SELECT x FROM victim) SELECT COUNT(*) FROM v", false},
    {"SELECT COUNT(*) FROM victim WHERE note <> 'C:\\temp'", false},
    {"SELECT COUNT(*) FROM victim WHERE note <> 'drop table victim; commit'", false},
};

void createVictim(Connection& c) {
    c.Execute(QStringLiteral("CREATE TABLE victim (x INTEGER, note VARCHAR(40))"));
    for (const char* row : {"(1, 'one')", "(2, 'two')", "(3, 'three')"})
        c.Execute(QStringLiteral("INSERT INTO victim VALUES ") + QString::fromLatin1(row));
}

void expectEveryEscapeRefused(Connection& c, Harmless harmlessHere, const std::function<QString()>& victimRows,
                              bool sqliteOdbc = false) {
    for (const Escape& escape : kEscapes) {
        SCOPED_TRACE(escape.sql);
        const QString sql = QString::fromUtf8(escape.sql);
        if (escape.harmlessTo & harmlessHere) {
            errorNumberOf([&] { c.OpenRecordSet(sql, 0, true); });  // may run: it is one SELECT here
        } else {
            const VLNError e = errorOf([&] { c.OpenRecordSet(sql, 0, true); });
            EXPECT_FALSE(e.description().isEmpty());
        }
        EXPECT_EQ(victimRows(), "3");
    }
    for (const ReadOnly& query : kReadsOnly) {
        SCOPED_TRACE(query.sql);
        if (sqliteOdbc && query.sqliteOdbcRefuses)
            continue;
        EXPECT_EQ(c.OpenRecordSet(QString::fromUtf8(query.sql), 0, true)->Value(0).toInt(), 3);
    }
    // The connection still writes when asked to outside a run.
    EXPECT_EQ(c.Execute(QStringLiteral("UPDATE victim SET note = 'changed' WHERE x = 1")), 1);
}

}  // namespace

TEST(ReadOnlyRun, SqliteRefusesEveryEscapeAndTransactionControl) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("victim.db"));
    QFile(file).open(QIODevice::WriteOnly);
    Connection c;
    c.Open(QStringLiteral("Provider=SQLite;Data Source=") + file);
    createVictim(c);
    expectEveryEscapeRefused(c, HarmlessToSqlite, [&] { return sqliteCli(file, QStringLiteral("SELECT COUNT(*) FROM victim;")); });

    // ATTACH would create a file; the authorizer stops it before SQLite touches the disk.
    const QString attached = dir.filePath(QStringLiteral("created.db"));
    errorOf([&] { c.OpenRecordSet(QStringLiteral("ATTACH '%1' AS x").arg(attached), 0, true); });
    EXPECT_FALSE(QFileInfo::exists(attached));
    // A refused BEGIN leaves no lock: another writer can change the file at once.
    errorOf([&] { c.OpenRecordSet(QStringLiteral("BEGIN IMMEDIATE"), 0, true); });
    EXPECT_EQ(sqliteCli(file, QStringLiteral("INSERT INTO victim VALUES (4, 'four'); SELECT COUNT(*) FROM victim;")), "4");
}

TEST(ReadOnlyRun, PostgresRefusesEveryEscapeAndTheSessionStaysWritable) {
    const QString pg = newPostgresDatabase(QStringLiteral("lorvane_escape_test"));
    ASSERT_FALSE(pg.isEmpty());
    Connection c;
    c.Open(pg);
    createVictim(c);
    expectEveryEscapeRefused(c, HarmlessToPostgres, [&] { return psqlCli(pg, QStringLiteral("SELECT COUNT(*) FROM victim")); });
    EXPECT_EQ(psqlCli(pg, QStringLiteral("SELECT note FROM victim WHERE x = 1")), "changed");

    // A write hidden inside a function meets the read-only transaction, in plain words.
    c.Execute(QStringLiteral("CREATE FUNCTION wipe() RETURNS integer LANGUAGE sql AS 'DELETE FROM victim; SELECT 0'"));
    const VLNError hidden = errorOf([&] { c.OpenRecordSet(QStringLiteral("SELECT wipe()"), 0, true); });
    EXPECT_TRUE(hidden.description().contains("read-only")) << hidden.description().toStdString();
    EXPECT_EQ(psqlCli(pg, QStringLiteral("SELECT COUNT(*) FROM victim")), "3");
    // The session is read-write again after every run, refused or not.
    EXPECT_EQ(c.OpenRecordSet(QStringLiteral("SHOW default_transaction_read_only"))->Value(0).toString(), "off");
    EXPECT_EQ(c.Execute(QStringLiteral("INSERT INTO victim VALUES (4, 'four')")), 1);
}

TEST(ReadOnlyRun, PostgresFetchesInChunksAndStopsAtTheRowLimit) {
    const QString pg = newPostgresDatabase(QStringLiteral("lorvane_fetch_test"));
    ASSERT_FALSE(pg.isEmpty());
    Connection c;
    c.Open(pg);
    const QString series = QStringLiteral(
        "SELECT g AS n, g * 1.5::float8 AS r, (g % 2 = 0) AS even, 'row ' || g AS t, DATE '2020-01-01' + g AS d, "
        "TIMESTAMP '2020-01-01 10:30:00' AS ts, g::numeric(10,2) AS m, '\\x00ff'::bytea AS b, NULL::text AS nothing "
        "FROM generate_series(1, 25003) g");
    auto all = c.OpenRecordSet(series, 0, true);
    EXPECT_EQ(all->RecordCount(), 25003);
    all->MoveLast();
    EXPECT_EQ(all->Value(0).toInt(), 25003);
    EXPECT_DOUBLE_EQ(all->Value(1).toDouble(), 25003 * 1.5);
    EXPECT_EQ(all->Value(2).toBool(), false);
    EXPECT_EQ(all->Value(3).toString(), "row 25003");
    EXPECT_EQ(all->Value(4).toDate(), QDate(2020, 1, 1).addDays(25003));
    EXPECT_EQ(all->Value(5).toDateTime(), QDateTime(QDate(2020, 1, 1), QTime(10, 30)));
    EXPECT_EQ(all->Value(6).toString(), "25003.00");
    EXPECT_EQ(all->Value(7).toByteArray(), QByteArray("\x00\xff", 2));
    EXPECT_FALSE(all->Value(8).isValid());
    EXPECT_EQ(all->Field(0).type, 3);
    EXPECT_EQ(all->Field(6).type, 14);
    EXPECT_EQ(all->Field(6).definedSize, 10);
    EXPECT_EQ(c.OpenRecordSet(series, 10, true)->RecordCount(), 10);
    EXPECT_EQ(c.OpenRecordSet(series, 10000, true)->RecordCount(), 10000);
    EXPECT_EQ(c.OpenRecordSet(QStringLiteral("SELECT 1 AS n WHERE false"), 0, true)->FieldCount(), 1);
    const VLNError bad = errorOf([&] { c.OpenRecordSet(QStringLiteral("SELECT [Name] FROM victim"), 0, true); });
    EXPECT_EQ(bad.description(), "syntax error at or near \"[\"");
    EXPECT_EQ(bad.source(), "QPSQL");
}

TEST(ReadOnlyRun, OdbcToSqliteAndToPostgresRefusesEveryEscape) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("victim.db"));
    QFile(file).open(QIODevice::WriteOnly);
    {
        Connection odbc;
        odbc.Open(odbcConnectionStringFor(file));
        createVictim(odbc);
        expectEveryEscapeRefused(
            odbc, NowhereHarmless, [&] { return sqliteCli(file, QStringLiteral("SELECT COUNT(*) FROM victim;")); }, true);
    }
    // PostgreSQL's ODBC driver runs every statement of a text: only the check stands between.
    const QString pg = newPostgresDatabase(QStringLiteral("lorvane_odbc_escape_test"));
    ASSERT_FALSE(pg.isEmpty());
    Connection odbc;
    odbc.Open(odbcConnectionStringForPostgres(pg));
    EXPECT_EQ(odbc.DriverName(), "QODBC");
    createVictim(odbc);
    expectEveryEscapeRefused(odbc, NowhereHarmless, [&] { return psqlCli(pg, QStringLiteral("SELECT COUNT(*) FROM victim")); });
}

namespace {

// MariaDB's own ways out of one read-only SELECT: its comment forms (# and "-- ", and
// /*! ... */ and /*M! ... */ whose text the server runs), files the server writes or reads,
// statements the prepared protocol does not take, session settings, locks, procedures, and
// backslashes read both with and without NO_BACKSLASH_ESCAPES.
const char* const kMariaDbEscapes[] = {
    "SELECT 1 # ; \n; DELETE FROM victim",
    "SELECT 1 -- ;\n; DELETE FROM victim",
    "SELECT 1 --; DELETE FROM victim",
    "SELECT 1 /*! ; DELETE FROM victim */",
    "SELECT 1 /*!50000 ; DELETE FROM victim */",
    "SELECT 1 /*M! ; DELETE FROM victim */",
    "SELECT 1 /*M!100000 ; DELETE FROM victim */",
    "SELECT 1 /*!, (SELECT 1 FROM victim FOR UPDATE) */",
    "SELECT * FROM victim /*!INTO OUTFILE '@FILES@escape1.txt' */",
    "SELECT * FROM victim INTO OUTFILE '@FILES@escape2.txt'",
    "SELECT * INTO OUTFILE '@FILES@escape3.txt' FROM victim",
    "SELECT note FROM victim LIMIT 1 INTO DUMPFILE '@FILES@escape4.txt'",
    "SELECT x INTO @stolen FROM victim LIMIT 1",
    "WITH v AS (SELECT x FROM victim) SELECT x FROM v INTO OUTFILE '@FILES@escape5.txt'",
    "LOAD DATA INFILE '@FILES@load.txt' INTO TABLE victim",
    "LOAD DATA LOCAL INFILE '@FILES@load.txt' INTO TABLE victim",
    "LOAD XML INFILE '@FILES@load.txt' INTO TABLE victim",
    "SET SESSION TRANSACTION READ WRITE",
    "SET @@SESSION.tx_read_only = 0",
    "SET sql_mode = ''",
    "SET STATEMENT max_statement_time = 0 FOR SELECT * FROM victim",
    "HANDLER victim OPEN",
    "HANDLER victim READ FIRST",
    "CALL wipe()",
    "SELECT wipe_f()",
    "SELECT NEXTVAL(victim_seq)",
    "SELECT SETVAL(victim_seq, 1000)",
    "DO (SELECT wipe_f())",
    "PREPARE s FROM 'DELETE FROM victim'",
    "EXECUTE IMMEDIATE 'DELETE FROM victim'",
    "XA START 'x'",
    "LOCK TABLES victim WRITE",
    "SELECT * FROM victim FOR UPDATE",
    "SELECT * FROM victim LOCK IN SHARE MODE",
    "REPLACE INTO victim VALUES (4, 'four')",
    "INSERT INTO victim VALUES (4, 'four')",
    "UPDATE victim SET x = 0",
    "CREATE TEMPORARY TABLE t AS SELECT * FROM victim",
    "TRUNCATE victim",
    "RENAME TABLE victim TO gone",
    "FLUSH TABLES",
    "SHOW TABLES",
    "SELECT 'a\\'; DELETE FROM victim; -- '",
    "SELECT 'a\\'; DELETE FROM victim; # '",
    "SELECT \"a\\\"; DELETE FROM victim; -- \"",
    "SELECT 'a\\\\'; DELETE FROM victim; -- '",
    "SELECT `a``; DELETE FROM victim; -- `",
    "SELECT 1; SELECT 2",
    // One string and code to a reading without backslash escapes, code to one with them.
    "SELECT '\\'' INTO OUTFILE '@FILES@escape6.txt' -- '",
    "SHUTDOWN",
};

}  // namespace

TEST(ReadOnlyRun, MariaDbRefusesEveryEscapeAndNothingChanges) {
    const QString cs = newMariaDbDatabase(QStringLiteral("lorvane_escape_test"));
    ASSERT_FALSE(cs.isEmpty());
    Connection c;
    c.Open(cs);
    createVictim(c);
    c.Execute(QStringLiteral("CREATE PROCEDURE wipe() DELETE FROM victim"));
    c.Execute(QStringLiteral("CREATE FUNCTION wipe_f() RETURNS INT MODIFIES SQL DATA BEGIN DELETE FROM victim; "
                             "RETURN 0; END"));
    c.Execute(QStringLiteral("CREATE SEQUENCE victim_seq"));
    const QString files = c.OpenRecordSet(QStringLiteral("SELECT @@secure_file_priv"))->ValueAt(0, 0).toString();
    ASSERT_FALSE(files.isEmpty());
    QFile::remove(files + QStringLiteral("load.txt"));  // left by an earlier run on the same server
    EXPECT_EQ(mariadbCli(cs, QStringLiteral("SELECT 9, 'nine' INTO OUTFILE '%1load.txt'").arg(files)), "");
    const QString state = QStringLiteral(
        "SELECT (SELECT GROUP_CONCAT(x, ':', note ORDER BY x) FROM victim), (SELECT COUNT(*) FROM "
        "information_schema.TABLES WHERE TABLE_SCHEMA = DATABASE()), (SELECT next_not_cached_value FROM victim_seq)");
    const QString before = mariadbCli(cs, state);
    EXPECT_EQ(before, "1:one,2:two,3:three|2|1");

    // With the session's own NO_BACKSLASH_ESCAPES, and as a host may have set it, without.
    for (const char* mode : {"", "SET SESSION sql_mode = 'STRICT_TRANS_TABLES'"}) {
        if (*mode)
            c.Execute(QString::fromLatin1(mode));
        expectEveryEscapeRefused(c, NowhereHarmless, [&] { return mariadbCli(cs, QStringLiteral("SELECT COUNT(*) FROM victim")); });
        c.Execute(QStringLiteral("UPDATE victim SET note = 'one' WHERE x = 1"));
        for (const char* escape : kMariaDbEscapes) {
            QString sql = QString::fromUtf8(escape);
            sql.replace(QStringLiteral("@FILES@"), files);
            SCOPED_TRACE(sql.toStdString());
            const VLNError e = errorOf([&] { c.OpenRecordSet(sql, 0, true); });
            EXPECT_FALSE(e.description().isEmpty());
            ASSERT_EQ(mariadbCli(cs, state), before);
        }
        EXPECT_EQ(mariadbCli(cs, QStringLiteral("SELECT @stolen IS NULL")), "1");
        for (int i = 1; i <= 6; ++i)
            EXPECT_FALSE(QFileInfo::exists(files + QStringLiteral("escape%1.txt").arg(i))) << i;
    }
    // The session is writable again, and reads still run.
    auto s = c.OpenRecordSet(QStringLiteral("SELECT @@in_transaction, @@tx_read_only, @stolen IS NULL"));
    EXPECT_EQ(s->ValueAt(0, 0).toInt(), 0);
    EXPECT_EQ(s->ValueAt(0, 1).toInt(), 0);
    EXPECT_EQ(s->ValueAt(0, 2).toInt(), 1);
    EXPECT_EQ(c.OpenRecordSet(QStringLiteral("SELECT COUNT(*) FROM victim WHERE note <> 'C:\\\\'"), 0, true)->Value(0).toInt(), 3);
    EXPECT_EQ(c.Execute(QStringLiteral("INSERT INTO victim VALUES (4, 'four')")), 1);
}
