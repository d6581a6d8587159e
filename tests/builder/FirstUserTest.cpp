// What a first-time user meets in the builder: results that read right, join choices in
// words, help that opens, and prompts that know whether anything changed.
#include "builder/BuilderFixture.h"
#include "builder/QueryPage.h"
#include "builder/ResultsPage.h"
#include "platform/RecordSetModel.h"
#include "shared/BuilderSettings.h"

#include <QAbstractItemModelTester>
#include <QClipboard>
#include <QFont>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace lorvane;
using lorvane::test::BuilderWindow;

namespace {

class FirstUser : public BuilderWindow {
protected:
    QTableView* resultsView(int split = 0) {
        return qobject_cast<QTableView*>(find<QSplitter>("dgrQueryResults")->widget(split));
    }
    QAbstractItemModel* results() { return resultsView()->model(); }
    QStringList headings() {
        QStringList out;
        for (int c = 0; c < results()->columnCount(); ++c)
            out << results()->headerData(c, Qt::Horizontal).toString();
        return out;
    }
    int columnOf(const QString& heading) {
        QStringList plain = headings();
        for (QString& h : plain)
            h.remove(QString::fromUtf8(" \u25B2")).remove(QString::fromUtf8(" \u25BC"));
        const int c = static_cast<int>(plain.indexOf(heading));
        EXPECT_GE(c, 0) << heading.toStdString() << " is no heading of " << headings().join(", ").toStdString();
        return c;
    }
    int rowWhere(const QString& heading, const QString& shown) {
        const int c = columnOf(heading);
        for (int r = 0; c >= 0 && r < results()->rowCount(); ++r)
            if (results()->index(r, c).data().toString() == shown)
                return r;
        ADD_FAILURE() << "no row shows " << shown.toStdString() << " under " << heading.toStdString();
        return -1;
    }
    QString shown(int row, const QString& heading) { return results()->index(row, columnOf(heading)).data().toString(); }
    Qt::Alignment alignment(int row, const QString& heading) {
        return results()->index(row, columnOf(heading)).data(Qt::TextAlignmentRole).value<Qt::Alignment>();
    }
    void clickHeading(const QString& heading) {
        QHeaderView* header = resultsView()->horizontalHeader();
        const int c = columnOf(heading);
        resultsView()->scrollTo(results()->index(0, c));  // the heading in view, as a user scrolls to it
        QCoreApplication::processEvents();
        const int x = header->sectionViewportPosition(c) + header->sectionSize(c) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    }
    // Orders joined to their customers, every field of both, run.
    void runOrdersWithCustomers(const QString& connectionString) {
        connectAndShow(connectionString);
        w->resize(1200, 700);
        // PostgreSQL offers a mixed-case name quoted.
        auto shownAs = [&](const QString& table) {
            for (const QString& item : items("lstTPXTableSelection"))
                if (item == table || item == '"' + table + '"')
                    return item;
            return table;
        };
        const QString orders = shownAs("Orders"), customers = shownAs("Customers");
        addTable(orders);
        addTable(customers);
        joinOnPage(orders, customers);
        goToPage(frmQDM::SelectFields);
        click("cmdTPXFieldRightAll");
        goToPage(frmQDM::BuildQuery);
        click("cmdRunQuery");
        ASSERT_EQ(w->tabs()->currentIndex(), frmQDM::QueryResults);
        ASSERT_GT(results()->rowCount(), 0);
    }
};

TEST_F(FirstUser, ResultsReadRightAlignedInIsoFormWithNullDistinctAndTablesInRepeatedHeadings) {
    QTemporaryDir dir;
    const QString db = test::copyOfSample(dir);
    // A credit limit of binary noise, an empty contact name and a missing one.
    test::sqliteCli(db, "UPDATE Customers SET CreditLimit = 0.1 * 3, ContactName = '' WHERE CustomerID = 125;"
                        "UPDATE Customers SET ContactName = NULL WHERE CustomerID = 214;");
    runOrdersWithCustomers("Provider=SQLite;Data Source=" + db);
    QAbstractItemModelTester tester(results(), QAbstractItemModelTester::FailureReportingMode::Fatal);

    // Only the repeated name carries its table; every tool tip names table and field.
    const QStringList h = headings();
    EXPECT_TRUE(h.contains("Orders.CustomerID")) << h.join(", ").toStdString();
    EXPECT_TRUE(h.contains("Customers.CustomerID"));
    EXPECT_FALSE(h.contains("CustomerID"));
    EXPECT_FALSE(h.contains("CustomerID_2"));
    EXPECT_TRUE(h.contains("OrderID"));
    EXPECT_TRUE(h.contains("CompanyName"));
    EXPECT_EQ(results()->headerData(columnOf("Orders.CustomerID"), Qt::Horizontal, Qt::ToolTipRole).toString(),
              "Table Orders, field CustomerID");
    EXPECT_EQ(results()->headerData(columnOf("CompanyName"), Qt::Horizontal, Qt::ToolTipRole).toString(),
              "Table Customers, field CompanyName");

    // Money with its two places, whatever binary noise the database stored.
    const int noisy = rowWhere("OrderID", "10004");
    ASSERT_GE(noisy, 0);
    EXPECT_EQ(shown(noisy, "Freight"), "6.92");
    EXPECT_EQ(shown(rowWhere("OrderID", "10007"), "Freight"), "12.11");
    // A plain real: the shortest text of the number, not its binary tail.
    EXPECT_EQ(shown(noisy, "CreditLimit"), "0.3");
    EXPECT_EQ(shown(noisy, "ContactName"), "");
    EXPECT_TRUE(alignment(noisy, "Freight") & Qt::AlignRight);
    EXPECT_TRUE(alignment(noisy, "OrderID") & Qt::AlignRight);
    EXPECT_TRUE(alignment(noisy, "CreditLimit") & Qt::AlignRight);
    EXPECT_TRUE(alignment(noisy, "CompanyName") & Qt::AlignLeft);

    // Dates and times in ISO form; Null is a word of its own, greyed and in italics.
    const int unshipped = rowWhere("OrderID", "10023");
    ASSERT_GE(unshipped, 0);
    EXPECT_EQ(shown(unshipped, "OrderDate"), "2020-06-10 12:13:00");
    EXPECT_EQ(shown(unshipped, "RequiredDate"), "2020-06-24");
    EXPECT_EQ(shown(unshipped, "ShippedDate"), "Null");
    EXPECT_EQ(shown(unshipped, "ContactName"), "Null");
    EXPECT_TRUE(results()->index(unshipped, columnOf("ShippedDate")).data(Qt::FontRole).value<QFont>().italic());
    EXPECT_FALSE(results()->index(noisy, columnOf("ContactName")).data(Qt::FontRole).value<QFont>().italic());

    // Ctrl+C copies the selection with its headings, tab-separated; Null copies as nothing.
    QTableView* view = resultsView();
    view->setFocus();
    view->clearSelection();
    const int first = std::min(noisy, unshipped), second = std::max(noisy, unshipped);
    for (int row : {first, second})
        for (const char* heading : {"OrderID", "ContactName", "Freight"})
            view->selectionModel()->select(results()->index(row, columnOf(heading)), QItemSelectionModel::Select);
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    // Columns in the grid's order.
    QStringList order{"OrderID", "ContactName", "Freight"};
    std::sort(order.begin(), order.end(), [&](const QString& a, const QString& b) { return columnOf(a) < columnOf(b); });
    EXPECT_EQ(order, (QStringList{"OrderID", "Freight", "ContactName"}));
    auto ordered = [&](int row) {
        QStringList cells;
        for (const QString& heading : order) {
            const QString text = shown(row, heading);
            cells << (text == "Null" ? QString() : text);
        }
        return cells.join('\t');
    };
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              order.join('\t') + "\n" + ordered(first) + "\n" + ordered(second) + "\n");
    EXPECT_TRUE(QGuiApplication::clipboard()->text().contains("\t6.92\t\n"));  // an empty name

