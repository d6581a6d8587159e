// What an end user types can only ever be compared with: hostile text in the value box, the
// keypad and a grid cell is delimited into a literal or refused before or by the database, on
// SQLite, PostgreSQL and MariaDB, and the database's own client finds the table whole
// afterwards. And a typical request, walked end to end on each.
#include "builder/BuilderFixture.h"
#include "builder/QueryPage.h"
#include "platform/RecordSet.h"

#include <QFile>
#include <QTemporaryDir>
#include <functional>

using namespace lorvane;
using lorvane::test::CriteriaPage;

namespace {

const char* const kVictim =
    "CREATE TABLE victim (id INTEGER, note VARCHAR(40));"
    "INSERT INTO victim VALUES (1, 'one');"
    "INSERT INTO victim VALUES (2, 'two');"
    "INSERT INTO victim VALUES (3, 'three');";

// Text an attacker would type, as a value and as a criteria cell.
const char* const kHostile[] = {
    "'; DROP TABLE victim; --",
    "x' OR '1'='1",
    "= 1; DROP TABLE victim",
    "= 'a'); DROP TABLE victim; --",
    "= 'a' -- the rest goes",
    "= 'a' /* the rest goes",
    "= 'unbalanced",
    "= E'\\'') ; COMMIT; DROP TABLE victim; --'",
    "= $$'$$) ; COMMIT; DROP TABLE victim; --'",
    "= 1); BEGIN; SELECT (1",
    "= 1); ATTACH 'created.db' AS x; SELECT (1",
    "IN (SELECT 1); DELETE FROM victim; SELECT (1",
    "\\'; DROP TABLE victim; --",
    "= 'a\\'); DROP TABLE victim; # '",
    "= 1 /*! ); DROP TABLE victim; SELECT (1 */",
};

class ThroughTheWindow : public CriteriaPage {
protected:
    enum class Entry { ValueBox, Keypad, GridCell };

    // Enters the text at one entry point, runs, and says how the run ended: "rows N" when it
    // ran, "error: ..." when the database or the check refused it, "refused: ..." when the
    // window refused before running.
    QString enterAndRun(Entry entry, const QString& text) {
        const auto promptsBefore = prompts->records().size();
        executed->clear();
        click("cmdResetSQL");  // asks; answered Yes below
        switch (entry) {
        case Entry::ValueBox:
            field("note");
            op("=");
            value(1, text);
            click("cmdCommit");
            break;
        case Entry::Keypad: {
            click("cmdEditWhere");
            frmCriteriaBuilder* keypad = openKeypad(0, "victim.note");
            if (!keypad)
                return "no keypad";
            QTest::keyClicks(keypad->textBox(), text);
            closeKeypad(keypad, "cmdCriteriaOK");
            click("cmdSQLView");
            break;
        }
        case Entry::GridCell:
            click("cmdEditWhere");
            typeCell(0, "victim.note", text);
            click("cmdSQLView");
            break;
        }
        click("cmdRunQuery");
        if (prompts->records().size() > promptsBefore + 1)
            return "refused: " + prompts->records().back().text;
        if (executed->count() != 1)
            return "no outcome";
        const auto args = executed->first();
        if (args[0].toInt() != 0)
            return "error: " + args[1].toString();
        return QStringLiteral("rows %1").arg(args[3].value<std::shared_ptr<RecordSet>>()->RecordCount());
    }

    void everyEntryPoint(const QString& connectionString, const std::function<QString(const QString&)>& client) {
        openOn("victim", connectionString);
        prompts->answer(Prompts::Answer::Yes);  // every reset question
        for (const char* hostile : kHostile) {
            const QString text = QString::fromUtf8(hostile);
            SCOPED_TRACE(hostile);
            // In the value box it is a value: the run compares note with it and finds nothing.
            EXPECT_EQ(enterAndRun(Entry::ValueBox, text), "rows 0");
            EXPECT_EQ(client("SELECT COUNT(*) FROM victim"), "3");
            // As cell text it may be kept as typed; it then never runs as more than one query.
            for (Entry entry : {Entry::Keypad, Entry::GridCell}) {
                const QString outcome = enterAndRun(entry, text);
                EXPECT_TRUE(outcome == "rows 0" || outcome.startsWith("error: ") || outcome.startsWith("refused: "))
                    << outcome.toStdString();
                EXPECT_EQ(client("SELECT COUNT(*) FROM victim"), "3");
            }
        }
        EXPECT_EQ(Lorvanev2::builderWindow(), w);  // the window is still there and usable
        EXPECT_EQ(enterAndRun(Entry::ValueBox, "two"), "rows 1");
    }
};

}  // namespace

TEST_F(ThroughTheWindow, HostileTextInEveryEntryPointLeavesSqliteWhole) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("victim.db"));
    ASSERT_NE(test::sqliteCli(file, QString::fromLatin1(kVictim)), "<error>");
    everyEntryPoint("Provider=SQLite;Data Source=" + file,
                    [&](const QString& sql) { return test::sqliteCli(file, sql + u';'); });
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("created.db"))));
    EXPECT_FALSE(QFile::exists(QStringLiteral("created.db")));
}

