#pragma once

#include <QString>
#include <memory>

namespace lorvane {

class Connection;
class RecordSet;

// A query's rows as a spreadsheet workbook (.xlsx), written with libxlsxwriter row by row
// (its constant-memory mode: no copy of the rows is held). The data report is one sheet "Raw
// Data": the column names, then every row typed (numbers as numbers, dates and date-times as
// dates, text as text, Null as an empty cell), the header frozen, an autofilter over the
// range. The pivot table report is a sheet "Pivot Table" holding the pivot table "TPX" at
// A1, over the same rows on a sheet "Pivot Data"; libxlsxwriter writes no pivot tables, so
// their parts are added to the package afterwards with libzip. Both record where the rows
// came from (the connection without its password, and the statement) in the document
// properties.
namespace WorkbookExport {

enum class Report { Data, Pivot };

struct Origin {
    QString connection;  // the connection text, without a password
    QString statement;
};

struct Result {
    qint64 cutTexts = 0;  // texts longer than a cell holds (32,767 characters), cut to fit
    qint64 rows = 0;      // the rows written
};

// Numbers (exact decimals that arrive as text too) are numbers, booleans booleans; what a sheet
// cannot hold is text: infinities and NaN as "Infinity", "-Infinity", "NaN", dates before 1900
// or after 9999 as ISO dates. The workbook is written beside path and renamed over it when
// complete and synced, so a failure leaves a workbook already there untouched. Throws
// VLNError with the reason (the system's, where a file operation failed) when it cannot be
// written.
Result write(const QString& path, const RecordSet& rows, Report report, const Origin& origin);

// A workbook written as the rows arrive, in order, holding none of them: append() the rows at
// hand as often as needed (the first call's fields make the header), then finish(), which
// completes the workbook beside path, reads it back, syncs it and renames it over path. Until
// finish() succeeds path is untouched; a writer dropped before it removes what it wrote.
class Writer {
public:
    Writer(const QString& path, Report report, const Origin& origin);
    ~Writer();
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    void append(const RecordSet& rows);
    qint64 rowsWritten() const;
    Result finish();

private:
    struct State;
    std::unique_ptr<State> s_;
};

// Runs the statement on the connection again, reading only, and writes its rows into the
// workbook as they arrive: the record set being filled is emptied at every report of the run,
// so the rows held at once are those of one report interval, however many the result has.
Result writeRun(const QString& path, Connection& connection, const QString& statement, Report report,
                const Origin& origin);

// Excel's row limit for a sheet, header included.
constexpr qint64 kMaxSheetRows = 1048576;

}  // namespace WorkbookExport

}  // namespace lorvane
