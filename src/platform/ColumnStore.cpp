#include "ColumnStore.h"

#include <new>

#include "AdoTypes.h"

#include <QDate>
#include <QLocale>
#include <QDateTime>
#include <QTime>
#include <cmath>
#include <cstring>
#include <QLatin1StringView>

namespace lorvane {

namespace {

constexpr std::int64_t kMsPerDay = 86400000;
// Date-times are held as milliseconds; days beyond this (some 290 million years) would
// overflow them, so such values are kept as they are in general storage.
constexpr std::int64_t kMaxDayForMs = INT64_MAX / kMsPerDay - 1;

ColumnStore::Kind kindFor(int t) {
    using K = ColumnStore::Kind;
    switch (t) {
    case AdoType::SmallInt: case AdoType::Integer: case AdoType::TinyInt: case AdoType::UnsignedTinyInt:
    case AdoType::UnsignedSmallInt: case AdoType::UnsignedInt: case AdoType::BigInt:
    case AdoType::UnsignedBigInt:
        return K::Int;
    case AdoType::Single: case AdoType::Double: return K::Real;
    case AdoType::Boolean: return K::Bool;
    case AdoType::Date: case AdoType::DBTimeStamp: return K::DateTime;
    case AdoType::DBDate: return K::Date;
    case AdoType::DBTime: return K::Time;
    case AdoType::Currency: case AdoType::Decimal: case AdoType::Numeric: return K::Decimal;
    case AdoType::Binary: case AdoType::VarBinary: case AdoType::LongVarBinary: return K::Bytes;
    case AdoType::Variant: case AdoType::Empty: return K::General;
    default: return K::Text;
    }
}

bool isIntegral(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong: case QMetaType::ULongLong:
    case QMetaType::Short: case QMetaType::UShort: case QMetaType::Long: case QMetaType::ULong:
    case QMetaType::Char: case QMetaType::SChar: case QMetaType::UChar: case QMetaType::Bool:
        return true;
    default:
        return false;
    }
}

bool isFloating(const QVariant& v) {
    return v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float;
}

char16_t unitOf(QChar c) { return c.unicode(); }
char16_t unitOf(QLatin1Char c) { return c.unicode(); }
template <typename C> char16_t unitOf(C c) { return static_cast<unsigned char>(c); }

template <typename S> int digits(const S& s, qsizetype at, qsizetype n, bool& ok) {
    int value = 0;
    for (qsizetype i = at; i < at + n; ++i) {
        const char16_t c = unitOf(s[i]);
        if (c < u'0' || c > u'9') {
            ok = false;
            return 0;
        }
        value = value * 10 + (c - u'0');
    }
    return value;
}

bool looksNumeric(QStringView s) {
    bool ok = false;
    (void)s.toDouble(&ok);
    return ok;
}

}  // namespace

// Days since the Julian epoch of a proleptic Gregorian date (the count QDate uses).
std::int64_t julianDay(int y, int m, int d) {
    // Howard Hinnant's days_from_civil, shifted from 1970-01-01 to the Julian epoch.
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - static_cast<int>(era * 400);
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468 + 2440588;
}

namespace {

// The common shape "yyyy-MM-dd HH:mm:ss" without building QDate and QTime; s[i] gives units.
template <typename S> bool fastDateTimeMs(const S& s, std::int64_t& ms) {
    if (s.size() != 19 || unitOf(s[4]) != u'-' || unitOf(s[7]) != u'-' || unitOf(s[10]) != u' ' ||
        unitOf(s[13]) != u':' || unitOf(s[16]) != u':')
        return false;
    bool ok = true;
    const int y = digits(s, 0, 4, ok), mo = digits(s, 5, 2, ok), d = digits(s, 8, 2, ok);
    const int h = digits(s, 11, 2, ok), mi = digits(s, 14, 2, ok), sec = digits(s, 17, 2, ok);
    static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    if (!ok || mo < 1 || mo > 12 || d < 1 || d > kDays[mo - 1] || (mo == 2 && d == 29 && !leap) || h >= 24 ||
        mi >= 60 || sec >= 60)
        return false;
    ms = julianDay(y, mo, d) * kMsPerDay + ((h * 60 + mi) * 60 + sec) * 1000;
    return true;
}

}  // namespace

