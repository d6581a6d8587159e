#include "TablePage.h"

#include "BuilderWidgets.h"
#include "FieldPage.h"
#include "JoinPage.h"
#include "MessageCatalogue.h"
#include "control/BuilderSettings.h"
#include "control/clsField.h"
#include "frmQDM.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>

namespace lorvane {

TablePage::TablePage(frmQDM& window) : QWidget(&window), w_(window) {
    const DualLists d = buildDualLists(
        this, {"lblTPXTables", 101, "lblTPXAvailableTables", 102, "lblTPXSelectedTables", 103, "lblTPXTableHint",
               "lstTPXTableSelection", "lstTPXTableTo", "cmdTPXTableRight", "cmdTPXTableRightAll", "cmdTPXTableLeft",
               "cmdTPXTableLeftAll"});
    available_ = d.from;
    selected_ = d.to;
    right_ = d.right;
    rightAll_ = d.rightAll;
    left_ = d.left;
    leftAll_ = d.leftAll;

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
    } else if (const QString name = moveHighlighted(available_, selected_, right_, rightAll_, leftAll_);
               !name.isEmpty()) {
        w_.removedTables.removeAll(name);
        syncSelected();
        afterAddJump();
        singleTableRule();
    }
    pageAvailability(true, QString());
}

void TablePage::addAll() {
    w_.tablesChanged = true;
    for (const QString& name : moveAll(available_, selected_))
        w_.removedTables.removeAll(name);
    syncSelected();
    rightAll_->setEnabled(false);
    right_->setEnabled(false);
    leftAll_->setEnabled(true);
    singleTableRule();
    pageAvailability(true, QString());
}

void TablePage::removeOne() {
    w_.tablesChanged = true;
    if (const QString name = moveHighlighted(selected_, available_, left_, leftAll_, rightAll_); !name.isEmpty()) {
        if (!w_.removedTables.contains(name))
            w_.removedTables << name;
        syncSelected();
    }
    pageAvailability(selected_->count() > 0, QString());
    singleTableRule();
    joinCleanUp();
}

void TablePage::removeAll() {
    w_.tablesChanged = true;
    for (const QString& name : moveAll(selected_, available_))
        if (!w_.removedTables.contains(name))
            w_.removedTables << name;
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
