#include "NameListModel.h"

#include <algorithm>

namespace lorvane {

NameListModel::NameListModel(QObject* parent) : QAbstractListModel(parent) {}

int NameListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count();
}

QVariant NameListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= count() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return names_.at(index.row());
}

void NameListModel::setNames(const QStringList& names) {
    beginResetModel();
    names_ = names;
    endResetModel();
}

void NameListModel::append(const QString& name) {
    beginInsertRows(QModelIndex(), count(), count());
    names_ << name;
    endInsertRows();
}

void NameListModel::append(const QStringList& names) {
    if (names.isEmpty())
        return;
    beginInsertRows(QModelIndex(), count(), count() + static_cast<int>(names.size()) - 1);
    names_ += names;
    endInsertRows();
}

void NameListModel::insert(int row, const QString& name) {
    row = std::clamp(row, 0, count());
    beginInsertRows(QModelIndex(), row, row);
    names_.insert(row, name);
    endInsertRows();
}

QStringList NameListModel::takeRows(QList<int> rows) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    QStringList taken, kept;
    taken.reserve(rows.size());
    kept.reserve(names_.size() - rows.size());
    qsizetype next = 0;
    for (int r = 0; r < count(); ++r) {
        if (next < rows.size() && rows[next] == r) {
            taken << names_.at(r);
            ++next;
        } else {
            kept << names_.at(r);
        }
    }
    if (!taken.isEmpty())
        setNames(kept);
    return taken;
}

QString NameListModel::takeAt(int row) {
    if (row < 0 || row >= count())
        return {};
    beginRemoveRows(QModelIndex(), row, row);
    QString name = names_.takeAt(row);
    endRemoveRows();
    return name;
}

void NameListModel::clear() {
    if (names_.isEmpty())
        return;
    beginResetModel();
    names_.clear();
    endResetModel();
}

}  // namespace lorvane
