// Grouping, ordering and calculated fields as an end user builds them on the Build Query
// page: totals with their output question and HAVING criteria, the field order editor in its
// three modes, the calculated field dialog, and the finished statements run on SQLite and
// PostgreSQL against what the databases' own clients give.
#include "builder/BuilderFixture.h"
#include "builder/QueryPage.h"
#include "builder/frmCalcFields.h"
#include "builder/frmFieldOrder.h"
#include "platform/RecordSet.h"
#include "shared/clsFunctions.h"

#include <QCheckBox>
#include <QLabel>
#include <QTemporaryDir>
#include <functional>

using namespace lorvane;
using lorvane::test::CriteriaPage;

class GroupingAndCalcFields : public CriteriaPage {
protected:
    void SetUp() override {
        CriteriaPage::SetUp();
        // The host offers its database functions before it shows the builder.
        auto* functions = qobject_cast<clsCalcFieldFunctions*>(component->VLNCalcFieldFunctions());
        ASSERT_NE(functions, nullptr);
        functions->Functions().Add(QStringLiteral("ABS("), QStringLiteral("abs"));
        functions->Functions().Add(QStringLiteral("ROUND("));
    }

    QString sql() { return sqlText().replace(QStringLiteral("\r\n"), QStringLiteral("\n")); }


