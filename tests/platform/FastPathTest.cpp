// The fast reading paths (the sqlite3 library on SQLite, libpq on PostgreSQL) give exactly the
// rows, types and Nulls that reading through QSqlQuery gives; and a run followed by a monitor
// can be ended, keeping a consistent part of the rows.
#include "platform/Connection.h"
#include "platform/RunMonitor.h"
#include "platform/VLNError.h"
#include "support/TestDatabases.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <cmath>
#include <functional>

using namespace lorvane;
using namespace lorvane::test;

namespace {

// The same statement read with a plain QSqlQuery into a record set of the same fields.
std::shared_ptr<RecordSet> readWithQSqlQuery(Connection& c, const QString& sql, const RecordSet& like) {
    auto rs = std::make_shared<RecordSet>();
    for (int f = 0; f < like.FieldCount(); ++f)
        rs->AppendField(like.Field(f).name, like.Field(f).type, like.Field(f).definedSize, like.Field(f).attributes);
    rs->Open();
    QSqlQuery q(c.database());
    q.setForwardOnly(true);
    EXPECT_TRUE(q.exec(sql));
    std::vector<QVariant> row(static_cast<std::size_t>(like.FieldCount()));
    while (q.next()) {
        for (int f = 0; f < like.FieldCount(); ++f)
            row[static_cast<std::size_t>(f)] = q.value(f);
        rs->AppendRow(row);
    }
    return rs;
}

// Every cell alike: Null or not, the value's type and the value.
void expectSameCells(const RecordSet& fast, const RecordSet& plain, const QString& what) {
    ASSERT_EQ(fast.FieldCount(), plain.FieldCount()) << qPrintable(what);
    ASSERT_EQ(fast.RecordCount(), plain.RecordCount()) << qPrintable(what);
    int differences = 0;
    for (qint64 r = 0; r < fast.RecordCount() && differences < 5; ++r)
        for (int f = 0; f < fast.FieldCount(); ++f) {
            const QVariant a = fast.ValueAt(r, f), b = plain.ValueAt(r, f);
            const bool bothNaN = a.typeId() == QMetaType::Double && b.typeId() == QMetaType::Double &&
                                 std::isnan(a.toDouble()) && std::isnan(b.toDouble());
            const bool same = fast.IsNullAt(r, f) == plain.IsNullAt(r, f) && a.typeId() == b.typeId() &&
                              (a == b || bothNaN);
            if (!same) {
                ++differences;
                ADD_FAILURE() << qPrintable(what) << " row " << r << " field " << qPrintable(fast.Field(f).name) << ": "
                              << a.typeName() << " " << qPrintable(a.toString().left(60)) << " against "
                              << b.typeName() << " " << qPrintable(b.toString().left(60));
            }
        }
}

const char* const kEdgeTable =
    "CREATE TABLE Edge (Id INTEGER, Whole INTEGER, Fraction REAL, Words TEXT, Raw BLOB, Amount NUMERIC, "
    "Stamp DATETIME, Day DATE, Untyped);"
    // Every storage class in every column, the 64-bit ends, a NUL inside text, 1 MB of bytes.
    "INSERT INTO Edge VALUES (1, 9223372036854775807, 1.5, 'plain', x'00ff10', 12.25, '2024-02-29 23:59:59', "
    "'2024-02-29', 7);"
    "INSERT INTO Edge VALUES (2, -9223372036854775808, -0.0, 'a' || char(0) || 'b', randomblob(1048576), 3, "
    "'2024-02-30 10:00:00', 'not a day', 'text');"
    "INSERT INTO Edge VALUES (3, 'not a number', 1e308, 'Grüße ✓ 𝄞', 'text in a blob column', x'41', 42, 17, 2.5);"
    "INSERT INTO Edge VALUES (4, 2.0, 3, 12345, NULL, 'abc', NULL, '2024-01-01 00:00:00', x'00');"
    "INSERT INTO Edge VALUES (5, NULL, NULL, '', x'', NULL, '2024-01-01T08:30:00.250', NULL, NULL);"
    "INSERT INTO Edge VALUES (6, 4294967296, -1e-300, 'ÿ Latin-1 only é', zeroblob(3), -0.5, "
    "'1999-12-31 24:00:00', '0001-01-01', '');";

}  // namespace

