#pragma once

#include <QString>
#include <QTemporaryDir>

namespace lorvane::test {

// The sample SQLite database built with the project.
QString sampleDatabasePath();
QString sampleConnectionString();
// A writable copy of the sample database in dir.
QString copyOfSample(const QTemporaryDir& dir);

// The PostgreSQL server that ctest starts for the tests (fixture "postgres"). Fails the test
// when it is not running.
QString postgresConnectionString();
// A fresh, empty database on that server; returns its connection string.
QString newPostgresDatabase(const QString& name);

// The MariaDB server that ctest starts for the tests (fixture "mariadb"). Fails the test when it
// is not running.
QString mariadbConnectionString();
// A fresh, empty database on that server; returns its connection string.
QString newMariaDbDatabase(const QString& name);

// Empties the shared table and field collections and resets the shared settings, so that a
// test starts from a fresh process's state.
void resetSharedState();

// The same SQLite file through the ODBC driver manager and Debian's SQLite ODBC driver.
QString odbcConnectionStringFor(const QString& sqlitePath);
// A PostgreSQL database (a connection string of the project's) through Debian's PostgreSQL
// ODBC driver.
QString odbcConnectionStringForPostgres(const QString& postgresConnectionString);

// The databases' own command-line clients, for checks that do not go through the project:
// the rows a statement gives, one line per row, values separated by "|" (Null as empty).
// A failing statement fails the test and gives "<error>".
QString sqliteCli(const QString& path, const QString& sql);
QString psqlCli(const QString& postgresConnectionString, const QString& sql);
QString mariadbCli(const QString& mariadbConnectionString, const QString& sql);

}  // namespace lorvane::test
