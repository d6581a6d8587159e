// The Build Query page as an end user works it: criteria through the form, grouping and
// ordering, the grid with typed cells and the keypad, DISTINCT, reset and value search, with
// the statement checked after each step.
#include "builder/BuilderFixture.h"
#include "builder/CriteriaCellDelegate.h"
#include "builder/QueryPage.h"
#include "builder/frmCriteriaBuilder.h"
#include "platform/Connection.h"
#include "shared/BuilderSettings.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QRegularExpression>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSplitter>
#include <QTableView>
#include <QTemporaryDir>

using namespace lorvane;
using lorvane::test::CriteriaPage;


TEST_F(CriteriaPage, EachOperatorFamilyWithItsEnablingRulesAndTheStatementAfterEachStep) {
    openOn("Customers");
    EXPECT_FALSE(enabled("lstOperands"));
    EXPECT_FALSE(enabled("cmdCommit"));
    EXPECT_EQ(items("lstSelectedFields"),
              (QStringList{"CustomerID", "CompanyName", "ContactName", "City", "Country", "Phone", "CreditLimit"}));

    // A comparison: the first value enables Add; the preview shows what will be added.
    field("City");
    EXPECT_EQ(find<QListWidget>("lstSelectedFields")->toolTip(), "Customers.City");
    op("=");
    EXPECT_TRUE(enabled("cmbAvailableValues1"));
    EXPECT_FALSE(enabled("cmbAvailableValues2"));
    EXPECT_FALSE(enabled("cmdCommit"));
    EXPECT_TRUE(find<QRadioButton>("optAndOr(0)")->isChecked());  // no criteria on City yet: AND
    value(1, "London");
    EXPECT_TRUE(enabled("cmdCommit"));
    EXPECT_EQ(find<QGroupBox>("fraBuildQuery")->title(), "Where City = London");
    click("cmdCommit");
    EXPECT_EQ(criteriaLines(), "WHERE (Customers.City = 'London')");
    EXPECT_EQ(find<QComboBox>("cmbAvailableValues1")->currentText(), "");
    EXPECT_EQ(w->statusText(), "Ready ..");

    // OR across rows: "=" on a field that holds criteria widens.
    field("City");
    op("=");
    EXPECT_TRUE(find<QRadioButton>("optAndOr(1)")->isChecked());
    value(1, "Paris");
    conjunction(false);
    click("cmdCommit");
    EXPECT_EQ(criteriaLines(), "WHERE (Customers.City = 'London') OR (Customers.City = 'Paris')");

    // BETWEEN needs both values; clearing the first disables Add again. AND stays in the row.
    field("CreditLimit");
    op("BETWEEN");
    EXPECT_TRUE(find<QRadioButton>("optAndOr(0)")->isChecked());
    value(1, "1000");
    EXPECT_FALSE(enabled("cmdCommit"));
    value(2, "20000");
    EXPECT_TRUE(enabled("cmdCommit"));
    value(1, "");
    EXPECT_FALSE(enabled("cmdCommit"));
    value(1, "1000");
    conjunction(true);
    click("cmdCommit");
    EXPECT_EQ(criteriaLines(), "WHERE (Customers.City = 'London') OR (Customers.City = 'Paris') AND "
                               "(Customers.CreditLimit BETWEEN 1000 AND 20000)");

    // The LIKE family with its wildcards; "<>" and the negative forms narrow: AND.
    field("City");
    op("DOES NOT CONTAIN");
    EXPECT_TRUE(find<QRadioButton>("optAndOr(0)")->isChecked());
    op("CONTAINS");
    EXPECT_TRUE(find<QRadioButton>("optAndOr(1)")->isChecked());
    field("CompanyName");
    op("CONTAINS");
    EXPECT_TRUE(find<QRadioButton>("optAndOr(0)")->isChecked());
    op("BEGINS WITH");
    value(1, "O'Brien");
    conjunction(true);
    click("cmdCommit");
    // Cells of one line stand in the grid's column order.
    EXPECT_EQ(criteriaLines(), "WHERE (Customers.City = 'London') OR (Customers.CompanyName LIKE 'O''Brien%') AND "
                               "(Customers.City = 'Paris') AND (Customers.CreditLimit BETWEEN 1000 AND 20000)");

    // IS NULL needs no value: Add at once, both boxes off.
    field("Phone");
    op("IS NULL");
    EXPECT_TRUE(enabled("cmdCommit"));
    EXPECT_FALSE(enabled("cmbAvailableValues1"));
    EXPECT_FALSE(enabled("cmbAvailableValues2"));
    conjunction(true);
    click("cmdCommit");
    EXPECT_EQ(criteriaLines(), "WHERE (Customers.City = 'London') OR (Customers.CompanyName LIKE 'O''Brien%') AND "
                               "(Customers.City = 'Paris') AND (Customers.Phone IS NULL) AND "
                               "(Customers.CreditLimit BETWEEN 1000 AND 20000)");
    field("Phone");
    op("<>");
    EXPECT_TRUE(find<QRadioButton>("optAndOr(0)")->isChecked());

    click("cmdRunQuery");
    ASSERT_EQ(executed->count(), 1);
    EXPECT_EQ(executed->first()[0].toInt(), 0) << executed->first()[1].toString().toStdString();
    Connection check;
    check.Open(test::sampleConnectionString());
    const qint64 expected =
        check.OpenRecordSet("SELECT COUNT(*) FROM Customers WHERE City = 'London' OR (City = 'Paris' AND CreditLimit "
                            "BETWEEN 1000 AND 20000 AND CompanyName LIKE 'O''Brien%' AND Phone IS NULL)")
            ->Value(0)
            .toLongLong();
    EXPECT_EQ(executed->first()[3].value<std::shared_ptr<RecordSet>>()->RecordCount(), expected);
}

