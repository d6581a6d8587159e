// The join diagram driven as a user drives it: mouse and keys on the view, menus chosen as a
// user chooses them; the diagram, the page's lists and grid, and the statement agree.
#include "BuilderFixture.h"

#include "builder/DiagramItems.h"
#include "builder/JoinDiagram.h"
#include "builder/JoinPage.h"
#include "builder/JoinsGridModel.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QGraphicsScene>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>

using namespace lorvane;

namespace {

const QString kCustomerId = QStringLiteral("Customers.CustomerID");
const QString kOrderCustomerId = QStringLiteral("Orders.CustomerID");
const QString kCustomersOrders = QStringLiteral("join:Customers.CustomerID=Orders.CustomerID");

}  // namespace

class JoinDiagramTest : public test::BuilderWindow {
protected:
    // The join page of a window on the sample database with these tables chosen; declared
    // foreign keys join nothing by themselves unless asked to.
    void openWith(const QStringList& tables, bool joinOnDeclaredKeys = false) {
        component->setProperty("VLNAutoJoinForeignKeys", joinOnDeclaredKeys);
        connectAndShow();
        for (const QString& t : tables)
            addTable(t);
        goToPage(frmQDM::BuildJoins);
        w->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w));
        click("cmdDiagramFit");
    }
    JoinDiagram* view() { return find<JoinDiagram>("gvJoinDiagram"); }
    QGraphicsObject* item(const QString& name) { return view()->item(name); }
    QPoint at(const QString& name) {
        // The pointer reaches the view after the event loop has turned: the view has taken in
        // the last redraw.
        QCoreApplication::processEvents();
        QGraphicsObject* i = item(name);
        EXPECT_NE(i, nullptr) << name.toStdString();
        return i ? view()->mapFromScene(i->sceneBoundingRect().center()) : QPoint();
    }
    // The diagram's line names, in the order of the conditions.
    QStringList lines() {
        QStringList out;
        for (QGraphicsItem* i : view()->scene()->items(Qt::AscendingOrder))
            if (auto* line = qobject_cast<JoinLine*>(i->toGraphicsObject()))
                out << line->objectName();
        out.sort();
        return out;
    }
    // A press on one field, a move across, a release on the other.
    void drag(const QString& fromField, const QString& toField) {
        const QPoint from = at("col:" + fromField), to = at("col:" + toField);
        QWidget* vp = view()->viewport();
        QTest::mousePress(vp, Qt::LeftButton, {}, from);
        QTest::mouseMove(vp, (from + to) / 2);
        QTest::mouseMove(vp, to);
        QTest::mouseRelease(vp, Qt::LeftButton, {}, to);
    }
    // The menu of that name the diagram opened (a popup window of its own), or null.
    QMenu* openMenu(const char* name) {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* menu = qobject_cast<QMenu*>(top); menu && menu->isVisible() && menu->objectName() == name)
                return menu;
        return nullptr;
    }
    QAction* action(QMenu* menu, const QString& startingWith) {
        for (QAction* a : menu->actions())
            if (a->text().startsWith(startingWith))
                return a;
        ADD_FAILURE() << startingWith.toStdString() << " is not offered";
        return nullptr;
    }
    // Clicks an entry of an open menu as a user does.
    void choose(const char* menuName, const QString& startingWith) {
        QMenu* menu = openMenu(menuName);
        ASSERT_NE(menu, nullptr) << menuName << " is not open";
        QAction* a = action(menu, startingWith);
        ASSERT_NE(a, nullptr);
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(a).center());
        QCoreApplication::processEvents();
        EXPECT_EQ(openMenu(menuName), nullptr) << menuName << " stayed open";
    }
    QStringList runRows() {
        goToPage(frmQDM::SelectFields);
        click("cmdTPXFieldRightAll");
        goToPage(frmQDM::BuildQuery);
        executed->clear();
        click("cmdRunQuery");
        EXPECT_EQ(executed->count(), 1);
        if (executed->isEmpty())
            return {};
        return test::rowsOf(executed->last()[3].value<std::shared_ptr<RecordSet>>().get());
    }
    QString focusName() {
        QGraphicsItem* f = view()->scene()->focusItem();
        return f && f->toGraphicsObject() ? f->toGraphicsObject()->objectName() : QString();
    }
    // Tab until the item of that name has focus; every step is announced by the view.
    void tabTo(const QString& name) {
        view()->setFocus(Qt::OtherFocusReason);
        for (int i = 0; i < 60 && focusName() != name; ++i) {
            QTest::keyClick(view(), Qt::Key_Tab);
            const QString now = focusName();
            ASSERT_FALSE(now.isEmpty()) << "Tab left the diagram before reaching " << name.toStdString();
            EXPECT_EQ(view()->accessibleName(), item(now)->property("accessibleName").toString());
        }
        ASSERT_EQ(focusName(), name);
    }
    int gridRows() { return w->joinPage()->joinsModel()->rowCount(); }
};

