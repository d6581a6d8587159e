#include "FieldPage.h"

#include "BuilderWidgets.h"
#include "TablePage.h"
#include "frmQDM.h"

#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace lorvane {

FieldPage::FieldPage(frmQDM& window) : QWidget(&window), w_(window) {
    auto* grid = new QGridLayout(this);
    grid->addWidget(captionLabel(this, "lblTPXFields", 109), 0, 0, 1, 3);
    grid->addWidget(captionLabel(this, "lblTPXAvailableFields", 110), 1, 0);
    grid->addWidget(captionLabel(this, "lblTPXOutputFields", 111), 1, 2);
    from_ = namedList(this, "lstTPXFieldFrom");
    to_ = namedList(this, "lstTPXFieldTo");
    grid->addWidget(from_, 2, 0);
    grid->addWidget(to_, 2, 2);
    auto* buttons = new QVBoxLayout;
    right_ = commandButton(this, "cmdTPXFieldRight", QStringLiteral(">"));
    rightAll_ = commandButton(this, "cmdTPXFieldRightAll", QStringLiteral(">>"));
    left_ = commandButton(this, "cmdTPXFieldLeft", QStringLiteral("<"));
    leftAll_ = commandButton(this, "cmdTPXFieldLeftAll", QStringLiteral("<<"));
    buttons->addStretch();
    for (QPushButton* b : {right_, rightAll_, left_, leftAll_}) {
        b->setEnabled(false);
        buttons->addWidget(b);
    }
    buttons->addStretch();
    grid->addLayout(buttons, 2, 1);
    grid->addWidget(captionLabel(this, "lblTPXFieldHint", 134), 3, 0, 1, 3);

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

void FieldPage::move(QListWidget* source, QListWidget* target, QPushButton* single, QPushButton* sourceAll,
                     QPushButton* targetAll) {
    if (source->count() == 0 || source->currentRow() < 0)
        return;
    const int p = source->currentRow();
    target->addItem(source->item(p)->text());
    delete source->takeItem(p);
    if (source->count() > 0 && p < source->count()) {
        source->setCurrentRow(p);
        single->setEnabled(true);
    } else {
        source->setCurrentRow(-1);
        single->setEnabled(false);
    }
    if (source->count() > 0) {
        sourceAll->setEnabled(true);
    } else {
        sourceAll->setEnabled(false);
        targetAll->setEnabled(true);
    }
}

void FieldPage::addOne() {
    move(from_, to_, right_, rightAll_, leftAll_);
}

void FieldPage::removeOne() {
    move(to_, from_, left_, leftAll_, rightAll_);
}

void FieldPage::addAll() {
    while (from_->count() > 0) {
        to_->addItem(from_->item(0)->text());
        delete from_->takeItem(0);
    }
    rightAll_->setEnabled(false);
    right_->setEnabled(false);
    leftAll_->setEnabled(true);
}

void FieldPage::removeAll() {
    while (to_->count() > 0) {
        from_->addItem(to_->item(0)->text());
        delete to_->takeItem(0);
    }
    leftAll_->setEnabled(false);
    left_->setEnabled(false);
    rightAll_->setEnabled(true);
}

}  // namespace lorvane
