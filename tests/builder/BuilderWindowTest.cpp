// The builder window as an end user drives it, on the sample database, with the host listening.
#include "builder/QueryPage.h"
#include "builder/ResultsPage.h"
#include "builder/frmQDM.h"
#include "shared/BuilderSettings.h"
#include "control/Lorvanev2.h"
#include "shared/clsField.h"
#include "shared/clsTable.h"
#include "platform/ScriptedPrompts.h"
#include "platform/RecordSetModel.h"
#include "support/TestDatabases.h"
#include "builder/BuilderFixture.h"
#include "platform/VLNError.h"

#include <QCheckBox>
#include <QComboBox>
#include <QStyle>
#include <QStyleOptionButton>
#include <cmath>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTextCursor>
#include <QTextEdit>
#include <gtest/gtest.h>

using namespace lorvane;
using lorvane::test::BuilderWindow;


TEST_F(BuilderWindow, TwoTablesJoinedFieldsPickedRunSortedSplitAndClosed) {
    connectAndShow();
    EXPECT_EQ(w->windowTitle(), "Kestrine Lorvane V2.0");
    EXPECT_EQ(w->statusText(), "Ready ..");
    EXPECT_EQ(find<QLabel>("lblTPXTables")->text(), "Select the Tables you wish to include in your Query");
    EXPECT_EQ(w->tabs()->tabText(1), "Build Joins");
    EXPECT_EQ(items("lstTPXTableSelection").size(), 10);
    EXPECT_EQ(pagesEnabled(), (std::vector<bool>{true, false, false, false, false}));

    addTable("Orders");
    EXPECT_EQ(pagesEnabled(), (std::vector<bool>{true, false, true, true, true}));
    addTable("Customers");
    EXPECT_EQ(pagesEnabled(), (std::vector<bool>{true, true, false, false, false}));

    goToPage(frmQDM::BuildJoins);
    EXPECT_EQ(comboItems("cmbJoinType"), (QStringList{"Inner: matching rows only", "Left outer: every row of the left table"}));
    chooseCombo("cmbJoinTables(0)", "Orders");
    EXPECT_EQ(comboItems("cmbJoinTables(1)"), QStringList{"Customers"});
    chooseCombo("cmbJoinTables(1)", "Customers");
    click("cmdlockTables");
    EXPECT_EQ(find<QListWidget>("lstJoinFields(0)")->currentItem()->text(), "Orders.CustomerID");
    EXPECT_EQ(find<QListWidget>("lstJoinFields(1)")->currentItem()->text(), "Customers.CustomerID");
    EXPECT_EQ(find<QComboBox>("cmbJoinType")->toolTip(),
              "[ONLY INCLUDE ROWS] where the Joined Fields from 'Orders' are [EQUAL] to the Fields from 'Customers'");
    click("cmdAddJoin");
    EXPECT_EQ(pagesEnabled(), (std::vector<bool>{true, true, true, true, true}));
    EXPECT_EQ(find<QTableView>("dgrJoins")->model()->rowCount(), 1);

    goToPage(frmQDM::SelectFields);
    EXPECT_TRUE(items("lstTPXFieldFrom").contains("Customers.CompanyName"));
    choose("lstTPXFieldFrom", "Orders.OrderID");
    click("cmdTPXFieldRight");
    choose("lstTPXFieldFrom", "Customers.CompanyName");
    click("cmdTPXFieldRight");
    choose("lstTPXFieldFrom", "Orders.Freight");
    click("cmdTPXFieldRight");
    EXPECT_EQ(items("lstTPXFieldTo"), (QStringList{"Orders.OrderID", "Customers.CompanyName", "Orders.Freight"}));

    goToPage(frmQDM::BuildQuery);
    const QString expected = "SELECT Orders.OrderID, Customers.CompanyName, Orders.Freight\n"
                             "FROM ( Orders INNER JOIN Customers ON Orders.CustomerID = Customers.CustomerID)\n";
    EXPECT_EQ(sqlText().replace("\r\n", "\n").replace("\r", "\n"), expected);

    click("cmdRunQuery");
    EXPECT_EQ(w->tabs()->currentIndex(), frmQDM::QueryResults);
    auto* grid = find<QSplitter>("dgrQueryResults");
    auto* view = qobject_cast<QTableView*>(grid->widget(0));
    EXPECT_EQ(view->model()->rowCount(), 20000);
    EXPECT_EQ(view->model()->headerData(1, Qt::Horizontal).toString(), "CompanyName");
    EXPECT_EQ(find<QTextEdit>("txtSQLErrors")->toPlainText(), "Query Successful ... \n20000 Records Returned");
    EXPECT_EQ(w->statusText(), "Ready ..");
    ASSERT_EQ(executed->count(), 1);
    const auto args = executed->takeFirst();
    EXPECT_EQ(args[0].toInt(), 0);
    EXPECT_EQ(args[1].toString(), "");
    EXPECT_EQ(args[2].toString(), "SELECT Orders.OrderID, Customers.CompanyName, Orders.Freight FROM ( Orders INNER "
                                  "JOIN Customers ON Orders.CustomerID = Customers.CustomerID) ");
    auto results = args[3].value<std::shared_ptr<RecordSet>>();
    ASSERT_TRUE(results);
    EXPECT_EQ(results->RecordCount(), 20000);

    emit view->horizontalHeader()->sectionClicked(2);
    click("cmdDesc");
    const double top = view->model()->data(view->model()->index(0, 2)).toDouble();
    const double next = view->model()->data(view->model()->index(1, 2)).toDouble();
    EXPECT_GE(top, next);
    EXPECT_DOUBLE_EQ(top, 499.99);
    click("cmdAsc");
    double lowest = top;
    for (qint64 r = 0; r < results->RecordCount(); ++r)
        lowest = std::min(lowest, results->ValueAt(r, 2).toDouble());
    EXPECT_DOUBLE_EQ(view->model()->data(view->model()->index(0, 2)).toDouble(), lowest);

    click("cmdResAddSplit");
    EXPECT_EQ(grid->count(), 2);
    EXPECT_TRUE(find<QPushButton>("cmdResDeleteSplit")->isEnabled());
    click("cmdResDeleteSplit");
    EXPECT_EQ(grid->count(), 1);
    EXPECT_FALSE(find<QPushButton>("cmdResDeleteSplit")->isEnabled());

    component->VLNCloseLorvane(false);
    EXPECT_EQ(Lorvanev2::builderWindow(), nullptr);
    ASSERT_EQ(unloaded->count(), 1);
    EXPECT_EQ(unloaded->first()[0].toString(), "");
    EXPECT_TRUE(prompts->records().isEmpty());
}

