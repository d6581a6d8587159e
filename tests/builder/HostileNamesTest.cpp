// A catalogue whose tables and columns are named with blanks, quotes of every kind, brackets,
// semicolons, comment dashes, SQL keywords, non-ASCII letters and the longest names the
// database allows: every page, the statement and the run work for them on SQLite, PostgreSQL
// and MariaDB, the rows are the ones the database's own client gives, and no name adds SQL.
#include "builder/BuilderFixture.h"
#include "builder/QueryPage.h"
#include "platform/RecordSet.h"

#include <QTemporaryDir>
#include <functional>

using namespace lorvane;
using lorvane::test::CriteriaPage;

namespace {

QString quoted(const QString& name) {
    return u'"' + QString(name).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

struct Catalogue {
    QString lines;   // it's "odd" [lines]; -- drop
    QString keyword; // select
    QStringList lineColumns;
    QString longColumn;
};

Catalogue catalogue(int longest) {
    Catalogue c;
    c.lines = QStringLiteral("it's \"odd\" [lines]; -- drop");
    c.keyword = QStringLiteral("select");
    c.longColumn = QStringLiteral("l") + QString(longest - 1, u'o');
    c.lineColumns = {QStringLiteral("id"), QStringLiteral("unit \"price\""), QStringLiteral("a]b[c"),
                     QStringLiteral("it's; -- x"), QStringLiteral("from"), QStringLiteral("Größe"), c.longColumn};
    return c;
}

QString schema(const Catalogue& c) {
    const QString t = quoted(c.lines);
    const QString k = quoted(c.keyword);
    QString sql = QStringLiteral("CREATE TABLE %1 (id INTEGER, %2 INTEGER, %3 VARCHAR(20), %4 VARCHAR(20), %5 INTEGER, "
                                 "%6 VARCHAR(20), %7 INTEGER);")
                      .arg(t, quoted(c.lineColumns[1]), quoted(c.lineColumns[2]), quoted(c.lineColumns[3]),
                           quoted(c.lineColumns[4]), quoted(c.lineColumns[5]), quoted(c.longColumn));
    sql += QStringLiteral("CREATE TABLE %1 (id INTEGER, %2 VARCHAR(20));").arg(k, quoted(QStringLiteral("Ölpreis")));
    const char* const rows[] = {"(1, 10, 'x', 'a', 3, 'groß', 7)", "(2, 20, 'y', 'b', 4, 'klein', 8)",
                                "(3, 30, 'x', 'c', 5, 'groß', 9)"};
    for (const char* r : rows)
        sql += QStringLiteral("INSERT INTO %1 VALUES %2;").arg(t, QString::fromUtf8(r));
    sql += QStringLiteral("INSERT INTO %1 VALUES (1, 'hoch');INSERT INTO %1 VALUES (3, 'tief');").arg(k);
    return sql;
}

}  // namespace

class HostileNames : public CriteriaPage {
protected:
    QString itemWith(const char* list, const QString& needle) {
        for (const QString& item : items(list))
            if (item.contains(needle))
                return item;
        ADD_FAILURE() << needle.toStdString() << " is not in " << list;
        return {};
    }
    QString comboWith(const char* combo, const QString& needle) {
        for (const QString& item : comboItems(combo))
            if (item.contains(needle))
                return item;
        ADD_FAILURE() << needle.toStdString() << " is not offered in " << combo;
        return {};
    }
    QStringList runRows(QString& ran) {
        executed->clear();
        click("cmdRunQuery");
        EXPECT_EQ(executed->count(), 1) << (prompts->records().isEmpty() ? "" : prompts->records().back().text.toStdString());
        if (executed->count() != 1)
            return {};
        EXPECT_EQ(executed->first()[0].toInt(), 0) << executed->first()[1].toString().toStdString() << "\n"
                                                   << executed->first()[2].toString().toStdString();
        ran = executed->first()[2].toString();
        return test::rowsOf(executed->first()[3].value<std::shared_ptr<RecordSet>>().get());
    }

