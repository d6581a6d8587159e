#include "WorkbookExport.h"

#include "platform/AdoTypes.h"
#include "platform/Connection.h"
#include "platform/RecordSet.h"
#include "platform/VLNError.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryFile>
#include <QTime>
#include <QXmlStreamReader>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <list>
#include <memory>
#include <vector>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
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

QString systemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// The library's description, and the system's reason when a file operation failed under it.
void check(lxw_error error, const char* step) {
    if (error == LXW_NO_ERROR)
        return;
    QString why = QStringLiteral("%1: %2").arg(QLatin1String(step), QString::fromUtf8(lxw_strerror(error)));
    if (errno != 0)
        why += QStringLiteral(" (%1)").arg(systemReason(errno));
    fail(why);
}

// Characters XML cannot hold become U+FFFD; text longer than a cell holds is cut, and counted
// when a count is given.
QString cellText(QString text, qint64* cut = nullptr) {
    if (text.size() > kMaxCellText) {
        // A surrogate pair is not split.
        text.truncate(text[kMaxCellText - 1].isHighSurrogate() ? kMaxCellText - 1 : kMaxCellText);
        if (cut)
            ++*cut;
    }
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

bool isDecimalType(int adoType) {
    return adoType == AdoType::Decimal || adoType == AdoType::Numeric || adoType == AdoType::Currency;
}

// What a cell is written as. Exact decimals that arrive as text (PostgreSQL's numeric, ODBC's
// DECIMAL) are numbers, with as many decimals shown as the database gave; infinities and NaN,
// which a sheet cannot hold, are PostgreSQL's words for them; a date before 1900 or after 9999
// is ISO text, as a spreadsheet holds no such date.
struct Cell {
    enum class Kind { Blank, Number, Boolean, Date, DateTime, Text } kind = Kind::Blank;
    double number = 0;
    bool integer = false;
    int decimals = -1;  // the number format's decimals, -1 for the general format
    QDateTime when;
    QString text;
};

bool spreadsheetHolds(const QDate& d) {
    return d.isValid() && d >= QDate(1900, 1, 1) && d.year() <= 9999;
}

QString nonFiniteWord(double d) {
    return std::isnan(d) ? QStringLiteral("NaN") : d > 0 ? QStringLiteral("Infinity") : QStringLiteral("-Infinity");
}

Cell classify(const QVariant& v, int adoType) {
    Cell c;
    if (!v.isValid() || v.isNull())
        return c;
    switch (v.typeId()) {
    case QMetaType::QDateTime: {
        const QDateTime t = v.toDateTime();
        if (spreadsheetHolds(t.date())) {
            c.kind = Cell::Kind::DateTime;
            c.when = t;
        } else {
            c.kind = Cell::Kind::Text;
            c.text = t.toString(t.time().msec() ? QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz") : QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        }
        return c;
    }
    case QMetaType::QDate:
        if (spreadsheetHolds(v.toDate())) {
            c.kind = Cell::Kind::Date;
            c.when = QDateTime(v.toDate(), QTime(0, 0));
        } else {
            c.kind = Cell::Kind::Text;
            c.text = v.toDate().toString(QStringLiteral("yyyy-MM-dd"));
        }
        return c;
    case QMetaType::Bool:
        c.kind = Cell::Kind::Boolean;
        c.number = v.toBool() ? 1 : 0;
        return c;
    default:
        break;
    }
    if (isNumber(v)) {
        c.number = v.toDouble();
        if (!std::isfinite(c.number)) {
            c.kind = Cell::Kind::Text;
            c.text = nonFiniteWord(c.number);
            return c;
        }
        // The sheet stores 16 significant digits, which for the largest doubles rounds past
        // the greatest finite number and reads back as infinity: such a number is its full text.
        // Only the numbers next to the greatest finite one can round that way.
        double stored = 0;
        const QByteArray shortest =
            std::fabs(c.number) < 1.7976931348623e308 ? QByteArray() : QByteArray::number(c.number, 'g', 16);
        if (!shortest.isEmpty() &&
            std::from_chars(shortest.constData(), shortest.constData() + shortest.size(), stored).ec != std::errc()) {
            c.kind = Cell::Kind::Text;
            c.text = QString::number(c.number, 'g', 17);
            return c;
        }
        c.kind = Cell::Kind::Number;
        c.integer = isInteger(v);
        return c;
    }
    const QString text = v.toString();
    if (isDecimalType(adoType)) {
        bool ok = false;
        const double d = text.trimmed().toDouble(&ok);
        if (ok && std::isfinite(d)) {
            c.kind = Cell::Kind::Number;
            c.number = d;
            const qsizetype point = text.indexOf(u'.');
            c.decimals = point < 0 ? 0 : int(std::min<qsizetype>(text.size() - point - 1, 30));
            c.integer = point < 0;
            return c;
        }
        if (ok || text.compare(u"NaN", Qt::CaseInsensitive) == 0) {
            c.kind = Cell::Kind::Text;
            c.text = ok ? nonFiniteWord(d) : QStringLiteral("NaN");
            return c;
        }
    }
    c.kind = Cell::Kind::Text;
    c.text = text;
    return c;
}

lxw_datetime toLxw(const QDateTime& t) {
    return {t.date().year(), t.date().month(), t.date().day(), t.time().hour(), t.time().minute(),
            t.time().second() + t.time().msec() / 1000.0};
}

// What one column holds, for the pivot cache's description of it.
struct ColumnSummary {
    bool blank = false, text = false, number = false, integerOnly = true, date = false, boolean = false;
    double min = 0, max = 0;
    void see(const Cell& c) {
        switch (c.kind) {
        case Cell::Kind::Blank: blank = true; break;
        case Cell::Kind::Date: case Cell::Kind::DateTime: date = true; break;
        case Cell::Kind::Boolean: boolean = true; break;
        case Cell::Kind::Text: text = true; break;
        case Cell::Kind::Number:
            min = number ? std::min(min, c.number) : c.number;
            max = number ? std::max(max, c.number) : c.number;
            number = true;
            integerOnly = integerOnly && c.integer;
            break;
        }
    }
};

// One cell as an item of the pivot cache's records.
void appendRecordItem(QByteArray& line, const Cell& v) {
    switch (v.kind) {
    case Cell::Kind::Blank: line += "<m/>"; break;
    case Cell::Kind::DateTime:
        line += "<d v=\"" + v.when.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")).toUtf8() + "\"/>";
        break;
    case Cell::Kind::Date:
        line += "<d v=\"" + v.when.toString(QStringLiteral("yyyy-MM-ddT00:00:00")).toUtf8() + "\"/>";
        break;
    case Cell::Kind::Boolean: line += v.number != 0 ? "<b v=\"1\"/>" : "<b v=\"0\"/>"; break;
    case Cell::Kind::Number: line += "<n v=\"" + QByteArray::number(v.number, 'g', 17) + "\"/>"; break;
    case Cell::Kind::Text: line += "<s v=\"" + xmlEscaped(v.text) + "\"/>"; break;
    }
}

// The rows sheet, written as rows arrive: the header from the first rows' fields, then each
// row in order, and nothing kept of them but what the pivot cache describes (per column: the
// kinds seen and the numbers' least and greatest). The cache's records go to a file as the
// rows pass, each item inline, so no list of distinct values is gathered.
class Sheet {
public:
    Sheet(lxw_workbook* book, lxw_worksheet* sheet, std::vector<ColumnSummary>* summaries, QFile* records, qint64* cut)
        : book_(book), sheet_(sheet), summaries_(summaries), records_(records), cut_(cut) {}

    void append(const RecordSet& rows) {
        if (!started_)
            start(rows);
        if (rows.FieldCount() != static_cast<int>(types_.size()))
            fail(QStringLiteral("the rows changed their columns while they were written"));
        const qint64 count = rows.RecordCount();
        if (written_ + count + 1 > kMaxSheetRows)
            fail(QStringLiteral("the result has %1 rows or more, more than a sheet holds (%2)")
                     .arg(written_ + count)
                     .arg(kMaxSheetRows - 1));
        const int columns = rows.FieldCount();
        for (qint64 r = 0; r < count; ++r) {
            if (records_)
                line_ += "<r>";
            for (int c = 0; c < columns; ++c) {
                const Cell value = classify(rows.ValueAt(r, c), types_[static_cast<std::size_t>(c)]);
                if (summaries_)
                    (*summaries_)[static_cast<std::size_t>(c)].see(value);
                if (records_)
                    appendRecordItem(line_, value);
                cell(static_cast<lxw_row_t>(written_ + r + 1), static_cast<lxw_col_t>(c), value);
            }
            if (records_) {
                line_ += "</r>";
                if (line_.size() >= (1 << 16))
                    flushRecords();
            }
        }
        written_ += count;
        if (records_)
            flushRecords();
    }

    void finish() {
        worksheet_freeze_panes(sheet_, 1, 0);
        if (!types_.empty())
            check(worksheet_autofilter(sheet_, 0, 0, static_cast<lxw_row_t>(written_),
                                       static_cast<lxw_col_t>(types_.size() - 1)),
                  "autofilter");
    }

    bool started() const { return started_; }
    qint64 rowsWritten() const { return written_; }
    const QStringList& names() const { return names_; }

private:
    lxw_workbook* book_;
    lxw_worksheet* sheet_;
    std::vector<ColumnSummary>* summaries_;
    QFile* records_;
    qint64* cut_;
    bool started_ = false;
    qint64 written_ = 0;
    std::vector<int> types_;
    QStringList names_;
    QByteArray line_;
    lxw_format* dateTime_ = nullptr;
    lxw_format* date_ = nullptr;
    std::vector<lxw_format*> decimals_;  // by the number of decimals shown

    void start(const RecordSet& rows) {
        started_ = true;
        const int columns = rows.FieldCount();
        if (columns > LXW_COL_MAX)
            fail(QStringLiteral("the result has more columns than a sheet holds"));
        lxw_format* header = workbook_add_format(book_);
        format_set_bold(header);
        dateTime_ = workbook_add_format(book_);
        format_set_num_format(dateTime_, "yyyy-mm-dd hh:mm:ss");
        date_ = workbook_add_format(book_);
        format_set_num_format(date_, "yyyy-mm-dd");
        // Widths from the names and the first rows at hand; the rows themselves stream out after.
        for (int c = 0; c < columns; ++c) {
            qsizetype width = rows.Field(c).name.size();
            for (qint64 r = 0; r < std::min(rows.RecordCount(), kWidthSample); ++r)
                width = std::max(width, displayLength(rows.ValueAt(r, c)));
            check(worksheet_set_column(sheet_, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c),
                                       std::clamp<double>(static_cast<double>(width) + 2, 8, 60), nullptr),
                  "column width");
        }
        for (int c = 0; c < columns; ++c)
            check(worksheet_write_string(sheet_, 0, static_cast<lxw_col_t>(c),
                                         cellText(rows.Field(c).name).toUtf8().constData(), header),
                  "header");
        if (summaries_)
            summaries_->assign(static_cast<std::size_t>(columns), {});
        for (int c = 0; c < columns; ++c) {
            types_.push_back(rows.Field(c).type);
            names_.push_back(rows.Field(c).name);
        }
    }

    void flushRecords() {
        if (records_->write(line_) != line_.size())
            fail(QStringLiteral("writing the pivot records: %1").arg(records_->errorString()));
        line_.clear();
    }

    static qsizetype displayLength(const QVariant& v) {
        if (v.typeId() == QMetaType::QDateTime)
            return 19;
        return std::min<qsizetype>(v.toString().size(), 60);
    }

    lxw_format* decimalFormat(int decimals) {
        if (decimals < 0)
            return nullptr;
        if (decimals_.size() <= static_cast<std::size_t>(decimals))
            decimals_.resize(static_cast<std::size_t>(decimals) + 1, nullptr);
        lxw_format*& f = decimals_[static_cast<std::size_t>(decimals)];
        if (!f) {
            f = workbook_add_format(book_);
            const QByteArray pattern = decimals == 0 ? QByteArray("0") : "0." + QByteArray(decimals, '0');
            format_set_num_format(f, pattern.constData());
        }
        return f;
    }

    void cell(lxw_row_t row, lxw_col_t col, const Cell& c) {
        switch (c.kind) {
        case Cell::Kind::Blank:
            return;
        case Cell::Kind::DateTime: {
            lxw_datetime t = toLxw(c.when);
            check(worksheet_write_datetime(sheet_, row, col, &t, dateTime_), "date-time");
            return;
        }
        case Cell::Kind::Date: {
            lxw_datetime t = toLxw(c.when);
            check(worksheet_write_datetime(sheet_, row, col, &t, date_), "date");
            return;
        }
        case Cell::Kind::Boolean:
            check(worksheet_write_boolean(sheet_, row, col, c.number != 0, nullptr), "boolean");
            return;
        case Cell::Kind::Number:
            check(worksheet_write_number(sheet_, row, col, c.number, decimalFormat(c.decimals)), "number");
            return;
        case Cell::Kind::Text: {
            const QByteArray text = cellText(c.text, cut_).toUtf8();
            if (!text.isEmpty())
                check(worksheet_write_string(sheet_, row, col, text.constData(), nullptr), "text");
            return;
        }
        }
    }
};

// --- The pivot table parts -------------------------------------------------------------

QString columnName(int index) {
    QString name;
    for (++index; index > 0; index = (index - 1) / 26)
        name.prepend(QChar(u'A' + (index - 1) % 26));
    return name;
}

QByteArray cacheDefinition(const QStringList& names, qint64 recordCount, const std::vector<ColumnSummary>& summaries) {
    QByteArray x = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                   "<pivotCacheDefinition xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                   "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" r:id=\"rId1\" "
                   "refreshOnLoad=\"1\" createdVersion=\"3\" refreshedVersion=\"3\" minRefreshableVersion=\"3\" "
                   "recordCount=\"" + QByteArray::number(recordCount) + "\">";
    const QString ref = QStringLiteral("A1:%1%2").arg(columnName(std::max(int(names.size()) - 1, 0))).arg(recordCount + 1);
    x += "<cacheSource type=\"worksheet\"><worksheetSource ref=\"" + ref.toUtf8() + "\" sheet=\"Pivot Data\"/></cacheSource>";
    x += "<cacheFields count=\"" + QByteArray::number(names.size()) + "\">";
    for (int c = 0; c < int(names.size()); ++c) {
        const ColumnSummary& s = summaries[static_cast<std::size_t>(c)];
        x += "<cacheField name=\"" + xmlEscaped(names[c]) + "\" numFmtId=\"0\"><sharedItems";
        // Booleans count as neither numbers nor dates, so a column with any keeps the defaults.
        if (!s.text && !s.boolean && (s.number || s.date))
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
        if (int(s.number || s.date) + int(s.text) + int(s.boolean) > 1)
            x += " containsMixedTypes=\"1\"";
        x += "/></cacheField>";
    }
    x += "</cacheFields></pivotCacheDefinition>";
    return x;
}

// The records file: its head, written first with room for the count, which is filled in
// when every row has passed (blanks before the tag's end are allowed).
constexpr int kCountRoom = 24;

QByteArray recordsHead() {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
           "<pivotCacheRecords xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
           "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" ";
}

QByteArray recordsCount(qint64 count) {
    QByteArray x = "count=\"" + QByteArray::number(count) + "\"";
    return x.leftJustified(kCountRoom, ' ');
}

void finishRecords(QFile& out, qint64 count) {
    if (out.write("</pivotCacheRecords>") < 0 || !out.seek(recordsHead().size()) ||
        out.write(recordsCount(count)) != kCountRoom || !out.flush())
        fail(QStringLiteral("writing the pivot records: %1").arg(out.errorString()));
}

QByteArray pivotTable(int fieldCount) {
    QByteArray x = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                   "<pivotTableDefinition xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                   "name=\"TPX\" cacheId=\"1\" applyNumberFormats=\"0\" applyBorderFormats=\"0\" "
                   "applyFontFormats=\"0\" applyPatternFormats=\"0\" applyAlignmentFormats=\"0\" "
                   "applyWidthHeightFormats=\"1\" dataCaption=\"Values\" updatedVersion=\"3\" "
                   "minRefreshableVersion=\"3\" createdVersion=\"3\" useAutoFormatting=\"1\" itemPrintTitles=\"1\" "
                   "indent=\"0\" outline=\"1\" outlineData=\"1\" multipleFieldFilters=\"0\">"
                   "<location ref=\"A1:C18\" firstHeaderRow=\"1\" firstDataRow=\"1\" firstDataCol=\"0\"/>";
    x += "<pivotFields count=\"" + QByteArray::number(fieldCount) + "\">";
    for (int c = 0; c < fieldCount; ++c)
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

void addPivotTable(const QString& path, const QStringList& names, qint64 recordCount,
                   const std::vector<ColumnSummary>& summaries, const QString& records) {
    Package zip(path);
    zip.put("xl/pivotCache/pivotCacheDefinition1.xml", cacheDefinition(names, recordCount, summaries));
    zip.put("xl/pivotCache/_rels/pivotCacheDefinition1.xml.rels",
            relationships("rId1", "pivotCacheRecords", "pivotCacheRecords1.xml"));
    zip.putFile("xl/pivotCache/pivotCacheRecords1.xml", records);
    zip.put("xl/pivotTables/pivotTable1.xml", pivotTable(int(names.size())));
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

namespace {

// libxlsxwriter does not check every write to its own temporary files: on a full disk it can
// report success for a package with empty or cut parts. So the package is read back before it
// replaces anything: every part must be whole XML, and the rows sheet must hold every row.
void verifyPackage(const QString& path, const char* rowsSheet, qint64 rows) {
    int error = 0;
    zip_t* zip = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error);
    if (!zip) {
        zip_error_t e;
        zip_error_init_with_code(&e, error);
        const QString why = QString::fromUtf8(zip_error_strerror(&e));
        zip_error_fini(&e);
        fail(QStringLiteral("the written workbook cannot be read back: ") + why);
    }
    struct Closer {
        zip_t* z;
        ~Closer() { zip_discard(z); }
    } closer{zip};
    const zip_int64_t entries = zip_get_num_entries(zip, 0);
    QByteArray chunk(1 << 16, Qt::Uninitialized);
    bool sawRows = false;
    for (zip_int64_t e = 0; e < entries; ++e) {
        const QByteArray name = zip_get_name(zip, static_cast<zip_uint64_t>(e), 0);
        if (!name.endsWith(".xml") && !name.endsWith(".rels"))
            continue;
        zip_file_t* f = zip_fopen_index(zip, static_cast<zip_uint64_t>(e), 0);
        if (!f)
            fail(QStringLiteral("the written workbook's part %1 cannot be read back").arg(QString::fromUtf8(name)));
        QXmlStreamReader xml;
        qint64 rowElements = 0;
        bool whole = false;  // the document element was closed
        zip_int64_t n = 0;
        const bool isRows = name == rowsSheet;
        while ((n = zip_fread(f, chunk.data(), static_cast<zip_uint64_t>(chunk.size()))) > 0) {
            xml.addData(QByteArray(chunk.constData(), static_cast<qsizetype>(n)));
            while (!xml.atEnd()) {
                const QXmlStreamReader::TokenType token = xml.readNext();
                if (token == QXmlStreamReader::StartElement && isRows && xml.name() == u"row")
                    ++rowElements;
                if (token == QXmlStreamReader::EndDocument)
                    whole = true;
                if (xml.hasError())
                    break;
            }
            if (xml.hasError() && xml.error() != QXmlStreamReader::PrematureEndOfDocumentError)
                break;
        }
        zip_fclose(f);
        if (n < 0 || !whole || (xml.hasError() && xml.error() != QXmlStreamReader::PrematureEndOfDocumentError) ||
            (isRows && rowElements != rows + 1))
            fail(QStringLiteral("the written workbook is incomplete (its part %1 is damaged); the disk may be full")
                     .arg(QString::fromUtf8(name)));
        sawRows = sawRows || isRows;
    }
    if (!sawRows)
        fail(QStringLiteral("the written workbook is incomplete; the disk may be full"));
}

// The file's data on the disk, or the system's reason why not.
void syncFile(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        fail(QStringLiteral("writing the workbook: %1").arg(systemReason(errno)));
    if (::fsync(fd) != 0) {
        const int error = errno;
        ::close(fd);
        fail(QStringLiteral("writing the workbook: %1").arg(systemReason(error)));
    }
    if (::close(fd) != 0)
        fail(QStringLiteral("writing the workbook: %1").arg(systemReason(errno)));
}

}  // namespace

struct Writer::State {
    Report report;
    QString path;    // as chosen, for messages
    QString target;  // the file replaced
    std::unique_ptr<QTemporaryFile> temp;
    std::unique_ptr<QTemporaryFile> records;  // the pivot cache's records, as the rows pass
    lxw_workbook* book = nullptr;
    std::unique_ptr<Sheet> sheet;
    std::vector<ColumnSummary> summaries;
    qint64 cut = 0;
    QByteArray statement, comments;  // kept for the workbook's properties
    bool finished = false;

    ~State() {
        if (book)
            workbook_close(book);  // the temporary is removed after it
    }
};

Writer::Writer(const QString& path, Report report, const Origin& origin) : s_(std::make_unique<State>()) {
    s_->report = report;
    s_->path = path;
    // A link is followed: the workbook it points at is the one replaced.
    const QFileInfo chosen(path);
    s_->target = chosen.isSymLink() && chosen.exists() ? chosen.canonicalFilePath() : chosen.absoluteFilePath();
    const QFileInfo targetInfo(s_->target);
    if (targetInfo.exists() && !targetInfo.isFile())
        fail(QStringLiteral("'%1' is not a file").arg(path));

    // Written beside the target and renamed over it only when whole and on the disk, so that
    // a failure at any step leaves the workbook that was there as it was.
    s_->temp = std::make_unique<QTemporaryFile>(targetInfo.absolutePath() + QStringLiteral("/.") +
                                                targetInfo.fileName() + QStringLiteral(".XXXXXX.tmp"));
    if (!s_->temp->open())
        fail(QStringLiteral("the workbook cannot be written in the folder '%1': %2")
                 .arg(QDir::toNativeSeparators(targetInfo.absolutePath()), s_->temp->errorString()));
    s_->temp->close();
    if (report == Report::Pivot) {
        s_->records = std::make_unique<QTemporaryFile>();
        if (!s_->records->open())
            fail(QStringLiteral("a temporary file for the pivot records: ") + s_->records->errorString());
        const QByteArray head = recordsHead() + recordsCount(0) + ">";
        if (s_->records->write(head) != head.size())
            fail(QStringLiteral("writing the pivot records: %1").arg(s_->records->errorString()));
    }

    const QByteArray file = QFile::encodeName(s_->temp->fileName());
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;  // rows go to the file as they are written
    options.use_zip64 = LXW_TRUE;
    s_->book = workbook_new_opt(file.constData(), &options);
    if (!s_->book)
        fail(QStringLiteral("the workbook cannot be created"));

    s_->statement = cellText(origin.statement).toUtf8();
    s_->comments = ("Connection: " + cellText(origin.connection) + "\nStatement: " + cellText(origin.statement)).toUtf8();
    lxw_doc_properties properties{};
    properties.title = const_cast<char*>("Query results");
    properties.subject = const_cast<char*>(s_->statement.constData());
    properties.author = const_cast<char*>("Lorvane");
    properties.comments = const_cast<char*>(s_->comments.constData());
    check(workbook_set_properties(s_->book, &properties), "document properties");

    if (report == Report::Data) {
        s_->sheet = std::make_unique<Sheet>(s_->book, workbook_add_worksheet(s_->book, "Raw Data"), nullptr, nullptr,
                                            &s_->cut);
    } else {
        workbook_add_worksheet(s_->book, "Pivot Table");
        s_->sheet = std::make_unique<Sheet>(s_->book, workbook_add_worksheet(s_->book, "Pivot Data"), &s_->summaries,
                                            s_->records.get(), &s_->cut);
    }
}

Writer::~Writer() = default;

void Writer::append(const RecordSet& rows) {
    if (s_->finished)
        fail(QStringLiteral("the workbook is already written"));
    if (!rows.IsOpen())
        fail(QStringLiteral("there are no query results to export"));
    s_->sheet->append(rows);
}

qint64 Writer::rowsWritten() const {
    return s_->sheet->rowsWritten();
}

Result Writer::finish() {
    if (s_->finished || !s_->sheet->started())
        fail(QStringLiteral("there are no query results to export"));
    s_->finished = true;
    const QString temp = s_->temp->fileName();
    const qint64 rows = s_->sheet->rowsWritten();
    s_->sheet->finish();
    lxw_workbook* book = s_->book;
    s_->book = nullptr;
    errno = 0;
    check(workbook_close(book), "writing the workbook");
    if (s_->report == Report::Pivot) {
        finishRecords(*s_->records, rows);
        s_->records->close();
        addPivotTable(temp, s_->sheet->names(), rows, s_->summaries, s_->records->fileName());
    }
    verifyPackage(temp, s_->report == Report::Data ? "xl/worksheets/sheet1.xml" : "xl/worksheets/sheet2.xml", rows);
    syncFile(temp);
    // The new workbook keeps the old one's permissions; a new one gets a new file's.
    mode_t mode = 0;
    struct stat st {};
    if (::stat(QFile::encodeName(s_->target).constData(), &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (::chmod(QFile::encodeName(temp).constData(), mode) != 0)
        fail(QStringLiteral("writing the workbook: %1").arg(systemReason(errno)));
    if (::rename(QFile::encodeName(temp).constData(), QFile::encodeName(s_->target).constData()) != 0)
        fail(QStringLiteral("replacing '%1': %2").arg(QDir::toNativeSeparators(s_->path), systemReason(errno)));
    s_->temp->setAutoRemove(false);
    // The rename on the disk too; the workbook is already complete under its name whatever
    // this says.
    const int dir = ::open(QFile::encodeName(QFileInfo(s_->target).absolutePath()).constData(),
                           O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    Result result;
    result.cutTexts = s_->cut;
    result.rows = rows;
    return result;
}

Result write(const QString& path, const RecordSet& rows, Report report, const Origin& origin) {
    if (!rows.IsOpen())
        fail(QStringLiteral("there are no query results to export"));
    Writer out(path, report, origin);
    out.append(rows);
    return out.finish();
}

namespace {

// Hands the rows read so far to the workbook and lets the record set go on from empty, so that
// at most the rows of one report interval are held. It is told from inside the database
// library's calls, so a failure is kept and ends the run rather than thrown through them.
class Feed : public RunMonitor {
public:
    explicit Feed(Writer& out) : out_(out) {}
    bool progress(const std::shared_ptr<RecordSet>& rows, qint64) override {
        if (!rows || !rows->IsOpen())
            return false;
        try {
            out_.append(*rows);
            rows->DiscardRows();
        } catch (const VLNError& e) {
            error_ = std::make_unique<VLNError>(e);
            return true;
        } catch (const std::exception& e) {
            error_ = std::make_unique<VLNError>(ErrorNumber::ProviderFailure, kSource, QString::fromLocal8Bit(e.what()));
            return true;
        }
        return false;
    }
    void rethrow() const {
        if (error_)
            throw *error_;
    }

private:
    Writer& out_;
    std::unique_ptr<VLNError> error_;
};

}  // namespace

Result writeRun(const QString& path, Connection& connection, const QString& statement, Report report,
                const Origin& origin) {
    Writer out(path, report, origin);
    Feed feed(out);
    const std::shared_ptr<RecordSet> rest = connection.OpenRecordSet(statement, 0, true, &feed);
    feed.rethrow();
    if (rest)
        out.append(*rest);  // the rows read since the last report
    return out.finish();
}

}  // namespace lorvane::WorkbookExport