    // The heading clicked is the one Asc and Desc sort: marked at once, its direction after a sort.
    const int freight = columnOf("Freight");
    EXPECT_TRUE(results()->headerData(0, Qt::Horizontal, Qt::FontRole).value<QFont>().bold());  // before any click
    clickHeading("Freight");
    EXPECT_TRUE(results()->headerData(freight, Qt::Horizontal, Qt::FontRole).value<QFont>().bold());
    EXPECT_FALSE(results()->headerData(0, Qt::Horizontal, Qt::FontRole).value<QFont>().bold());
    EXPECT_EQ(results()->headerData(freight, Qt::Horizontal).toString(), "Freight");
    click("cmdDesc");
    EXPECT_EQ(results()->headerData(freight, Qt::Horizontal).toString(), QString::fromUtf8("Freight \u25BC"));
    EXPECT_EQ(shown(0, "Freight"), "499.99");
    click("cmdAsc");
    EXPECT_EQ(results()->headerData(freight, Qt::Horizontal).toString(), QString::fromUtf8("Freight \u25B2"));
    EXPECT_EQ(results()->headerData(freight, Qt::Horizontal, Qt::ToolTipRole).toString(),
              "Table Orders, field Freight; sorted ascending");
    // A split shows the same marks.
    click("cmdResAddSplit");
    EXPECT_EQ(resultsView(1)->model()->headerData(freight, Qt::Horizontal).toString(),
              QString::fromUtf8("Freight \u25B2"));
    clickHeading("OrderID");
    EXPECT_EQ(results()->headerData(freight, Qt::Horizontal).toString(), "Freight");
    EXPECT_TRUE(results()->headerData(columnOf("OrderID"), Qt::Horizontal, Qt::FontRole).value<QFont>().bold());
}

}  // namespace

