// A process that exports one query's rows as a workbook, for the tests that fail its file
// operations one by one (strace fault injection) or kill it at each. Arguments: SQLite file,
// statement, target, "data" or "pivot". Writes "BEGIN" to standard error just before the
// export starts, and "FAILED: <reason>" when it fails (exit 3).
#include "platform/Connection.h"
#include "platform/VLNError.h"
#include "storage/WorkbookExport.h"

#include <QCoreApplication>
#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s database statement target data|pivot\n", argv[0]);
        return 2;
    }
    using namespace lorvane;
    try {
        Connection c;
        c.Open(QStringLiteral("Provider=SQLite;Data Source=") + QString::fromLocal8Bit(argv[1]));
        const auto rows = c.OpenRecordSet(QString::fromUtf8(argv[2]));
        const auto report = qstrcmp(argv[4], "pivot") == 0 ? WorkbookExport::Report::Pivot : WorkbookExport::Report::Data;
        static const char begin[] = "BEGIN\n";
        if (::write(2, begin, sizeof begin - 1) < 0)
            return 2;
        WorkbookExport::write(QString::fromLocal8Bit(argv[3]), *rows, report, {QStringLiteral("test"), QString()});
    } catch (const VLNError& e) {
        std::fprintf(stderr, "FAILED: %s\n", qPrintable(e.description()));
        return 3;
    }
    return 0;
}
