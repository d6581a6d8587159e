// Calculated fields and the rows the field order editor works on: what is offered, the total
// check, storing and editing with the alias rows, deletion with dependants and the rewrite.
#include "QueryFixture.h"

#include "query/CalcFields.h"
#include "query/FieldOrderRows.h"
#include "query/GroupOrder.h"
#include "support/TestDatabases.h"

using namespace lorvane;
using namespace lorvane::test;
using Entry = FieldOrderRows::Entry;
using Mode = FieldOrderRows::Mode;

namespace {

QStringList column(RecordSet& rs, int field) {
    QStringList out;
    for (qint64 r = 0; r < rs.RecordCount(); ++r)
        out << textAt(rs, r, field);
    return out;
}

}  // namespace

TEST(CalcFields, TheFieldListOffersFieldsTotalsAndCalculatedFieldsAndInsertsQualifiedNames) {
    QueryHarness h;
    h.chooseTables({"Products"});
    ASSERT_TRUE(h.group("Products.[Unit Price]", "SUM"));
    ASSERT_TRUE(h.group("Products.CategoryID", "GROUP BY"));
    CalcFields calc(h.state);
    ASSERT_EQ(calc.store("  Products.UnitsInStock * 2", " Twice", true, false), CalcFields::Outcome::Stored);
    const QList<CalcFields::Entry> entries = calc.fieldEntries();
    ASSERT_EQ(entries.size(), h.state.FieldList().size() + 2);
    EXPECT_EQ(entries[4], (CalcFields::Entry{"[Unit Price]", "Products.[Unit Price]"}));
    // A plain grouping row is a field already; the total and the calculated field follow.
    EXPECT_EQ(entries[entries.size() - 2], (CalcFields::Entry{"SUM(Products.[Unit Price])", "SUM(Products.[Unit Price])"}));
    EXPECT_EQ(entries.back(), (CalcFields::Entry{"Products.UnitsInStock * 2", "Products.UnitsInStock * 2"}));
    // Leading blanks go; a field that is not shown is written "No".
    EXPECT_EQ(column(h.state.rsCalcFields(), QueryState::CalcAlias), QStringList{"Twice"});
    ASSERT_EQ(calc.store("Products.ProductID + 1", "Next", false, false), CalcFields::Outcome::Stored);
    EXPECT_EQ(column(h.state.rsCalcFields(), QueryState::CalcOutput), (QStringList{"YES", "No"}));
}

TEST(CalcFields, AWrittenOutAggregateNeedsATotalFromTheGroupingPage) {
    QueryHarness h;
    h.chooseTables({"Orders"});
    CalcFields calc(h.state);
    EXPECT_TRUE(calc.aggregatesKnown("Orders.Freight * 1.2"));
    EXPECT_FALSE(calc.aggregatesKnown("SUM(Orders.Freight) * 1.2"));
    EXPECT_FALSE(calc.aggregatesKnown("sum (Orders.Freight)") && calc.aggregatesKnown("count(*)"));
    // A host function whose name ends in an aggregate's counts as one.
    EXPECT_FALSE(calc.aggregatesKnown("CHECKSUM(Orders.ShipCity)"));
    ASSERT_TRUE(h.group("Orders.Freight", "SUM"));
    // Known by its alias (typed) or its expression (inserted from the list), in any case.
    EXPECT_TRUE(calc.aggregatesKnown("SUM(Orders.Freight) / 2 + sumoffreight * 0"));
    EXPECT_TRUE(calc.aggregatesKnown("sum(Orders.Freight) / 2"));
    EXPECT_TRUE(calc.aggregatesKnown("SUMOFFreight / 2"));
    // Some other total is still unknown, whatever else the expression holds.
    EXPECT_FALSE(calc.aggregatesKnown("MAX(Orders.Freight)"));
}

TEST(CalcFields, AliasesAreUniqueAndAnEditKeepsTheAliasAndCarriesTotalsOverIt) {
    QueryHarness h;
    h.chooseTables({"Orders"});
    CalcFields calc(h.state);
    ASSERT_EQ(calc.store("Orders.Freight * 2", "Double", true, false), CalcFields::Outcome::Stored);
    EXPECT_EQ(calc.store("Orders.Freight * 3", "Double", true, false), CalcFields::Outcome::DuplicateAlias);
    // Only leading blanks are ignored when aliases are compared.
    EXPECT_EQ(calc.store("Orders.Freight * 3", "  Double", true, false), CalcFields::Outcome::DuplicateAlias);
    ASSERT_TRUE(h.group("Orders.ShipVia", "COUNT"));
    EXPECT_EQ(calc.store("Orders.Freight * 3", "COUNTOFShipVia", true, false), CalcFields::Outcome::DuplicateAlias);
    EXPECT_EQ(h.state.rsCalcFields().RecordCount(), 1);

    // A total over the calculated field (grouped by its name) follows an edit.
    ASSERT_TRUE(h.group("Double", "SUM"));
    ASSERT_EQ(calc.store("Orders.Freight * 4", "Double", false, true), CalcFields::Outcome::Stored);
    EXPECT_EQ(column(h.state.rsCalcFields(), QueryState::CalcExpression), QStringList{"Orders.Freight * 4"});
    EXPECT_EQ(column(h.state.rsCalcFields(), QueryState::CalcOutput), QStringList{"No"});
    RecordSet& alias = h.state.rsAlias();
    EXPECT_EQ(column(alias, QueryState::AliasName), (QStringList{"Double", "COUNTOFShipVia", "SUMOFDouble"}));
    EXPECT_EQ(column(alias, QueryState::AliasFieldName),
              (QStringList{"Orders.Freight * 4", "COUNT(Orders.ShipVia)", "SUM(Orders.Freight * 4)"}));
}

