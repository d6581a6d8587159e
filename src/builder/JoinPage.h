#pragma once

#include <QWidget>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTableView;

namespace lorvane {

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
    // The chosen join type as the join generator reads it: "=", ">=" or "<>".
    QString joinSymbol() const;

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
    QListWidget* compare_;
    int compareRow_ = -1;

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
};

}  // namespace lorvane