bool parseIsoDateTimeMs(QAnyStringView s, std::int64_t& ms) {
    if (s.visit([&](auto view) { return fastDateTimeMs(view, ms); }))
        return true;
    QDate date;
    QTime time;
    bool hasTime = false;
    if (!parseIsoDateTime(s.toString(), date, time, hasTime))
        return false;
    if (date.toJulianDay() > kMaxDayForMs || date.toJulianDay() < -kMaxDayForMs)
        return false;
    ms = date.toJulianDay() * kMsPerDay + time.msecsSinceStartOfDay();
    return true;
}

bool parseIsoDateDay(QAnyStringView s, std::int64_t& day) {
    QDate date;
    QTime time;
    bool hasTime = false;
    if (s.size() != 10 || !parseIsoDateTime(s.toString(), date, time, hasTime))
        return false;
    day = date.toJulianDay();
    return true;
}

bool parseIsoDateTime(QStringView s, QDate& date, QTime& time, bool& hasTime) {
    hasTime = false;
    if (s.size() < 10 || s[4] != u'-' || s[7] != u'-')
        return false;
    bool ok = true;
    const int y = digits(s, 0, 4, ok), mo = digits(s, 5, 2, ok), d = digits(s, 8, 2, ok);
    if (!ok || !QDate::isValid(y, mo, d))
        return false;
    date = QDate(y, mo, d);
    time = QTime(0, 0);
    if (s.size() == 10)
        return true;
    if (s.size() < 16 || (s[10] != u' ' && s[10] != u'T') || s[13] != u':')
        return false;
    const int h = digits(s, 11, 2, ok), mi = digits(s, 14, 2, ok);
    int sec = 0, ms = 0;
    qsizetype at = 16;
    if (ok && at < s.size() && s[at] == u':') {
        if (s.size() < at + 3)
            return false;
        sec = digits(s, at + 1, 2, ok);
        at += 3;
        if (ok && at < s.size() && s[at] == u'.') {
            const qsizetype start = ++at;
            while (at < s.size() && s[at].isDigit())
                ++at;
            const qsizetype n = at - start;
            if (n == 0)
                return false;
            ms = digits(s, start, std::min<qsizetype>(n, 3), ok);
            for (qsizetype k = n; k < 3; ++k)
                ms *= 10;
        }
    }
    if (!ok || at != s.size() || !QTime::isValid(h, mi, sec, ms))
        return false;
    time = QTime(h, mi, sec, ms);
    hasTime = true;
    return true;
}

ColumnStore::ColumnStore(int adoType) : kind_(kindFor(adoType)), adoType_(adoType) {}

void ColumnStore::reserve(std::size_t rows) {
    nulls_.reserve(rows);
    switch (kind_) {
    case Kind::Int: case Kind::DateTime: case Kind::Date: case Kind::Time: ints_.reserve(rows); break;
    case Kind::Real: reals_.reserve(rows); break;
    case Kind::Bool: bools_.reserve(rows); break;
    case Kind::Text: case Kind::Decimal: textStart_.reserve(rows); break;
    case Kind::Bytes: bytes_.reserve(rows); break;
    case Kind::General: general_.reserve(rows); break;
    }
}

void ColumnStore::squeeze() {
    nulls_.squeeze();
    ints_.squeeze();
    reals_.squeeze();
    bools_.squeeze();
    textStart_.squeeze();
    bytes_.squeeze();
    general_.squeeze();
}

void ColumnStore::growTo(std::uint32_t rows) {
    nulls_.resize(rows, true);
    switch (kind_) {
    case Kind::Int: case Kind::DateTime: case Kind::Date: case Kind::Time: ints_.resize(rows); break;
    case Kind::Real: reals_.resize(rows); break;
    case Kind::Bool: bools_.resize(rows); break;
    case Kind::Text: case Kind::Decimal: textStart_.resize(rows); break;
    case Kind::Bytes: bytes_.resize(rows); break;
    case Kind::General: general_.resize(rows); break;
    }
}

void ColumnStore::appendNull() {
    nulls_.push_back(true);
    switch (kind_) {
    case Kind::Int: case Kind::DateTime: case Kind::Date: case Kind::Time: ints_.push_back(0); break;
    case Kind::Real: reals_.push_back(0); break;
    case Kind::Bool: bools_.push_back(0); break;
    case Kind::Text: case Kind::Decimal: textStart_.push_back(0); break;
    case Kind::Bytes: bytes_.emplace_back(); break;
    case Kind::General: general_.emplace_back(); break;
    }
}