TEST(CalcFields, TheStatementQuotesTheAliasAndRunsOrderedByIt) {
    QueryHarness h;
    h.chooseTables({"Products"});
    h.output({"Products.ProductName"});
    ASSERT_EQ(CalcFields(h.state).store("Products.[Unit Price] * Products.UnitsInStock", "Stock Value", true, false),
              CalcFields::Outcome::Stored);
    h.order("Stock Value", "DESC");
    h.order("Products.ProductName", "ASC");
    const QString sql = h.rebuild();
    EXPECT_EQ(sql, "SELECT Products.ProductName, Products.[Unit Price] * Products.UnitsInStock AS [Stock Value]\r\n"
                   "FROM Products\r\nORDER BY [Stock Value] DESC, Products.ProductName ASC");
    const auto rows = QueryHarness::run(sql);
    ASSERT_GT(rows->RecordCount(), 2);
    for (qint64 r = 1; r < rows->RecordCount(); ++r)
        EXPECT_GE(rows->ValueAt(r - 1, 1).toDouble(), rows->ValueAt(r, 1).toDouble());

    // A field that is not shown is ordered by its expression.
    h.state.rsCalcFields().MoveFirst();
    h.state.rsCalcFields().SetValue(QueryState::CalcOutput, QStringLiteral("No"));
    const QString hidden = h.rebuild();
    EXPECT_TRUE(hidden.endsWith("ORDER BY Products.[Unit Price] * Products.UnitsInStock DESC, Products.ProductName ASC"))
        << hidden.toStdString();
    QueryHarness::expectPrepares(hidden);

    // An alias that tries to end the statement is only a name, in the connected database's quoting.
    auto sqlite = std::make_shared<Connection>();
    sqlite->Open(sampleConnectionString());
    h.settings.ActiveConnection = sqlite;
    ASSERT_EQ(CalcFields(h.state).store("1", "x]; DROP TABLE Products; --", true, false), CalcFields::Outcome::Stored);
    const QString hostile = h.rebuild();
    EXPECT_TRUE(hostile.contains("1 AS \"x]; DROP TABLE Products; --\"")) << hostile.toStdString();
    QueryHarness::expectPrepares(hostile);
}

TEST(FieldOrderRows, EntriesOutputAndTheAliasOfAnOrderingEntry) {
    QueryHarness h;
    h.chooseTables({"Orders"});
    FieldOrderRows group(h.state, Mode::Group);
    EXPECT_TRUE(group.entries().isEmpty());
    ASSERT_TRUE(h.group("Orders.ShipCity", "GROUP BY"));
    ASSERT_TRUE(h.group("Orders.Freight", "SUM", false));
    EXPECT_EQ(group.entries(), (QList<Entry>{{"Orders.ShipCity", {}}, {"SUM(Orders.Freight)", {}}}));
    EXPECT_FALSE(group.output({"SUM(Orders.Freight)", {}}));
    group.setOutput({"SUM(Orders.Freight)", {}}, true);
    EXPECT_EQ(column(h.state.rsGroupBy(), QueryState::GroupByOutput), (QStringList{"YES", "YES"}));
    EXPECT_EQ(group.aliasOf("SUM(Orders.Freight)"), "SUMOFFreight");
    EXPECT_EQ(group.aliasOf("SUM(Orders.Freight) DESC"), "SUMOFFreight");
    EXPECT_EQ(group.aliasOf("SUM(Orders.Freight) ASC"), "SUMOFFreight");
    EXPECT_EQ(group.aliasOf("Orders.ShipCity"), "");
    // Ordering rows have no output flag.
    h.order("Orders.ShipCity", "ASC");
    FieldOrderRows order(h.state, Mode::Order);
    order.setOutput({"Orders.ShipCity ASC", {}}, false);
    EXPECT_EQ(column(h.state.rsOrderBy(), QueryState::OrderByTerm), QStringList{"Orders.ShipCity ASC"});
    EXPECT_FALSE(order.output({"Orders.ShipCity ASC", {}}));
}

