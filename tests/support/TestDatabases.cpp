#include "support/TestDatabases.h"

#include "shared/BuilderSettings.h"
#include "shared/clsField.h"
#include "shared/clsTable.h"
#include "platform/Connection.h"

#include <QFile>
#include <gtest/gtest.h>

namespace lorvane::test {

QString sampleDatabasePath() {
    return QStringLiteral(LORVANE_SAMPLE_DB);
}

QString sampleConnectionString() {
    return QStringLiteral("Provider=SQLite;Data Source=") + sampleDatabasePath();
}

QString copyOfSample(const QTemporaryDir& dir) {
    const QString path = dir.filePath(QStringLiteral("sample-copy.db"));
    QFile::remove(path);
    EXPECT_TRUE(QFile::copy(sampleDatabasePath(), path));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    return path;
}

QString postgresConnectionString() {
    QFile file(QStringLiteral(LORVANE_PG_CONNECTION_FILE));
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "The test PostgreSQL server is not running: " << LORVANE_PG_CONNECTION_FILE
                      << " is missing. Run the tests through ctest (make test).";
        return {};
    }
    return QString::fromUtf8(file.readAll()).trimmed();
}

QString newPostgresDatabase(const QString& name) {
    const QString admin = postgresConnectionString();
    Connection c;
    c.Open(admin);
    c.Execute(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(name));
    c.Execute(QStringLiteral("CREATE DATABASE %1").arg(name));
    c.Close();
    QString result = admin;
    result.replace(QStringLiteral("Database=lorvane_test"), QStringLiteral("Database=") + name);
    return result;
}

void resetSharedState() {
    clsTable::shared().RemoveAll();
    clsField::shared().RemoveAll();
    BuilderSettings::shared() = BuilderSettings();
}

QString odbcConnectionStringFor(const QString& sqlitePath) {
    return QStringLiteral("Provider=ODBC;Driver=SQLite3;Database=") + sqlitePath;
}

}  // namespace lorvane::test