TEST_F(CriteriaPage, GroupingCountOfAllRowsOrderingAndDistinct) {
    openOn("Customers");
    option(QueryPage::Group);
    EXPECT_EQ(find<QGroupBox>("fraBuildQuery")->title(), "Group");
    EXPECT_TRUE(items("lstSelectedFields").contains("*"));
    field("*");
    EXPECT_EQ(items("lstOperands"), QStringList{"COUNT"});
    EXPECT_EQ(find<QListWidget>("lstSelectedFields")->toolTip(), "All Rows");
    op("COUNT");
    prompts->answer(Prompts::Answer::Yes);
    click("cmdCommit");
    EXPECT_EQ(prompts->records().back().text, "Do you want to include COUNT(*) as an Output Field ?");
    field("Country");
    // Country holds text: no SUM or AVG.
    EXPECT_EQ(items("lstOperands"), (QStringList{"GROUP BY", "COUNT", "MIN", "MAX", "COUNT DISTINCT"}));
    op("GROUP BY");
    prompts->answer(Prompts::Answer::Yes);
    click("cmdCommit");
    EXPECT_EQ(sqlText().replace("\r\n", "\n"),
              "SELECT COUNT(*) AS COUNTOFAllRows, Customers.Country\nFROM Customers\nGROUP BY Customers.Country\n");

    // Ordering offers the totals too, and orders by the alias.
    option(QueryPage::Order);
    EXPECT_TRUE(items("lstSelectedFields").contains("COUNTOFAllRows"));
    field("COUNTOFAllRows");
    op("DESC");
    click("cmdCommit");
    EXPECT_TRUE(sqlText().endsWith("ORDER BY COUNTOFAllRows DESC")) << sqlText().toStdString();
    // A HAVING criterion on the total, from the Where list.
    option(QueryPage::Where);
    field("COUNTOFAllRows");
    op(">");
    value(1, "100");
    click("cmdCommit");
    EXPECT_TRUE(sqlText().contains("HAVING (COUNT(*) > 100)"));
    click("cmdRunQuery");
    ASSERT_EQ(executed->count(), 1);
    auto rows = executed->first()[3].value<std::shared_ptr<RecordSet>>();
    ASSERT_EQ(executed->first()[0].toInt(), 0);
    EXPECT_GT(rows->RecordCount(), 0);
    for (qint64 r = 1; r < rows->RecordCount(); ++r)
        EXPECT_GE(rows->ValueAt(r - 1, 0).toInt(), rows->ValueAt(r, 0).toInt());

    // DISTINCT, answered by the statement at once.
    click("cmdResetSQL");
    prompts->answer(Prompts::Answer::Yes);
    click("cmdResetSQL");
    find<QCheckBox>("chkDistinct")->click();
    EXPECT_TRUE(sqlText().startsWith("SELECT DISTINCT Customers.CustomerID"));
    find<QCheckBox>("chkDistinct")->click();
    EXPECT_TRUE(sqlText().startsWith("SELECT Customers.CustomerID"));
}

