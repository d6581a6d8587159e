#include "FieldPage.h"

#include "BuilderWidgets.h"
#include "NameListModel.h"
#include "NameListView.h"
#include "TablePage.h"
#include "frmQDM.h"

#include <QLabel>
#include <QSet>
#include <QPushButton>

namespace lorvane {

FieldPage::FieldPage(frmQDM& window) : QWidget(&window), w_(window) {
    d_ = buildDualLists(
        this, {"lblTPXFields", 109, "lblTPXAvailableFields", 110, "lblTPXOutputFields", 111, "lblTPXFieldHint",
               "lstTPXFieldFrom", "lstTPXFieldTo", "cmdTPXFieldRight", "cmdTPXFieldRightAll", "cmdTPXFieldLeft",
               "cmdTPXFieldLeftAll"});

    connect(d_.right, &QPushButton::clicked, this, &FieldPage::addOne);
    connect(d_.rightAll, &QPushButton::clicked, this, &FieldPage::addAll);
    connect(d_.left, &QPushButton::clicked, this, &FieldPage::removeOne);
    connect(d_.leftAll, &QPushButton::clicked, this, &FieldPage::removeAll);
    connect(d_.from, &QAbstractItemView::doubleClicked, this, [this] {
        if (!w_.tablesChanged)
            addOne();
    });
    connect(d_.to, &QAbstractItemView::doubleClicked, this, [this] {
        if (!w_.tablesChanged)
            removeOne();
    });
    connect(d_.from, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
        d_.from->setToolTip(index.data().toString());
        d_.right->setEnabled(true);
        d_.rightAll->setEnabled(true);
    });
    connect(d_.to, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
        d_.to->setToolTip(index.data().toString());
        d_.left->setEnabled(true);
        d_.leftAll->setEnabled(true);
    });
}

void FieldPage::fillLists() {
    QStringList& offered = w_.state().OutputFieldList;
    d_.from->names()->clear();
    // Output fields of a table that is no longer selected leave with it: a select list must
    // never name a table the FROM line does not.
    const QStringList& fieldList = w_.state().FieldList();
    const QSet<QString> fields(fieldList.cbegin(), fieldList.cend());
    d_.to->names()->removeIf([&fields](const QString& name) { return !fields.contains(name); });
    const QStringList& output = d_.to->names()->names();
    const QSet<QString> chosen(output.cbegin(), output.cend());
    offered.removeIf([&chosen](const QString& name) { return chosen.contains(name); });
    if (offered.isEmpty()) {
        if (w_.tablePage()->selectedTables().isEmpty())
            d_.to->names()->clear();
        for (QPushButton* b : {d_.right, d_.rightAll, d_.left, d_.leftAll})
            b->setEnabled(false);
        return;
    }
    d_.from->names()->setNames(offered);
    d_.rightAll->setEnabled(true);
    d_.left->setEnabled(false);
    d_.right->setEnabled(false);
    d_.leftAll->setEnabled(false);
}

QStringList FieldPage::availableFields() const {
    return listTexts(d_.from);
}

void FieldPage::restore(const QStringList& output, const QStringList& available) {
    fillDualLists(d_, output, available);
}

void FieldPage::captureOutputList() {
    QStringList output;
    QSet<QString> seen;
    for (const QString& name : d_.to->names()->names())
        if (!seen.contains(name)) {
            seen.insert(name);
            output << name;
        }
    w_.state().OutputFieldList = output;
}

void FieldPage::addOne() {
    moveHighlighted(d_.from, d_.to, d_.right, d_.rightAll, d_.leftAll);
}

void FieldPage::removeOne() {
    moveHighlighted(d_.to, d_.from, d_.left, d_.leftAll, d_.rightAll);
}

void FieldPage::addAll() {
    moveAll(d_.from, d_.to);
    d_.rightAll->setEnabled(false);
    d_.right->setEnabled(false);
    d_.leftAll->setEnabled(true);
}

void FieldPage::removeAll() {
    moveAll(d_.to, d_.from);
    d_.leftAll->setEnabled(false);
    d_.left->setEnabled(false);
    d_.rightAll->setEnabled(true);
}

}  // namespace lorvane
