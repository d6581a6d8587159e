#include "TablePage.h"

#include "BuilderWidgets.h"
#include "FieldPage.h"
#include "NameListModel.h"
#include "NameListView.h"
#include "JoinPage.h"
#include "query/FromClause.h"
#include "shared/MessageCatalogue.h"
#include "shared/BuilderSettings.h"
#include "shared/clsField.h"
#include "frmQDM.h"

#include <QLabel>
#include <QLineEdit>
#include <QSet>
#include <algorithm>
#include <climits>
#include <QPushButton>
#include <QTabWidget>

namespace lorvane {

TablePage::TablePage(frmQDM& window) : QWidget(&window), w_(window) {
    d_ = buildDualLists(
        this, {"lblTPXTables", 101, "lblTPXAvailableTables", 102, "lblTPXSelectedTables", 103, "lblTPXTableHint",
               "lstTPXTableSelection", "lstTPXTableTo", "cmdTPXTableRight", "cmdTPXTableRightAll", "cmdTPXTableLeft",
               "cmdTPXTableLeftAll", "txtTableFilter"});
    d_.filter->setPlaceholderText(QStringLiteral("Type to narrow the tables"));
    d_.filter->setToolTip(QStringLiteral("Shows only the tables whose name contains this text (any case)"));
    connect(d_.filter, &QLineEdit::textChanged, this, &TablePage::filterChanged);

    connect(d_.right, &QPushButton::clicked, this, &TablePage::addOne);
    connect(d_.rightAll, &QPushButton::clicked, this, &TablePage::addAll);
    connect(d_.left, &QPushButton::clicked, this, &TablePage::removeOne);
    connect(d_.leftAll, &QPushButton::clicked, this, &TablePage::removeAll);
    connect(d_.from, &QAbstractItemView::doubleClicked, this, [this] { addOne(); });
    connect(d_.to, &QAbstractItemView::doubleClicked, this, [this] { removeOne(); });
    connect(d_.from, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
        d_.from->setToolTip(index.data().toString());
        d_.right->setEnabled(true);
        d_.rightAll->setEnabled(true);
        singleTableRule();
    });
    connect(d_.to, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
        d_.to->setToolTip(index.data().toString());
        d_.left->setEnabled(true);
        d_.leftAll->setEnabled(true);
        singleTableRule();
    });
}

void TablePage::rememberOrder(const QStringList& tables) {
    catalogueOrder_.reserve(catalogueOrder_.size() + tables.size());
    for (const QString& name : tables)
        if (!catalogueOrder_.contains(name))
            catalogueOrder_.insert(name, static_cast<int>(catalogueOrder_.size()));
}

int TablePage::placeInAvailable(const QString& name) const {
    const auto rank = [this](const QString& n) { return catalogueOrder_.value(n, INT_MAX); };
    const QStringList& names = d_.from->names()->names();
    const int mine = rank(name);
    // The available list keeps catalogue order, so the first later table is the place.
    const auto at = std::lower_bound(names.cbegin(), names.cend(), mine,
                                     [&rank](const QString& n, int r) { return rank(n) <= r; });
    return static_cast<int>(at - names.cbegin());
}

void TablePage::filterChanged() {
    // What >> moves is what the list shows.
    d_.rightAll->setEnabled(d_.from->shownCount() > 0);
    d_.right->setEnabled(d_.from->currentRow() >= 0);
    singleTableRule();
}

void TablePage::fillAvailable(const QStringList& tables) {
    catalogueOrder_.clear();
    rememberOrder(tables);
    d_.from->names()->setNames(tables);
    d_.rightAll->setEnabled(!tables.isEmpty());
}

QStringList TablePage::selectedTables() const {
    return listTexts(d_.to);
}

QStringList TablePage::availableTables() const {
    // Every available table, also those a filter hides.
    return d_.from->names()->names();
}

void TablePage::offerTable(const QString& name) {
    rememberOrder({name});
    d_.from->names()->append(name);
    d_.rightAll->setEnabled(true);
    singleTableRule();
}

