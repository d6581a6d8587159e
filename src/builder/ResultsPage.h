#pragma once

#include "platform/RecordSet.h"

#include <QWidget>
#include <memory>

class QPushButton;
class QSplitter;
class QTableView;
class QTextEdit;

namespace lorvane {

class RecordSetModel;
class SplitGrid;
class frmQDM;

// Page 4: running the statement and browsing its rows in a grid that can be split into views
// side by side (one model, one vertical position).
class ResultsPage : public QWidget {
    Q_OBJECT
public:
    explicit ResultsPage(frmQDM& window);

    void runQuery();
    // True while a run reads its rows (the Stop command ends it).
    bool running() const { return running_; }
    void sortResults(bool ascending);
    void addSplit();
    void deleteSplit();
    int splitCount() const;
    // Empties the grid and the error text and disables the sort and export buttons.
    void clearResults();

    const QString& lastSQL() const { return lastSQL_; }
    void setLastSQL(const QString& sql) { lastSQL_ = sql; }
    const std::shared_ptr<RecordSet>& queryResults() const { return queryResults_; }
    // Why the results are not all the statement's rows (the run was stopped, or MaxRecords
    // cut it); empty when they are.
    const QString& partialNote() const { return partialNote_; }
    RecordSetModel* model() const { return model_; }
    int resultSortColumn = 0;

private:
    frmQDM& w_;
    SplitGrid* grid_;
    RecordSetModel* model_;
    QPushButton* asc_;
    QPushButton* desc_;
    QPushButton* addSplit_;
    QPushButton* deleteSplit_;
    QPushButton* excel_;
    QPushButton* stop_;
    bool running_ = false;
    QTextEdit* errors_;
    QString lastSQL_;
    std::shared_ptr<RecordSet> queryResults_;
    QString partialNote_;

    bool eventFilter(QObject* watched, QEvent* event) override;
    // Puts the view's selection on the clipboard as tab-separated lines with the headings.
    void copySelection(QTableView* view);
    void showOutcome(const QString& text, int colouredLength, const QColor& colour);
};

}  // namespace lorvane
