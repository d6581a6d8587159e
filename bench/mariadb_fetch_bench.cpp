// The six-column million rows of the fetch benchmark read from MariaDB (a throw-away server on
// loopback, started here): into a record set through a read-only run, against a plain client
// library loop (mysql_use_result, every value and its length touched); how soon Stop ends a
// long query; and connecting to 20,000 tables against the client library reading the same
// catalogue.
#include "control/Lorvanev2.h"
#include "platform/Connection.h"
#include "platform/ConnectionString.h"
#include "platform/RunMonitor.h"
#include "shared/BuilderSettings.h"
#include "shared/clsField.h"
#include "shared/clsTable.h"
#include "support/BenchSupport.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <cstdio>
#include <mysql.h>

using namespace lorvane;

namespace {

// The fetch benchmark's statement, with the table's name quoted: ROWS is reserved in MariaDB.
const char* const kSelect = "SELECT ID, Amount, Name, Created, Note, Remarks FROM `Rows`";

const QString kState = QStringLiteral(LORVANE_BENCH_DATA "/mariadb-bench-server");
QString connectionString;

struct Server {
    bool up = false;
    Server() {
        QDir().mkpath(kState);
        QProcess start;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("MARIADB_TEST_PORT"), QStringLiteral("33700"));
        start.setProcessEnvironment(env);
        start.start(QStringLiteral(LORVANE_MARIADB_SERVER), {QStringLiteral("start"), kState});
        start.waitForFinished(120000);
        QFile cs(kState + QStringLiteral("/connection.txt"));
        up = start.exitCode() == 0 && cs.open(QIODevice::ReadOnly);
        if (up)
            connectionString = QString::fromUtf8(cs.readAll()).trimmed();
        else
            std::printf("the MariaDB server did not start: %s\n", start.readAllStandardError().constData());
    }
    ~Server() { QProcess::execute(QStringLiteral(LORVANE_MARIADB_SERVER), {QStringLiteral("stop"), kState}); }
};

MYSQL* connectTo(const QString& database = {}) {
    const ConnectionString cs(connectionString);
    MYSQL* conn = mysql_init(nullptr);
    const QByteArray host = cs.value(QStringLiteral("Host")).toUtf8(), user = cs.value(QStringLiteral("User ID")).toUtf8(),
                     password = cs.value(QStringLiteral("Password")).toUtf8(),
                     db = (database.isEmpty() ? cs.value(QStringLiteral("Database")) : database).toUtf8();
    if (!mysql_real_connect(conn, host.constData(), user.constData(), password.constData(), db.constData(),
                            cs.value(QStringLiteral("Port")).toUInt(), nullptr, 0))
        std::printf("connect failed: %s\n", mysql_error(conn));
    mysql_set_character_set(conn, "utf8mb4");
    return conn;
}

bool exec(MYSQL* conn, const QByteArray& sql) {
    if (mysql_real_query(conn, sql.constData(), static_cast<unsigned long>(sql.size())) == 0)
        return true;
    std::printf("failed: %s\n", mysql_error(conn));
    return false;
}

bool load() {
    MYSQL* conn = connectTo();
    const bool ok =
        exec(conn, "CREATE TABLE `Rows` (ID BIGINT PRIMARY KEY, Amount DOUBLE, Name VARCHAR(30), Created DATETIME, "
                   "Note VARCHAR(40), Remarks TEXT)") &&
        exec(conn, "INSERT INTO `Rows` SELECT seq, (seq % 100000) / 100.0 + 0.25, CONCAT('Customer ', seq % 50000), "
                   "TIMESTAMP '2020-01-01 00:00:00' + INTERVAL (seq % 100000) MINUTE, "
                   "IF(seq % 10 = 0, 'Deliver before noon', NULL), "
                   "CONCAT('Remarks for order ', seq, ': ', REPEAT('call ahead ', 40)) FROM seq_1_to_1000000");
    mysql_close(conn);
    return ok;
}

void ClientLoop(benchmark::State& state) {
    MYSQL* conn = connectTo();
    const QByteArray select = kSelect;
    for (auto _ : state) {
        exec(conn, select);
        MYSQL_RES* result = mysql_use_result(conn);
        const unsigned columns = mysql_num_fields(result);
        long long rows = 0;
        while (MYSQL_ROW row = mysql_fetch_row(result)) {
            const unsigned long* lengths = mysql_fetch_lengths(result);
            for (unsigned c = 0; c < columns; ++c) {
                benchmark::DoNotOptimize(row[c]);
                benchmark::DoNotOptimize(lengths[c]);
            }
            ++rows;
        }
        mysql_free_result(result);
        if (rows != bench::kMillion)
            state.SkipWithError("wrong row count");
    }
    mysql_close(conn);
}

void RecordSetFetch(benchmark::State& state) {
    bench::recordSetFetch(state, connectionString, QString::fromLatin1(kSelect));
}

constexpr int kCatalogueColumns = 20;
constexpr int kCatalogueTables = 20000;

