#pragma once

#include "query/FieldOrderRows.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace lorvane {

class Prompts;
class QueryState;

// The field order and grouping editor: the grouping rows, the ordering rows or the calculated
// fields in a list the user reorders. Output flags and deletions are written at once; the new
// order only on OK. Opened modal to its window, for one mode.
class frmFieldOrder : public QDialog {
    Q_OBJECT
public:
    frmFieldOrder(QueryState& state, Prompts& prompts, FieldOrderRows::Mode mode, QWidget* parent = nullptr);

private:
    QueryState& s_;
    Prompts& prompts_;
    FieldOrderRows rows_;
    QListWidget* fields_;
    QListWidget* aliases_;
    QLineEdit* alias_;
    QCheckBox* output_;
    QPushButton* up_;
    QPushButton* down_;
    QPushButton* edit_;
    QPushButton* delete_;

    void fill();
    void select();
    void move(int by);
    void outputClicked(bool on);
    void remove();
    void editCalcField();
    void ok();
    FieldOrderRows::Entry current() const;
};

}  // namespace lorvane
