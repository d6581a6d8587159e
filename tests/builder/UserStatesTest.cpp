// States an end user reaches on the builder's pages, each of which once gave a statement the
// database refused or, worse, one that ran and answered another question: tables removed
// under criteria and joins, totals over calculated fields, DISTINCT totals, whole days,
// AND/OR, blanks and words typed into the grid, the keypad after an edit, the field order
// editor, line breaks, the command-line tool on joins, and picked date values. Every statement
// the tests expect to be valid is prepared (or run) on a real database as well.
#include "builder/BuilderFixture.h"
#include "builder/QueryPage.h"
#include "builder/frmCalcFields.h"
#include "builder/frmFieldOrder.h"
#include "platform/RecordSet.h"
#include "query/Criteria.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <functional>

using namespace lorvane;
using lorvane::test::CriteriaPage;

namespace {

// Small enough to know every answer by heart; the timestamps sit at the edges of days.
QString salesScript(const char* timestampType) {
    return QStringLiteral(
               "CREATE TABLE sales (id INTEGER, city VARCHAR(20), price INTEGER, qty INTEGER, sold %1);"
               "INSERT INTO sales VALUES (1, 'Berlin', 5, 2, '2023-01-01 00:00:00');"
               "INSERT INTO sales VALUES (2, 'Berlin', 3, 1, '2023-06-30 12:00:00');"
               "INSERT INTO sales VALUES (3, 'Paris', 7, 4, '2023-12-31 17:43:00');"
               "INSERT INTO sales VALUES (4, 'Paris', 7, 1, '2024-01-01 00:00:00');"
               "INSERT INTO sales VALUES (5, 'Rome', 2, 10, '2022-12-31 23:59:00');")
        .arg(QLatin1String(timestampType));
}

struct CliOutcome {
    int exit = -1;
    QString out;
    QString err;
};

CliOutcome lorvaneCli(const QStringList& arguments) {
    QProcess p;
    p.start(QStringLiteral(LORVANE_CLI_PATH), arguments);
    if (!p.waitForFinished(120000))
        return {};
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

}  // namespace

class UserStates : public CriteriaPage {
protected:
    QString sql() { return sqlText().replace(QStringLiteral("\r\n"), QStringLiteral("\n")); }

    // The sample database compiles the statement (EXPLAIN prepares it without running it).
    void preparesOnSample(const QString& statement) {
        SCOPED_TRACE(statement.toStdString());
        EXPECT_NE(test::sqliteCli(test::sampleDatabasePath(), QStringLiteral("EXPLAIN ") + statement + u';'), "<error>");
    }

    void where(const QString& shown, const QString& word, const QString& v1, const QString& v2 = {}) {
        option(QueryPage::Where);
        field(shown);
        op(word);
        if (!v1.isEmpty())
            value(1, v1);
        if (!v2.isEmpty())
            value(2, v2);
        click("cmdCommit");
    }
    void resetQuery() {
        prompts->answer(Prompts::Answer::Yes);
        click("cmdResetSQL");
    }

