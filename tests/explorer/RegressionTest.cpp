// Failures the explorer found, shrunk to the actions that reach them, replayed on a fresh
// window: each must now pass (or fail only as the known fault it was filed under, while that
// fault is listed).
#include "explorer/Explorer.h"
#include "explorer/ExplorerDatabases.h"
#include "explorer/KnownFaults.h"

#include <gtest/gtest.h>

using namespace lorvane::explorer;

namespace {

// A shrunk list replays on a fresh window. While the fault it was filed under is listed it must
// still fail as that fault (a list that no longer reaches it says so: the fault is fixed, or the
// window changed under the list); once the entry is removed it must pass.
void replayRegression(const QString& driver, const char* listedAs, const char* list) {
    DatabaseSetup setup;
    const Database db = setup.open(driver);
    ASSERT_FALSE(db.connectionString.isEmpty()) << setup.error().toStdString();
    Explorer ex(db, QStringLiteral(LORVANE_CLI_PATH));
    const QList<Action> actions = parseActionList(QString::fromUtf8(list));
    ASSERT_FALSE(actions.isEmpty());
    const Outcome o = ex.replay(actions);
    const QString listed = QString::fromLatin1(listedAs);
    bool stillListed = false;
    for (const KnownFault& k : knownFaults())
        stillListed = stillListed || listed == QLatin1String(k.id);
    if (!stillListed) {
        EXPECT_FALSE(o.failure.has_value()) << describe(db, 0, *o.failure, actions).toStdString();
        return;
    }
    ASSERT_TRUE(o.failure.has_value()) << "the list no longer fails: if " << listedAs
                                       << " is fixed, remove it from the known faults";
    EXPECT_EQ(o.failure->known, listed) << describe(db, 0, *o.failure, actions).toStdString();
}

}  // namespace

// DISTINCT ticked with no output field wrote "SELECT DISTINCT " and a FROM clause, and the run
// sent it to the database; it is refused like the same statement without DISTINCT.
TEST(ExplorerRegression, DistinctWithoutAnOutputFieldIsRefusedLikeAnyEmptySelectList) {
    replayRegression(QStringLiteral("sqlite-sample"), "", R"(["addTable","Orders"]
["distinct"])");
}

// Products joined to [Order Details] (then Orders) and to Suppliers (then Customers): taking
// Products out left "JOIN Customers ON Suppliers.Country = ..." after a chain that no longer held
// Suppliers. The joins that cannot reach the chain go; their tables stay, listed after it.
TEST(ExplorerRegression, ATableRemovedFromTheMiddleOfAJoinChainLeavesOnlyJoinsThatReachIt) {
    replayRegression(QStringLiteral("sqlite-sample"), "", R"lst(["addTable","Products"]
["addTable","[Order Details]"]
["addTable","Orders"]
["addTable","Suppliers"]
["addTable","Customers"]
["addJoin","Products","[Order Details]","chosen","Products.ProductID","[Order Details].ProductID","Inner: matching rows only"]
["addJoin","[Order Details]","Orders","chosen","[Order Details].OrderID","Orders.OrderID","Inner: matching rows only"]
["addJoin","Products","Suppliers","chosen","Products.SupplierID","Suppliers.SupplierID","Inner: matching rows only"]
["addJoin","Suppliers","Customers","chosen","Suppliers.Country","Customers.Country","Inner: matching rows only"]
["removeTable","Products"]
["page","3"])lst");
}

TEST(ExplorerRegression, Issue22Item1ACalculatedFieldNamingARemovedTableOnSqliteNames) {
    // sqlite-names seed 2007, shrunk: a calculated field over fields of two tables stayed when
    // one of them left the query.
    replayRegression(QStringLiteral("sqlite-names"), "item 1", R"lst(["addAllTables"]
["addJoin","customers","orders","chosen","customers.customer_id","orders.required_date","Left outer: every row of customers"]
["removeTable","[Customer List]"]
["calcField","field op field","freight","-","[Customer ID]","calc","n"]
["removeAllTables"]
["addTable","[Order's]"]
["calcField","total"])lst");
}

