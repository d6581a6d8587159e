#include "QueryFixture.h"

#include "query/GroupOrder.h"
#include "query/SelectList.h"

using namespace lorvane;
using namespace lorvane::test;

TEST(GroupOrder, AskingAboutOutputUsesTheCatalogueTexts) {
    QueryHarness h;
    h.settings.VLNRunTimeControlCaption = QStringLiteral("Sales queries");
    h.chooseTables({"Customers"});
    EXPECT_TRUE(h.group("Customers.CreditLimit", "SUM", false));
    ASSERT_EQ(h.prompts.records().size(), 1);
    const auto& asked = h.prompts.records().first();
    EXPECT_EQ(asked.text, "Do you want to include SUM(Customers.CreditLimit) as an Output Field ?");
    EXPECT_EQ(asked.title, "Sales queries");
    EXPECT_EQ(asked.buttons, Prompts::Buttons::YesNo);
    EXPECT_EQ(asked.icon, Prompts::Icon::Question);
    RecordSet& groupBy = h.state.rsGroupBy();
    EXPECT_EQ(textAt(groupBy, 0, QueryState::GroupByOutput), "NO");
    RecordSet& alias = h.state.rsAlias();
    ASSERT_EQ(alias.RecordCount(), 1);
    EXPECT_EQ(textAt(alias, 0, QueryState::AliasFieldName), "SUM(Customers.CreditLimit)");
    EXPECT_EQ(textAt(alias, 0, QueryState::AliasName), "SUMOFCreditLimit");
    EXPECT_EQ(textAt(alias, 0, QueryState::AliasRecordsetType), "rsGroupBy");
}

TEST(GroupOrder, TheSameAggregateTwiceLeavesOneRowAndAsksOnce) {
    QueryHarness h;
    h.chooseTables({"Customers"});
    EXPECT_TRUE(h.group("Customers.CreditLimit", "AVG"));
    EXPECT_FALSE(h.group("Customers.CreditLimit", "AVG"));
    EXPECT_EQ(h.state.rsGroupBy().RecordCount(), 1);
    EXPECT_EQ(h.prompts.records().size(), 1);
    EXPECT_TRUE(h.group("Customers.Country", "GROUP BY"));
    EXPECT_FALSE(h.group("Customers.Country", "GROUP BY"));
    EXPECT_EQ(h.state.rsGroupBy().RecordCount(), 2);
}

TEST(GroupOrder, AliasesDropTheTableTheQuotesAndTheFirstBlank) {
    QueryHarness h;
    GroupOrder g(h.state);
    EXPECT_EQ(g.AggregateAlias("SUM", "Orders.Amount"), "SUMOFAmount");
    EXPECT_EQ(g.AggregateAlias("SUM", "Products.[Unit Price]"), "SUMOFUnitPrice");
    EXPECT_EQ(g.AggregateAlias("MAX", "[Order Details].[Unit Price Paid]"), "MAXOFUnitPrice Paid");
    EXPECT_EQ(g.AggregateAlias("COUNT", "*"), "COUNTOFAllRows");
    EXPECT_EQ(g.AggregateAlias("COUNT", "Orders."), "COUNTOFAllRows");
}

TEST(GroupOrder, TwoEqualOrderingRowsGiveOneTerm) {
    QueryHarness h;
    h.chooseTables({"Customers"});
    h.order("Customers.City", "DESC");
    h.order("Customers.City", "DESC");
    h.order("Customers.CompanyName", "ASC");
    GroupOrder(h.state).GenerateOrderByClause();
    EXPECT_EQ(h.state.OrderByText, "ORDER BY Customers.City DESC, Customers.CompanyName ASC");
}

TEST(GroupOrder, NoOrderingTermLeftMeansNoOrderByLine) {
    QueryHarness h;
    h.chooseTables({"Customers"});
    h.group("Customers.Country", "GROUP BY");
    h.order("Customers.City", "ASC");  // neither grouped nor aggregated
    const QString sql = h.rebuild();
    EXPECT_EQ(sql, "SELECT Customers.Country\r\nFROM Customers\r\nGROUP BY Customers.Country\r\n");
    QueryHarness::expectPrepares(sql);
}

