// Exporting the full result of a query, run again reading only and written as its rows
// arrive: the peak resident memory the export adds, for 100,000 and for 1,000,000 narrow rows,
// each measured in a child process of its own. Rows held until the end would make the second
// about ten times the first; written as they arrive, both are about the same.
#include "platform/Connection.h"
#include "storage/WorkbookExport.h"
#include "support/BenchSupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>

using namespace lorvane;

namespace {

constexpr qint64 kMostRows = 1000000;

QString connectionText(const QTemporaryDir& dir) {
    return QStringLiteral("Provider=SQLite;Data Source=") + dir.filePath(QStringLiteral("narrow.db"));
}

void makeRows(const QTemporaryDir& dir) {
    QFile(dir.filePath(QStringLiteral("narrow.db"))).open(QIODevice::WriteOnly);  // an empty database
    Connection c;
    c.Open(connectionText(dir));
    c.Execute(QStringLiteral("CREATE TABLE narrow (id INTEGER, code VARCHAR(8), amount REAL)"));
    c.Execute(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                             "INSERT INTO narrow SELECT i, 'c' || (i % 97), i * 0.5 FROM n")
                  .arg(kMostRows));
    c.Close();
}

// The resident memory the export of the first rows adds at its peak, in bytes, measured in a
// child; -1 when the export failed or wrote another number of rows.
long long peakGrowth(const QTemporaryDir& dir, qint64 rows) {
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeEnds[0]);
        long long growth = -1;
        try {
            Connection c;
            c.Open(connectionText(dir));
            const long long before = bench::residentBytes();
            const WorkbookExport::Result r = WorkbookExport::writeRun(
                dir.filePath(QStringLiteral("narrow-%1.xlsx").arg(rows)), c,
                QStringLiteral("SELECT id, code, amount FROM narrow LIMIT %1").arg(rows), WorkbookExport::Report::Pivot,
                {QStringLiteral("bench"), QStringLiteral("SELECT")});
            if (r.rows == rows)
                growth = bench::peakResidentBytes() - before;
            else
                std::fprintf(stderr, "%lld rows written of %lld\n", r.rows, rows);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "export failed: %s\n", e.what());
        }
        (void)!::write(pipeEnds[1], &growth, sizeof growth);
        ::_exit(0);
    }
    ::close(pipeEnds[1]);
    long long growth = -1;
    if (child < 0 || ::read(pipeEnds[0], &growth, sizeof growth) != sizeof growth)
        growth = -1;
    ::close(pipeEnds[0]);
    int status = 0;
    if (child > 0)
        ::waitpid(child, &status, 0);
    return growth;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    makeRows(dir);
    const long long small = peakGrowth(dir, kMostRows / 10);
    const long long large = peakGrowth(dir, kMostRows);
    if (small <= 0 || large < 0) {
        std::printf("the export failed\n");
        bench::printSummary("export_full_result_memory", "ratio=failed", "<= 1.5");
        return 0;
    }
    std::printf("peak resident growth: %lld rows %.1f MB, %lld rows %.1f MB\n", kMostRows / 10, small / 1e6, kMostRows,
                large / 1e6);
    bench::printSummary("export_full_result_memory",
                        QStringLiteral("ratio=%1").arg(double(large) / double(small), 0, 'f', 2).toStdString(), "<= 1.5");
    return 0;
}
