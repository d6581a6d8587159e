#pragma once

#include <QListView>

namespace lorvane {

class NameListModel;

// A one-column list of names over a NameListModel, with the few item-list conveniences the
// pages use (current row, its text). The current row is a row of the model even when a proxy
// (a filter box) stands between the two.
class NameListView : public QListView {
    Q_OBJECT
public:
    explicit NameListView(QWidget* parent = nullptr);

    NameListModel* names() const { return names_; }
    int count() const;
    // The model row of the current entry, or -1.
    int currentRow() const;
    // Makes a model row current and selected; -1 leaves nothing current.
    void setCurrentRow(int row);
    QString currentText() const;
    // What the view shows, which a filter may narrow: the number of entries, the position of
    // the current one (or -1), and making the entry at a shown position current.
    int shownCount() const;
    int currentShownRow() const;
    void setCurrentShownRow(int shownRow);
    // The model rows of the entries shown, first to last.
    QList<int> shownRows() const;
    // The model row an index of this view stands for.
    int rowOf(const QModelIndex& index) const;

private:
    NameListModel* names_;
    QModelIndex viewIndex(int row) const;
};

}  // namespace lorvane