TEST_F(BuilderWindow, WithoutJoinsOneTableAndTheFirstAddJumpsToFields) {
    component->setVLNAllowJoinCreation(false);
    connectAndShow();
    addTable("Shippers");
    EXPECT_EQ(w->tabs()->currentIndex(), frmQDM::SelectFields);
    EXPECT_EQ(items("lstTPXFieldFrom"), (QStringList{"Shippers.ShipperID", "Shippers.CompanyName", "Shippers.Phone"}));
    goToPage(frmQDM::SelectTables);
    const QStringList before = items("lstTPXTableSelection");
    choose("lstTPXTableSelection", "Customers");
    EXPECT_FALSE(find<QPushButton>("cmdTPXTableRight")->isEnabled());  // the single-table rule
    doubleClick("lstTPXTableSelection", "Customers");
    ASSERT_EQ(prompts->records().size(), 1);
    EXPECT_EQ(prompts->records()[0].text, "Only 1 Table can be selected at a time.\nPlease de-select selected Table first.");
    EXPECT_EQ(prompts->records()[0].icon, Prompts::Icon::Information);
    EXPECT_EQ(prompts->records()[0].title, "Kestrine Lorvane V2.0");
    EXPECT_EQ(items("lstTPXTableSelection"), before);
    EXPECT_EQ(items("lstTPXTableTo"), QStringList{"Shippers"});

    // Without field selection the first add goes to Build Query and every field is output.
    component->VLNCloseLorvane(false);
    reset();
    component->setVLNAllowFieldSelection(false);
    connectAndShow();
    addTable("Shippers");
    EXPECT_EQ(w->tabs()->currentIndex(), frmQDM::BuildQuery);
    EXPECT_TRUE(sqlText().startsWith("SELECT Shippers.ShipperID, Shippers.CompanyName, Shippers.Phone"));
}

