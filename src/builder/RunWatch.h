#pragma once

#include "platform/RunMonitor.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

class QPushButton;
class QWidget;

namespace lorvane {

class RecordSetModel;
class frmQDM;

// A run the user can follow and end. While it reads, the grid shows the rows read so far, the
// status bar counts them and the window keeps painting; input reaches only the result grid
// (to look at the rows) and the Stop command (its button, or Escape anywhere), which ends the
// run. Everything is put back when the watch goes, however the run ended.
class RunWatch : public QObject, public RunMonitor {
public:
    // firstRows is called once, when the grid first shows rows.
    RunWatch(frmQDM& window, QPushButton* stop, QWidget* grid, RecordSetModel* model,
             std::function<void()> firstRows);
    ~RunWatch() override;
    RunWatch(const RunWatch&) = delete;
    RunWatch& operator=(const RunWatch&) = delete;

    bool progress(const std::shared_ptr<RecordSet>& rows, qint64 count) override;
    void requestStop() { stopRequested_ = true; }

protected:
    bool eventFilter(QObject* target, QEvent* event) override;

private:
    frmQDM& window_;
    QPointer<QPushButton> stop_;
    QPointer<QWidget> grid_;
    RecordSetModel* model_;
    std::function<void()> firstRows_;
    std::shared_ptr<RecordSet> shown_;
    bool stopRequested_ = false;
    bool rowsShown_ = false;

    bool reachesWatchedWidget(QObject* target) const;
};

}  // namespace lorvane