    template <typename D> D* dialog(QWidget* parent = nullptr) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        D* d = (parent ? parent : w)->findChild<D*>();
        EXPECT_NE(d, nullptr);
        EXPECT_TRUE(d && d->isVisible());
        return d;
    }
    template <typename T> T* in(QWidget* d, const char* name) {
        T* child = d->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    void pick(QWidget* d, const char* list, const QString& text) {
        auto* l = in<QListWidget>(d, list);
        const auto found = l->findItems(text, Qt::MatchExactly);
        ASSERT_FALSE(found.isEmpty()) << text.toStdString() << " not in " << list;
        l->setCurrentItem(found.first());
        emit l->itemClicked(found.first());
    }
    void press(QWidget* d, const char* button) {
        auto* b = in<QAbstractButton>(d, button);
        ASSERT_TRUE(b->isEnabled()) << button << " is disabled";
        QTest::mouseClick(b, Qt::LeftButton);
    }
    void closeWith(QWidget* d, const char* button) {
        press(d, button);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
    void typeInto(QWidget* d, const char* box, const QString& text) {
        QWidget* target = in<QWidget>(d, box);
        if (auto* edit = qobject_cast<QTextEdit*>(target))
            edit->clear();
        else if (auto* line = qobject_cast<QLineEdit*>(target))
            line->clear();
        // A line break is the Return key.
        const QStringList lines = text.split(u'\n');
        for (qsizetype i = 0; i < lines.size(); ++i) {
            if (i > 0)
                QTest::keyClick(target, Qt::Key_Return);
            QTest::keyClicks(target, lines[i]);
        }
    }
    // A calculated field typed into the dialog; true when the dialog took it.
    bool calcField(const QString& expression, const QString& alias) {
        click("cmdCalcField");
        auto* calc = dialog<frmCalcFields>();
        if (!calc)
            return false;
        typeInto(calc, "txtCriteria", expression);
        typeInto(calc, "txtAlias", alias);
        press(calc, "cmdOK");
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
        if (w->findChild<frmCalcFields*>() && w->findChild<frmCalcFields*>()->isVisible()) {
            closeWith(w->findChild<frmCalcFields*>(), "cmdCancel");
            return false;
        }
        return true;
    }

    // Runs the statement; the rows it gave and the statement as it ran.
    std::pair<QStringList, QString> run() {
        executed->clear();
        click("cmdRunQuery");
        EXPECT_EQ(executed->count(), 1);
        if (executed->count() != 1)
            return {};
        const auto args = executed->first();
        EXPECT_EQ(args[0].toInt(), 0) << args[1].toString().toStdString();
        if (args[0].toInt() != 0)
            return {QStringList{}, args[2].toString()};
        auto rows = args[3].value<std::shared_ptr<RecordSet>>();
        return {test::rowsOf(rows.get()), args[2].toString()};
    }
    qint64 sampleCount(const QString& whereText) {
        return test::sqliteCli(test::sampleDatabasePath(), QStringLiteral("SELECT COUNT(*) FROM Orders WHERE ") + whereText +
                                                               u';')
            .trimmed()
            .toLongLong();
    }

    // Whole days, DISTINCT totals, totals and groups over calculated fields, and a calculated
    // field over a total, on one small table; each run compared with the database's own client.
    void salesWalk(const QString& connectionString, const QString& quote,
                   const std::function<QString(const QString&)>& client) {
        // Output names as the database's dialect writes them.
        auto n = [&quote](const char* name) { return quote + QLatin1String(name) + quote; };
        openOn("sales", connectionString);
        auto firsts = [](const QStringList& rows) {
            QStringList out;
            for (const QString& row : rows)
                out << row.section(u'|', 0, 0);
            return out;
        };
        auto ids = [&] {
            auto [rows, ran] = run();
            EXPECT_EQ(firsts(rows), firsts(client(ran).split(u'\n', Qt::SkipEmptyParts))) << ran.toStdString();
            return firsts(rows);
        };

        // A date without a time is the whole day.
        where("sold", "BETWEEN", "2023-01-01", "2023-12-31");
        EXPECT_EQ(criteriaLines(), "WHERE (sales.sold >= '2023-01-01' AND sales.sold < '2024-01-01')");
        EXPECT_EQ(ids(), (QStringList{"1", "2", "3"}));
        resetQuery();
        where("sold", "=", "12/31/2023");
        EXPECT_EQ(ids(), QStringList{"3"});
        resetQuery();
        where("sold", "<=", "2023-06-30");
        EXPECT_EQ(ids(), (QStringList{"1", "2", "5"}));
        resetQuery();
        where("sold", ">", "2023-06-30");
        EXPECT_EQ(criteriaLines(), "WHERE (sales.sold >= '2023-07-01')");
        EXPECT_EQ(ids(), (QStringList{"3", "4"}));
        resetQuery();
        where("sold", "<>", "2023-01-01");
        EXPECT_EQ(ids(), (QStringList{"2", "3", "4", "5"}));
        resetQuery();
        // A time given is kept as given.
        where("sold", "<=", "2023-06-30 12:00");
        EXPECT_EQ(ids(), (QStringList{"1", "2", "5"}));
        resetQuery();

        // DISTINCT ticked for the plain select does not creep into totals: a DISTINCT total is
        // an entry of its own.
        find<QCheckBox>("chkDistinct")->click();
        group("city", "GROUP BY", true);
        group("price", "SUM", true);
        group("price", "COUNT DISTINCT", true);
        field("*");
        EXPECT_EQ(items("lstOperands"), QStringList{"COUNT"});
        EXPECT_EQ(sql().section(u'\n', 0, 0), "SELECT sales.city, SUM(sales.price) AS " + n("SUMOFprice") +
                                                   ", COUNT(DISTINCT sales.price) AS " + n("COUNTDISTINCTOFprice"));
        order("city", "ASC");
        {
            auto [rows, ran] = run();
            EXPECT_EQ(rows, (QStringList{"Berlin|8|2", "Paris|14|1", "Rome|2|1"}));
            EXPECT_EQ(rows, client(ran).split(u'\n', Qt::SkipEmptyParts));
        }

        // A calculated field over a total, in lower case: output in grouping mode, its criterion
        // in HAVING. One that names a total's output name is refused in plain words.
        EXPECT_FALSE(calcField("SUMOFprice*2", "Twice"));
        EXPECT_EQ(prompts->records().back().title, "Calc Field Creation Error");
        EXPECT_TRUE(prompts->records().back().text.contains("SUMOFprice")) << prompts->records().back().text.toStdString();
        EXPECT_TRUE(calcField("sum(sales.price)/2", "Half"));
        where("Half", ">", "3");
        EXPECT_TRUE(sql().contains("sum(sales.price)/2 AS " + n("Half"))) << sql().toStdString();
        EXPECT_TRUE(sql().contains("HAVING (sum(sales.price)/2 > 3)")) << sql().toStdString();
        EXPECT_FALSE(sql().contains("WHERE")) << sql().toStdString();
        {
            auto [rows, ran] = run();
            EXPECT_EQ(rows, (QStringList{"Berlin|8|2|4", "Paris|14|1|7"}));
            EXPECT_EQ(rows, client(ran).split(u'\n', Qt::SkipEmptyParts));
        }
        find<QCheckBox>("chkDistinct")->click();
        resetQuery();

        // A total over a calculated field totals its expression; grouping on one groups by it.
        ASSERT_TRUE(calcField("sales.price*sales.qty", "LineTotal"));
        group("city", "GROUP BY", true);
        group("LineTotal", "SUM", true);
        order("city", "ASC");
        EXPECT_EQ(sql().section(u'\n', 0, 0), "SELECT sales.city, SUM(sales.price*sales.qty) AS " + n("SUMOFLineTotal"));
        where("SUMOFLineTotal", ">", "15");
        EXPECT_TRUE(sql().contains("HAVING (SUM(sales.price*sales.qty) > 15)")) << sql().toStdString();
        {
            auto [rows, ran] = run();
            EXPECT_EQ(rows, (QStringList{"Paris|35", "Rome|20"}));
            EXPECT_EQ(rows, client(ran).split(u'\n', Qt::SkipEmptyParts));
        }
        resetQuery();
        ASSERT_TRUE(calcField("sales.price*sales.qty", "LineTotal"));
        group("LineTotal", "GROUP BY", true);
        group("*", "COUNT", true);
        order("LineTotal", "DESC");
        EXPECT_EQ(sql(), "SELECT sales.price*sales.qty AS " + n("LineTotal") + ", COUNT(*) AS " + n("COUNTOFAllRows") +
                             "\nFROM sales\nGROUP BY sales.price*sales.qty\nORDER BY " + n("LineTotal") + " DESC");
        {
            auto [rows, ran] = run();
            EXPECT_EQ(rows, (QStringList{"28|1", "20|1", "10|1", "7|1", "3|1"}));
            EXPECT_EQ(rows, client(ran).split(u'\n', Qt::SkipEmptyParts));
        }
    }
};

TEST_F(UserStates, RemovingATableTakesItsCriteriaTotalsAndJoinsAndKeepsTheRest) {
    connectAndShow();
    addTable("Orders");
    addTable("Customers");
    addTable("Shippers");
    joinOnPage("Orders", "Customers");
    click("cmdlockTables");
    chooseCombo("cmbJoinTables(0)", "Orders");
    chooseCombo("cmbJoinTables(1)", "Shippers");
    click("cmdlockTables");
    choose("lstJoinFields(0)", "Orders.ShipVia");
    choose("lstJoinFields(1)", "Shippers.ShipperID");
    chooseCombo("cmbJoinType", "Left outer: every row of Orders");
    click("cmdAddJoin");
    goToPage(frmQDM::SelectFields);
    click("cmdTPXFieldRightAll");
    goToPage(frmQDM::BuildQuery);
    where("ShipCity", "=", "Berlin");
    where("Country", "=", "Germany");
    group("Country", "GROUP BY", true);
    group("OrderID", "COUNT", true);
    where("COUNTOFOrderID", ">", "3");
    EXPECT_EQ(sql(), "SELECT Customers.Country, COUNT(Orders.OrderID) AS COUNTOFOrderID\n"
                     "FROM (( Orders INNER JOIN Customers ON Orders.CustomerID = Customers.CustomerID)  "
                     "LEFT OUTER JOIN Shippers ON Orders.ShipVia = Shippers.ShipperID)\n"
                     "WHERE (Orders.ShipCity = 'Berlin')\nGROUP BY Customers.Country\n"
                     "HAVING (Customers.Country = 'Germany') AND (COUNT(Orders.OrderID) > 3)\n");
    preparesOnSample(sqlText());

    // Shippers goes: its join goes, the join between the tables that remain stays.
    goToPage(frmQDM::SelectTables);
    choose("lstTPXTableTo", "Shippers");
    click("cmdTPXTableLeft");
    EXPECT_EQ(w->state().rsJoins().RecordCount(), 1);
    goToPage(frmQDM::BuildQuery);
    EXPECT_EQ(sql().section(u'\n', 1, 1),
              "FROM ( Orders INNER JOIN Customers ON Orders.CustomerID = Customers.CustomerID)");
    preparesOnSample(sqlText());
    {
        auto [rows, ran] = run();
        EXPECT_EQ(rows, test::sqliteCli(test::sampleDatabasePath(), ran + u';').split(u'\n', Qt::SkipEmptyParts));
    }

    // Orders goes: its criterion, its total and the HAVING on the total go with it.
    goToPage(frmQDM::SelectTables);
    choose("lstTPXTableTo", "Orders");
    click("cmdTPXTableLeft");
    EXPECT_EQ(w->state().rsJoins().RecordCount(), 0);
    goToPage(frmQDM::BuildQuery);
    EXPECT_EQ(sql(), "SELECT Customers.Country\nFROM Customers\nGROUP BY Customers.Country\n"
                     "HAVING (Customers.Country = 'Germany')\n");
    preparesOnSample(sqlText());

    // Every table goes ("<<"), another comes: nothing of the old query is left.
    goToPage(frmQDM::SelectTables);
    click("cmdTPXTableLeftAll");
    addTable("Shippers");
    goToPage(frmQDM::SelectFields);
    click("cmdTPXFieldRightAll");
    goToPage(frmQDM::BuildQuery);
    EXPECT_FALSE(sql().contains("Customers")) << sql().toStdString();
    EXPECT_FALSE(sql().contains("HAVING")) << sql().toStdString();
    preparesOnSample(sqlText());
}

TEST_F(UserStates, WhenTheFirstJoinGoesTheNextOneStartsTheChain) {
    connectAndShow();
    addTable("Customers");
    addTable("Orders");
    addTable("Employees");
    joinOnPage("Customers", "Orders");
    click("cmdlockTables");
    chooseCombo("cmbJoinTables(0)", "Orders");
    chooseCombo("cmbJoinTables(1)", "Employees");
    click("cmdlockTables");
    click("cmdAddJoin");
    goToPage(frmQDM::SelectFields);
    click("cmdTPXFieldRightAll");
    goToPage(frmQDM::SelectTables);
    choose("lstTPXTableTo", "Customers");
    click("cmdTPXTableLeft");
    EXPECT_EQ(w->state().JoinText, "( Orders INNER JOIN Employees ON Orders.EmployeeID = Employees.EmployeeID)");
    goToPage(frmQDM::BuildQuery);
    EXPECT_EQ(sql().section(u'\n', 1, 1), "FROM ( Orders INNER JOIN Employees ON Orders.EmployeeID = Employees.EmployeeID)");
    preparesOnSample(sqlText());
    // The join page goes on from the joins that stayed.
    goToPage(frmQDM::BuildJoins);
    EXPECT_EQ(find<QTableView>("dgrJoins")->model()->rowCount(), 1);
}

TEST_F(UserStates, WholeDaysDistinctTotalsAndCalculatedFieldsInTotalsOnSqlite) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("sales.db"));
    ASSERT_NE(test::sqliteCli(file, salesScript("DATETIME")), "<error>");
    salesWalk("Provider=SQLite;Data Source=" + file, QString(), [&](const QString& sql) { return test::sqliteCli(file, sql + u';'); });
}