TEST(FastPath, SqliteGivesWhatQSqlQueryGives) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("edge.db"));
    ASSERT_EQ(sqliteCli(path, QString::fromUtf8(kEdgeTable) + QStringLiteral("SELECT count(*) FROM Edge;")),
              QStringLiteral("6"));
    Connection c;
    c.Open(QStringLiteral("Provider=SQLite;Data Source=") + path);
    for (const QString sql : {QStringLiteral("SELECT * FROM Edge ORDER BY Id"),
                              QStringLiteral("SELECT Id, Whole + 0 AS Sum, Words || '' AS Joined, length(Raw) AS Size "
                                             "FROM Edge ORDER BY Id")}) {
        for (const bool readOnly : {false, true}) {
            const auto fast = c.OpenRecordSet(sql, 0, readOnly);
            expectSameCells(*fast, *readWithQSqlQuery(c, sql, *fast), sql);
        }
    }
    const auto fast = c.OpenRecordSet(QStringLiteral("SELECT Words, Raw FROM Edge ORDER BY Id"));
    EXPECT_EQ(fast->ValueAt(1, 0).toString(), QString::fromUtf16(u"a\0b", 3));
    EXPECT_EQ(fast->ValueAt(1, 1).toByteArray().size(), 1048576);
    EXPECT_EQ(fast->ValueAt(2, 0).toString(), QStringLiteral("Grüße ✓ 𝄞"));

    Connection sample;
    sample.Open(sampleConnectionString());
    for (const QString table : {QStringLiteral("Customers"), QStringLiteral("Orders"), QStringLiteral("Products"),
                                QStringLiteral("[Order Details]"), QStringLiteral("Employees")}) {
        const QString sql = QStringLiteral("SELECT * FROM ") + table;
        const auto rows = sample.OpenRecordSet(sql, 0, true);
        EXPECT_GT(rows->RecordCount(), 0) << qPrintable(table);
        expectSameCells(*rows, *readWithQSqlQuery(sample, sql, *rows), sql);
    }
}

TEST(FastPath, PostgresGivesWhatQSqlQueryGives) {
    const QString cs = newPostgresDatabase(QStringLiteral("fast_path"));
    Connection c;
    c.Open(cs);
    c.Execute(QStringLiteral(
        "CREATE TABLE edge (id INT, whole BIGINT, small SMALLINT, fraction DOUBLE PRECISION, words TEXT, "
        "name VARCHAR(20), raw BYTEA, amount NUMERIC(12,4), stamp TIMESTAMP, day DATE, flag BOOLEAN)"));
    c.Execute(QStringLiteral(
        "INSERT INTO edge VALUES "
        "(1, 9223372036854775807, 32767, 1.5, 'plain', 'a', '\\x00ff10', 12.25, '2024-02-29 23:59:59', '2024-02-29', "
        "true),"
        "(2, -9223372036854775808, -32768, 'NaN', 'Grüße ✓ 𝄞', '', decode(repeat('ab', 524288), 'hex'), -0.0001, "
        "'2024-01-01 08:30:00.25', '0001-01-01', false),"
        "(3, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL),"
        "(4, 0, 0, 'Infinity', repeat('long text ', 3000), 'ÿé', '', 99999999.9999, '1999-12-31 23:59:59.999', "
        "'2099-12-31', true)"));
    const QString sql = QStringLiteral("SELECT * FROM edge ORDER BY id");
    const auto fast = c.OpenRecordSet(sql, 0, true);    // libpq, through a read-only cursor
    const auto plain = c.OpenRecordSet(sql, 0, false);  // QSqlQuery
    expectSameCells(*fast, *plain, sql);
    EXPECT_EQ(fast->ValueAt(1, fast->FieldIndex(QStringLiteral("raw"))).toByteArray().size(), 524288);
    EXPECT_EQ(fast->ValueAt(1, fast->FieldIndex(QStringLiteral("words"))).toString(), QStringLiteral("Grüße ✓ 𝄞"));
}

namespace {

// Ends the run once it has seen at least `after` rows (or at once, with 0), and remembers what
// it was told.
struct StopAfter : RunMonitor {
    qint64 after;
    int calls = 0;
    qint64 lastCount = -1;
    explicit StopAfter(qint64 rows) : after(rows) {}
    bool progress(const std::shared_ptr<RecordSet>& rows, qint64 count) override {
        ++calls;
        lastCount = count;
        if (rows)
            EXPECT_EQ(rows->RecordCount(), count);  // what is told is what the record set holds
        return count >= after;
    }
};

const QString kEndless = QStringLiteral(
    "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n LIMIT 200000000) SELECT i, 'row ' || i FROM n");

void expectConsecutive(const RecordSet& rs) {
    for (qint64 r = 0; r < rs.RecordCount(); r += std::max<qint64>(1, rs.RecordCount() / 50))
        ASSERT_EQ(rs.ValueAt(r, 0).toLongLong(), r + 1);
    if (rs.RecordCount() > 0)
        EXPECT_EQ(rs.ValueAt(rs.RecordCount() - 1, 1).toString(), QStringLiteral("row %1").arg(rs.RecordCount()));
}

}  // namespace

