#include "FieldPage.h"

#include "BuilderWidgets.h"
#include "TablePage.h"
#include "frmQDM.h"

#include <QLabel>
#include <QListWidget>
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
    connect(d_.from, &QListWidget::itemDoubleClicked, this, [this] {
        if (!w_.tablesChanged)
            addOne();
    });
    connect(d_.to, &QListWidget::itemDoubleClicked, this, [this] {
        if (!w_.tablesChanged)
            removeOne();
    });
    connect(d_.from, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        d_.from->setToolTip(item->text());
        d_.right->setEnabled(true);
        d_.rightAll->setEnabled(true);
    });
    connect(d_.to, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        d_.to->setToolTip(item->text());
        d_.left->setEnabled(true);
        d_.leftAll->setEnabled(true);
    });
}

void FieldPage::fillLists() {
    QStringList& offered = w_.state().OutputFieldList;
    d_.from->clear();
    // Output fields of a table that is no longer selected leave with it: a select list must
    // never name a table the FROM line does not.
    const QStringList& fields = w_.state().FieldList();
    for (int i = d_.to->count() - 1; i >= 0; --i)
        if (!fields.contains(d_.to->item(i)->text()))
            delete d_.to->takeItem(i);
    for (int i = 0; i < d_.to->count(); ++i)
        offered.removeAll(d_.to->item(i)->text());
    if (offered.isEmpty()) {
        if (w_.tablePage()->selectedTables().isEmpty())
            d_.to->clear();
        for (QPushButton* b : {d_.right, d_.rightAll, d_.left, d_.leftAll})
            b->setEnabled(false);
        return;
    }
    d_.from->addItems(offered);
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
    for (int i = 0; i < d_.to->count(); ++i)
        if (!output.contains(d_.to->item(i)->text()))
            output << d_.to->item(i)->text();
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