TEST_F(CriteriaPage, ResetAnsweredNoChangesNothingAndYesKeepsFieldsAndJoins) {
    connectAndShow();
    addTable("Orders");
    addTable("Customers");
    joinOnPage("Orders", "Customers");
    goToPage(frmQDM::SelectFields);
    choose("lstTPXFieldFrom", "Orders.OrderID");
    click("cmdTPXFieldRight");
    goToPage(frmQDM::BuildQuery);
    field("ShipCity");
    op("=");
    value(1, "Berlin");
    click("cmdCommit");
    const QString before = sqlText();
    ASSERT_TRUE(before.contains("WHERE"));
    prompts->answer(Prompts::Answer::No);
    click("cmdResetSQL");
    EXPECT_EQ(prompts->records().back().text,
              "Are you sure you want to reset the Query ? Resetting the Query will remove everything other than "
              "selected fields and created joins");
    EXPECT_EQ(prompts->records().back().buttons, Prompts::Buttons::YesNo);
    EXPECT_EQ(sqlText(), before);
    prompts->answer(Prompts::Answer::Yes);
    click("cmdResetSQL");
    EXPECT_EQ(sqlText().replace("\r\n", "\n"),
              "SELECT Orders.OrderID\nFROM ( Orders INNER JOIN Customers ON Orders.CustomerID = Customers.CustomerID)\n");
    EXPECT_EQ(w->state().rsWhere().RecordCount(), 0);
    EXPECT_TRUE(find<QRadioButton>("optQuery(0)")->isChecked());
    EXPECT_FALSE(enabled("fraAndOr"));
}

TEST_F(CriteriaPage, TypedGridCellsBecomeCriteriaAndTheStatementFollows) {
    openOn("Orders");
    click("cmdEditWhere");
    EXPECT_TRUE(grid()->isVisible());
    EXPECT_FALSE(find<QTextEdit>("txtSQL")->isVisible());
    EXPECT_EQ(find<QLabel>("lblSQLLabel")->text(), "Where");
    EXPECT_EQ(grid()->model()->rowCount(), 1);  // the new-row line
    struct Row {
        const char* column;
        const char* typed;
        const char* stored;
    };
    const Row rows[] = {
        {"Orders.ShipVia", "2", "= 2"},
        {"Orders.ShipCity", "Berlin", "= 'Berlin'"},
        {"Orders.RequiredDate", "3/15/2020", "= '2020-03-15'"},
        {"Orders.OrderDate", "3/15/2020", ">= '2020-03-15' AND < '2020-03-16'"},
        {"Orders.ShipCity", "  not like 'L%'", "NOT LIKE 'L%'"},
        {"Orders.ShipCity", "O'Brien", "= 'O''Brien'"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.typed);
        typeCell(0, QString::fromLatin1(r.column), QString::fromLatin1(r.typed));
        EXPECT_EQ(cell(0, QString::fromLatin1(r.column)), r.stored);
    }
    // A line typed on the new-row line is an OR line of its own.
    typeCell(0, "Orders.ShipCity", "Berlin");
    typeCell(0, "Orders.OrderDate", "");
    typeCell(0, "Orders.RequiredDate", "");
    typeCell(1, "Orders.ShipCity", "Paris");
    EXPECT_EQ(grid()->model()->rowCount(), 3);
    EXPECT_EQ(criteriaLines(), "WHERE (Orders.ShipVia = 2) AND (Orders.ShipCity = 'Berlin') OR (Orders.ShipCity = 'Paris')");
    // Emptying every cell of a line takes the line away.
    typeCell(1, "Orders.ShipCity", "");
    EXPECT_EQ(grid()->model()->rowCount(), 2);
    EXPECT_EQ(criteriaLines(), "WHERE (Orders.ShipVia = 2) AND (Orders.ShipCity = 'Berlin')");
    click("cmdSplit");
    EXPECT_EQ(find<QSplitter>("dgrSQL")->count(), 2);
    click("cmdDeleteSplit");
    EXPECT_EQ(find<QSplitter>("dgrSQL")->count(), 1);
    click("cmdSQLView");
    EXPECT_TRUE(find<QTextEdit>("txtSQL")->isVisible());
    EXPECT_EQ(find<QLabel>("lblSQLLabel")->text(), "SQL Window");
    click("cmdRunQuery");
    ASSERT_EQ(executed->count(), 1);
    EXPECT_EQ(executed->first()[0].toInt(), 0);
    Connection check;
    check.Open(test::sampleConnectionString());
    EXPECT_EQ(executed->first()[3].value<std::shared_ptr<RecordSet>>()->RecordCount(),
              check.OpenRecordSet("SELECT COUNT(*) FROM Orders WHERE ShipVia = 2 AND ShipCity = 'Berlin'")
                  ->Value(0)
                  .toLongLong());
}

