// The same questions, built through the query state as the builder's pages build them, on
// SQLite, on PostgreSQL, on MariaDB and through ODBC (to SQLite and to PostgreSQL), each with the
// component's default settings. Every generated statement is run read-only, and its rows are
// compared with the same question asked through the database's own client (sqlite3, psql, mariadb).
// Every scenario gives the right rows, or a clear refusal before anything runs.
#include "control/ConnectionManager.h"
#include "platform/ScriptedPrompts.h"
#include "platform/VLNError.h"
#include "query/Criteria.h"
#include "query/GroupOrder.h"
#include "query/Statement.h"
#include "shared/BuilderSettings.h"
#include "shared/NameQuoting.h"
#include "shared/QueryState.h"
#include "shared/clsField.h"
#include "shared/clsTable.h"
#include "support/TestDatabases.h"

#include <QDate>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

using namespace lorvane;
using namespace lorvane::test;

namespace {

// Tables whose names and columns need every kind of quoting, in SQL both databases read.
QString schemaSql() {
    QStringList sql{
        R"(CREATE TABLE "Customers" ("CustomerID" INTEGER, "Company Name" VARCHAR(40), "Country" VARCHAR(20),
             "select" INTEGER, "we'ird" VARCHAR(10), "br]ack" VARCHAR(10), "dot.ted" INTEGER,
             "semi;colon" VARCHAR(10), "Joined" DATE, "LastSeen" TIMESTAMP))",
        R"(CREATE TABLE "Order Details" ("OrderID" INTEGER, "CustomerID" INTEGER, "Unit List Price" DECIMAL(10,2),
             "Quantity" INTEGER, "Note" VARCHAR(40)))",
        R"(CREATE TABLE "order" (id INTEGER, name VARCHAR(10)))",
        R"(CREATE TABLE "Odd] Name" (id INTEGER, label VARCHAR(10)))",
        R"(CREATE TABLE "x]; DROP TABLE victim; --" (id INTEGER))",
        R"(CREATE TABLE "dot.ted" (id INTEGER, "dot.ted" INTEGER))",
        R"(CREATE TABLE victim (id INTEGER))",
    };
    const char* const countries[] = {"UK", "France", "Germany"};
    for (int i = 1; i <= 12; ++i) {
        const QString weird = i % 3 == 0 ? QStringLiteral("x''y") : QStringLiteral("w%1").arg(i);
        sql << QStringLiteral("INSERT INTO \"Customers\" VALUES (%1, 'Company %1', '%2', %3, '%4', 'b%1', %5, '%6', "
                              "'%7', '%8')")
                   .arg(i)
                   .arg(QLatin1String(countries[i % 3]))
                   .arg(i * 10)
                   .arg(weird)
                   .arg(i % 4)
                   .arg(i % 2 ? QStringLiteral("a;b") : QStringLiteral("c"))
                   .arg(QDate(2020, 1, 1).addDays(i * 20).toString(Qt::ISODate))
                   .arg(QDateTime(QDate(2020, 1, 15).addDays(i * 10), QTime(10, 30)).toString("yyyy-MM-dd HH:mm:ss"));
    }
    const char* const notes[] = {"'Lower case letters'", "'somewhere'", "'plain'", "NULL"};
    for (int k = 0; k < 40; ++k)
        sql << QStringLiteral("INSERT INTO \"Order Details\" VALUES (%1, %2, %3.5, %4, %5)")
                   .arg(100 + k)
                   .arg(1 + k % 12)
                   .arg(k % 7)
                   .arg(k % 9 + 1)
                   .arg(QLatin1String(notes[k % 4]));
    sql << "INSERT INTO \"order\" VALUES (1, 'a')" << "INSERT INTO \"order\" VALUES (2, 'b')"
        << "INSERT INTO \"Odd] Name\" VALUES (1, 'odd')" << "INSERT INTO \"x]; DROP TABLE victim; --\" VALUES (7)"
        << "INSERT INTO \"dot.ted\" VALUES (1, 10)" << "INSERT INTO \"dot.ted\" VALUES (2, 20)"
        << "INSERT INTO victim VALUES (1)";
    return sql.join(QStringLiteral(";\n")) + u';';
}