// The bulk-load path: the common value types of each kind go straight to the typed vector;
// everything else takes the general route through set().
void ColumnStore::append(const QVariant& value, TextPool& pool) {
    if (value.isNull()) {
        appendNull();
        return;
    }
    const int id = value.typeId();
    const void* data = value.constData();
    switch (kind_) {
    case Kind::Int:
        if (id == QMetaType::LongLong) {
            ints_.push_back(*static_cast<const qlonglong*>(data));
            nulls_.push_back(false);
            return;
        }
        if (id == QMetaType::Int) {
            ints_.push_back(*static_cast<const int*>(data));
            nulls_.push_back(false);
            return;
        }
        break;
    case Kind::Real:
        if (id == QMetaType::Double) {
            reals_.push_back(*static_cast<const double*>(data));
            nulls_.push_back(false);
            return;
        }
        break;
    case Kind::Text:
        if (id == QMetaType::QString) {
            const QString& s = *static_cast<const QString*>(data);
            textStart_.push_back(pool.putUtf16(reinterpret_cast<const char16_t*>(s.constData()), s.size()));
            nulls_.push_back(false);
            return;
        }
        break;
    case Kind::Bool:
        if (id == QMetaType::LongLong || id == QMetaType::Int || id == QMetaType::Bool) {
            const bool b = id == QMetaType::LongLong ? *static_cast<const qlonglong*>(data) != 0
                         : id == QMetaType::Int      ? *static_cast<const int*>(data) != 0
                                                     : *static_cast<const bool*>(data);
            bools_.push_back(b ? 1 : 0);
            nulls_.push_back(false);
            return;
        }
        break;
    case Kind::DateTime:
        if (id == QMetaType::QString) {
            std::int64_t ms = 0;
            if (parseIsoDateTimeMs(*static_cast<const QString*>(data), ms)) {
                ints_.push_back(ms);
                nulls_.push_back(false);
                return;
            }
        }
        break;
    default:
        break;
    }
    const auto row = static_cast<std::uint32_t>(nulls_.size());
    growTo(row + 1);
    set(row, value, pool);
}

// The database path: typed cells go to typed storage without building a QVariant.
void ColumnStore::append(const CellValue& cell, TextPool& pool) {
    using CK = CellValue::Kind;
    switch (cell.kind) {
    case CK::Null:
        appendNull();
        return;
    case CK::Integer:
        if (kind_ == Kind::Int) {
            ints_.push_back(cell.integer);
            nulls_.push_back(false);
            return;
        }
        if (kind_ == Kind::Bool) {
            bools_.push_back(cell.integer != 0 ? 1 : 0);
            nulls_.push_back(false);
            return;
        }
        if (kind_ == Kind::Real) {
            reals_.push_back(static_cast<double>(cell.integer));
            nulls_.push_back(false);
            return;
        }
        append(QVariant(static_cast<qlonglong>(cell.integer)), pool);
        return;
    case CK::Real:
        if (kind_ == Kind::Real) {
            reals_.push_back(cell.real);
            nulls_.push_back(false);
            return;
        }
        append(QVariant(cell.real), pool);
        return;
    case CK::Text:
    case CK::Utf8:
    case CK::Latin1:
        appendText(cell, pool);
        return;
    case CK::Bytes:
        append(QVariant(QByteArray(cell.bytes, cell.length)), pool);
        return;
    }
}

// Text from the database: Latin-1 goes to the pool as it is; a date-time column parses it.
void ColumnStore::appendText(const CellValue& cell, TextPool& pool) {
    const bool utf8 = cell.kind == CellValue::Kind::Utf8;
    const bool latin1 = cell.kind == CellValue::Kind::Latin1 || (utf8 && isAscii(cell.bytes, cell.length));
    QString converted;
    if (utf8 && !latin1)
        converted = QString::fromUtf8(cell.bytes, cell.length);
    const QAnyStringView text = latin1   ? QAnyStringView(QLatin1StringView(cell.bytes, cell.length))
                                : utf8  ? QAnyStringView(converted)
                                        : QAnyStringView(QStringView(cell.text, cell.length));
    std::int64_t n = 0;
    switch (kind_) {
    case Kind::Text:
        if (latin1)
            textStart_.push_back(pool.putLatin1(cell.bytes, cell.length));
        else if (utf8)
            textStart_.push_back(pool.putUtf16(reinterpret_cast<const char16_t*>(converted.constData()), converted.size()));
        else
            textStart_.push_back(pool.putUtf16(cell.text, cell.length));
        nulls_.push_back(false);
        return;
    case Kind::DateTime:
        if (parseIsoDateTimeMs(text, n)) {
            ints_.push_back(n);
            nulls_.push_back(false);
            return;
        }
        break;
    case Kind::Date:
        if (parseIsoDateDay(text, n)) {
            ints_.push_back(n);
            nulls_.push_back(false);
            return;
        }
        break;
    default:
        break;
    }
    append(QVariant(text.toString()), pool);
}

