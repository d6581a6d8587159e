#pragma once

#include "ForeignKey.h"

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

// How the data source writes identifiers (SQLGetInfo): the character it puts around them (a
// blank when it has none, empty when it cannot tell), and the case it folds unquoted ones to.
struct OdbcIdentifiers {
    enum class Folding { None, Lower, Upper };
    QString quote;
    Folding folding = Folding::None;
};
OdbcIdentifiers readOdbcIdentifiers(void* connectionHandle);

// The foreign keys declared on the data source's tables: SQLTables lists them, SQLForeignKeys
// is asked for each (drivers want a table named). Empty without error when the driver has no
// SQLForeignKeys; error holds the driver's words when a call fails.
struct OdbcForeignKeysResult {
    std::vector<ForeignKey> keys;
    QString error;
};
OdbcForeignKeysResult readOdbcForeignKeys(void* connectionHandle);

}  // namespace lorvane
