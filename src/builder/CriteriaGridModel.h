#pragma once

#include <QAbstractTableModel>
#include <memory>
#include <optional>

namespace lorvane {

class FieldTypeSource;
class QueryState;
class RecordSet;

// The criteria grid dgrSQL: a table model straight over rsWhere (no copy of its rows), one
// column per grid column, one row per OR line, and a last, empty new-row line. A cell the
// user edits is normalised (a plain value becomes an equality term) and stored; a text typed
// on the new-row line adds a line. cellEdited tells the page to regenerate the statement.
class CriteriaGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    CriteriaGridModel(QueryState& state, const FieldTypeSource& types, QObject* parent = nullptr);

    // Shows the current rsWhere (rebuilding the columns replaces it).
    void rebind();
    bool isNewRowLine(int row) const;
    // When the grid holds lines that are all blank (an edit just emptied one, and the rebuild
    // that deletes them is still to come): where grid row `row` will be once they are gone.
    // Nothing when no line is blank.
    std::optional<int> lineAfterTidyUp(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    void cellEdited();
    // A typed text that cannot be compared with its column (a word for a number column): the
    // cell keeps what it held, and the page says why.
    void cellRefused(const QString& reason);
    // An edit was not taken (the criteria could not be written as a statement); why, in words.
    void editRefused(const QString& why);

private:
    QueryState& state_;
    const FieldTypeSource& types_;
    std::shared_ptr<RecordSet> rs_;
};

}  // namespace lorvane