namespace {

TEST_F(FirstUser, JoinTypesReadAsWordsLockNeedsBothTablesAndTheJoinsGridReadsAsConditions) {
    component->setVLNJoinTypesSupported(Lorvanev2::jtInnerOuterAndFullOuterJoin);
    connectAndShow();
    addTable("Orders");
    addTable("Customers");
    addTable("Shippers");
    goToPage(frmQDM::BuildJoins);
    QAbstractItemModelTester tester(find<QTableView>("dgrJoins")->model(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    EXPECT_EQ(comboItems("cmbJoinType"), (QStringList{"Inner: matching rows only",
                                                      "Left outer: every row of the left table",
                                                      "Full outer: every row of both"}));
    // Lock waits for both tables.
    EXPECT_FALSE(find<QPushButton>("cmdlockTables")->isEnabled());
    chooseCombo("cmbJoinTables(0)", "Orders");
    EXPECT_FALSE(find<QPushButton>("cmdlockTables")->isEnabled());
    EXPECT_EQ(comboItems("cmbJoinType")[1], "Left outer: every row of Orders");
    chooseCombo("cmbJoinTables(1)", "Customers");
    EXPECT_TRUE(find<QPushButton>("cmdlockTables")->isEnabled());
    // Choosing the left table again empties the right one: nothing to lock.
    chooseCombo("cmbJoinTables(0)", "Customers");
    EXPECT_FALSE(find<QPushButton>("cmdlockTables")->isEnabled());
    EXPECT_EQ(comboItems("cmbJoinType")[1], "Left outer: every row of Customers");
    chooseCombo("cmbJoinTables(0)", "Orders");
    chooseCombo("cmbJoinTables(1)", "Customers");
    click("cmdlockTables");
    EXPECT_TRUE(find<QPushButton>("cmdlockTables")->isEnabled());  // to unlock
    chooseCombo("cmbJoinType", "Left outer: every row of Orders");
    // The Part's description stays the tool tip.
    EXPECT_EQ(find<QComboBox>("cmbJoinType")->toolTip(),
              "Include [ALL RECORDS] from 'Orders' and [ONLY THOSE RECORDS] from 'Customers' where the Joined Fields are [EQUAL].");
    click("cmdAddJoin");
    // A second condition of the same join, then the next join.
    choose("lstJoinFields(0)", "Orders.ShipCity");
    choose("lstJoinFields(1)", "Customers.City");
    click("cmdAddJoin");
    click("cmdlockTables");
    EXPECT_FALSE(find<QPushButton>("cmdlockTables")->isEnabled());  // unlocked with nothing chosen
    EXPECT_EQ(find<QComboBox>("cmbJoinTables(0)")->currentText(), "");
    chooseCombo("cmbJoinTables(0)", "Orders");
    chooseCombo("cmbJoinTables(1)", "Shippers");
    click("cmdlockTables");
    choose("lstJoinFields(0)", "Orders.ShipVia");
    choose("lstJoinFields(1)", "Shippers.ShipperID");
    chooseCombo("cmbJoinType", "Inner: matching rows only");
    click("cmdAddJoin");

    QAbstractItemModel* joins = find<QTableView>("dgrJoins")->model();
    QStringList lines;
    for (int r = 0; r < joins->rowCount(); ++r)
        lines << joins->index(r, 0).data().toString();
    EXPECT_EQ(lines, (QStringList{"Orders.CustomerID = Customers.CustomerID, left outer",
                                  "and Orders.ShipCity = Customers.City, left outer",
                                  "Orders.ShipVia = Shippers.ShipperID, inner"}));
    EXPECT_EQ(joins->columnCount(), 1);
    EXPECT_EQ(w->state().JoinText,
              "(( Orders LEFT OUTER JOIN Customers ON Orders.CustomerID = Customers.CustomerID AND Orders.ShipCity = "
              "Customers.City)  INNER JOIN Shippers ON Orders.ShipVia = Shippers.ShipperID)");

    // A click on a condition offers its comparisons; choosing one rewrites the line.
    auto* view = find<QTableView>("dgrJoins");
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(joins->index(2, 0)).center());
    auto* compare = find<QListWidget>("lstJoinCompare");
    EXPECT_TRUE(compare->isVisible());
    choose("lstJoinCompare", ">=");
    EXPECT_FALSE(compare->isVisible());
    EXPECT_EQ(joins->index(2, 0).data().toString(), "Orders.ShipVia >= Shippers.ShipperID, inner");

    // Leaving and coming back: unlocked, nothing chosen, Lock disabled.
    goToPage(frmQDM::SelectFields);
    goToPage(frmQDM::BuildJoins);
    EXPECT_FALSE(find<QPushButton>("cmdlockTables")->isEnabled());
    EXPECT_EQ(comboItems("cmbJoinType")[1], "Left outer: every row of the left table");
}

}  // namespace

namespace {

class FirstUserPrompts : public lorvane::test::CriteriaPage {
protected:
    QRect screenRoom() { return QGuiApplication::primaryScreen()->availableGeometry(); }
    QTemporaryDir dir;
    std::unique_ptr<QObject> listening = std::make_unique<QObject>();
    void TearDown() override {
        listening.reset();
        CriteriaPage::TearDown();
    }
};

TEST_F(FirstUserPrompts, OnlyAChangedQueryAsksToBeSavedAndTheTitleAndPlaceFollowTheQuery) {
    const QString path = dir.filePath("lyon.vln");
    // A window left empty closes without a question.
    connectAndShow();
    EXPECT_EQ(w->windowTitle(), "Kestrine Lorvane V2.0");
    w->close();
    EXPECT_EQ(Lorvanev2::builderWindow(), nullptr);
    EXPECT_TRUE(prompts->records().isEmpty());
    // So does one emptied again: a table chosen, looked at, taken out.
    connectAndShow();
    addTable("Orders");
    goToPage(frmQDM::SelectFields);
    goToPage(frmQDM::SelectTables);
    choose("lstTPXTableTo", "Orders");
    click("cmdTPXTableLeft");
    w->close();
    EXPECT_EQ(Lorvanev2::builderWindow(), nullptr);
    EXPECT_TRUE(prompts->records().isEmpty());

    // A saved query: its name in the title, and closing right after the save asks nothing.
    openOn("Orders");
    field("ShipCity");
    op("=");
    value(1, "Lyon");
    click("cmdCommit");
    prompts->choose(path);
    click("cmdSaveQuery");
    EXPECT_EQ(w->windowTitle(), "Kestrine Lorvane V2.0 - lyon");
    const auto afterSave = prompts->records().size();
    w->setGeometry(QRect(30, 40, 720, 500));
    const QRect before = w->geometry();
    // The host answers the open exchange by showing the builder on the query.
    QObject::connect(component.get(), &Lorvanev2::OpenSavedQuery, listening.get(), [&] { openOnQuery(path); });
    click("cmdOpenQuery");
    EXPECT_EQ(prompts->records().size(), afterSave);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), "Kestrine Lorvane V2.0 - lyon");
    EXPECT_EQ(w->geometry(), before);  // the same size and place
    EXPECT_EQ(before, QRect(30, 40, 720, 500));