TEST_F(UserStates, WholeDaysDistinctTotalsAndCalculatedFieldsInTotalsOnPostgres) {
    const QString pg = test::newPostgresDatabase(QStringLiteral("lorvane_user_states_test"));
    ASSERT_FALSE(pg.isEmpty());
    ASSERT_NE(test::psqlCli(pg, salesScript("TIMESTAMP")), "<error>");
    salesWalk(pg, QStringLiteral("\""), [&](const QString& sql) { return test::psqlCli(pg, sql); });
}

TEST_F(UserStates, AndOrFollowsTheFieldsOwnCriteriaAndTheUsersClick) {
    openOn("Orders");
    where("ShipCity", "=", "Paris");
    // A field with no criteria in the line joins it with AND, whatever the operator.
    field("OrderDate");
    op("BETWEEN");
    EXPECT_TRUE(find<QRadioButton>("optAndOr(0)")->isChecked());
    value(1, "2021-01-01");
    value(2, "2021-12-31");
    click("cmdCommit");
    EXPECT_EQ(criteriaLines(),
              "WHERE (Orders.OrderDate >= '2021-01-01' AND Orders.OrderDate < '2022-01-01') AND (Orders.ShipCity = 'Paris')");
    auto [rows, ran] = run();
    EXPECT_EQ(rows.size(), sampleCount("ShipCity = 'Paris' AND OrderDate >= '2021-01-01' AND OrderDate < '2022-01-01'"));
    EXPECT_GT(rows.size(), 0);

    // A second criterion on a field that holds one: the operator's default (OR for "=").
    field("ShipCity");
    op("=");
    EXPECT_TRUE(find<QRadioButton>("optAndOr(1)")->isChecked());
    // What the user clicks stands, also when the operator is chosen afterwards.
    conjunction(true);
    op("CONTAINS");
    EXPECT_TRUE(find<QRadioButton>("optAndOr(0)")->isChecked());
    field("Freight");
    conjunction(false);
    op(">");
    EXPECT_TRUE(find<QRadioButton>("optAndOr(1)")->isChecked());
}

