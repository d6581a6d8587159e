#pragma once

#include "platform/RecordSet.h"

#include <QAbstractTableModel>
#include <memory>

namespace lorvane {

// The joins grid of the join page: one readable line per join condition of rsJoins,
// "Orders.CustomerID = Customers.CustomerID, left outer", rather than the SQL pieces the
// rows hold. A condition added to an earlier join reads "and ...".
class JoinsGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit JoinsGridModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

    void setJoins(std::shared_ptr<RecordSet> joins);
    // The rows changed (a comparison was changed).
    void refresh();

    // The line a join condition reads as.
    QString conditionText(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    std::shared_ptr<RecordSet> joins_;
    int rows_ = 0;
    int joinRows() const;
};

}  // namespace lorvane
