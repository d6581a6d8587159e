#include "support/TestDatabases.h"

#include "shared/BuilderSettings.h"
#include "shared/clsField.h"
#include "shared/clsTable.h"
#include "platform/Connection.h"
#include "platform/ConnectionString.h"

#include <QProcess>

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

QString mariadbConnectionString() {
    QFile file(QStringLiteral(LORVANE_MARIADB_CONNECTION_FILE));
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "The test MariaDB server is not running: " << LORVANE_MARIADB_CONNECTION_FILE
                      << " is missing. Run the tests through ctest (make test).";
        return {};
    }
    return QString::fromUtf8(file.readAll()).trimmed();
}

QString newMariaDbDatabase(const QString& name) {
    const QString admin = mariadbConnectionString();
    Connection c;
    c.Open(admin);
    c.Execute(QStringLiteral("DROP DATABASE IF EXISTS `%1`").arg(name));
    c.Execute(QStringLiteral("CREATE DATABASE `%1` CHARACTER SET utf8mb4 COLLATE utf8mb4_unicode_ci").arg(name));
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

QString odbcConnectionStringForPostgres(const QString& postgres) {
    const ConnectionString cs(postgres);
    return QStringLiteral("Provider=ODBC;Driver={PostgreSQL Unicode};Server=%1;Port=%2;Database=%3;UID=%4")
        .arg(cs.value(QStringLiteral("Host")), cs.value(QStringLiteral("Port")), cs.value(QStringLiteral("Database")),
             cs.value(QStringLiteral("User ID")));
}

namespace {
QString runClient(const QString& program, const QStringList& arguments, const QString& sql,
                  const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    QProcess p;
    p.setProcessEnvironment(environment);
    p.start(program, arguments);
    if (!p.waitForStarted()) {
        ADD_FAILURE() << program.toStdString() << " did not start";
        return QStringLiteral("<error>");
    }
    p.write(sql.toUtf8());
    p.closeWriteChannel();
    p.waitForFinished(60000);
    const QString err = QString::fromUtf8(p.readAllStandardError()).trimmed();
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0 || !err.isEmpty()) {
        ADD_FAILURE() << program.toStdString() << " failed on " << sql.toStdString() << ": " << err.toStdString();
        return QStringLiteral("<error>");
    }
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}
}  // namespace

QString sqliteCli(const QString& path, const QString& sql) {
    return runClient(QStringLiteral("sqlite3"), {QStringLiteral("-batch"), QStringLiteral("-bail"), path}, sql);
}

QString psqlCli(const QString& postgres, const QString& sql) {
    const ConnectionString cs(postgres);
    return runClient(QStringLiteral("psql"),
                     {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-A"), QStringLiteral("-t"),
                      QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-h"),
                      cs.value(QStringLiteral("Host")), QStringLiteral("-p"), cs.value(QStringLiteral("Port")),
                      QStringLiteral("-U"), cs.value(QStringLiteral("User ID")), QStringLiteral("-d"),
                      cs.value(QStringLiteral("Database"))},
                     sql);
}

QString mariadbCli(const QString& mariadb, const QString& sql) {
    const ConnectionString cs(mariadb);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("MYSQL_PWD"), cs.value(QStringLiteral("Password")));
    const QString out = runClient(QStringLiteral("mariadb"),
                                  {QStringLiteral("--no-defaults"), QStringLiteral("--batch"),
                                   QStringLiteral("--skip-column-names"), QStringLiteral("--raw"), QStringLiteral("-h"),
                                   cs.value(QStringLiteral("Host")), QStringLiteral("-P"), cs.value(QStringLiteral("Port")),
                                   QStringLiteral("-u"), cs.value(QStringLiteral("User ID")), QStringLiteral("-D"),
                                   cs.value(QStringLiteral("Database"))},
                                  sql, environment);
    // The same form as the other clients': "|" between values, Null as empty.
    QStringList lines = out.split(u'\n');
    for (QString& line : lines) {
        QStringList values = line.split(u'\t');
        for (QString& v : values)
            if (v == u"NULL")
                v.clear();
        line = values.join(u'|');
    }
    return lines.join(u'\n');
}

}  // namespace lorvane::test
