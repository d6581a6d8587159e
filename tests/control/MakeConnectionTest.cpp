// VLNMakeConnection as a host uses it: outcomes arrive as ConnectionComplete, never as errors.
#include "shared/BuilderSettings.h"
#include "control/ConnectionManager.h"
#include "control/Lorvanev2.h"
#include "shared/clsField.h"
#include "shared/clsTable.h"
#include "platform/AdoTypes.h"
#include "platform/VLNError.h"
#include "support/TestDatabases.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace lorvane;

namespace {

class MakeConnection : public ::testing::Test {
protected:
    void SetUp() override { reset(); }
    void TearDown() override { reset(); }
    static void reset() { test::resetSharedState(); }
    struct Event {
        int number;
        QString description, source;
    };
    static std::vector<Event> events(const QSignalSpy& spy) {
        std::vector<Event> out;
        for (const auto& args : spy)
            out.push_back({args[0].toInt(), args[1].toString(), args[2].toString()});
        return out;
    }
    Lorvanev2 component;
    QSignalSpy complete{&component, &Lorvanev2::ConnectionComplete};
    QSignalSpy alreadyLoaded{&component, &Lorvanev2::VLNAlreadyLoaded};
};

}  // namespace

TEST_F(MakeConnection, ArgumentModeLoadsTheCatalogueAndReportsSuccess) {
    component.VLNMakeConnection(test::sampleConnectionString(), {}, {}, 7, 9, 25, false, {}, true);
    ASSERT_EQ(complete.count(), 1);
    EXPECT_EQ(events(complete)[0].number, 0);
    EXPECT_EQ(events(complete)[0].description, "");
    EXPECT_EQ(events(complete)[0].source, "");
    const BuilderSettings& s = BuilderSettings::shared();
    EXPECT_EQ(*s.TableList, (QStringList{"Categories", "Customers", "Employees", "[Order Details]", "Orders",
                                         "Products", "Shippers", "Suppliers", "[Current Product List]",
                                         "[Order Subtotals]"}));
    EXPECT_EQ(s.MaxRecords, 25);
    EXPECT_EQ(s.ConnectTimeout, 7);
    EXPECT_EQ(s.CommandTimeout, 9);
    EXPECT_TRUE(s.ActiveConnection->IsOpen());
    EXPECT_EQ(component.VLNActiveConnectionString(), test::sampleConnectionString());
    EXPECT_EQ(clsField::shared().FieldTypeOf("Orders.OrderDate"), AdoType::DBTimeStamp);
    EXPECT_EQ(clsField::shared().FieldNamesFor({"[Order Subtotals]"}),
              (QStringList{"[Order Subtotals].OrderID", "[Order Subtotals].Subtotal"}));

    // Without removing system tables, the system table is offered too.
    reset();
    complete.clear();
    component.VLNMakeConnection(test::sampleConnectionString());
    EXPECT_TRUE(BuilderSettings::shared().TableList->contains("sqlite_master"));
}

TEST_F(MakeConnection, ASecondArgumentModeConnectFailsAtTheFirstTableAlreadyPresent) {
    component.VLNMakeConnection(test::sampleConnectionString(), {}, {}, 0, 0, 0, false, {}, true);
    component.VLNMakeConnection(test::sampleConnectionString(), {}, {}, 0, 0, 0, false, {}, true);
    ASSERT_EQ(complete.count(), 2);
    const Event second = events(complete)[1];
    EXPECT_EQ(second.number, -2147220504);
    EXPECT_EQ(second.source, "Add Table");
    EXPECT_EQ(second.description, "Categories already exists in Table collection. Unable to add Table");
}

TEST_F(MakeConnection, OnlyAQueryNameOpensNothingAndRaisesNoEvent) {
    component.setVLNConnectionString(test::sampleConnectionString());
    component.VLNMakeConnection({}, {}, {}, 0, 0, 5, false, "C:/queries/Sales.vln");
    EXPECT_EQ(complete.count(), 0);
    const BuilderSettings& s = BuilderSettings::shared();
    EXPECT_TRUE(s.OpenQuery);
    EXPECT_EQ(s.QueryName, "C:/queries/Sales.vln");
    EXPECT_EQ(s.MaxRecords, 5);
    EXPECT_FALSE(s.ActiveConnection);
    // Unbound: nothing at all.
    component.setVLNConnectionString({});
    component.VLNMakeConnection();
    EXPECT_EQ(complete.count(), 0);
    EXPECT_FALSE(BuilderSettings::shared().OpenQuery);
}