    // Looking at every page changes nothing.
    for (int page : {frmQDM::SelectFields, frmQDM::BuildQuery, frmQDM::QueryResults, frmQDM::SelectTables,
                     frmQDM::BuildQuery})
        goToPage(page);
    click("cmdRunQuery");
    click("cmdOpenQuery");
    EXPECT_EQ(prompts->records().size(), afterSave);
    ASSERT_NE(w, nullptr);

    // A change asks again, with the Part's words; Cancel keeps the window.
    goToPage(frmQDM::BuildQuery);
    option(QueryPage::Order);
    field("Freight");
    op("DESC");
    click("cmdCommit");
    prompts->answer(Prompts::Answer::Cancel);
    click("cmdExit");
    ASSERT_EQ(prompts->records().size(), afterSave + 1);
    EXPECT_EQ(prompts->records().back().text,
              "You have chosen to close Kestrine Lorvane V2.0.\nDo you want to Save the Query before closing ?");
    EXPECT_EQ(Lorvanev2::builderWindow(), w);
    prompts->answer(Prompts::Answer::Cancel);
    click("cmdOpenQuery");
    EXPECT_EQ(prompts->records().back().text, "You have chosen to Open a Saved Query.\n"
                                              "Do you want to save the current query before Opening the Saved Query ?");
    EXPECT_EQ(Lorvanev2::builderWindow(), w);