TEST_F(JoinDiagramTest, EachTableIsABoxOfItsFieldsWithDeclaredKeysMarked) {
    openWith({"Customers", "Orders", "Shippers"});
    for (const QString& t : {"Customers", "Orders", "Shippers"}) {
        auto* box = qobject_cast<TableBox*>(item("tbl:" + t));
        ASSERT_NE(box, nullptr) << t.toStdString();
        EXPECT_TRUE(box->flags() & QGraphicsItem::ItemIsMovable);
    }
    QStringList customers;
    for (FieldItem* f : qobject_cast<TableBox*>(item("tbl:Customers"))->fields())
        customers << f->item();
    EXPECT_EQ(customers, (QStringList{"Customers.CustomerID", "Customers.CompanyName", "Customers.ContactName",
                                      "Customers.City", "Customers.Country", "Customers.Phone",
                                      "Customers.CreditLimit"}));
    auto field = [&](const QString& name) { return qobject_cast<FieldItem*>(item("col:" + name)); };
    ASSERT_NE(field("Orders.ShipVia"), nullptr);
    // Orders names Customers, Employees and Shippers; Customers and Shippers are named.
    EXPECT_TRUE(field(kOrderCustomerId)->isForeignKey());
    EXPECT_FALSE(field(kOrderCustomerId)->isKey());
    EXPECT_TRUE(field("Orders.ShipVia")->isForeignKey());
    EXPECT_TRUE(field(kCustomerId)->isKey());
    EXPECT_TRUE(field("Shippers.ShipperID")->isKey());
    EXPECT_FALSE(field("Orders.Freight")->isKey() || field("Orders.Freight")->isForeignKey());
    EXPECT_EQ(field(kCustomerId)->property("accessibleName").toString(), "Customers.CustomerID, key");
    EXPECT_EQ(field(kOrderCustomerId)->property("accessibleName").toString(), "Orders.CustomerID, foreign key");
    // No two boxes overlap.
    const QList<QRectF> boxes = {item("tbl:Customers")->sceneBoundingRect(), item("tbl:Orders")->sceneBoundingRect(),
                                 item("tbl:Shippers")->sceneBoundingRect()};
    for (int i = 0; i < boxes.size(); ++i)
        for (int j = i + 1; j < boxes.size(); ++j)
            EXPECT_FALSE(boxes[i].intersects(boxes[j])) << i << " overlaps " << j;
    EXPECT_TRUE(lines().isEmpty());
}