TEST_F(BuilderWindow, ThreeTablesNeedTwoJoinsAndRemovingATableRemovesItsJoins) {
    connectAndShow();
    addTable("Orders");
    addTable("Customers");
    addTable("Shippers");
    joinOnPage("Orders", "Customers");
    EXPECT_EQ(pagesEnabled(), (std::vector<bool>{true, true, false, false, false}));
    // The next join starts from a joined table, and offers only tables not yet joined.
    click("cmdlockTables");
    EXPECT_EQ(comboItems("cmbJoinTables(0)"), (QStringList{"Orders", "Customers"}));
    chooseCombo("cmbJoinTables(0)", "Orders");
    EXPECT_EQ(comboItems("cmbJoinTables(1)"), QStringList{"Shippers"});
    chooseCombo("cmbJoinTables(1)", "Shippers");
    click("cmdlockTables");
    EXPECT_EQ(find<QListWidget>("lstJoinFields(0)")->currentItem(), nullptr);  // no shared field name
    EXPECT_FALSE(find<QPushButton>("cmdAddJoin")->isEnabled());
    choose("lstJoinFields(0)", "Orders.ShipVia");
    choose("lstJoinFields(1)", "Shippers.ShipperID");
    chooseCombo("cmbJoinType", "Left outer: every row of Orders");
    click("cmdAddJoin");
    EXPECT_EQ(pagesEnabled(), (std::vector<bool>{true, true, true, true, true}));
    EXPECT_EQ(w->state().JoinText, "(( Orders INNER JOIN Customers ON Orders.CustomerID = Customers.CustomerID)  "
                                   "LEFT OUTER JOIN Shippers ON Orders.ShipVia = Shippers.ShipperID)");

    goToPage(frmQDM::SelectTables);
    // A table that goes takes its joins; the join between the tables that remain stays.
    choose("lstTPXTableTo", "Shippers");
    click("cmdTPXTableLeft");
    EXPECT_EQ(w->state().rsJoins().RecordCount(), 1);
    EXPECT_EQ(w->state().JoinText, "( Orders INNER JOIN Customers ON Orders.CustomerID = Customers.CustomerID)");
    EXPECT_EQ(pagesEnabled(), (std::vector<bool>{true, false, true, true, true}));
    EXPECT_EQ(w->removedTables, QStringList{"Shippers"});
    choose("lstTPXTableTo", "Orders");
    click("cmdTPXTableLeft");
    EXPECT_EQ(w->state().rsJoins().RecordCount(), 0);
    EXPECT_EQ(w->state().JoinText, "");
    choose("lstTPXTableTo", "Customers");
    click("cmdTPXTableLeft");
    EXPECT_EQ(pagesEnabled(), (std::vector<bool>{true, false, false, false, false}));
}

