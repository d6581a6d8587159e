// The six-column million rows of the fetch benchmark read from PostgreSQL (a throw-away server
// on loopback, started here): into a record set, against a plain libpq loop that reads every
// value with PQgetvalue; how soon Stop ends a long query; and how connecting grows from a
// catalogue of 2,000 tables to one of 20,000.
#include "control/Lorvanev2.h"
#include "shared/BuilderSettings.h"
#include "shared/clsField.h"
#include "shared/clsTable.h"
#include "platform/Connection.h"
#include "platform/ConnectionString.h"
#include "platform/RunMonitor.h"
#include "support/BenchSupport.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <cstdio>
#include <libpq-fe.h>

using namespace lorvane;

namespace {

const QString kState = QStringLiteral(LORVANE_BENCH_DATA "/pg-bench-server");
QString connectionString;

// The server for as long as the benchmark runs.
struct Server {
    bool up = false;
    Server() {
        QDir().mkpath(kState);
        QProcess start;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PG_TEST_PORT"), QStringLiteral("55700"));
        start.setProcessEnvironment(env);
        start.start(QStringLiteral(LORVANE_PG_SERVER), {QStringLiteral("start"), kState});
        start.waitForFinished(120000);
        QFile cs(kState + QStringLiteral("/connection.txt"));
        up = start.exitCode() == 0 && cs.open(QIODevice::ReadOnly);
        if (up)
            connectionString = QString::fromUtf8(cs.readAll()).trimmed();
        else
            std::printf("the PostgreSQL server did not start: %s\n", start.readAllStandardError().constData());
    }
    ~Server() {
        QProcess::execute(QStringLiteral(LORVANE_PG_SERVER), {QStringLiteral("stop"), kState});
    }
};

QByteArray conninfo(const QString& database = {}) {
    const ConnectionString cs(connectionString);
    return QStringLiteral("host=%1 port=%2 dbname=%3 user=%4")
        .arg(cs.value(QStringLiteral("Host")), cs.value(QStringLiteral("Port")),
             database.isEmpty() ? cs.value(QStringLiteral("Database")) : database, cs.value(QStringLiteral("User ID")))
        .toUtf8();
}

bool exec(PGconn* conn, const QByteArray& sql) {
    PGresult* r = PQexec(conn, sql.constData());
    const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
    if (!ok)
        std::printf("failed: %s\n", PQerrorMessage(conn));
    PQclear(r);
    return ok;
}

constexpr int kCatalogueColumns = 20;

// A database of n tables x 20 columns; returns its connection string.
QString catalogueDatabase(int tables) {
    const QString name = QStringLiteral("catalogue_%1").arg(tables);
    PGconn* admin = PQconnectdb(conninfo().constData());
    exec(admin, "CREATE DATABASE " + name.toUtf8());
    PQfinish(admin);
    PGconn* conn = PQconnectdb(conninfo(name).constData());
    QByteArray columns;
    for (int c = 0; c < kCatalogueColumns; ++c)
        columns += QByteArray(c ? ", " : "") + "column" + QByteArray::number(c) +
                   (c % 3 == 0 ? " INTEGER" : c % 3 == 1 ? " VARCHAR(40)" : " TIMESTAMP");
    // Committed every thousand tables: one transaction cannot lock them all.
    exec(conn, "DO $$ BEGIN FOR i IN 1.." + QByteArray::number(tables) +
                   " LOOP EXECUTE format('CREATE TABLE %I (" + columns +
                   ")', 'Table ' || i); IF i % 1000 = 0 THEN COMMIT; END IF; END LOOP; END $$");
    PQfinish(conn);
    QString cs = connectionString;
    return cs.replace(QStringLiteral("Database=lorvane_test"), QStringLiteral("Database=") + name);
}

// The fastest of three connections through the component, in seconds.
double connectSeconds(const QString& cs, int tables) {
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
        if (clsField::shared().Count() != tables * kCatalogueColumns) {
            std::printf("the catalogue of %d tables was not loaded\n", tables);
            return -1;
        }
    }
    clsTable::shared().RemoveAll();
    clsField::shared().RemoveAll();
    BuilderSettings::shared() = BuilderSettings();
    return best;
}

bool load() {
    PGconn* conn = PQconnectdb(conninfo().constData());
    PGresult* r = PQexec(conn, bench::kSixColumnPostgres);
    const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
    if (!ok)
        std::printf("loading failed: %s\n", PQerrorMessage(conn));
    PQclear(r);
    PQfinish(conn);
    return ok;
}

void LibpqLoop(benchmark::State& state) {
    PGconn* conn = PQconnectdb(conninfo().constData());
    for (auto _ : state) {
        PGresult* r = PQexec(conn, bench::kSixColumnSelect);
        const int rows = PQntuples(r), columns = PQnfields(r);
        for (int row = 0; row < rows; ++row)
            for (int c = 0; c < columns; ++c) {
                if (PQgetisnull(r, row, c))
                    continue;
                const char* v = PQgetvalue(r, row, c);
                int length = PQgetlength(r, row, c);
                benchmark::DoNotOptimize(v);
                benchmark::DoNotOptimize(length);
            }
        if (rows != bench::kMillion)
            state.SkipWithError("wrong row count");
        PQclear(r);
    }
    PQfinish(conn);
}

void RecordSetFetch(benchmark::State& state) {
    bench::recordSetFetch(state, connectionString, QString::fromLatin1(bench::kSixColumnSelect));
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Server server;
    if (!server.up || !load())
        return 1;
    benchmark::RegisterBenchmark("LibpqLoop", LibpqLoop)->Iterations(1)->Repetitions(5)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("RecordSetFetch", RecordSetFetch)->Iterations(1)->Repetitions(5)->Unit(benchmark::kMillisecond);
    const auto times = bench::runAndCollect(argc, argv);
    if (!bench::hasAll(times, {"LibpqLoop", "RecordSetFetch"}))
        return 0;
    const double stopMs = bench::stopLatencyMs(
        connectionString, QStringLiteral("SELECT count(*) FROM Rows a CROSS JOIN generate_series(1, 100000) AS g "
                                          "WHERE a.Remarks LIKE '%never%'"));
    std::printf("libpq loop %.3f s, record set %.3f s; Stop ended the query after %.1f ms\n", times.at("LibpqLoop"),
                times.at("RecordSetFetch"), stopMs);
    bench::printSummary("pg_fetch_1m_vs_libpq",
                        QStringLiteral("ratio=%1").arg(times.at("RecordSetFetch") / times.at("LibpqLoop"), 0, 'f', 2).toStdString(),
                        "<= 1.5");
    bench::printSummary("stop_latency_ms", QStringLiteral("postgres_ms=%1").arg(stopMs, 0, 'f', 1).toStdString(), "<= 200");

    const double small = connectSeconds(catalogueDatabase(2000), 2000);
    const double large = connectSeconds(catalogueDatabase(20000), 20000);
    std::printf("connect to 2,000 tables %.1f ms, to 20,000 tables %.1f ms\n", small * 1e3, large * 1e3);
    bench::printSummary("connect_growth_postgres",
                        QStringLiteral("ratio=%1").arg(large / (10 * small), 0, 'f', 2).toStdString(), "<= 1.3");
    return 0;
}
