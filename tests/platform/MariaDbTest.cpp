// MariaDB through its own provider, against the server ctest starts: the session a connection
// sets up, the catalogue, typed rows compared with the mariadb client's, the row limit and Stop
// ending the statement on the server, time-outs, and names no plain identifier could be.
#include "platform/AdoTypes.h"
#include "platform/Connection.h"
#include "platform/RunMonitor.h"
#include "support/ErrorOf.h"
#include "support/TestDatabases.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <functional>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <gtest/gtest.h>

using namespace lorvane;
using namespace lorvane::test;

namespace {

struct StopAfter : RunMonitor {
    qint64 after;
    int calls = 0;
    explicit StopAfter(qint64 rows) : after(rows) {}
    bool progress(const std::shared_ptr<RecordSet>& rows, qint64 count) override {
        ++calls;
        if (rows)
            EXPECT_EQ(rows->RecordCount(), count);
        return count >= after;
    }
};

// What the session is after a run: no transaction, writable, no row limit.
void expectSessionBack(Connection& c) {
    auto s = c.OpenRecordSet(QStringLiteral("SELECT @@in_transaction, @@tx_read_only, @@sql_select_limit = "
                                            "18446744073709551615"));
    EXPECT_EQ(s->ValueAt(0, 0).toInt(), 0);
    EXPECT_EQ(s->ValueAt(0, 1).toInt(), 0);
    EXPECT_EQ(s->ValueAt(0, 2).toInt(), 1);
}

QString text(const RecordSet& rs, qint64 row, int column) {
    const QVariant v = rs.ValueAt(row, column);
    return v.isValid() ? v.toString() : QString();
}

}  // namespace

TEST(MariaDb, ConnectsWithEitherProviderNameAndSetsUpTheSession) {
    const QString cs = mariadbConnectionString();
    ASSERT_FALSE(cs.isEmpty());
    for (const QString& provider : {QStringLiteral("Provider=MariaDB"), QStringLiteral("Provider=MySQL")}) {
        QString text = cs;
        text.replace(QStringLiteral("Provider=MariaDB"), provider);
        Connection c;
        c.SetCommandTimeout(7);
        c.Open(text);
        EXPECT_EQ(c.DriverName(), "QMYSQL");
        EXPECT_EQ(c.Dialect().kind, SqlDialect::Kind::MariaDB);
        EXPECT_EQ(c.Dialect().quoteName(QStringLiteral("a`b c")), "`a``b c`");
        auto s = c.OpenRecordSet(QStringLiteral("SELECT @@max_statement_time, @@sql_mode, DATABASE()"));
        EXPECT_DOUBLE_EQ(s->ValueAt(0, 0).toDouble(), 7.0);
        EXPECT_TRUE(s->ValueAt(0, 1).toString().contains("NO_BACKSLASH_ESCAPES"));
        EXPECT_EQ(s->ValueAt(0, 2).toString(), "lorvane_test");
    }
    // No time-out: 0.
    Connection none;
    none.SetCommandTimeout(0);
    none.Open(cs);
    EXPECT_DOUBLE_EQ(none.OpenRecordSet(QStringLiteral("SELECT @@max_statement_time"))->ValueAt(0, 0).toDouble(), 0.0);

    // The server's own refusal of a wrong password, with its number.
    QString wrong = cs;
    wrong.replace(QStringLiteral("Password=lorvane"), QStringLiteral("Password=nope"));
    Connection bad;
    const VLNError denied = errorOf([&] { bad.Open(wrong); });
    EXPECT_EQ(denied.number(), 1045);
    EXPECT_EQ(denied.source(), "QMYSQL");
    EXPECT_TRUE(denied.description().contains("Access denied")) << denied.description().toStdString();
    EXPECT_FALSE(bad.IsOpen());
    // A user name and password given to Open take the place of the string's.
    bad.Open(wrong, QStringLiteral("lorvane"), QStringLiteral("lorvane"));
    EXPECT_TRUE(bad.IsOpen());
    bad.Close();
    // A password alone keeps the string's user name.
    bad.Open(wrong, QString(), QStringLiteral("lorvane"));
    EXPECT_EQ(bad.OpenRecordSet(QStringLiteral("SELECT CURRENT_USER()"))->ValueAt(0, 0).toString(), "lorvane@127.0.0.1");
}

