#include "WorkbookExport.h"

#include "platform/RecordSet.h"
#include "platform/VLNError.h"

#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QTemporaryFile>
#include <QTime>
#include <algorithm>
#include <cmath>
#include <list>
#include <vector>
#include <xlsxwriter.h>
#include <zip.h>

namespace lorvane::WorkbookExport {

namespace {

const QString kSource = QStringLiteral("Lorvane.WorkbookExport");
constexpr int kMaxCellText = 32767;  // Excel's limit for one cell
constexpr qint64 kWidthSample = 500;  // rows looked at to size the columns

[[noreturn]] void fail(const QString& what) {
    throw VLNError(ErrorNumber::ProviderFailure, kSource, what);
}

void check(lxw_error error, const char* step) {
    if (error != LXW_NO_ERROR)
        fail(QStringLiteral("%1: %2").arg(QLatin1String(step), QString::fromUtf8(lxw_strerror(error))));
}

// Characters XML cannot hold become U+FFFD; text longer than a cell holds is cut.
QString cellText(QString text) {
    if (text.size() > kMaxCellText)
        text.truncate(kMaxCellText);
    for (QChar& c : text)
        if (c.unicode() < 0x20 && c != u'\t' && c != u'\n' && c != u'\r')
            c = QChar(0xFFFD);
    return text;
}

QByteArray xmlEscaped(const QString& text) {
    QString out = cellText(text).toHtmlEscaped();
    out.replace(u'\n', QStringLiteral("&#10;")).replace(u'\r', QStringLiteral("&#13;")).replace(u'\t', QStringLiteral("&#9;"));
    return out.toUtf8();
}

bool isNumber(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong: case QMetaType::ULongLong:
    case QMetaType::Short: case QMetaType::UShort: case QMetaType::Double: case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

bool isInteger(const QVariant& v) {
    return isNumber(v) && v.typeId() != QMetaType::Double && v.typeId() != QMetaType::Float;
}

lxw_datetime toLxw(const QDateTime& t) {
    return {t.date().year(), t.date().month(), t.date().day(), t.time().hour(), t.time().minute(),
            t.time().second() + t.time().msec() / 1000.0};
}

// What one column holds, for the pivot cache's description of it.
struct ColumnSummary {
    bool blank = false, text = false, number = false, integerOnly = true, date = false;
    double min = 0, max = 0;
    void see(const QVariant& v) {
        if (!v.isValid() || v.isNull()) {
            blank = true;
        } else if (v.typeId() == QMetaType::QDateTime || v.typeId() == QMetaType::QDate) {
            date = true;
        } else if (isNumber(v)) {
            const double d = v.toDouble();
            min = number ? std::min(min, d) : d;
            max = number ? std::max(max, d) : d;
            number = true;
            integerOnly = integerOnly && isInteger(v);
        } else {
            text = true;
        }
    }
};

class Sheet {
public:
    Sheet(lxw_workbook* book, lxw_worksheet* sheet, const RecordSet& rows, std::vector<ColumnSummary>* summaries)
        : book_(book), sheet_(sheet), rows_(rows), summaries_(summaries) {}

    void write() {
        const int columns = rows_.FieldCount();
        if (rows_.RecordCount() + 1 > kMaxSheetRows)
            fail(QStringLiteral("the result has %1 rows, more than a sheet holds (%2)")
                     .arg(rows_.RecordCount())
                     .arg(kMaxSheetRows - 1));
        if (columns > LXW_COL_MAX)
            fail(QStringLiteral("the result has more columns than a sheet holds"));
        lxw_format* header = workbook_add_format(book_);
        format_set_bold(header);
        dateTime_ = workbook_add_format(book_);
        format_set_num_format(dateTime_, "yyyy-mm-dd hh:mm:ss");
        date_ = workbook_add_format(book_);
        format_set_num_format(date_, "yyyy-mm-dd");
        // Widths from the names and the first rows; the rows themselves stream out after.
        for (int c = 0; c < columns; ++c) {
            qsizetype width = rows_.Field(c).name.size();
            for (qint64 r = 0; r < std::min(rows_.RecordCount(), kWidthSample); ++r)
                width = std::max(width, displayLength(rows_.ValueAt(r, c)));
            check(worksheet_set_column(sheet_, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c),
                                       std::clamp<double>(static_cast<double>(width) + 2, 8, 60), nullptr),
                  "column width");
        }
        for (int c = 0; c < columns; ++c)
            check(worksheet_write_string(sheet_, 0, static_cast<lxw_col_t>(c),
                                         cellText(rows_.Field(c).name).toUtf8().constData(), header),
                  "header");
        if (summaries_)
            summaries_->assign(static_cast<std::size_t>(columns), {});
        for (qint64 r = 0; r < rows_.RecordCount(); ++r)
            for (int c = 0; c < columns; ++c) {
                const QVariant v = rows_.ValueAt(r, c);
                if (summaries_)
                    (*summaries_)[static_cast<std::size_t>(c)].see(v);
                cell(static_cast<lxw_row_t>(r + 1), static_cast<lxw_col_t>(c), v);
            }
        worksheet_freeze_panes(sheet_, 1, 0);
        if (columns > 0)
            check(worksheet_autofilter(sheet_, 0, 0, static_cast<lxw_row_t>(rows_.RecordCount()),
                                       static_cast<lxw_col_t>(columns - 1)),
                  "autofilter");
    }

private:
    lxw_workbook* book_;
    lxw_worksheet* sheet_;
    const RecordSet& rows_;
    std::vector<ColumnSummary>* summaries_;
    lxw_format* dateTime_ = nullptr;
    lxw_format* date_ = nullptr;

    static qsizetype displayLength(const QVariant& v) {
        if (v.typeId() == QMetaType::QDateTime)
            return 19;
        return std::min<qsizetype>(v.toString().size(), 60);
    }

    void cell(lxw_row_t row, lxw_col_t col, const QVariant& v) {
        if (!v.isValid() || v.isNull())
            return;  // an empty cell
        switch (v.typeId()) {
        case QMetaType::QDateTime: {
            lxw_datetime t = toLxw(v.toDateTime());
            check(worksheet_write_datetime(sheet_, row, col, &t, dateTime_), "date-time");
            return;
        }
        case QMetaType::QDate: {
            lxw_datetime t = toLxw(QDateTime(v.toDate(), QTime(0, 0)));
            check(worksheet_write_datetime(sheet_, row, col, &t, date_), "date");
            return;
        }
        case QMetaType::Bool:
            check(worksheet_write_boolean(sheet_, row, col, v.toBool(), nullptr), "boolean");
            return;
        default:
            break;
        }
        if (isNumber(v)) {
            const double d = v.toDouble();
            if (std::isfinite(d)) {
                check(worksheet_write_number(sheet_, row, col, d, nullptr), "number");
                return;
            }
        }
        const QByteArray text = cellText(v.toString()).toUtf8();
        if (!text.isEmpty())
            check(worksheet_write_string(sheet_, row, col, text.constData(), nullptr), "text");
    }
};

// --- The pivot table parts -------------------------------------------------------------

QString columnName(int index) {
    QString name;
    for (++index; index > 0; index = (index - 1) / 26)
        name.prepend(QChar(u'A' + (index - 1) % 26));
    return name;
}

QByteArray cacheDefinition(const RecordSet& rows, const std::vector<ColumnSummary>& summaries) {
    QByteArray x = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                   "<pivotCacheDefinition xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                   "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" r:id=\"rId1\" "
                   "refreshOnLoad=\"1\" createdVersion=\"3\" refreshedVersion=\"3\" minRefreshableVersion=\"3\" "
                   "recordCount=\"" + QByteArray::number(rows.RecordCount()) + "\">";
    const QString ref = QStringLiteral("A1:%1%2").arg(columnName(std::max(rows.FieldCount() - 1, 0))).arg(rows.RecordCount() + 1);
    x += "<cacheSource type=\"worksheet\"><worksheetSource ref=\"" + ref.toUtf8() + "\" sheet=\"Pivot Data\"/></cacheSource>";
    x += "<cacheFields count=\"" + QByteArray::number(rows.FieldCount()) + "\">";
    for (int c = 0; c < rows.FieldCount(); ++c) {
        const ColumnSummary& s = summaries[static_cast<std::size_t>(c)];
        x += "<cacheField name=\"" + xmlEscaped(rows.Field(c).name) + "\" numFmtId=\"0\"><sharedItems";
        if (!s.text && (s.number || s.date))
            x += " containsSemiMixedTypes=\"0\" containsString=\"0\"";
        if (s.number) {
            x += " containsNumber=\"1\"";
            if (s.integerOnly)
                x += " containsInteger=\"1\"";
            x += " minValue=\"" + QByteArray::number(s.min, 'g', 17) + "\" maxValue=\"" + QByteArray::number(s.max, 'g', 17) + "\"";
        }
        if (s.date)
            x += " containsDate=\"1\"";
        if (s.blank)
            x += " containsBlank=\"1\"";
        if ((s.number || s.date) && s.text)
            x += " containsMixedTypes=\"1\"";
        x += "/></cacheField>";
    }
    x += "</cacheFields></pivotCacheDefinition>";
    return x;
}

// The records, one <r> per row, streamed into a temporary file.
void writeCacheRecords(QFile& out, const RecordSet& rows) {
    out.write("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
              "<pivotCacheRecords xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
              "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" count=\"");
    out.write(QByteArray::number(rows.RecordCount()) + "\">");
    QByteArray line;
    for (qint64 r = 0; r < rows.RecordCount(); ++r) {
        line = "<r>";
        for (int c = 0; c < rows.FieldCount(); ++c) {
            const QVariant v = rows.ValueAt(r, c);
            if (!v.isValid() || v.isNull())
                line += "<m/>";
            else if (v.typeId() == QMetaType::QDateTime)
                line += "<d v=\"" + v.toDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")).toUtf8() + "\"/>";
            else if (v.typeId() == QMetaType::QDate)
                line += "<d v=\"" + v.toDate().toString(QStringLiteral("yyyy-MM-ddT00:00:00")).toUtf8() + "\"/>";
            else if (isNumber(v) && std::isfinite(v.toDouble()))
                line += "<n v=\"" + QByteArray::number(v.toDouble(), 'g', 17) + "\"/>";
            else
                line += "<s v=\"" + xmlEscaped(v.toString()) + "\"/>";
        }
        line += "</r>";
        if (out.write(line) != line.size())
            fail(QStringLiteral("writing the pivot records: %1").arg(out.errorString()));
    }
    out.write("</pivotCacheRecords>");
    if (!out.flush())
        fail(QStringLiteral("writing the pivot records: %1").arg(out.errorString()));
}

QByteArray pivotTable(const RecordSet& rows) {
    QByteArray x = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                   "<pivotTableDefinition xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                   "name=\"TPX\" cacheId=\"1\" applyNumberFormats=\"0\" applyBorderFormats=\"0\" "
                   "applyFontFormats=\"0\" applyPatternFormats=\"0\" applyAlignmentFormats=\"0\" "
                   "applyWidthHeightFormats=\"1\" dataCaption=\"Values\" updatedVersion=\"3\" "
                   "minRefreshableVersion=\"3\" createdVersion=\"3\" useAutoFormatting=\"1\" itemPrintTitles=\"1\" "
                   "indent=\"0\" outline=\"1\" outlineData=\"1\" multipleFieldFilters=\"0\">"
                   "<location ref=\"A1:C18\" firstHeaderRow=\"1\" firstDataRow=\"1\" firstDataCol=\"0\"/>";
    x += "<pivotFields count=\"" + QByteArray::number(rows.FieldCount()) + "\">";
    for (int c = 0; c < rows.FieldCount(); ++c)
        x += "<pivotField showAll=\"0\"/>";
    x += "</pivotFields><pivotTableStyleInfo name=\"PivotStyleLight16\" showRowHeaders=\"1\" showColHeaders=\"1\" "
         "showRowStripes=\"0\" showColStripes=\"0\" showLastColumn=\"1\"/></pivotTableDefinition>";
    return x;
}

const char* const kRelsHead = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                              "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
const char* const kRelType = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";

QByteArray relationships(const char* id, const char* type, const char* target) {
    return QByteArray(kRelsHead) + "<Relationship Id=\"" + id + "\" Type=\"" + kRelType + type + "\" Target=\"" +
           target + "\"/></Relationships>";
}

// The package, opened with libzip: parts read, added and replaced, written on close.
class Package {
public:
    explicit Package(const QString& path) {
        int error = 0;
        zip_ = zip_open(QFile::encodeName(path).constData(), 0, &error);
        if (!zip_) {
            zip_error_t e;
            zip_error_init_with_code(&e, error);
            const QString why = QString::fromUtf8(zip_error_strerror(&e));
            zip_error_fini(&e);
            fail(QStringLiteral("opening the workbook to add the pivot table: ") + why);
        }
    }
    ~Package() {
        if (zip_)
            zip_discard(zip_);
    }
    QByteArray read(const char* name) {
        zip_stat_t st;
        if (zip_stat(zip_, name, 0, &st) != 0)
            fail(QStringLiteral("the workbook has no part %1").arg(QLatin1String(name)));
        zip_file_t* f = zip_fopen(zip_, name, 0);
        QByteArray data(static_cast<qsizetype>(st.size), Qt::Uninitialized);
        const zip_int64_t n = f ? zip_fread(f, data.data(), st.size) : -1;
        if (f)
            zip_fclose(f);
        if (n != static_cast<zip_int64_t>(st.size))
            fail(QStringLiteral("reading the part %1").arg(QLatin1String(name)));
        return data;
    }
    void put(const char* name, const QByteArray& data) {
        kept_.push_back(data);  // libzip reads the buffer when the package is written
        const QByteArray& b = kept_.back();
        zip_source_t* src = zip_source_buffer(zip_, b.constData(), static_cast<zip_uint64_t>(b.size()), 0);
        if (!src || zip_file_add(zip_, name, src, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8) < 0) {
            zip_source_free(src);
            fail(QStringLiteral("adding the part %1: %2").arg(QLatin1String(name), QString::fromUtf8(zip_strerror(zip_))));
        }
    }
    void putFile(const char* name, const QString& path) {
        zip_source_t* src = zip_source_file(zip_, QFile::encodeName(path).constData(), 0, -1);
        if (!src || zip_file_add(zip_, name, src, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8) < 0) {
            zip_source_free(src);
            fail(QStringLiteral("adding the part %1: %2").arg(QLatin1String(name), QString::fromUtf8(zip_strerror(zip_))));
        }
    }
    void close() {
        if (zip_close(zip_) != 0)
            fail(QStringLiteral("writing the workbook: ") + QString::fromUtf8(zip_strerror(zip_)));
        zip_ = nullptr;
    }

private:
    zip_t* zip_ = nullptr;
    std::list<QByteArray> kept_;
};

QByteArray insertedBefore(QByteArray text, const QByteArray& marker, const QByteArray& insert) {
    const qsizetype at = text.lastIndexOf(marker);
    if (at < 0)
        fail(QStringLiteral("the workbook's parts are not as expected"));
    return text.insert(at, insert);
}

void addPivotTable(const QString& path, const RecordSet& rows, const std::vector<ColumnSummary>& summaries) {
    QTemporaryFile records;
    if (!records.open())
        fail(QStringLiteral("a temporary file for the pivot records: ") + records.errorString());
    writeCacheRecords(records, rows);
    records.close();

    Package zip(path);
    zip.put("xl/pivotCache/pivotCacheDefinition1.xml", cacheDefinition(rows, summaries));
    zip.put("xl/pivotCache/_rels/pivotCacheDefinition1.xml.rels",
            relationships("rId1", "pivotCacheRecords", "pivotCacheRecords1.xml"));
    zip.putFile("xl/pivotCache/pivotCacheRecords1.xml", records.fileName());
    zip.put("xl/pivotTables/pivotTable1.xml", pivotTable(rows));
    zip.put("xl/pivotTables/_rels/pivotTable1.xml.rels",
            relationships("rId1", "pivotCacheDefinition", "../pivotCache/pivotCacheDefinition1.xml"));
    // The "Pivot Table" sheet is the first and has no other relationships.
    zip.put("xl/worksheets/_rels/sheet1.xml.rels", relationships("rId1", "pivotTable", "../pivotTables/pivotTable1.xml"));
    zip.put("xl/_rels/workbook.xml.rels",
            insertedBefore(zip.read("xl/_rels/workbook.xml.rels"), "</Relationships>",
                           QByteArray("<Relationship Id=\"rIdPivotCache1\" Type=\"") + kRelType +
                               "pivotCacheDefinition\" Target=\"pivotCache/pivotCacheDefinition1.xml\"/>"));
    zip.put("xl/workbook.xml", insertedBefore(zip.read("xl/workbook.xml"), "</workbook>",
                                              "<pivotCaches><pivotCache cacheId=\"1\" r:id=\"rIdPivotCache1\"/></pivotCaches>"));
    const char* const kCt = "application/vnd.openxmlformats-officedocument.spreadsheetml.";
    zip.put("[Content_Types].xml",
            insertedBefore(zip.read("[Content_Types].xml"), "</Types>",
                           QByteArray("<Override PartName=\"/xl/pivotCache/pivotCacheDefinition1.xml\" ContentType=\"") +
                               kCt + "pivotCacheDefinition+xml\"/>" +
                               "<Override PartName=\"/xl/pivotCache/pivotCacheRecords1.xml\" ContentType=\"" + kCt +
                               "pivotCacheRecords+xml\"/>" +
                               "<Override PartName=\"/xl/pivotTables/pivotTable1.xml\" ContentType=\"" + kCt +
                               "pivotTable+xml\"/>"));
    zip.close();
}

}  // namespace

void write(const QString& path, const RecordSet& rows, Report report, const Origin& origin) {
    if (!rows.IsOpen())
        fail(QStringLiteral("there are no query results to export"));
    const QByteArray file = QFile::encodeName(path);
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;  // rows go to the file as they are written
    options.use_zip64 = LXW_TRUE;
    lxw_workbook* book = workbook_new_opt(file.constData(), &options);
    if (!book)
        fail(QStringLiteral("the workbook cannot be created"));
    struct Closer {
        lxw_workbook* b;
        ~Closer() {
            if (b)
                workbook_close(b);
        }
    } closer{book};

    const QByteArray statement = cellText(origin.statement).toUtf8();
    const QByteArray comments = ("Connection: " + cellText(origin.connection) + "\nStatement: " + cellText(origin.statement)).toUtf8();
    lxw_doc_properties properties{};
    properties.title = const_cast<char*>("Query results");
    properties.subject = const_cast<char*>(statement.constData());
    properties.author = const_cast<char*>("Lorvane");
    properties.comments = const_cast<char*>(comments.constData());
    check(workbook_set_properties(book, &properties), "document properties");

    std::vector<ColumnSummary> summaries;
    if (report == Report::Data) {
        Sheet(book, workbook_add_worksheet(book, "Raw Data"), rows, nullptr).write();
    } else {
        workbook_add_worksheet(book, "Pivot Table");
        Sheet(book, workbook_add_worksheet(book, "Pivot Data"), rows, &summaries).write();
    }
    closer.b = nullptr;
    check(workbook_close(book), "writing the workbook");
    if (report == Report::Pivot)
        addPivotTable(path, rows, summaries);
}

}  // namespace lorvane::WorkbookExport
