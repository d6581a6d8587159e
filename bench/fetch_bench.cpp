// Fetching a million rows of six columns (integer, real, text, date-time, a mostly Null text
// and a long text) from SQLite into a record set, against a plain sqlite3 loop and a plain
// QSqlQuery loop that read every value of the same statement; and the memory the record set
// holds at its peak against the raw size of the values.
#include "platform/Connection.h"
#include "support/BenchSupport.h"

#include <QCoreApplication>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <cstdio>
#include <cstring>
#include <sqlite3.h>

using namespace lorvane;

namespace {

constexpr qint64 kRows = bench::kMillion;

QString databasePath() {
    return bench::sixColumnDatabase(QStringLiteral(LORVANE_BENCH_DATA));
}

// Steps the statement with the library itself, reading every column into locals. Adds the
// raw size of the values (numbers 8 bytes, text its UTF-8 bytes, Null nothing) to *raw.
long long sqlite3Loop(long long* raw = nullptr) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(databasePath().toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, bench::kSixColumnSelect, -1, &stmt, nullptr);
    const int columns = sqlite3_column_count(stmt);
    long long rows = 0, bytes = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        for (int c = 0; c < columns; ++c) {
            switch (sqlite3_column_type(stmt, c)) {
            case SQLITE_INTEGER: {
                sqlite3_int64 v = sqlite3_column_int64(stmt, c);
                benchmark::DoNotOptimize(v);
                bytes += 8;
                break;
            }
            case SQLITE_FLOAT: {
                double v = sqlite3_column_double(stmt, c);
                benchmark::DoNotOptimize(v);
                bytes += 8;
                break;
            }
            case SQLITE_TEXT: {
                const unsigned char* v = sqlite3_column_text(stmt, c);
                benchmark::DoNotOptimize(v);
                bytes += sqlite3_column_bytes(stmt, c);
                break;
            }
            default:
                break;
            }
        }
        ++rows;
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    if (raw)
        *raw = bytes;
    return rows;
}

void Sqlite3Loop(benchmark::State& state) {
    for (auto _ : state)
        if (sqlite3Loop() != kRows)
            state.SkipWithError("wrong row count");
}

void PlainQueryLoop(benchmark::State& state) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("plain"));
    db.setDatabaseName(databasePath());
    db.open();
    for (auto _ : state)
        if (bench::plainQueryLoop(db, QString::fromLatin1(bench::kSixColumnSelect)) != kRows)
            state.SkipWithError("wrong row count");
    db.close();
}

void RecordSetFetch(benchmark::State& state) {
    Connection c;
    c.Open(QStringLiteral("Provider=SQLite;Data Source=") + databasePath());
    for (auto _ : state) {
        auto rs = c.OpenRecordSet(QString::fromLatin1(bench::kSixColumnSelect));
        if (rs->RecordCount() != kRows)
            state.SkipWithError("wrong row count");
        benchmark::DoNotOptimize(rs);
    }
}

// In a process of its own: the resident memory a fetch adds at its peak, while the record set
// holds every row.
int peakRssChild() {
    Connection c;
    c.Open(QStringLiteral("Provider=SQLite;Data Source=") + databasePath());
    const long long before = bench::residentBytes();
    auto rs = c.OpenRecordSet(QString::fromLatin1(bench::kSixColumnSelect), 0, true);
    const long long peak = bench::peakResidentBytes();
    std::printf("%lld %lld\n", peak - before, static_cast<long long>(rs->RecordCount()));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "--peak-rss") == 0)
        return peakRssChild();
    databasePath();
    benchmark::RegisterBenchmark("Sqlite3Loop", Sqlite3Loop)->Iterations(1)->Repetitions(5)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("PlainQueryLoop", PlainQueryLoop)->Iterations(1)->Repetitions(5)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("RecordSetFetch", RecordSetFetch)->Iterations(1)->Repetitions(5)->Unit(benchmark::kMillisecond);
    const auto times = bench::runAndCollect(argc, argv);
    if (!bench::hasAll(times, {"Sqlite3Loop", "PlainQueryLoop", "RecordSetFetch"}))
        return 0;  // a filter left some out: no summary

    long long raw = 0;
    sqlite3Loop(&raw);
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--peak-rss")});
    child.waitForFinished(-1);
    const QList<QByteArray> peak = child.readAllStandardOutput().trimmed().split(' ');
    const long long held = peak.value(0).toLongLong();
    if (peak.value(1).toLongLong() != kRows) {
        std::printf("the peak memory run read %s rows\n", peak.value(1).constData());
        return 1;
    }

    std::printf("sqlite3 loop %.3f s, QSqlQuery loop %.3f s, record set %.3f s; peak %.0f MB for %.0f MB of values\n",
                times.at("Sqlite3Loop"), times.at("PlainQueryLoop"), times.at("RecordSetFetch"), held / 1e6, raw / 1e6);
    auto ratio = [](double r) { return QStringLiteral("ratio=%1").arg(r, 0, 'f', 2).toStdString(); };
    bench::printSummary("fetch_1m_vs_sqlite3", ratio(times.at("RecordSetFetch") / times.at("Sqlite3Loop")), "<= 1.5");
    bench::printSummary("fetch_1m_ratio", ratio(times.at("RecordSetFetch") / times.at("PlainQueryLoop")), "<= 0.7");
    bench::printSummary("fetch_peak_rss_ratio", ratio(static_cast<double>(held) / static_cast<double>(raw)), "<= 2.0");
    return 0;
}
