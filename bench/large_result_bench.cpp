// Five million rows into a record set: no crash, the memory the record set holds against the
// raw size of the values it holds (numbers 8 bytes, text its UTF-8 bytes, Null nothing), and
// the grid's model still answering at once.
#include "platform/Connection.h"
#include "platform/RecordSet.h"
#include "platform/RecordSetModel.h"
#include "support/BenchSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <sqlite3.h>

using namespace lorvane;

namespace {

constexpr long long kRows = 5000000;
const char* const kSql = "SELECT ID, Amount, Name, Note, Quantity FROM Big";

QString database(const QString& dir) {
    // Mixed columns, a Null-heavy one among them.
    return bench::sqliteDatabase(
        dir, QStringLiteral("large-5m.db"),
        "CREATE TABLE Big (ID INTEGER PRIMARY KEY, Amount REAL, Name VARCHAR(30), Note VARCHAR(60), Quantity INTEGER);"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 5000000) "
        "INSERT INTO Big SELECT i, (i % 100000) / 100.0, 'Customer ' || (i % 50000), "
        "CASE WHEN i % 10 = 0 THEN 'Call before delivery, ring twice' END, i % 97 FROM n;");
}

// The raw size of the values, read with the sqlite3 library itself.
long long rawBytes(const QString& path) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, kSql, -1, &stmt, nullptr);
    long long bytes = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW)
        for (int c = 0; c < sqlite3_column_count(stmt); ++c)
            switch (sqlite3_column_type(stmt, c)) {
            case SQLITE_INTEGER:
            case SQLITE_FLOAT: bytes += 8; break;
            case SQLITE_TEXT:
            case SQLITE_BLOB: bytes += sqlite3_column_bytes(stmt, c); break;
            default: break;
            }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return bytes;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString path = database(QStringLiteral(LORVANE_BENCH_DATA));
    const long long raw = rawBytes(path);

    Connection c;
    c.Open(QStringLiteral("Provider=SQLite;Data Source=") + path);
    // Resident memory: the record set's large blocks are mapped on their own, outside the heap.
    const long long before = bench::residentBytes();
    QElapsedTimer fetch;
    fetch.start();
    auto rs = c.OpenRecordSet(QString::fromLatin1(kSql), 0, true);
    const double seconds = fetch.elapsed() / 1000.0;
    const long long held = bench::residentBytes() - before;
    if (rs->RecordCount() != kRows) {
        std::printf("wrong row count: %lld\n", static_cast<long long>(rs->RecordCount()));
        return 1;
    }

    // The grid's model on the whole result: its size and a cell anywhere, at once.
    RecordSetModel model;
    model.setRecordSet(rs);
    QElapsedTimer cells;
    cells.start();
    const bool answers = model.rowCount() == kRows &&
                         model.data(model.index(static_cast<int>(kRows - 1), 2)).toString() == u"Customer 0" &&
                         model.data(model.index(static_cast<int>(kRows / 2), 0)).toLongLong() == kRows / 2 + 1;
    const double cellMs = cells.nsecsElapsed() / 1e6;

    const double ratio = static_cast<double>(held) / static_cast<double>(raw);
    std::printf("%lld rows in %.2f s; record set %.0f MB for %.0f MB of values; model %s in %.3f ms\n", kRows,
                seconds, held / 1e6, raw / 1e6, answers ? "answered" : "WRONG", cellMs);
    bench::printSummary("large_result_memory_ratio", QStringLiteral("ratio=%1").arg(ratio, 0, 'f', 2).toStdString(),
                        "<= 2.0");
    return answers ? 0 : 1;
}
