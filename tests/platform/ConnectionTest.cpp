#include "platform/AdoTypes.h"
#include "platform/Connection.h"
#include "platform/VLNError.h"
#include "support/ErrorOf.h"
#include "support/TestDatabases.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace lorvane;
using namespace lorvane::test;

namespace {

QStringList column(RecordSet& rs, const QString& field) {
    QStringList out;
    for (qint64 r = 0; r < rs.RecordCount(); ++r)
        out << rs.ValueAt(r, rs.FieldIndex(field)).toString();
    return out;
}

int dataTypeOf(RecordSet& columns, const QString& table, const QString& column) {
    for (qint64 r = 0; r < columns.RecordCount(); ++r)
        if (columns.ValueAt(r, columns.FieldIndex(QStringLiteral("TABLE_NAME"))).toString() == table &&
            columns.ValueAt(r, columns.FieldIndex(QStringLiteral("COLUMN_NAME"))).toString() == column)
            return columns.ValueAt(r, columns.FieldIndex(QStringLiteral("DATA_TYPE"))).toInt();
    return -1;
}

}  // namespace

TEST(Connection, SqliteTablesSchemaListsTablesViewsAndSystemTables) {
    Connection c;
    c.SetConnectionTimeout(5);
    c.SetCommandTimeout(10);
    c.SetConnectionString(sampleConnectionString());
    c.Open();
    EXPECT_TRUE(c.IsOpen());
    EXPECT_EQ(c.ConnectionString(), sampleConnectionString());
    EXPECT_EQ(c.DriverName(), "QSQLITE");
    auto tables = c.OpenSchema(Connection::SchemaTables);
    const QStringList names = column(*tables, QStringLiteral("TABLE_NAME"));
    const QStringList types = column(*tables, QStringLiteral("Table_Type"));  // names are case-insensitive
    ASSERT_EQ(names.size(), types.size());
    EXPECT_EQ(types.at(names.indexOf("Order Details")), "TABLE");
    EXPECT_EQ(types.at(names.indexOf("Customers")), "TABLE");
    EXPECT_EQ(types.at(names.indexOf("Order Subtotals")), "VIEW");
    EXPECT_EQ(types.at(names.indexOf("sqlite_master")), "SYSTEM TABLE");
    EXPECT_EQ(names.filter(QStringLiteral("sqlite_")).size(), types.count("SYSTEM TABLE"));
    EXPECT_EQ(types.count("TABLE"), 8);
    EXPECT_EQ(types.count("VIEW"), 2);
    EXPECT_EQ(tables->AbsolutePosition(), 1);
}

TEST(Connection, SqliteColumnsSchemaMapsDeclaredTypes) {
    Connection c;
    c.Open(sampleConnectionString());
    auto products = c.OpenSchema(Connection::SchemaColumns, {QVariant(), QVariant(), QStringLiteral("Products")});
    EXPECT_EQ(column(*products, QStringLiteral("COLUMN_NAME")),
              (QStringList{"ProductID", "ProductName", "SupplierID", "CategoryID", "Unit Price", "UnitsInStock",
                           "Discontinued"}));
    EXPECT_EQ(dataTypeOf(*products, "Products", "ProductID"), AdoType::Integer);
    EXPECT_EQ(dataTypeOf(*products, "Products", "ProductName"), AdoType::VarChar);
    EXPECT_EQ(dataTypeOf(*products, "Products", "Unit Price"), AdoType::Decimal);
    EXPECT_EQ(dataTypeOf(*products, "Products", "UnitsInStock"), AdoType::SmallInt);
    EXPECT_EQ(dataTypeOf(*products, "Products", "Discontinued"), AdoType::Boolean);
    EXPECT_EQ(products->ValueAt(1, products->FieldIndex(QStringLiteral("CHARACTER_MAXIMUM_LENGTH"))).toInt(), 40);

    auto all = c.OpenSchema(Connection::SchemaColumns);
    EXPECT_EQ(dataTypeOf(*all, "Employees", "BirthDate"), AdoType::DBDate);
    EXPECT_EQ(dataTypeOf(*all, "Employees", "HireDate"), AdoType::DBTimeStamp);
    EXPECT_EQ(dataTypeOf(*all, "Customers", "CreditLimit"), AdoType::Double);
    EXPECT_EQ(dataTypeOf(*all, "Categories", "Description"), AdoType::LongVarChar);
    EXPECT_EQ(dataTypeOf(*all, "Order Details", "Quantity"), AdoType::SmallInt);
    EXPECT_EQ(dataTypeOf(*all, "Order Subtotals", "Subtotal"), AdoType::Variant);  // an expression
    auto none = c.OpenSchema(Connection::SchemaColumns, {QVariant(), QVariant(), QStringLiteral("NoSuchTable")});
    EXPECT_EQ(none->RecordCount(), 0);
}