struct Criterion {
    const char* table;  // raw names; an empty table means field is an alias
    const char* field;
    const char* op;
    const char* value1;
    const char* value2 = "";
    bool conjunctionAnd = true;
};

struct Grouping {
    const char* table;  // "" with field "*" for COUNT(*)
    const char* field;
    const char* operand;
};

struct Ordering {
    const char* table;  // "" when field is an aggregate alias
    const char* field;
    const char* direction;
};

struct Scenario {
    const char* name;
    std::vector<const char*> tables;
    std::vector<std::pair<const char*, const char*>> output;
    std::vector<Criterion> criteria;
    std::vector<Grouping> grouping;
    std::vector<Ordering> ordering;
    bool distinct = false;
    // A typed criteria cell (table, field, text), as the grid stores it.
    std::vector<std::tuple<const char*, const char*, const char*>> typedCells;
    const char* reference;  // the same question for the database's own client
    const char* refusal = nullptr;  // instead: the start of the reason given in plain words
};

const std::vector<Scenario>& scenarios() {
    static const std::vector<Scenario> all = {
        {"dates typed the US way, on a date column", {"Customers"}, {{"Customers", "CustomerID"}},
         {{"Customers", "Joined", "BETWEEN", "2/1/2020", "5/31/2020"}}, {}, {}, false, {},
         R"(SELECT "CustomerID" FROM "Customers" WHERE "Joined" BETWEEN '2020-02-01' AND '2020-05-31')"},
        {"a date on a timestamp column", {"Customers"}, {{"Customers", "CustomerID"}},
         {{"Customers", "LastSeen", ">=", "3/5/2020"}}, {}, {}, false, {},
         R"(SELECT "CustomerID" FROM "Customers" WHERE "LastSeen" >= '2020-03-05 00:00:00')"},
        {"names with blanks", {"Order Details"}, {{"Order Details", "Unit List Price"}, {"Order Details", "OrderID"}},
         {{"Order Details", "Unit List Price", ">", "4"}}, {}, {}, false, {},
         R"(SELECT "Unit List Price", "OrderID" FROM "Order Details" WHERE "Unit List Price" > 4)"},
        {"a quote character in a name and a value", {"Customers"}, {{"Customers", "we'ird"}},
         {{"Customers", "we'ird", "=", "x'y"}}, {}, {}, false, {},
         R"(SELECT "we'ird" FROM "Customers" WHERE "we'ird" = 'x''y')"},
        {"a closing bracket in a name", {"Customers"}, {{"Customers", "br]ack"}}, {{"Customers", "br]ack", "<>", "b1"}},
         {}, {}, false, {}, R"(SELECT "br]ack" FROM "Customers" WHERE "br]ack" <> 'b1')"},
        {"a bracket and a blank in a table name", {"Odd] Name"}, {{"Odd] Name", "label"}}, {}, {}, {}, false, {},
         R"(SELECT label FROM "Odd] Name")"},
        {"a table named like an attack", {"x]; DROP TABLE victim; --"}, {{"x]; DROP TABLE victim; --", "id"}}, {}, {},
         {}, false, {}, R"(SELECT id FROM "x]; DROP TABLE victim; --")"},
        {"a semicolon in a name and a value", {"Customers"}, {{"Customers", "semi;colon"}, {"Customers", "CustomerID"}},
         {{"Customers", "semi;colon", "=", "a;b"}}, {}, {}, false, {},
         R"(SELECT "semi;colon", "CustomerID" FROM "Customers" WHERE "semi;colon" = 'a;b')"},
        {"dots in a table and a field name", {"dot.ted"}, {{"dot.ted", "dot.ted"}}, {{"dot.ted", "dot.ted", ">", "15"}},
         {}, {}, false, {}, R"(SELECT "dot.ted" FROM "dot.ted" WHERE "dot.ted" > 15)"},
        {"a reserved word as a table and a column", {"order", "Customers"},
         {{"order", "name"}, {"Customers", "select"}}, {{"Customers", "select", "<", "25"}}, {}, {}, false, {},
         R"(SELECT name, "select" FROM "order", "Customers" WHERE "select" < 25)"},
        {"typed values holding 'case' and 'where'", {"Order Details"}, {{"Order Details", "OrderID"}}, {}, {}, {},
         false,
         {{"Order Details", "Note", "= 'Lower case letters'"}, {"Order Details", "Quantity", "> 2"}},
         R"(SELECT "OrderID" FROM "Order Details" WHERE "Note" = 'Lower case letters' AND "Quantity" > 2)"},
        {"a typed cell with two terms after 'somewhere'", {"Order Details"}, {{"Order Details", "OrderID"}}, {}, {}, {},
         false, {{"Order Details", "Note", "= 'somewhere' OR <> 'plain'"}},
         R"(SELECT "OrderID" FROM "Order Details" WHERE "Note" = 'somewhere' OR "Note" <> 'plain')"},
        {"LIKE with the wildcard", {"Customers"}, {{"Customers", "Company Name"}},
         {{"Customers", "Company Name", "ENDS WITH", "1"}}, {}, {}, false, {},
         R"(SELECT "Company Name" FROM "Customers" WHERE "Company Name" LIKE '%1')"},
        {"an aggregate over a name with blanks", {"Order Details"}, {},
         {}, {{"Order Details", "CustomerID", "GROUP BY"}, {"Order Details", "Unit List Price", "MAX"}}, {}, false, {},
         R"(SELECT "CustomerID", MAX("Unit List Price") FROM "Order Details" GROUP BY "CustomerID")"},
        {"COUNT and COUNT DISTINCT of one field", {"Order Details"}, {}, {},
         {{"Order Details", "Quantity", "COUNT"}, {"Order Details", "Quantity", "COUNT DISTINCT"}}, {}, false, {},
         R"(SELECT COUNT("Quantity"), COUNT(DISTINCT "Quantity") FROM "Order Details")"},
        {"ORDER BY a total", {"Order Details"}, {}, {},
         {{"Order Details", "CustomerID", "GROUP BY"}, {"Order Details", "Quantity", "SUM"}},
         {{"", "SUMOFQuantity", "DESC"}, {"Order Details", "CustomerID", "ASC"}}, false, {},
         R"(SELECT "CustomerID", SUM("Quantity") AS s FROM "Order Details" GROUP BY "CustomerID"
            ORDER BY s DESC, "CustomerID" ASC)"},
        {"HAVING on a total ORed with a grouped field", {"Customers"}, {},
         {{"", "COUNTOFAllRows", ">", "4"}, {"Customers", "Country", "=", "UK", "", false}},
         {{"Customers", "Country", "GROUP BY"}, {"", "*", "COUNT"}}, {}, false, {},
         R"(SELECT "Country", COUNT(*) FROM "Customers" GROUP BY "Country" HAVING COUNT(*) > 4 OR "Country" = 'UK')"},
        {"DISTINCT ordered by an output field", {"Customers"}, {{"Customers", "Country"}}, {}, {},
         {{"Customers", "Country", "DESC"}}, true, {},
         R"(SELECT DISTINCT "Country" FROM "Customers" ORDER BY "Country" DESC)"},
        {"DISTINCT ordered by a field that is not output", {"Customers"}, {{"Customers", "Country"}}, {}, {},
         {{"Customers", "CustomerID", "ASC"}}, true, {}, nullptr,
         "DISTINCT rows can only be ordered by fields that are output"},
        {"an OR across a total and a field that is not grouped", {"Order Details"}, {},
         {{"", "SUMOFQuantity", ">", "30"}, {"Order Details", "Note", "=", "plain", "", false}},
         {{"Order Details", "CustomerID", "GROUP BY"}, {"Order Details", "Quantity", "SUM"}}, {}, false, {}, nullptr,
         "The criteria lines joined by OR mix fields that are not grouped"},
    };
    return all;
}

