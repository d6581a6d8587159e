#pragma once

#include <QString>
#include <QStringView>
#include <optional>
#include <vector>

namespace lorvane {

// One column as SQLite's table_xinfo pragma reports it.
struct SqliteColumnDefinition {
    QString name;
    QString declaredType;
    bool notNull = false;
};

// The columns of a table read from the CREATE TABLE text SQLite keeps in sqlite_master, without
// asking SQLite for each table: with tens of thousands of tables every lookup of a table by
// name gets slower (SQLite's schema index stops growing), so reading them one by one grows
// with the square of their number. Only the plain form is read (names, declared types,
// NOT NULL, constraints skipped); anything else (virtual tables, WITHOUT ROWID, quoted type
// names, text this reading is not sure of) gives nullopt, and the caller asks SQLite.
std::optional<std::vector<SqliteColumnDefinition>> readSqliteTableDefinition(QStringView sql);

}  // namespace lorvane