TEST(GroupOrder, CalculatedFieldsInGroupingModeAreTestedRowByRow) {
    QueryHarness h;
    h.chooseTables({"Orders"});
    h.group("Orders.ShipCity", "GROUP BY");
    RecordSet& calc = h.state.rsCalcFields();
    const QVariant rows[][3] = {{"SUM(Orders.Freight) * 2", "DoubleFreight", "YES"},
                                {"Orders.Freight + 1", "FreightPlusOne", "YES"},  // not an aggregate
                                {"sum(Orders.Freight)", "LowerSum", "YES"},       // any letter case
                                {"MAX(Orders.Freight)", "Hidden", "NO"}};
    for (const auto& r : rows)
        calc.AppendRow(r);
    SelectList(h.state).GenerateSelectList();
    EXPECT_EQ(h.state.SelectText,
              "SELECT Orders.ShipCity, SUM(Orders.Freight) * 2 AS DoubleFreight, sum(Orders.Freight) AS LowerSum");
    EXPECT_TRUE(SelectList::IsAggregateExpression("sum(x)"));
    EXPECT_TRUE(SelectList::IsAggregateExpression("Count (x)"));
    EXPECT_FALSE(SelectList::IsAggregateExpression("Orders.Summary + 1"));
    EXPECT_TRUE(SelectList::IsAggregateExpression("COUNT DISTINCT(x)"));
    EXPECT_TRUE(SelectList::IsAggregateExpression("1 + LAST(x)"));

    // Without grouping every calculated field marked YES is output.
    QueryHarness plain;
    plain.chooseTables({"Orders"});
    plain.output({"Orders.OrderID"});
    plain.state.rsCalcFields().AppendRow(rows[1]);
    plain.state.rsCalcFields().AppendRow(rows[3]);
    SelectList(plain.state).GenerateSelectList();
    EXPECT_EQ(plain.state.SelectText, "SELECT Orders.OrderID, Orders.Freight + 1 AS FreightPlusOne");
}

TEST(GroupOrder, APlainGroupingRowWithoutTextFallsBackToItsField) {
    QueryHarness h;
    h.chooseTables({"Orders"});
    const QVariant row[] = {"Orders.ShipCity", "", "", "YES"};
    h.state.rsGroupBy().AppendRow(row);
    SelectList(h.state).GenerateSelectList();
    EXPECT_EQ(h.state.SelectText, "SELECT Orders.ShipCity");
    const QVariant alias[] = {"Orders.ShipCity", "City", "rsGroupBy"};
    h.state.rsAlias().AppendRow(alias);
    SelectList(h.state).GenerateSelectList();
    EXPECT_EQ(h.state.SelectText, "SELECT Orders.ShipCity AS City");
}

TEST(GroupOrder, FieldListsOfTheCriteriaPage) {
    QueryHarness h;
    h.chooseTables({"Shippers"});
    h.group("Shippers.ShipperID", "COUNT");
    const QVariant calc[][3] = {{"Shippers.ShipperID * 2", "Twice", "YES"}, {"MAX(Shippers.ShipperID)", "Top", "YES"}};
    for (const auto& r : calc)
        h.state.rsCalcFields().AppendRow(r);
    SelectList list(h.state);
    EXPECT_EQ(list.FillCriteriaFieldList(),
              (QStringList{"ShipperID", "CompanyName", "Phone", "COUNTOFShipperID", "Twice", "Top"}));
    EXPECT_EQ(list.FillGroupingFieldList(), (QStringList{"ShipperID", "CompanyName", "Phone", "*", "Twice"}));
}

TEST(GroupOrder, ATotalThatIsNotOutputIsOrderedByItsExpression) {
    QueryHarness h;
    h.chooseTables({"Orders"});
    ASSERT_TRUE(h.group("Orders.ShipCity", "GROUP BY"));
    ASSERT_TRUE(h.group("Orders.Freight", "SUM", false));
    h.order("SUMOFFreight", "DESC");
    const QString sql = h.rebuild();
    EXPECT_EQ(sql, "SELECT Orders.ShipCity\r\nFROM Orders\r\nGROUP BY Orders.ShipCity\r\nORDER BY SUM(Orders.Freight) DESC");
    QueryHarness::expectPrepares(sql);
}