    void everyPage(const QString& connectionString, int longest, const std::function<QString(const QString&)>& client) {
        const Catalogue c = catalogue(longest);
        ASSERT_NE(client(schema(c)), "<error>");
        connectAndShow(connectionString);
        const QString lines = itemWith("lstTPXTableSelection", QStringLiteral("[lines]"));
        const QString keyword = itemWith("lstTPXTableSelection", QStringLiteral("select"));
        addTable(lines);
        addTable(keyword);

        // The join on the two id columns, found by the same-name match.
        goToPage(frmQDM::BuildJoins);  // the page offers the tables as it names them
        joinOnPage(comboWith("cmbJoinTables(0)", QStringLiteral("[lines]")),
                   comboWith("cmbJoinTables(1)", QStringLiteral("select")));
        goToPage(frmQDM::SelectFields);
        EXPECT_EQ(items("lstTPXFieldFrom").size(), 9);
        click("cmdTPXFieldRightAll");
        goToPage(frmQDM::BuildQuery);

        // A criterion on a column named with brackets, through the value search.
        field(itemWith("lstSelectedFields", QStringLiteral("a]b[c")));
        op("=");
        click("cmdFieldValues");
        EXPECT_EQ(comboItems("cmbAvailableValues1"), (QStringList{"x", "y"}));
        chooseCombo("cmbAvailableValues1", "x");
        click("cmdCommit");
        // Ordered by the keyword-named column, descending.
        option(QueryPage::Order);
        field(itemWith("lstSelectedFields", QStringLiteral("from")));
        op("DESC");
        click("cmdCommit");
        QString ran;
        QStringList rows = runRows(ran);
        EXPECT_EQ(rows.size(), 2);
        EXPECT_EQ(rows, client(ran).split(u'\n', Qt::SkipEmptyParts)) << ran.toStdString();
        EXPECT_TRUE(rows.value(0).startsWith("3|30|x|c|5|groß|9|3|tief")) << rows.value(0).toStdString();

        // Totals: grouped by the non-ASCII column, a SUM of the quoted one, rows counted.
        prompts->answer(Prompts::Answer::Yes);
        click("cmdResetSQL");
        option(QueryPage::Group);
        for (const auto& [needle, operand] : {std::pair<const char*, const char*>{"Größe", "GROUP BY"},
                                              {"price", "SUM"},
                                              {"*", "COUNT"}}) {
            field(needle == QStringLiteral("*") ? QStringLiteral("*")
                                                : itemWith("lstSelectedFields", QString::fromUtf8(needle)));
            op(QString::fromLatin1(operand));
            prompts->answer(Prompts::Answer::Yes);
            click("cmdCommit");
        }
        option(QueryPage::Order);
        field(itemWith("lstSelectedFields", QStringLiteral("Größe")));
        op("ASC");
        click("cmdCommit");
        rows = runRows(ran);
        EXPECT_EQ(rows, client(ran).split(u'\n', Qt::SkipEmptyParts)) << ran.toStdString();
        EXPECT_EQ(rows, (QStringList{"groß|40|2"}));  // the inner join keeps ids 1 and 3

        // Nothing any name holds ran as SQL: both tables are whole.
        EXPECT_EQ(client(QStringLiteral("SELECT COUNT(*) FROM %1").arg(quoted(c.lines))), "3");
        EXPECT_EQ(client(QStringLiteral("SELECT COUNT(*) FROM %1").arg(quoted(c.keyword))), "2");
    }
};

TEST_F(HostileNames, EveryPageAndTheRunWorkOnSqlite) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("hostile.db"));
    everyPage("Provider=SQLite;Data Source=" + file, 200,
              [&](const QString& sql) { return test::sqliteCli(file, sql.endsWith(u';') ? sql : sql + u';'); });
}

TEST_F(HostileNames, EveryPageAndTheRunWorkOnPostgres) {
    const QString pg = test::newPostgresDatabase(QStringLiteral("lorvane_hostile_names_test"));
    ASSERT_FALSE(pg.isEmpty());
    // PostgreSQL names are at most 63 bytes long.
    everyPage(pg, 63, [&](const QString& sql) { return test::psqlCli(pg, sql); });
}

TEST_F(HostileNames, EveryPageAndTheRunWorkOnMariaDb) {
    const QString cs = test::newMariaDbDatabase(QStringLiteral("lorvane_hostile_names_test"));
    ASSERT_FALSE(cs.isEmpty());
    // MariaDB names are at most 64 characters long; the client reads the schema's double
    // quotes as names.
    everyPage(cs, 64, [&](const QString& sql) {
        return test::mariadbCli(cs, QStringLiteral("SET SESSION sql_mode = 'ANSI_QUOTES';\n") + sql);
    });
}
