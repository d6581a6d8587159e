// The foreign keys a connection reads beside its catalogue, from SQLite, PostgreSQL, MariaDB and
// ODBC: composite keys kept whole and in order, tables named as the tables catalogue names them,
// names no plain identifier could be, keys to another schema, and keys declared without the
// referenced columns.
#include "platform/Connection.h"
#include "platform/ForeignKey.h"
#include "support/ErrorOf.h"
#include "support/TestDatabases.h"

#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace lorvane;
using namespace lorvane::test;

namespace {

QString side(const QString& schema, const QString& table, const QStringList& columns) {
    return (schema.isEmpty() ? QString() : u'[' + schema + QStringLiteral("].")) + u'[' + table + u']' + u'(' +
           columns.join(QStringLiteral(", ")) + u')';
}

// "name: [table](a, b) -> [schema].[table](c, d)"; the name left out where the database gives none.
QString describe(const ForeignKey& k, bool withName = true) {
    return (withName && !k.name.isEmpty() ? k.name + QStringLiteral(": ") : QString()) +
           side(k.referencingSchema, k.referencingTable, k.referencingColumns) + QStringLiteral(" -> ") +
           side(k.referencedSchema, k.referencedTable, k.referencedColumns);
}

QStringList describe(const std::vector<ForeignKey>& keys, bool withName = true) {
    QStringList out;
    for (const ForeignKey& k : keys)
        out << describe(k, withName);
    return out;
}

QStringList sorted(QStringList list) {
    list.sort();
    return list;
}

// The TABLE_NAMEs of the tables catalogue.
QSet<QString> catalogueTables(Connection& c) {
    QSet<QString> names;
    auto tables = c.OpenSchema(Connection::SchemaTables);
    for (qint64 r = 0; r < tables->RecordCount(); ++r)
        names.insert(tables->ValueAt(r, 2).toString());
    return names;
}

void expectTablesInCatalogue(Connection& c, const std::vector<ForeignKey>& keys) {
    const QSet<QString> names = catalogueTables(c);
    for (const ForeignKey& k : keys) {
        EXPECT_TRUE(names.contains(k.referencingTable)) << k.referencingTable.toStdString();
        EXPECT_TRUE(names.contains(k.referencedTable)) << k.referencedTable.toStdString();
    }
}

const QStringList kSampleKeys{
    "[Employees](ReportsTo) -> [Employees](EmployeeID)",
    "[Order Details](OrderID) -> [Orders](OrderID)",
    "[Order Details](ProductID) -> [Products](ProductID)",
    "[Orders](CustomerID) -> [Customers](CustomerID)",
    "[Orders](EmployeeID) -> [Employees](EmployeeID)",
    "[Orders](ShipVia) -> [Shippers](ShipperID)",
    "[Products](SupplierID) -> [Suppliers](SupplierID)",
    "[Products](CategoryID) -> [Categories](CategoryID)",
};

// Tables whose keys no simple reader gets right: a composite primary key in another order than
// its columns, referenced by a composite key without its columns and in another case, and by
// one with them in yet another order; a column named in another case (given as written: SQLite
// compares column names without case); a key written in lower case; a key to a table with no
// primary key and no columns named (which references nothing SQLite can join).
const char* const kSqliteKeys[] = {
    "CREATE TABLE \"Parent \"\"Q\"\" Table\" (a INTEGER, \"b col\" TEXT, c INTEGER UNIQUE, PRIMARY KEY (\"b col\", a))",
    "CREATE TABLE \"child's\" (x INTEGER, \"y y\" TEXT, z INTEGER, "
    "FOREIGN KEY (\"y y\", x) REFERENCES \"parent \"\"q\"\" table\", "
    "CONSTRAINT named FOREIGN KEY (z) REFERENCES \"Parent \"\"Q\"\" Table\"(C), "
    "FOREIGN KEY (x, \"y y\") REFERENCES \"Parent \"\"Q\"\" Table\"(a, \"b col\"))",
    "CREATE TABLE nopk (v INTEGER)",
    "CREATE TABLE orphan (w INTEGER references nopk, u INTEGER references \"child's\"(z))",
};

const QStringList kSqliteExpected{
    "[child's](y y, x) -> [Parent \"Q\" Table](b col, a)",
    "[child's](z) -> [Parent \"Q\" Table](C)",  // a named column as the key writes it
    "[child's](x, y y) -> [Parent \"Q\" Table](a, b col)",
    "[orphan](u) -> [child's](z)",
};

QString newSqliteDatabase(const QTemporaryDir& dir) {
    const QString file = dir.filePath(QStringLiteral("keys.db"));
    QFile(file).open(QIODevice::WriteOnly);  // an empty file is an empty SQLite database
    Connection c;
    c.Open(QStringLiteral("Provider=SQLite;Data Source=") + file);
    for (const char* sql : kSqliteKeys)
        c.Execute(QString::fromUtf8(sql));
    return file;
}

// Two schemas whose names need quoting, tables of the same name in both, a composite key whose
// columns are declared in another order than the referenced table's, and a key across schemas.
const char* const kPostgresKeys[] = {
    "CREATE SCHEMA \"Sales \"\"Dept\"\"\"",
    "CREATE TABLE customers (id INTEGER PRIMARY KEY, region TEXT, code INTEGER, UNIQUE (region, code))",
    "CREATE TABLE \"Sales \"\"Dept\"\"\".customers (id INTEGER PRIMARY KEY)",
    "CREATE TABLE \"Sales \"\"Dept\"\"\".\"Order Lines\" (\"Line No\" INTEGER PRIMARY KEY, cust INTEGER, "
    "\"Code\" INTEGER, \"Region\" TEXT, local INTEGER, "
    "CONSTRAINT \"to \"\"public\"\" customers\" FOREIGN KEY (\"Code\", \"Region\") REFERENCES public.customers (code, region), "
    "CONSTRAINT \"same schema\" FOREIGN KEY (local) REFERENCES \"Sales \"\"Dept\"\"\".customers)",
    "CREATE TABLE orders (id INTEGER PRIMARY KEY, customer INTEGER CONSTRAINT orders_customer REFERENCES customers)",
    // A key to a partitioned table: PostgreSQL adds one to each partition; only the declared one is read.
    "CREATE TABLE events (id INTEGER, kind INTEGER, PRIMARY KEY (id, kind)) PARTITION BY LIST (kind)",
    "CREATE TABLE events_one PARTITION OF events FOR VALUES IN (1)",
    "CREATE TABLE events_two PARTITION OF events FOR VALUES IN (2)",
    "CREATE TABLE notes (event INTEGER, kind INTEGER, CONSTRAINT notes_event FOREIGN KEY (event, kind) REFERENCES events)",
};

const QStringList kPostgresExpected{
    "[Sales \"Dept\"].[Order Lines](Code, Region) -> [public].[customers](code, region)",
    "[Sales \"Dept\"].[Order Lines](local) -> [Sales \"Dept\"].[customers](id)",
    "[public].[notes](event, kind) -> [public].[events](id, kind)",
    "[public].[orders](customer) -> [public].[customers](id)",
};

}  // namespace

