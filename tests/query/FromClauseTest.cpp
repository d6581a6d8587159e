#include "QueryFixture.h"

#include "query/FromClause.h"
#include "query/SelectList.h"

using namespace lorvane;
using namespace lorvane::test;

namespace {

void addJoinRow(RecordSet& joins, std::initializer_list<const char*> values) {
    joins.AddNew();
    int f = 0;
    for (const char* v : values)
        joins.SetValue(f++, QString::fromUtf8(v));
    joins.Update();
}

}  // namespace

TEST(FromClause, JoinTextOfTheThreeRowExampleCharacterForCharacter) {
    QueryHarness h;
    RecordSet& joins = h.state.rsJoins();
    addJoinRow(joins, {"Orders", "INNER JOIN", "Customers ON", "Orders.CustID", "=", "Customers.ID"});
    addJoinRow(joins, {"", "", "AND", "Orders.Region", "=", "Customers.Region"});
    addJoinRow(joins, {"", "LEFT OUTER JOIN", "Items ON", "Orders.ID", "=", "Items.OrderID"});
    FromClause(h.state).BuildJoinText();
    EXPECT_EQ(h.state.JoinText,
              "(( Orders INNER JOIN Customers ON Orders.CustID = Customers.ID AND Orders.Region = Customers.Region)"
              "  LEFT OUTER JOIN Items ON Orders.ID = Items.OrderID)");
}

TEST(FromClause, ALockedPairAddsAnAndRowWithoutAnotherParenthesis) {
    QueryHarness h;
    h.chooseTables({"Orders", "Order Details"});
    FromClause from(h.state);
    from.AddJoinCondition({"Orders", "[Order Details]", "Orders.OrderID", "[Order Details].OrderID", "="});
    from.AddJoinCondition({"Orders", "[Order Details]", "Orders.EmployeeID", "[Order Details].Quantity", "="});
    RecordSet& joins = h.state.rsJoins();
    ASSERT_EQ(joins.RecordCount(), 2);
    EXPECT_EQ(textAt(joins, 1, QueryState::JoinTableTo), "AND");
    EXPECT_EQ(textAt(joins, 1, QueryState::JoinKeyword), "");
    EXPECT_EQ(textAt(joins, 1, QueryState::JoinTableFrom), "");
    EXPECT_EQ(h.state.JoinText, "( Orders INNER JOIN [Order Details] ON Orders.OrderID = [Order Details].OrderID "
                                "AND Orders.EmployeeID = [Order Details].Quantity)");
    EXPECT_EQ(h.state.rsJoinFields().RecordCount(), 4);
    EXPECT_EQ(h.state.rsJoinTablesUsed().RecordCount(), 2);  // each table once
    h.state.TableList() = {"Orders", "[Order Details]"};
    h.state.SelectedTables = h.state.TableList();
    h.output({"Orders.OrderID"});
    const QString sql = h.rebuild();
    EXPECT_EQ(sql, "SELECT Orders.OrderID\r\nFROM " + h.state.JoinText + "\r\n");
    QueryHarness::expectPrepares(sql);
}

TEST(FromClause, SymbolsChooseKeywordsAndDescriptions) {
    EXPECT_EQ(FromClause::KeywordFor("="), "INNER JOIN");
    EXPECT_EQ(FromClause::KeywordFor(">="), "LEFT OUTER JOIN");
    EXPECT_EQ(FromClause::KeywordFor("<>"), "FULL OUTER JOIN");
    EXPECT_EQ(FromClause::DescriptionFor("=", "Orders", "Customers"),
              "[ONLY INCLUDE ROWS] where the Joined Fields from 'Orders' are [EQUAL] to the Fields from 'Customers'");
    EXPECT_EQ(FromClause::DescriptionFor(">=", "Orders", "Customers"),
              "Include [ALL RECORDS] from 'Orders' and [ONLY THOSE RECORDS] from 'Customers' where the Joined Fields "
              "are [EQUAL].");
    EXPECT_EQ(FromClause::DescriptionFor("<>", "Orders", "Customers"),
              "Include [ALL RECORDS] from 'Orders' and [ALL RECORDS] from 'Customers'");

    QueryHarness h;
    h.chooseTables({"Customers", "Orders"});
    h.output({"Customers.CompanyName"});
    FromClause(h.state).AddJoinCondition({"Customers", "Orders", "Customers.CustomerID", "Orders.CustomerID", "<>"});
    const QString sql = h.rebuild();
    EXPECT_EQ(sql, "SELECT Customers.CompanyName\r\nFROM ( Customers FULL OUTER JOIN Orders ON Customers.CustomerID = "
                   "Orders.CustomerID)\r\n");
    QueryHarness::expectPrepares(sql);
}

TEST(FromClause, TablesWithoutJoinsAreListedInSelectionOrder) {
    QueryHarness h;
    h.chooseTables({"Customers"});
    FromClause(h.state).GenerateFromClause();
    EXPECT_EQ(h.state.FromText, "FROM Customers");
    h.chooseTables({"Shippers", "Customers", "[Order Details]"});
    FromClause(h.state).GenerateFromClause();
    EXPECT_EQ(h.state.FromText, "FROM Shippers, Customers, [Order Details]");
}

