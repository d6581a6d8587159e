#pragma once

#include <QMetaType>
#include <QString>

namespace lorvane {

// Column type numbers. The numbers are those the query generators and saved files rely on
// (200 variable-length text, 11 boolean, 2 small integer ...), whatever the database says.
namespace AdoType {
constexpr int Empty = 0;
constexpr int SmallInt = 2;
constexpr int Integer = 3;
constexpr int Single = 4;
constexpr int Double = 5;
constexpr int Currency = 6;
constexpr int Date = 7;
constexpr int BSTR = 8;
constexpr int Boolean = 11;
constexpr int Variant = 12;
constexpr int Decimal = 14;
constexpr int TinyInt = 16;
constexpr int UnsignedTinyInt = 17;
constexpr int UnsignedSmallInt = 18;
constexpr int UnsignedInt = 19;
constexpr int BigInt = 20;
constexpr int UnsignedBigInt = 21;
constexpr int Guid = 72;
constexpr int Binary = 128;
constexpr int Char = 129;
constexpr int WChar = 130;
constexpr int Numeric = 131;
constexpr int UserDefined = 132;
constexpr int DBDate = 133;
constexpr int DBTime = 134;
constexpr int DBTimeStamp = 135;
constexpr int VarChar = 200;
constexpr int LongVarChar = 201;
constexpr int VarWChar = 202;
constexpr int LongVarWChar = 203;
constexpr int VarBinary = 204;
constexpr int LongVarBinary = 205;
}  // namespace AdoType

// Field attribute bits used by the query state tables.
namespace AdoFieldAttribute {
constexpr int Unspecified = -1;
constexpr int MayDefer = 2;
constexpr int Updatable = 4;
constexpr int IsNullable = 32;
constexpr int MayBeNull = 64;
}  // namespace AdoFieldAttribute

// Type number for a column declared with an SQL type name (SQLite's declared types, or any
// type text): INTEGER, VARCHAR(40), DECIMAL(10,2), DATETIME, BOOLEAN ... An empty declaration
// (an expression column) gives Variant, so callers can tell "unknown" from "text".
int adoTypeFromDeclaredType(const QString& declared);

// The length in a declaration such as VARCHAR(40) or DECIMAL(10,2); 0 when there is none.
int declaredLengthOf(QStringView declared);
// The scale of a declared type, "DECIMAL(10,2)" gives 2; -1 when it names none.
int declaredScaleOf(QStringView declared);

// Type number for a PostgreSQL type OID. A type with no number of its own (interval, json,
// arrays, ranges, an extension's type) is text in results, which show its text; for what the
// builder compares (the catalogue, a calculated field) it is UserDefined, whose values only the
// database can check.
int adoTypeFromPostgresOid(int oid, bool otherAsText = true);

// Type number for a column of a MariaDB result (the client library's field type, its unsigned
// and binary flags and its length), and for one information_schema describes (DATA_TYPE and
// COLUMN_TYPE, "int", "int(10) unsigned").
int adoTypeFromMariaDbField(int fieldType, bool isUnsigned, bool binary, qint64 length);
int adoTypeFromMariaDbColumn(const QString& dataType, const QString& columnType);

// Type number for an ODBC SQL type code (SQL_INTEGER, SQL_WVARCHAR ...).
int adoTypeFromOdbcSqlType(int sqlType);

// Type number for a Qt value type, used when a driver reports nothing better.
int adoTypeFromMetaType(QMetaType type);

// True for the numeric and boolean types that are written without delimiters.
bool isNumericAdoType(int adoType);
bool isTextAdoType(int adoType);
bool isDateAdoType(int adoType);

// What a column's values are, for the checks that keep a comparison, a total or a join valid on
// every database: Unknown when the catalogue does not say (an expression column).
enum class AdoTypeFamily { Unknown, Number, Boolean, Text, Date, Time, Other };
AdoTypeFamily adoTypeFamily(int adoType);

}  // namespace lorvane