    // The dialogs the page opens, found as a user sees them.
    template <typename D> D* dialog() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        D* d = w->findChild<D*>();
        EXPECT_NE(d, nullptr);
        EXPECT_TRUE(d && d->isVisible());
        return d;
    }
    template <typename T> T* in(QWidget* d, const char* name) {
        T* child = d->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    QListWidgetItem* itemOf(QWidget* d, const char* list, const QString& text) {
        const auto found = in<QListWidget>(d, list)->findItems(text, Qt::MatchExactly);
        EXPECT_FALSE(found.isEmpty()) << text.toStdString() << " not in " << list;
        return found.isEmpty() ? nullptr : found.first();
    }
    void pick(QWidget* d, const char* list, const QString& text) {
        if (QListWidgetItem* item = itemOf(d, list, text)) {
            in<QListWidget>(d, list)->setCurrentItem(item);
            emit in<QListWidget>(d, list)->itemClicked(item);
        }
    }
    void doubleClick(QWidget* d, const char* list, const QString& text) {
        if (QListWidgetItem* item = itemOf(d, list, text)) {
            in<QListWidget>(d, list)->setCurrentItem(item);
            emit in<QListWidget>(d, list)->itemDoubleClicked(item);
        }
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
    QStringList listed(QWidget* d, const char* list) {
        QStringList out;
        auto* l = in<QListWidget>(d, list);
        for (int i = 0; i < l->count(); ++i)
            out << l->item(i)->text();
        return out;
    }
    void typeInto(QWidget* d, const char* box, const QString& text) {
        QWidget* target = in<QWidget>(d, box);
        if (auto* edit = qobject_cast<QTextEdit*>(target))
            edit->clear();
        else if (auto* line = qobject_cast<QLineEdit*>(target))
            line->clear();
        QTest::keyClicks(target, text);
    }
    bool enabledIn(QWidget* d, const char* name) { return in<QWidget>(d, name)->isEnabled(); }
    bool shownIn(QWidget* d, const char* name) { return in<QWidget>(d, name)->isVisibleTo(d); }

    // Runs the statement; the rows it gave and the statement as it ran.
    std::pair<QStringList, QString> run() {
        executed->clear();
        click("cmdRunQuery");
        EXPECT_EQ(executed->count(), 1);
        if (executed->count() != 1)
            return {};
        const auto args = executed->first();
        EXPECT_EQ(args[0].toInt(), 0) << args[1].toString().toStdString();
        auto rows = args[3].value<std::shared_ptr<RecordSet>>();
        return {test::rowsOf(rows.get()), args[2].toString()};
    }
};

TEST_F(GroupingAndCalcFields, TotalsWithTheirOutputQuestionAHavingCriterionAndTwoOrderings) {
    openOn("Orders");
    group("ShipCity", "GROUP BY", true);
    group("Freight", "SUM", false);
    EXPECT_EQ(prompts->records().back().text, "Do you want to include SUM(Orders.Freight) as an Output Field ?");
    EXPECT_EQ(sql(), "SELECT Orders.ShipCity\nFROM Orders\nGROUP BY Orders.ShipCity\n");
    group("*", "COUNT", true);
    EXPECT_EQ(sql(), "SELECT Orders.ShipCity, COUNT(*) AS COUNTOFAllRows\nFROM Orders\nGROUP BY Orders.ShipCity\n");

    // A total that is not output can still be a criterion, and ordered by.
    option(QueryPage::Where);
    field("SUMOFFreight");
    op(">");
    value(1, "100");
    click("cmdCommit");
    EXPECT_EQ(criteriaLines(), "GROUP BY Orders.ShipCity\nHAVING (SUM(Orders.Freight) > 100)");
    order("COUNTOFAllRows", "DESC");
    order("ShipCity", "ASC");
    EXPECT_EQ(sql(), "SELECT Orders.ShipCity, COUNT(*) AS COUNTOFAllRows\nFROM Orders\nGROUP BY Orders.ShipCity\n"
                     "HAVING (SUM(Orders.Freight) > 100)\nORDER BY COUNTOFAllRows DESC, Orders.ShipCity ASC");
    const auto [rows, ran] = run();
    EXPECT_FALSE(rows.isEmpty());
    EXPECT_EQ(rows, test::sqliteCli(test::sampleDatabasePath(), ran + u';').split(u'\n', Qt::SkipEmptyParts));
}

TEST_F(GroupingAndCalcFields, TheFieldOrderEditorMovesTogglesDeletesAndCancelKeepsOnlyTheToggles) {
    openOn("Orders");
    group("ShipCity", "GROUP BY", true);
    group("ShipVia", "GROUP BY", true);
    group("Freight", "SUM", true);
    order("ShipCity", "ASC");
    order("SUMOFFreight", "DESC");
    EXPECT_EQ(sql(), "SELECT Orders.ShipCity, Orders.ShipVia, SUM(Orders.Freight) AS SUMOFFreight\nFROM Orders\n"
                     "GROUP BY Orders.ShipCity, Orders.ShipVia\nORDER BY Orders.ShipCity ASC, SUMOFFreight DESC");

    click("cmdEditGroup");
    auto* editor = dialog<frmFieldOrder>();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->windowTitle(), "Edit Group Fields");
    EXPECT_EQ(listed(editor, "lstFields"), (QStringList{"Orders.ShipCity", "Orders.ShipVia", "SUM(Orders.Freight)"}));
    EXPECT_FALSE(shownIn(editor, "cmdEdit"));
    EXPECT_TRUE(shownIn(editor, "chkOutput"));
    EXPECT_FALSE(enabledIn(editor, "chkOutput"));
    EXPECT_EQ(in<QAbstractButton>(editor, "chkOutput")->text(), "Output");
    EXPECT_EQ(in<QWidget>(editor, "cmdDelete")->toolTip(), "Delete Field");
    pick(editor, "lstFields", "SUM(Orders.Freight)");
    EXPECT_EQ(in<QLineEdit>(editor, "txtAlias")->text(), "SUMOFFreight");
    EXPECT_TRUE(in<QCheckBox>(editor, "chkOutput")->isChecked());
    EXPECT_TRUE(enabledIn(editor, "cmdUpDown(0)"));
    EXPECT_FALSE(enabledIn(editor, "cmdUpDown(1)"));
    press(editor, "cmdUpDown(0)");
    EXPECT_EQ(listed(editor, "lstFields"), (QStringList{"Orders.ShipCity", "SUM(Orders.Freight)", "Orders.ShipVia"}));
    EXPECT_EQ(in<QListWidget>(editor, "lstFields")->currentItem()->text(), "SUM(Orders.Freight)");
    EXPECT_TRUE(enabledIn(editor, "cmdUpDown(0)") && enabledIn(editor, "cmdUpDown(1)"));
    press(editor, "chkOutput");
    closeWith(editor, "cmdCancel");
    // The toggle stays, the order does not; the total is now ordered by its expression.
    EXPECT_EQ(sql(), "SELECT Orders.ShipCity, Orders.ShipVia\nFROM Orders\nGROUP BY Orders.ShipCity, Orders.ShipVia\n"
                     "ORDER BY Orders.ShipCity ASC, SUM(Orders.Freight) DESC");

    click("cmdEditGroup");
    editor = dialog<frmFieldOrder>();
    pick(editor, "lstFields", "Orders.ShipVia");
    press(editor, "cmdUpDown(0)");
    closeWith(editor, "cmdOK");
    EXPECT_EQ(sql(), "SELECT Orders.ShipVia, Orders.ShipCity\nFROM Orders\nGROUP BY Orders.ShipVia, Orders.ShipCity\n"
                     "ORDER BY Orders.ShipCity ASC, SUM(Orders.Freight) DESC");

    // Deleting a grouping row asks first, and takes its ordering rows with it.
    click("cmdEditGroup");
    editor = dialog<frmFieldOrder>();
    pick(editor, "lstFields", "Orders.ShipCity");
    prompts->answer(Prompts::Answer::No);
    press(editor, "cmdDelete");
    EXPECT_EQ(prompts->records().back().text, "Are you sure you want to Delete selected Field ?");
    EXPECT_EQ(prompts->records().back().buttons, Prompts::Buttons::YesNo);
    EXPECT_EQ(listed(editor, "lstFields").size(), 3);
    prompts->answer(Prompts::Answer::Yes);
    press(editor, "cmdDelete");
    EXPECT_EQ(listed(editor, "lstFields"), (QStringList{"Orders.ShipVia", "SUM(Orders.Freight)"}));
    EXPECT_FALSE(enabledIn(editor, "cmdDelete"));
    EXPECT_FALSE(enabledIn(editor, "chkOutput"));
    closeWith(editor, "cmdOK");
    EXPECT_EQ(sql(), "SELECT Orders.ShipVia\nFROM Orders\nGROUP BY Orders.ShipVia\nORDER BY SUM(Orders.Freight) DESC");

    // The ordering editor has no output flag and nothing to edit; its alias box names the total.
    click("cmdEditOrder");
    editor = dialog<frmFieldOrder>();
    EXPECT_EQ(editor->windowTitle(), "Edit Order Fields");
    EXPECT_FALSE(shownIn(editor, "chkOutput"));
    EXPECT_FALSE(shownIn(editor, "cmdEdit"));
    EXPECT_EQ(listed(editor, "lstFields"), QStringList{"SUMOFFreight DESC"});
    pick(editor, "lstFields", "SUMOFFreight DESC");
    EXPECT_EQ(in<QLineEdit>(editor, "txtAlias")->text(), "SUMOFFreight");
    EXPECT_FALSE(enabledIn(editor, "cmdUpDown(0)") || enabledIn(editor, "cmdUpDown(1)"));
    closeWith(editor, "cmdOK");

    const auto [rows, ran] = run();
    EXPECT_FALSE(rows.isEmpty());
    EXPECT_EQ(rows, test::sqliteCli(test::sampleDatabasePath(), ran + u';').split(u'\n', Qt::SkipEmptyParts));
}

