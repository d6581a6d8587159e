#pragma once

#include <QAbstractListModel>
#include <QStringList>

namespace lorvane {

// The names of a list that may hold a whole catalogue (tables, fields): one row per name, no item
// object per row, so that tens of thousands of names fill and scroll at once. A plain list model,
// so a sort or filter proxy can stand between it and its view.
class NameListModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit NameListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    const QStringList& names() const { return names_; }
    int count() const { return static_cast<int>(names_.size()); }
    QString nameAt(int row) const { return names_.value(row); }
    // The first row holding name exactly, or -1.
    int rowOf(const QString& name) const { return static_cast<int>(names_.indexOf(name)); }

    void setNames(const QStringList& names);
    void append(const QString& name);
    void append(const QStringList& names);
    // Puts a name at row (clamped to the list), the rows from there moving down.
    void insert(int row, const QString& name);
    // Removes the given rows (any order) in one pass; returns their names in row order.
    QStringList takeRows(QList<int> rows);
    // Removes a row and returns its name.
    QString takeAt(int row);
    // Removes every row for which drop holds, in one pass.
    template <typename Pred> void removeIf(Pred drop) {
        QStringList kept;
        kept.reserve(names_.size());
        for (const QString& n : names_)
            if (!drop(n))
                kept << n;
        if (kept.size() != names_.size())
            setNames(kept);
    }
    void clear();

private:
    QStringList names_;
};

}  // namespace lorvane