void ColumnStore::set(std::uint32_t row, const QVariant& value, TextPool& pool) {
    if (!value.isValid() || value.isNull()) {
        nulls_.set(row, true);
        return;
    }
    if (!store(row, value, pool)) {
        toGeneral(pool);
        store(row, value, pool);
    }
}

// Stores value in the typed vectors; false when the kind cannot hold it exactly.
bool ColumnStore::store(std::uint32_t row, const QVariant& v, TextPool& pool) {
    const int id = v.typeId();
    auto putText = [&](QStringView s) {
        textStart_[row] = pool.putUtf16(reinterpret_cast<const char16_t*>(s.data()), s.size());
    };
    switch (kind_) {
    case Kind::Int: {
        qint64 x = 0;
        if (isIntegral(v)) {
            x = v.toLongLong();
        } else if (isFloating(v)) {
            const double dv = v.toDouble();
            if (dv != std::trunc(dv) || std::abs(dv) > 9.0e15)
                return false;
            x = static_cast<qint64>(dv);
        } else if (id == QMetaType::QString) {
            bool ok = false;
            x = v.toString().toLongLong(&ok);
            if (!ok)
                return false;
        } else {
            return false;
        }
        ints_[row] = x;
        break;
    }
    case Kind::Real: {
        bool ok = isIntegral(v) || isFloating(v);
        double x = 0;
        if (ok)
            x = v.toDouble();
        else if (id == QMetaType::QString)
            x = v.toString().toDouble(&ok);
        if (!ok)
            return false;
        reals_[row] = x;
        break;
    }
    case Kind::Bool: {
        bool b = false;
        if (isIntegral(v) || isFloating(v)) {
            b = v.toDouble() != 0;
        } else if (id == QMetaType::QString) {
            const QString s = v.toString().trimmed();
            if (s.compare(u"true", Qt::CaseInsensitive) == 0 || s == u"1" || s == u"-1")
                b = true;
            else if (s.compare(u"false", Qt::CaseInsensitive) == 0 || s == u"0")
                b = false;
            else
                return false;
        } else {
            return false;
        }
        bools_[row] = b ? 1 : 0;
        break;
    }
    case Kind::DateTime: case Kind::Date: case Kind::Time: {
        QDate date;
        QTime time(0, 0);
        bool hasTime = false;
        if (id == QMetaType::QDateTime) {
            const QDateTime dt = v.toDateTime();
            date = dt.date();
            time = dt.time();
            hasTime = true;
        } else if (id == QMetaType::QDate) {
            date = v.toDate();
        } else if (id == QMetaType::QTime) {
            if (kind_ != Kind::Time)
                return false;
            time = v.toTime();
            hasTime = true;
        } else if (id == QMetaType::QString) {
            const QString s = v.toString();
            if (kind_ == Kind::Time) {
                time = QTime::fromString(s, Qt::ISODateWithMs);
                if (!time.isValid())
                    return false;
                hasTime = true;
            } else if (!parseIsoDateTime(s, date, time, hasTime)) {
                return false;
            }
        } else {
            return false;
        }
        if (kind_ == Kind::Time) {
            if (!time.isValid())
                return false;
            ints_[row] = time.msecsSinceStartOfDay();
        } else if (kind_ == Kind::Date) {
            if (!date.isValid() || (hasTime && time != QTime(0, 0)))
                return false;
            ints_[row] = date.toJulianDay();
        } else {
            if (!date.isValid() || !time.isValid() || date.toJulianDay() > kMaxDayForMs ||
                date.toJulianDay() < -kMaxDayForMs)
                return false;
            ints_[row] = date.toJulianDay() * kMsPerDay + time.msecsSinceStartOfDay();
        }
        break;
    }
    case Kind::Decimal: {
        if (isIntegral(v) && id != QMetaType::Bool) {
            putText(QString::number(v.toLongLong()));
        } else if (isFloating(v)) {
            putText(QString::number(v.toDouble(), 'g', QLocale::FloatingPointShortest));
        } else if (id == QMetaType::QString) {
            const QString s = v.toString();
            if (!looksNumeric(s))
                return false;
            putText(s);
        } else {
            return false;
        }
        break;
    }
    case Kind::Text: {
        if (id == QMetaType::QString) {
            putText(QStringView(*reinterpret_cast<const QString*>(v.constData())));
        } else if (id == QMetaType::QByteArray || !v.canConvert<QString>()) {
            return false;
        } else if (id == QMetaType::QDateTime) {
            putText(v.toDateTime().toString(Qt::ISODate));
        } else {
            putText(v.toString());
        }
        break;
    }
    case Kind::Bytes:
        if (id != QMetaType::QByteArray)
            return false;
        bytes_[row] = v.toByteArray();
        break;
    case Kind::General:
        general_[row] = v;
        break;
    }
    nulls_.set(row, false);
    return true;
}