TEST_F(ThroughTheWindow, HostileTextInEveryEntryPointLeavesPostgresWhole) {
    const QString pg = test::newPostgresDatabase(QStringLiteral("lorvane_window_escape_test"));
    ASSERT_FALSE(pg.isEmpty());
    ASSERT_NE(test::psqlCli(pg, QString::fromLatin1(kVictim)), "<error>");
    everyEntryPoint(pg, [&](const QString& sql) { return test::psqlCli(pg, sql); });
}

TEST_F(ThroughTheWindow, HostileTextInEveryEntryPointLeavesMariaDbWhole) {
    const QString cs = test::newMariaDbDatabase(QStringLiteral("lorvane_window_escape_test"));
    ASSERT_FALSE(cs.isEmpty());
    ASSERT_NE(test::mariadbCli(cs, QString::fromLatin1(kVictim)), "<error>");
    everyEntryPoint(cs, [&](const QString& sql) { return test::mariadbCli(cs, sql); });
}

namespace {

const char* const kShop =
    "CREATE TABLE customers (customer_id INTEGER, company VARCHAR(40), city VARCHAR(20));"
    "CREATE TABLE orders (order_id INTEGER, customer_id INTEGER, freight INTEGER);"
    "INSERT INTO customers VALUES (1, 'Alpha', 'Berlin');"
    "INSERT INTO customers VALUES (2, 'Beta', 'Paris');"
    "INSERT INTO customers VALUES (3, 'Gamma', 'Berlin');"
    "INSERT INTO orders VALUES (10, 1, 5);"
    "INSERT INTO orders VALUES (11, 2, 7);"
    "INSERT INTO orders VALUES (12, 3, 9);"
    "INSERT INTO orders VALUES (13, 3, 11);";

}  // namespace

class TypicalRequest : public CriteriaPage {
protected:
    // Two tables, a join, two output fields, one criterion chosen through the value box, run.
    void walk(const QString& connectionString, const std::function<QString(const QString&)>& client) {
        connectAndShow(connectionString);
        addTable("orders");
        addTable("customers");
        joinOnPage("orders", "customers");
        goToPage(frmQDM::SelectFields);
        choose("lstTPXFieldFrom", "orders.order_id");
        click("cmdTPXFieldRight");
        choose("lstTPXFieldFrom", "customers.company");
        click("cmdTPXFieldRight");
        goToPage(frmQDM::BuildQuery);
        field("city");
        op("=");
        click("cmdFieldValues");
        ASSERT_EQ(comboItems("cmbAvailableValues1"), (QStringList{"Berlin", "Paris"}));
        chooseCombo("cmbAvailableValues1", "Berlin");
        click("cmdCommit");
        const QString expected = "SELECT orders.order_id, customers.company\n"
                                 "FROM ( orders INNER JOIN customers ON orders.customer_id = customers.customer_id)\n"
                                 "WHERE (customers.city = 'Berlin')\n";
        ASSERT_EQ(sqlText().replace("\r\n", "\n"), expected);
        click("cmdRunQuery");
        ASSERT_EQ(executed->count(), 1);
        const auto args = executed->first();
        EXPECT_EQ(args[0].toInt(), 0) << args[1].toString().toStdString();
        const QString sql = args[2].toString();
        EXPECT_EQ(sql, QString(expected).replace(u'\n', u' '));
        auto rows = args[3].value<std::shared_ptr<RecordSet>>();
        ASSERT_TRUE(rows);
        QStringList got;
        for (qint64 r = 0; r < rows->RecordCount(); ++r)
            got << rows->ValueAt(r, 0).toString() + u'|' + rows->ValueAt(r, 1).toString();
        QStringList fromClient = client(sql).split(u'\n', Qt::SkipEmptyParts);
        got.sort();
        fromClient.sort();
        EXPECT_EQ(got, fromClient);
        EXPECT_EQ(got, (QStringList{"10|Alpha", "12|Gamma", "13|Gamma"}));
    }
};

TEST_F(TypicalRequest, OnSqlite) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("shop.db"));
    ASSERT_NE(test::sqliteCli(file, QString::fromLatin1(kShop)), "<error>");
    walk("Provider=SQLite;Data Source=" + file, [&](const QString& sql) { return test::sqliteCli(file, sql + u';'); });
}

TEST_F(TypicalRequest, OnPostgres) {
    const QString pg = test::newPostgresDatabase(QStringLiteral("lorvane_typical_test"));
    ASSERT_FALSE(pg.isEmpty());
    ASSERT_NE(test::psqlCli(pg, QString::fromLatin1(kShop)), "<error>");
    walk(pg, [&](const QString& sql) { return test::psqlCli(pg, sql); });
}

TEST_F(TypicalRequest, OnMariaDbWhereTheJoinPageOffersNoFullOuterJoin) {
    const QString cs = test::newMariaDbDatabase(QStringLiteral("lorvane_typical_test"));
    ASSERT_FALSE(cs.isEmpty());
    ASSERT_NE(test::mariadbCli(cs, QString::fromLatin1(kShop)), "<error>");
    // The host allows every join type; MariaDB has no FULL OUTER JOIN to offer.
    component->setVLNJoinTypesSupported(Lorvanev2::jtInnerOuterAndFullOuterJoin);
    walk(cs, [&](const QString& sql) { return test::mariadbCli(cs, sql); });
    EXPECT_EQ(comboItems("cmbJoinType"),
              (QStringList{"Inner: matching rows only", "Left outer: every row of the left table"}));
}