TEST_F(JoinDiagramTest, ADragBetweenFieldsJoinsThemAsThePageDoes) {
    openWith({"Customers", "Orders"});
    drag(kCustomerId, kOrderCustomerId);
    QMenu* menu = openMenu("mnuJoinType");
    ASSERT_NE(menu, nullptr);
    QStringList offered;
    for (QAction* a : menu->actions())
        offered << a->text();
    // The types SQLite joins with, inner first.
    EXPECT_EQ(offered, (QStringList{"Inner: matching rows only", "Left outer: every row of Customers"}));
    choose("mnuJoinType", "Inner");
    EXPECT_EQ(lines(), QStringList{kCustomersOrders});
    EXPECT_EQ(gridRows(), 1);
    const QString byDiagram = sqlText();
    EXPECT_TRUE(byDiagram.contains("INNER JOIN")) << byDiagram.toStdString();
    const QStringList rowsByDiagram = runRows();
    EXPECT_FALSE(rowsByDiagram.isEmpty());

    // The same join on the page's lists in a second window: the same statement, the same rows.
    component->VLNCloseLorvane(false);
    openWith({"Customers", "Orders"});
    joinOnPage("Customers", "Orders");
    EXPECT_EQ(sqlText(), byDiagram);
    EXPECT_EQ(lines(), QStringList{kCustomersOrders});  // one state: the page's join is drawn too
    EXPECT_EQ(runRows(), rowsByDiagram);
}

TEST_F(JoinDiagramTest, TheSamePairIsNotOfferedTwiceAndAFieldOfTheSameTableOffersNothing) {
    openWith({"Customers", "Orders"});
    drag(kCustomerId, kOrderCustomerId);
    choose("mnuJoinType", "Inner");
    const QString once = sqlText();
    drag(kOrderCustomerId, kCustomerId);
    QMenu* menu = openMenu("mnuJoinType");
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_FALSE(menu->actions().first()->isEnabled());
    EXPECT_EQ(menu->actions().first()->text(), "Orders.CustomerID and Customers.CustomerID are already joined");
    menu->close();
    drag(kCustomerId, "Customers.City");
    EXPECT_EQ(openMenu("mnuJoinType"), nullptr);
    EXPECT_EQ(sqlText(), once);
    EXPECT_EQ(gridRows(), 1);
}

TEST_F(JoinDiagramTest, ALinesMenuChangesTheTypeAndRemovesTheJoin) {
    openWith({"Customers", "Orders"});
    drag(kCustomerId, kOrderCustomerId);
    choose("mnuJoinType", "Inner");
    ASSERT_EQ(lines(), QStringList{kCustomersOrders});

    // Right-click on the line: its type becomes left outer.
    QTest::mouseClick(view()->viewport(), Qt::RightButton, {}, at(kCustomersOrders));
    QMenu* menu = openMenu("mnuJoinLine");
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(action(menu, "Inner")->isChecked());
    choose("mnuJoinLine", "Left outer");
    EXPECT_TRUE(sqlText().contains("LEFT OUTER JOIN")) << sqlText().toStdString();
    EXPECT_FALSE(sqlText().contains("INNER JOIN"));
    auto* line = qobject_cast<JoinLine*>(item(kCustomersOrders));
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->words(), "Left outer: every row of Customers");
    EXPECT_EQ(line->label(), "left outer");

    // A double-click opens the same menu: the join goes.
    QTest::mouseDClick(view()->viewport(), Qt::LeftButton, {}, at(kCustomersOrders));
    ASSERT_NE(openMenu("mnuJoinLine"), nullptr);
    EXPECT_TRUE(action(openMenu("mnuJoinLine"), "Left outer")->isChecked());
    choose("mnuJoinLine", "Remove Join");
    EXPECT_TRUE(lines().isEmpty());
    EXPECT_FALSE(sqlText().contains("JOIN")) << sqlText().toStdString();
    EXPECT_EQ(gridRows(), 0);
    EXPECT_EQ(find<QTableView>("dgrJoins")->model()->rowCount(), 0);
}