TEST(ExplorerRegression, Issue22Item5OnSqliteSample) {
    // sqlite-sample seed 1000, shrunk.
    replayRegression(QStringLiteral("sqlite-sample"), "item 5", R"lst(["addTable","Customers"]
["ordering","*","ASC"]
["addTable","Orders"]
["removeTable","Customers"]
["addField","Orders.ShipVia"]
["keypad","0","Orders.OrderDate","cmdEquals cmdApos t:Lyon cmdApos","cmdCriteriaCancel"])lst");
}

TEST(ExplorerRegression, Issue22Item7OnSqliteSample) {
    // sqlite-sample seed 1029, shrunk.
    replayRegression(QStringLiteral("sqlite-sample"), "item 7", R"lst(["addTable","Customers"]
["criterion","CustomerID","DOES NOT CONTAIN","typed","Lyon"]
["grouping","City","MIN","Yes"]
["gridCell","0","Customers.CustomerID"," "])lst");
}

TEST(ExplorerRegression, Issue22Item9OnSqliteSample) {
    // sqlite-sample seed 1083, shrunk.
    replayRegression(QStringLiteral("sqlite-sample"), "item 9", R"lst(["addTable","Suppliers"]
["distinct"]
["grouping","*","COUNT","Yes"])lst");
}

TEST(ExplorerRegression, Issue22Item13OnSqliteSample) {
    // sqlite-sample seed 1002, shrunk.
    replayRegression(QStringLiteral("sqlite-sample"), "item 13", R"lst(["addTable","Orders"]
["gridCell","0","Orders.RequiredDate","12/31/2023"])lst");
}

TEST(ExplorerRegression, ReportedAOnSqliteNames) {
    // sqlite-names seed 1033, shrunk.
    replayRegression(QStringLiteral("sqlite-names"), "new A", R"lst(["addTable","customers"]
["addTable","orders"]
["removeTable","orders"]
["allFields","add"]
["removeAllTables"]
["saveAndReopen"]
["addTable","customers"]
["addJoin","[Order's]","[LINE Items]","matched","="])lst");
}

TEST(ExplorerRegression, ReportedDOnPostgres) {
    // postgres seed 1009, shrunk.
    replayRegression(QStringLiteral("postgres"), "new D", R"lst(["addTable","\"Customer List\""]
["allFields","add"]
["criterion","\"Customer ID\"","CONTAINS","typed","12/31/2023"])lst");
}

TEST(ExplorerRegression, ReportedEOnPostgres) {
    // postgres seed 1039, shrunk.
    replayRegression(QStringLiteral("postgres"), "new E", R"lst(["addTable","customers"]
["criterion","credit_limit",">","typed","Sand and Sea"]
["addField","customers.company"]
["addTable","\"LINE Items\""])lst");
}

TEST(ExplorerRegression, ReportedGOnPostgres) {
    // postgres seed 1012, shrunk.
    replayRegression(QStringLiteral("postgres"), "new G", R"lst(["addTable","\"Customer List\""]
["calcField","field op field","\"Company Name\"","/","\"Credit Limit\"","Line Total","n"])lst");
}

TEST(ExplorerRegression, ReportedHOnPostgres) {
    // postgres seed 1062, shrunk.
    replayRegression(QStringLiteral("postgres"), "new H", R"lst(["addTable","\"LINE Items\""]
["addField","\"LINE Items\".\"Product\""]
["ordering","\"Qty\"","ASC"]
["distinct"])lst");
}

TEST(ExplorerRegression, ReportedHOrderedAfterDistinctOnPostgres) {
    // postgres seed 38, shrunk.
    replayRegression(QStringLiteral("postgres"), "new H", R"lst(["addTable","orders"]
["distinct"]
["calcField","field op number","freight","*"," 100","X","n"]
["ordering","required_date","DESC"])lst");
}

TEST(ExplorerRegression, ReportedIOnPostgres) {
    // postgres seed 1011, shrunk.
    replayRegression(QStringLiteral("postgres"), "new I", R"lst(["addTable","customers"]
["grouping","customer_id","AVG","Yes"]
["ordering","customer_id","ASC"])lst");
}

TEST(ExplorerRegression, ReportedIOrAcrossATotalOnPostgres) {
    // postgres seed 166, shrunk: a criterion ORed with a total's on a field not grouped.
    replayRegression(QStringLiteral("postgres"), "new I", R"lst(["addTable","\"LINE Items\""]
["grouping","\"Unit Price\"","SUM","Yes"]
["gridCell","0","SUMOFUnitPrice","42"]
["criterion","\"Product\"","BETWEEN","typed","12/31/2023","typed","A%","OR"])lst");
}

