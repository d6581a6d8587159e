#pragma once

#include <QSet>
#include <QWidget>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QSplitter;
class QTableView;

namespace lorvane {

class JoinDiagram;
class JoinsGridModel;
class frmQDM;

// Page 1: join conditions, one at a time: two tables, lock, one field of each, a join type.
class JoinPage : public QWidget {
    Q_OBJECT
public:
    explicit JoinPage(frmQDM& window);

    // Offers the tables of the query (after the tables changed, or a query was opened).
    void fill();
    void removeEveryJoin();
    // A saved query was opened: its joins are shown and can be reset.
    void showOpenedJoins();
    // Runs the lock toggle after setting the tag to "1": the page ends unlocked.
    void resetToUnlocked();
    void lockToggle();
    bool locked() const;
    // Join types offered, per VLNJoinTypesSupported.
    void fillJoinTypes(int supported);
    // Writes a comparison into a join row and rebuilds the join text.
    void changeComparison(int row, const QString& symbol);
    void addJoin();
    void resetJoins();
    QString joinDescription() const;

    // The join types the user may choose, as symbols ("=", ">=", "<>"), inner first.
    QStringList joinSymbols() const;
    // A join type in words; the left outer one names its left table.
    static QString joinTypeWords(const QString& symbol, const QString& leftTable);
    // Joins a field of one table to a field of another as Add Join does: a new join when one of
    // the tables is already joined (or none is yet), a further condition of the join that
    // brought the later table when both are. False, after saying why (unless quiet), when the
    // pair is already joined, the fields hold different kinds of value, or neither table
    // reaches the tables already joined.
    bool joinFields(const QString& tableA, const QString& fieldA, const QString& tableB, const QString& fieldB,
                    const QString& symbol, bool quiet = false);
    // Removes one condition (a row of the joins grid; its join stays while it has others) or
    // changes a join's type; the statement follows.
    bool removeCondition(int row);
    bool setJoinType(int group, const QString& symbol);
    // Tables just added to the query that a declared foreign key links to another table of it
    // are joined on that key; the status bar says which. Returns how many joins were added.
    int proposeForeignKeyJoins(const QStringList& addedTables);
    // The model under the joins grid.
    JoinsGridModel* joinsModel() const { return joinsModel_; }
    // The joins drawn as boxes and lines above the lists.
    JoinDiagram* diagram() const { return diagram_; }

    // The chosen join type as the join generator reads it: "=", ">=" or "<>".
    QString joinSymbol() const;

signals:
    // The joins changed, whoever changed them (the lists, the diagram, a proposal, a removal).
    void joinsChanged();

protected:
    void showEvent(QShowEvent* event) override;

private:
    frmQDM& w_;
    QComboBox* tables_[2];
    QLabel* tableLabels_[2];
    QListWidget* fields_[2];
    QComboBox* joinType_;
    QPushButton* lock_;
    QPushButton* addJoin_;
    QPushButton* resetJoins_;
    QTableView* joins_;
    JoinsGridModel* joinsModel_;
    JoinDiagram* diagram_;
    QListWidget* compare_;
    int compareRow_ = -1;
    bool proposing_ = false;
    QSplitter* split_ = nullptr;
    bool splitPlaced_ = false;

    void offerLeftTables();
    void leftTableChosen();
    void updateLockButton();
    void fieldChosen();
    void sameNameMatch();
    void pageRelease();
    void rebindJoins();
    void setLabelColour(const QColor& colour);
    // The join types in words; the left outer one names the left table.
    void nameJoinTypes();
    // Fields of different kinds cannot be compared on every database: said in plain words.
    bool kindsMatch(const QString& leftField, const QString& rightField, bool quiet);
    // After any change of the joins: grid, pages, statement and listeners follow at once.
    void joinsEdited();
    // The tables the join chain holds.
    QSet<QString> joinedTables() const;
    void offerNoMore(const QString& a, const QString& b);
};

}  // namespace lorvane