TEST_F(MakeConnection, TheArgumentBeatsTheDesignTimeString) {
    component.setVLNConnectionString("Provider=SQLite;Data Source=/nonexistent.db");
    component.setVLNTableString("Shippers");
    component.VLNMakeConnection(test::sampleConnectionString(), {}, {}, 0, 0, 0, false, {}, true);
    ASSERT_EQ(complete.count(), 1);
    EXPECT_EQ(events(complete)[0].number, 0);
    EXPECT_GT(BuilderSettings::shared().TableList->size(), 1);
}

TEST_F(MakeConnection, DesignTimeModeTakesTheTableStringAndSkipsEmptyNames) {
    component.setVLNConnectionString(test::sampleConnectionString());
    component.setConnectionTimeout(11);
    component.setVLNCommandTimeout(12);
    component.setVLNTableString(";Shippers;;Order Details;");
    component.VLNMakeConnection({}, "ignored user", "ignored password", 1, 2);
    ASSERT_EQ(complete.count(), 1);
    EXPECT_EQ(events(complete)[0].number, 0);
    const BuilderSettings& s = BuilderSettings::shared();
    EXPECT_EQ(*s.TableList, (QStringList{"Shippers", "[Order Details]"}));
    EXPECT_EQ(s.ConnectTimeout, 11);
    EXPECT_EQ(s.CommandTimeout, 12);
    EXPECT_EQ(s.UserName, "");

    // An empty table string leaves the builder with no tables.
    complete.clear();
    component.setVLNTableString({});
    component.VLNMakeConnection();
    EXPECT_EQ(events(complete)[0].number, 0);
    EXPECT_EQ(clsTable::shared().Count(), 0);
}

TEST_F(MakeConnection, ADesignTimeTableTheDatabaseLacksStopsTheLoadingThere) {
    component.setVLNConnectionString(test::sampleConnectionString());
    component.setVLNTableString("Customers;Nope;Orders");
    component.VLNMakeConnection();
    ASSERT_EQ(complete.count(), 1);
    const Event e = events(complete)[0];
    EXPECT_EQ(e.number, -2147220503);
    EXPECT_EQ(e.source, "Add Table");
    EXPECT_EQ(e.description, "Nope is not a valid database Table. Unable to add Table");
    EXPECT_EQ(clsTable::shared().TableNames(), QStringList{"Customers"});
}

TEST_F(MakeConnection, ABadConnectionReportsTheDriversNumberDescriptionAndSource) {
    QTemporaryDir dir;
    component.VLNMakeConnection("Provider=SQLite;Data Source=" + dir.filePath("missing.db"));
    ASSERT_EQ(complete.count(), 1);
    const Event e = events(complete)[0];
    EXPECT_NE(e.number, 0);
    EXPECT_TRUE(e.description.contains("missing.db"));
    EXPECT_EQ(e.source, "QSQLITE");
    EXPECT_EQ(clsTable::shared().Count(), 0);

    complete.clear();
    component.VLNMakeConnection("Provider=ODBC;Driver=No Such Driver");
    ASSERT_EQ(complete.count(), 1);
    EXPECT_EQ(events(complete)[0].source, "QODBC");
    EXPECT_NE(events(complete)[0].number, 0);
}

TEST_F(MakeConnection, WhileTheBuilderIsLoadedOnlyAlreadyLoadedIsRaised) {
    BuilderSettings::shared().BuilderLoaded = true;
    component.VLNMakeConnection(test::sampleConnectionString(), {}, {}, 0, 0, 9, false, "x.vln");
    EXPECT_EQ(alreadyLoaded.count(), 1);
    EXPECT_EQ(complete.count(), 0);
    EXPECT_EQ(BuilderSettings::shared().MaxRecords, 0);
    EXPECT_EQ(BuilderSettings::shared().QueryName, "");
}

TEST_F(MakeConnection, DisconnectClosesAndKeepsTheCatalogue) {
    component.VLNDisconnectConnection();  // nothing to close: no error
    component.VLNMakeConnection(test::sampleConnectionString(), {}, {}, 0, 0, 0, false, {}, true);
    component.VLNDisconnectConnection();
    EXPECT_FALSE(BuilderSettings::shared().ActiveConnection->IsOpen());
    EXPECT_EQ(BuilderSettings::shared().TableList->size(), 10);
    EXPECT_GT(clsTable::shared().Count(), 0);
}

