// The same tables, reached through SQLite, PostgreSQL and ODBC, give the same catalogue rows:
// the names, the table types and the column type numbers that criteria quoting depends on.
#include "platform/AdoTypes.h"
#include "platform/Connection.h"
#include "support/TestDatabases.h"

#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace lorvane;
using namespace lorvane::test;

namespace {

const char* const kSchema[] = {
    "CREATE TABLE Customers (CustomerID INTEGER PRIMARY KEY, CompanyName VARCHAR(40) NOT NULL, "
    "CreditLimit DOUBLE PRECISION, Joined DATE, LastSeen TIMESTAMP, Active BOOLEAN, Notes TEXT)",
    "CREATE TABLE \"Order Details\" (OrderID INTEGER NOT NULL, \"Unit Price\" DECIMAL(10,2), "
    "Quantity SMALLINT, Big BIGINT)",
    "CREATE VIEW \"Big Orders\" AS SELECT OrderID, Quantity FROM \"Order Details\" WHERE Quantity > 10",
    "INSERT INTO Customers VALUES (1, 'O''Brien''s Deli', 1500.5, '2020-01-31', '2020-02-01 10:30:00', TRUE, NULL)",
};

struct Catalogue {
    QMap<QString, QString> tableTypes;      // user tables and views only
    QMap<QString, int> columnTypes;         // "Table.Column" -> type number
};

Catalogue readCatalogue(Connection& c) {
    Catalogue out;
    auto tables = c.OpenSchema(Connection::SchemaTables);
    for (qint64 r = 0; r < tables->RecordCount(); ++r) {
        const QString type = tables->ValueAt(r, 3).toString();
        if (type == "TABLE" || type == "VIEW")
            out.tableTypes.insert(tables->ValueAt(r, 2).toString(), type);
    }
    for (const QString& table : out.tableTypes.keys()) {
        auto columns = c.OpenSchema(Connection::SchemaColumns, {QVariant(), QVariant(), table});
        for (qint64 r = 0; r < columns->RecordCount(); ++r)
            out.columnTypes.insert(table + "." + columns->ValueAt(r, 3).toString(), columns->ValueAt(r, 6).toInt());
    }
    return out;
}

void create(Connection& c) {
    for (const char* sql : kSchema)
        c.Execute(QString::fromUtf8(sql));
}

QString lowerKeys(const QMap<QString, int>& m) {
    QStringList parts;
    for (auto it = m.begin(); it != m.end(); ++it)
        parts << QStringLiteral("%1=%2").arg(it.key().toLower()).arg(it.value());
    parts.sort();
    return parts.join(u' ');
}

}  // namespace

TEST(SchemaAcrossDrivers, SqlitePostgresAndOdbcAgree) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("portable.db"));
    QFile(file).open(QIODevice::WriteOnly);  // an empty file is an empty SQLite database

    Connection sqlite;
    sqlite.Open(QStringLiteral("Provider=SQLite;Data Source=") + file);
    create(sqlite);
    const Catalogue fromSqlite = readCatalogue(sqlite);
    sqlite.Close();

    const QString pg = newPostgresDatabase(QStringLiteral("lorvane_schema_test"));
    ASSERT_FALSE(pg.isEmpty());
    Connection postgres;
    postgres.Open(pg);
    create(postgres);
    const Catalogue fromPostgres = readCatalogue(postgres);

    Connection odbc;
    odbc.Open(odbcConnectionStringFor(file));
    EXPECT_EQ(odbc.DriverName(), "QODBC");
    const Catalogue fromOdbc = readCatalogue(odbc);

    const QMap<QString, QString> expectedTables{
        {"Customers", "TABLE"}, {"Order Details", "TABLE"}, {"Big Orders", "VIEW"}};
    EXPECT_EQ(fromSqlite.tableTypes, expectedTables);
    EXPECT_EQ(fromOdbc.tableTypes, expectedTables);
    // PostgreSQL folds unquoted names to lower case.
    QMap<QString, QString> pgExpected{{"customers", "TABLE"}, {"Order Details", "TABLE"}, {"Big Orders", "VIEW"}};
    EXPECT_EQ(fromPostgres.tableTypes, pgExpected);

    const QMap<QString, int> expectedColumns{
        {"Customers.CustomerID", AdoType::Integer},   {"Customers.CompanyName", AdoType::VarChar},
        {"Customers.CreditLimit", AdoType::Double},   {"Customers.Joined", AdoType::DBDate},
        {"Customers.LastSeen", AdoType::DBTimeStamp}, {"Customers.Active", AdoType::Boolean},
        {"Customers.Notes", AdoType::LongVarChar},    {"Order Details.OrderID", AdoType::Integer},
        {"Order Details.Unit Price", AdoType::Decimal}, {"Order Details.Quantity", AdoType::SmallInt},
        {"Order Details.Big", AdoType::BigInt},       {"Big Orders.OrderID", AdoType::Integer},
        {"Big Orders.Quantity", AdoType::SmallInt}};
    EXPECT_EQ(lowerKeys(fromSqlite.columnTypes), lowerKeys(expectedColumns));
    EXPECT_EQ(lowerKeys(fromPostgres.columnTypes), lowerKeys(expectedColumns));
    EXPECT_EQ(lowerKeys(fromOdbc.columnTypes), lowerKeys(expectedColumns));

    // And the rows read back the same way through each driver.
    for (Connection* c : {&postgres, &odbc}) {
        auto rs = c->OpenRecordSet(QStringLiteral("SELECT CompanyName, CreditLimit, Joined FROM Customers"));
        ASSERT_EQ(rs->RecordCount(), 1) << c->DriverName().toStdString();
        EXPECT_EQ(rs->Value(0).toString(), "O'Brien's Deli");
        EXPECT_DOUBLE_EQ(rs->Value(1).toDouble(), 1500.5);
        EXPECT_EQ(rs->Value(2).toDate(), QDate(2020, 1, 31)) << c->DriverName().toStdString();
    }
}
