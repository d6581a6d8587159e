#pragma once

#include "query/SelectList.h"
#include "query/Statement.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QModelIndex;
class QPushButton;
class QRadioButton;
class QTextEdit;

namespace lorvane {

class CriteriaGridModel;
class SplitGrid;
class frmQDM;

// Page 3, Build Query: the form that adds one criterion, grouping or ordering at a time
// (option, field, operator, values, AND/OR, Add), the SQL window, the criteria grid that edits
// the criteria directly (with the keypad behind each cell's button), DISTINCT, reset, value
// search, and the run and create-view commands.
class QueryPage : public QWidget {
    Q_OBJECT
public:
    enum Option { Where = 0, Group = 1, Order = 2 };

    explicit QueryPage(frmQDM& window);

    QTextEdit* sqlWindow() const { return sql_; }
    // Writes the statement into the SQL window, coloured, and shows the current grid.
    void showStatement();
    // The SQL view command: tidies the criteria tables, regenerates, shows the statement.
    void sqlView();
    // The grid view (cmdEditWhere).
    void editWhere();
    // The create-view command stands beside the run command only when views are allowed.
    void placeCreateView(bool allowed);
    void enableRun(bool enabled);

    // After the tables of the query changed (and on load when the host fixed them).
    void refreshAfterTableChange();
    // Fills the field list for the chosen option.
    void refreshLists();
    // The user leaves the page: the form's controls are reset.
    void leavePage();
    // Which options the settings allow, and whether any table is selected.
    void applyOptionAvailability(bool anyTable);

    void chooseOption(int option);
    void commit();
    void resetQuery();
    void setDistinct(bool on);
    void searchFieldValues();
    // The drop-down button of a criteria grid cell: the keypad edits the cell.
    void editCellWithKeypad(int row, int column);
    // The field order editor on the grouping rows, ordering rows or calculated fields ("Group",
    // "Order", "Calc"); the statement follows when it closes.
    void editRows(const QString& mode);
    // The calculated field dialog for a new field.
    void createCalcField();

    int option() const { return option_; }
    // "Where", "Group", "Order" or "Calc": what the grid or an editor last edited.
    const QString& editMode() const { return editMode_; }

private:
    // Rebinds the criteria grid, keeping the widths the user sees while the grid is shown.
    void rebindGrid();
    frmQDM& w_;
    QGroupBox* options_;
    QRadioButton* optQuery_[3];
    QListWidget* fields_;
    QListWidget* operands_;
    QComboBox* value1_;
    QComboBox* value2_;
    QPushButton* fieldValues_;
    QPushButton* commit_;
    QGroupBox* build_;
    QGroupBox* andOr_;
    QRadioButton* and_;
    QRadioButton* or_;
    QCheckBox* distinct_;
    QLabel* sqlLabel_;
    QTextEdit* sql_;
    CriteriaGridModel* gridModel_;
    SplitGrid* grid_;
    QPushButton* split_;
    QPushButton* deleteSplit_;
    QPushButton* editWhere_;
    QPushButton* editGroup_;
    QPushButton* editOrder_;
    QPushButton* calcField_;
    QPushButton* editCalcField_;
    QPushButton* sqlView_;
    QPushButton* run_;
    QPushButton* createView_;
    QPushButton* reset_;

    int option_ = Where;
    QList<SelectList::Entry> entries_;  // what each line of lstSelectedFields stands for
    QString field_;                     // the chosen entry's name
    QString editMode_ = QStringLiteral("Where");
    bool createViewAllowed_ = false;
    bool gridShown_ = false;
    bool andOrChosen_ = false;  // the user clicked AND or OR for the pending criterion

    Statement statement();
    QString optionCaption() const;
    void chooseField();
    // The operators the list offers for the chosen field: no LIKE family where the column holds
    // no text, no SUM or AVG where it holds no numbers.
    QStringList offeredOperators() const;
    void chooseOperator();
    void valueChanged();
    void setAndOrDefault();
    void enableAndOr();
    void refreshPreview();
    void showGrid(bool grid);
    void resetEditingControls();
    void afterGridEdit();
    void afterRowsEdited();
    // Why the criteria cannot be written as a statement (lines ORed across totals and fields
    // not grouped); empty when they can.
    QString criteriaProblem();
};

}  // namespace lorvane