    // A window left partly off the screen, or larger than it, comes back wholly on it.
    const QRect room = screenRoom();
    w->setGeometry(QRect(room.right() - 200, room.bottom() - 100, 720, 500));
    prompts->answer(Prompts::Answer::No);
    click("cmdOpenQuery");
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(room.contains(w->frameGeometry())) << w->frameGeometry().x() << "," << w->frameGeometry().y();
    EXPECT_EQ(w->size(), QSize(720, 500));
    w->setGeometry(QRect(-50, -50, room.width() + 300, room.height() + 300));
    component->VLNCloseLorvane(false);
    connectAndShow();
    EXPECT_TRUE(room.contains(w->frameGeometry()));
    EXPECT_EQ(w->windowTitle(), "Kestrine Lorvane V2.0");  // a new query has no name
}

}  // namespace

namespace {

TEST_F(FirstUser, HelpOpensTheUserGuideWhileTheLocationIsTheDefaultAndAnyOtherFileThroughTheDesktop) {
    connectAndShow();
    ASSERT_EQ(BuilderSettings::shared().VLNHelpFileLocation, "C:\\Program Files\\Kestrine\\Lorvane v2\\VLNv2User.chm");
    // The desktop's browser shows the guide.
    prompts->documentOpens(true);
    click("cmdHelp");
    ASSERT_EQ(prompts->records().size(), 1);
    EXPECT_EQ(prompts->records()[0].kind, ScriptedPrompts::Record::Kind::OpenDocument);
    const QString guide = prompts->records()[0].text;
    EXPECT_TRUE(guide.endsWith("/guide/index.html")) << guide.toStdString();
    QFile file(guide);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(file.readAll());
    // One section per page and dialog, with the screenshots beside the guide.
    for (const char* section : {"Select Tables", "Build Joins", "Select Fields", "Build Query", "Query Results",
                                "Calculated Fields", "Build Field Value Criteria", "Export to Excel",
                                "Saving, opening and deleting queries"})
        EXPECT_TRUE(html.contains(QStringLiteral("\">") + QString::fromUtf8(section))) << section;  // a heading
    const QDir guideDir = QFileInfo(guide).dir();
    for (const QString& picture : {"1-select-tables.png", "2-build-joins.png", "5-query-results.png"}) {
        EXPECT_TRUE(html.contains("../screenshots/" + picture)) << picture.toStdString();
        EXPECT_TRUE(QFileInfo::exists(guideDir.filePath("../screenshots/" + picture))) << picture.toStdString();
    }

    // Without a browser the guide opens in a help window of the builder's own.
    prompts->documentOpens(false);
    click("cmdHelp");
    EXPECT_EQ(prompts->records().size(), 2);  // no error message
    auto* help = w->findChild<QTextBrowser*>("txtHelp");
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->window()->isVisible());
    EXPECT_EQ(help->window()->windowTitle(), "Kestrine Lorvane V2.0 - Help");
    EXPECT_EQ(help->documentTitle(), "Lorvane query builder: user guide");
    EXPECT_TRUE(help->toPlainText().contains("Left outer: every row of"));
    help->window()->close();