TEST(FieldOrderRows, DeletingATotalTakesWhatUsesItAndTheStatementStillPrepares) {
    QueryHarness h;
    h.chooseTables({"Orders"});
    ASSERT_TRUE(h.group("Orders.ShipCity", "GROUP BY"));
    ASSERT_TRUE(h.group("Orders.Freight", "SUM"));
    h.order("SUMOFFreight", "DESC");            // by the alias, as the ordering list offers it
    h.order("SUM(Orders.Freight)", "ASC");      // by the expression
    h.order("Orders.ShipCity", "ASC");
    ASSERT_EQ(CalcFields(h.state).store("SUM(Orders.Freight) / 2", "Half", true, false), CalcFields::Outcome::Stored);
    ASSERT_EQ(CalcFields(h.state).store("SUMOFFreight * 0", "Zero", true, false), CalcFields::Outcome::Stored);
    h.order("Half", "ASC");
    QueryHarness::expectPrepares(h.rebuild());

    FieldOrderRows(h.state, Mode::Group).remove({"SUM(Orders.Freight)", {}});
    EXPECT_EQ(column(h.state.rsGroupBy(), QueryState::GroupByExpression), QStringList{"Orders.ShipCity"});
    EXPECT_EQ(column(h.state.rsOrderBy(), QueryState::OrderByTerm), QStringList{"Orders.ShipCity ASC"});
    EXPECT_EQ(h.state.rsCalcFields().RecordCount(), 0);
    EXPECT_EQ(h.state.rsAlias().RecordCount(), 0);
    const QString sql = h.rebuild();
    EXPECT_EQ(sql, "SELECT Orders.ShipCity\r\nFROM Orders\r\nGROUP BY Orders.ShipCity\r\nORDER BY Orders.ShipCity ASC");
}

TEST(FieldOrderRows, DeletingACalculatedFieldTakesTotalsAndOrderingOverIt) {
    QueryHarness h;
    h.chooseTables({"Orders"});
    ASSERT_EQ(CalcFields(h.state).store("Orders.Freight * 2", "Double", true, false), CalcFields::Outcome::Stored);
    ASSERT_EQ(CalcFields(h.state).store("Orders.Freight * 3", "Triple", true, false), CalcFields::Outcome::Stored);
    h.order("Double", "DESC");
    h.order("Triple", "ASC");
    ASSERT_TRUE(h.group("Double", "MAX"));
    FieldOrderRows calc(h.state, Mode::Calc);
    EXPECT_EQ(calc.entries(), (QList<Entry>{{"Orders.Freight * 2", "Double"}, {"Orders.Freight * 3", "Triple"}}));
    calc.remove({"Orders.Freight * 2", "Double"});
    EXPECT_EQ(calc.entries(), (QList<Entry>{{"Orders.Freight * 3", "Triple"}}));
    EXPECT_EQ(h.state.rsGroupBy().RecordCount(), 0);
    EXPECT_EQ(column(h.state.rsOrderBy(), QueryState::OrderByTerm), QStringList{"Triple ASC"});
    EXPECT_EQ(column(h.state.rsAlias(), QueryState::AliasName), QStringList{"Triple"});
}

TEST(FieldOrderRows, TheRewriteFollowsTheListAndKeepsRowsThatShowTheSameText) {
    QueryHarness h;
    h.chooseTables({"Orders"});
    h.order("Orders.ShipCity", "ASC");
    h.order("Orders.Freight", "DESC");
    h.order("Orders.ShipCity", "ASC");
    h.state.rsOrderBy().MoveLast();
    h.state.rsOrderBy().SetValue(QueryState::OrderByExtra, QStringLiteral("kept"));
    FieldOrderRows order(h.state, Mode::Order);
    order.rewrite({{"Orders.Freight DESC", {}}, {"Orders.ShipCity ASC", {}}, {"Orders.ShipCity ASC", {}}});
    EXPECT_EQ(column(h.state.rsOrderBy(), QueryState::OrderByTerm),
              (QStringList{"Orders.Freight DESC", "Orders.ShipCity ASC", "Orders.ShipCity ASC"}));
    EXPECT_EQ(column(h.state.rsOrderBy(), QueryState::OrderByExtra), (QStringList{"", "", "kept"}));

    // Calculated fields are matched by expression and alias together.
    CalcFields calc(h.state);
    ASSERT_EQ(calc.store("Orders.Freight", "A", true, false), CalcFields::Outcome::Stored);
    ASSERT_EQ(calc.store("Orders.Freight", "B", false, false), CalcFields::Outcome::Stored);
    FieldOrderRows(h.state, Mode::Calc).rewrite({{"Orders.Freight", "B"}, {"Orders.Freight", "A"}});
    EXPECT_EQ(column(h.state.rsCalcFields(), QueryState::CalcAlias), (QStringList{"B", "A"}));
    EXPECT_EQ(column(h.state.rsCalcFields(), QueryState::CalcOutput), (QStringList{"No", "YES"}));

    // An empty list writes an empty table.
    FieldOrderRows(h.state, Mode::Order).rewrite({});
    EXPECT_EQ(h.state.rsOrderBy().RecordCount(), 0);
}