TEST_F(UserStates, TypedBlanksAndWordsAndTheKeypadAfterAnEditWriteWhatTheUserMeant) {
    openOn("Orders");
    click("cmdEditWhere");
    QAbstractItemModelTester tester(grid()->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    typeCell(0, "Orders.ShipCity", "Unlikely");
    EXPECT_EQ(cell(0, "Orders.ShipCity"), "= 'Unlikely'");
    typeCell(0, "Orders.ShipVia", "   ");
    EXPECT_EQ(cell(0, "Orders.ShipVia"), "");
    typeCell(1, "Orders.ShipVia", "  ");
    EXPECT_EQ(grid()->model()->rowCount(), 2);
    click("cmdSQLView");
    EXPECT_EQ(criteriaLines(), "WHERE (Orders.ShipCity = 'Unlikely')");
    preparesOnSample(sqlText());
    // Operator words count only as words, also in a cell typed as a criterion.
    EXPECT_EQ(Criteria::RewriteCell("NOT LIKE 'A%' AND <> UnlikelyName", "X"), "X NOT LIKE 'A%' AND X <> UnlikelyName");

    // The keypad after an edit that emptied a line: it edits the line the user pointed at.
    click("cmdEditWhere");
    typeCell(0, "Orders.ShipCity", "Paris");
    typeCell(1, "Orders.ShipCity", "Rome");
    typeCell(1, "Orders.ShipVia", "2");
    EXPECT_EQ(grid()->model()->rowCount(), 3);
    // The edit ends as the button is clicked: the rebuild it queued has not run yet.
    grid()->model()->setData(grid()->model()->index(0, column("Orders.ShipCity")), QString());
    frmCriteriaBuilder* keypad = openKeypad(1, "Orders.ShipCity");
    ASSERT_NE(keypad, nullptr);
    // While the keypad is open the window goes on with its queued work.
    QCoreApplication::processEvents();
    auto* text = keypad->findChild<QTextEdit*>(QStringLiteral("txtCriteria"));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->toPlainText(), "= 'Rome'");
    text->clear();
    QTest::keyClicks(text, "= 'Lyon'");
    closeKeypad(keypad, "cmdCriteriaOK");
    QCoreApplication::processEvents();
    click("cmdSQLView");
    EXPECT_EQ(criteriaLines(), "WHERE (Orders.ShipVia = 2) AND (Orders.ShipCity = 'Lyon')");
    preparesOnSample(sqlText());
}

TEST_F(UserStates, OrderingOffersNoStarAndTheFieldOrderEditorKeepsWhatIsNotItsOwn) {
    openOn("Orders");
    option(QueryPage::Order);
    EXPECT_FALSE(items("lstSelectedFields").contains("*"));

    // A calculated field edited: a total over the same field is another expression.
    ASSERT_TRUE(calcField("Orders.Freight", "FreightCopy"));
    group("ShipCity", "GROUP BY", true);
    group("Freight", "SUM", true);
    ASSERT_TRUE(calcField("Orders.ShipCity || '!'", "Shout"));
    click("cmdEditCalcField");
    auto* editor = dialog<frmFieldOrder>();
    ASSERT_NE(editor, nullptr);
    pick(editor, "lstFields", "Orders.Freight");
    press(editor, "cmdEdit");
    auto* calc = dialog<frmCalcFields>(editor);
    ASSERT_NE(calc, nullptr);
    typeInto(calc, "txtCriteria", "Orders.Freight + 100");
    closeWith(calc, "cmdOK");
    closeWith(editor, "cmdOK");
    EXPECT_TRUE(sql().contains("SUM(Orders.Freight) AS SUMOFFreight")) << sql().toStdString();
    EXPECT_FALSE(sql().contains("SUM(Orders.Freight + 100)")) << sql().toStdString();

    // A grouping row deleted: the calculated fields that are no totals stay.
    click("cmdEditGroup");
    editor = dialog<frmFieldOrder>();
    ASSERT_NE(editor, nullptr);
    pick(editor, "lstFields", "Orders.ShipCity");
    prompts->answer(Prompts::Answer::Yes);
    press(editor, "cmdDelete");
    closeWith(editor, "cmdOK");
    EXPECT_EQ(w->state().rsCalcFields().RecordCount(), 2);
    preparesOnSample(sqlText());
    resetQuery();
    option(QueryPage::Group);
    EXPECT_FALSE(sql().contains("Shout")) << sql().toStdString();
}

