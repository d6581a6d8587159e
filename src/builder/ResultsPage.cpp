#include "ResultsPage.h"

#include "BuilderWidgets.h"
#include "SplitGrid.h"
#include "RunWatch.h"
#include "shared/MessageCatalogue.h"
#include "shared/BuilderSettings.h"
#include "shared/clsBridge.h"
#include "shared/clsField.h"
#include "query/Statement.h"
#include "frmQDM.h"
#include "frmVLNExcelExport.h"
#include "platform/ConnectionString.h"
#include "platform/VLNError.h"
#include "platform/RecordSetModel.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QTextCursor>
#include <QTextEdit>

namespace lorvane {

ResultsPage::ResultsPage(frmQDM& window) : QWidget(&window), w_(window) {
    auto* layout = new QGridLayout(this);
    layout->addWidget(captionLabel(this, "lblQueryResults", 126), 0, 0);
    model_ = new RecordSetModel(this);
    grid_ = new SplitGrid(QStringLiteral("dgrQueryResults"), model_, [this](QTableView* view) {
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        connect(view->horizontalHeader(), &QHeaderView::sectionClicked, this,
                [this](int column) { resultSortColumn = column; });
    }, this);
    layout->addWidget(grid_, 1, 0, 1, 3);
    auto* side = new QGroupBox(this);
    side->setObjectName(QStringLiteral("fraSortSplit"));
    side->setProperty("tag", QStringLiteral("127"));
    auto* sideLayout = new QHBoxLayout(side);
    asc_ = commandButton(side, "cmdAsc", QStringLiteral("Asc"));
    desc_ = commandButton(side, "cmdDesc", QStringLiteral("Desc"));
    addSplit_ = commandButton(side, "cmdResAddSplit", QStringLiteral("+ Split"), 124);
    deleteSplit_ = commandButton(side, "cmdResDeleteSplit", QStringLiteral("- Split"), 125);
    for (QPushButton* b : {asc_, desc_, addSplit_, deleteSplit_})
        sideLayout->addWidget(b);
    layout->addWidget(side, 2, 0);
    stop_ = commandButton(this, "cmdStopQuery", QStringLiteral("Stop"));
    stop_->setToolTip(QStringLiteral("Ends the running query and keeps the rows read so far (Esc)"));
    layout->addWidget(stop_, 2, 1, Qt::AlignBottom | Qt::AlignLeft);
    auto* excelFrame = new QGroupBox(this);
    excelFrame->setObjectName(QStringLiteral("fraExcel"));
    auto* excelLayout = new QHBoxLayout(excelFrame);
    excel_ = commandButton(excelFrame, "cmdExcel", QStringLiteral("Export Query Results to Excel"));
    excelLayout->addWidget(excel_);
    layout->addWidget(excelFrame, 2, 2);
    errors_ = new QTextEdit(this);
    errors_->setObjectName(QStringLiteral("txtSQLErrors"));
    errors_->setReadOnly(true);
    errors_->setMaximumHeight(70);
    layout->addWidget(errors_, 3, 0, 1, 3);
    // The rows get the room; the commands and the outcome keep their natural height.
    for (QWidget* compact : {static_cast<QWidget*>(side), static_cast<QWidget*>(excelFrame)})
        compact->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    layout->setRowStretch(1, 1);
    asc_->setEnabled(false);
    desc_->setEnabled(false);
    excel_->setEnabled(false);
    deleteSplit_->setEnabled(false);
    stop_->setEnabled(false);

    connect(asc_, &QPushButton::clicked, this, [this] { sortResults(true); });
    connect(desc_, &QPushButton::clicked, this, [this] { sortResults(false); });
    connect(addSplit_, &QPushButton::clicked, this, &ResultsPage::addSplit);
    connect(deleteSplit_, &QPushButton::clicked, this, &ResultsPage::deleteSplit);
    connect(excel_, &QPushButton::clicked, this, [this] {
        clsBridge::SharedBridge().RaiseExportToExcel();
        // A host that exports by itself turns the built-in export off.
        if (BuilderSettings::shared().VLNDisableDefaultExportToExcel)
            return;
        (new frmVLNExcelExport(w_, queryResults_, lastSQL_))->open();
    });
}

int ResultsPage::splitCount() const {
    return grid_->count();
}

void ResultsPage::addSplit() {
    grid_->addView();
    deleteSplit_->setEnabled(true);
}

void ResultsPage::deleteSplit() {
    grid_->removeLastView();
    deleteSplit_->setEnabled(grid_->count() > 1);
}

void ResultsPage::sortResults(bool ascending) {
    try {
        if (resultSortColumn < 0 || !queryResults_ || !queryResults_->IsOpen() ||
            resultSortColumn >= queryResults_->FieldCount())
            return;
        const QString name = queryResults_->Field(resultSortColumn).name;
        model_->sort((name.contains(u' ') ? u'[' + name + u']' : name) +
                     (ascending ? QStringLiteral(" ASC") : QStringLiteral(" DESC")));
    } catch (const VLNError&) {
    }
}

void ResultsPage::clearResults() {
    model_->setRecordSet(nullptr);
    resultSortColumn = 0;
    asc_->setEnabled(false);
    desc_->setEnabled(false);
    excel_->setEnabled(false);
    errors_->clear();
}

void ResultsPage::showOutcome(const QString& text, int colouredLength, const QColor& colour) {
    errors_->setPlainText(text);
    QTextCursor all(errors_->document());
    all.select(QTextCursor::Document);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    bold.setForeground(Qt::black);
    all.mergeCharFormat(bold);
    QTextCursor head(errors_->document());
    head.setPosition(0);
    head.setPosition(std::min(colouredLength, static_cast<int>(text.size())), QTextCursor::KeepAnchor);
    QTextCharFormat coloured;
    coloured.setForeground(colour);
    head.mergeCharFormat(coloured);
}

void ResultsPage::runQuery() {
    if (running_)
        return;  // one run at a time: a run that is reading lets only Stop through
    BuilderSettings& s = BuilderSettings::shared();
    QueryState& state = w_.state();
    if (state.SelectText == u"SELECT ") {
        w_.message(MessageCatalogue::text(205) + u'\n' + MessageCatalogue::text(206), Prompts::Icon::Critical);
        return;
    }
    // A statement that would ask something other than the user stated is never run.
    if (const QString problem = Statement(state, clsField::shared()).Problem(); !problem.isEmpty()) {
        w_.message(problem, Prompts::Icon::Critical);
        return;
    }
    try {
        QTextCursor all(errors_->document());
        all.select(QTextCursor::Document);
        QTextCharFormat black;
        black.setForeground(Qt::black);
        all.mergeCharFormat(black);
        w_.SetStatusText(QStringLiteral("Running Query .."));
        if (s.VLNShowQueryResults)
            w_.tabs()->setCurrentIndex(frmQDM::QueryResults);
        lastSQL_ = state.StatementText;
        lastSQL_.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
        queryResults_ = std::make_shared<RecordSet>();
        const QString connectionString = s.ActiveConnection ? s.ActiveConnection->ConnectionString() : QString();
        bool stopped = false;
        if (!connectionString.isEmpty() && s.VLNCreateQueryRecordset) {
            {
                // The grid shows the first rows as they arrive; Stop keeps what was read.
                running_ = true;
                const struct Done {
                    bool& flag;
                    ~Done() { flag = false; }
                } done{running_};
                RunWatch watch(w_, stop_, grid_, model_, [this] { grid_->fitColumns(); });
                // Exactly one statement, and one that cannot change data.
                queryResults_ =
                    s.ActiveConnection->OpenRecordSet(lastSQL_, s.MaxRecords > 0 ? s.MaxRecords : 0, true, &watch);
                stopped = watch.stopped();
            }
            model_->setRecordSet(queryResults_);
            grid_->fitColumns();
            asc_->setEnabled(true);
            desc_->setEnabled(true);
            excel_->setEnabled(s.VLNEnableDataExportButton);
            const QString rows = QString::number(queryResults_->RecordCount());
            if (stopped)
                showOutcome(QStringLiteral("Query Stopped ... ") + u'\n' + rows +
                                QStringLiteral(" Records Returned before the run was stopped: the result is partial"),
                            13, QColor(160, 80, 0));
            else
                showOutcome(QStringLiteral("Query Successful ... ") + u'\n' + rows + QStringLiteral(" Records Returned"),
                            16, QColor(0, 64, 0));
        }
        if (stopped) {
            const QString text = QStringLiteral("The run was stopped by the user: the result is partial, %1 rows read.")
                                     .arg(queryResults_->RecordCount());
            w_.SetStatusText(QStringLiteral("Stopped .. the result is partial (%1 rows read)")
                                 .arg(QLocale().toString(queryResults_->RecordCount())));
            clsBridge::SharedBridge().PassSQLandResultRecordset(ErrorNumber::OperationCancelled, text, lastSQL_,
                                                                queryResults_, state.whereHandle(), state.havingHandle());
            return;
        }
        w_.SetStatusText(QStringLiteral("Ready .."));
        clsBridge::SharedBridge().PassSQLandResultRecordset(0, QString(), lastSQL_, queryResults_,
                                                            state.whereHandle(), state.havingHandle());
    } catch (const std::bad_alloc&) {
        // A result too large for memory fails like a rejected statement; the window stays usable.
        model_->setRecordSet(nullptr);
        queryResults_ = std::make_shared<RecordSet>();
        showOutcome(QStringLiteral("SQL Syntax Error :") + u'\n' + QStringLiteral("Not enough memory for the result."),
                    18, QColor(255, 0, 0));
        w_.SetStatusText(QStringLiteral("Ready .."));
        clsBridge::SharedBridge().PassSQLandResultRecordset(ErrorNumber::ProviderFailure,
                                                            QStringLiteral("Not enough memory for the result."),
                                                            lastSQL_, queryResults_, state.whereHandle(), state.havingHandle());
    } catch (const VLNError& e) {
        if (e.number() == ErrorNumber::ObjectClosed || e.number() == ErrorNumber::ObjectOpen ||
            e.number() == ErrorNumber::NotUsable) {
            const QString connectionString = s.ActiveConnection ? s.ActiveConnection->ConnectionString() : QString();
            // What the driver said, and what the user can do about it; never the password.
            model_->setRecordSet(nullptr);  // a run that failed part way showed rows it then lost
            w_.message(MessageCatalogue::text(208) + u'\n' + MessageCatalogue::text(209) + u' ' +
                           ConnectionString(connectionString).withoutPassword() + QStringLiteral("\n\n") +
                           e.description() + u'\n' +
                           QStringLiteral("Check that the database can be reached, then run the query again."),
                       Prompts::Icon::Critical);
            w_.SetStatusText(QStringLiteral("Ready .."));
            return;
        }
        showOutcome(QStringLiteral("SQL Syntax Error :") + u'\n' + e.description(), 18, QColor(255, 0, 0));
        model_->setRecordSet(nullptr);
        asc_->setEnabled(false);
        desc_->setEnabled(false);
        excel_->setEnabled(false);
        w_.SetStatusText(QStringLiteral("Ready .."));
        clsBridge::SharedBridge().PassSQLandResultRecordset(e.number(), e.description(), lastSQL_, queryResults_,
                                                            state.whereHandle(), state.havingHandle());
    }
}

}  // namespace lorvane