TEST_F(BuilderWindow, RunOutcomes) {
    QTemporaryDir dir;
    const QString copy = "Provider=SQLite;Data Source=" + test::copyOfSample(dir);
    component->VLNMakeConnection(copy, {}, {}, 0, 0, 10, false, {}, true);
    component->VLNShowLorvane();
    w = Lorvanev2::builderWindow();
    ASSERT_TRUE(w);
    addTable("[Order Details]");
    goToPage(frmQDM::SelectFields);
    click("cmdTPXFieldRightAll");
    goToPage(frmQDM::BuildQuery);
    click("cmdRunQuery");
    EXPECT_EQ(find<QTextEdit>("txtSQLErrors")->toPlainText(), "Query Successful ... \n10 Records Returned");
    ASSERT_EQ(executed->count(), 1);
    EXPECT_EQ(executed->takeFirst()[3].value<std::shared_ptr<RecordSet>>()->RecordCount(), 10);

    // A statement the database rejects (a table that went away): red text, event with the error.
    BuilderSettings::shared().activeConnection().Execute("ALTER TABLE \"Order Details\" RENAME TO Gone");
    goToPage(frmQDM::BuildQuery);
    click("cmdRunQuery");
    const QString text = find<QTextEdit>("txtSQLErrors")->toPlainText();
    EXPECT_TRUE(text.startsWith("SQL Syntax Error :\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("no such table")) << text.toStdString();
    QTextCursor c(find<QTextEdit>("txtSQLErrors")->document());
    c.setPosition(1);
    EXPECT_EQ(c.charFormat().foreground().color(), QColor(192, 0, 0));
    EXPECT_FALSE(find<QPushButton>("cmdAsc")->isEnabled());
    EXPECT_FALSE(find<QPushButton>("cmdExcel")->isEnabled());
    ASSERT_EQ(executed->count(), 1);
    const auto failed = executed->takeFirst();
    EXPECT_NE(failed[0].toInt(), 0);
    EXPECT_TRUE(failed[1].toString().contains("no such table"));
    EXPECT_FALSE(failed[3].value<std::shared_ptr<RecordSet>>()->IsOpen());

    // A closed connection: the connection message, and the host hears of the failed run.
    BuilderSettings::shared().activeConnection().Close();
    click("cmdRunQuery");
    ASSERT_EQ(prompts->records().size(), 1);
    EXPECT_EQ(prompts->records()[0].text, "Unable to make a connection to the database.\nConnection string: " + copy +
                                              "\n\nThe connection cannot be used: it is closed.\n"
                                              "Check that the database can be reached, then run the query again.");
    EXPECT_EQ(prompts->records()[0].icon, Prompts::Icon::Critical);
    ASSERT_EQ(executed->count(), 1);
    EXPECT_EQ(executed->first()[0].toInt(), lorvane::ErrorNumber::NotUsable);
    EXPECT_EQ(executed->first()[1].toString(), "The connection cannot be used: it is closed.");
    EXPECT_TRUE(find<QTextEdit>("txtSQLErrors")->toPlainText().startsWith("Unable to make a connection to the database."));
}

TEST_F(BuilderWindow, WithoutARecordsetNothingRunsButTheHostGetsTheSql) {
    component->setVLNCreateQueryRecordset(false);
    connectAndShow();
    addTable("Shippers");
    goToPage(frmQDM::SelectFields);
    click("cmdTPXFieldRightAll");
    goToPage(frmQDM::BuildQuery);
    click("cmdRunQuery");
    ASSERT_EQ(executed->count(), 1);
    const auto args = executed->takeFirst();
    EXPECT_EQ(args[0].toInt(), 0);
    EXPECT_EQ(args[2].toString(), "SELECT Shippers.ShipperID, Shippers.CompanyName, Shippers.Phone FROM Shippers ");
    EXPECT_FALSE(args[3].value<std::shared_ptr<RecordSet>>()->IsOpen());
    EXPECT_EQ(w->tabs()->currentIndex(), frmQDM::BuildQuery);  // results are not shown
}

TEST_F(BuilderWindow, ATypedCellCannotSmuggleAWriteIntoTheRun) {
    QTemporaryDir dir;
    const QString copy = test::copyOfSample(dir);
    connectAndShow("Provider=SQLite;Data Source=" + copy);
    addTable("Shippers");
    goToPage(frmQDM::SelectFields);
    click("cmdTPXFieldRightAll");
    goToPage(frmQDM::BuildQuery);
    // What a typed criteria cell may hold: a second statement after the condition.
    RecordSet& grid = w->state().rsWhere();
    grid.AddNew();
    grid.SetValue("Shippers.ShipperID", "= 1; DELETE FROM Shippers; SELECT 1 WHERE 1 = 1");
    w->queryPage()->sqlView();
    EXPECT_TRUE(sqlText().contains("DELETE FROM Shippers"));
    click("cmdRunQuery");
    ASSERT_EQ(executed->count(), 1);
    EXPECT_NE(executed->first()[0].toInt(), 0);
    EXPECT_TRUE(find<QTextEdit>("txtSQLErrors")->toPlainText().startsWith("SQL Syntax Error :"));
    Connection check;
    check.Open("Provider=SQLite;Data Source=" + copy);
    EXPECT_EQ(check.OpenRecordSet("SELECT COUNT(*) FROM Shippers")->Value(0).toInt(), 3);
}

TEST_F(BuilderWindow, ClosingOffersToSaveOnlyWhenTheQueryCanBeSavedAndYesNeverLosesIt) {
    // The window's own save command: closing asks; No closes without saving.
    connectAndShow();
    addTable("Orders");  // an empty query never asks
    prompts->answer(Prompts::Answer::No);
    w->close();
    EXPECT_EQ(prompts->records().size(), 1);
    EXPECT_EQ(Lorvanev2::builderWindow(), nullptr);
    EXPECT_EQ(unloaded->count(), 1);
    prompts->clear();

    int saves = 0;
    bool saved = true;
    auto showWithSave = [&] {
        connectAndShow();
        addTable("Orders");
        w->setSaveCommand([&] {
            ++saves;
            return saved;
        });
    };
    showWithSave();
    prompts->answer(Prompts::Answer::Cancel);
    w->close();
    ASSERT_EQ(prompts->records().size(), 1);
    EXPECT_EQ(prompts->records()[0].text, "You have chosen to close Kestrine Lorvane V2.0.\n"
                                          "Do you want to Save the Query before closing ?");
    EXPECT_EQ(prompts->records()[0].buttons, Prompts::Buttons::YesNoCancel);
    EXPECT_EQ(prompts->records()[0].icon, Prompts::Icon::Question);
    EXPECT_NE(Lorvanev2::builderWindow(), nullptr);
    EXPECT_EQ(saves, 0);

    prompts->answer(Prompts::Answer::No);
    w->close();
    EXPECT_EQ(Lorvanev2::builderWindow(), nullptr);
    EXPECT_EQ(saves, 0);
    EXPECT_EQ(unloaded->count(), 2);

    // Yes saves and closes; a save that did not happen keeps the window open.
    showWithSave();
    saved = false;
    prompts->answer(Prompts::Answer::Yes);
    find<QPushButton>("cmdExit")->click();
    EXPECT_EQ(saves, 1);
    EXPECT_NE(Lorvanev2::builderWindow(), nullptr);
    saved = true;
    prompts->answer(Prompts::Answer::Yes);
    find<QPushButton>("cmdExit")->click();
    EXPECT_EQ(saves, 2);
    EXPECT_EQ(Lorvanev2::builderWindow(), nullptr);
    EXPECT_EQ(unloaded->count(), 3);

    // The host's close with false never asks; with saving not allowed there is no prompt.
    const auto asked = prompts->records().size();
    showWithSave();
    component->VLNCloseLorvane(false);
    EXPECT_EQ(prompts->records().size(), asked);
    component->VLNCloseLorvane(true);  // nothing is loaded: nothing happens
    EXPECT_EQ(unloaded->count(), 4);
    component->setVLNAllowSaveDeleteQuery(false);
    showWithSave();
    w->close();
    EXPECT_EQ(prompts->records().size(), asked);
    EXPECT_EQ(unloaded->count(), 5);
}

TEST_F(BuilderWindow, OneWindowPerProcess) {
    QSignalSpy already(component.get(), &Lorvanev2::VLNAlreadyLoaded);
    QSignalSpy complete(component.get(), &Lorvanev2::ConnectionComplete);
    connectAndShow();
    frmQDM* first = w;
    component->VLNShowLorvane();
    EXPECT_EQ(Lorvanev2::builderWindow(), first);
    complete.clear();
    component->VLNMakeConnection(test::sampleConnectionString());
    EXPECT_EQ(already.count(), 1);
    EXPECT_EQ(complete.count(), 0);
}

TEST_F(BuilderWindow, HelpOpensTheFileOrSaysItCannot) {
    component->setVLNHelpFileLocation("/opt/help/builder.chm");
    connectAndShow();
    prompts->documentOpens(true);
    click("cmdHelp");
    ASSERT_EQ(prompts->records().size(), 1);
    EXPECT_EQ(prompts->records()[0].text, "/opt/help/builder.chm");
    prompts->documentOpens(false);
    click("cmdHelp");
    ASSERT_EQ(prompts->records().size(), 3);
    EXPECT_EQ(prompts->records()[2].text, "Unable to locate and open the Help File: /opt/help/builder.chm");
    EXPECT_EQ(prompts->records()[2].title, "Open Help file Error");
}

TEST_F(BuilderWindow, OpeningASavedQueryUnloadsFirstThenAsksTheHost) {
    QSignalSpy open(component.get(), &Lorvanev2::OpenSavedQuery);
    std::vector<QString> order;
    QObject::connect(component.get(), &Lorvanev2::VLNUnloaded, [&order] { order.push_back("VLNUnloaded"); });
    QObject::connect(component.get(), &Lorvanev2::OpenSavedQuery, [&order] { order.push_back("OpenSavedQuery"); });
    connectAndShow();
    addTable("Orders");
    w->setSaveCommand([] { return true; });
    // What the open-saved-query command does: set the request and close the window.
    BuilderSettings::shared().OpenSavedQueryRequested = true;
    prompts->answer(Prompts::Answer::Cancel);
    w->close();
    ASSERT_EQ(prompts->records().size(), 1u);
    EXPECT_EQ(prompts->records()[0].text, "You have chosen to Open a Saved Query.\n"
                                          "Do you want to save the current query before Opening the Saved Query ?");
    EXPECT_FALSE(BuilderSettings::shared().OpenSavedQueryRequested);  // cancelled
    EXPECT_TRUE(order.empty());
    BuilderSettings::shared().OpenSavedQueryRequested = true;
    prompts->answer(Prompts::Answer::No);
    w->close();
    EXPECT_EQ(order, (std::vector<QString>{"VLNUnloaded", "OpenSavedQuery"}));
    EXPECT_FALSE(BuilderSettings::shared().OpenSavedQueryRequested);
    // Any other close raises no OpenSavedQuery.
    connectAndShow();
    component->VLNCloseLorvane(false);
    EXPECT_EQ(open.count(), 1);
}

TEST_F(BuilderWindow, TablesWithoutKnownFieldsSendTheUserBack) {
    clsTable::shared().Add("Nowhere");  // unbound: the catalogue knows no fields for it
    component->VLNShowLorvane();
    w = Lorvanev2::builderWindow();
    ASSERT_TRUE(w);
    EXPECT_FALSE(w->tabs()->isTabEnabled(frmQDM::QueryResults));  // no connection, no results page
    addTable("Nowhere");
    goToPage(frmQDM::SelectFields);
    ASSERT_EQ(prompts->records().size(), 1);
    EXPECT_EQ(prompts->records()[0].text, "No Fields exist in Field Collection relating to the selected table");
    EXPECT_EQ(prompts->records()[0].title, "No Fields");
    EXPECT_EQ(w->tabs()->currentIndex(), frmQDM::SelectTables);
    EXPECT_EQ(pagesEnabled(), (std::vector<bool>{true, false, false, false, false}));
}

TEST_F(BuilderWindow, AModalShowReturnsOnlyAfterTheWindowClosed) {
    component->setVLNModalForm(true);
    component->VLNMakeConnection(test::sampleConnectionString(), {}, {}, 0, 0, 0, false, {}, true);
    bool wasOpenDuringShow = false;
    QTimer::singleShot(0, [&] {
        wasOpenDuringShow = Lorvanev2::builderWindow() != nullptr &&
                            Lorvanev2::builderWindow()->windowModality() == Qt::ApplicationModal;
        component->VLNCloseLorvane(false);
    });
    component->VLNShowLorvane();  // blocks until the window has gone
    EXPECT_TRUE(wasOpenDuringShow);
    EXPECT_EQ(Lorvanev2::builderWindow(), nullptr);
    EXPECT_EQ(unloaded->count(), 1);
}

TEST_F(BuilderWindow, DestroyingTheComponentClosesTheWindowWithoutAskingOrTellingIt) {
    Lorvanev2 other;  // another component of the host, attached to the bridge by an unbound connect
    QSignalSpy otherUnloaded(&other, &Lorvanev2::VLNUnloaded);
    other.VLNMakeConnection();
    connectAndShow();
    executed.reset();
    unloaded.reset();
    component.reset();
    EXPECT_EQ(Lorvanev2::builderWindow(), nullptr);
    EXPECT_TRUE(prompts->records().isEmpty());
    EXPECT_EQ(otherUnloaded.count(), 1);  // the other component is still told
    EXPECT_FALSE(BuilderSettings::shared().ComponentTerminating);  // consumed by the close
}

namespace {

double luminance(QColor c) {
    auto channel = [](double v) {
        v /= 255.0;
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.red()) + 0.7152 * channel(c.green()) + 0.0722 * channel(c.blue());
}

// The contrast of a caption as it is drawn: the most common colour of the caption's area is
// its background, the colour that stands out most from it is the text.
double drawnContrast(QWidget* w) {
    const QImage image = w->grab().toImage();
    QRect area = image.rect();
    if (auto* check = qobject_cast<QCheckBox*>(w)) {
        QStyleOptionButton option;
        option.initFrom(check);
        option.text = check->text();
        area = check->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, check) & image.rect();
    }
    QHash<QRgb, int> counts;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            ++counts[image.pixel(x, y)];
    QRgb background = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (it.value() > counts.value(background))
            background = it.key();
    const double lb = luminance(QColor(background));
    double best = 1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        const double lt = luminance(QColor(it.key()));
        best = std::max(best, (std::max(lb, lt) + 0.05) / (std::min(lb, lt) + 0.05));
    }
    return best;
}

}  // namespace

