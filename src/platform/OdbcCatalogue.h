#pragma once

#include <QString>
#include <QVariant>
#include <vector>

namespace lorvane {

struct OdbcColumn {
    QVariant catalog, schema;
    QString table, column, typeName;
    int sqlType = 0;
    int size = 0;
    int ordinal = 0;
    bool nullable = true;
};

struct OdbcColumnsResult {
    bool ok = false;
    std::vector<OdbcColumn> columns;
};

// The columns of one table (or of every table when table is empty), read with one SQLColumns
// call on an open ODBC connection handle (SQLHDBC).
OdbcColumnsResult readOdbcCatalogueColumns(void* connectionHandle, const QString& table);

// The character the driver puts around identifiers (SQLGetInfo SQL_IDENTIFIER_QUOTE_CHAR): a
// blank when it has none, empty when it cannot tell.
QString readOdbcIdentifierQuote(void* connectionHandle);

}  // namespace lorvane