void TablePage::restore(const QStringList& selected, const QStringList& available) {
    // Tables the catalogue did not list keep the order the saved query gave them.
    rememberOrder(available);
    rememberOrder(selected);
    fillDualLists(d_, selected, available);
    syncSelected();
    singleTableRule();
}

void TablePage::syncSelected() {
    w_.state().SelectedTables = selectedTables();
}

void TablePage::pageAvailability(bool enable, const QString& joinText) {
    const int n = d_.to->count();
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
    if (d_.to->count() > 0)
        d_.right->setEnabled(false);
    d_.rightAll->setEnabled(false);
    d_.leftAll->setEnabled(false);
}

void TablePage::afterAddJump() {
    const BuilderSettings& s = BuilderSettings::shared();
    if (s.VLNAllowJoinCreation)
        return;
    w_.tabs()->setCurrentIndex(s.VLNAllowFieldSelection ? frmQDM::SelectFields : frmQDM::BuildQuery);
}

void TablePage::addOne() {
    w_.tablesChanged = true;
    if (!BuilderSettings::shared().VLNAllowJoinCreation && d_.to->count() > 0) {
        w_.message(MessageCatalogue::text(193) + u'\n' + MessageCatalogue::text(194), Prompts::Icon::Information);
    } else if (const QString name = moveHighlighted(d_.from, d_.to, d_.right, d_.rightAll, d_.leftAll);
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
    const QStringList moved = moveAll(d_.from, d_.to);
    const QSet<QString> added(moved.cbegin(), moved.cend());
    w_.removedTables.removeIf([&added](const QString& name) { return added.contains(name); });
    syncSelected();
    // Nothing shown is left to move; tables a filter hid bring >> back when the filter changes.
    d_.rightAll->setEnabled(false);
    d_.right->setEnabled(false);
    d_.leftAll->setEnabled(true);
    singleTableRule();
    pageAvailability(true, QString());
}

void TablePage::removeOne() {
    w_.tablesChanged = true;
    if (const QString name = moveHighlighted(d_.to, d_.from, d_.left, d_.leftAll, d_.rightAll,
                                             [this](const QString& n) { return placeInAvailable(n); });
        !name.isEmpty()) {
        if (!w_.removedTables.contains(name))
            w_.removedTables << name;
        syncSelected();
    }
    pageAvailability(d_.to->count() > 0, QString());
    singleTableRule();
    joinCleanUp();
}

void TablePage::removeAll() {
    w_.tablesChanged = true;
    QSet<QString> removed(w_.removedTables.cbegin(), w_.removedTables.cend());
    for (const QString& name : moveAll(d_.to, d_.from))
        if (!removed.contains(name)) {
            removed.insert(name);
            w_.removedTables << name;
        }
    // Back in catalogue order, each where it was offered.
    QStringList available = d_.from->names()->names();
    std::stable_sort(available.begin(), available.end(), [this](const QString& a, const QString& b) {
        return catalogueOrder_.value(a, INT_MAX) < catalogueOrder_.value(b, INT_MAX);
    });
    d_.from->names()->setNames(available);
    syncSelected();
    d_.leftAll->setEnabled(false);
    d_.left->setEnabled(false);
    d_.rightAll->setEnabled(true);
    pageAvailability(false, QString());
    singleTableRule();
    joinCleanUp();
}

void TablePage::joinCleanUp() {
    // Only the joins that name a table which left the query go; joins among the tables that
    // remain are the user's work and stay.
    QueryState& s = w_.state();
    if (s.rsJoins().RecordCount() == 0)
        return;
    if (FromClause(s).KeepJoinsAmong(selectedTables())) {
        if (s.rsJoins().RecordCount() == 0)
            w_.joinPage()->removeEveryJoin();
        else
            w_.joinPage()->showOpenedJoins();
    }
    // Tables still joined: the query can be built on as it stands.
    if (s.rsJoins().RecordCount() > 0)
        pageAvailability(d_.to->count() > 0, s.JoinText);
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
    state.OutputFieldList = state.FieldList();  // the same answer: asked once
    w_.fieldPage()->fillLists();
    w_.joinPage()->fill();
    return true;
}

}  // namespace lorvane
