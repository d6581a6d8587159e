// The six-column million rows of the fetch benchmark read from PostgreSQL (a throw-away server
// on loopback, started here): into a record set, against a plain libpq loop that reads every
// value with PQgetvalue; and how soon Stop ends a long query.
#include "platform/Connection.h"
#include "platform/ConnectionString.h"
#include "platform/RunMonitor.h"
#include "support/BenchSupport.h"

#include <QCoreApplication>
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

QByteArray conninfo() {
    const ConnectionString cs(connectionString);
    return QStringLiteral("host=%1 port=%2 dbname=%3 user=%4")
        .arg(cs.value(QStringLiteral("Host")), cs.value(QStringLiteral("Port")), cs.value(QStringLiteral("Database")),
             cs.value(QStringLiteral("User ID")))
        .toUtf8();
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
    Connection c;
    c.Open(connectionString);
    for (auto _ : state) {
        auto rs = c.OpenRecordSet(QString::fromLatin1(bench::kSixColumnSelect), 0, true);
        if (rs->RecordCount() != bench::kMillion)
            state.SkipWithError("wrong row count");
        benchmark::DoNotOptimize(rs);
    }
}

// Asks to stop half a second into a query that would run for minutes; the milliseconds from
// the request to the run having ended, the fastest of three.
double stopLatencyMs() {
    struct StopSoon : RunMonitor {
        QElapsedTimer started, asked;
        bool progress(const std::shared_ptr<RecordSet>&, qint64) override {
            if (started.elapsed() < 500)
                return false;
            asked.start();
            return true;
        }
    };
    Connection c;
    c.Open(connectionString);
    double best = 1e9;
    for (int i = 0; i < 3; ++i) {
        StopSoon monitor;
        monitor.started.start();
        c.OpenRecordSet(QStringLiteral("SELECT count(*) FROM Rows a CROSS JOIN generate_series(1, 100000) AS g "
                                       "WHERE a.Remarks LIKE '%never%'"),
                        0, true, &monitor);
        if (!monitor.stopped() || !monitor.asked.isValid())
            return -1;
        best = std::min(best, monitor.asked.nsecsElapsed() / 1e6);
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    Server server;
    if (!server.up || !load())
        return 1;
    benchmark::RegisterBenchmark("LibpqLoop", LibpqLoop)->Iterations(1)->Repetitions(5)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("RecordSetFetch", RecordSetFetch)->Iterations(1)->Repetitions(5)->Unit(benchmark::kMillisecond);
    const auto times = bench::runAndCollect(argc, argv);
    if (!bench::hasAll(times, {"LibpqLoop", "RecordSetFetch"}))
        return 0;
    const double stopMs = stopLatencyMs();
    std::printf("libpq loop %.3f s, record set %.3f s; Stop ended the query after %.1f ms\n", times.at("LibpqLoop"),
                times.at("RecordSetFetch"), stopMs);
    bench::printSummary("pg_fetch_1m_vs_libpq",
                        QStringLiteral("ratio=%1").arg(times.at("RecordSetFetch") / times.at("LibpqLoop"), 0, 'f', 2).toStdString(),
                        "<= 1.5");
    bench::printSummary("stop_latency_ms", QStringLiteral("postgres_ms=%1").arg(stopMs, 0, 'f', 1).toStdString(), "<= 200");
    return 0;
}