TEST_F(UserStates, LineBreaksInACalculatedFieldBecomeBlanksWhereTheStatementIsOneLine) {
    QTemporaryDir dir;
    openOn("Orders", "Provider=SQLite;Data Source=" + test::copyOfSample(dir));
    ASSERT_TRUE(calcField("Orders.Freight\n+ 1", "FreightPlus"));
    QSignalSpy saved(component.get(), &Lorvanev2::SavedQuerySQL);
    prompts->choose(dir.filePath("lines.vln"));
    click("cmdSaveQuery");
    ASSERT_EQ(saved.count(), 1);
    const QString savedSql = saved.first()[0].toString();
    EXPECT_FALSE(savedSql.contains(u'\n') || savedSql.contains(u'\r')) << savedSql.toStdString();
    EXPECT_TRUE(savedSql.contains("Orders.Freight + 1 AS FreightPlus")) << savedSql.toStdString();
    auto [rows, ran] = run();
    EXPECT_FALSE(ran.contains(u'\n') || ran.contains(u'\r')) << ran.toStdString();
    EXPECT_EQ(rows.size(), 20000);
}

TEST_F(UserStates, TheCommandLineToolPrintsAndRunsASavedQueryWithJoins) {
    QTemporaryDir dir;
    connectAndShow("Provider=SQLite;Data Source=" + test::copyOfSample(dir));
    addTable("Orders");
    addTable("Customers");
    joinOnPage("Orders", "Customers");
    goToPage(frmQDM::SelectFields);
    choose("lstTPXFieldFrom", "Orders.OrderID");
    click("cmdTPXFieldRight");
    choose("lstTPXFieldFrom", "Customers.City");
    click("cmdTPXFieldRight");
    goToPage(frmQDM::BuildQuery);
    where("City", "=", "Berlin");
    const QString path = dir.filePath("joined.vln");
    prompts->choose(path);
    click("cmdSaveQuery");
    ASSERT_TRUE(QFile::exists(path));
    const QString shown = sqlText();
    auto [rows, ran] = run();
    component->VLNCloseLorvane(false);

    const CliOutcome printed = lorvaneCli({"sql", path});
    EXPECT_EQ(printed.exit, 0) << printed.err.toStdString();
    EXPECT_EQ(printed.out.trimmed(), shown.trimmed());
    const CliOutcome ranCli = lorvaneCli({"run", path, "--format", "tsv"});
    EXPECT_EQ(ranCli.exit, 0) << ranCli.err.toStdString();
    EXPECT_EQ(ranCli.out.split(u'\n', Qt::SkipEmptyParts).size(), rows.size() + 1);  // with the header
}

TEST_F(UserStates, APickedDateValueMatchesTheRowsItWasReadFrom) {
    openOn("Orders");
    field("OrderDate");
    op("=");
    click("cmdFieldValues");
    const QStringList offered = comboItems("cmbAvailableValues1");
    ASSERT_FALSE(offered.isEmpty());
    EXPECT_EQ(offered.first(), "2020-01-01 08:39:00");
    chooseCombo("cmbAvailableValues1", offered.first());
    click("cmdCommit");
    EXPECT_EQ(criteriaLines(), "WHERE (Orders.OrderDate = '2020-01-01 08:39:00')");
    auto [rows, ran] = run();
    EXPECT_EQ(rows.size(), sampleCount("OrderDate = '2020-01-01 08:39:00'"));
    EXPECT_EQ(rows.size(), 1);
}

namespace {

// Two small tables whose columns are of every kind a comparison, a total or a join meets.
const char* kTypesScript =
    "CREATE TABLE sales (id INTEGER, city VARCHAR(20), price INTEGER, qty INTEGER, sold TIMESTAMP);"
    "INSERT INTO sales VALUES (1, 'Berlin', 5, 2, '2023-01-01 00:00:00');"
    "INSERT INTO sales VALUES (2, 'it''s', 3, 1, '2023-06-30 12:00:00');"
    "INSERT INTO sales VALUES (3, 'Lyon', 7, 4, '2023-12-31 17:43:00');"
    "INSERT INTO sales VALUES (4, '100', 7, 1, '2024-01-01 00:00:00');"
    "CREATE TABLE cities (name VARCHAR(20), founded DATE, code INTEGER);"
    "INSERT INTO cities VALUES ('Lyon', '0043-01-01', 69);";

}  // namespace