TEST(Connection, QueryResultIsDetachedTypedAndLimited) {
    std::shared_ptr<RecordSet> rs;
    {
        Connection c;
        c.Open(sampleConnectionString());
        rs = c.OpenRecordSet(QStringLiteral(
            "SELECT o.OrderID, o.OrderDate, o.ShippedDate, c.CompanyName, d.\"Unit Price\", d.Discontinued "
            "FROM Orders o JOIN Customers c ON c.CustomerID = o.CustomerID "
            "CROSS JOIN (SELECT \"Unit Price\", Discontinued FROM Products WHERE ProductID = 4) d "
            "WHERE c.CompanyName LIKE 'O''Brien%' ORDER BY o.OrderID"),
                             25);
        c.Close();
    }
    // The connection is gone; the rows stay readable.
    ASSERT_EQ(rs->RecordCount(), 25);
    EXPECT_EQ(rs->Field(0).type, AdoType::Integer);
    EXPECT_EQ(rs->Field(1).type, AdoType::DBTimeStamp);
    EXPECT_EQ(rs->Field(3).type, AdoType::VarChar);
    EXPECT_EQ(rs->Field(3).definedSize, 40);
    EXPECT_EQ(rs->Field(4).type, AdoType::Decimal);
    EXPECT_EQ(rs->Field(5).type, AdoType::Boolean);
    rs->MoveFirst();
    EXPECT_TRUE(rs->Value(QStringLiteral("CompanyName")).toString().startsWith("O'Brien's Deli"));
    EXPECT_EQ(rs->Value(1).typeId(), QMetaType::QDateTime);
    EXPECT_EQ(rs->Value(4).toString(), "3.98");
    EXPECT_EQ(rs->Value(5).toBool(), false);
    bool sawNullShipDate = false;
    for (qint64 r = 0; r < rs->RecordCount(); ++r)
        sawNullShipDate |= rs->IsNullAt(r, 2);
    EXPECT_TRUE(sawNullShipDate);

    Connection c;
    c.Open(sampleConnectionString());
    EXPECT_EQ(c.OpenRecordSet(QStringLiteral("SELECT * FROM \"Order Details\""), 0)->RecordCount(), 120000);
    EXPECT_EQ(c.OpenRecordSet(QStringLiteral("SELECT * FROM \"Order Details\""), -5)->RecordCount(), 120000);
    auto same = c.OpenRecordSet(QStringLiteral("SELECT o.OrderID, d.OrderID FROM Orders o JOIN \"Order Details\" d "
                                               "ON d.OrderID = o.OrderID"),
                                1);
    EXPECT_EQ(same->FieldCount(), 2);
    EXPECT_NE(same->Field(0).name.toLower(), same->Field(1).name.toLower());
}

TEST(Connection, SqliteRunsExactlyOneStatementAndTypesExpressionsByTheirValues) {
    QTemporaryDir dir;
    Connection c;
    c.Open(QStringLiteral("Provider=SQLite;Data Source=") + copyOfSample(dir));
    const VLNError two = errorOf([&] { c.OpenRecordSet(QStringLiteral("SELECT 1; DELETE FROM Shippers")); });
    EXPECT_EQ(two.source(), "QSQLITE");
    EXPECT_EQ(c.OpenRecordSet(QStringLiteral("SELECT COUNT(*) FROM Shippers"))->Value(0).toInt(), 3);
    EXPECT_EQ(c.OpenRecordSet(QStringLiteral("SELECT 1;  "))->RecordCount(), 1);  // one trailing separator is fine

    auto rs = c.OpenRecordSet(QStringLiteral(
        "SELECT COUNT(*) AS CountOfAllRows, AVG(Freight) AS AvgFreight, MAX(ShipCity) AS City FROM Orders"));
    EXPECT_EQ(rs->Field(0).type, AdoType::BigInt);
    EXPECT_EQ(rs->Field(1).type, AdoType::Double);
    EXPECT_EQ(rs->Field(2).type, AdoType::VarWChar);
    EXPECT_EQ(rs->Value(0).toLongLong(), 20000);
    EXPECT_EQ(rs->Value(QStringLiteral("city")).toString(), "Tokyo");
}

TEST(Connection, StateErrors3704And3705And3709) {
    Connection c;
    EXPECT_EQ(errorOf([&] { c.Close(); }).number(), ErrorNumber::ObjectClosed);
    EXPECT_EQ(errorOf([&] { c.Execute(QStringLiteral("SELECT 1")); }).number(), ErrorNumber::ObjectClosed);
    EXPECT_EQ(errorOf([&] { c.OpenSchema(Connection::SchemaTables); }).number(), ErrorNumber::ObjectClosed);
    EXPECT_EQ(errorOf([&] { c.OpenRecordSet(QStringLiteral("SELECT 1")); }).number(), ErrorNumber::NotUsable);
    c.Open(sampleConnectionString());
    EXPECT_EQ(errorOf([&] { c.Open(sampleConnectionString()); }).number(), ErrorNumber::ObjectOpen);
    c.Close();
    EXPECT_FALSE(c.IsOpen());
    c.Open();  // reopens with the string given before
    EXPECT_TRUE(c.IsOpen());
}

