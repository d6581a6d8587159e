#pragma once

#include <QString>

namespace lorvane {

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

// Throws VLNError with the library's description when the workbook cannot be written.
void write(const QString& path, const RecordSet& rows, Report report, const Origin& origin);

// Excel's row limit for a sheet, header included.
constexpr qint64 kMaxSheetRows = 1048576;

}  // namespace WorkbookExport

}  // namespace lorvane
