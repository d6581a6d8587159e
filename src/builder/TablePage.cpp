#include "TablePage.h"

#include "BuilderWidgets.h"
#include "FieldPage.h"
#include "JoinPage.h"
#include "MessageCatalogue.h"
#include "control/BuilderSettings.h"
#include "control/clsField.h"
#include "frmQDM.h"

#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace lorvane {

TablePage::TablePage(frmQDM& window) : QWidget(&window), w_(window) {
    auto* grid = new QGridLayout(this);
    grid->addWidget(captionLabel(this, "lblTPXTables", 101), 0, 0, 1, 3);
    grid->addWidget(captionLabel(this, "lblTPXAvailableTables", 102), 1, 0);
    grid->addWidget(captionLabel(this, "lblTPXSelectedTables", 103), 1, 2);
    available_ = namedList(this, "lstTPXTableSelection");
    selected_ = namedList(this, "lstTPXTableTo");
    grid->addWidget(available_, 2, 0);
    grid->addWidget(selected_, 2, 2);
    auto* buttons = new QVBoxLayout;
    right_ = commandButton(this, "cmdTPXTableRight", QStringLiteral(">"));
    rightAll_ = commandButton(this, "cmdTPXTableRightAll", QStringLiteral(">>"));
    left_ = commandButton(this, "cmdTPXTableLeft", QStringLiteral("<"));
    leftAll_ = commandButton(this, "cmdTPXTableLeftAll", QStringLiteral("<<"));
    buttons->addStretch();
    for (QPushButton* b : {right_, rightAll_, left_, leftAll_}) {
        b->setEnabled(false);
        buttons->addWidget(b);
    }
    buttons->addStretch();
    grid->addLayout(buttons, 2, 1);
    grid->addWidget(captionLabel(this, "lblTPXTableHint", 134), 3, 0, 1, 3);

    connect(right_, &QPushButton::clicked, this, &TablePage::addOne);
    connect(rightAll_, &QPushButton::clicked, this, &TablePage::addAll);
    connect(left_, &QPushButton::clicked, this, &TablePage::removeOne);
    connect(leftAll_, &QPushButton::clicked, this, &TablePage::removeAll);
    connect(available_, &QListWidget::itemDoubleClicked, this, [this] { addOne(); });
    connect(selected_, &QListWidget::itemDoubleClicked, this, [this] { removeOne(); });
    connect(available_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        available_->setToolTip(item->text());
        right_->setEnabled(true);
        rightAll_->setEnabled(true);
        singleTableRule();
    });
    connect(selected_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        selected_->setToolTip(item->text());
        left_->setEnabled(true);
        leftAll_->setEnabled(true);
        singleTableRule();
    });
}

void TablePage::fillAvailable(const QStringList& tables) {
    available_->clear();
    available_->addItems(tables);
    rightAll_->setEnabled(!tables.isEmpty());
}

QStringList TablePage::selectedTables() const {
    QStringList out;
    for (int i = 0; i < selected_->count(); ++i)
        out << selected_->item(i)->text();
    return out;
}

void TablePage::syncSelected() {
    w_.state().SelectedTables = selectedTables();
}

void TablePage::pageAvailability(bool enable, const QString& joinText) {
    const int n = selected_->count();
    if (n > 1 && joinText.isEmpty()) {
        w_.setPagesEnabled({frmQDM::BuildJoins}, enable);
        w_.setPagesEnabled({frmQDM::SelectFields, frmQDM::BuildQuery, frmQDM::QueryResults}, false);
    } else {
        w_.setPagesEnabled({frmQDM::BuildJoins}, false);
        w_.setPagesEnabled({frmQDM::SelectFields, frmQDM::BuildQuery, frmQDM::QueryResults}, enable);
    }
}

void TablePage::singleTableRule() {
    if (BuilderSettings::shared().VLNAllowJoinCreation)
        return;
    if (selected_->count() > 0)
        right_->setEnabled(false);
    rightAll_->setEnabled(false);
    leftAll_->setEnabled(false);
}

void TablePage::afterAddJump() {
    const BuilderSettings& s = BuilderSettings::shared();
    if (s.VLNAllowJoinCreation)
        return;
    w_.tabs()->setCurrentIndex(s.VLNAllowFieldSelection ? frmQDM::SelectFields : frmQDM::BuildQuery);
}

