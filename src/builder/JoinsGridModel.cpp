#include "JoinsGridModel.h"

#include "shared/QueryState.h"

namespace lorvane {

namespace {
// The join type of a keyword, in the words the join page offers.
QString typeWords(const QString& keyword) {
    if (keyword.contains(QStringLiteral("LEFT"), Qt::CaseInsensitive))
        return QStringLiteral("left outer");
    if (keyword.contains(QStringLiteral("FULL"), Qt::CaseInsensitive))
        return QStringLiteral("full outer");
    return QStringLiteral("inner");
}
}  // namespace

void JoinsGridModel::setJoins(std::shared_ptr<RecordSet> joins) {
    beginResetModel();
    joins_ = std::move(joins);
    rows_ = joinRows();
    endResetModel();
}

void JoinsGridModel::refresh() {
    beginResetModel();
    rows_ = joinRows();
    endResetModel();
}

int JoinsGridModel::joinRows() const {
    return joins_ && joins_->IsOpen() ? static_cast<int>(joins_->RecordCount()) : 0;
}

int JoinsGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : std::min(rows_, joinRows());
}

int JoinsGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 1;
}

QString JoinsGridModel::conditionText(int row) const {
    if (row < 0 || row >= rowCount())
        return {};
    const RecordSet& j = *joins_;
    // A condition added to a join ("AND" in place of the table) takes the type of that join.
    int joinRow = row;
    while (joinRow > 0 && textAt(j, joinRow, QueryState::JoinTableTo) == u"AND")
        --joinRow;
    const bool added = joinRow != row;
    const QString condition = textAt(j, row, QueryState::JoinFieldFrom) + u' ' +
                              textAt(j, row, QueryState::JoinCompare) + u' ' + textAt(j, row, QueryState::JoinFieldTo);
    return (added ? QStringLiteral("and ") : QString()) + condition + QStringLiteral(", ") +
           typeWords(textAt(j, joinRow, QueryState::JoinKeyword));
}

QVariant JoinsGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    if (role == Qt::DisplayRole)
        return conditionText(index.row());
    if (role == Qt::ToolTipRole)
        return QStringLiteral("Click to change the comparison of this condition");
    return {};
}

QVariant JoinsGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    return section == 0 ? QVariant(QStringLiteral("Join condition")) : QVariant();
}

}  // namespace lorvane
