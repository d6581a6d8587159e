#include "NameListModel.h"

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
