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

// Empties the shared table and field collections and resets the shared settings, so that a
// test starts from a fresh process's state.
void resetSharedState();

// The same SQLite file through the ODBC driver manager and Debian's SQLite ODBC driver.
QString odbcConnectionStringFor(const QString& sqlitePath);

}  // namespace lorvane::test