TEST(FastPath, SqliteRunEndedByItsMonitorKeepsTheRowsReadAndTheConnectionWorks) {
    Connection c;
    c.Open(sampleConnectionString());
    StopAfter monitor(1);
    const auto partial = c.OpenRecordSet(kEndless, 0, true, &monitor);
    EXPECT_TRUE(monitor.stopped());
    EXPECT_GE(partial->RecordCount(), 1);
    EXPECT_LT(partial->RecordCount(), 200000000);
    expectConsecutive(*partial);

    // A statement that works long before its first row is ended too.
    StopAfter atOnce(0);
    const auto none = c.OpenRecordSet(QStringLiteral("SELECT count(*) FROM (") + kEndless + u')', 0, true, &atOnce);
    EXPECT_TRUE(atOnce.stopped());
    EXPECT_EQ(none->RecordCount(), 0);
    EXPECT_EQ(none->FieldCount(), 1);

    StopAfter never(INT64_MAX);
    const auto whole = c.OpenRecordSet(QStringLiteral("SELECT * FROM Customers"), 0, true, &never);
    EXPECT_FALSE(never.stopped());
    EXPECT_EQ(whole->RecordCount(), c.OpenRecordSet(QStringLiteral("SELECT * FROM Customers"))->RecordCount());
}

TEST(FastPath, PostgresRunEndedByItsMonitorIsCancelledAndTheConnectionWorks) {
    Connection c;
    c.Open(postgresConnectionString());
    StopAfter monitor(1);
    const auto partial = c.OpenRecordSet(
        // A recursive query streams its rows (generate_series would make them all first).
        QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 200000000) "
                       "SELECT i, 'row ' || i FROM n"),
        0, true, &monitor);
    EXPECT_TRUE(monitor.stopped());
    EXPECT_GE(partial->RecordCount(), 1);
    EXPECT_LT(partial->RecordCount(), 200000000);
    expectConsecutive(*partial);

    // Waiting for the server: pg_sleep is cancelled, no rows, no error.
    StopAfter soon(0);
    const auto none = c.OpenRecordSet(QStringLiteral("SELECT pg_sleep(60)"), 0, true, &soon);
    EXPECT_TRUE(soon.stopped());
    EXPECT_EQ(none->RecordCount(), 0);

    // The session is back to normal: reading works, and writing is allowed again outside runs.
    EXPECT_EQ(c.OpenRecordSet(QStringLiteral("SELECT 41 + 1"), 0, true)->ValueAt(0, 0).toInt(), 42);
    EXPECT_EQ(psqlCli(postgresConnectionString(), QStringLiteral("SELECT count(*) FROM pg_stat_activity WHERE "
                                                                 "state = 'active' AND query LIKE '%pg_sleep(60)%' "
                                                                 "AND pid <> pg_backend_pid()")),
              QStringLiteral("0"));
}

TEST(FastPath, ConnectionRefusesOtherWorkWhileAFollowedRunReads) {
    Connection c;
    c.Open(sampleConnectionString());
    struct Reentering : RunMonitor {
        Connection& c;
        std::vector<long> refusals;
        explicit Reentering(Connection& connection) : c(connection) {}
        bool progress(const std::shared_ptr<RecordSet>&, qint64 count) override {
            for (const auto& call : std::initializer_list<std::function<void()>>{
                     [&] { c.OpenRecordSet(QStringLiteral("SELECT 1"), 0, true); },
                     [&] { c.Execute(QStringLiteral("SELECT 1")); },
                     [&] { c.OpenSchema(Connection::SchemaTables); }}) {
                try {
                    call();
                    refusals.push_back(0);
                } catch (const VLNError& e) {
                    refusals.push_back(e.number());
                }
            }
            return count > 0;
        }
    } monitor(c);
    const auto partial = c.OpenRecordSet(kEndless, 0, true, &monitor);
    ASSERT_FALSE(monitor.refusals.empty());
    for (const long number : monitor.refusals)
        EXPECT_EQ(number, ErrorNumber::NotAllowedInContext);
    EXPECT_GE(partial->RecordCount(), 1);
    expectConsecutive(*partial);
    // Once the run has ended the connection works again.
    EXPECT_EQ(c.OpenRecordSet(QStringLiteral("SELECT 6 * 7"), 0, true)->ValueAt(0, 0).toInt(), 42);
}