TEST(ExplorerRegression, ReportedITypedIntoTheGridOnPostgres) {
    // postgres seed 263, shrunk: the total's cell typed on a line ORed with a field not grouped.
    replayRegression(QStringLiteral("postgres"), "new I", R"lst(["addTable","customers"]
["grouping","*","COUNT","Yes"]
["criterion","credit_limit","<=","picked","2500.5","default"]
["gridCell","1","customers.city","is null"]
["gridCell","0","COUNTOFAllRows","Between 2020-01-01 And 2020-12-31"])lst");
}

TEST(ExplorerRegression, Issue22Item6OnSqliteSample) {
    // sqlite-sample seed 1022, shrunk.
    replayRegression(QStringLiteral("sqlite-sample"), "item 6", R"lst(["addTable","[Current Product List]"]
["calcField","function","ROUND(","ProductName","calc","n"]
["grouping","calc","MAX","Yes"])lst");
}

TEST(ExplorerRegression, ReportedBOnSqliteNames) {
    // sqlite-names seed 214, shrunk.
    replayRegression(QStringLiteral("sqlite-names"), "new B", R"lst(["addTable","orders"]
["criterion","ship_city","IS NULL"]
["criterion","order_date","=","typed","42","OR"]
["gridCell","1","orders.order_id","it''s"]
["grouping","required_date","MIN","Yes"])lst");
}

TEST(ExplorerRegression, ReportedCOnPostgres) {
    // postgres seed 24, shrunk.
    replayRegression(QStringLiteral("postgres"), "new C", R"lst(["addTable","orders"]
["grouping","ship_city","SUM","Yes"])lst");
}

TEST(ExplorerRegression, ReportedBThroughTheKeypadOnSqliteSample) {
    // sqlite-sample seed 9062, shrunk.
    replayRegression(QStringLiteral("sqlite-sample"), "new B", R"lst(["addTable","Orders"]
["grouping","ShipCity","MAX","Yes"]
["keypad","0","Orders.RequiredDate","t:it''s","cmdCriteriaOK"])lst");
}

TEST(ExplorerRegression, ReportedFOnPostgres) {
    // postgres seed 9043, shrunk.
    replayRegression(QStringLiteral("postgres"), "new F", R"lst(["addAllTables"]
["addJoin","\"LINE Items\"","\"Order's\"","matched","Inner: matching rows only"]
["addJoin","\"LINE Items\"","orders","chosen","\"LINE Items\".\"OrderID\"","orders.order_date","Inner: matching rows only"]
["addJoin","\"Order's\"","\"Customer List\"","matched","Inner: matching rows only"]
["addJoin","\"Customer List\"","customers","chosen","\"Customer List\".\"Credit Limit\"","customers.customer_id","Left outer: every row of \"Customer List\""]
["calcField","two lines","\"Qty\"","Line Total","n"])lst");
}

TEST(ExplorerRegression, ReportedJOnSqliteSample) {
    // sqlite-sample seed 9080, shrunk.
    replayRegression(QStringLiteral("sqlite-sample"), "new J", R"lst(["addTable","Employees"]
["gridCell","0","Employees.LastName","< '2023-06-30 12:00:00'"]
["addTable","Customers"]
["addJoin","Customers","Employees","chosen","Customers.City","Employees.FirstName","Left outer: every row of Customers"]
["criterion","ContactName","CONTAINS","typed","2023-01-01 17:43:00","default"]
["saveAndReopen"])lst");
}

TEST(ExplorerRegression, ReportedLOnSqliteNames) {
    // sqlite-names seed 9010, shrunk.
    replayRegression(QStringLiteral("sqlite-names"), "new L", R"lst(["addTable","customers"]
["addTable","orders"]
["addJoin","orders","customers","matched","Inner: matching rows only"]
["saveAndReopen"])lst");
}

TEST(ExplorerRegression, ReportedKOnPostgres) {
    // postgres, a long run's failure, shrunk.
    replayRegression(QStringLiteral("postgres"), "new K", R"lst(["addTable","orders"]
["keypad","0","orders.required_date","cmdBetween t:  cmd1 cmd5 cmd5 t:  cmdAnd t:  cmd7","cmdCriteriaOK"]
["calcField","function","ABS(","order_id","Total \"gross\"","n"])lst");
}

