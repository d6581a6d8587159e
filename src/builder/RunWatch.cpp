#include "RunWatch.h"

#include "frmQDM.h"
#include "platform/RecordSet.h"
#include "platform/RecordSetModel.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QPushButton>

namespace lorvane {

RunWatch::RunWatch(frmQDM& window, QPushButton* stop, QWidget* grid, RecordSetModel* model,
                   std::function<void()> firstRows)
    : window_(window), stop_(stop), grid_(grid), model_(model), firstRows_(std::move(firstRows)) {
    QApplication::setOverrideCursor(Qt::BusyCursor);
    qApp->installEventFilter(this);
    if (stop_) {
        stop_->setEnabled(true);
        QObject::connect(stop_, &QPushButton::clicked, this, [this] { requestStop(); });
    }
}

RunWatch::~RunWatch() {
    qApp->removeEventFilter(this);
    if (stop_)
        stop_->setEnabled(false);
    QApplication::restoreOverrideCursor();
}

bool RunWatch::progress(const std::shared_ptr<RecordSet>& rows, qint64 count) {
    if (rows && rows != shown_) {
        shown_ = rows;
        model_->setRecordSet(rows);
    } else if (shown_) {
        model_->rowsAppended();
    }
    if (!rowsShown_ && count > 0) {
        rowsShown_ = true;
        if (firstRows_)
            firstRows_();
    }
    window_.SetStatusText(QStringLiteral("Running Query .. %1 rows read (Esc or Stop ends the run)")
                              .arg(QLocale().toString(count)));
    QCoreApplication::processEvents();
    return stopRequested_;
}

bool RunWatch::reachesWatchedWidget(QObject* target) const {
    for (QObject* o = target; o; o = o->parent())
        if (o == stop_.data() || o == grid_.data())
            return true;
    return false;
}

bool RunWatch::eventFilter(QObject* target, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::ShortcutOverride:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            if (event->type() == QEvent::KeyPress)
                requestStop();
            event->accept();
            return true;
        }
        return !reachesWatchedWidget(target);
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
        return !reachesWatchedWidget(target);
    case QEvent::Close:
        // The window stays while it reads; Stop ends the run first.
        if (target == &window_) {
            event->ignore();
            return true;
        }
        return false;
    default:
        return false;
    }
}

}  // namespace lorvane
