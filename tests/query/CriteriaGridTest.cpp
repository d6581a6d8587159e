#include "QueryFixture.h"

#include "query/CriteriaGrid.h"

using namespace lorvane;
using namespace lorvane::test;

namespace {

QStringList columns(RecordSet& rs) {
    QStringList out;
    for (int f = 0; f < rs.FieldCount(); ++f)
        out << rs.Field(f).name;
    return out;
}

}  // namespace

TEST(CriteriaGrid, NoFieldsMeansNoColumnsAndNoRows) {
    QueryHarness h;
    CriteriaGrid(h.state).RebuildColumns();
    EXPECT_EQ(h.state.rsWhere().FieldCount(), 0);
    EXPECT_EQ(h.state.rsWhere().RecordCount(), 0);
    EXPECT_EQ(h.rebuild(), "\r\n\r\n");
}

TEST(CriteriaGrid, AnAggregateAddsItsColumnAndTypedCriteriaSurvive) {
    QueryHarness h;
    h.chooseTables({"Shippers"});
    EXPECT_EQ(columns(h.state.rsWhere()), (QStringList{"Shippers.ShipperID", "Shippers.CompanyName", "Shippers.Phone"}));
    h.where("Shippers.Phone", "IS NOT NULL", "");
    h.group("Shippers.CompanyName", "GROUP BY");
    h.group("Shippers.ShipperID", "MIN");
    RecordSet& grid = h.state.rsWhere();
    EXPECT_EQ(columns(grid), (QStringList{"Shippers.ShipperID", "Shippers.CompanyName", "Shippers.Phone", "MINOFShipperID"}));
    EXPECT_EQ(grid.Field(3).definedSize, 550);
    EXPECT_EQ(grid.Field(3).attributes, 68);
    EXPECT_EQ(textAt(grid, 0, grid.FieldIndex("Shippers.Phone")), "IS NOT NULL");
}

TEST(CriteriaGrid, RemovingATableDropsTheRowsThatUsedItsFields) {
    QueryHarness h;
    h.chooseTables({"Customers", "Shippers"});
    h.group("Customers.Country", "GROUP BY");
    h.group("Shippers.ShipperID", "COUNT");
    h.order("Shippers.CompanyName", "ASC");
    h.order("Customers.Country", "DESC");
    const QVariant calc[][3] = {{"Shippers.ShipperID + 1", "Next", "YES"}, {"Customers.CreditLimit * 2", "Twice", "YES"}};
    for (const auto& r : calc)
        h.state.rsCalcFields().AppendRow(r);
    h.where("Shippers.Phone", "IS NULL", "");

    h.state.TableList() = {"Customers"};
    h.state.SelectedTables = h.state.TableList();
    h.state.FieldList() = QueryHarness::types().fieldsOf("Customers");
    h.state.OutputFieldList = h.state.FieldList();
    CriteriaGrid(h.state).PruneAfterFieldListChange();

    EXPECT_EQ(h.state.rsGroupBy().RecordCount(), 1);
    EXPECT_EQ(textAt(h.state.rsGroupBy(), 0, QueryState::GroupByFieldName), "Customers.Country");
    EXPECT_EQ(h.state.rsOrderBy().RecordCount(), 1);
    EXPECT_EQ(h.state.rsCalcFields().RecordCount(), 1);
    EXPECT_EQ(h.state.rsAlias().RecordCount(), 0);
    EXPECT_EQ(h.state.rsWhere().FieldIndex("Shippers.Phone"), -1);
    const QString sql = h.rebuild();
    EXPECT_EQ(sql, "SELECT Customers.Country\r\nFROM Customers\r\nGROUP BY Customers.Country\r\n"
                   "ORDER BY Customers.Country DESC");
    QueryHarness::expectPrepares(sql);
}

TEST(CriteriaGrid, CloningCopiesByNameOrPositionAndDestroyingKeepsColumns) {
    QueryHarness h;
    h.chooseTables({"Shippers"});
    CriteriaGrid grid(h.state);
    auto clone = std::make_shared<RecordSet>();
    clone->AppendField("Shippers.Phone", 200, 550);
    clone->AppendField("Other", 200, 550);
    clone->Open();
    h.state.criteriaCloneHandle() = clone;
    grid.SQLWhereCloneRS();
    EXPECT_EQ(clone->RecordCount(), 0);  // an empty grid leaves the clone empty

    h.where("Shippers.Phone", "=", "x");
    h.where("Shippers.ShipperID", "=", "2", false);
    h.state.criteriaCloneHandle() = clone;
    grid.SQLWhereCloneRS();
    ASSERT_EQ(clone->RecordCount(), 2);
    EXPECT_EQ(textAt(*clone, 0, 0), "= 'x'");
    EXPECT_FALSE(clone->ValueAt(1, 0).isValid());
    EXPECT_FALSE(clone->ValueAt(0, 1).isValid());

    grid.DestroyRSClone();
    EXPECT_EQ(clone->RecordCount(), 0);
    EXPECT_EQ(clone->FieldCount(), 2);

    RecordSet& having = h.state.rsHaving();
    having.Close();
    having.AppendField("H1", 200, 550);
    having.Open();
    having.AddNew();
    having.SetValue(0, "> 1");
    grid.SQLHavingCloneRS();
    ASSERT_EQ(clone->RecordCount(), 1);
    EXPECT_EQ(textAt(*clone, 0, 0), "> 1");
}

TEST(CriteriaGrid, SplittingCopiesEachLineWithTheSplitValue) {
    QueryHarness h;
    h.chooseTables({"Customers"});
    h.output({"Customers.CompanyName"});
    h.where("Customers.Country", "=", "UK");
    h.where("Customers.City", "=", "London");
    h.state.SplitColumn = "Customers.City";
    h.state.SplitValue = "= 'Leeds'";
    const QString sql = h.rebuild();
    EXPECT_EQ(sql, "SELECT Customers.CompanyName\r\nFROM Customers\r\n"
                   "WHERE (Customers.City = 'London') AND (Customers.Country = 'UK') OR "
                   "(Customers.City = 'Leeds') AND (Customers.Country = 'UK')\r\n");
    EXPECT_TRUE(h.state.SplitColumn.isEmpty());
    QueryHarness::expectPrepares(sql);
}

TEST(CriteriaGrid, ReturningToTheSqlViewDropsLinesTheUserEmptied) {
    QueryHarness h;
    h.chooseTables({"Customers"});
    h.output({"Customers.CompanyName"});
    h.where("Customers.Country", "=", "UK");
    h.where("Customers.Country", "=", "France", false);
    h.state.rsWhere().MoveFirst();
    h.state.rsWhere().SetValue("Customers.Country", QString());  // the user clears the first line
    Statement(h.state, QueryHarness::types()).SqlViewTidyUp();
    EXPECT_EQ(h.state.rsWhere().RecordCount(), 1);
    EXPECT_EQ(h.state.StatementText,
              "SELECT Customers.CompanyName\r\nFROM Customers\r\nWHERE (Customers.Country = 'France')\r\n");
}