TEST(FromClause, NoTableChosenLeavesFromUnchangedAndSelectEmpty) {
    QueryHarness h;
    h.state.FromText = QStringLiteral("FROM Before");
    h.state.SelectedTables.clear();
    FromClause(h.state).GenerateFromClause();
    SelectList(h.state).GenerateSelectList();
    EXPECT_EQ(h.state.FromText, "FROM Before");
    EXPECT_EQ(h.state.SelectText, "");
    // Without user table selection the host's tables are used as they stand.
    h.settings.VLNAllowTableSelection = false;
    h.state.TableList() = {"Customers"};
    FromClause(h.state).GenerateFromClause();
    EXPECT_EQ(h.state.FromText, "FROM Customers");
}

TEST(FromClause, OwnerQualifiedTablesCarryTheirOwnerAsAliasAndQuotedDotsStayInTheName) {
    QueryHarness h;
    h.state.TableList() = {"main.Orders", "[main.Order Details]", "Shippers"};
    h.state.SelectedTables = h.state.TableList();
    FromClause from(h.state);
    from.GenerateFromClause();
    EXPECT_EQ(h.state.FromText, "FROM main.Orders main, [main.Order Details], Shippers");
    from.AddJoinCondition({"main.Orders", "[main.Order Details]", "main.OrderID", "[main.Order Details].OrderID", "="});
    EXPECT_EQ(textAt(h.state.rsJoins(), 0, QueryState::JoinTableFrom), "main.Orders main");
    EXPECT_EQ(textAt(h.state.rsJoins(), 0, QueryState::JoinTableTo), "[main.Order Details] ON");
}

// One join at a time: removing the first join of a chain hands its left table to the next,
// a join that reached the chain only through the removed one goes with it, a type change
// and a further condition touch only their own join; every result prepares on the sample.
TEST(FromClause, OneJoinIsRemovedRetypedOrExtendedAndTheChainStaysOne) {
    auto chain = [](QueryHarness& h) {
        h.chooseTables({"Customers", "Orders", "Order Details", "Products"});
        h.state.TableList() = {"Customers", "Orders", "[Order Details]", "Products"};
        h.state.SelectedTables = h.state.TableList();
        FromClause from(h.state);
        for (const JoinRequest& r :
             {JoinRequest{"Customers", "Orders", "Customers.CustomerID", "Orders.CustomerID", "="},
              JoinRequest{"Orders", "[Order Details]", "Orders.OrderID", "[Order Details].OrderID", "="},
              JoinRequest{"[Order Details]", "Products", "[Order Details].ProductID", "Products.ProductID", "="}}) {
            from.AddJoinCondition(r);
            h.state.rsJoinFields().MoveFirst();
            while (h.state.rsJoinFields().RecordCount() > 0) {
                h.state.rsJoinFields().MoveFirst();
                h.state.rsJoinFields().Delete();
            }
        }
        h.output({"Orders.OrderID"});
    };
    {
        QueryHarness h;
        chain(h);
        ASSERT_EQ(FromClause(h.state).Conditions().size(), 3u);
        ASSERT_TRUE(FromClause(h.state).RemoveJoinGroup(0));
        const QString sql = h.rebuild();
        EXPECT_EQ(sql, "SELECT Orders.OrderID\r\nFROM (( Orders INNER JOIN [Order Details] ON Orders.OrderID = "
                       "[Order Details].OrderID)  INNER JOIN Products ON [Order Details].ProductID = "
                       "Products.ProductID), Customers\r\n");
        QueryHarness::expectPrepares(sql);
    }
    {
        QueryHarness h;
        chain(h);
        // Without Orders-[Order Details], Products no longer reaches the chain.
        ASSERT_TRUE(FromClause(h.state).RemoveJoinGroup(1));
        const QString sql = h.rebuild();
        EXPECT_EQ(sql, "SELECT Orders.OrderID\r\nFROM ( Customers INNER JOIN Orders ON Customers.CustomerID = "
                       "Orders.CustomerID), [Order Details], Products\r\n");
        QueryHarness::expectPrepares(sql);
        EXPECT_FALSE(FromClause(h.state).RemoveJoinGroup(5));
    }
    {
        QueryHarness h;
        chain(h);
        ASSERT_TRUE(FromClause(h.state).SetJoinGroupType(1, ">="));
        ASSERT_TRUE(FromClause(h.state).AddConditionToGroup(2, "Orders.EmployeeID", "Products.SupplierID"));
        const std::vector<JoinCondition> c = FromClause(h.state).Conditions();
        ASSERT_EQ(c.size(), 4u);
        EXPECT_EQ(c[1].symbol, ">=");
        EXPECT_EQ(c[0].symbol, "=");
        EXPECT_EQ(c[3].group, 2);
        EXPECT_EQ(c[3].leftTable, "Orders");
        EXPECT_EQ(c[3].rightTable, "Products");
        const QString sql = h.rebuild();
        EXPECT_TRUE(sql.contains("LEFT OUTER JOIN [Order Details] ON")) << sql.toStdString();
        EXPECT_TRUE(sql.contains("Products.ProductID AND Orders.EmployeeID = Products.SupplierID)")) << sql.toStdString();
        QueryHarness::expectPrepares(sql);
    }
}
