#pragma once

#include "RecordSet.h"

#include <QAbstractTableModel>
#include <memory>

namespace lorvane {

// A table model over a record set: rows and columns come straight from the record set's
// storage (nothing is copied per cell), so a million rows scroll as fast as ten.
class RecordSetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit RecordSetModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

    void setRecordSet(std::shared_ptr<RecordSet> rs);
    const std::shared_ptr<RecordSet>& recordSet() const { return rs_; }
    // Sorts the record set ("Field ASC" / "Field DESC") and shows the new order.
    void sort(const QString& sortText);
    // The record set's rows changed outside the model.
    void refresh();
    // Rows were appended to the record set (while a run is still reading them).
    void rowsAppended();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    void setEditable(bool editable) { editable_ = editable; }

private:
    std::shared_ptr<RecordSet> rs_;
    int rows_ = 0;  // the rows the views were last told of
    bool editable_ = false;
    int recordSetRows() const;
    bool usable() const { return rs_ && rs_->IsOpen(); }
};

}  // namespace lorvane