TEST(ForeignKeys, SqliteSampleDeclaresEightKeysNamedAsTheCatalogueNamesTables) {
    Connection c;
    c.Open(sampleConnectionString());
    const auto keys = c.ForeignKeys();
    EXPECT_EQ(describe(*keys), kSampleKeys);
    expectTablesInCatalogue(c, *keys);
    for (const ForeignKey& k : *keys)
        EXPECT_TRUE(k.name.isEmpty() && k.referencingSchema.isEmpty() && k.referencedSchema.isEmpty());
}

TEST(ForeignKeys, ReadOncePerCatalogueReadAndNotOnAClosedConnection) {
    QTemporaryDir dir;
    Connection c;
    EXPECT_EQ(errorOf([&] { c.ForeignKeys(); }).number(), ErrorNumber::ObjectClosed);
    c.Open(QStringLiteral("Provider=SQLite;Data Source=") + copyOfSample(dir));
    const auto first = c.ForeignKeys();
    ASSERT_EQ(first->size(), 8u);
    c.Execute(QStringLiteral("CREATE TABLE Returns (OrderID INTEGER REFERENCES Orders(OrderID))"));
    EXPECT_EQ(c.ForeignKeys(), first) << "kept until the catalogue is read again";
    c.OpenSchema(Connection::SchemaTables);
    const auto second = c.ForeignKeys();
    EXPECT_EQ(second->size(), 9u);
    EXPECT_TRUE(describe(*second).contains("[Returns](OrderID) -> [Orders](OrderID)"));
    EXPECT_EQ(first->size(), 8u) << "keys given before stay as they were";
    c.Close();
    EXPECT_EQ(errorOf([&] { c.ForeignKeys(); }).number(), ErrorNumber::ObjectClosed);
    EXPECT_EQ(describe(*second).size(), 9) << "and outlive the connection's open state";
}