TEST(ExplorerRegression, ReportedMOnSqliteNames) {
    // sqlite-names seed 54, shrunk.
    replayRegression(QStringLiteral("sqlite-names"), "new M", R"lst(["addTable","[LINE Items]"]
["gridCell","0","[LINE Items].Product","=Lyon"]
["addField","[LINE Items].Product"]
["keypad","1","[LINE Items].[Unit Price]","cmdLike t:  cmdApos t:A cmdWildCard1 cmdApos","cmdCriteriaCancel"])lst");
}

TEST(ExplorerRegression, ReportedNOnPostgres) {
    // postgres seed 5108, shrunk.
    replayRegression(QStringLiteral("postgres"), "new N", R"lst(["addTable","orders"]
["grouping","ship_city","MAX","Yes"]
["criterion","MAXOFship_city","=","typed","100"])lst");
}

TEST(ExplorerRegression, ReportedOOnPostgres) {
    // postgres seed 5598, shrunk.
    replayRegression(QStringLiteral("postgres"), "new O", R"lst(["addTable","orders"]
["grouping","order_id","SUM","No"]
["calcField","typed aggregate","sum(","SUM(orders.order_id)",")","Net's","n"])lst");
}

// postgres seed 5020, shrunk: lines ORed on a field that was then grouped went whole into HAVING
// beside a field not grouped. With no total among them, they go whole into WHERE, where the
// grouped field's criterion means the same.
TEST(ExplorerRegression, OrLinesThenAGroupingGoWholeIntoWhereOnPostgres) {
    replayRegression(QStringLiteral("postgres"), "", R"lst(["addTable","\"Order's\""]
["gridCell","0","\"Order's\".\"Ship \"\"City\"\"\"","Notable"]
["saveAndReopen"]
["removeAllTables"]
["addTable","\"Order's\""]
["gridCell","0","\"Order's\".\"Order Date\"","2020-03-15"]
["criterion","\"Ship \"\"City\"\"\"","IS NULL","default"]
["grouping","\"Order's\".\"Order Date\"","GROUP BY","Yes"])lst");
}

// postgres seed 5008, shrunk: a criterion on a calculated field was written without the type its
// expression gives ("ROUND(...) = '_'"); it is now checked as a number, as on a number column.
TEST(ExplorerRegression, ACriterionOnACalculatedFieldFollowsTheTypeItGivesOnPostgres) {
    replayRegression(QStringLiteral("postgres"), "", R"lst(["addTable","\"Customer List\""]
["calcField","function","ROUND(","\"Credit Limit\"","calc","n"]
["criterion","\"Customer ID\"",">","picked","1"]
["keypad","1","calc","cmdBetween t:\u00a0 cmd1 t:\u00a0 cmdAnd t:\u00a0 cmd9","cmdCriteriaOK"]
["gridCell","2","calc","_"])lst");
}

// postgres seed 10940, shrunk: the lowest of a calculated number was compared with CONTAINS
// ("MIN(...) LIKE '%...%'"); a total's type follows the calculated field it is over.
TEST(ExplorerRegression, ATotalOverACalculatedFieldHasTheFieldsTypeOnPostgres) {
    replayRegression(QStringLiteral("postgres"), "", R"lst(["addTable","\"LINE Items\""]
["calcField","field op number","\"OrderID\"","+","2","calc","n"]
["grouping","calc","MIN","Yes"]
["criterion","MINOFcalc","CONTAINS","typed","'quoted'"])lst");
}

// postgres seed 20327, shrunk: a date minus a date is an interval on PostgreSQL, which the
// builder read as text, so a typed word went quoted into the statement and the server refused
// it. Values of types the builder has no literal for are now read by the database first.
TEST(ExplorerRegression, AValueOfATypeOnlyTheDatabaseReadsIsCheckedByItOnPostgres) {
    replayRegression(QStringLiteral("postgres"), "", R"lst(["addTable","\"Order's\""]
["calcField","field op field","\"Order Date\"","-","\"Order Date\"","SUMOFFreight","n"]
["criterion","SUMOFFreight",">=","typed","Betweenness","AND"])lst");
}
