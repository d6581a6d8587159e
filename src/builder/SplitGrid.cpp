#include "SplitGrid.h"

#include <QHash>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>

namespace lorvane {

SplitGrid::SplitGrid(const QString& name, QAbstractItemModel* model, std::function<void(QTableView*)> setUp,
                     QWidget* parent)
    : QSplitter(Qt::Horizontal, parent), model_(model), setUp_(std::move(setUp)) {
    setObjectName(name);
    addView();
}

QTableView* SplitGrid::addView() {
    auto* view = new QTableView(this);
    view->setObjectName(QStringLiteral("%1Split%2").arg(objectName()).arg(count() - 1));
    view->setModel(model_);
    // Fixed row heights keep a million rows as quick to scroll as ten.
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    if (setUp_)
        setUp_(view);
    // Every split shows the same rows: one vertical position for all.
    if (count() > 1) {
        QTableView* first = this->view(0);
        view->verticalScrollBar()->setValue(first->verticalScrollBar()->value());
        connect(first->verticalScrollBar(), &QScrollBar::valueChanged, view->verticalScrollBar(), &QScrollBar::setValue);
        connect(view->verticalScrollBar(), &QScrollBar::valueChanged, first->verticalScrollBar(), &QScrollBar::setValue);
        view->resizeColumnsToContents();
    }
    return view;
}

void SplitGrid::removeLastView() {
    if (count() > 1)
        delete widget(count() - 1);
}

QTableView* SplitGrid::view(int index) const {
    return qobject_cast<QTableView*>(widget(index));
}

void SplitGrid::fitColumns() {
    for (int i = 0; i < count(); ++i)
        view(i)->resizeColumnsToContents();
}

}  // namespace lorvane

namespace lorvane {

void SplitGrid::keepLayoutAcross(const std::function<void()>& reset) {
    struct Seen {
        QHash<QString, int> widths;
        int position = 0;
    };
    auto heading = [this](int column) { return model_->headerData(column, Qt::Horizontal).toString(); };
    QList<Seen> seen;
    for (int i = 0; i < count(); ++i) {
        Seen s;
        for (int c = 0; c < model_->columnCount(); ++c)
            s.widths.insert(heading(c), view(i)->columnWidth(c));
        s.position = view(i)->horizontalScrollBar()->value();
        seen << s;
    }
    reset();
    for (int i = 0; i < count() && i < seen.size(); ++i) {
        QTableView* v = view(i);
        for (int c = 0; c < model_->columnCount(); ++c) {
            const auto known = seen[i].widths.constFind(heading(c));
            if (known != seen[i].widths.cend())
                v->setColumnWidth(c, *known);
            else
                v->resizeColumnToContents(c);
        }
        // The scroll range follows the widths only once the view lays itself out: now.
        v->doItemsLayout();
        v->horizontalScrollBar()->setValue(seen[i].position);
    }
}

}  // namespace lorvane
