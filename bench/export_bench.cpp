// Writing query results as a workbook: a 100,000-row x 6-column data report through the
// export, against libxlsxwriter writing the same cells from the same record set in a plain
// loop; and the peak memory of exporting a million rows.
#include "platform/Connection.h"
#include "platform/RecordSet.h"
#include "storage/WorkbookExport.h"
#include "support/BenchSupport.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <xlsxwriter.h>

using namespace lorvane;

namespace {

std::shared_ptr<RecordSet> rows(qint64 count) {
    Connection c;
    c.Open(QStringLiteral("Provider=SQLite;Data Source=") + bench::millionRowDatabase(QStringLiteral(LORVANE_BENCH_DATA)));
    return c.OpenRecordSet(
        QStringLiteral("SELECT ID, Name, Price, Quantity, Created, Active FROM Items LIMIT %1").arg(count));
}

std::shared_ptr<RecordSet>& hundredThousand() {
    static std::shared_ptr<RecordSet> rs = rows(100000);
    return rs;
}

QTemporaryDir& scratch() {
    static QTemporaryDir dir;
    return dir;
}

void PlainXlsxLoop(benchmark::State& state) {
    const RecordSet& rs = *hundredThousand();
    const QByteArray path = QFile::encodeName(scratch().filePath(QStringLiteral("plain.xlsx")));
    for (auto _ : state) {
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
        lxw_workbook* book = workbook_new_opt(path.constData(), &options);
        lxw_worksheet* sheet = workbook_add_worksheet(book, "Raw Data");
        lxw_format* date = workbook_add_format(book);
        format_set_num_format(date, "yyyy-mm-dd hh:mm:ss");
        for (int c = 0; c < rs.FieldCount(); ++c)
            worksheet_write_string(sheet, 0, static_cast<lxw_col_t>(c), rs.Field(c).name.toUtf8().constData(), nullptr);
        for (qint64 r = 0; r < rs.RecordCount(); ++r)
            for (int c = 0; c < rs.FieldCount(); ++c) {
                const QVariant v = rs.ValueAt(r, c);
                const auto row = static_cast<lxw_row_t>(r + 1);
                const auto col = static_cast<lxw_col_t>(c);
                if (v.typeId() == QMetaType::QString) {
                    worksheet_write_string(sheet, row, col, v.toString().toUtf8().constData(), nullptr);
                } else if (v.typeId() == QMetaType::QDateTime) {
                    const QDateTime t = v.toDateTime();
                    lxw_datetime d{t.date().year(), t.date().month(), t.date().day(), t.time().hour(),
                                   t.time().minute(), static_cast<double>(t.time().second())};
                    worksheet_write_datetime(sheet, row, col, &d, date);
                } else if (!v.isNull()) {
                    worksheet_write_number(sheet, row, col, v.toDouble(), nullptr);
                }
            }
        workbook_close(book);
    }
}

void DataReport(benchmark::State& state) {
    const QString path = scratch().filePath(QStringLiteral("report.xlsx"));
    for (auto _ : state)
        WorkbookExport::write(path, *hundredThousand(), WorkbookExport::Report::Data, {QStringLiteral("bench"), QStringLiteral("SELECT")});
}

long long peakRssKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    hundredThousand();
    benchmark::RegisterBenchmark("PlainXlsxLoop", PlainXlsxLoop)->Iterations(1)->Repetitions(3)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("DataReport", DataReport)->Iterations(1)->Repetitions(3)->Unit(benchmark::kMillisecond);
    const auto times = bench::runAndCollect(argc, argv);
    if (!bench::hasAll(times, {"PlainXlsxLoop", "DataReport"}))
        return 0;
    hundredThousand().reset();

    // A million rows: the peak resident memory of the process, with the record set in it.
    const long long heapBefore = bench::heapInUse();
    auto million = rows(1000000);
    const long long held = bench::heapInUse() - heapBefore;
    WorkbookExport::write(scratch().filePath(QStringLiteral("million.xlsx")), *million, WorkbookExport::Report::Data,
                          {QStringLiteral("bench"), QStringLiteral("SELECT")});
    const double ratio = times.at("DataReport") / times.at("PlainXlsxLoop");
    std::printf("plain loop %.3f s, data report %.3f s; 1M rows: record set %.0f MB, peak resident %.0f MB\n",
                times.at("PlainXlsxLoop"), times.at("DataReport"), held / 1e6, peakRssKb() / 1024.0);
    bench::printSummary("export_100k_rows", QStringLiteral("ratio=%1").arg(ratio, 0, 'f', 2).toStdString(), "<= 1.3");
    bench::printSummary("export_peak_rss_mb", QStringLiteral("mb=%1").arg(peakRssKb() / 1024.0, 0, 'f', 0).toStdString(),
                        "report");
    return 0;
}