TEST(Connection, FailuresCarryNumberDescriptionAndSource) {
    QTemporaryDir dir;
    Connection c;
    const VLNError missing = errorOf([&] {
        c.Open(QStringLiteral("Provider=SQLite;Data Source=") + dir.filePath(QStringLiteral("nope.db")));
    });
    EXPECT_EQ(missing.number(), ErrorNumber::ProviderFailure);
    EXPECT_TRUE(missing.description().contains("nope.db"));
    EXPECT_EQ(missing.source(), "QSQLITE");
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("nope.db"))));  // no empty database left behind

    const QString text = dir.filePath(QStringLiteral("not-a-db.txt"));
    QFile f(text);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4096, 'x'));
    f.close();
    const VLNError foreign = errorOf([&] { c.Open(QStringLiteral("Provider=SQLite;Data Source=") + text); });
    EXPECT_NE(foreign.number(), 0);
    EXPECT_TRUE(foreign.description().contains("not a database")) << foreign.description().toStdString();
    EXPECT_FALSE(c.IsOpen());

    const VLNError empty = errorOf([&] { Connection().Open(QString()); });
    EXPECT_EQ(empty.number(), ErrorNumber::ProviderFailure);

    c.Open(sampleConnectionString());
    const VLNError syntax = errorOf([&] { c.OpenRecordSet(QStringLiteral("SELEC * FROM Orders")); });
    EXPECT_NE(syntax.number(), 0);
    EXPECT_TRUE(syntax.description().contains("syntax error")) << syntax.description().toStdString();
    EXPECT_EQ(syntax.source(), "QSQLITE");
    const VLNError noTable = errorOf([&] { c.OpenRecordSet(QStringLiteral("SELECT * FROM Nowhere")); });
    EXPECT_TRUE(noTable.description().contains("no such table")) << noTable.description().toStdString();
}

TEST(Connection, ExecuteChangesAWritableCopy) {
    QTemporaryDir dir;
    Connection c;
    c.Open(QStringLiteral("Provider=SQLite;Data Source=") + copyOfSample(dir));
    EXPECT_EQ(c.Execute(QStringLiteral("UPDATE Shippers SET Phone = 'x' WHERE ShipperID < 3")), 2);
    c.Execute(QStringLiteral("CREATE VIEW \"Cheap Products\" AS SELECT * FROM Products WHERE \"Unit Price\" < 10"));
    auto tables = c.OpenSchema(Connection::SchemaTables);
    EXPECT_TRUE(column(*tables, QStringLiteral("TABLE_NAME")).contains("Cheap Products"));
}

TEST(Connection, ReadOnlyModeRefusesChanges) {
    QTemporaryDir dir;
    Connection c;
    c.Open(QStringLiteral("Provider=SQLite;Mode=ReadOnly;Data Source=") + copyOfSample(dir));
    const VLNError e = errorOf([&] { c.Execute(QStringLiteral("DELETE FROM Shippers")); });
    EXPECT_TRUE(e.description().contains("readonly")) << e.description().toStdString();
}

TEST(Connection, PostgresOpensWithUserAndPasswordAndAppliesCommandTimeout) {
    const QString cs = postgresConnectionString();
    ASSERT_FALSE(cs.isEmpty());
    Connection c;
    c.SetCommandTimeout(1);
    c.Open(cs, QStringLiteral("postgres"), QStringLiteral("any"));  // trust login; both given
    EXPECT_EQ(c.DriverName(), "QPSQL");
    auto rs = c.OpenRecordSet(QStringLiteral("SELECT 1 AS one, 'it''s' AS t, NULL::date AS d, 2.50::numeric(5,2) AS n"));
    ASSERT_EQ(rs->RecordCount(), 1);
    EXPECT_EQ(rs->Field(0).type, AdoType::Integer);
    EXPECT_EQ(rs->Field(2).type, AdoType::DBDate);
    EXPECT_EQ(rs->Field(3).type, AdoType::Decimal);
    EXPECT_EQ(rs->Value(1).toString(), "it's");
    EXPECT_FALSE(rs->Value(2).isValid());
    EXPECT_EQ(rs->Value(3).toString(), "2.50");
    const VLNError timeout = errorOf([&] { c.OpenRecordSet(QStringLiteral("SELECT pg_sleep(5)")); });
    EXPECT_TRUE(timeout.description().contains("statement timeout")) << timeout.description().toStdString();
    EXPECT_EQ(timeout.source(), "QPSQL");
}