TEST_F(GroupingAndCalcFields, ACalculatedFieldIsBuiltCheckedRefusedAndEditedKeepingItsAlias) {
    openOn("[Order Details]");
    const QString before = sql();
    click("cmdCalcField");
    auto* calc = dialog<frmCalcFields>();
    ASSERT_NE(calc, nullptr);
    EXPECT_EQ(calc->windowTitle(), "Calculated Fields");
    EXPECT_EQ(listed(calc, "lstFunctions"), (QStringList{"ABS(", "ROUND("}));
    EXPECT_EQ(listed(calc, "lstOperators"), (QStringList{"+", "-", "/", "*", "&", "=", ">", "<", "(", ")", "'"}));
    EXPECT_EQ(listed(calc, "lstCalcFields"), (QStringList{"OrderID", "ProductID", "UnitPrice", "Quantity", "Discount"}));
    EXPECT_EQ(in<QLabel>(calc, "lblAlias")->text(), "Calculated Field Alias:");
    EXPECT_FALSE(enabledIn(calc, "cmdOK"));

    // Functions come after a blank, fields and operators without one, each at the caret.
    doubleClick(calc, "lstFunctions", "ABS(");
    doubleClick(calc, "lstCalcFields", "UnitPrice");
    EXPECT_EQ(in<QListWidget>(calc, "lstCalcFields")->toolTip(), "[Order Details].UnitPrice");
    doubleClick(calc, "lstOperators", "+");
    doubleClick(calc, "lstCalcFields", "Quantity");
    doubleClick(calc, "lstOperators", ")");
    auto* expression = in<QTextEdit>(calc, "txtCriteria");
    EXPECT_EQ(expression->toPlainText(), " ABS([Order Details].UnitPrice+[Order Details].Quantity)");
    // A selection is replaced: the "+" becomes "*".
    QTextCursor cursor = expression->textCursor();
    const int plus = static_cast<int>(expression->toPlainText().indexOf(u'+'));
    cursor.setPosition(plus);
    cursor.setPosition(plus + 1, QTextCursor::KeepAnchor);
    expression->setTextCursor(cursor);
    doubleClick(calc, "lstOperators", "*");
    EXPECT_EQ(expression->toPlainText(), " ABS([Order Details].UnitPrice*[Order Details].Quantity)");
    EXPECT_EQ(expression->textCursor().position(), plus + 1);
    EXPECT_FALSE(enabledIn(calc, "cmdOK"));
    typeInto(calc, "txtAlias", "   ");
    EXPECT_FALSE(enabledIn(calc, "cmdOK"));
    typeInto(calc, "txtAlias", "Line Total");
    EXPECT_TRUE(enabledIn(calc, "cmdOK"));
    closeWith(calc, "cmdOK");
    const QString withField = sql();
    EXPECT_EQ(withField, "SELECT [Order Details].OrderID, [Order Details].ProductID, [Order Details].UnitPrice, "
                         "[Order Details].Quantity, [Order Details].Discount, "
                         "ABS([Order Details].UnitPrice*[Order Details].Quantity) AS [Line Total]\n"
                         "FROM [Order Details]\n");
    EXPECT_NE(withField, before);
    // The new column is offered for criteria.
    EXPECT_TRUE(items("lstSelectedFields").contains("Line Total"));

    // An aggregate the grouping page never defined is refused; the dialog stays open.
    click("cmdCalcField");
    calc = dialog<frmCalcFields>();
    typeInto(calc, "txtCriteria", "SUM([Order Details].Quantity)");
    typeInto(calc, "txtAlias", "Units");
    press(calc, "cmdOK");
    EXPECT_EQ(prompts->records().back().text,
              "Unable to create Calculated Field : SUM([Order Details].Quantity).\nField is using an unknown "
              "Aggregate.\nYou must first create the Aggregate using the Group function before using the "
              "Aggregate in a Calculated field.");
    EXPECT_EQ(prompts->records().back().title, "Calc Field Creation Error");
    EXPECT_EQ(prompts->records().back().icon, Prompts::Icon::Critical);
    EXPECT_TRUE(calc->isVisible());

    // An alias in use is refused, and offered for correction.
    typeInto(calc, "txtCriteria", "[Order Details].Quantity * 2");
    typeInto(calc, "txtAlias", "Line Total");
    press(calc, "cmdOK");
    EXPECT_EQ(prompts->records().back().text, "Alias already exists.\nAll Alias must be unique.");
    EXPECT_EQ(prompts->records().back().icon, Prompts::Icon::Exclamation);
    EXPECT_TRUE(calc->isVisible());
    EXPECT_EQ(in<QLineEdit>(calc, "txtAlias")->selectedText(), "Line Total");
    closeWith(calc, "cmdCancel");
    EXPECT_EQ(sql(), withField);

    // Editing keeps the alias and replaces the expression.
    click("cmdEditCalcField");
    auto* editor = dialog<frmFieldOrder>();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->windowTitle(), "Edit Calculated Fields");
    EXPECT_EQ(listed(editor, "lstFields"), QStringList{"ABS([Order Details].UnitPrice*[Order Details].Quantity)"});
    EXPECT_EQ(listed(editor, "lstAlias"), QStringList{"Line Total"});
    EXPECT_TRUE(shownIn(editor, "cmdEdit"));
    EXPECT_FALSE(enabledIn(editor, "cmdEdit"));
    pick(editor, "lstFields", "ABS([Order Details].UnitPrice*[Order Details].Quantity)");
    EXPECT_TRUE(in<QCheckBox>(editor, "chkOutput")->isChecked());
    EXPECT_EQ(in<QLineEdit>(editor, "txtAlias")->text(), "Line Total");
    press(editor, "cmdEdit");
    calc = editor->findChild<frmCalcFields*>();
    ASSERT_NE(calc, nullptr);
    EXPECT_EQ(in<QTextEdit>(calc, "txtCriteria")->toPlainText(), "ABS([Order Details].UnitPrice*[Order Details].Quantity)");
    EXPECT_EQ(in<QLineEdit>(calc, "txtAlias")->text(), "Line Total");
    EXPECT_FALSE(enabledIn(calc, "txtAlias"));
    const QString edited = "ROUND([Order Details].UnitPrice*[Order Details].Quantity*(1-[Order Details].Discount), 2)";
    typeInto(calc, "txtCriteria", edited);
    closeWith(calc, "cmdOK");
    EXPECT_EQ(listed(editor, "lstFields"), QStringList{edited});
    EXPECT_EQ(listed(editor, "lstAlias"), QStringList{"Line Total"});
    closeWith(editor, "cmdOK");
    EXPECT_TRUE(sql().contains(edited + " AS [Line Total]\n")) << sql().toStdString();
    EXPECT_FALSE(sql().contains("ABS("));

    // Ordered by it, the statement runs and gives what the sqlite3 client gives.
    order("Line Total", "DESC");
    EXPECT_TRUE(sql().endsWith("ORDER BY [Line Total] DESC")) << sql().toStdString();
    const auto [rows, ran] = run();
    ASSERT_GT(rows.size(), 10);
    const QStringList fromClient = test::sqliteCli(test::sampleDatabasePath(), ran + u';').split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(rows.size(), fromClient.size());
    for (qsizetype r = 0; r < rows.size(); ++r) {
        // The clients print reals in their own way: compare the keys and the value as a number.
        const QStringList ours = rows[r].split(u'|'), theirs = fromClient[r].split(u'|');
        ASSERT_EQ(ours.size(), 6);
        ASSERT_EQ(theirs.size(), 6);
        EXPECT_EQ(ours.mid(0, 2), theirs.mid(0, 2));
        EXPECT_DOUBLE_EQ(ours[5].toDouble(), theirs[5].toDouble());
        if (r > 0)
            EXPECT_GE(rows[r - 1].split(u'|')[5].toDouble(), ours[5].toDouble());
    }
}

