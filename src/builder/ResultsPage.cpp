#include "ResultsPage.h"

#include "BuilderWidgets.h"
#include "SplitGrid.h"
#include "RunWatch.h"
#include "shared/MessageCatalogue.h"
#include "shared/BuilderSettings.h"
#include "shared/clsBridge.h"
#include "shared/QueryState.h"
#include "shared/clsField.h"
#include "query/Statement.h"
#include "frmQDM.h"
#include "frmVLNExcelExport.h"
#include "platform/ConnectionString.h"
#include "platform/VLNError.h"
#include "platform/RecordSetModel.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QTextCursor>
#include <QTextEdit>

namespace lorvane {

namespace {
// Red that reads at better than 4.5:1 on the white outcome box (pure red gives 4.0:1).
const QColor kRefusedRed(192, 0, 0);
}  // namespace

namespace {

// The names a database's refusal is about, as it quotes them: "no such column: X",
// column "x" does not exist, near "X": syntax error, and the like.
QStringList namesIn(const QString& error) {
    static const QRegularExpression patterns[] = {
        QRegularExpression(QStringLiteral("(?:no such column|ambiguous column name|no such table|no such function)"
                                          ":\\s*([^\\s,]+)")),
        QRegularExpression(QStringLiteral("\"([^\"]+)\"")),
        QRegularExpression(QStringLiteral("(?:column|relation|function) ([^\\s\"(]+)(?:\\(.*\\))? does not exist")),
    };
    QStringList out;
    for (const QRegularExpression& re : patterns) {
        for (auto it = re.globalMatch(error); it.hasNext();) {
            const QString name = it.next().captured(1).trimmed();
            if (!name.isEmpty() && !out.contains(name, Qt::CaseInsensitive))
                out << name;
        }
    }
    return out;
}

bool mentions(const QString& text, const QStringList& names) {
    for (const QString& n : names)
        if (text.contains(n, Qt::CaseInsensitive))
            return true;
    return false;
}

// The criterion line of a criteria grid that uses one of the names: "Column: cell".
QString criterionUsing(RecordSet& grid, const QStringList& names) {
    if (!grid.IsOpen())
        return {};
    for (qint64 r = 0; r < grid.RecordCount(); ++r)
        for (int f = 0; f < grid.FieldCount(); ++f) {
            const QString cell = grid.ValueAt(r, f).toString().trimmed();
            if (!cell.isEmpty() && mentions(cell, names))
                return grid.Field(f).name + QStringLiteral(" ") + cell;
        }
    return {};
}

// Which part of the query a refusal concerns, in the builder's own words; empty when that
// cannot be told. The database's words follow it in the outcome.
QString whatTheRefusalConcerns(QueryState& state, const QString& error) {
    const QString e = error.toLower();
    if (e.contains(QLatin1String("having clause on a non-aggregate")) ||
        e.contains(QLatin1String("group by clause is required before having")))
        return QStringLiteral("A criterion on a total (Having) needs totals in the query: give a field a total "
                              "(Count, Sum, ...) or group by a field, or make it a criterion on rows (Where).");
    if (e.contains(QLatin1String("misuse of aggregate")) ||
        e.contains(QLatin1String("aggregate functions are not allowed in where")))
        return QStringLiteral("A total (Count, Sum, ...) is used in a criterion on rows (Where): a criterion on a "
                              "total belongs under Having.");
    if (e.contains(QLatin1String("must appear in the group by clause")))
        return QStringLiteral("A field is shown beside totals without being grouped: group by it or give it a total.");
    const QStringList names = namesIn(error);
    if (names.isEmpty())
        return {};
    RecordSet& calc = state.rsCalcFields();
    for (qint64 r = 0; calc.IsOpen() && r < calc.RecordCount(); ++r) {
        const QString expression = textAt(calc, r, QueryState::CalcExpression);
        if (mentions(expression, names))
            return QStringLiteral("This concerns the calculated field %1: %2")
                .arg(textAt(calc, r, QueryState::CalcAlias), expression);
    }
    if (const QString where = criterionUsing(state.rsWhere(), names); !where.isEmpty())
        return QStringLiteral("This concerns a criterion (Where): ") + where;
    if (const QString having = criterionUsing(state.rsHaving(), names); !having.isEmpty())
        return QStringLiteral("This concerns a criterion on a total (Having): ") + having;
    const qsizetype on = state.FromText.indexOf(QLatin1String(" ON "), 0, Qt::CaseInsensitive);
    if (on >= 0 && mentions(state.FromText.mid(on), names))
        return QStringLiteral("This concerns a join between the tables (From ... ON).");
    if (mentions(state.FromText, names))
        return QStringLiteral("This concerns a table of the query (From): it may have been renamed or removed.");
    if (mentions(state.GroupByText, names))
        return QStringLiteral("This concerns the grouping (Group By).");
    if (mentions(state.OrderByText, names))
        return QStringLiteral("This concerns the sort order (Order By).");
    if (mentions(state.SelectText, names))
        return QStringLiteral("This concerns a field shown by the query (Select).");
    return {};
}

// The outcome of a refused statement: the red heading, what it concerns where that can be
// told, then the database's own words.
QString refusalOutcome(QueryState& state, const QString& error) {
    const QString concerns = whatTheRefusalConcerns(state, error);
    if (concerns.isEmpty())
        return QStringLiteral("SQL Syntax Error :") + u'\n' + error;
    return QStringLiteral("SQL Syntax Error :") + u'\n' + concerns + u'\n' + QStringLiteral("The database says: ") + error;
}

}  // namespace

ResultsPage::ResultsPage(frmQDM& window) : QWidget(&window), w_(window) {
    auto* layout = new QGridLayout(this);
    layout->addWidget(captionLabel(this, "lblQueryResults", 126), 0, 0);
    model_ = new RecordSetModel(this);
    grid_ = new SplitGrid(QStringLiteral("dgrQueryResults"), model_, [this](QTableView* view) {
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        // Ctrl+C copies the whole selection with its headings, not the current cell alone.
        view->installEventFilter(this);
        connect(view->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int column) {
            resultSortColumn = column;
            model_->markSortColumn(column);
        });
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
        (new frmVLNExcelExport(w_, queryResults_, lastSQL_, partialNote_))->open();
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
        model_->markSorted(resultSortColumn, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
    } catch (const VLNError&) {
    }
}

bool ResultsPage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        if (auto* view = qobject_cast<QTableView*>(watched)) {
            copySelection(view);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ResultsPage::copySelection(QTableView* view) {
    QModelIndexList cells = view->selectionModel() ? view->selectionModel()->selectedIndexes() : QModelIndexList();
    if (cells.isEmpty() && view->currentIndex().isValid())
        cells << view->currentIndex();
    const QString text = model_->copyText(cells);
    if (!text.isEmpty())
        QGuiApplication::clipboard()->setText(text);
}

void ResultsPage::clearResults() {
    model_->setRecordSet(nullptr);
    model_->markSortColumn(-1);
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
    // No output field, also with DISTINCT ticked: nothing to select.
    if (state.SelectText == u"SELECT " || state.SelectText == u"SELECT DISTINCT ") {
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
        lastSQL_ = Statement::OneLine(state.StatementText);
        queryResults_ = std::make_shared<RecordSet>();
        partialNote_.clear();
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
            model_->markSortColumn(resultSortColumn);
            grid_->fitColumns();
            asc_->setEnabled(true);
            desc_->setEnabled(true);
            excel_->setEnabled(s.VLNEnableDataExportButton);
            const QString rows = QString::number(queryResults_->RecordCount());
            const QString count = QLocale().toString(queryResults_->RecordCount());
            if (stopped)
                partialNote_ = QStringLiteral("These results are partial: the run was stopped after %1 rows.").arg(count);
            else if (s.MaxRecords > 0 && queryResults_->RecordCount() >= s.MaxRecords)
                partialNote_ = QStringLiteral("These results may not be all the rows: a run reads at most %1 rows here.")
                                   .arg(count);
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
                    18, kRefusedRed);
        w_.SetStatusText(QStringLiteral("Ready .."));
        clsBridge::SharedBridge().PassSQLandResultRecordset(ErrorNumber::ProviderFailure,
                                                            QStringLiteral("Not enough memory for the result."),
                                                            lastSQL_, queryResults_, state.whereHandle(), state.havingHandle());
    } catch (const VLNError& e) {
        if (e.number() == ErrorNumber::ObjectClosed || e.number() == ErrorNumber::ObjectOpen ||
            e.number() == ErrorNumber::NotUsable) {
            const QString connectionString = s.ActiveConnection ? s.ActiveConnection->ConnectionString() : QString();
            // The page and the host see this run fail: the previous outcome and its rows are
            // no longer what the statement gives.
            model_->setRecordSet(nullptr);  // a run that failed part way showed rows it then lost
            queryResults_ = std::make_shared<RecordSet>();
            asc_->setEnabled(false);
            desc_->setEnabled(false);
            excel_->setEnabled(false);
            const QString lost = MessageCatalogue::text(208);
            showOutcome(lost + u'\n' + e.description(), int(lost.size()), kRefusedRed);
            // What the driver said, and what the user can do about it; never the password.
            w_.message(lost + u'\n' + MessageCatalogue::text(209) + u' ' +
                           ConnectionString(connectionString).withoutPassword() + QStringLiteral("\n\n") +
                           e.description() + u'\n' +
                           QStringLiteral("Check that the database can be reached, then run the query again."),
                       Prompts::Icon::Critical);
            w_.SetStatusText(QStringLiteral("Ready .."));
            clsBridge::SharedBridge().PassSQLandResultRecordset(e.number(), e.description(), lastSQL_, queryResults_,
                                                                state.whereHandle(), state.havingHandle());
            return;
        }
        showOutcome(refusalOutcome(state, e.description()), 18, kRefusedRed);
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