TEST(Connection, PostgresFailuresCarryTheDriversDescription) {
    QString cs = postgresConnectionString();
    ASSERT_FALSE(cs.isEmpty());
    cs.replace(QStringLiteral("Database=lorvane_test"), QStringLiteral("Database=no_such_database"));
    Connection c;
    const VLNError e = errorOf([&] { c.Open(cs); });
    EXPECT_NE(e.number(), 0);
    EXPECT_TRUE(e.description().contains("no_such_database")) << e.description().toStdString();
    EXPECT_EQ(e.source(), "QPSQL");
    EXPECT_FALSE(c.IsOpen());

    Connection refused;
    refused.SetConnectionTimeout(2);
    const VLNError r = errorOf([&] { refused.Open(QStringLiteral("Provider=PostgreSQL;Host=127.0.0.1;Port=1;Database=x;User ID=postgres")); });
    EXPECT_FALSE(r.description().isEmpty());
}

TEST(Connection, OdbcFailureForAnUnknownDriver) {
    Connection c;
    const VLNError e = errorOf([&] { c.Open(QStringLiteral("Provider=ODBC;Driver=No Such Driver;Database=x")); });
    EXPECT_NE(e.number(), 0);
    EXPECT_FALSE(e.description().isEmpty());
    EXPECT_EQ(e.source(), "QODBC");
}

TEST(Connection, ReadOnlyRunsNeverChangeData) {
    QTemporaryDir dir;
    const QString file = copyOfSample(dir);
    auto shippers = [&](Connection& c) { return c.OpenRecordSet(QStringLiteral("SELECT COUNT(*) FROM Shippers"))->Value(0).toInt(); };

    Connection sqlite;
    sqlite.Open(QStringLiteral("Provider=SQLite;Data Source=") + file);
    EXPECT_EQ(sqlite.OpenRecordSet(QStringLiteral("SELECT * FROM Shippers WHERE CompanyName = 'a;b'"), 0, true)->RecordCount(), 0);
    const VLNError write = errorOf([&] { sqlite.OpenRecordSet(QStringLiteral("DELETE FROM Shippers"), 0, true); });
    EXPECT_EQ(write.source(), "QSQLITE");
    EXPECT_EQ(shippers(sqlite), 3);

    Connection odbc;
    odbc.Open(odbcConnectionStringFor(file));
    EXPECT_EQ(odbc.OpenRecordSet(QStringLiteral("SELECT CompanyName FROM Shippers WHERE Phone <> 'x; DELETE'"), 0, true)
                  ->RecordCount(), 2);
    for (const char* sql : {"DELETE FROM Shippers", "SELECT 1; DELETE FROM Shippers",
                            "WITH x AS (SELECT 1) INSERT INTO Shippers SELECT 9, 'n', NULL FROM x"})
        EXPECT_EQ(errorOf([&] { odbc.OpenRecordSet(QString::fromLatin1(sql), 0, true); }).source(), "QODBC") << sql;
    EXPECT_EQ(shippers(sqlite), 3);

    const QString pg = newPostgresDatabase(QStringLiteral("lorvane_readonly_test"));
    ASSERT_FALSE(pg.isEmpty());
    Connection postgres;
    postgres.Open(pg);
    postgres.Execute(QStringLiteral("CREATE TABLE t (x integer)"));
    postgres.Execute(QStringLiteral("INSERT INTO t VALUES (1), (2)"));
    const VLNError second = errorOf([&] { postgres.OpenRecordSet(QStringLiteral("SELECT 1; DELETE FROM t"), 0, true); });
    EXPECT_EQ(second.source(), "QPSQL");
    errorOf([&] { postgres.OpenRecordSet(QStringLiteral("DELETE FROM t RETURNING x"), 0, true); });
    // A write hidden in a function the SELECT calls meets the read-only transaction.
    postgres.Execute(QStringLiteral("CREATE FUNCTION wipe() RETURNS integer LANGUAGE sql AS 'DELETE FROM t; SELECT 0'"));
    const VLNError hidden = errorOf([&] { postgres.OpenRecordSet(QStringLiteral("SELECT wipe()"), 0, true); });
    EXPECT_TRUE(hidden.description().contains("read-only")) << hidden.description().toStdString();
    EXPECT_EQ(postgres.OpenRecordSet(QStringLiteral("SELECT COUNT(*) FROM t"), 0, true)->Value(0).toInt(), 2);
    // The connection is usable for writes again afterwards (the read-only transaction ended).
    EXPECT_EQ(postgres.Execute(QStringLiteral("DELETE FROM t WHERE x = 1")), 1);
}