namespace {

const char* const kLines =
    "CREATE TABLE order_lines (order_id INTEGER, city VARCHAR(20), unit_price INTEGER, quantity INTEGER);"
    "INSERT INTO order_lines VALUES (1, 'Berlin', 5, 2);"
    "INSERT INTO order_lines VALUES (1, 'Berlin', 3, 1);"
    "INSERT INTO order_lines VALUES (2, 'Paris', 7, 4);"
    "INSERT INTO order_lines VALUES (3, 'Berlin', 2, 10);"
    "INSERT INTO order_lines VALUES (4, 'Rome', 9, -1);"
    "INSERT INTO order_lines VALUES (5, 'Paris', 1, 1);";

}  // namespace

class FinishedStatement : public GroupingAndCalcFields {
protected:
    // A calculated field over two fields and a host function, ordered; then totals, a HAVING
    // criterion, a calculated field over a total, and grouped fields ordered.
    void walk(const QString& connectionString, const QString& quotedAlias,
              const std::function<QString(const QString&)>& client) {
        openOn("order_lines", connectionString);
        click("cmdCalcField");
        auto* calc = dialog<frmCalcFields>();
        ASSERT_NE(calc, nullptr);
        doubleClick(calc, "lstFunctions", "ABS(");
        doubleClick(calc, "lstCalcFields", "unit_price");
        doubleClick(calc, "lstOperators", "*");
        doubleClick(calc, "lstCalcFields", "quantity");
        doubleClick(calc, "lstOperators", ")");
        typeInto(calc, "txtAlias", "Line Total");
        closeWith(calc, "cmdOK");
        order("Line Total", "DESC");
        order("order_id", "ASC");
        EXPECT_TRUE(sql().contains("ABS(order_lines.unit_price*order_lines.quantity) AS " + quotedAlias));
        auto [rows, ran] = run();
        EXPECT_EQ(rows, client(ran).split(u'\n', Qt::SkipEmptyParts));
        EXPECT_EQ(rows.first(), "2|Paris|7|4|28");
        EXPECT_EQ(rows.size(), 6);

        prompts->answer(Prompts::Answer::Yes);
        click("cmdResetSQL");
        group("city", "GROUP BY", true);
        group("quantity", "SUM", true);
        group("*", "COUNT", false);
        click("cmdCalcField");
        calc = dialog<frmCalcFields>();
        ASSERT_NE(calc, nullptr);
        // The total is offered by its expression and known to the aggregate check.
        doubleClick(calc, "lstCalcFields", "SUM(order_lines.quantity)");
        doubleClick(calc, "lstOperators", "*");
        QTest::keyClicks(in<QTextEdit>(calc, "txtCriteria"), " 2");
        typeInto(calc, "txtAlias", "double_units");
        closeWith(calc, "cmdOK");
        option(QueryPage::Where);
        field("COUNTOFAllRows");
        op(">");
        value(1, "1");
        click("cmdCommit");
        order("city", "DESC");
        EXPECT_EQ(criteriaLines(), "GROUP BY order_lines.city\nHAVING (COUNT(*) > 1)\nORDER BY order_lines.city DESC");
        std::tie(rows, ran) = run();
        EXPECT_EQ(rows, client(ran).split(u'\n', Qt::SkipEmptyParts));
        EXPECT_EQ(rows, (QStringList{"Paris|5|10", "Berlin|13|26"}));
    }
};