TEST_F(CriteriaPage, TheKeypadInsertsReplacesClearsAndOnlyOkWithAChangeIsAccepted) {
    openOn("Orders");
    click("cmdEditWhere");
    frmCriteriaBuilder::Accepted() = false;

    // Pressing keys builds the text one caption at a time; OK writes it into the cell.
    frmCriteriaBuilder* keypad = openKeypad(0, "Orders.ShipVia");
    ASSERT_NE(keypad, nullptr);
    EXPECT_EQ(keypad->textBox()->toPlainText(), "");
    EXPECT_EQ(keypad->textBox()->textCursor().position(), 0);
    for (const char* k : {"cmdGreaterThanorEqual", "cmd1", "cmd0"})
        key(keypad, k);
    EXPECT_EQ(keypad->textBox()->toPlainText(), ">=10");
    // A digit at the cursor goes in there; the cursor then goes to the end.
    QTextCursor c = keypad->textBox()->textCursor();
    c.setPosition(2);
    keypad->textBox()->setTextCursor(c);
    key(keypad, "cmd5");
    EXPECT_EQ(keypad->textBox()->toPlainText(), ">=510");
    EXPECT_EQ(keypad->textBox()->textCursor().position(), 5);
    closeKeypad(keypad, "cmdCriteriaOK");
    EXPECT_TRUE(frmCriteriaBuilder::Accepted());
    EXPECT_EQ(cell(0, "Orders.ShipVia"), ">= 510");
    EXPECT_TRUE(criteriaLines().contains("(Orders.ShipVia >= 510)"));

    // The keypad opens on the cell's text; a selection is replaced by the key.
    keypad = openKeypad(0, "Orders.ShipVia");
    EXPECT_EQ(keypad->textBox()->toPlainText(), ">= 510");
    keypad->textBox()->setPlainText("BETWEEN 3");
    c = keypad->textBox()->textCursor();
    c.setPosition(8);
    c.setPosition(9, QTextCursor::KeepAnchor);
    keypad->textBox()->setTextCursor(c);
    key(keypad, "cmdAnd");
    EXPECT_EQ(keypad->textBox()->toPlainText(), "BETWEEN AND");
    closeKeypad(keypad, "cmdCriteriaCancel");
    EXPECT_EQ(cell(0, "Orders.ShipVia"), ">= 510");  // Cancel changes nothing

    // OK without a change is not accepted; Clear then OK accepts an empty text.
    keypad = openKeypad(0, "Orders.ShipVia");
    closeKeypad(keypad, "cmdCriteriaOK");
    EXPECT_FALSE(frmCriteriaBuilder::Accepted());
    EXPECT_EQ(cell(0, "Orders.ShipVia"), ">= 510");
    keypad = openKeypad(0, "Orders.ShipVia");
    key(keypad, "cmdDelete");
    closeKeypad(keypad, "cmdCriteriaOK");
    EXPECT_TRUE(frmCriteriaBuilder::Accepted());
    EXPECT_EQ(grid()->model()->rowCount(), 1);  // the emptied line went away
    EXPECT_FALSE(criteriaLines().contains("WHERE"));

    // On the new-row line an accepted text adds a line.
    keypad = openKeypad(0, "Orders.ShipCity");
    for (const char* k : {"cmdEquals", "cmdApos"})
        key(keypad, k);
    keypad->textBox()->moveCursor(QTextCursor::End);
    keypad->textBox()->insertPlainText(QStringLiteral("Lyon"));
    key(keypad, "cmdApos");
    closeKeypad(keypad, "cmdCriteriaOK");
    EXPECT_EQ(cell(0, "Orders.ShipCity"), "= 'Lyon'");
    EXPECT_EQ(criteriaLines(), "WHERE (Orders.ShipCity = 'Lyon')");
}

