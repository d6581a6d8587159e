// The builder's lists as a first-time user meets them: fields that say their table where the
// name alone is ambiguous, lists that take the room of a larger window, a filter over the
// available tables, tables that go back to their place, Tab in reading order, and default
// colours that read.
#include "builder/BuilderFixture.h"
#include "builder/NameListView.h"
#include "shared/BuilderSettings.h"

#include <QTemporaryDir>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <cmath>
#include <map>
#include <set>

using namespace lorvane;
using lorvane::test::CriteriaPage;

namespace {

// WCAG 2 relative luminance and contrast ratio.
double luminance(const QColor& c) {
    auto lin = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * lin(c.red() / 255.0) + 0.7152 * lin(c.green() / 255.0) + 0.0722 * lin(c.blue() / 255.0);
}
double contrast(const QColor& a, const QColor& b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

class FirstUserLists : public CriteriaPage {
protected:
    // Orders joined to Customers, every field output, on the Build Query page.
    void ordersWithCustomers(const QString& connectionString = test::sampleConnectionString()) {
        connectAndShow(connectionString);
        addTable("Orders");
        addTable("Customers");
        joinOnPage("Orders", "Customers");
        goToPage(frmQDM::SelectFields);
        click("cmdTPXFieldRightAll");
        goToPage(frmQDM::BuildQuery);
    }
    QLineEdit* tableFilter() { return find<QLineEdit>("txtTableFilter"); }
    void typeFilter(const QString& text) {
        tableFilter()->setFocus();
        tableFilter()->clear();
        QTest::keyClicks(tableFilter(), text);
    }
    // Tab pressed from a control; the names of the controls it reaches, in order.
    QStringList tabFrom(const char* start, int presses) {
        find<QWidget>(start)->setFocus(Qt::TabFocusReason);
        QStringList reached;
        for (int i = 0; i < presses; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            reached << (QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString());
        }
        return reached;
    }
    void activate() {
        w->show();
        w->activateWindow();
        QApplication::setActiveWindow(w);
        ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    }
};

TEST_F(FirstUserLists, FieldsNameTheirTableWhereTheNameRepeatsAndPickingOneWritesThatTable) {
    ordersWithCustomers();
    // Criteria: only the repeated names carry their table.
    QStringList fields = items("lstSelectedFields");
    EXPECT_TRUE(fields.contains("Orders.CustomerID")) << fields.join(", ").toStdString();
    EXPECT_TRUE(fields.contains("Customers.CustomerID"));
    EXPECT_FALSE(fields.contains("CustomerID"));
    EXPECT_TRUE(fields.contains("OrderDate"));
    EXPECT_TRUE(fields.contains("CompanyName"));
    EXPECT_EQ(fields.size(), QSet<QString>(fields.cbegin(), fields.cend()).size()) << "two entries read the same";

    // The entry picked is the field written, for either table.
    field("Customers.CustomerID");
    op("=");
    value(1, "125");
    click("cmdCommit");
    EXPECT_TRUE(criteriaLines().contains("Customers.CustomerID = 125")) << sqlText().toStdString();
    field("Orders.CustomerID");
    op("=");
    value(1, "214");
    click("cmdCommit");
    EXPECT_TRUE(criteriaLines().contains("Orders.CustomerID = 214")) << sqlText().toStdString();
    EXPECT_FALSE(criteriaLines().contains("Customers.CustomerID = 214")) << sqlText().toStdString();

    // Grouping and ordering lists follow the same rule.
    option(QueryPage::Group);
    fields = items("lstSelectedFields");
    EXPECT_TRUE(fields.contains("Orders.CustomerID")) << fields.join(", ").toStdString();
    EXPECT_TRUE(fields.contains("Customers.CustomerID"));
    EXPECT_TRUE(fields.contains("OrderDate"));
    option(QueryPage::Order);
    field("Customers.CustomerID");
    op("DESC");
    click("cmdCommit");
    EXPECT_TRUE(sqlText().contains("ORDER BY Customers.CustomerID DESC")) << sqlText().toStdString();

    // The calculated field dialog's fields too; a double click writes the field picked.
    click("cmdCalcField");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    auto* calc = w->findChild<QDialog*>("frmCalcFields");
    ASSERT_NE(calc, nullptr);
    auto* calcFields = calc->findChild<QListWidget*>("lstCalcFields");
    ASSERT_NE(calcFields, nullptr);
    QStringList offered;
    for (int i = 0; i < calcFields->count(); ++i)
        offered << calcFields->item(i)->text();
    EXPECT_TRUE(offered.contains("Orders.CustomerID")) << offered.join(", ").toStdString();
    EXPECT_TRUE(offered.contains("Customers.CustomerID"));
    EXPECT_TRUE(offered.contains("Freight"));
    const auto picked = calcFields->findItems("Customers.CustomerID", Qt::MatchExactly);
    ASSERT_EQ(picked.size(), 1);
    calcFields->setCurrentItem(picked.first());
    emit calcFields->itemDoubleClicked(picked.first());
    EXPECT_EQ(calc->findChild<QTextEdit*>("txtCriteria")->toPlainText(), "Customers.CustomerID");
    QTest::mouseClick(calc->findChild<QPushButton*>("cmdCancel"), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // The field page always names the table.
    goToPage(frmQDM::SelectFields);
    click("cmdTPXFieldLeftAll");
    for (const QString& f : items("lstTPXFieldFrom"))
        EXPECT_TRUE(f.startsWith("Orders.") || f.startsWith("Customers.")) << f.toStdString();
}

TEST_F(FirstUserLists, EveryPagesListsTakeTheRoomOfALargerWindow) {
    ordersWithCustomers();
    w->show();
    w->resize(760, 560);
    const std::pair<int, std::vector<const char*>> pages[] = {
        {frmQDM::SelectTables, {"lstTPXTableSelection", "lstTPXTableTo"}},
        {frmQDM::BuildJoins, {"lstJoinFields(0)", "lstJoinFields(1)", "dgrJoins"}},
        {frmQDM::SelectFields, {"lstTPXFieldFrom", "lstTPXFieldTo"}},
        {frmQDM::BuildQuery, {"lstSelectedFields", "lstOperands", "txtSQL"}},
    };
    std::map<std::string, QSize> before;
    for (const auto& [page, lists] : pages) {
        goToPage(page);
        QCoreApplication::processEvents();
        for (const char* list : lists)
            before[list] = find<QWidget>(list)->size();
    }
    w->resize(1400, 1000);
    for (const auto& [page, lists] : pages) {
        goToPage(page);
        QCoreApplication::processEvents();
        for (const char* list : lists) {
            const QSize now = find<QWidget>(list)->size();
            EXPECT_GT(now.height(), before[list].height() + 60) << list << " kept its height";
            EXPECT_GT(now.width(), before[list].width() + 60) << list << " kept its width";
        }
    }
    goToPage(frmQDM::QueryResults);
    QCoreApplication::processEvents();
    EXPECT_GT(find<QWidget>("dgrQueryResults")->height(), 500);
}

TEST_F(FirstUserLists, TheFilterNarrowsTheAvailableTablesAndTheyStillMove) {
    connectAndShow();
    QAbstractItemModelTester tester(find<QAbstractItemView>("lstTPXTableSelection")->model(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    const QStringList all = items("lstTPXTableSelection");
    ASSERT_EQ(all.size(), 10);

    // Any case, anywhere in the name as shown.
    typeFilter("oRd");
    EXPECT_EQ(items("lstTPXTableSelection"), (QStringList{"[Order Details]", "Orders", "[Order Subtotals]"}));
    typeFilter("details]");
    EXPECT_EQ(items("lstTPXTableSelection"), QStringList{"[Order Details]"});
    typeFilter("no such table");
    EXPECT_TRUE(items("lstTPXTableSelection").isEmpty());
    EXPECT_FALSE(find<QPushButton>("cmdTPXTableRightAll")->isEnabled());

    // A double click and the > button move the table picked in the narrowed list.
    typeFilter("ord");
    doubleClick("lstTPXTableSelection", "Orders");
    EXPECT_EQ(items("lstTPXTableTo"), QStringList{"Orders"});
    EXPECT_EQ(items("lstTPXTableSelection"), (QStringList{"[Order Details]", "[Order Subtotals]"}));
    choose("lstTPXTableSelection", "[Order Subtotals]");
    click("cmdTPXTableRight");
    EXPECT_EQ(items("lstTPXTableTo"), (QStringList{"Orders", "[Order Subtotals]"}));

    // A highlighted table the filter hides is no longer the one > would move.
    typeFilter("");
    choose("lstTPXTableSelection", "Customers");
    typeFilter("ord");
    EXPECT_FALSE(find<QPushButton>("cmdTPXTableRight")->isEnabled());

    // >> moves what is shown, nothing hidden.
    click("cmdTPXTableRightAll");
    EXPECT_EQ(items("lstTPXTableTo"), (QStringList{"Orders", "[Order Subtotals]", "[Order Details]"}));
    typeFilter("");
    EXPECT_EQ(items("lstTPXTableSelection").size(), 7);
    EXPECT_TRUE(find<QPushButton>("cmdTPXTableRightAll")->isEnabled());

    // A table taken out while the filter hides it is offered again when the filter clears.
    typeFilter("cust");
    choose("lstTPXTableTo", "Orders");
    click("cmdTPXTableLeft");
    EXPECT_EQ(items("lstTPXTableSelection"), QStringList{"Customers"});
    typeFilter("");
    EXPECT_TRUE(items("lstTPXTableSelection").contains("Orders"));
}

TEST_F(FirstUserLists, ATableTakenOutGoesBackToItsPlaceInTheCatalogue) {
    connectAndShow();
    const QStringList all = items("lstTPXTableSelection");
    ASSERT_EQ(all.size(), 10);
    addTable("Customers");
    addTable("Orders");
    addTable("Categories");
    choose("lstTPXTableTo", "Orders");
    click("cmdTPXTableLeft");
    QStringList expected = all;
    expected.removeAll("Customers");
    expected.removeAll("Categories");
    EXPECT_EQ(items("lstTPXTableSelection"), expected);
    doubleClick("lstTPXTableTo", "Categories");
    expected.prepend("Categories");
    EXPECT_EQ(items("lstTPXTableSelection"), expected);
    // All back, all in catalogue order.
    addTable("Shippers");
    addTable("Employees");
    click("cmdTPXTableLeftAll");
    EXPECT_EQ(items("lstTPXTableSelection"), all);
}

TEST_F(FirstUserLists, TabFollowsTheReadingOrder) {
    connectAndShow();
    activate();
    addTable("Orders");
    goToPage(frmQDM::SelectFields);  // leaving the table page makes the query one to save
    goToPage(frmQDM::SelectTables);
    ASSERT_TRUE(find<QWidget>("cmdSaveQuery")->isEnabled());
    choose("lstTPXTableSelection", "Customers");
    EXPECT_EQ(tabFrom("cmdHelp", 4), (QStringList{"cmdOpenQuery", "cmdSaveQuery", "cmdDeleteQuery", "cmdExit"}));
    // The table page: the filter, the available tables, the move buttons, the chosen tables.
    choose("lstTPXTableTo", "Orders");
    EXPECT_EQ(tabFrom("txtTableFilter", 6),
              (QStringList{"lstTPXTableSelection", "cmdTPXTableRight", "cmdTPXTableRightAll", "cmdTPXTableLeft",
                           "cmdTPXTableLeftAll", "lstTPXTableTo"}));
    // The field page the same way.
    goToPage(frmQDM::SelectFields);
    choose("lstTPXFieldFrom", "Orders.OrderID");
    click("cmdTPXFieldRight");
    choose("lstTPXFieldTo", "Orders.OrderID");
    EXPECT_EQ(tabFrom("lstTPXFieldFrom", 5),
              (QStringList{"cmdTPXFieldRight", "cmdTPXFieldRightAll", "cmdTPXFieldLeft", "cmdTPXFieldLeftAll",
                           "lstTPXFieldTo"}));
}

TEST_F(FirstUserLists, TheDefaultColoursReadAtFourAndAHalfToOneOrBetter) {
    QTemporaryDir dir;
    const QString db = test::copyOfSample(dir);
    test::sqliteCli(db, "UPDATE Customers SET ContactName = NULL WHERE CustomerID = 214;");
    ordersWithCustomers("Provider=SQLite;Data Source=" + db);
    // Captions and check boxes carry the label colours.
    for (const char* name : {"lblTPXTables", "lblTPXAvailableTables", "lblQueryFields", "lblSQLLabel"}) {
        auto* label = find<QLabel>(name);
        const double ratio = contrast(label->palette().color(QPalette::WindowText), label->palette().color(QPalette::Window));
        EXPECT_GE(ratio, 4.5) << name << ": " << ratio;
    }
    auto* distinct = find<QCheckBox>("chkDistinct");
    EXPECT_GE(contrast(distinct->palette().color(QPalette::WindowText), distinct->palette().color(QPalette::Window)), 4.5);

    // The outcome of a run and a Null in the results.
    click("cmdRunQuery");
    auto* outcome = find<QTextEdit>("txtSQLErrors");
    ASSERT_TRUE(outcome->toPlainText().startsWith("Query Successful")) << outcome->toPlainText().toStdString();
    QTextCursor head(outcome->document());
    head.setPosition(1);
    EXPECT_GE(contrast(head.charFormat().foreground().color(), outcome->palette().color(QPalette::Base)), 4.5);
    auto* results = qobject_cast<QTableView*>(find<QSplitter>("dgrQueryResults")->widget(0));
    bool nullSeen = false;
    for (int r = 0; r < results->model()->rowCount() && !nullSeen; ++r)
        for (int c = 0; c < results->model()->columnCount() && !nullSeen; ++c) {
            const QModelIndex i = results->model()->index(r, c);
            if (i.data().toString() == "Null") {
                nullSeen = true;
                const QColor grey = i.data(Qt::ForegroundRole).value<QColor>();
                EXPECT_GE(contrast(grey, results->palette().color(QPalette::Base)), 4.5) << grey.name().toStdString();
            }
        }
    EXPECT_TRUE(nullSeen) << "no Null in Orders with Customers";

    // Every colour of the coloured SQL on the SQL window, greyed keywords among them.
    goToPage(frmQDM::BuildQuery);
    field("CompanyName");
    op("IS NOT NULL");
    click("cmdCommit");
    group("Orders.CustomerID", "COUNT", true);
    order("OrderDate", "DESC");
    auto* sql = find<QTextEdit>("txtSQL");
    const QColor base = sql->palette().color(QPalette::Base);
    std::set<QRgb> seen;
    for (QTextBlock b = sql->document()->begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            const QColor c = f.hasProperty(QTextFormat::ForegroundBrush) ? f.foreground().color()
                                                                          : sql->palette().color(QPalette::Text);
            seen.insert(c.rgb());
            EXPECT_GE(contrast(c, base), 4.5) << it.fragment().text().toStdString() << " in " << c.name().toStdString();
        }
    EXPECT_GE(seen.size(), 4u) << "the statement was not coloured";
    const int notNull = static_cast<int>(sqlText().indexOf("IS NOT NULL"));
    ASSERT_GE(notNull, 0) << sqlText().toStdString();
    QTextCursor at(sql->document());
    at.setPosition(notNull + 1);
    EXPECT_NE(at.charFormat().foreground().color(), sql->palette().color(QPalette::Text)) << "IS NOT NULL is not greyed";

    // A refused statement's red.
    BuilderSettings::shared().activeConnection().Execute("ALTER TABLE Customers RENAME TO Gone");
    click("cmdRunQuery");
    ASSERT_TRUE(outcome->toPlainText().startsWith("SQL Syntax Error :")) << outcome->toPlainText().toStdString();
    head = QTextCursor(outcome->document());
    head.setPosition(1);
    EXPECT_GE(contrast(head.charFormat().foreground().color(), outcome->palette().color(QPalette::Base)), 4.5);
}

}  // namespace
