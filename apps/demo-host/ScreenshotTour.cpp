#include "ScreenshotTour.h"

#include "DemoWindow.h"
#include "builder/QueryPage.h"
#include "builder/frmCalcFields.h"
#include "builder/frmCriteriaBuilder.h"
#include "builder/frmFieldOrder.h"
#include "builder/frmVLNExcelExport.h"
#include "builder/HelpWindow.h"
#include "builder/JoinDiagram.h"
#include "builder/JoinPage.h"
#include "builder/JoinsGridModel.h"
#include "builder/ResultsPage.h"
#include "storage/WorkbookExport.h"
#include "builder/frmQDM.h"
#include "control/ConnectionStringDialog.h"
#include "control/VLNConnection.h"
#include "platform/ScriptedPrompts.h"
#include "control/Lorvanev2.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QTextCursor>
#include <QTextEdit>
#include <QGraphicsObject>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QTabWidget>

namespace {

using lorvane::frmQDM;

bool pick(frmQDM* w, const char* list, const QString& text) {
    auto* l = w->findChild<QAbstractItemView*>(QString::fromLatin1(list));
    const QModelIndexList found =
        l ? l->model()->match(l->model()->index(0, 0), Qt::DisplayRole, text, 1, Qt::MatchExactly) : QModelIndexList();
    if (found.isEmpty())
        return false;
    l->setCurrentIndex(found.first());
    emit l->clicked(found.first());
    return true;
}

bool press(frmQDM* w, const char* button) {
    auto* b = w->findChild<QPushButton*>(QString::fromLatin1(button));
    if (!b || !b->isEnabled())
        return false;
    b->click();
    return true;
}

bool chooseCombo(frmQDM* w, const char* combo, const QString& text) {
    auto* c = w->findChild<QComboBox*>(QString::fromLatin1(combo));
    const int i = c ? c->findText(text) : -1;
    if (i < 0)
        return false;
    c->setCurrentIndex(i);
    emit c->activated(i);
    return true;
}

bool type(frmQDM* w, const char* combo, const QString& text) {
    auto* c = w->findChild<QComboBox*>(QString::fromLatin1(combo));
    if (!c || !c->isEnabled())
        return false;
    c->setEditText(text);
    return true;
}

QTableView* criteriaGrid(frmQDM* w) {
    auto* grid = w->findChild<QSplitter*>(QStringLiteral("dgrSQL"));
    return grid ? qobject_cast<QTableView*>(grid->widget(0)) : nullptr;
}

int gridColumn(QTableView* view, const QString& name) {
    for (int c = 0; c < view->model()->columnCount(); ++c)
        if (view->model()->headerData(c, Qt::Horizontal).toString() == name)
            return c;
    return -1;
}

bool typeCell(frmQDM* w, int row, const QString& column, const QString& text) {
    QTableView* view = criteriaGrid(w);
    const int c = view ? gridColumn(view, column) : -1;
    if (c < 0 || !view->model()->setData(view->model()->index(row, c), text))
        return false;
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
    view->scrollTo(view->model()->index(row, c));
    return true;
}

bool openKeypad(frmQDM* w, int row, const QString& column) {
    QTableView* view = criteriaGrid(w);
    const int c = view ? gridColumn(view, column) : -1;
    if (c < 0)
        return false;
    w->queryPage()->editCellWithKeypad(row, c);
    return w->findChild<lorvane::frmCriteriaBuilder*>() != nullptr;
}

bool shootKeypad(frmQDM* w, const QString& dir, const QString& name) {
    auto* keypad = w->findChild<lorvane::frmCriteriaBuilder*>();
    if (!keypad)
        return false;
    keypad->adjustSize();
    QApplication::processEvents();
    const bool ok = keypad->grab().save(QDir(dir).filePath(name));
    keypad->reject();
    QApplication::processEvents();
    return ok;
}

// A calculated field built as a user builds it: a field, an operator, a typed factor, an alias.
bool buildCalcField(frmQDM* w) {
    auto* dialog = w->findChild<lorvane::frmCalcFields*>();
    auto* fields = dialog ? dialog->findChild<QListWidget*>(QStringLiteral("lstCalcFields")) : nullptr;
    auto* operators = dialog ? dialog->findChild<QListWidget*>(QStringLiteral("lstOperators")) : nullptr;
    auto* expression = dialog ? dialog->findChild<QTextEdit*>(QStringLiteral("txtCriteria")) : nullptr;
    auto* alias = dialog ? dialog->findChild<QLineEdit*>(QStringLiteral("txtAlias")) : nullptr;
    if (!fields || !operators || !expression || !alias)
        return false;
    const auto freight = fields->findItems(QStringLiteral("Freight"), Qt::MatchExactly);
    const auto times = operators->findItems(QStringLiteral("*"), Qt::MatchExactly);
    if (freight.isEmpty() || times.isEmpty())
        return false;
    fields->setCurrentItem(freight.first());
    emit fields->itemDoubleClicked(freight.first());
    emit operators->itemDoubleClicked(times.first());
    expression->textCursor().insertText(QStringLiteral("1.2"));
    alias->setText(QStringLiteral("Freight With Tax"));
    return true;
}

template <typename Dialog> bool shootDialog(frmQDM* w, const QString& dir, const QString& name, const char* close) {
    auto* dialog = w->findChild<Dialog*>();
    if (!dialog)
        return false;
    dialog->resize(dialog->sizeHint().expandedTo(QSize(520, 320)));
    QApplication::processEvents();
    const bool ok = dialog->grab().save(QDir(dir).filePath(name));
    auto* button = dialog->template findChild<QPushButton*>(QString::fromLatin1(close));
    if (!button || !button->isEnabled())
        return false;
    button->click();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
    return ok;
}

// The data report the export writes; make screenshots renders it with LibreOffice.
bool writeExport(frmQDM* w, const QString& dir, const QString& name) {
    try {
        lorvane::WorkbookExport::write(QDir(dir).filePath(name), *w->resultsPage()->queryResults(),
                                       lorvane::WorkbookExport::Report::Data,
                                       {QStringLiteral("sample"), w->resultsPage()->lastSQL()});
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// Clicks a results heading and sorts ascending by it, as a user does.
bool sortBy(frmQDM* w, const QString& heading) {
    auto* grid = w->findChild<QSplitter*>(QStringLiteral("dgrQueryResults"));
    auto* view = grid ? qobject_cast<QTableView*>(grid->widget(0)) : nullptr;
    if (!view)
        return false;
    for (int c = 0; c < view->model()->columnCount(); ++c)
        if (view->model()->headerData(c, Qt::Horizontal).toString() == heading) {
            emit view->horizontalHeader()->sectionClicked(c);
            return press(w, "cmdAsc");
        }
    return false;
}

bool shoot(QWidget* w, const QString& dir, const QString& name) {
    QApplication::processEvents();
    return w->grab().save(QDir(dir).filePath(name));
}

int joinsShown(frmQDM* w) {
    return w->joinPage()->joinsModel()->rowCount();
}

bool fitDiagram(frmQDM* w) {
    QApplication::processEvents();
    return press(w, "cmdDiagramFit");
}

// A press on one field of the diagram, a move across, a release on a field of another box, as
// a user drags; the menu of join types then stands open.
bool dragField(frmQDM* w, const QString& from, const QString& to) {
    lorvane::JoinDiagram* view = w->joinPage()->diagram();
    QGraphicsObject* a = view->item(QStringLiteral("col:") + from);
    QGraphicsObject* b = view->item(QStringLiteral("col:") + to);
    if (!a || !b)
        return false;
    QWidget* vp = view->viewport();
    const QPoint p = view->mapFromScene(a->sceneBoundingRect().center());
    const QPoint q = view->mapFromScene(b->sceneBoundingRect().center());
    auto send = [vp](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        QMouseEvent e(type, at, vp->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(vp, &e);
    };
    send(QEvent::MouseButtonPress, p, Qt::LeftButton);
    send(QEvent::MouseMove, (p + q) / 2, Qt::LeftButton);
    send(QEvent::MouseMove, q, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, q, Qt::NoButton);
    QApplication::processEvents();
    return true;
}

// The window with the open menu drawn where it stands: a popup is a window of its own.
bool shootWithMenu(frmQDM* w, const char* menuName, const QString& dir, const QString& name) {
    QApplication::processEvents();
    QMenu* menu = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* m = qobject_cast<QMenu*>(top); m && m->isVisible() && m->objectName() == QLatin1String(menuName))
            menu = m;
    if (!menu)
        return false;
    QPixmap shot = w->grab();
    {
        QPainter painter(&shot);
        painter.drawPixmap(w->mapFromGlobal(menu->mapToGlobal(QPoint(0, 0))), menu->grab());
    }
    menu->close();
    QApplication::processEvents();
    return shot.save(QDir(dir).filePath(name));
}

}  // namespace

bool renderScreenshotTour(DemoWindow& demo, const QString& dir) {
    QDir().mkpath(dir);
    demo.showBuilder();
    frmQDM* w = lorvane::Lorvanev2::builderWindow();
    if (!w)
        return false;
    w->resize(900, 620);
    bool ok = pick(w, "lstTPXTableSelection", "Orders") && press(w, "cmdTPXTableRight") &&
              pick(w, "lstTPXTableSelection", "Customers") && press(w, "cmdTPXTableRight") &&
              shoot(w, dir, "1-select-tables.png");
    // The declared foreign key joins Orders to Customers as the tables leave the table page.
    w->tabs()->setCurrentIndex(frmQDM::BuildJoins);
    ok = ok && joinsShown(w) == 1 && fitDiagram(w) && shoot(w, dir, "2-build-joins.png");
    w->tabs()->setCurrentIndex(frmQDM::SelectFields);
    for (const char* field : {"Orders.OrderID", "Orders.OrderDate", "Orders.RequiredDate", "Orders.ShippedDate",
                              "Customers.CompanyName", "Customers.City", "Orders.Freight"})
        ok = ok && pick(w, "lstTPXFieldFrom", QString::fromLatin1(field)) && press(w, "cmdTPXFieldRight");
    ok = ok && shoot(w, dir, "3-select-fields.png");
    w->tabs()->setCurrentIndex(frmQDM::BuildQuery);
    // A criterion through the form: a field, an operator, a value from the value search.
    ok = ok && pick(w, "lstSelectedFields", QStringLiteral("City")) && pick(w, "lstOperands", QStringLiteral("=")) &&
         press(w, "cmdFieldValues") && chooseCombo(w, "cmbAvailableValues1", QStringLiteral("Paris")) &&
         press(w, "cmdCommit") && pick(w, "lstSelectedFields", QStringLiteral("Freight")) &&
         pick(w, "lstOperands", QStringLiteral(">")) && type(w, "cmbAvailableValues1", QStringLiteral("100")) &&
         press(w, "cmdCommit") && shoot(w, dir, "4-build-query.png");
    // The criteria grid, a second line typed into it, and the keypad on a cell.
    ok = ok && press(w, "cmdEditWhere") && typeCell(w, 1, QStringLiteral("Customers.City"), QStringLiteral("Lyon")) &&
         shoot(w, dir, "6-criteria-grid.png");
    ok = ok && openKeypad(w, 1, QStringLiteral("Orders.Freight")) && shootKeypad(w, dir, "7-criteria-keypad.png");
    // A calculated field, then the editor that orders and edits the calculated fields.
    ok = ok && press(w, "cmdCalcField") && buildCalcField(w) &&
         shootDialog<lorvane::frmCalcFields>(w, dir, "8-calculated-field.png", "cmdOK");
    ok = ok && press(w, "cmdEditCalcField") && pick(w, "lstFields", QStringLiteral("Orders.Freight*1.2")) &&
         shootDialog<lorvane::frmFieldOrder>(w, dir, "9-field-order.png", "cmdCancel");
    // The results sorted by the shipping date, so that orders not yet shipped (Null) come first.
    ok = ok && press(w, "cmdSQLView") && press(w, "cmdRunQuery") && sortBy(w, QStringLiteral("ShippedDate")) &&
         shoot(w, dir, "5-query-results.png");
    // The export dialog, and the data report it writes as LibreOffice shows it.
    ok = ok && press(w, "cmdExcel") && shootDialog<lorvane::frmVLNExcelExport>(w, dir, "10-export-dialog.png", "cmdCancel");
    ok = ok && writeExport(w, dir, "11-exported-sheet.xlsx");
    ok = ok && shoot(&demo, dir, "demo-host.png");
    // The join diagram: three sample tables added, their declared keys joining them, and the
    // menu a drag between two fields opens.
    demo.component()->VLNCloseLorvane(false);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    demo.connectToDatabase();  // closing the builder closed its connection
    demo.showBuilder();
    w = lorvane::Lorvanev2::builderWindow();
    if (!w)
        return false;
    // Within the offscreen screen (800 x 600), where the type menu opens beside the pointer.
    w->resize(800, 600);
    for (const char* table : {"Customers", "Orders", "[Order Details]"})
        ok = ok && pick(w, "lstTPXTableSelection", QString::fromLatin1(table)) && press(w, "cmdTPXTableRight");
    w->tabs()->setCurrentIndex(frmQDM::BuildJoins);
    ok = ok && joinsShown(w) == 2 && fitDiagram(w) && shoot(w, dir, "15-join-diagram.png");
    ok = ok && dragField(w, QStringLiteral("Customers.City"), QStringLiteral("Orders.ShipCity")) &&
         shootWithMenu(w, "mnuJoinType", dir, "16-join-type-menu.png");
    // The user guide as the help window shows it where the desktop has no browser.
    {
        lorvane::HelpWindow help(lorvane::HelpWindow::userGuide(), w->caption());
        help.resize(760, 560);
        ok = ok && !lorvane::HelpWindow::userGuide().isEmpty() && shoot(&help, dir, "14-help.png");
    }
    // The design-time faces: the connection page for the demo's component, and the builder.
    {
        auto prompts = std::make_shared<lorvane::ScriptedPrompts>();
        lorvane::VLNConnection page(prompts);
        demo.component()->setVLNConnectionString(QStringLiteral("Provider=SQLite;Data Source=") +
                                                 QFileInfo(demo.databasePath()).absoluteFilePath());
        demo.component()->setVLNCommandType(QStringLiteral("Both"));
        demo.component()->setVLNTableString(QStringLiteral(";Customers;Orders"));
        page.setComponent(demo.component());
        page.resize(640, 360);
        ok = ok && shoot(&page, dir, "12-connection-page.png");
        lorvane::ConnectionStringDialog builder(prompts);
        builder.findChild<QComboBox*>(QStringLiteral("cmbKind"))->setCurrentText(QStringLiteral("PostgreSQL"));
        builder.resize(460, 300);
        ok = ok && shoot(&builder, dir, "13-connection-string-builder.png");
    }
    return ok;
}
