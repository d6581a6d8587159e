#include "AdoTypes.h"

#include <QHash>

namespace lorvane {

namespace {
int mapDeclaredType(const QString& declared);
}

int adoTypeFromDeclaredType(const QString& declared) {
    // A catalogue repeats a handful of declarations thousands of times.
    static auto* cache = new QHash<QString, int>;
    const auto found = cache->constFind(declared);
    if (found != cache->cend())
        return found.value();
    const int type = mapDeclaredType(declared);
    if (cache->size() < 4096)
        cache->insert(declared, type);
    return type;
}

namespace {
int mapDeclaredType(const QString& declared) {
    const QString t = declared.trimmed().toUpper();
    if (t.isEmpty())
        return AdoType::Variant;
    auto has = [&t](const char* word) { return t.contains(QLatin1String(word)); };
    // Order matters: "BIGINT" before "INT", "DATETIME" before "DATE" and "TIME",
    // "VARCHAR" before "CHAR", "NVARCHAR" before "VARCHAR".
    if (has("BOOL") || t == QLatin1String("BIT"))
        return AdoType::Boolean;
    if (has("BIGINT") || has("INT8"))
        return AdoType::BigInt;
    if (has("SMALLINT") || has("INT2"))
        return AdoType::SmallInt;
    if (has("TINYINT"))
        return AdoType::TinyInt;
    if (has("INT"))
        return AdoType::Integer;
    if (has("DATETIME") || has("TIMESTAMP"))
        return AdoType::DBTimeStamp;
    if (has("DATE"))
        return AdoType::DBDate;
    if (has("TIME"))
        return AdoType::DBTime;
    if (has("DEC") || has("NUMERIC") || has("NUMBER"))
        return AdoType::Decimal;
    if (has("MONEY") || has("CURRENCY"))
        return AdoType::Currency;
    if (has("DOUBLE") || has("FLOAT") || has("REAL"))
        return AdoType::Double;
    if (has("BLOB") || has("BINARY") || has("BYTEA"))
        return AdoType::LongVarBinary;
    if (has("GUID") || has("UUID"))
        return AdoType::Guid;
    if (has("NVARCHAR") || has("NATIONAL VARYING"))
        return AdoType::VarWChar;
    if (has("NCHAR"))
        return AdoType::WChar;
    if (has("VARCHAR") || has("VARYING"))
        return AdoType::VarChar;
    if (has("CHAR"))
        return AdoType::Char;
    if (has("TEXT") || has("CLOB"))
        return AdoType::LongVarChar;
    return AdoType::VarChar;
}
}  // namespace

int adoTypeFromPostgresOid(int oid, bool otherAsText) {
    switch (oid) {
    case 16: return AdoType::Boolean;
    case 17: return AdoType::LongVarBinary;
    case 18: return AdoType::Char;              // "char"
    case 20: return AdoType::BigInt;
    case 21: return AdoType::SmallInt;
    case 23: return AdoType::Integer;
    case 26: return AdoType::Integer;           // oid
    case 25: return AdoType::LongVarChar;       // text
    case 700: return AdoType::Single;
    case 701: return AdoType::Double;
    case 790: return AdoType::Currency;
    case 1042: return AdoType::Char;            // bpchar
    case 1043: return AdoType::VarChar;
    case 1082: return AdoType::DBDate;
    case 1083: case 1266: return AdoType::DBTime;
    case 1114: case 1184: return AdoType::DBTimeStamp;
    case 1700: return AdoType::Decimal;
    case 2950: return AdoType::Guid;
    case 19: return AdoType::VarChar;           // name
    default: return otherAsText ? AdoType::VarChar : AdoType::UserDefined;
    }
}

int adoTypeFromOdbcSqlType(int sqlType) {
    switch (sqlType) {
    case 1: return AdoType::Char;               // SQL_CHAR
    case 2: case 3: return AdoType::Decimal;    // SQL_NUMERIC, SQL_DECIMAL
    case 4: return AdoType::Integer;
    case 5: return AdoType::SmallInt;
    case 6: case 8: return AdoType::Double;     // SQL_FLOAT, SQL_DOUBLE
    case 7: return AdoType::Single;
    case 9: case 91: return AdoType::DBDate;
    case 10: case 92: return AdoType::DBTime;
    case 11: case 93: return AdoType::DBTimeStamp;
    case 12: return AdoType::VarChar;
    case -1: return AdoType::LongVarChar;
    case -2: return AdoType::Binary;
    case -3: return AdoType::VarBinary;
    case -4: return AdoType::LongVarBinary;
    case -5: return AdoType::BigInt;
    case -6: return AdoType::TinyInt;
    case -7: return AdoType::Boolean;           // SQL_BIT
    case -8: return AdoType::WChar;
    case -9: return AdoType::VarWChar;
    case -10: return AdoType::LongVarWChar;
    case -11: return AdoType::Guid;
    default: return AdoType::VarChar;
    }
}

int adoTypeFromMetaType(QMetaType type) {
    switch (type.id()) {
    case QMetaType::Bool: return AdoType::Boolean;
    case QMetaType::Short: case QMetaType::UShort: return AdoType::SmallInt;
    case QMetaType::Char: case QMetaType::SChar: case QMetaType::UChar: return AdoType::TinyInt;
    case QMetaType::Int: case QMetaType::UInt: return AdoType::Integer;
    case QMetaType::Long: case QMetaType::LongLong: case QMetaType::ULong: case QMetaType::ULongLong:
        return AdoType::BigInt;
    case QMetaType::Float: return AdoType::Single;
    case QMetaType::Double: return AdoType::Double;
    case QMetaType::QDate: return AdoType::DBDate;
    case QMetaType::QTime: return AdoType::DBTime;
    case QMetaType::QDateTime: return AdoType::DBTimeStamp;
    case QMetaType::QByteArray: return AdoType::LongVarBinary;
    case QMetaType::QUuid: return AdoType::Guid;
    case QMetaType::QString: return AdoType::VarChar;
    default: return AdoType::Variant;
    }
}

// The length in a declaration such as VARCHAR(40) or DECIMAL(10,2); 0 when there is none.
int declaredLengthOf(QStringView declared) {
    const qsizetype open = declared.indexOf(u'(');
    if (open < 0)
        return 0;
    qsizetype i = open + 1;
    while (i < declared.size() && declared[i].isSpace())
        ++i;
    int length = 0;
    bool digits = false;
    for (; i < declared.size() && declared[i].isDigit() && length < 100000000; ++i) {
        length = length * 10 + declared[i].digitValue();
        digits = true;
    }
    return digits ? length : 0;
}

int declaredScaleOf(QStringView declared) {
    const qsizetype open = declared.indexOf(u'(');
    const qsizetype comma = declared.indexOf(u',', open + 1);
    if (open < 0 || comma < 0)
        return -1;
    qsizetype i = comma + 1;
    while (i < declared.size() && declared[i].isSpace())
        ++i;
    int scale = 0;
    bool digits = false;
    for (; i < declared.size() && declared[i].isDigit() && scale < 1000; ++i) {
        scale = scale * 10 + declared[i].digitValue();
        digits = true;
    }
    return digits ? scale : -1;
}

bool isNumericAdoType(int t) {
    switch (t) {
    case AdoType::SmallInt: case AdoType::Integer: case AdoType::Single: case AdoType::Double:
    case AdoType::Currency: case AdoType::Boolean: case AdoType::Decimal: case AdoType::TinyInt:
    case AdoType::UnsignedTinyInt: case AdoType::BigInt:
        return true;
    default:
        return false;
    }
}

bool isTextAdoType(int t) {
    switch (t) {
    case AdoType::Char: case AdoType::WChar: case AdoType::VarChar: case AdoType::LongVarChar:
    case AdoType::VarWChar: case AdoType::LongVarWChar:
        return true;
    default:
        return false;
    }
}

bool isDateAdoType(int t) {
    return t == AdoType::Date || t == AdoType::DBDate || t == AdoType::DBTimeStamp;
}

AdoTypeFamily adoTypeFamily(int t) {
    switch (t) {
    case AdoType::Empty: case AdoType::Variant:
        return AdoTypeFamily::Unknown;
    case AdoType::Boolean:
        return AdoTypeFamily::Boolean;
    case AdoType::SmallInt: case AdoType::Integer: case AdoType::Single: case AdoType::Double:
    case AdoType::Currency: case AdoType::Decimal: case AdoType::TinyInt: case AdoType::UnsignedTinyInt:
    case AdoType::UnsignedSmallInt: case AdoType::UnsignedInt: case AdoType::BigInt:
    case AdoType::UnsignedBigInt: case AdoType::Numeric:
        return AdoTypeFamily::Number;
    case AdoType::DBTime:
        return AdoTypeFamily::Time;
    default:
        if (isTextAdoType(t) || t == AdoType::BSTR)
            return AdoTypeFamily::Text;
        if (isDateAdoType(t))
            return AdoTypeFamily::Date;
        return AdoTypeFamily::Other;
    }
}

}  // namespace lorvane