QAnyStringView ColumnStore::textView(std::uint32_t row, const TextPool& pool) const {
    return pool.view(textStart_[row]);
}

QString ColumnStore::text(std::uint32_t row, const TextPool& pool) const {
    return pool.text(textStart_[row]);
}

QVariant ColumnStore::get(std::uint32_t row, const TextPool& pool) const {
    if (nulls_[row])
        return {};
    switch (kind_) {
    case Kind::Int: {
        const qint64 x = ints_[row];
        if (adoType_ == AdoType::BigInt || adoType_ == AdoType::UnsignedBigInt || x > INT32_MAX || x < INT32_MIN)
            return QVariant(static_cast<qlonglong>(x));
        return QVariant(static_cast<int>(x));
    }
    case Kind::Real: return reals_[row];
    case Kind::Bool: return bools_[row] != 0;
    case Kind::DateTime: {
        const qint64 ms = ints_[row];
        const qint64 day = ms >= 0 ? ms / kMsPerDay : -((-ms + kMsPerDay - 1) / kMsPerDay);
        return QDateTime(QDate::fromJulianDay(day),
                         QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms - day * kMsPerDay)));
    }
    case Kind::Date: return QDate::fromJulianDay(ints_[row]);
    case Kind::Time: return QTime::fromMSecsSinceStartOfDay(static_cast<int>(ints_[row]));
    case Kind::Text: case Kind::Decimal: return text(row, pool);
    case Kind::Bytes: return bytes_[row];
    case Kind::General: return general_[row];
    }
    return {};
}

void ColumnStore::toGeneral(const TextPool& pool) {
    std::vector<QVariant> values;
    values.reserve(nulls_.size());
    for (std::uint32_t r = 0; r < nulls_.size(); ++r)
        values.push_back(get(r, pool));
    ints_.clear();
    reals_.clear();
    bools_.clear();
    textStart_.clear();
    bytes_.clear();
    general_.clear();
    for (QVariant& v : values)
        general_.push_back(std::move(v));
    kind_ = Kind::General;
}

int ColumnStore::compare(std::uint32_t a, std::uint32_t b, const TextPool& pool) const {
    const bool na = nulls_[a], nb = nulls_[b];
    if (na || nb)
        return na == nb ? 0 : (na ? -1 : 1);
    auto cmp = [](auto x, auto y) { return x < y ? -1 : (y < x ? 1 : 0); };
    switch (kind_) {
    case Kind::Int: case Kind::DateTime: case Kind::Date: case Kind::Time: return cmp(ints_[a], ints_[b]);
    case Kind::Real: return cmp(reals_[a], reals_[b]);
    case Kind::Bool: return cmp(bools_[a], bools_[b]);
    case Kind::Decimal:
        return cmp(text(a, pool).toDouble(), text(b, pool).toDouble());
    case Kind::Text: {
        const int c = QAnyStringView::compare(textView(a, pool), textView(b, pool), Qt::CaseInsensitive);
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    case Kind::Bytes: return cmp(bytes_[a], bytes_[b]);
    case Kind::General: {
        const QPartialOrdering o = QVariant::compare(general_[a], general_[b]);
        if (o == QPartialOrdering::Less)
            return -1;
        if (o == QPartialOrdering::Greater)
            return 1;
        if (o == QPartialOrdering::Equivalent)
            return 0;
        return cmp(general_[a].toString(), general_[b].toString());
    }
    }
    return 0;
}

}  // namespace lorvane