TEST_F(MakeConnection, SystemTablesFilterKeepsExactlyTableAndViewRows) {
    auto schema = std::make_shared<RecordSet>();
    schema->AppendField("TABLE_NAME", AdoType::VarWChar, 128);
    schema->AppendField("TABLE_TYPE", AdoType::VarWChar, 128);
    schema->Open();
    const QVariant rows[][2] = {{"A", "TABLE"}, {"B", "VIEW"}, {"C", "table"}, {"D", "SYSTEM TABLE"}, {"E", "SYNONYM"}};
    for (const auto& r : rows)
        schema->AppendRow(r);
    BuilderSettings::shared().TableSchema = schema;
    ConnectionManager().LoadTablesFromSchema(true);
    EXPECT_EQ(*BuilderSettings::shared().TableList, (QStringList{"A", "B"}));

    // A catalogue with no rows: the move to its first row fails.
    auto empty = std::make_shared<RecordSet>();
    empty->AppendField("TABLE_NAME", AdoType::VarWChar, 128);
    empty->AppendField("TABLE_TYPE", AdoType::VarWChar, 128);
    empty->Open();
    BuilderSettings::shared().TableSchema = empty;
    try {
        ConnectionManager().LoadTablesFromSchema(false);
        FAIL() << "expected an error";
    } catch (const VLNError& e) {
        EXPECT_EQ(e.number(), ErrorNumber::NoCurrentRecord);
    }
}

TEST_F(MakeConnection, PostgresCatalogueWithUserNameAndWithoutPassword) {
    const QString pg = test::newPostgresDatabase("lorvane_connect_test");
    ASSERT_FALSE(pg.isEmpty());
    {
        Connection setup;
        setup.Open(pg);
        setup.Execute("CREATE TABLE \"Order Lines\" (\"Line No\" integer, amount numeric(10,2), shipped date)");
        setup.Execute("CREATE TABLE Customers (id integer, name varchar(40))");
        setup.Execute("CREATE VIEW \"Big Lines\" AS SELECT * FROM \"Order Lines\" WHERE amount > 100");
    }
    QString withoutUser = pg;
    withoutUser.replace(";User ID=postgres", "");
    component.VLNMakeConnection(withoutUser, "postgres", "", 5, 5, 0, false, {}, true);
    ASSERT_EQ(complete.count(), 1);
    EXPECT_EQ(events(complete)[0].number, 0) << events(complete)[0].description.toStdString();
    EXPECT_EQ(BuilderSettings::shared().UserName, "postgres");
    // PostgreSQL's own quotes, for every name that is not plain there.
    EXPECT_EQ(*BuilderSettings::shared().TableList, (QStringList{"\"Order Lines\"", "customers", "\"Big Lines\""}));
    clsField& fields = clsField::shared();
    EXPECT_EQ(fields.FieldNamesFor({"\"Order Lines\""}),
              (QStringList{"\"Order Lines\".\"Line No\"", "\"Order Lines\".amount", "\"Order Lines\".shipped"}));
    EXPECT_EQ(fields.FieldTypeOf("\"Order Lines\".amount"), AdoType::Decimal);
    EXPECT_EQ(fields.FieldTypeOf("\"Order Lines\".shipped"), AdoType::DBDate);
    EXPECT_EQ(fields.FieldTypeOf("\"Big Lines\".amount"), AdoType::Decimal);
    // A host that names a table in the component's default brackets still finds it.
    clsTable::shared().Remove("[Big Lines]");
    EXPECT_EQ(clsTable::shared().TableNames(), (QStringList{"\"Order Lines\"", "customers"}));

    // The same name in a second schema cannot be offered twice: it is left out with a note in
    // the event, and every other table loads.
    {
        Connection setup;
        setup.Open(pg);
        setup.Execute("CREATE SCHEMA other");
        setup.Execute("CREATE TABLE other.customers (id integer)");
    }
    reset();
    complete.clear();
    component.VLNMakeConnection(pg, {}, {}, 5, 5, 0, false, {}, true);
    ASSERT_EQ(complete.count(), 1);
    EXPECT_EQ(events(complete)[0].number, 0);
    EXPECT_EQ(events(complete)[0].description, "Tables left out: customers (listed more than once)");
    // The catalogue lists schema "other" before "public".
    EXPECT_EQ(*BuilderSettings::shared().TableList, (QStringList{"customers", "\"Order Lines\"", "\"Big Lines\""}));

    // Without the filter the system catalogue is offered as well.
    reset();
    complete.clear();
    component.VLNMakeConnection(pg, {}, {}, 5, 5, 0, false, {}, false);
    EXPECT_EQ(events(complete)[0].number, 0);
    EXPECT_TRUE(BuilderSettings::shared().TableList->contains("pg_class"));
    EXPECT_GT(clsField::shared().FieldNamesFor({"pg_class"}).size(), 10);
}