TEST_F(CriteriaPage, ValueSearchFillsBothBoxesBoundedAndRefusesTotals) {
    openOn("Customers");
    field("City");
    op("BETWEEN");
    click("cmdFieldValues");
    auto* first = find<QComboBox>("cmbAvailableValues1");
    auto* second = find<QComboBox>("cmbAvailableValues2");
    EXPECT_EQ(comboItems("cmbAvailableValues1"),
              (QStringList{"Berlin", "London", "Lyon", "Madrid", "Paris", "Portland", "Seattle", "Tokyo"}));
    EXPECT_EQ(comboItems("cmbAvailableValues2"), comboItems("cmbAvailableValues1"));
    EXPECT_EQ(first->currentText(), "Berlin");
    EXPECT_EQ(second->currentText(), "Berlin");
    EXPECT_TRUE(w->focusWidget() == first || w->focusWidget() == first->lineEdit());
    EXPECT_EQ(w->statusText(), "Ready ...");

    // A Null is one empty entry; the second box stays empty while it is not in use.
    field("ContactName");
    op("=");
    click("cmdFieldValues");
    const QStringList names = comboItems("cmbAvailableValues1");
    EXPECT_EQ(names.count(QString()), 1);
    EXPECT_EQ(second->currentText(), "");

    // A total has no column to search.
    option(QueryPage::Group);
    field("*");
    op("COUNT");
    prompts->answer(Prompts::Answer::Yes);
    click("cmdCommit");
    option(QueryPage::Where);
    field("COUNTOFAllRows");
    op(">");
    const auto before = prompts->records().size();
    click("cmdFieldValues");
    ASSERT_EQ(prompts->records().size(), before + 1);
    EXPECT_EQ(prompts->records().back().text, "Value search not possible.\nSelected Field is a Calculated or Grouped Field");
    EXPECT_EQ(prompts->records().back().title, "Kestrine Lorvane V2.0");
    EXPECT_EQ(prompts->records().back().icon, Prompts::Icon::Critical);
    EXPECT_EQ(comboItems("cmbAvailableValues1"), QStringList{});
}

TEST_F(CriteriaPage, ValueSearchStopsAtTenThousandValuesAndSaysSo) {
    QTemporaryDir dir;
    const QString file = test::copyOfSample(dir);
    {
        Connection c;
        c.Open("Provider=SQLite;Data Source=" + file);
        c.Execute("CREATE TABLE Many (n INTEGER)");
        c.Execute("WITH RECURSIVE s(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM s WHERE i < 12000) "
                  "INSERT INTO Many SELECT i FROM s");
    }
    openOn("Many", "Provider=SQLite;Data Source=" + file);
    field("n");
    op("=");
    click("cmdFieldValues");
    EXPECT_EQ(find<QComboBox>("cmbAvailableValues1")->count(), 10000);
    EXPECT_EQ(find<QComboBox>("cmbAvailableValues1")->currentText(), "1");
    EXPECT_EQ(w->statusText(), "Ready ... (first 10000 values)");
    // A lookup that fails says so in the status bar, with the driver's words, and no box.
    {
        Connection c;
        c.Open("Provider=SQLite;Data Source=" + file);
        c.Execute("DROP TABLE Many");
    }
    const auto before = prompts->records().size();
    click("cmdFieldValues");
    EXPECT_EQ(prompts->records().size(), before);
    EXPECT_TRUE(w->statusText().startsWith("Values could not be read: no such table")) << w->statusText().toStdString();
    EXPECT_EQ(find<QComboBox>("cmbAvailableValues1")->count(), 0);
}