// Values typed into the grid, through the keypad or on the page are written by the type of what
// they compare with, or refused in plain words: PostgreSQL turns down a text compared with a
// number, a word where a number goes, a quote left raw, and LIKE or SUM on the wrong kind.
TEST_F(UserStates, ValuesAreWrittenByTheTypeTheyCompareWithOrRefusedOnPostgres) {
    const QString pg = test::newPostgresDatabase(QStringLiteral("lorvane_value_types_test"));
    ASSERT_FALSE(pg.isEmpty());
    ASSERT_NE(test::psqlCli(pg, QString::fromLatin1(kTypesScript)), "<error>");
    openOn("sales", pg);
    auto lastMessage = [this] {
        QCoreApplication::processEvents();
        return prompts->records().isEmpty() ? QString() : prompts->records().last().text;
    };

    // The operator lists follow the column: no LIKE family on numbers and dates, no SUM or AVG
    // on text.
    option(QueryPage::Where);
    field("price");
    EXPECT_FALSE(items("lstOperands").contains("LIKE"));
    EXPECT_FALSE(items("lstOperands").contains("CONTAINS"));
    EXPECT_TRUE(items("lstOperands").contains(">="));
    field("sold");
    EXPECT_FALSE(items("lstOperands").contains("BEGINS WITH"));
    field("city");
    EXPECT_TRUE(items("lstOperands").contains("CONTAINS"));
    option(QueryPage::Group);
    field("city");
    EXPECT_FALSE(items("lstOperands").contains("SUM"));
    EXPECT_FALSE(items("lstOperands").contains("AVG DISTINCT"));
    EXPECT_TRUE(items("lstOperands").contains("MAX"));
    field("price");
    EXPECT_TRUE(items("lstOperands").contains("SUM"));

    // A word where a number or a date goes is said, not written.
    prompts->clear();
    where("price", ">", "Sand and Sea");
    EXPECT_TRUE(lastMessage().contains("numbers")) << lastMessage().toStdString();
    EXPECT_EQ(criteriaLines(), "");
    where("price", "<=", "   ");
    EXPECT_TRUE(lastMessage().contains("type a value")) << lastMessage().toStdString();
    EXPECT_EQ(criteriaLines(), "");
    where("sold", "=", "2023-13-45");
    EXPECT_TRUE(lastMessage().contains("dates")) << lastMessage().toStdString();
    EXPECT_EQ(criteriaLines(), "");

    // Typed cells: a quote, a bare word after an operator, a number for a text column are values
    // of the column; a field of the query stays a field.
    click("cmdEditWhere");
    typeCell(0, "sales.city", "it's");
    EXPECT_EQ(cell(0, "sales.city"), "= 'it''s'");
    typeCell(1, "sales.city", "=Lyon");
    EXPECT_EQ(cell(1, "sales.city"), "= 'Lyon'");
    typeCell(2, "sales.city", "> 5 AND <= 100");
    EXPECT_EQ(cell(2, "sales.city"), "> '5' AND <= '100'");
    typeCell(2, "sales.price", "= qty");
    EXPECT_EQ(cell(2, "sales.price"), "= qty");
    typeCell(0, "sales.price", "'3'");
    EXPECT_EQ(cell(0, "sales.price"), "= 3");
    // ... and what cannot be of the column's type leaves the cell as it was.
    prompts->clear();
    typeCell(0, "sales.price", "abc");
    EXPECT_TRUE(lastMessage().contains("numbers")) << lastMessage().toStdString();
    EXPECT_EQ(cell(0, "sales.price"), "= 3");
    typeCell(1, "sales.sold", "BETWEEN 155 AND 7");
    EXPECT_TRUE(lastMessage().contains("dates")) << lastMessage().toStdString();
    EXPECT_EQ(cell(1, "sales.sold"), "");
    typeCell(1, "sales.price", "LIKE '5%'");
    EXPECT_TRUE(lastMessage().contains("compares text")) << lastMessage().toStdString();
    EXPECT_EQ(cell(1, "sales.price"), "");
    // Through the keypad, a quote is a value too.
    frmCriteriaBuilder* keypad = openKeypad(1, "sales.qty");
    ASSERT_NE(keypad, nullptr);
    auto* text = keypad->findChild<QTextEdit*>(QStringLiteral("txtCriteria"));
    text->clear();
    QTest::keyClicks(text, "O'Brien");
    closeKeypad(keypad, "cmdCriteriaOK");
    QCoreApplication::processEvents();
    EXPECT_EQ(cell(1, "sales.qty"), "");
    EXPECT_TRUE(lastMessage().contains("numbers")) << lastMessage().toStdString();
    keypad = openKeypad(3, "sales.city");
    ASSERT_NE(keypad, nullptr);
    text = keypad->findChild<QTextEdit*>(QStringLiteral("txtCriteria"));
    text->clear();
    QTest::keyClicks(text, "O'Brien");
    closeKeypad(keypad, "cmdCriteriaOK");
    QCoreApplication::processEvents();
    EXPECT_EQ(cell(3, "sales.city"), "= 'O''Brien'");
    click("cmdSQLView");
    EXPECT_EQ(criteriaLines(), "WHERE (sales.city = 'it''s') AND (sales.price = 3) OR (sales.city = 'Lyon') OR "
                               "(sales.city > '5' AND sales.city <= '100') AND (sales.price = qty) OR "
                               "(sales.city = 'O''Brien')");
    auto [rows, ran] = run();
    EXPECT_EQ(rows.size(), 2) << ran.toStdString();  // it's and Lyon

    // A total compares its result: MIN of a text column with text.
    resetQuery();
    group("city", "MIN", true);
    where("MINOFcity", "=", "100");
    EXPECT_TRUE(criteriaLines().endsWith("HAVING (MIN(sales.city) = '100')")) << criteriaLines().toStdString();
    auto [totals, totalRan] = run();
    EXPECT_EQ(totals, QStringList{"100"}) << totalRan.toStdString();
}