TEST_F(FinishedStatement, OnSqlite) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("lines.db"));
    ASSERT_NE(test::sqliteCli(file, QString::fromLatin1(kLines)), "<error>");
    walk("Provider=SQLite;Data Source=" + file, "[Line Total]",
         [&](const QString& sql) { return test::sqliteCli(file, sql + u';'); });
}

TEST_F(FinishedStatement, OnPostgres) {
    const QString pg = test::newPostgresDatabase(QStringLiteral("lorvane_calc_fields_test"));
    ASSERT_FALSE(pg.isEmpty());
    ASSERT_NE(test::psqlCli(pg, QString::fromLatin1(kLines)), "<error>");
    walk(pg, "\"Line Total\"", [&](const QString& sql) { return test::psqlCli(pg, sql); });
}

TEST_F(GroupingAndCalcFields, TheEditorsFollowTheHostsSettings) {
    component->setVLNAllowGroupByOption(false);
    component->setVLNAllowCalcFieldOption(false);
    openOn("Orders");
    EXPECT_FALSE(enabled("cmdEditGroup"));
    EXPECT_FALSE(enabled("cmdCalcField"));
    EXPECT_FALSE(enabled("cmdEditCalcField"));
    EXPECT_FALSE(enabled("optQuery(1)"));
    EXPECT_TRUE(enabled("cmdEditOrder"));
    // An editor on an empty table offers nothing to change, and OK leaves it empty.
    click("cmdEditOrder");
    auto* editor = dialog<frmFieldOrder>();
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(listed(editor, "lstFields").isEmpty());
    for (const char* name : {"chkOutput", "cmdDelete", "cmdUpDown(0)", "cmdUpDown(1)"})
        EXPECT_FALSE(enabledIn(editor, name)) << name;
    closeWith(editor, "cmdOK");
    EXPECT_EQ(sql(), "SELECT Orders.OrderID, Orders.CustomerID, Orders.EmployeeID, Orders.OrderDate, "
                     "Orders.RequiredDate, Orders.ShippedDate, Orders.ShipVia, Orders.Freight, Orders.ShipCity\n"
                     "FROM Orders\n");
}
