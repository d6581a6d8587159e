// Joins proposed from the foreign keys a database declares: adding tables joins them as a user
// would on the join page, the statement and rows are the same, and the host can turn it off.
#include "BuilderFixture.h"
#include "builder/JoinPage.h"
#include "builder/JoinsGridModel.h"
#include "shared/BuilderSettings.h"

#include <QAbstractItemModelTester>

namespace lorvane::test {
namespace {

struct Built {
    QString statement;
    QStringList rows;
};

class ProposedJoins : public BuilderWindow {
protected:
    void SetUp() override {
        BuilderWindow::SetUp();
        component->setVLNAutoJoinForeignKeys(true);
    }
    void open(const QString& connection, bool proposals) {
        if (Lorvanev2::builderWindow())
            component->VLNCloseLorvane(false);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        component->setVLNAutoJoinForeignKeys(proposals);
        connectAndShow(connection);
    }
    int joinRows() { return find<QTableView>("dgrJoins")->model()->rowCount(); }
    // Every field output, run: the statement shown and the rows the host received, sorted.
    Built outputAndRun() {
        goToPage(frmQDM::SelectFields);
        click("cmdTPXFieldRightAll");
        goToPage(frmQDM::BuildQuery);
        Built b;
        b.statement = sqlText();
        executed->clear();
        click("cmdRunQuery");
        if (executed->count() != 1) {
            ADD_FAILURE() << "the run raised " << executed->count() << " QueryExecuted events";
            return b;
        }
        b.rows = rowsOf(executed->takeFirst()[3].value<std::shared_ptr<RecordSet>>().get());
        b.rows.sort();
        return b;
    }
    // The three tables of an order with its customer and its lines, joined on their keys by
    // adding them, and the same query joined by hand on the join page.
    void threeTablesAsByHand(const QString& connection, const QString& customers, const QString& orders,
                             const QString& lines, const QString& said) {
        open(connection, true);
        for (const QString& t : {customers, orders, lines})
            addTable(t);
        goToPage(frmQDM::BuildJoins);
        EXPECT_EQ(w->statusText(), said);
        EXPECT_EQ(joinRows(), 2);
        // Every table is joined: the query can be built on at once.
        EXPECT_TRUE(w->tabs()->isTabEnabled(frmQDM::SelectFields));
        const Built proposed = outputAndRun();

        open(connection, false);
        for (const QString& t : {customers, orders, lines})
            addTable(t);
        goToPage(frmQDM::BuildJoins);
        EXPECT_EQ(joinRows(), 0) << "proposed with the switch off";
        EXPECT_FALSE(w->tabs()->isTabEnabled(frmQDM::SelectFields));
        EXPECT_FALSE(w->statusText().contains("foreign key"));
        joinOnPage(customers, orders);
        joinOnPage(orders, lines);
        const Built byHand = outputAndRun();

        EXPECT_EQ(proposed.statement, byHand.statement);
        EXPECT_TRUE(proposed.statement.contains("INNER JOIN")) << proposed.statement.toStdString();
        EXPECT_FALSE(proposed.rows.isEmpty());
        // Thousands of rows: said by count, not printed.
        EXPECT_TRUE(proposed.rows == byHand.rows) << proposed.rows.size() << " rows proposed, " << byHand.rows.size() << " by hand";
    }
};

TEST_F(ProposedJoins, OnTheSampleAddingCustomersOrdersAndLinesJoinsThemAsByHand) {
    threeTablesAsByHand(test::sampleConnectionString(), "Customers", "Orders", "[Order Details]",
                        "Joined on declared foreign keys: Customers.CustomerID = Orders.CustomerID; "
                        "Orders.OrderID = [Order Details].OrderID. Delete Join removes them.");
}

TEST_F(ProposedJoins, OnPostgresAddingTheTablesJoinsThemOnTheirKeysAsByHand) {
    const QString pg = test::newPostgresDatabase(QStringLiteral("lorvane_proposed_joins_test"));
    ASSERT_NE(test::psqlCli(pg, "CREATE TABLE \"Customers\" (\"CustomerID\" integer PRIMARY KEY, \"CompanyName\" text);"
                                "CREATE TABLE \"Orders\" (\"OrderID\" integer PRIMARY KEY,"
                                " \"CustomerID\" integer REFERENCES \"Customers\", \"Freight\" numeric(10,2));"
                                "CREATE TABLE \"Order Details\" (\"OrderID\" integer REFERENCES \"Orders\","
                                " \"Line\" integer, \"Quantity\" integer, PRIMARY KEY (\"OrderID\", \"Line\"));"
                                "INSERT INTO \"Customers\" VALUES (1, 'Lyon Foods'), (2, 'Nobody Ltd');"
                                "INSERT INTO \"Orders\" VALUES (10, 1, 12.5), (11, 1, 3);"
                                "INSERT INTO \"Order Details\" VALUES (10, 1, 4), (10, 2, 6), (11, 1, 1);"),
              "<error>");
    // PostgreSQL offers mixed-case names quoted.
    threeTablesAsByHand(pg, "\"Customers\"", "\"Orders\"", "\"Order Details\"",
                        "Joined on declared foreign keys: \"Customers\".\"CustomerID\" = \"Orders\".\"CustomerID\"; "
                        "\"Orders\".\"OrderID\" = \"Order Details\".\"OrderID\". Delete Join removes them.");
}

TEST_F(ProposedJoins, OnMariaDbAddingTheTablesJoinsThemOnTheirKeysAsByHand) {
    const QString db = test::newMariaDbDatabase(QStringLiteral("lorvane_proposed_joins_test"));
    ASSERT_NE(test::mariadbCli(db, "CREATE TABLE Customers (CustomerID int PRIMARY KEY, CompanyName text) ENGINE=InnoDB;"
                                   "CREATE TABLE Orders (OrderID int PRIMARY KEY, CustomerID int, Freight decimal(10,2),"
                                   " FOREIGN KEY (CustomerID) REFERENCES Customers (CustomerID)) ENGINE=InnoDB;"
                                   "CREATE TABLE `Order Details` (OrderID int, Line int, Quantity int,"
                                   " PRIMARY KEY (OrderID, Line), FOREIGN KEY (OrderID) REFERENCES Orders (OrderID))"
                                   " ENGINE=InnoDB;"
                                   "INSERT INTO Customers VALUES (1, 'Lyon Foods'), (2, 'Nobody Ltd');"
                                   "INSERT INTO Orders VALUES (10, 1, 12.5), (11, 1, 3);"
                                   "INSERT INTO `Order Details` VALUES (10, 1, 4), (10, 2, 6), (11, 1, 1);"),
              "<error>");
    // MariaDB offers a name with a blank in backquotes.
    threeTablesAsByHand(db, "Customers", "Orders", "`Order Details`",
                        "Joined on declared foreign keys: Customers.CustomerID = Orders.CustomerID; "
                        "Orders.OrderID = `Order Details`.OrderID. Delete Join removes them.");
}

// A composite key is one join with both conditions; a proposal is removed like a join made by
// hand, and only tables added afterwards are proposed again.
TEST_F(ProposedJoins, CompositeKeysJoinOnEveryColumnAndARemovedProposalStaysRemoved) {
    QTemporaryDir dir;
    const QString path = dir.filePath("keys.db");
    ASSERT_NE(test::sqliteCli(path, "CREATE TABLE Plant (Site text, Line integer, Name text, PRIMARY KEY (Site, Line));"
                                    "CREATE TABLE Shift (Id integer PRIMARY KEY, Site text, Line integer, Crew text,"
                                    " FOREIGN KEY (Site, Line) REFERENCES Plant (Site, Line));"
                                    "CREATE TABLE Crew (Name text PRIMARY KEY);"
                                    "INSERT INTO Plant VALUES ('A', 1, 'north'), ('A', 2, 'south'), ('B', 1, 'east');"
                                    "INSERT INTO Shift VALUES (1, 'A', 2, 'x'), (2, 'B', 1, 'y'), (3, 'B', 2, 'z');"),
              "<error>");
    open("Provider=SQLite;Data Source=" + path, true);
    addTable("Plant");
    addTable("Shift");
    goToPage(frmQDM::BuildJoins);
    ASSERT_EQ(joinRows(), 2);
    EXPECT_EQ(w->statusText(), "Joined on declared foreign keys: Plant.Site = Shift.Site and Plant.Line = Shift.Line. "
                               "Delete Join removes them.");
    auto* grid = find<QTableView>("dgrJoins");
    QAbstractItemModelTester tester(grid->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    const Built both = outputAndRun();
    EXPECT_TRUE(both.statement.contains("Plant.Site = Shift.Site") && both.statement.contains("AND Plant.Line = Shift.Line"))
        << both.statement.toStdString();
    // Shift 3 is on no plant; the others on exactly one.
    EXPECT_EQ(both.rows, (QStringList{"A|2|south|1|A|2|x", "B|1|east|2|B|1|y"}));

    goToPage(frmQDM::BuildJoins);
    prompts->answer(Prompts::Answer::Yes);
    click("cmdResetJoins");
    EXPECT_EQ(joinRows(), 0);
    goToPage(frmQDM::SelectTables);
    addTable("Crew");
    goToPage(frmQDM::BuildJoins);
    EXPECT_EQ(joinRows(), 0) << "a join the user removed came back";
    EXPECT_FALSE(sqlText().contains("JOIN")) << sqlText().toStdString();
}

}  // namespace
}  // namespace lorvane::test