TEST(MariaDb, SslModeIsHeldToAndUnknownModesAreRefused) {
    const QString cs = mariadbConnectionString();
    Connection plain;
    plain.Open(cs + QStringLiteral(";SSL Mode=disable"));
    EXPECT_TRUE(plain.IsOpen());
    // The test server offers no encryption: asking for it must not give a plain connection.
    Connection required;
    const VLNError e = errorOf([&] { required.Open(cs + QStringLiteral(";SSL Mode=require")); });
    EXPECT_FALSE(e.description().isEmpty());
    EXPECT_FALSE(required.IsOpen());
    Connection verify;
    const VLNError v = errorOf([&] { verify.Open(cs + QStringLiteral(";SSL Mode=verify-full")); });
    EXPECT_TRUE(v.description().contains("verify-full")) << v.description().toStdString();
    EXPECT_FALSE(verify.IsOpen());
}

TEST(MariaDb, SslModeRequireEncryptsWhereTheServerOffersIt) {
    // A server of this test's own, with TLS.
    QTemporaryDir state;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MARIADB_TEST_TLS"), QStringLiteral("1"));
    env.insert(QStringLiteral("MARIADB_TEST_PORT"), QStringLiteral("33900"));
    auto script = [&](const char* command) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(LORVANE_MARIADB_SCRIPT), {QString::fromLatin1(command), state.path()});
        return p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    };
    ASSERT_TRUE(script("start"));
    const struct Stop {
        std::function<bool(const char*)> script;
        ~Stop() { script("stop"); }
    } stop{script};
    QFile file(state.filePath(QStringLiteral("connection.txt")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString cs = QString::fromUtf8(file.readAll()).trimmed();
    auto cipher = [](Connection& c) {
        return c.OpenRecordSet(QStringLiteral("SHOW SESSION STATUS LIKE 'Ssl_cipher'"))->ValueAt(0, 1).toString();
    };
    Connection encrypted;
    encrypted.Open(cs + QStringLiteral(";SSL Mode=require"));
    EXPECT_FALSE(cipher(encrypted).isEmpty());
    Connection plain;
    plain.Open(cs + QStringLiteral(";SSL Mode=disable"));
    EXPECT_TRUE(cipher(plain).isEmpty());
}

TEST(MariaDb, ConnectTimeOutEndsAWaitForAServerThatNeverAnswers) {
    // A listening socket that never greets: the connection waits until its time-out.
    const int silent = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(silent, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ASSERT_EQ(::bind(silent, reinterpret_cast<sockaddr*>(&address), size), 0);
    ASSERT_EQ(::listen(silent, 4), 0);
    ASSERT_EQ(::getsockname(silent, reinterpret_cast<sockaddr*>(&address), &size), 0);
    const struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{silent};
    Connection c;
    c.SetConnectionTimeout(1);
    QElapsedTimer clock;
    clock.start();
    errorOf([&] {
        c.Open(QStringLiteral("Provider=MariaDB;Host=127.0.0.1;Port=%1;Database=x;User ID=u;Password=p")
                   .arg(ntohs(address.sin_port)));
    });
    EXPECT_LT(clock.elapsed(), 8000);
    EXPECT_FALSE(c.IsOpen());
}

TEST(MariaDb, CommandTimeOutEndsALongStatementWithTheServersWords) {
    Connection c;
    c.SetCommandTimeout(1);
    c.Open(mariadbConnectionString());
    QElapsedTimer clock;
    clock.start();
    const VLNError e = errorOf([&] {
        c.OpenRecordSet(QStringLiteral("SELECT SUM(a.seq * b.seq) FROM seq_1_to_100000000 a, seq_1_to_100000 b"), 0,
                        true);
    });
    EXPECT_LT(clock.elapsed(), 10000);
    EXPECT_TRUE(e.description().contains("max_statement_time")) << e.number() << " " << e.description().toStdString();
    expectSessionBack(c);
}

TEST(MariaDb, CatalogueListsTablesViewsAndTypedColumnsOfTheCurrentDatabase) {
    const QString cs = newMariaDbDatabase(QStringLiteral("lorvane_catalogue"));
    Connection c;
    c.Open(cs);
    c.Execute(QStringLiteral(
        "CREATE TABLE Kinds (id INT NOT NULL PRIMARY KEY, big BIGINT, small SMALLINT, flag BOOLEAN, tiny TINYINT, "
        "price DECIMAL(10,2), ratio DOUBLE, name VARCHAR(40) NOT NULL, memo TEXT, born DATE, seen DATETIME, "
        "at_time TIME, photo BLOB, code CHAR(3), count_u INT UNSIGNED, huge BIGINT UNSIGNED, yr YEAR, bits BIT(1))"));
    c.Execute(QStringLiteral("CREATE TABLE kinds (other INT)"));  // another table, its name in lower case
    c.Execute(QStringLiteral("CREATE VIEW Names AS SELECT id, name FROM Kinds"));

    auto tables = c.OpenSchema(Connection::SchemaTables);
    QStringList seen;
    for (qint64 r = 0; r < tables->RecordCount(); ++r)
        seen << text(*tables, r, 1) + u'.' + text(*tables, r, 2) + u':' + text(*tables, r, 3);
    EXPECT_EQ(seen, QStringList({"lorvane_catalogue.Kinds:TABLE", "lorvane_catalogue.kinds:TABLE",
                                 "lorvane_catalogue.Names:VIEW"}));

    auto columns = c.OpenSchema(Connection::SchemaColumns, {QVariant(), QVariant(), QStringLiteral("Kinds")});
    ASSERT_EQ(columns->RecordCount(), 18);
    const std::pair<const char*, int> expected[] = {
        {"id", AdoType::Integer},     {"big", AdoType::BigInt},         {"small", AdoType::SmallInt},
        {"flag", AdoType::Boolean},   {"tiny", AdoType::TinyInt},       {"price", AdoType::Decimal},
        {"ratio", AdoType::Double},   {"name", AdoType::VarChar},       {"memo", AdoType::LongVarChar},
        {"born", AdoType::DBDate},    {"seen", AdoType::DBTimeStamp},   {"at_time", AdoType::DBTime},
        {"photo", AdoType::LongVarBinary}, {"code", AdoType::Char},     {"count_u", AdoType::BigInt},
        {"huge", AdoType::Decimal},   {"yr", AdoType::SmallInt},        {"bits", AdoType::Boolean},
    };
    for (qint64 r = 0; r < columns->RecordCount(); ++r) {
        SCOPED_TRACE(expected[r].first);
        EXPECT_EQ(text(*columns, r, 2), "Kinds");
        EXPECT_EQ(text(*columns, r, 3), expected[r].first);
        EXPECT_EQ(columns->ValueAt(r, 4).toInt(), r + 1);
        EXPECT_EQ(columns->ValueAt(r, 6).toInt(), expected[r].second);
    }
    EXPECT_FALSE(columns->ValueAt(0, 5).toBool());  // NOT NULL
    EXPECT_TRUE(columns->ValueAt(1, 5).toBool());
    EXPECT_EQ(columns->ValueAt(7, 7).toInt(), 40);  // VARCHAR(40)
    EXPECT_EQ(text(*columns, 5, 8), "decimal(10,2)");

    auto all = c.OpenSchema(Connection::SchemaColumns);
    EXPECT_EQ(all->RecordCount(), 18 + 1 + 2);
    EXPECT_EQ(mariadbCli(cs, QStringLiteral("SELECT COUNT(*) FROM information_schema.COLUMNS WHERE TABLE_SCHEMA = "
                                            "DATABASE()")),
              QString::number(all->RecordCount()));
}

TEST(MariaDb, ReadOnlyRowsAreTypedAndMatchTheClients) {
    const QString cs = newMariaDbDatabase(QStringLiteral("lorvane_rows"));
    Connection c;
    c.Open(cs);
    c.Execute(QStringLiteral(
        "CREATE TABLE t (id INT PRIMARY KEY, price DECIMAL(12,2), ratio DOUBLE, name VARCHAR(300), "
        "born DATE, seen DATETIME, data VARBINARY(600), huge BIGINT UNSIGNED, flag BOOLEAN, note LONGTEXT)"));
    c.Execute(QStringLiteral(
        "INSERT INTO t SELECT seq, seq * 1.25, seq / 8, CONCAT('row ', seq, ' é ☃'), DATE '2020-01-01' + INTERVAL "
        "seq DAY, TIMESTAMP '2020-01-01 10:30:00' + INTERVAL seq MINUTE, UNHEX(REPEAT('00FF', seq % 300)), "
        "18446744073709551615 - seq, seq % 2, IF(seq % 1000 = 0, REPEAT('long-', 2000), NULL) "
        "FROM seq_1_to_25003"));
    const QString select = QStringLiteral("SELECT id, price, ratio, name, born, seen, data, huge, flag, note FROM t "
                                          "ORDER BY id");
    auto rs = c.OpenRecordSet(select, 0, true);
    ASSERT_EQ(rs->RecordCount(), 25003);
    EXPECT_EQ(rs->Field(0).type, AdoType::Integer);
    EXPECT_EQ(rs->Field(1).type, AdoType::Decimal);
    EXPECT_EQ(rs->Field(1).numericScale, 2);
    EXPECT_EQ(rs->Field(1).definedSize, 12);
    EXPECT_EQ(rs->Field(3).type, AdoType::VarChar);
    EXPECT_EQ(rs->Field(3).definedSize, 300);
    EXPECT_EQ(rs->Field(3).baseTable, "t");
    EXPECT_EQ(rs->Field(4).type, AdoType::DBDate);
    EXPECT_EQ(rs->Field(5).type, AdoType::DBTimeStamp);
    EXPECT_EQ(rs->Field(6).type, AdoType::VarBinary);
    EXPECT_EQ(rs->Field(8).type, AdoType::Boolean);
    for (const qint64 row : {qint64(0), qint64(998), qint64(999), qint64(12345), qint64(25002)}) {
        SCOPED_TRACE(row);
        const QString client = mariadbCli(
            cs, QStringLiteral("SELECT id, price, ratio, name, born, seen, HEX(data), huge, flag, note FROM t "
                               "WHERE id = %1").arg(row + 1));
        QStringList ours;
        for (int f = 0; f < rs->FieldCount(); ++f) {
            const QVariant v = rs->ValueAt(row, f);
            if (f == 6)
                ours << QString::fromLatin1(v.toByteArray().toHex().toUpper());
            else if (f == 4)
                ours << v.toDate().toString(Qt::ISODate);
            else if (f == 8)
                ours << QString::number(v.toInt());
            else if (f == 5)
                ours << v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
            else
                ours << (v.isValid() ? v.toString() : QString());
        }
        EXPECT_EQ(ours.join(u'|'), client);
    }
    // Calculated columns and an empty result keep their fields.
    auto none = c.OpenRecordSet(QStringLiteral("SELECT id, id * 2 AS twice FROM t WHERE id < 0"), 0, true);
    EXPECT_EQ(none->FieldCount(), 2);
    EXPECT_EQ(none->RecordCount(), 0);
    // The server's words for a statement it cannot read.
    const VLNError bad = errorOf([&] { c.OpenRecordSet(QStringLiteral("SELECT [id] FROM t"), 0, true); });
    EXPECT_EQ(bad.source(), "QMYSQL");
    EXPECT_EQ(bad.number(), 1064);
}

TEST(MariaDb, RowLimitAndStopEndTheStatementOnTheServer) {
    const QString cs = mariadbConnectionString();
    Connection c;
    c.Open(cs);
    const QString endless = QStringLiteral("SELECT a.seq AS n, CONCAT('row ', a.seq) AS t FROM seq_1_to_100000000 a");
    QElapsedTimer clock;
    clock.start();
    auto ten = c.OpenRecordSet(endless, 10, true);
    EXPECT_EQ(ten->RecordCount(), 10);
    EXPECT_EQ(ten->ValueAt(9, 0).toInt(), 10);
    // A LIMIT of the text's own above the row limit: the rest is not read to its end.
    auto limited = c.OpenRecordSet(endless + QStringLiteral(" LIMIT 90000000"), 1000, true);
    EXPECT_EQ(limited->RecordCount(), 1000);
    EXPECT_LT(clock.elapsed(), 10000);
    expectSessionBack(c);

    StopAfter monitor(1);
    clock.restart();
    auto partial = c.OpenRecordSet(endless, 0, true, &monitor);
    EXPECT_TRUE(monitor.stopped());
    EXPECT_GE(partial->RecordCount(), 1);
    EXPECT_LT(partial->RecordCount(), 100000000);
    for (qint64 r = 0; r < partial->RecordCount(); r += 997)
        ASSERT_EQ(partial->ValueAt(r, 0).toLongLong(), r + 1);
    // While the server works before its first row: killed, no rows, no error.
    StopAfter atOnce(0);
    auto empty = c.OpenRecordSet(QStringLiteral("SELECT SLEEP(60) AS s"), 0, true, &atOnce);
    EXPECT_TRUE(atOnce.stopped());
    EXPECT_LT(clock.elapsed(), 15000);
    EXPECT_LE(empty->RecordCount(), 1);
    expectSessionBack(c);
    EXPECT_EQ(mariadbCli(cs, QStringLiteral("SELECT COUNT(*) FROM information_schema.PROCESSLIST WHERE INFO LIKE "
                                            "'%SLEEP(60)%' AND ID <> CONNECTION_ID()")),
              "0");
    // Not stopped: every row.
    StopAfter never(INT64_MAX);
    EXPECT_EQ(c.OpenRecordSet(QStringLiteral("SELECT seq FROM seq_1_to_3000"), 0, true, &never)->RecordCount(), 3000);
    EXPECT_FALSE(never.stopped());
}

TEST(MariaDb, HostileTableNamesAreQuotedAndReadBack) {
    const QString cs = newMariaDbDatabase(QStringLiteral("lorvane_hostile"));
    Connection c;
    c.Open(cs);
    const QStringList names = {
        QStringLiteral("back`quote"), QStringLiteral("it's"), QStringLiteral("semi;colon"),
        QStringLiteral("dash--dash"), QStringLiteral("slash/*star"), QStringLiteral("hash#tag"),
        QStringLiteral("select"),     QStringLiteral("Ünïcödé"), QStringLiteral("back\\slash"),
        QStringLiteral("``"),         QString(64, u'x'),          QStringLiteral("dot.ted"),
    };
    const SqlDialect& d = c.Dialect();
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        const QString column = u'c' + name.left(60);
        c.Execute(QStringLiteral("CREATE TABLE %1 (%2 INT)").arg(d.quoteName(name), d.quoteName(column)));
        c.Execute(QStringLiteral("INSERT INTO %1 VALUES (7)").arg(d.quoteName(name)));
        auto rs = c.OpenRecordSet(QStringLiteral("SELECT %1 FROM %2").arg(d.quoteName(column), d.quoteName(name)), 0,
                                  true);
        ASSERT_EQ(rs->RecordCount(), 1);
        EXPECT_EQ(rs->ValueAt(0, 0).toInt(), 7);
        EXPECT_EQ(rs->Field(0).baseTable, name);
    }
    auto tables = c.OpenSchema(Connection::SchemaTables);
    QStringList listed;
    for (qint64 r = 0; r < tables->RecordCount(); ++r)
        listed << text(*tables, r, 2);
    QStringList sorted = names;
    sorted.sort();
    listed.sort();
    EXPECT_EQ(listed, sorted);
}