// A database of 20,000 tables x 20 columns (MEMORY tables: only their definitions are files,
// so making them takes seconds); returns its name.
QString catalogueDatabase() {
    const QString name = QStringLiteral("catalogue_%1").arg(kCatalogueTables);
    MYSQL* conn = connectTo();
    exec(conn, "CREATE DATABASE " + name.toUtf8());
    exec(conn, "USE " + name.toUtf8());
    QByteArray columns;
    for (int c = 0; c < kCatalogueColumns; ++c)
        columns += QByteArray(c ? ", " : "") + "column" + QByteArray::number(c) +
                   (c % 3 == 0 ? " INTEGER" : c % 3 == 1 ? " VARCHAR(40)" : " DATETIME");
    for (int t = 1; t <= kCatalogueTables; ++t)
        if (!exec(conn, "CREATE TABLE `Table " + QByteArray::number(t) + "` (" + columns + ") ENGINE=MEMORY"))
            break;
    mysql_close(conn);
    return name;
}

// The client library reading the same catalogue the component reads: every table, then every
// column with its type, the fastest of three.
double clientCatalogueSeconds(const QString& database) {
    MYSQL* conn = connectTo(database);
    double best = 1e9;
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer clock;
        clock.start();
        long long rows = 0;
        for (const char* sql :
             {"SELECT TABLE_SCHEMA, TABLE_NAME, TABLE_TYPE FROM information_schema.TABLES WHERE TABLE_SCHEMA = DATABASE()",
              "SELECT TABLE_SCHEMA, TABLE_NAME, COLUMN_NAME, ORDINAL_POSITION, IS_NULLABLE, DATA_TYPE, COLUMN_TYPE, "
              "CHARACTER_MAXIMUM_LENGTH FROM information_schema.COLUMNS WHERE TABLE_SCHEMA = DATABASE() "
              "ORDER BY TABLE_NAME, ORDINAL_POSITION"}) {
            exec(conn, sql);
            MYSQL_RES* result = mysql_use_result(conn);
            while (MYSQL_ROW row = mysql_fetch_row(result)) {
                benchmark::DoNotOptimize(row);
                ++rows;
            }
            mysql_free_result(result);
        }
        best = std::min(best, clock.nsecsElapsed() / 1e9);
        if (rows != kCatalogueTables * (kCatalogueColumns + 1))
            std::printf("the client read %lld catalogue rows\n", rows);
    }
    mysql_close(conn);
    return best;
}

double componentConnectSeconds(const QString& database) {
    QString cs = connectionString;
    cs.replace(QStringLiteral("Database=lorvane_test"), QStringLiteral("Database=") + database);
    Lorvanev2 component;
    double best = 1e9;
    for (int i = 0; i < 3; ++i) {
        clsTable::shared().RemoveAll();
        clsField::shared().RemoveAll();
        BuilderSettings::shared() = BuilderSettings();
        QElapsedTimer clock;
        clock.start();
        component.VLNMakeConnection(cs, {}, {}, 0, 0, 0, false, {}, true);
        best = std::min(best, clock.nsecsElapsed() / 1e9);
        if (clsField::shared().Count() != kCatalogueTables * kCatalogueColumns) {
            std::printf("the catalogue of %d tables was not loaded (%d fields)\n", kCatalogueTables,
                        int(clsField::shared().Count()));
            return -1;
        }
    }
    clsTable::shared().RemoveAll();
    clsField::shared().RemoveAll();
    BuilderSettings::shared() = BuilderSettings();
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Server server;
    if (!server.up || !load())
        return 1;
    benchmark::RegisterBenchmark("ClientLoop", ClientLoop)->Iterations(1)->Repetitions(5)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("RecordSetFetch", RecordSetFetch)->Iterations(1)->Repetitions(5)->Unit(benchmark::kMillisecond);
    const auto times = bench::runAndCollect(argc, argv);
    if (!bench::hasAll(times, {"ClientLoop", "RecordSetFetch"}))
        return 0;
    const double stopMs = bench::stopLatencyMs(
        connectionString, QStringLiteral("SELECT COUNT(*) FROM `Rows` a CROSS JOIN seq_1_to_100000 g "
                                          "WHERE a.Remarks LIKE '%never%'"));
    std::printf("client library loop %.3f s, record set %.3f s; Stop ended the query after %.1f ms\n",
                times.at("ClientLoop"), times.at("RecordSetFetch"), stopMs);
    bench::printSummary("mariadb_fetch_1m_vs_client",
                        QStringLiteral("ratio=%1").arg(times.at("RecordSetFetch") / times.at("ClientLoop"), 0, 'f', 2).toStdString(),
                        "<= 1.5");
    bench::printSummary("stop_latency_ms", QStringLiteral("mariadb_ms=%1").arg(stopMs, 0, 'f', 1).toStdString(), "<= 200");

    const QString catalogue = catalogueDatabase();
    const double client = clientCatalogueSeconds(catalogue);
    const double component = componentConnectSeconds(catalogue);
    std::printf("20,000 tables: the client library reads the catalogue in %.1f ms, the component connects in %.1f ms\n",
                client * 1e3, component * 1e3);
    bench::printSummary("connect_20000_tables_mariadb",
                        QStringLiteral("ratio=%1").arg(component / client, 0, 'f', 2).toStdString(), "<= 3");
    return 0;
}
