#include "ScreenshotTour.h"

#include "DemoWindow.h"
#include "builder/frmQDM.h"
#include "control/Lorvanev2.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>

namespace {

using lorvane::frmQDM;

bool pick(frmQDM* w, const char* list, const QString& text) {
    auto* l = w->findChild<QListWidget*>(QString::fromLatin1(list));
    const auto found = l ? l->findItems(text, Qt::MatchExactly) : QList<QListWidgetItem*>();
    if (found.isEmpty())
        return false;
    l->setCurrentItem(found.first());
    emit l->itemClicked(found.first());
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

bool shoot(QWidget* w, const QString& dir, const QString& name) {
    QApplication::processEvents();
    return w->grab().save(QDir(dir).filePath(name));
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
    w->tabs()->setCurrentIndex(frmQDM::BuildJoins);
    ok = ok && chooseCombo(w, "cmbJoinTables(0)", "Orders") && chooseCombo(w, "cmbJoinTables(1)", "Customers") &&
         press(w, "cmdlockTables") && press(w, "cmdAddJoin") && shoot(w, dir, "2-build-joins.png");
    w->tabs()->setCurrentIndex(frmQDM::SelectFields);
    for (const char* field : {"Orders.OrderID", "Orders.OrderDate", "Customers.CompanyName", "Customers.City",
                              "Orders.Freight"})
        ok = ok && pick(w, "lstTPXFieldFrom", QString::fromLatin1(field)) && press(w, "cmdTPXFieldRight");
    ok = ok && shoot(w, dir, "3-select-fields.png");
    w->tabs()->setCurrentIndex(frmQDM::BuildQuery);
    ok = ok && shoot(w, dir, "4-build-query.png") && press(w, "cmdRunQuery") && shoot(w, dir, "5-query-results.png");
    ok = ok && shoot(&demo, dir, "demo-host.png");
    return ok;
}