    // A help file of the host's own opens through the desktop's opener.
    QTemporaryDir dir;
    const QString own = dir.filePath("sales-help.pdf");
    QFile(own).open(QIODevice::WriteOnly);
    BuilderSettings::shared().VLNHelpFileLocation = own;
    prompts->clear();
    prompts->documentOpens(true);
    click("cmdHelp");
    ASSERT_EQ(prompts->records().size(), 1);
    EXPECT_EQ(prompts->records()[0].text, own);

    // One that is not there keeps the message it always gave.
    BuilderSettings::shared().VLNHelpFileLocation = dir.filePath("missing.chm");
    prompts->clear();
    click("cmdHelp");
    ASSERT_EQ(prompts->records().size(), 2);
    EXPECT_EQ(prompts->records()[1].text, "Unable to locate and open the Help File: " + dir.filePath("missing.chm"));
    EXPECT_EQ(prompts->records()[1].title, "Open Help file Error");
}

}  // namespace

namespace {

TEST_F(FirstUser, OnPostgresMoneyKeepsItsScaleAndRepeatedHeadingsNameTheirTables) {
    const QString pg = test::newPostgresDatabase(QStringLiteral("lorvane_first_user_test"));
    ASSERT_NE(test::psqlCli(pg, "CREATE TABLE \"Customers\" (\"CustomerID\" integer PRIMARY KEY, \"CompanyName\" varchar(40));"
                                "CREATE TABLE \"Orders\" (\"OrderID\" integer PRIMARY KEY, \"CustomerID\" integer,"
                                " \"Freight\" numeric(10,2), \"ShippedDate\" date, \"Weight\" double precision);"
                                "INSERT INTO \"Customers\" VALUES (7, 'Lyon Foods');"
                                "INSERT INTO \"Orders\" VALUES (1, 7, 1733.6, NULL, 0.1 + 0.2), (2, 7, 1896.95, '2020-06-24', 2);"),
              "<error>");
    runOrdersWithCustomers(pg);
    QAbstractItemModelTester tester(results(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    EXPECT_EQ(headings(), (QStringList{"OrderID", "Orders.CustomerID", "Freight", "ShippedDate", "Weight",
                                       "Customers.CustomerID", "CompanyName"}));
    EXPECT_EQ(results()->headerData(columnOf("CompanyName"), Qt::Horizontal, Qt::ToolTipRole).toString(),
              "Table Customers, field CompanyName");
    const int first = rowWhere("OrderID", "1");
    ASSERT_GE(first, 0);
    EXPECT_EQ(shown(first, "Freight"), "1733.60");
    EXPECT_EQ(shown(rowWhere("OrderID", "2"), "Freight"), "1896.95");
    EXPECT_EQ(shown(first, "ShippedDate"), "Null");
    EXPECT_EQ(shown(rowWhere("OrderID", "2"), "ShippedDate"), "2020-06-24");
    EXPECT_EQ(shown(first, "Weight"), "0.3");
    EXPECT_TRUE(alignment(first, "Freight") & Qt::AlignRight);
}

}  // namespace

namespace {

TEST_F(FirstUser, ThroughOdbcRepeatedHeadingsNameTheirTablesToo) {
    runOrdersWithCustomers(test::odbcConnectionStringFor(test::sampleDatabasePath()));
    const QStringList h = headings();
    EXPECT_TRUE(h.contains("Orders.CustomerID")) << h.join(", ").toStdString();
    EXPECT_TRUE(h.contains("Customers.CustomerID"));
    EXPECT_EQ(results()->headerData(columnOf("CompanyName"), Qt::Horizontal, Qt::ToolTipRole).toString(),
              "Table Customers, field CompanyName");
    EXPECT_EQ(shown(rowWhere("OrderID", "10004"), "Freight"), "6.92");
}

}  // namespace
