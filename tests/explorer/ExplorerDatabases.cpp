#include "explorer/ExplorerDatabases.h"

#include "platform/Connection.h"
#include "platform/ConnectionString.h"
#include "platform/VLNError.h"
#include "support/TestDatabases.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <libpq-fe.h>
#include <sqlite3.h>

namespace lorvane::explorer {

QStringList DatabaseSetup::namesSchema() {
    return {
        R"(CREATE TABLE "Customer List" ("Customer ID" INTEGER PRIMARY KEY, "Company Name" VARCHAR(40), "City" VARCHAR(20), "Credit Limit" NUMERIC(10,2), "Since" DATE))",
        R"(CREATE TABLE "Order's" ("OrderID" INTEGER PRIMARY KEY, "Customer ID" INTEGER, "Order Date" TIMESTAMP, "Freight" NUMERIC(10,2), "Ship ""City""" VARCHAR(20)))",
        R"(CREATE TABLE "LINE Items" ("OrderID" INTEGER, "Product" VARCHAR(30), "Qty" INTEGER, "Unit Price" NUMERIC(10,2)))",
        R"(CREATE TABLE customers (customer_id INTEGER PRIMARY KEY, company VARCHAR(40), city VARCHAR(20), credit_limit REAL))",
        R"(CREATE TABLE orders (order_id INTEGER PRIMARY KEY, customer_id INTEGER, order_date TIMESTAMP, required_date DATE, freight NUMERIC(10,2), ship_city VARCHAR(20)))",
        R"(INSERT INTO "Customer List" VALUES (1, 'O''Brien & Co', 'Paris', 1000.50, '2020-03-15'), (2, 'Unlikely Ltd', 'Berlin', NULL, '2021-01-01'), (3, 'Andover', 'Lyon', 250, NULL))",
        R"(INSERT INTO "Order's" VALUES (10, 1, '2023-12-31 17:43:00', 12.5, 'Paris'), (11, 2, '2023-01-01 00:00:00', 7, 'Berlin'), (12, 3, '2022-01-08 00:00:00', NULL, 'Lyon'))",
        R"(INSERT INTO "LINE Items" VALUES (10, 'Tea', 2, 4.5), (10, 'Coffee', 1, 9), (11, 'Tea', 5, 4.5), (12, 'Notable Cheese', 3, 12))",
        R"(INSERT INTO customers VALUES (1, 'Alpha', 'Berlin', 100), (2, 'Beta', 'Paris', 2500.5), (3, 'Gamma', 'Island', NULL))",
        R"(INSERT INTO orders VALUES (20, 1, '2023-12-31 17:43:00', '2024-01-15', 5, 'Berlin'), (21, 2, '2023-06-30 12:00:00', '2023-07-01', 7.25, 'Paris'), (22, 3, '2022-01-08 00:00:00', NULL, NULL, 'Orlando'))",
    };
}

DatabaseSetup::~DatabaseSetup() {
    if (!mariaDbDatabase_.isEmpty()) {
        try {
            Connection c;
            c.Open(mariaDbAdmin_);
            c.Execute(QStringLiteral("DROP DATABASE IF EXISTS `%1`").arg(mariaDbDatabase_));
        } catch (const VLNError&) {
        }
    }
    if (pgDatabase_.isEmpty())
        return;
    PGconn* c = PQconnectdb(adminConninfo_.constData());
    PQclear(PQexec(c, "DROP DATABASE IF EXISTS " + pgDatabase_ + " WITH (FORCE)"));
    PQfinish(c);
}

Database DatabaseSetup::open(const QString& driver) {
    if (driver == u"sqlite-sample")
        return {driver, test::sampleConnectionString(), test::sampleDatabasePath()};
    if (driver == u"sqlite-names") {
        const QString file = dir_.filePath(QStringLiteral("names.db"));
        sqlite3* db = nullptr;
        if (sqlite3_open(file.toUtf8().constData(), &db) != SQLITE_OK) {
            error_ = QStringLiteral("cannot create ") + file;
            sqlite3_close(db);
            return {};
        }
        for (const QString& sql : namesSchema()) {
            char* message = nullptr;
            if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &message) != SQLITE_OK) {
                error_ = QString::fromUtf8(message);
                sqlite3_free(message);
                sqlite3_close(db);
                return {};
            }
        }
        sqlite3_close(db);
        return {driver, QStringLiteral("Provider=SQLite;Data Source=") + file, file};
    }
    if (driver == u"postgres") {
        QString admin = QString::fromUtf8(qgetenv("LORVANE_EXPLORE_PG"));
        if (admin.isEmpty()) {
            QFile f(QStringLiteral(LORVANE_PG_CONNECTION_FILE));
            if (f.open(QIODevice::ReadOnly))
                admin = QString::fromUtf8(f.readAll()).trimmed();
        }
        if (admin.isEmpty()) {
            error_ = QStringLiteral("no PostgreSQL server (run through ctest, or make explore)");
            return {};
        }
        const ConnectionString cs(admin);
        auto conninfo = [&cs](const QString& database) {
            return QStringLiteral("host=%1 port=%2 dbname=%3 user=%4")
                .arg(cs.value(QStringLiteral("Host")), cs.value(QStringLiteral("Port")), database,
                     cs.value(QStringLiteral("User ID")))
                .toUtf8();
        };
        // A database of its own for each setup: regression tests and budget runs follow one
        // another in one process.
        static int made = 0;
        const QString name = QStringLiteral("lorvane_explorer_%1_%2").arg(QCoreApplication::applicationPid()).arg(++made);
        PGconn* c = PQconnectdb(conninfo(cs.value(QStringLiteral("Database"))).constData());
        PQclear(PQexec(c, ("DROP DATABASE IF EXISTS " + name).toUtf8().constData()));
        PQclear(PQexec(c, ("CREATE DATABASE " + name).toUtf8().constData()));
        PQfinish(c);
        adminConninfo_ = conninfo(cs.value(QStringLiteral("Database")));
        pgDatabase_ = name.toUtf8();
        c = PQconnectdb(conninfo(name).constData());
        for (const QString& sql : namesSchema()) {
            PGresult* r = PQexec(c, sql.toUtf8().constData());
            if (PQresultStatus(r) != PGRES_COMMAND_OK) {
                error_ = QString::fromUtf8(PQresultErrorMessage(r));
                PQclear(r);
                PQfinish(c);
                return {};
            }
            PQclear(r);
        }
        PQfinish(c);
        QString connection = admin;
        connection.replace(QRegularExpression(QStringLiteral("Database=[^;]*")), QStringLiteral("Database=") + name);
        return {driver, connection, {}};
    }
    if (driver == u"mariadb") {
        QString admin = QString::fromUtf8(qgetenv("LORVANE_EXPLORE_MARIADB"));
        if (admin.isEmpty()) {
            QFile f(QStringLiteral(LORVANE_MARIADB_CONNECTION_FILE));
            if (f.open(QIODevice::ReadOnly))
                admin = QString::fromUtf8(f.readAll()).trimmed();
        }
        if (admin.isEmpty()) {
            error_ = QStringLiteral("no MariaDB server (run through ctest, or make explore)");
            return {};
        }
        static int made = 0;
        const QString name = QStringLiteral("lorvane_explorer_%1_%2").arg(QCoreApplication::applicationPid()).arg(++made);
        QString connection = admin;
        connection.replace(QRegularExpression(QStringLiteral("Database=[^;]*")), QStringLiteral("Database=") + name);
        try {
            Connection c;
            c.Open(admin);
            c.Execute(QStringLiteral("DROP DATABASE IF EXISTS `%1`").arg(name));
            c.Execute(QStringLiteral("CREATE DATABASE `%1` CHARACTER SET utf8mb4 COLLATE utf8mb4_unicode_ci").arg(name));
            mariaDbAdmin_ = admin;
            mariaDbDatabase_ = name;
            c.Close();
            c.Open(connection);
            // The schema quotes names in the standard way.
            c.Execute(QStringLiteral("SET SESSION sql_mode = CONCAT(@@SESSION.sql_mode, ',ANSI_QUOTES')"));
            for (const QString& sql : namesSchema())
                c.Execute(sql);
        } catch (const VLNError& e) {
            error_ = e.description();
            return {};
        }
        return {driver, connection, {}};
    }
    error_ = QStringLiteral("unknown driver ") + driver;
    return {};
}

}  // namespace lorvane::explorer
