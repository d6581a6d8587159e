#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QTextEdit;

namespace lorvane {

class Prompts;
class QueryState;

// The calculated field dialog: an expression assembled from the query's fields, operators and
// the host's database functions (or typed), an alias and whether the field is output. OK
// checks that the expression uses only totals the grouping page defined and that the alias is
// new, then stores the field. Opened modal to its window; created anew for each use.
class frmCalcFields : public QDialog {
    Q_OBJECT
public:
    // Shared with the field order editor while the builder window is open: a non-empty
    // expression opens the dialog on that field, keeping its alias; OK sets accepted and
    // leaves the stored expression in result, which the editor reads and clears.
    struct EditState {
        QString expression;
        QString alias;
        bool show = false;
        bool accepted = false;
        QString result;
    };
    static EditState& Edit();

    frmCalcFields(QueryState& state, Prompts& prompts, QWidget* parent = nullptr);

    void reject() override;

private:
    // The database's reason the expression cannot be computed over the query's tables; empty
    // when it can, or when no database is connected.
    QString databaseRefusal(const QString& expression) const;
    QueryState& s_;
    Prompts& prompts_;
    QTextEdit* expression_;
    QLineEdit* alias_;
    QCheckBox* show_;
    QListWidget* fields_;
    QListWidget* operators_;
    QListWidget* functions_;
    QPushButton* ok_;
    bool editing_ = false;

    void insert(const QString& text, bool blankBefore);
    void updateOk();
    void ok();
};

}  // namespace lorvane
