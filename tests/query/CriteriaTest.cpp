#include "QueryFixture.h"

#include "query/CriteriaGrid.h"

using namespace lorvane;
using namespace lorvane::test;

namespace {

QString term(QueryHarness& h, const QString& column, const QString& op, const QString& v1, const QString& v2 = {}) {
    return Criteria(h.state, QueryHarness::types()).TermFor({column, op, v1, v2, true});
}

}  // namespace

TEST(Criteria, TermsFollowTheOperatorTableAndTheColumnType) {
    QueryHarness h;
    h.chooseTables({"Customers", "Orders", "Products"});
    const struct {
        const char* column;
        const char* op;
        const char* v1;
        const char* v2;
        const char* expected;
    } rows[] = {
        {"Customers.CompanyName", "=", "abc", "", "= 'abc'"},
        {"Customers.CompanyName", "CONTAINS", "abc", "", "LIKE '%abc%'"},
        {"Customers.CompanyName", "DOES NOT CONTAIN", "abc", "", "NOT LIKE '%abc%'"},
        {"Customers.CompanyName", "BEGINS WITH", "ab", "", "LIKE 'ab%'"},
        {"Customers.CompanyName", "DOES NOT BEGIN WITH", "ab", "", "NOT LIKE 'ab%'"},
        {"Customers.CompanyName", "ENDS WITH", "bc", "", "LIKE '%bc'"},
        {"Customers.CompanyName", "DOES NOT END WITH", "bc", "", "NOT LIKE '%bc'"},
        {"Customers.CompanyName", "LIKE", "a_c%", "", "LIKE 'a_c%'"},
        {"Customers.CompanyName", "NOT LIKE", "a%", "", "NOT LIKE 'a%'"},
        {"Customers.ContactName", "=", " O'Brien ", "", "= 'O''Brien'"},
        {"Customers.CompanyName", "IS NULL", "ignored", "", "IS NULL"},
        {"Customers.CompanyName", "IS NOT NULL", "", "", "IS NOT NULL"},
        {"Customers.CreditLimit", ">", "10", "", "> 10"},
        {"Customers.CreditLimit", "BETWEEN", "10", "2.5e3", "BETWEEN 10 AND 2.5e3"},
        {"Orders.OrderID", "<=", "-3", "", "<= -3"},
        {"Products.Discontinued", "=", "true", "", "= TRUE"},
        // A text column compares the text as typed, dates included; numbers are quoted there.
        {"Customers.Phone", "=", "2020-01-31", "", "= '2020-01-31'"},
        {"Customers.Phone", "=", "555", "", "= '555'"},
        {"Orders.OrderDate", ">=", "2020-01-31", "", ">= '01/31/2020 12:00:00 am'"},
        {"Orders.RequiredDate", "<", "12/5/21 6:05 PM", "", "< '12/05/2021 6:05:00 pm'"},
        // Unknown to the catalogue (an alias): numbers bare, text quoted.
        {"SUMOFFreight", ">", "100", "", "> 100"},
        {"SUMOFFreight", "=", "abc", "", "= 'abc'"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(term(h, r.column, r.op, r.v1, r.v2), r.expected) << r.column << " " << r.op << " " << r.v1;
}

TEST(Criteria, TypedValuesOnNumericColumnsNeverBecomeSql) {
    QueryHarness h;
    h.chooseTables({"Customers"});
    EXPECT_EQ(term(h, "Customers.CreditLimit", "=", "0 OR 1=1"), "= '0 OR 1=1'");
    EXPECT_EQ(term(h, "Customers.CustomerID", "=", "1; DROP TABLE Customers"), "= '1; DROP TABLE Customers'");
    EXPECT_EQ(term(h, "Customers.CustomerID", "BETWEEN", "1", "2) OR (1=1"), "BETWEEN 1 AND '2) OR (1=1'");
    EXPECT_EQ(term(h, "Customers.CustomerID", "CONTAINS", "5"), "LIKE '%5%'");
    EXPECT_EQ(term(h, "SUMOFX", "BETWEEN", "1", "x' OR 'a'='a"), "BETWEEN 1 AND 'x'' OR ''a''=''a'");

    h.output({"Customers.CompanyName"});
    h.where("Customers.CreditLimit", "=", "0 OR 1=1");
    const QString sql = h.rebuild();
    EXPECT_EQ(sql, "SELECT Customers.CompanyName\r\nFROM Customers\r\nWHERE (Customers.CreditLimit = '0 OR 1=1')\r\n");
    EXPECT_EQ(QueryHarness::run(sql)->RecordCount(), 0);
}

TEST(Criteria, DatesRunInTheConfiguredFormatAndDelimiters) {
    QueryHarness h;
    h.settings.VLNDateFormat = QStringLiteral("yyyy-mm-dd hh:nn:ss");
    h.chooseTables({"Orders"});
    h.output({"Orders.OrderID", "Orders.OrderDate"});
    h.where("Orders.OrderDate", "BETWEEN", "1/1/2020", true, "2020-01-31 23:59:59");
    const QString sql = h.rebuild();
    EXPECT_EQ(sql, "SELECT Orders.OrderID, Orders.OrderDate\r\nFROM Orders\r\n"
                   "WHERE (Orders.OrderDate BETWEEN '2020-01-01 00:00:00' AND '2020-01-31 23:59:59')\r\n");
    auto rows = QueryHarness::run(sql);
    ASSERT_GT(rows->RecordCount(), 0);
    for (qint64 r = 0; r < rows->RecordCount(); ++r)
        EXPECT_EQ(rows->ValueAt(r, 1).toDateTime().date().month(), 1);

    h.settings.VLNDateDelimeter = QStringLiteral("#");
    h.settings.VLNDateFormat = QStringLiteral("dd mmm yyyy");
    EXPECT_EQ(term(h, "Orders.RequiredDate", "=", "2024-02-29"), "= #29 Feb 2024#");
}

TEST(Criteria, FirstCommitAddsALineWhateverTheConjunction) {
    QueryHarness h;
    h.chooseTables({"Customers"});
    EXPECT_TRUE(h.where("Customers.City", "=", "Lyon", false));
    EXPECT_EQ(h.state.rsWhere().RecordCount(), 1);
    EXPECT_TRUE(h.where("Customers.City", "=", "Paris", true));
    EXPECT_EQ(h.state.rsWhere().RecordCount(), 1);
    EXPECT_EQ(h.state.rsWhere().ValueAt(0, h.state.rsWhere().FieldIndex("Customers.City")).toString(),
              "= 'Lyon' AND = 'Paris'");
    EXPECT_FALSE(h.where("Customers.NoSuchField", "=", "x"));
    EXPECT_EQ(h.state.rsWhere().RecordCount(), 1);
}

TEST(Criteria, CellRewritingPutsTheFieldBeforeEachOperatorOnly) {
    const QString f = QStringLiteral("T.F");
    const struct {
        const char* cell;
        const char* expected;
    } rows[] = {
        {"= 'A' AND <> 'B'", "T.F = 'A' AND T.F <> 'B'"},
        {">= 1 AND <= 5", "T.F >= 1 AND T.F <= 5"},
        {"NOT LIKE 'a%' OR LIKE 'b%'", "T.F NOT LIKE 'a%' OR T.F LIKE 'b%'"},
        {"IS NOT NULL", "T.F IS NOT NULL"},
        {"is null", "T.F is null"},
        {"BETWEEN 1 AND 2", "T.F BETWEEN 1 AND 2"},
        {"= 'a=b' OR = 'x<>y LIKE z'", "T.F = 'a=b' OR T.F = 'x<>y LIKE z'"},  // quoted values untouched
        {"= 'it''s = here'", "T.F = 'it''s = here'"},
        {"CASE WHEN x = 1 THEN 2 END", "CASE WHEN x = 1 THEN 2 END"},
        {"IN (SELECT ID FROM X WHERE A = 1)", "IN (SELECT ID FROM X WHERE A = 1)"},
        {"> 1 AND NOT IN (SELECT ID FROM X WHERE A = 1)", "T.F > 1 AND NOT IN (SELECT ID FROM X WHERE A = 1)"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(Criteria::RewriteCell(r.cell, f), r.expected) << r.cell;
}

TEST(Criteria, EmptyLinesGiveNoClauseAndLinesWithoutWhereCellsAddNoOr) {
    QueryHarness h;
    h.chooseTables({"Customers"});
    h.output({"Customers.CompanyName"});
    h.state.rsWhere().AddNew();
    h.state.rsWhere().AddNew();
    EXPECT_EQ(h.rebuild(), "SELECT Customers.CompanyName\r\nFROM Customers\r\n");
    EXPECT_EQ(h.state.rsWhere().RecordCount(), 0);  // the empty lines are gone

    // Lines joined by OR that mix a total and a grouped field go whole into HAVING, which keeps
    // their meaning; there is no WHERE line.
    h.group("Customers.Country", "GROUP BY");
    h.group("*", "COUNT");
    h.where("COUNTOFAllRows", ">", "3");
    h.where("Customers.Country", "=", "UK", false);
    const QString grouped = h.rebuild();
    EXPECT_EQ(grouped, "SELECT Customers.Country, COUNT(*) AS COUNTOFAllRows\r\nFROM Customers\r\n"
                       "GROUP BY Customers.Country\r\nHAVING (COUNT(*) > 3) OR (Customers.Country = 'UK')\r\n");
    EXPECT_EQ(Criteria(h.state, QueryHarness::types()).OrAcrossGroupingProblem(), "");
    QueryHarness::expectPrepares(grouped);
    // With a field that is not grouped no statement can ask it: the reason names both sides,
    // and the text shown still says what the user asked.
    h.where("Customers.City", "=", "London");
    h.rebuild();
    EXPECT_EQ(h.state.WhereText, "");
    EXPECT_EQ(h.state.HavingText,
              "HAVING (COUNT(*) > 3) OR (Customers.City = 'London') AND (Customers.Country = 'UK')");
    const QString problem = Criteria(h.state, QueryHarness::types()).OrAcrossGroupingProblem();
    EXPECT_TRUE(problem.startsWith("The criteria lines joined by OR mix fields that are not grouped (Customers.City) "
                                   "with totals or grouped fields (Customers.Country, COUNTOFAllRows)"))
        << problem.toStdString();
    // One line is ANDed, so it splits between WHERE and HAVING as before.
    QueryHarness one;
    one.chooseTables({"Customers"});
    one.group("Customers.Country", "GROUP BY");
    one.group("*", "COUNT");
    one.where("COUNTOFAllRows", ">", "3");
    one.where("Customers.City", "<>", "London");
    one.rebuild();
    EXPECT_EQ(one.state.WhereText, "WHERE (Customers.City <> 'London')");
    EXPECT_EQ(one.state.HavingText, "HAVING (COUNT(*) > 3)");
    EXPECT_EQ(Criteria(one.state, QueryHarness::types()).OrAcrossGroupingProblem(), "");
}

TEST(Criteria, AssemblyTreatsASingleBlankWhereAsNone) {
    QueryHarness h;
    h.state.SelectText = "SELECT A";
    h.state.FromText = "FROM T";
    h.state.WhereText = " ";
    h.state.HavingText = "HAVING (COUNT(*) > 1)";
    h.state.OrderByText = "ORDER BY A ASC";
    EXPECT_EQ(Statement(h.state, QueryHarness::types()).AssembleStatement(),
              "SELECT A\r\nFROM T\r\nHAVING (COUNT(*) > 1)\r\nORDER BY A ASC");
}