TEST_F(JoinDiagramTest, TheKeyboardMakesAndRemovesTheSameJoin) {
    openWith({"Customers", "Orders"});
    tabTo("col:" + kCustomerId);
    EXPECT_EQ(view()->accessibleName(), "Customers.CustomerID, key");
    QTest::keyClick(view(), Qt::Key_J);
    ASSERT_TRUE(view()->joining());
    EXPECT_EQ(w->statusText(), "Joining Customers.CustomerID: the arrow keys choose the other field, Enter joins, "
                               "Escape cancels.");
    ASSERT_NE(view()->joinTarget(), nullptr);
    // Arrows go through the other table's fields only, each highlighted in turn.
    for (int i = 0; i < 30 && view()->joinTarget()->item() != kOrderCustomerId; ++i) {
        FieldItem* was = view()->joinTarget();
        QTest::keyClick(view(), Qt::Key_Down);
        EXPECT_NE(view()->joinTarget()->table(), "Customers");
        EXPECT_TRUE(view()->joinTarget()->highlighted());
        EXPECT_FALSE(was != view()->joinTarget() && was->highlighted());
    }
    ASSERT_EQ(view()->joinTarget()->item(), kOrderCustomerId);
    EXPECT_EQ(view()->accessibleName(), "Join Customers.CustomerID to Orders.CustomerID");
    QTest::keyClick(view(), Qt::Key_Return);
    QMenu* menu = openMenu("mnuJoinType");
    ASSERT_NE(menu, nullptr);
    ASSERT_NE(menu->activeAction(), nullptr);
    EXPECT_TRUE(menu->activeAction()->text().startsWith("Inner"));
    QTest::keyClick(menu, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(lines(), QStringList{kCustomersOrders});
    EXPECT_FALSE(view()->joining());
    // The keys go on working in the diagram: the window's focus did not move to the page's
    // lists (the window itself is active again once the menu's popup has gone).
    EXPECT_EQ(w->focusWidget(), view());
    const QString byKeys = sqlText();

    // The same join the lists make.
    component->VLNCloseLorvane(false);
    openWith({"Customers", "Orders"});
    joinOnPage("Customers", "Orders");
    EXPECT_EQ(sqlText(), byKeys);

    // Tab on to the line, Delete: the join goes, focus stays in the diagram.
    tabTo(kCustomersOrders);
    EXPECT_TRUE(view()->accessibleName().startsWith("Join Customers.CustomerID to Orders.CustomerID"));
    QTest::keyClick(view(), Qt::Key_Delete);
    EXPECT_TRUE(lines().isEmpty());
    EXPECT_FALSE(sqlText().contains("JOIN"));
    EXPECT_EQ(gridRows(), 0);
    EXPECT_EQ(focusName(), "col:" + kCustomerId);
    EXPECT_EQ(QApplication::focusWidget(), view());
}

TEST_F(JoinDiagramTest, EscapeCancelsAKeyboardJoin) {
    openWith({"Customers", "Orders"});
    tabTo("col:" + kCustomerId);
    QTest::keyClick(view(), Qt::Key_Space);
    ASSERT_TRUE(view()->joining());
    FieldItem* target = view()->joinTarget();
    QTest::keyClick(view(), Qt::Key_Escape);
    EXPECT_FALSE(view()->joining());
    EXPECT_FALSE(target->highlighted());
    QTest::keyClick(view(), Qt::Key_Return);
    EXPECT_EQ(openMenu("mnuJoinType"), nullptr);
    EXPECT_TRUE(lines().isEmpty());
    EXPECT_EQ(gridRows(), 0);
}

TEST_F(JoinDiagramTest, TheDiagramFollowsTheListsAndTheTablePage) {
    openWith({"Customers", "Orders", "Shippers"});
    joinOnPage("Customers", "Orders");
    EXPECT_EQ(lines(), QStringList{kCustomersOrders});
    // A box moved by the user keeps its place when the joins change; its lines follow it.
    QGraphicsObject* orders = item("tbl:Orders");
    ASSERT_NE(orders, nullptr);
    ASSERT_NE(item(kCustomersOrders), nullptr);
    const QRectF lineBefore = item(kCustomersOrders)->sceneBoundingRect();
    orders->setPos(orders->pos() + QPointF(0, 200));
    EXPECT_NE(item(kCustomersOrders)->sceneBoundingRect(), lineBefore);
    const QPointF moved = orders->pos();
    click("cmdlockTables");  // unlocks the pair just joined
    chooseCombo("cmbJoinTables(0)", "Orders");
    chooseCombo("cmbJoinTables(1)", "Shippers");
    click("cmdlockTables");
    BuilderWindow::choose("lstJoinFields(0)", "Orders.ShipVia");
    BuilderWindow::choose("lstJoinFields(1)", "Shippers.ShipperID");
    click("cmdAddJoin");
    EXPECT_EQ(item("tbl:Orders")->pos(), moved);
    EXPECT_EQ(lines(), (QStringList{kCustomersOrders, "join:Orders.ShipVia=Shippers.ShipperID"}));
    EXPECT_EQ(view()->places().value("Orders"), moved);

    // Shippers leaves the query on the table page: its box and line go with it.
    goToPage(frmQDM::SelectTables);
    BuilderWindow::choose("lstTPXTableTo", "Shippers");
    click("cmdTPXTableLeft");
    goToPage(frmQDM::BuildJoins);
    EXPECT_EQ(item("tbl:Shippers"), nullptr);
    EXPECT_EQ(item("col:Shippers.ShipperID"), nullptr);
    EXPECT_EQ(lines(), QStringList{kCustomersOrders});
    EXPECT_NE(item("tbl:Customers"), nullptr);
    EXPECT_FALSE(sqlText().contains("Shippers"));
}

TEST_F(JoinDiagramTest, RestoredPlacesWinOverTheLayout) {
    openWith({"Customers", "Orders"});
    const QHash<QString, QPointF> saved = {{"Customers", QPointF(400, 300)}, {"Orders", QPointF(-50, 20)}};
    view()->setPlaces(saved);
    EXPECT_EQ(view()->places(), saved);
    joinOnPage("Customers", "Orders");
    EXPECT_EQ(view()->places(), saved);
    // Fit brings every box into view.
    click("cmdDiagramFit");
    const QRect shown = view()->viewport()->rect();
    for (const QString& t : {"Customers", "Orders"})
        EXPECT_TRUE(shown.contains(view()->mapFromScene(item("tbl:" + t)->sceneBoundingRect()).boundingRect()))
            << t.toStdString();
}

TEST_F(JoinDiagramTest, DeclaredKeysJoinedOnAddingShowAsLines) {
    openWith({"Customers", "Orders"}, true);
    EXPECT_EQ(lines(), QStringList{kCustomersOrders});
    EXPECT_EQ(gridRows(), 1);
}

TEST_F(JoinDiagramTest, TheJoinsGridModelStaysSoundWhileTheDiagramEditsTheJoins) {
    openWith({"Customers", "Orders", "Shippers"});
    QAbstractItemModelTester tester(w->joinPage()->joinsModel(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    drag(kCustomerId, kOrderCustomerId);
    choose("mnuJoinType", "Inner");
    drag("Orders.ShipVia", "Shippers.ShipperID");
    choose("mnuJoinType", "Left outer");
    // Between two tables already joined: a further condition of their join.
    drag("Customers.City", "Orders.ShipCity");
    choose("mnuJoinType", "Inner");
    EXPECT_TRUE(sqlText().contains("Customers.CustomerID = Orders.CustomerID AND Customers.City = Orders.ShipCity"))
        << sqlText().toStdString();
    EXPECT_EQ(gridRows(), 3);
    EXPECT_EQ(lines().size(), 3);
    EXPECT_TRUE(sqlText().contains("LEFT OUTER JOIN Shippers")) << sqlText().toStdString();
    QTest::mouseClick(view()->viewport(), Qt::RightButton, {}, at("join:Orders.ShipVia=Shippers.ShipperID"));
    choose("mnuJoinLine", "Inner");
    EXPECT_FALSE(sqlText().contains("LEFT OUTER JOIN")) << sqlText().toStdString();
    QTest::mouseClick(view()->viewport(), Qt::RightButton, {}, at(kCustomersOrders));
    choose("mnuJoinLine", "Remove Join");
    // Only the line chosen goes: the join of Customers and Orders keeps its other condition.
    EXPECT_EQ(gridRows(), 2);
    EXPECT_EQ(lines(), (QStringList{"join:Customers.City=Orders.ShipCity", "join:Orders.ShipVia=Shippers.ShipperID"}));
    EXPECT_TRUE(sqlText().contains("(( Customers INNER JOIN Orders ON Customers.City = Orders.ShipCity)  INNER JOIN "
                                   "Shippers ON Orders.ShipVia = Shippers.ShipperID)"))
        << sqlText().toStdString();
    // Its last condition removed, the join goes; Orders and Shippers stay joined.
    QTest::mouseClick(view()->viewport(), Qt::RightButton, {}, at("join:Customers.City=Orders.ShipCity"));
    choose("mnuJoinLine", "Remove Join");
    EXPECT_EQ(gridRows(), 1);
    EXPECT_EQ(lines(), QStringList{"join:Orders.ShipVia=Shippers.ShipperID"});
    EXPECT_TRUE(sqlText().contains("( Orders INNER JOIN Shippers ON Orders.ShipVia = Shippers.ShipperID), Customers"))
        << sqlText().toStdString();
    EXPECT_TRUE(prompts->records().empty());
}

// Saved, closed and opened again through the host's answer to the open exchange: the same
// joins, drawn with their boxes where the user left them.
TEST_F(JoinDiagramTest, AReopenedQueryHasItsJoinsAndItsBoxPlaces) {
    openWith({"Customers", "Orders", "Shippers"});
    drag(kCustomerId, kOrderCustomerId);
    choose("mnuJoinType", "Inner");
    drag("Orders.ShipVia", "Shippers.ShipperID");
    choose("mnuJoinType", "Left outer");
    const QStringList joined = lines();
    ASSERT_EQ(joined.size(), 2);
    // The user moves a box by dragging its title.
    auto* box = item("tbl:Shippers");
    ASSERT_NE(box, nullptr);
    const QPointF before = box->pos();
    const QPoint grip = view()->mapFromScene(box->sceneBoundingRect().topLeft() + QPointF(12, 8));
    QTest::mousePress(view()->viewport(), Qt::LeftButton, {}, grip);
    QTest::mouseMove(view()->viewport(), grip + QPoint(30, 40));
    QTest::mouseRelease(view()->viewport(), Qt::LeftButton, {}, grip + QPoint(30, 40));
    ASSERT_NE(box->pos(), before) << "the box did not move";
    const QHash<QString, QPointF> places = view()->places();
    const QString statement = sqlText();

    QTemporaryDir dir;
    const QString path = dir.filePath("placed.vln");
    prompts->choose(path);
    click("cmdSaveQuery");
    ASSERT_TRUE(QFile::exists(dir.filePath("placedrsDiagram.dat")));
    QObject listening;
    QObject::connect(component.get(), &Lorvanev2::OpenSavedQuery, &listening, [&] { openOnQuery(path); });
    click("cmdOpenQuery");
    ASSERT_NE(w, nullptr);
    goToPage(frmQDM::BuildJoins);
    QCoreApplication::processEvents();
    EXPECT_EQ(lines(), joined);
    EXPECT_EQ(gridRows(), 2);
    EXPECT_EQ(view()->places(), places);
    EXPECT_EQ(sqlText(), statement);
}

// A query of hundreds of tables is joined with the lists: the diagram says so instead of
// drawing hundreds of boxes, and the page stays usable.
TEST_F(JoinDiagramTest, HundredsOfTablesAreLeftToTheListsWithAWord) {
    QTemporaryDir dir;
    const QString path = dir.filePath("wide.db");
    QString sql;
    for (int t = 0; t < 201; ++t)
        sql += QStringLiteral("CREATE TABLE t%1 (id integer PRIMARY KEY, up integer REFERENCES t%2 (id));")
                   .arg(t)
                   .arg(t == 0 ? 0 : t - 1);
    ASSERT_NE(test::sqliteCli(path, sql), "<error>");
    component->setProperty("VLNAutoJoinForeignKeys", false);
    connectAndShow("Provider=SQLite;Data Source=" + path);
    click("cmdTPXTableRightAll");
    goToPage(frmQDM::BuildJoins);
    QCoreApplication::processEvents();
    EXPECT_EQ(item("tbl:t0"), nullptr);
    QStringList said;
    for (QGraphicsItem* i : view()->scene()->items())
        if (auto* text = dynamic_cast<QGraphicsSimpleTextItem*>(i))
            said << text->text();
    EXPECT_EQ(said, QStringList{"The diagram draws up to 200 tables; this query has 201. Join them with the lists."});
    // The lists still join them.
    joinOnPage("t1", "t0");
    EXPECT_EQ(gridRows(), 1);
}

// A new user's three tables joined by two drags: the statement and rows are those the join
// page's lists give for the same joins.
TEST_F(JoinDiagramTest, CustomersOrdersAndTheirLinesJoinedByTwoDragsAsOnTheLists) {
    const QStringList tables{"Customers", "Orders", "[Order Details]"};
    openWith(tables);
    drag(kCustomerId, kOrderCustomerId);
    choose("mnuJoinType", "Inner");
    drag("Orders.OrderID", "[Order Details].OrderID");
    choose("mnuJoinType", "Inner");
    EXPECT_EQ(lines(), (QStringList{kCustomersOrders, "join:Orders.OrderID=[Order Details].OrderID"}));
    // Every table joined: the query can be built on at once.
    EXPECT_TRUE(w->tabs()->isTabEnabled(frmQDM::SelectFields));
    const QString byDiagram = sqlText();
    const QStringList rowsByDiagram = runRows();
    EXPECT_GT(rowsByDiagram.size(), 100);

    component->VLNCloseLorvane(false);
    openWith(tables);
    joinOnPage("Customers", "Orders");
    joinOnPage("Orders", "[Order Details]");
    EXPECT_EQ(sqlText(), byDiagram);
    const QStringList rowsByLists = runRows();
    // Thousands of rows: said by count, not printed.
    EXPECT_TRUE(rowsByLists == rowsByDiagram) << rowsByLists.size() << " rows by the lists, " << rowsByDiagram.size()
                                              << " by the diagram";
}

// Boxes moved after a save are a change like any other: closing offers to save them.
TEST_F(JoinDiagramTest, BoxesMovedAfterASaveAreOfferedForSavingOnClose) {
    openWith({"Customers", "Orders"});
    drag(kCustomerId, kOrderCustomerId);
    choose("mnuJoinType", "Inner");
    QTemporaryDir dir;
    prompts->choose(dir.filePath("moved.vln"));
    click("cmdSaveQuery");
    const auto afterSave = prompts->records().size();
    auto* box = item("tbl:Orders");
    ASSERT_NE(box, nullptr);
    const QPoint grip = view()->mapFromScene(box->sceneBoundingRect().topLeft() + QPointF(12, 8));
    QTest::mousePress(view()->viewport(), Qt::LeftButton, {}, grip);
    QTest::mouseMove(view()->viewport(), grip + QPoint(20, 30));
    QTest::mouseRelease(view()->viewport(), Qt::LeftButton, {}, grip + QPoint(20, 30));
    prompts->answer(Prompts::Answer::Cancel);
    click("cmdExit");
    ASSERT_EQ(prompts->records().size(), afterSave + 1) << "closing did not offer to save the moved boxes";
    EXPECT_TRUE(prompts->records().back().text.contains("Save the Query")) << prompts->records().back().text.toStdString();
    EXPECT_EQ(Lorvanev2::builderWindow(), w);
}