TEST_F(BuilderWindow, EveryCaptionAndCheckBoxIsLegibleInTheDefaultColours) {
    connectAndShow();
    int checked = 0;
    auto checkPage = [&](int page) {
        ASSERT_TRUE(w->tabs()->isTabEnabled(page)) << page;
        goToPage(page);
        for (QWidget* caption : w->tabs()->widget(page)->findChildren<QWidget*>()) {
            auto* label = qobject_cast<QLabel*>(caption);
            auto* check = qobject_cast<QCheckBox*>(caption);
            if ((!label || label->text().isEmpty()) && (!check || check->text().isEmpty()))
                continue;
            if (!caption->isVisibleTo(w))
                continue;
            ++checked;
            // White on mid grey, the default look, measures about 3.9:1; the check requires
            // 3:1, the least contrast at which a caption stays readable.
            EXPECT_GE(drawnContrast(caption), 3.0) << caption->objectName().toStdString() << " on page " << page;
        }
    };
    addTable("Orders");
    addTable("Customers");
    checkPage(frmQDM::SelectTables);
    checkPage(frmQDM::BuildJoins);
    chooseCombo("cmbJoinTables(0)", "Orders");
    chooseCombo("cmbJoinTables(1)", "Customers");
    click("cmdlockTables");
    click("cmdAddJoin");
    for (int page : {frmQDM::SelectFields, frmQDM::BuildQuery, frmQDM::QueryResults})
        checkPage(page);
    EXPECT_GE(checked, 15);
}

TEST_F(BuilderWindow, TheResultsGridGetsMostOfThePageAndShowsWholeHeaders) {
    connectAndShow();
    w->resize(900, 620);
    addTable("Customers");
    goToPage(frmQDM::SelectFields);
    click("cmdTPXFieldRightAll");
    goToPage(frmQDM::BuildQuery);
    click("cmdRunQuery");
    QCoreApplication::processEvents();
    auto* grid = find<QSplitter>("dgrQueryResults");
    EXPECT_GT(grid->height(), w->resultsPage()->height() / 2);
    auto* view = qobject_cast<QTableView*>(grid->widget(0));
    for (int c = 0; c < view->model()->columnCount(); ++c) {
        const QString header = view->model()->headerData(c, Qt::Horizontal).toString();
        EXPECT_GE(view->columnWidth(c), view->fontMetrics().horizontalAdvance(header)) << header.toStdString();
    }
}
