#include "BenchSupport.h"
#include "platform/Connection.h"
#include "platform/RecordSet.h"
#include "platform/RunMonitor.h"

#include <QElapsedTimer>

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sqlite3.h>
#include <malloc.h>
#include <algorithm>
#include <cstdio>
#include <cstring>

namespace lorvane::bench {

namespace {

class CollectingReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> fastest;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.iterations == 0)
                continue;
            const double seconds = run.real_accumulated_time / static_cast<double>(run.iterations);
            const std::string name = run.run_name.function_name;
            auto it = fastest.find(name);
            fastest[name] = it == fastest.end() ? seconds : std::min(it->second, seconds);
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

std::map<std::string, double> runAndCollect(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return reporter.fastest;
}

bool hasAll(const std::map<std::string, double>& times, std::initializer_list<const char*> names) {
    for (const char* name : names)
        if (!times.count(name))
            return false;
    return true;
}

QString sqliteDatabase(const QString& dir, const QString& fileName, const char* sql) {
    const QString path = dir + u'/' + fileName;
    if (QFileInfo::exists(path))
        return path;
    QDir().mkpath(dir);
    // Made under another name and renamed, so that an interrupted run leaves no half database.
    const QString tmp = path + QStringLiteral(".tmp");
    QFile::remove(tmp);
    sqlite3* db = nullptr;
    sqlite3_open(tmp.toUtf8().constData(), &db);
    sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    sqlite3_close(db);
    QFile::rename(tmp, path);
    return path;
}

QString millionRowDatabase(const QString& dir) {
    return sqliteDatabase(dir, QStringLiteral("fetch-1m.db"),
                          "CREATE TABLE Items (ID INTEGER PRIMARY KEY, Name VARCHAR(30), Price REAL, Quantity INTEGER, "
                          "Created DATETIME, Active BOOLEAN);"
                          "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000000) "
                          "INSERT INTO Items SELECT i, 'Item number ' || i, (i % 10000) / 100.0, i % 97, "
                          "datetime('2020-01-01 00:00:00', '+' || (i % 100000) || ' minutes'), i % 2 FROM n;");
}

const char* const kSixColumnSelect = "SELECT ID, Amount, Name, Created, Note, Remarks FROM Rows";

QString sixColumnDatabase(const QString& dir) {
    return sqliteDatabase(dir, QStringLiteral("fetch-6col-1m.db"),
                          "CREATE TABLE Rows (ID INTEGER PRIMARY KEY, Amount REAL, Name VARCHAR(30), Created DATETIME, "
                          "Note VARCHAR(40), Remarks TEXT);"
                          "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000000) "
                          "INSERT INTO Rows SELECT i, (i % 100000) / 100.0 + 0.25, 'Customer ' || (i % 50000), "
                          "datetime('2020-01-01 00:00:00', '+' || (i % 100000) || ' minutes'), "
                          "CASE WHEN i % 10 = 0 THEN 'Deliver before noon' END, "
                          "'Remarks for order ' || i || ': ' || replace(hex(zeroblob(40)), '00', 'call ahead ') FROM n;");
}

const char* const kSixColumnPostgres =
    "CREATE TABLE Rows (ID BIGINT PRIMARY KEY, Amount DOUBLE PRECISION, Name VARCHAR(30), Created TIMESTAMP, "
    "Note VARCHAR(40), Remarks TEXT);"
    "INSERT INTO Rows SELECT i, (i % 100000) / 100.0 + 0.25, 'Customer ' || (i % 50000), "
    "TIMESTAMP '2020-01-01 00:00:00' + (i % 100000) * INTERVAL '1 minute', "
    "CASE WHEN i % 10 = 0 THEN 'Deliver before noon' END, "
    "'Remarks for order ' || i || ': ' || repeat('call ahead ', 40) FROM generate_series(1, 1000000) AS i;"
    "ANALYZE Rows;";

namespace {
long long statusField(const char* key) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(static_cast<qsizetype>(std::strlen(key))).trimmed().split(' ').value(0).toLongLong() * 1024;
    return 0;
}
}  // namespace

long long residentBytes() { return statusField("VmRSS:"); }
long long peakResidentBytes() { return statusField("VmHWM:"); }

long long heapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return static_cast<long long>(info.uordblks + info.hblkhd);
}

void printSummary(const std::string& name, const std::string& figure, const std::string& goal) {
    std::printf("BENCH %s %s (goal %s)\n", name.c_str(), figure.c_str(), goal.c_str());
    std::fflush(stdout);
}

long long plainQueryLoop(QSqlDatabase& db, const QString& sql) {
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.exec(sql);
    const int columns = q.record().count();
    long long rows = 0;
    while (q.next()) {
        for (int i = 0; i < columns; ++i) {
            QVariant v = q.value(i);
            benchmark::DoNotOptimize(v);
        }
        ++rows;
    }
    return rows;
}

void recordSetFetch(benchmark::State& state, const QString& connectionString, const QString& sql) {
    Connection c;
    c.Open(connectionString);
    for (auto _ : state) {
        auto rs = c.OpenRecordSet(sql, 0, true);
        if (rs->RecordCount() != kMillion)
            state.SkipWithError("wrong row count");
        benchmark::DoNotOptimize(rs);
    }
}

double stopLatencyMs(const QString& connectionString, const QString& statement) {
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
        c.OpenRecordSet(statement, 0, true, &monitor);
        if (!monitor.stopped() || !monitor.asked.isValid())
            return -1;
        best = std::min(best, monitor.asked.nsecsElapsed() / 1e6);
    }
    return best;
}

}  // namespace lorvane::bench
