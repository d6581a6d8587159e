#pragma once

#include <QDialog>
#include <memory>

class QCheckBox;
class QRadioButton;

namespace lorvane {

class RecordSet;
class frmQDM;

// The export dialog: a pivot table report or a data report of the last results, written as
// an .xlsx workbook to a file the user chooses, then opened with the desktop's program for it.
// From 65536 rows on only the pivot table report is offered. OK leaves the dialog open.
// Results that are not all the statement's rows (a stopped run, or one cut by MaxRecords) are
// said to be so, and the full result is offered: the statement is run again, reading only.
class frmVLNExcelExport : public QDialog {
    Q_OBJECT
public:
    frmVLNExcelExport(frmQDM& window, std::shared_ptr<RecordSet> results, QString statement,
                      QString partialNote = {});

    bool pivotChosen() const { return pivot_; }
    void exportNow();

private:
    frmQDM& w_;
    std::shared_ptr<RecordSet> results_;
    QString statement_;
    bool pivot_ = false;
    QRadioButton* options_[2];
    QCheckBox* full_ = nullptr;
};

}  // namespace lorvane
