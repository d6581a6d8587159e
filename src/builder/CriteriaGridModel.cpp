#include "CriteriaGridModel.h"

#include "platform/RecordSet.h"
#include "platform/VLNError.h"
#include "query/Criteria.h"
#include "shared/QueryState.h"

namespace lorvane {

CriteriaGridModel::CriteriaGridModel(QueryState& state, const FieldTypeSource& types, QObject* parent)
    : QAbstractTableModel(parent), state_(state), types_(types) {}

void CriteriaGridModel::rebind() {
    beginResetModel();
    rs_ = state_.whereHandle();
    endResetModel();
}

bool CriteriaGridModel::isNewRowLine(int row) const {
    return rs_ && row == rs_->RecordCount();
}

int CriteriaGridModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !rs_ || !rs_->IsOpen() || rs_->FieldCount() == 0)
        return 0;
    return static_cast<int>(rs_->RecordCount()) + 1;
}

int CriteriaGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() || !rs_ ? 0 : rs_->FieldCount();
}

QVariant CriteriaGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole) || isNewRowLine(index.row()))
        return {};
    return rs_->ValueAt(index.row(), index.column()).toString();
}

QVariant CriteriaGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || !rs_)
        return {};
    if (orientation == Qt::Horizontal)
        return section < rs_->FieldCount() ? QVariant(rs_->Field(section).name) : QVariant();
    return isNewRowLine(section) ? QVariant(QStringLiteral("*")) : QVariant(section + 1);
}

bool CriteriaGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole || !rs_ || !rs_->IsOpen())
        return false;
    const QString column = rs_->Field(index.column()).name;
    QString problem;
    const QString text = Criteria(state_, types_).NormaliseTypedCell(column, value.toString(), &problem);
    if (!problem.isEmpty()) {
        emit cellRefused(problem);
        return false;
    }
    const bool newLine = isNewRowLine(index.row());
    QVariant before;
    if (newLine) {
        if (text.trimmed().isEmpty())
            return false;
        // The typed line takes the place of the new-row line, which moves one down.
        beginInsertRows({}, index.row(), index.row());
        rs_->AddNew();
        rs_->SetValue(index.column(), text);
        rs_->Update();
        endInsertRows();
    } else {
        before = rs_->ValueAt(index.row(), index.column());
        rs_->SetAbsolutePosition(index.row() + 1);
        rs_->SetValue(index.column(), text);
        rs_->Update();
    }
    // Lines joined by OR that mix totals with fields not grouped have no statement: the cell
    // keeps what it held.
    if (rs_ == state_.whereHandle()) {
        QString orProblem;
        try {
            orProblem = Criteria(state_, types_).OrAcrossGroupingProblem();
        } catch (const VLNError&) {
        }
        if (!orProblem.isEmpty()) {
            if (newLine) {
                beginRemoveRows({}, index.row(), index.row());
                rs_->SetAbsolutePosition(index.row() + 1);
                rs_->Delete();
                endRemoveRows();
            } else {
                rs_->SetAbsolutePosition(index.row() + 1);
                rs_->SetValue(index.column(), before);
                rs_->Update();
            }
            emit editRefused(orProblem);
            return false;
        }
    }
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    emit cellEdited();
    return true;
}

std::optional<int> CriteriaGridModel::lineAfterTidyUp(int row) const {
    if (!rs_ || !rs_->IsOpen())
        return std::nullopt;
    auto empty = [this](qint64 r) {
        for (int f = 0; f < rs_->FieldCount(); ++f)
            if (!rs_->ValueAt(r, f).toString().trimmed().isEmpty())
                return false;
        return true;
    };
    const qint64 lines = rs_->RecordCount();
    int before = 0;
    bool any = false;
    for (qint64 r = 0; r < lines; ++r) {
        if (!empty(r))
            continue;
        any = true;
        if (r < row)
            ++before;
    }
    if (!any)
        return std::nullopt;
    // A line that goes itself leaves its place to the new-row line.
    if (row < lines && empty(row)) {
        int kept = 0;
        for (qint64 r = 0; r < lines; ++r)
            kept += empty(r) ? 0 : 1;
        return kept;
    }
    return row - before;
}

Qt::ItemFlags CriteriaGridModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid())
        f |= Qt::ItemIsEditable;
    return f;
}

}  // namespace lorvane