QString cellText(const QVariant& v) {
    if (!v.isValid() || v.isNull())
        return {};
    switch (v.typeId()) {
    case QMetaType::QDateTime: return v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    case QMetaType::QDate: return v.toDate().toString(Qt::ISODate);
    case QMetaType::Double: return QString::number(v.toDouble(), 'g', 15);
    default: return v.toString();
    }
}

// Decimal text from one client and a number from another mean the same when they are equal.
QString canonical(const QString& line) {
    QStringList cells = line.split(u'|');
    for (QString& c : cells) {
        bool ok = false;
        const double d = c.toDouble(&ok);
        if (ok && c.contains(u'.'))
            c = QString::number(d, 'g', 15);
    }
    return cells.join(u'|');
}

QStringList rowsOf(RecordSet& rs) {
    QStringList rows;
    for (qint64 r = 0; r < rs.RecordCount(); ++r) {
        QStringList cells;
        for (int f = 0; f < rs.FieldCount(); ++f)
            cells << cellText(rs.ValueAt(r, f));
        rows << canonical(cells.join(u'|'));
    }
    return rows;
}

class AcrossDrivers : public ::testing::Test {
protected:
    void SetUp() override { resetSharedState(); }
    void TearDown() override { resetSharedState(); }

    // Connects as VLNMakeConnection does and asks every scenario. client runs a reference
    // statement on the same database with its own command-line client.
    void runScenarios(const QString& connectionString, const std::function<QString(const QString&)>& client) {
        ConnectionManager manager;
        const auto outcome = manager.MakeConnection({connectionString, {}, {}, 10, 30, 0, false, {}, true}, {});
        ASSERT_EQ(outcome.number, 0) << outcome.description.toStdString();
        EXPECT_EQ(outcome.description, "");  // every odd name loads: none is left out
        BuilderSettings& s = BuilderSettings::shared();
        const QStringList catalogue = *s.TableList;
        for (const char* table : {"Customers", "Order Details", "order", "Odd] Name", "x]; DROP TABLE victim; --",
                                  "dot.ted", "victim"})
            EXPECT_TRUE(catalogue.contains(NameQuoting::quoteRaw(QString::fromUtf8(table), s))) << table;

        for (const Scenario& sc : scenarios()) {
            SCOPED_TRACE(sc.name);
            QueryState state(&s);
            state.createTables();
            auto item = [&s](const char* table, const char* field) {
                if (!*table)
                    return QString::fromUtf8(field);
                return NameQuoting::quoteRaw(QString::fromUtf8(table), s) + u'.' +
                       NameQuoting::quoteRaw(QString::fromUtf8(field), s);
            };
            QStringList tables;
            for (const char* table : sc.tables)
                tables << NameQuoting::quoteRaw(QString::fromUtf8(table), s);
            state.TableList() = tables;
            state.SelectedTables = state.TableList();
            state.FieldList() = clsField::shared().FieldNamesFor(state.TableList());
            for (const auto& [table, field] : sc.output) {
                ASSERT_TRUE(state.FieldList().contains(item(table, field))) << item(table, field).toStdString();
                state.OutputFieldList << item(table, field);
            }
            state.Distinct = sc.distinct;
            ScriptedPrompts prompts;
            prompts.answer(Prompts::Answer::Yes);  // every grouping row is output
            GroupOrder groups(state);
            for (const Grouping& g : sc.grouping)
                ASSERT_TRUE(groups.CommitGroupingEntry(*g.table ? item(g.table, g.field) : QString::fromUtf8(g.field),
                                                       QString::fromUtf8(g.operand), prompts));
            Statement statement(state, clsField::shared());
            statement.RebuildStatement();  // the grid gets its columns
            for (const Criterion& c : sc.criteria)
                ASSERT_TRUE(Criteria(state, clsField::shared())
                                .CommitCriteriaEntry({item(c.table, c.field), QString::fromUtf8(c.op),
                                                      QString::fromUtf8(c.value1), QString::fromUtf8(c.value2),
                                                      c.conjunctionAnd}))
                    << c.field;
            for (const auto& [table, field, text] : sc.typedCells) {
                RecordSet& grid = state.rsWhere();
                if (grid.RecordCount() == 0)
                    grid.AddNew();
                else
                    grid.MoveLast();
                grid.SetValue(item(table, field), QString::fromUtf8(text));
                grid.Update();
            }
            for (const Ordering& o : sc.ordering)
                groups.CommitOrderingEntry(item(o.table, o.field), QString::fromUtf8(o.direction));
            statement.RebuildStatement();
            const QString sql = QString(state.StatementText).replace(QStringLiteral("\r\n"), QStringLiteral(" "));
            SCOPED_TRACE(sql.toStdString());

            const QString problem = statement.Problem();
            if (sc.refusal) {
                EXPECT_TRUE(problem.startsWith(QString::fromUtf8(sc.refusal))) << problem.toStdString();
                continue;
            }
            ASSERT_EQ(problem, "");
            std::shared_ptr<RecordSet> rs;
            try {
                rs = s.activeConnection().OpenRecordSet(sql, 0, true);
            } catch (const VLNError& e) {
                ADD_FAILURE() << "refused: " << e.description().toStdString();
                continue;
            }
            QStringList expected;
            for (const QString& line : client(QString::fromUtf8(sc.reference)).split(u'\n', Qt::SkipEmptyParts))
                expected << canonical(line);
            QStringList got = rowsOf(*rs);
            EXPECT_GT(expected.size(), 0);
            if (sc.ordering.empty()) {
                expected.sort();
                got.sort();
            }
            EXPECT_EQ(got, expected);
        }
        // Nothing any scenario ran touched the table the odd name threatens.
        EXPECT_EQ(client(QStringLiteral("SELECT COUNT(*) FROM victim")), "1");
    }
};

}  // namespace

