#include "RecordSetModel.h"

#include <QDateTime>

namespace lorvane {

void RecordSetModel::setRecordSet(std::shared_ptr<RecordSet> rs) {
    beginResetModel();
    rs_ = std::move(rs);
    rows_ = recordSetRows();
    endResetModel();
}

void RecordSetModel::sort(const QString& sortText) {
    if (!usable())
        return;
    beginResetModel();
    rs_->Sort(sortText);
    rows_ = recordSetRows();
    endResetModel();
}

void RecordSetModel::refresh() {
    beginResetModel();
    rows_ = recordSetRows();
    endResetModel();
}

void RecordSetModel::rowsAppended() {
    const int now = recordSetRows();
    if (now <= rows_)
        return;
    beginInsertRows(QModelIndex(), rows_, now - 1);
    rows_ = now;
    endInsertRows();
}

int RecordSetModel::recordSetRows() const {
    if (!usable())
        return 0;
    return static_cast<int>(std::min<qint64>(rs_->RecordCount(), std::numeric_limits<int>::max()));
}

int RecordSetModel::rowCount(const QModelIndex& parent) const {
    // Live, so that a record set changed by its owner never leaves the views asking for rows
    // it no longer has; rowsAppended() tells them of rows a run adds.
    if (parent.isValid())
        return 0;
    return recordSetRows();
}

int RecordSetModel::columnCount(const QModelIndex& parent) const {
    if (parent.isValid() || !rs_)
        return 0;
    return rs_->FieldCount();
}

QVariant RecordSetModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !usable() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    const QVariant v = rs_->ValueAt(index.row(), index.column());
    if (role == Qt::DisplayRole && v.typeId() == QMetaType::QDateTime)
        return v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return v;
}

QVariant RecordSetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return rs_ && section < rs_->FieldCount() ? QVariant(rs_->Field(section).name) : QVariant();
    return section + 1;
}

bool RecordSetModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!editable_ || !index.isValid() || !usable() || role != Qt::EditRole)
        return false;
    rs_->SetAbsolutePosition(index.row() + 1);
    rs_->SetValue(index.column(), value);
    rs_->Update();
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

Qt::ItemFlags RecordSetModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (editable_ && index.isValid())
        f |= Qt::ItemIsEditable;
    return f;
}

}  // namespace lorvane
