#pragma once

#include "platform/LorvaneExport.h"
#include "RecordSet.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <memory>

namespace lorvane {

// A table model over a record set: rows and columns come straight from the record set's
// storage (nothing is copied per cell), so a million rows scroll as fast as ten.
class LORVANE_EXPORT RecordSetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit RecordSetModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}
    // A model showing rs at once: view->setModel(new RecordSetModel(QueryResults, view)).
    explicit RecordSetModel(std::shared_ptr<RecordSet> rs, QObject* parent = nullptr) : QAbstractTableModel(parent) {
        setRecordSet(std::move(rs));
    }

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

    // The column the sort commands act on: its heading is shown bold, and after a sort the
    // direction stands beside it. -1 marks none.
    void markSortColumn(int column);
    void markSorted(int column, Qt::SortOrder order);
    int markedColumn() const { return marked_; }
    // The text a cell shows: Null as "Null", numbers in full (decimals with their column's
    // scale), dates and times in ISO form.
    QString displayText(int row, int column) const;
    // What a heading shows: the field's name, or Table.Field when another column of the result
    // has the same name.
    QString heading(int column) const;
    // The selected cells as tab-separated lines, the headings first (Null copies as nothing).
    QString copyText(const QModelIndexList& cells) const;

private:
    std::shared_ptr<RecordSet> rs_;
    int rows_ = 0;  // the rows the views were last told of
    bool editable_ = false;
    int marked_ = -1;
    int sortedColumn_ = -1;
    Qt::SortOrder sortedOrder_ = Qt::AscendingOrder;
    QStringList headings_;  // worked out once per record set
    void updateHeadings();
    int recordSetRows() const;
    bool usable() const { return rs_ && rs_->IsOpen(); }
};

}  // namespace lorvane