TEST_F(AcrossDrivers, SqliteWithTheDefaultSettings) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("across.db"));
    ASSERT_NE(sqliteCli(file, schemaSql()), "<error>");
    runScenarios(QStringLiteral("Provider=SQLite;Data Source=") + file,
                 [&](const QString& sql) { return sqliteCli(file, sql + u';'); });
}

TEST_F(AcrossDrivers, PostgresWithTheDefaultSettings) {
    const QString pg = newPostgresDatabase(QStringLiteral("lorvane_across_test"));
    ASSERT_FALSE(pg.isEmpty());
    ASSERT_NE(psqlCli(pg, schemaSql()), "<error>");
    runScenarios(pg, [&](const QString& sql) { return psqlCli(pg, sql); });
}

TEST_F(AcrossDrivers, OdbcToSqliteWithTheDefaultSettings) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("across.db"));
    ASSERT_NE(sqliteCli(file, schemaSql()), "<error>");
    runScenarios(odbcConnectionStringFor(file), [&](const QString& sql) { return sqliteCli(file, sql + u';'); });
}

TEST_F(AcrossDrivers, OdbcToPostgresWithTheDefaultSettings) {
    const QString pg = newPostgresDatabase(QStringLiteral("lorvane_across_odbc_test"));
    ASSERT_FALSE(pg.isEmpty());
    ASSERT_NE(psqlCli(pg, schemaSql()), "<error>");
    runScenarios(odbcConnectionStringForPostgres(pg), [&](const QString& sql) { return psqlCli(pg, sql); });
}

TEST_F(AcrossDrivers, MariaDbWithTheDefaultSettings) {
    const QString cs = newMariaDbDatabase(QStringLiteral("lorvane_across_test"));
    ASSERT_FALSE(cs.isEmpty());
    // The schema and the reference statements quote names in the standard way.
    auto client = [&](const QString& sql) {
        return mariadbCli(cs, QStringLiteral("SET SESSION sql_mode = 'ANSI_QUOTES';\n") + sql);
    };
    ASSERT_NE(client(schemaSql()), "<error>");
    runScenarios(cs, client);
}