// Types the builder has no literal for (an interval, json, an array) are read by the database:
// a value it reads is written quoted as typed and runs; one it does not is said, not written.
TEST_F(UserStates, ValuesOfTypesOnlyTheDatabaseReadsAreCheckedByItOnPostgres) {
    const QString pg = test::newPostgresDatabase(QStringLiteral("lorvane_other_types_test"));
    ASSERT_FALSE(pg.isEmpty());
    ASSERT_NE(test::psqlCli(pg, QStringLiteral("CREATE TABLE waits (name TEXT, wait INTERVAL, doc JSON, codes INTEGER[]);"
                                                "INSERT INTO waits VALUES ('short', '2 hours', '{}', '{1,2}'),"
                                                "('long', '3 days', '[]', '{5}');")),
              "<error>");
    openOn("waits", pg);
    auto lastMessage = [this] {
        QCoreApplication::processEvents();
        return prompts->records().isEmpty() ? QString() : prompts->records().last().text;
    };
    option(QueryPage::Where);
    field("doc");
    EXPECT_FALSE(items("lstOperands").contains("CONTAINS"));

    prompts->clear();
    where("wait", ">=", "Betweenness");
    EXPECT_TRUE(lastMessage().contains("interval")) << lastMessage().toStdString();
    EXPECT_EQ(criteriaLines(), "");
    where("codes", "=", "5");
    EXPECT_TRUE(lastMessage().contains("database says")) << lastMessage().toStdString();
    EXPECT_EQ(criteriaLines(), "");
    where("doc", "=", "{}");  // json has no equality
    EXPECT_TRUE(lastMessage().contains("database says")) << lastMessage().toStdString();
    EXPECT_EQ(criteriaLines(), "");

    prompts->clear();
    where("wait", ">=", "1 day");
    EXPECT_EQ(criteriaLines(), "WHERE (waits.wait >= '1 day')") << lastMessage().toStdString();
    auto [rows, ran] = run();
    EXPECT_EQ(rows.size(), 1) << ran.toStdString();
    // A typed grid cell is checked the same way.
    click("cmdEditWhere");
    typeCell(0, "waits.codes", "= abc");
    EXPECT_TRUE(lastMessage().contains("database says")) << lastMessage().toStdString();
    EXPECT_EQ(cell(0, "waits.codes"), "");
    typeCell(0, "waits.codes", "{5}");
    EXPECT_EQ(cell(0, "waits.codes"), "= '{5}'");
    click("cmdSQLView");
    auto [both, bothRan] = run();
    EXPECT_EQ(both.size(), 1) << bothRan.toStdString();
}

// Joins between fields of different kinds and calculated fields the database cannot compute
// are refused in plain words, and the statement stays one PostgreSQL accepts.
TEST_F(UserStates, JoinsAndCalculatedFieldsOfMixedKindsAreRefusedOnPostgres) {
    const QString pg = test::newPostgresDatabase(QStringLiteral("lorvane_mixed_kinds_test"));
    ASSERT_FALSE(pg.isEmpty());
    ASSERT_NE(test::psqlCli(pg, QString::fromLatin1(kTypesScript)), "<error>");
    connectAndShow(pg);
    addTable("sales");
    addTable("cities");
    goToPage(frmQDM::BuildJoins);
    chooseCombo("cmbJoinTables(0)", "sales");
    chooseCombo("cmbJoinTables(1)", "cities");
    click("cmdlockTables");
    choose("lstJoinFields(0)", "sales.id");
    choose("lstJoinFields(1)", "cities.founded");
    prompts->clear();
    click("cmdAddJoin");
    ASSERT_FALSE(prompts->records().isEmpty());
    EXPECT_TRUE(prompts->records().last().text.contains("dates")) << prompts->records().last().text.toStdString();
    EXPECT_EQ(w->state().JoinText, "");
    // Text with text joins.
    choose("lstJoinFields(0)", "sales.city");
    choose("lstJoinFields(1)", "cities.name");
    click("cmdAddJoin");
    EXPECT_EQ(w->state().JoinText, "( sales INNER JOIN cities ON sales.city = cities.name)");

    goToPage(frmQDM::SelectFields);
    click("cmdTPXFieldRightAll");
    goToPage(frmQDM::BuildQuery);
    prompts->clear();
    EXPECT_FALSE(calcField("sales.city / sales.price", "Share"));
    ASSERT_FALSE(prompts->records().isEmpty());
    EXPECT_TRUE(prompts->records().last().text.contains("operator does not exist"))
        << prompts->records().last().text.toStdString();
    EXPECT_FALSE(sqlText().contains("Share"));
    EXPECT_TRUE(calcField("sales.price * cities.code", "Scaled"));
    EXPECT_TRUE(sqlText().contains("sales.price * cities.code")) << sqlText().toStdString();
    auto [rows, ran] = run();
    EXPECT_EQ(rows.size(), 1) << ran.toStdString();
}