TEST(ForeignKeys, SqliteCompositeQuotedAndOmittedColumnsResolveToThePrimaryKey) {
    QTemporaryDir dir;
    const QString file = newSqliteDatabase(dir);
    Connection c;
    c.Open(QStringLiteral("Provider=SQLite;Data Source=") + file);
    EXPECT_EQ(describe(*c.ForeignKeys()), kSqliteExpected);
    expectTablesInCatalogue(c, *c.ForeignKeys());
}

TEST(ForeignKeys, PostgresCompositeKeysAcrossSchemasWithQuotedNames) {
    const QString pg = newPostgresDatabase(QStringLiteral("lorvane_foreign_keys"));
    ASSERT_FALSE(pg.isEmpty());
    Connection c;
    c.Open(pg);
    for (const char* sql : kPostgresKeys)
        c.Execute(QString::fromUtf8(sql));
    c.OpenSchema(Connection::SchemaTables);
    EXPECT_EQ(sorted(describe(*c.ForeignKeys(), false)), kPostgresExpected);
    QStringList names;
    for (const ForeignKey& k : *c.ForeignKeys())
        names << k.name;
    EXPECT_EQ(sorted(names), QStringList({"notes_event", "orders_customer", "same schema", "to \"public\" customers"}));
    expectTablesInCatalogue(c, *c.ForeignKeys());
    // The server's own count of declared keys.
    EXPECT_EQ(psqlCli(pg, QStringLiteral("SELECT count(*) FROM pg_constraint WHERE contype = 'f' AND conparentid = 0")),
              QString::number(c.ForeignKeys()->size()));
}

TEST(ForeignKeys, MariaDbCompositeKeysQuotedNamesAndAKeyToAnotherDatabase) {
    const QString cs = newMariaDbDatabase(QStringLiteral("lorvane_keys"));
    ASSERT_FALSE(cs.isEmpty());
    Connection c;
    c.Open(cs);
    c.Execute(QStringLiteral("DROP DATABASE IF EXISTS `lorvane keys other`"));
    c.Execute(QStringLiteral("CREATE DATABASE `lorvane keys other`"));
    c.Execute(QStringLiteral("CREATE TABLE `lorvane keys other`.regions (id INT PRIMARY KEY) ENGINE=InnoDB"));
    c.Execute(QStringLiteral("CREATE TABLE `Parent ``Q`` Table` (a INT, `b col` VARCHAR(10), c INT UNIQUE, "
                             "PRIMARY KEY (`b col`, a)) ENGINE=InnoDB"));
    c.Execute(QStringLiteral(
        "CREATE TABLE `child's` (x INT, `y y` VARCHAR(10), z INT, region INT, "
        "CONSTRAINT `pair \"key\"` FOREIGN KEY (`y y`, x) REFERENCES `Parent ``Q`` Table` (`b col`, a), "
        "CONSTRAINT single FOREIGN KEY (z) REFERENCES `Parent ``Q`` Table` (c), "
        "CONSTRAINT elsewhere FOREIGN KEY (region) REFERENCES `lorvane keys other`.regions (id)) ENGINE=InnoDB"));
    // A table whose name differs from another's only in case.
    c.Execute(QStringLiteral("CREATE TABLE `CHILD'S` (z INT, CONSTRAINT single2 FOREIGN KEY (z) REFERENCES "
                             "`Parent ``Q`` Table` (c)) ENGINE=InnoDB"));
    c.OpenSchema(Connection::SchemaTables);
    EXPECT_EQ(describe(*c.ForeignKeys()),
              QStringList({"single2: [lorvane_keys].[CHILD'S](z) -> [lorvane_keys].[Parent `Q` Table](c)",
                           "elsewhere: [lorvane_keys].[child's](region) -> [lorvane keys other].[regions](id)",
                           "pair \"key\": [lorvane_keys].[child's](y y, x) -> [lorvane_keys].[Parent `Q` Table](b col, a)",
                           "single: [lorvane_keys].[child's](z) -> [lorvane_keys].[Parent `Q` Table](c)"}));
    c.Execute(QStringLiteral("DROP TABLE `child's`"));
    c.Execute(QStringLiteral("DROP DATABASE `lorvane keys other`"));
}

