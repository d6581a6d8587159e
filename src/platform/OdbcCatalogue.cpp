#include "OdbcCatalogue.h"

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

namespace lorvane {

namespace {

QVariant textColumn(SQLHSTMT stmt, SQLUSMALLINT column) {
    SQLWCHAR buffer[512];
    SQLLEN length = 0;
    QString out;
    for (;;) {
        const SQLRETURN rc = SQLGetData(stmt, column, SQL_C_WCHAR, buffer, sizeof buffer, &length);
        if (rc == SQL_NO_DATA)
            break;
        if (!SQL_SUCCEEDED(rc) || length == SQL_NULL_DATA)
            return out.isEmpty() ? QVariant() : QVariant(out);
        const qsizetype chars = (length == SQL_NO_TOTAL || length >= SQLLEN(sizeof buffer))
                                    ? qsizetype(sizeof buffer / sizeof(SQLWCHAR)) - 1
                                    : qsizetype(length / SQLLEN(sizeof(SQLWCHAR)));
        out.append(QString(reinterpret_cast<const QChar*>(buffer), chars));
        if (rc != SQL_SUCCESS_WITH_INFO)
            break;
    }
    return out;
}

int intColumn(SQLHSTMT stmt, SQLUSMALLINT column) {
    SQLINTEGER value = 0;
    SQLLEN indicator = 0;
    if (!SQL_SUCCEEDED(SQLGetData(stmt, column, SQL_C_SLONG, &value, 0, &indicator)) || indicator == SQL_NULL_DATA)
        return 0;
    return value;
}

}  // namespace

OdbcColumnsResult readOdbcCatalogueColumns(void* connectionHandle, const QString& table) {
    OdbcColumnsResult result;
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, static_cast<SQLHDBC>(connectionHandle), &stmt)))
        return result;
    // The table argument is a search pattern; rows are filtered to the exact name below.
    std::u16string name = table.toStdU16String();
    const SQLRETURN rc = table.isEmpty()
                             ? SQLColumnsW(stmt, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0)
                             : SQLColumnsW(stmt, nullptr, 0, nullptr, 0, reinterpret_cast<SQLWCHAR*>(name.data()),
                                           SQL_NTS, nullptr, 0);
    if (SQL_SUCCEEDED(rc)) {
        result.ok = true;
        while (SQL_SUCCEEDED(SQLFetch(stmt))) {
            OdbcColumn c;
            c.catalog = textColumn(stmt, 1);
            c.schema = textColumn(stmt, 2);
            c.table = textColumn(stmt, 3).toString();
            c.column = textColumn(stmt, 4).toString();
            c.sqlType = intColumn(stmt, 5);
            c.typeName = textColumn(stmt, 6).toString();
            c.size = intColumn(stmt, 7);
            c.nullable = intColumn(stmt, 11) != SQL_NO_NULLS;
            c.ordinal = intColumn(stmt, 17);
            if (table.isEmpty() || c.table == table)
                result.columns.push_back(std::move(c));
        }
    }
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    return result;
}

}  // namespace lorvane

namespace lorvane {

OdbcIdentifiers readOdbcIdentifiers(void* connectionHandle) {
    OdbcIdentifiers out;
    if (!connectionHandle)
        return out;
    SQLWCHAR buffer[16] = {};
    SQLSMALLINT length = 0;
    if (SQL_SUCCEEDED(SQLGetInfoW(connectionHandle, SQL_IDENTIFIER_QUOTE_CHAR, buffer, sizeof buffer, &length))) {
        const qsizetype chars = std::min<qsizetype>(length / qsizetype(sizeof(SQLWCHAR)), 15);
        out.quote = QString(reinterpret_cast<const QChar*>(buffer), chars);
    }
    SQLUSMALLINT identifierCase = 0;
    if (SQL_SUCCEEDED(SQLGetInfoW(connectionHandle, SQL_IDENTIFIER_CASE, &identifierCase, sizeof identifierCase, nullptr))) {
        if (identifierCase == SQL_IC_LOWER)
            out.folding = OdbcIdentifiers::Folding::Lower;
        else if (identifierCase == SQL_IC_UPPER)
            out.folding = OdbcIdentifiers::Folding::Upper;
    }
    return out;
}

}  // namespace lorvane
