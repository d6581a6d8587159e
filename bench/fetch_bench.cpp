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

constexpr qint64 kRows = bench::kMillion;
const QString kSql = QStringLiteral("SELECT ID, Name, Price, Quantity, Created, Active FROM Items");

QString databasePath() {
    return bench::millionRowDatabase(QStringLiteral(LORVANE_BENCH_DATA));
}

void PlainQueryLoop(benchmark::State& state) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("plain"));
    db.setDatabaseName(databasePath());
    db.open();
    for (auto _ : state)
        if (bench::plainQueryLoop(db, kSql) != kRows)
            state.SkipWithError("wrong row count");
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
