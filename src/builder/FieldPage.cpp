#include "FieldPage.h"

#include "BuilderWidgets.h"
#include "TablePage.h"
#include "frmQDM.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace lorvane {

FieldPage::FieldPage(frmQDM& window) : QWidget(&window), w_(window) {
    const DualLists d = buildDualLists(
        this, {"lblTPXFields", 109, "lblTPXAvailableFields", 110, "lblTPXOutputFields", 111, "lblTPXFieldHint",
               "lstTPXFieldFrom", "lstTPXFieldTo", "cmdTPXFieldRight", "cmdTPXFieldRightAll", "cmdTPXFieldLeft",
               "cmdTPXFieldLeftAll"});
    from_ = d.from;
    to_ = d.to;
    right_ = d.right;
    rightAll_ = d.rightAll;
    left_ = d.left;
    leftAll_ = d.leftAll;

    connect(right_, &QPushButton::clicked, this, &FieldPage::addOne);
    connect(rightAll_, &QPushButton::clicked, this, &FieldPage::addAll);
    connect(left_, &QPushButton::clicked, this, &FieldPage::removeOne);
    connect(leftAll_, &QPushButton::clicked, this, &FieldPage::removeAll);
    connect(from_, &QListWidget::itemDoubleClicked, this, [this] {
        if (!w_.tablesChanged)
            addOne();
    });
    connect(to_, &QListWidget::itemDoubleClicked, this, [this] {
        if (!w_.tablesChanged)
            removeOne();
    });
    connect(from_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        from_->setToolTip(item->text());
        right_->setEnabled(true);
        rightAll_->setEnabled(true);
    });
    connect(to_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        to_->setToolTip(item->text());
        left_->setEnabled(true);
        leftAll_->setEnabled(true);
    });
}

void FieldPage::fillLists() {
    QStringList& offered = w_.state().OutputFieldList;
    from_->clear();
    for (int i = 0; i < to_->count(); ++i)
        offered.removeAll(to_->item(i)->text());
    if (offered.isEmpty()) {
        if (w_.tablePage()->selectedTables().isEmpty())
            to_->clear();
        for (QPushButton* b : {right_, rightAll_, left_, leftAll_})
            b->setEnabled(false);
        return;
    }
    from_->addItems(offered);
    rightAll_->setEnabled(true);
    left_->setEnabled(false);
    right_->setEnabled(false);
    leftAll_->setEnabled(false);
}

void FieldPage::captureOutputList() {
    QStringList output;
    for (int i = 0; i < to_->count(); ++i)
        if (!output.contains(to_->item(i)->text()))
            output << to_->item(i)->text();
    w_.state().OutputFieldList = output;
}

void FieldPage::addOne() {
    moveHighlighted(from_, to_, right_, rightAll_, leftAll_);
}

void FieldPage::removeOne() {
    moveHighlighted(to_, from_, left_, leftAll_, rightAll_);
}

void FieldPage::addAll() {
    moveAll(from_, to_);
    rightAll_->setEnabled(false);
    right_->setEnabled(false);
    leftAll_->setEnabled(true);
}

void FieldPage::removeAll() {
    moveAll(to_, from_);
    leftAll_->setEnabled(false);
    left_->setEnabled(false);
    rightAll_->setEnabled(true);
}

}  // namespace lorvane