void TablePage::addOne() {
    w_.tablesChanged = true;
    if (!BuilderSettings::shared().VLNAllowJoinCreation && selected_->count() > 0) {
        w_.message(MessageCatalogue::text(193) + u'\n' + MessageCatalogue::text(194), Prompts::Icon::Information);
    } else if (available_->count() > 0 && available_->currentRow() >= 0) {
        const int p = available_->currentRow();
        const QString name = available_->item(p)->text();
        selected_->addItem(name);
        w_.removedTables.removeAll(name);
        delete available_->takeItem(p);
        syncSelected();
        if (available_->count() > 0 && p < available_->count()) {
            available_->setCurrentRow(p);
            right_->setEnabled(true);
        } else {
            available_->setCurrentRow(-1);
            right_->setEnabled(false);
        }
        if (available_->count() > 0) {
            rightAll_->setEnabled(true);
        } else {
            rightAll_->setEnabled(false);
            leftAll_->setEnabled(true);
        }
        afterAddJump();
        singleTableRule();
    }
    pageAvailability(true, QString());
}

void TablePage::addAll() {
    w_.tablesChanged = true;
    while (available_->count() > 0) {
        const QString name = available_->item(0)->text();
        selected_->addItem(name);
        w_.removedTables.removeAll(name);
        delete available_->takeItem(0);
    }
    syncSelected();
    rightAll_->setEnabled(false);
    right_->setEnabled(false);
    leftAll_->setEnabled(true);
    singleTableRule();
    pageAvailability(true, QString());
}

void TablePage::removeOne() {
    w_.tablesChanged = true;
    if (selected_->count() > 0 && selected_->currentRow() >= 0) {
        const int p = selected_->currentRow();
        const QString name = selected_->item(p)->text();
        available_->addItem(name);
        if (!w_.removedTables.contains(name))
            w_.removedTables << name;
        delete selected_->takeItem(p);
        syncSelected();
        if (selected_->count() > 0 && p < selected_->count()) {
            selected_->setCurrentRow(p);
            left_->setEnabled(true);
        } else {
            selected_->setCurrentRow(-1);
            left_->setEnabled(false);
        }
        if (selected_->count() > 0) {
            leftAll_->setEnabled(true);
        } else {
            leftAll_->setEnabled(false);
            rightAll_->setEnabled(true);
        }
    }
    pageAvailability(selected_->count() > 0, QString());
    singleTableRule();
    joinCleanUp();
}

void TablePage::removeAll() {
    w_.tablesChanged = true;
    while (selected_->count() > 0) {
        const QString name = selected_->item(0)->text();
        available_->addItem(name);
        if (!w_.removedTables.contains(name))
            w_.removedTables << name;
        delete selected_->takeItem(0);
    }
    syncSelected();
    leftAll_->setEnabled(false);
    left_->setEnabled(false);
    rightAll_->setEnabled(true);
    pageAvailability(false, QString());
    singleTableRule();
    joinCleanUp();
}

void TablePage::joinCleanUp() {
    if (w_.state().rsJoins().RecordCount() > 0)
        w_.joinPage()->removeEveryJoin();
}

bool TablePage::rebuildFieldLists() {
    QueryState& state = w_.state();
    if (BuilderSettings::shared().VLNAllowTableSelection)
        state.TableList() = selectedTables();
    state.FieldList() = clsField::shared().FieldNamesFor(state.TableList());
    if (state.FieldList().isEmpty()) {
        Prompts::Message m;
        m.text = QStringLiteral("No Fields exist in Field Collection relating ") + QStringLiteral("to the selected table");
        m.title = QStringLiteral("No Fields");
        m.icon = Prompts::Icon::Information;
        w_.prompts().message(m);
        w_.tabs()->setCurrentIndex(frmQDM::SelectTables);
        w_.setPagesEnabled({frmQDM::SelectFields, frmQDM::BuildQuery, frmQDM::QueryResults}, false);
        return false;
    }
    state.OutputFieldList = clsField::shared().FieldNamesFor(state.TableList());
    w_.fieldPage()->fillLists();
    w_.joinPage()->fill();
    return true;
}

}  // namespace lorvane