// PostgreSQL refuses DISTINCT rows ordered by a field they do not show, and grouped rows
// ordered by a field that is only totalled (SQLite answers both with rows picked at random).
// The window refuses the tick or the ordering in plain words, or leaves the term out.
TEST_F(UserStates, DistinctAndTotalsAreOrderedOnlyByWhatTheyShowOnPostgres) {
    const QString pg = test::newPostgresDatabase(QStringLiteral("lorvane_user_states_order_test"));
    ASSERT_FALSE(pg.isEmpty());
    ASSERT_NE(test::psqlCli(pg, salesScript("TIMESTAMP")), "<error>");
    auto runsOnServer = [&] {
        SCOPED_TRACE(sql().toStdString());
        EXPECT_NE(test::psqlCli(pg, sqlText()), "<error>");
    };
    openOn("sales", pg);
    goToPage(frmQDM::SelectFields);
    choose("lstTPXFieldTo", "sales.qty");
    click("cmdTPXFieldLeft");
    goToPage(frmQDM::BuildQuery);
    ASSERT_FALSE(sql().section(u'\n', 0, 0).contains("qty")) << sql().toStdString();

    // Ordered by a field not shown, then DISTINCT ticked: the tick is refused.
    order("qty", "DESC");
    auto* distinct = find<QCheckBox>("chkDistinct");
    prompts->clear();
    distinct->click();
    EXPECT_FALSE(distinct->isChecked());
    ASSERT_FALSE(prompts->records().isEmpty());
    EXPECT_TRUE(prompts->records().back().text.contains("sales.qty")) << prompts->records().back().text.toStdString();
    EXPECT_FALSE(sql().startsWith("SELECT DISTINCT")) << sql().toStdString();
    runsOnServer();
    resetQuery();

    // DISTINCT ticked, then an ordering on a field not shown: the ordering is refused; one on
    // a field shown is taken.
    distinct->click();
    ASSERT_TRUE(distinct->isChecked());
    prompts->clear();
    order("qty", "ASC");
    ASSERT_FALSE(prompts->records().isEmpty());
    EXPECT_TRUE(prompts->records().back().text.contains("sales.qty")) << prompts->records().back().text.toStdString();
    EXPECT_EQ(w->state().rsOrderBy().RecordCount(), 0);
    order("city", "ASC");
    EXPECT_TRUE(sql().endsWith("ORDER BY sales.city ASC")) << sql().toStdString();
    runsOnServer();

    // The ordered field stops being output: its term leaves ORDER BY, and running says why.
    goToPage(frmQDM::SelectFields);
    choose("lstTPXFieldTo", "sales.city");
    click("cmdTPXFieldLeft");
    goToPage(frmQDM::BuildQuery);
    EXPECT_FALSE(sql().contains("ORDER BY")) << sql().toStdString();
    runsOnServer();
    prompts->clear();
    executed->clear();
    click("cmdRunQuery");
    EXPECT_EQ(executed->count(), 0);
    ASSERT_FALSE(prompts->records().isEmpty());
    EXPECT_TRUE(prompts->records().back().text.contains("sales.city")) << prompts->records().back().text.toStdString();
    distinct->click();
    EXPECT_TRUE(sql().endsWith("ORDER BY sales.city ASC")) << sql().toStdString();
    resetQuery();

    // Totals: a field that is only totalled does not order the groups; a grouped one does.
    group("city", "GROUP BY", true);
    group("price", "AVG", true);
    order("price", "ASC");
    EXPECT_FALSE(sql().contains("ORDER BY")) << sql().toStdString();
    runsOnServer();
    order("city", "DESC");
    EXPECT_TRUE(sql().endsWith("ORDER BY sales.city DESC")) << sql().toStdString();
    order("AVGOFprice", "ASC");
    EXPECT_TRUE(sql().endsWith("ORDER BY sales.city DESC, \"AVGOFprice\" ASC")) << sql().toStdString();
    runsOnServer();

    // A total within a total is refused in plain words; the total on its own is taken.
    const QString before = sql();
    EXPECT_FALSE(calcField("sum(AVG(sales.price))", "Nested"));
    EXPECT_EQ(prompts->records().back().title, "Calc Field Creation Error");
    EXPECT_TRUE(prompts->records().back().text.contains("AVG inside another total"))
        << prompts->records().back().text.toStdString();
    EXPECT_EQ(sql(), before);
    EXPECT_TRUE(calcField("AVG(sales.price) * 2", "Doubled"));
    EXPECT_TRUE(sql().section(u'\n', 0, 0).endsWith("AVG(sales.price) * 2 AS \"Doubled\"")) << sql().toStdString();
    runsOnServer();
}

// A save takes what the page showing holds: tables just chosen or removed, a join just added.
// The statement the window shows after it is the one saved, printed by the tool and reopened.
TEST_F(UserStates, ASaveOnTheTableOrJoinPageSavesTheTablesAndJoinsAsChosen) {
    QTemporaryDir dir;
    connectAndShow("Provider=SQLite;Data Source=" + test::copyOfSample(dir));
    QSignalSpy saved(component.get(), &Lorvanev2::SavedQuerySQL);
    addTable("Customers");
    goToPage(frmQDM::BuildQuery);
    ASSERT_TRUE(sql().contains("FROM Customers")) << sql().toStdString();

    // Every table removed: there is no query to save, and the window says so.
    goToPage(frmQDM::SelectTables);
    choose("lstTPXTableTo", "Customers");
    click("cmdTPXTableLeft");
    prompts->clear();
    click("cmdSaveQuery");
    ASSERT_EQ(prompts->records().size(), 1);  // the message, and no file dialog
    EXPECT_TRUE(prompts->records().back().text.contains("no table")) << prompts->records().back().text.toStdString();

    // Another table chosen and saved on the table page: the query is on that table.
    addTable("Orders");
    goToPage(frmQDM::SelectTables);
    const QString tables = dir.filePath("tables.vln");
    prompts->choose(tables);
    click("cmdSaveQuery");
    ASSERT_TRUE(QFile::exists(tables));
    EXPECT_TRUE(sql().contains("FROM Orders")) << sql().toStdString();
    EXPECT_FALSE(sql().contains("Customers")) << sql().toStdString();
    CliOutcome printed = lorvaneCli({"sql", tables});
    EXPECT_EQ(printed.out.trimmed(), sql().trimmed()) << printed.err.toStdString();

    // A join added and saved at once: the join is in the statement shown, raised and printed.
    addTable("Customers");
    joinOnPage("Orders", "Customers");
    const QString joined = dir.filePath("joined.vln");
    prompts->choose(joined);
    saved.clear();
    click("cmdSaveQuery");
    ASSERT_TRUE(QFile::exists(joined));
    EXPECT_TRUE(sql().contains("INNER JOIN Customers")) << sql().toStdString();
    ASSERT_EQ(saved.count(), 1);
    EXPECT_TRUE(saved.first()[0].toString().contains("INNER JOIN Customers")) << saved.first()[0].toString().toStdString();
    printed = lorvaneCli({"sql", joined});
    EXPECT_EQ(printed.out.trimmed(), sql().trimmed()) << printed.err.toStdString();
}
