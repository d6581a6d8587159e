// Whole statements, as the SQL window shows them, for the query shapes a user builds.
#include "QueryFixture.h"

#include "query/FromClause.h"

using namespace lorvane;
using namespace lorvane::test;

namespace {

struct Case {
    const char* name;
    std::function<void(QueryHarness&)> build;
    QString expected;
};

}  // namespace

TEST(Statement, EachShapeGivesTheExactTextAndTheDatabaseAcceptsIt) {
    const std::vector<Case> cases = {
        {"tables and output fields only",
         [](QueryHarness& c) {
             c.chooseTables({"Customers"});
             c.output({"Customers.CompanyName", "Customers.City"});
         },
         "SELECT Customers.CompanyName, Customers.City\r\nFROM Customers\r\n"},
        {"distinct",
         [](QueryHarness& c) {
             c.chooseTables({"Customers"});
             c.output({"Customers.Country"});
             c.state.Distinct = true;
         },
         "SELECT DISTINCT Customers.Country\r\nFROM Customers\r\n"},
        {"criteria and ordering",
         [](QueryHarness& c) {
             c.chooseTables({"Customers"});
             c.output({"Customers.CompanyName"});
             c.where("Customers.Country", "=", "UK");
             c.order("Customers.CompanyName", "ASC");
         },
         "SELECT Customers.CompanyName\r\nFROM Customers\r\nWHERE (Customers.Country = 'UK')\r\n"
         "ORDER BY Customers.CompanyName ASC"},
        {"two AND commits on one column",
         [](QueryHarness& c) {
             c.chooseTables({"Customers"});
             c.output({"Customers.CompanyName"});
             c.where("Customers.CompanyName", "=", "A");
             c.where("Customers.CompanyName", "<>", "B");
         },
         "SELECT Customers.CompanyName\r\nFROM Customers\r\n"
         "WHERE (Customers.CompanyName = 'A' AND Customers.CompanyName <> 'B')\r\n"},
        {"OR commits on two columns land in two lines",
         [](QueryHarness& c) {
             c.chooseTables({"Customers"});
             c.output({"Customers.CompanyName"});
             c.where("Customers.City", "=", "London");
             c.where("Customers.Country", "=", "USA", false);
         },
         "SELECT Customers.CompanyName\r\nFROM Customers\r\n"
         "WHERE (Customers.City = 'London') OR (Customers.Country = 'USA')\r\n"},
        {"two columns on one line",
         [](QueryHarness& c) {
             c.chooseTables({"Customers"});
             c.output({"Customers.CompanyName"});
             c.where("Customers.Country", "=", "UK");
             c.where("Customers.City", "=", "London");
         },
         "SELECT Customers.CompanyName\r\nFROM Customers\r\n"
         "WHERE (Customers.City = 'London') AND (Customers.Country = 'UK')\r\n"},
        {"contains, apostrophes, numbers",
         [](QueryHarness& c) {
             c.chooseTables({"Customers"});
             c.output({"Customers.CompanyName"});
             c.where("Customers.CompanyName", "CONTAINS", "abc");
             c.where("Customers.ContactName", "=", "  O'Brien ");
             c.where("Customers.CreditLimit", ">", "10");
         },
         "SELECT Customers.CompanyName\r\nFROM Customers\r\n"
         "WHERE (Customers.CompanyName LIKE '%abc%') AND (Customers.ContactName = 'O''Brien') AND "
         "(Customers.CreditLimit > 10)\r\n"},
        {"dates in the configured format and delimiters",
         [](QueryHarness& c) {
             c.chooseTables({"Orders"});
             c.output({"Orders.OrderID"});
             c.where("Orders.OrderDate", "BETWEEN", "2020-01-01", true, "1/31/2020 11:30 PM");
         },
         "SELECT Orders.OrderID\r\nFROM Orders\r\n"
         "WHERE (Orders.OrderDate BETWEEN '01/01/2020 12:00:00 am' AND '01/31/2020 11:30:00 pm')\r\n"},
        {"an aggregate alias goes to HAVING, never WHERE",
         [](QueryHarness& c) {
             c.chooseTables({"Customers"});
             c.group("Customers.Country", "GROUP BY");
             c.group("Customers.CreditLimit", "SUM");
             c.where("SUMOFCreditLimit", ">", "1000");
             c.where("Customers.City", "<>", "Paris");
         },
         "SELECT Customers.Country, SUM(Customers.CreditLimit) AS SUMOFCreditLimit\r\nFROM Customers\r\n"
         "WHERE (Customers.City <> 'Paris')\r\nGROUP BY Customers.Country\r\n"
         "HAVING (SUM(Customers.CreditLimit) > 1000)\r\n"},
        {"aggregates only: no GROUP BY line, HAVING straight after FROM",
         [](QueryHarness& c) {
             c.chooseTables({"Customers"});
             c.group("*", "COUNT");
             c.where("COUNTOFAllRows", ">", "5");
         },
         "SELECT COUNT(*) AS COUNTOFAllRows\r\nFROM Customers\r\nHAVING (COUNT(*) > 5)\r\n"},
        {"ordering on an ungrouped field is left out while grouping",
         [](QueryHarness& c) {
             c.chooseTables({"Customers"});
             c.group("Customers.Country", "GROUP BY");
             c.group("Customers.CustomerID", "COUNT DISTINCT");
             c.order("Customers.City", "DESC");
             c.order("Customers.Country", "ASC");
             c.order("Customers.Country", "ASC");
         },
         "SELECT Customers.Country, COUNT(DISTINCT Customers.CustomerID) AS COUNTDISTINCTOFCustomerID\r\n"
         "FROM Customers\r\nGROUP BY Customers.Country\r\nORDER BY Customers.Country ASC"},
        {"a grouped column not output still groups",
         [](QueryHarness& c) {
             c.chooseTables({"Customers"});
             c.group("Customers.Country", "GROUP BY", false);
             c.group("Customers.CreditLimit", "MAX");
         },
         "SELECT MAX(Customers.CreditLimit) AS MAXOFCreditLimit\r\nFROM Customers\r\nGROUP BY Customers.Country\r\n"},
        {"joined tables with an unjoined third and a field with a blank",
         [](QueryHarness& c) {
             c.chooseTables({"Orders", "Customers", "Products"});
             c.output({"Customers.CompanyName", "Products.[Unit Price]"});
             FromClause(c.state)
                 .AddJoinCondition({"Orders", "Customers", "Orders.CustomerID", "Customers.CustomerID", "="});
         },
         "SELECT Customers.CompanyName, Products.[Unit Price]\r\n"
         "FROM ( Orders INNER JOIN Customers ON Orders.CustomerID = Customers.CustomerID), Products\r\n"},
        {"nested joins of three tables",
         [](QueryHarness& c) {
             c.chooseTables({"Orders", "Customers", "Shippers"});
             c.output({"Orders.OrderID"});
             FromClause from(c.state);
             from.AddJoinCondition({"Orders", "Customers", "Orders.CustomerID", "Customers.CustomerID", "="});
             c.state.rsJoinFields().Close();  // the pair is unlocked before the next join
             from.AddJoinCondition({"Orders", "Shippers", "Orders.ShipVia", "Shippers.ShipperID", ">="});
         },
         "SELECT Orders.OrderID\r\n"
         "FROM (( Orders INNER JOIN Customers ON Orders.CustomerID = Customers.CustomerID)  "
         "LEFT OUTER JOIN Shippers ON Orders.ShipVia = Shippers.ShipperID)\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QueryHarness h;
        c.build(h);
        const QString text = h.rebuild();
        EXPECT_EQ(text, c.expected);
        QueryHarness::expectPrepares(text);
    }
}