TEST(ForeignKeys, OdbcToSqliteGivesWhatTheSqliteProviderGives) {
    Connection odbc;
    odbc.Open(odbcConnectionStringFor(sampleDatabasePath()));
    ASSERT_EQ(odbc.DriverName(), "QODBC");
    EXPECT_EQ(sorted(describe(*odbc.ForeignKeys(), false)), sorted(kSampleKeys));
    expectTablesInCatalogue(odbc, *odbc.ForeignKeys());

    // Referenced tables and columns in the catalogue's spelling, and the primary key of a key
    // declared without columns. SQLite's ODBC driver numbers a primary key's columns in table
    // order (its KEY_SEQ), not in key order: the pairing of that one key is left unchecked.
    QTemporaryDir dir;
    Connection keys;
    keys.Open(odbcConnectionStringFor(newSqliteDatabase(dir)));
    QStringList found = describe(*keys.ForeignKeys(), false);
    const QString toPrimary = "[child's](y y, x) -> [Parent \"Q\" Table](";
    QStringList expected = kSqliteExpected;
    expected.removeIf([&](const QString& k) { return k.startsWith(toPrimary); });
    const qsizetype before = found.size();
    found.removeIf([&](const QString& k) {
        return k == toPrimary + "b col, a)" || k == toPrimary + "a, b col)";
    });
    EXPECT_EQ(found.size(), before - 1) << "the key to the primary key, with its two columns";
    EXPECT_EQ(sorted(found), sorted(expected));
}

TEST(ForeignKeys, OdbcToPostgresGivesWhatThePostgresProviderGives) {
    const QString pg = newPostgresDatabase(QStringLiteral("lorvane_odbc_foreign_keys"));
    ASSERT_FALSE(pg.isEmpty());
    Connection native;
    native.Open(pg);
    for (const char* sql : kPostgresKeys)
        native.Execute(QString::fromUtf8(sql));
    Connection odbc;
    odbc.Open(odbcConnectionStringForPostgres(pg));
    ASSERT_EQ(odbc.DriverName(), "QODBC");
    // The driver also gives the copies PostgreSQL keeps of a key to a partitioned table, one to
    // each partition (with names of their own); they join as the declared key does.
    const QStringList copies{"[public].[notes](event, kind) -> [public].[events_one](id, kind)",
                             "[public].[notes](event, kind) -> [public].[events_two](id, kind)"};
    QStringList declared;
    for (const ForeignKey& k : *odbc.ForeignKeys())
        if (!copies.contains(describe(k, false)))
            declared << describe(k);
    EXPECT_EQ(sorted(declared), sorted(describe(*native.ForeignKeys())));
    EXPECT_EQ(sorted(describe(*odbc.ForeignKeys(), false)), sorted(kPostgresExpected + copies));
}
