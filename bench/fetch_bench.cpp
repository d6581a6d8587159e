// Fetching a million rows of six columns from SQLite into a RecordSet, against a plain
// QSqlQuery loop that reads every value of the same statement.
#include "platform/Connection.h"
#include "support/BenchSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <cstdio>

using namespace lorvane;

namespace {

constexpr qint64 kRows = 1000000;
const QString kSql = QStringLiteral("SELECT ID, Name, Price, Quantity, Created, Active FROM Items");

QString databasePath() {
    return QStringLiteral(LORVANE_BENCH_DATA) + QStringLiteral("/fetch-1m.db");
}

void createDatabase() {
    if (QFileInfo::exists(databasePath()))
        return;
    QDir().mkpath(QStringLiteral(LORVANE_BENCH_DATA));
    const QString tmp = databasePath() + QStringLiteral(".tmp");
    QFile::remove(tmp);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("create"));
        db.setDatabaseName(tmp);
        db.open();
        QSqlQuery q(db);
        q.exec(QStringLiteral("CREATE TABLE Items (ID INTEGER PRIMARY KEY, Name VARCHAR(30), Price REAL, "
                              "Quantity INTEGER, Created DATETIME, Active BOOLEAN)"));
        q.exec(QStringLiteral(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
            "INSERT INTO Items SELECT i, 'Item number ' || i, (i % 10000) / 100.0, i % 97, "
            "datetime('2020-01-01 00:00:00', '+' || (i % 100000) || ' minutes'), i % 2 FROM n")
                   .arg(kRows));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("create"));
    QFile::rename(tmp, databasePath());
}

void PlainQueryLoop(benchmark::State& state) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("plain"));
    db.setDatabaseName(databasePath());
    db.open();
    for (auto _ : state) {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        q.exec(kSql);
        qint64 rows = 0;
        while (q.next()) {
            for (int i = 0; i < 6; ++i) {
                QVariant v = q.value(i);
                benchmark::DoNotOptimize(v);
            }
            ++rows;
        }
        if (rows != kRows)
            state.SkipWithError("wrong row count");
    }
    db.close();
}

void RecordSetFetch(benchmark::State& state) {
    Connection c;
    c.Open(QStringLiteral("Provider=SQLite;Data Source=") + databasePath());
    for (auto _ : state) {
        auto rs = c.OpenRecordSet(kSql);
        if (rs->RecordCount() != kRows)
            state.SkipWithError("wrong row count");
        benchmark::DoNotOptimize(rs);
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    createDatabase();
    benchmark::RegisterBenchmark("PlainQueryLoop", PlainQueryLoop)->Iterations(1)->Repetitions(3)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("RecordSetFetch", RecordSetFetch)->Iterations(1)->Repetitions(3)->Unit(benchmark::kMillisecond);
    const auto times = bench::runAndCollect(argc, argv);
    if (!bench::hasAll(times, {"PlainQueryLoop", "RecordSetFetch"}))
        return 0;  // a filter left some out: no summary

    // Memory the stored rows take: heap growth while one result is held.
    long long bytesPerRow = 0;
    {
        Connection c;
        c.Open(QStringLiteral("Provider=SQLite;Data Source=") + databasePath());
        const long long before = bench::heapInUse();
        auto rs = c.OpenRecordSet(kSql);
        const long long after = bench::heapInUse();
        bytesPerRow = (after - before) / rs->RecordCount();
    }

    const double ratio = times.at("RecordSetFetch") / times.at("PlainQueryLoop");
    std::printf("plain loop %.3f s, record set %.3f s\n", times.at("PlainQueryLoop"), times.at("RecordSetFetch"));
    bench::printSummary("fetch_1m_ratio", QStringLiteral("ratio=%1").arg(ratio, 0, 'f', 2).toStdString(), "<= 1.3");
    bench::printSummary("fetch_1m_bytes_per_row", "bytes=" + std::to_string(bytesPerRow), "<= 160");
    return 0;
}
