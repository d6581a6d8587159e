#include "NameListView.h"

#include "NameListModel.h"

#include <QAbstractProxyModel>
#include <QItemSelectionModel>

namespace lorvane {

NameListView::NameListView(QWidget* parent) : QListView(parent), names_(new NameListModel(this)) {
    setModel(names_);
    // Every row is one line: no row is measured on its own, however many there are.
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
}

int NameListView::count() const {
    return names_->count();
}

int NameListView::rowOf(const QModelIndex& index) const {
    if (!index.isValid())
        return -1;
    if (const auto* proxy = qobject_cast<const QAbstractProxyModel*>(index.model()))
        return rowOf(proxy->mapToSource(index));
    return index.model() == names_ ? index.row() : -1;
}

QModelIndex NameListView::viewIndex(int row) const {
    QModelIndex index = names_->index(row, 0);
    // Down the chain of proxies from the names to what the view shows.
    QList<const QAbstractProxyModel*> chain;
    for (auto* m = qobject_cast<const QAbstractProxyModel*>(model()); m;
         m = qobject_cast<const QAbstractProxyModel*>(m->sourceModel()))
        chain.prepend(m);
    for (const QAbstractProxyModel* proxy : chain)
        index = proxy->mapFromSource(index);
    return index;
}

int NameListView::currentRow() const {
    return rowOf(currentIndex());
}

void NameListView::setCurrentRow(int row) {
    const QModelIndex index = row < 0 ? QModelIndex() : viewIndex(row);
    if (!index.isValid()) {
        selectionModel()->clear();
        return;
    }
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
}

QString NameListView::currentText() const {
    const int row = currentRow();
    return row < 0 ? QString() : names_->nameAt(row);
}

}  // namespace lorvane

namespace lorvane {

int NameListView::shownCount() const {
    return model()->rowCount(rootIndex());
}

int NameListView::currentShownRow() const {
    return currentIndex().isValid() ? currentIndex().row() : -1;
}

void NameListView::setCurrentShownRow(int shownRow) {
    const QModelIndex index = model()->index(shownRow, 0, rootIndex());
    if (!index.isValid()) {
        selectionModel()->clear();
        return;
    }
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
}

QList<int> NameListView::shownRows() const {
    QList<int> rows;
    const int n = shownCount();
    rows.reserve(n);
    for (int r = 0; r < n; ++r)
        rows << rowOf(model()->index(r, 0, rootIndex()));
    return rows;
}

}  // namespace lorvane
