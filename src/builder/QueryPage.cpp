#include "QueryPage.h"

#include "BuilderWidgets.h"
#include "BusyCursor.h"
#include "CriteriaCellDelegate.h"
#include "CriteriaGridModel.h"
#include "ResultsPage.h"
#include "SplitGrid.h"
#include "frmCalcFields.h"
#include "frmCriteriaBuilder.h"
#include "ViewCommand.h"
#include "frmFieldOrder.h"
#include "frmQDM.h"
#include "platform/AdoTypes.h"
#include "platform/VLNError.h"
#include "query/Criteria.h"
#include "query/CriteriaGrid.h"
#include "query/GroupOrder.h"
#include "query/SqlColouring.h"
#include "shared/BuilderSettings.h"
#include "shared/MessageCatalogue.h"
#include "shared/NameQuoting.h"
#include "shared/clsField.h"
#include "storage/clsFieldValues.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTableView>
#include <QTextEdit>
#include <QVBoxLayout>

#include <optional>

namespace lorvane {

namespace {

const QStringList kWhereOperators{"=", "<>", ">", ">=", "<", "<=", "BETWEEN", "LIKE", "NOT LIKE", "CONTAINS",
                                  "DOES NOT CONTAIN", "BEGINS WITH", "DOES NOT BEGIN WITH", "ENDS WITH",
                                  "DOES NOT END WITH", "IS NULL", "IS NOT NULL"};
// DISTINCT totals are entries of their own, so that the choice is made where it is seen.
const QStringList kGroupOperators{"GROUP BY", "SUM", "COUNT", "AVG", "MIN", "MAX", "SUM DISTINCT", "COUNT DISTINCT",
                                  "AVG DISTINCT"};
const QStringList kOrderOperators{"ASC", "DESC"};
// Operators after which a further criterion on the same field usually narrows (AND); after
// every other one it usually widens (OR).
const QStringList kAndOperators{">", ">=", "<>", "<", "<=", "NOT LIKE", "DOES NOT CONTAIN", "DOES NOT BEGIN WITH",
                                "DOES NOT END WITH"};

QString withoutMnemonic(QString text) {
    return text.remove(u'&');
}

// A value read from the database as the criteria are written: dates and times in the
// connection's date form (yyyy-mm-dd hh:nn:ss), so that a picked value matches the rows it
// was read from.
QString valueText(const QVariant& v) {
    if (!v.isValid() || v.isNull())
        return {};
    switch (v.typeId()) {
    case QMetaType::QDateTime: {
        const QDateTime t = v.toDateTime();
        return t.toString(t.time().msec() ? QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz") : QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }
    case QMetaType::QDate:
        return v.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    default:
        return v.toString();
    }
}

// Criteria lines ORed across totals and fields that are not grouped: said when a change is
// taken back.
const QString kOrAcrossGroupingRefused = QStringLiteral(
    "Criteria lines joined by OR cannot mix totals with fields that are not grouped: no statement can ask "
    "that, so the change was not made. Group by the field, or put its criterion on the line of the totals.");

// The criteria, grouping, ordering and calculated fields as they stand, to put back when a
// change leaves criteria no statement can hold.
class QuerySnapshot {
public:
    explicit QuerySnapshot(QueryState& s) : s_(s) {
        for (const char* name : kTables)
            bytes_ << s_.handleNamed(QString::fromLatin1(name))->get()->SaveToBytes();
    }
    void restore() {
        for (qsizetype i = 0; i < bytes_.size(); ++i) {
            auto rs = std::make_shared<RecordSet>();
            rs->OpenBytes(bytes_[i], QLatin1String(kTables[i]));
            *s_.handleNamed(QString::fromLatin1(kTables[i])) = std::move(rs);
        }
    }

private:
    static constexpr const char* kTables[] = {"rsWhere", "rsGroupBy", "rsOrderBy", "rsCalcFields", "rsAlias"};
    QueryState& s_;
    QList<QByteArray> bytes_;
};

}  // namespace

QString QueryPage::criteriaProblem() {
    QString problem;
    try {
        problem = Criteria(w_.state(), clsField::shared()).OrAcrossGroupingProblem();
    } catch (const VLNError&) {
    }
    return problem;
}

QueryPage::QueryPage(frmQDM& window) : QWidget(&window), w_(window) {
    auto* page = new QVBoxLayout(this);

    // The options, DISTINCT and reset.
    auto* top = new QHBoxLayout;
    options_ = captionFrame(this, "fraQueryOptions", 112);
    auto* optionsLayout = new QHBoxLayout(options_);
    optQuery_[Where] = namedRadio(options_, "optQuery(0)", QStringLiteral("&Where"), 114);
    optQuery_[Group] = namedRadio(options_, "optQuery(1)", QStringLiteral("&Group"), 115);
    optQuery_[Order] = namedRadio(options_, "optQuery(2)", QStringLiteral("&Order"), 116);
    for (QRadioButton* b : optQuery_)
        optionsLayout->addWidget(b);
    optQuery_[Where]->setChecked(true);
    top->addWidget(options_);
    top->addStretch();
    distinct_ = namedCheck(this, "chkDistinct", QStringLiteral("DISTINCT"));
    top->addWidget(distinct_);
    reset_ = commandButton(this, "cmdResetSQL", QStringLiteral("&Reset"), 234);
    reset_->setToolTip(MessageCatalogue::text(204));
    top->addWidget(reset_);
    page->addLayout(top);

    // The form for one criterion.
    build_ = captionFrame(this, "fraBuildQuery", 0);
    build_->setTitle(withoutMnemonic(optQuery_[Where]->text()));
    auto* form = new QGridLayout(build_);
    form->addWidget(captionLabel(build_, "lblQueryFields", 119), 0, 0);
    form->addWidget(captionLabel(build_, "lblOperators", 120), 0, 1);
    form->addWidget(captionLabel(build_, "lblValue", 121), 0, 2, 1, 2);
    fields_ = namedList(build_, "lstSelectedFields");
    operands_ = namedList(build_, "lstOperands");
    form->addWidget(fields_, 1, 0, 4, 1);
    form->addWidget(operands_, 1, 1, 4, 1);
    // The lists take what a larger window offers; the value boxes and buttons keep their height.
    form->setRowStretch(4, 1);
    form->setColumnStretch(0, 3);
    form->setColumnStretch(1, 1);
    form->setColumnStretch(2, 2);
    value1_ = namedCombo(build_, "cmbAvailableValues1", true);
    value2_ = namedCombo(build_, "cmbAvailableValues2", true);
    for (QComboBox* box : {value1_, value2_}) {
        box->setInsertPolicy(QComboBox::NoInsert);
        box->setMinimumContentsLength(16);
    }
    fieldValues_ = commandButton(build_, "cmdFieldValues", QStringLiteral("..."));
    fieldValues_->setToolTip(MessageCatalogue::text(242));
    form->addWidget(value1_, 1, 2);
    form->addWidget(fieldValues_, 1, 3);
    form->addWidget(value2_, 2, 2);
    andOr_ = captionFrame(build_, "fraAndOr", 0);
    auto* andOrLayout = new QHBoxLayout(andOr_);
    and_ = namedRadio(andOr_, "optAndOr(0)", QStringLiteral("&AND"), 0);
    or_ = namedRadio(andOr_, "optAndOr(1)", QStringLiteral("&OR"), 0);
    andOrLayout->addWidget(and_);
    andOrLayout->addWidget(or_);
    and_->setChecked(true);
    form->addWidget(andOr_, 3, 2);
    commit_ = commandButton(build_, "cmdCommit", QStringLiteral("&Add"));
    commit_->setToolTip(MessageCatalogue::text(243));
    form->addWidget(commit_, 3, 3);
    // The form and the statement share the height: more room shows more fields and more SQL.
    page->addWidget(build_, 2);

    // The statement, or the grid, with the commands that edit the query's rows.
    auto* heading = new QHBoxLayout;
    sqlLabel_ = captionLabel(this, "lblSQLLabel", 122);
    heading->addWidget(sqlLabel_, 1);
    editWhere_ = commandButton(this, "cmdEditWhere", QStringLiteral("Where"));
    editGroup_ = commandButton(this, "cmdEditGroup", QStringLiteral("Group"));
    editOrder_ = commandButton(this, "cmdEditOrder", QStringLiteral("Order"));
    calcField_ = commandButton(this, "cmdCalcField", QStringLiteral("Calc"));
    editCalcField_ = commandButton(this, "cmdEditCalcField", QStringLiteral("Edit Calc"));
    const std::pair<QPushButton*, int> tips[] = {
        {editWhere_, 238}, {editGroup_, 239}, {editOrder_, 240}, {editCalcField_, 241}, {calcField_, 245}};
    for (const auto& [button, tip] : tips) {
        button->setToolTip(MessageCatalogue::text(tip));
        heading->addWidget(button);
    }
    page->addLayout(heading);

    sql_ = new QTextEdit(this);
    sql_->setObjectName(QStringLiteral("txtSQL"));
    sql_->setReadOnly(true);
    sql_->setAcceptRichText(false);
    sql_->setLineWrapMode(QTextEdit::WidgetWidth);
    QFont mono(QStringLiteral("Monospace"));
    mono.setStyleHint(QFont::TypeWriter);
    sql_->setFont(mono);
    page->addWidget(sql_, 3);

    gridModel_ = new CriteriaGridModel(w_.state(), clsField::shared(), this);
    auto* delegate = new CriteriaCellDelegate(this);
    grid_ = new SplitGrid(QStringLiteral("dgrSQL"), gridModel_, [delegate](QTableView* view) {
        view->setItemDelegate(delegate);
        view->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                              QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
        view->horizontalHeader()->setMinimumSectionSize(90);
    }, this);
    grid_->hide();
    page->addWidget(grid_, 3);

    auto* commands = new QHBoxLayout;
    split_ = commandButton(this, "cmdSplit", QStringLiteral("+ Split"), 124);
    deleteSplit_ = commandButton(this, "cmdDeleteSplit", QStringLiteral("- Split"), 125);
    sqlView_ = commandButton(this, "cmdSQLView", QStringLiteral("SQL"));
    sqlView_->setToolTip(QStringLiteral("Show the SQL statement"));
    run_ = commandButton(this, "cmdRunQuery", QStringLiteral("Execute"), 118);
    createView_ = commandButton(this, "cmdCreateView", QStringLiteral("Create View"));
    for (QPushButton* b : {split_, deleteSplit_, sqlView_})
        commands->addWidget(b);
    commands->addStretch();
    commands->addWidget(createView_);
    commands->addWidget(run_);
    page->addLayout(commands);

    for (QWidget* w : std::initializer_list<QWidget*>{operands_, value1_, value2_, fieldValues_, commit_, andOr_})
        w->setEnabled(false);
    showGrid(false);

    for (int i = 0; i < 3; ++i)
        connect(optQuery_[i], &QRadioButton::clicked, this, [this, i] { chooseOption(i); });
    connect(fields_, &QListWidget::itemClicked, this, [this] { chooseField(); });
    // A conjunction the user clicked stands until the next field is chosen.
    for (QRadioButton* b : {and_, or_})
        connect(b, &QRadioButton::clicked, this, [this] { andOrChosen_ = true; });
    connect(operands_, &QListWidget::itemClicked, this, [this] { chooseOperator(); });
    for (QComboBox* box : {value1_, value2_}) {
        connect(box, &QComboBox::editTextChanged, this, [this] { valueChanged(); });
        connect(box, qOverload<int>(&QComboBox::activated), this, [this] { valueChanged(); });
    }
    connect(commit_, &QPushButton::clicked, this, &QueryPage::commit);
    connect(fieldValues_, &QPushButton::clicked, this, &QueryPage::searchFieldValues);
    connect(reset_, &QPushButton::clicked, this, &QueryPage::resetQuery);
    connect(editWhere_, &QPushButton::clicked, this, &QueryPage::editWhere);
    connect(editGroup_, &QPushButton::clicked, this, [this] { editRows(QStringLiteral("Group")); });
    connect(editOrder_, &QPushButton::clicked, this, [this] { editRows(QStringLiteral("Order")); });
    connect(editCalcField_, &QPushButton::clicked, this, [this] { editRows(QStringLiteral("Calc")); });
    connect(calcField_, &QPushButton::clicked, this, &QueryPage::createCalcField);
    connect(sqlView_, &QPushButton::clicked, this, &QueryPage::sqlView);
    connect(split_, &QPushButton::clicked, this, [this] {
        grid_->addView();
        deleteSplit_->setEnabled(true);
    });
    connect(deleteSplit_, &QPushButton::clicked, this, [this] {
        grid_->removeLastView();
        deleteSplit_->setEnabled(grid_->count() > 1);
    });
    connect(run_, &QPushButton::clicked, this, [this] { w_.resultsPage()->runQuery(); });
    connect(createView_, &QPushButton::clicked, this, [this] { ViewCommand(w_).run(); });
    connect(distinct_, &QCheckBox::toggled, this, [this](bool on) {
        // DISTINCT rows cannot be ordered by a field they do not show: the tick is refused
        // while the ordering names one (grouping, which does not consult the box, aside).
        QueryState& s = w_.state();
        if (on && s.rsGroupBy().RecordCount() == 0) {
            if (const QStringList missing = GroupOrder(s).OrderedButNotOutput(); !missing.isEmpty()) {
                const QSignalBlocker quiet(distinct_);
                distinct_->setChecked(false);
                s.Distinct = false;
                w_.message(GroupOrder::DistinctOrderingText(missing), Prompts::Icon::Information);
                return;
            }
        }
        s.Distinct = on;
        statement().Regenerate(Statement::Change::DistinctToggled);
        showStatement();
    });
    connect(delegate, &CriteriaCellDelegate::buttonPressed, this,
            [this](const QModelIndex& index) { editCellWithKeypad(index.row(), index.column()); });
    // The statement follows each edited cell, once the grid has finished editing.
    connect(gridModel_, &CriteriaGridModel::cellEdited, this, &QueryPage::afterGridEdit, Qt::QueuedConnection);
    // Queued: the message waits until the editor that typed the text has closed.
    connect(gridModel_, &CriteriaGridModel::cellRefused, this,
            [this](const QString& reason) { w_.message(reason, Prompts::Icon::Exclamation); }, Qt::QueuedConnection);
    connect(gridModel_, &CriteriaGridModel::editRefused, this,
            [this] { w_.message(kOrAcrossGroupingRefused, Prompts::Icon::Information); }, Qt::QueuedConnection);
}

Statement QueryPage::statement() {
    return Statement(w_.state(), clsField::shared());
}

QString QueryPage::optionCaption() const {
    return withoutMnemonic(optQuery_[option_]->text());
}

void QueryPage::showStatement() {
    // Replaced whole and coloured before it is painted: no half-written text is ever seen.
    sql_->setUpdatesEnabled(false);
    sql_->setPlainText(w_.state().StatementText);
    SqlColouring::apply(sql_->document());
    sql_->setUpdatesEnabled(true);
    // Rebuilding the grid's columns replaces rsWhere: the grid shows the new one, with the
    // column widths the user is working with (a grid that refits after each edit moves the
    // cell the next click was aimed at).
    rebindGrid();
}

void QueryPage::rebindGrid() {
    if (gridShown_)
        grid_->keepLayoutAcross([this] { gridModel_->rebind(); });
    else
        gridModel_->rebind();
}

void QueryPage::placeCreateView(bool allowed) {
    createViewAllowed_ = allowed;
    createView_->setVisible(allowed && !gridShown_);
}

void QueryPage::enableRun(bool enabled) {
    run_->setEnabled(enabled);
    createView_->setEnabled(enabled);
}

void QueryPage::showGrid(bool grid) {
    gridShown_ = grid;
    sql_->setVisible(!grid);
    grid_->setVisible(grid);
    distinct_->setVisible(!grid);
    run_->setVisible(!grid);
    createView_->setVisible(createViewAllowed_ && !grid);
    // The SQL view command brings the statement back, so it stands wherever the grid does.
    sqlView_->setVisible(grid);
    split_->setVisible(grid);
    deleteSplit_->setVisible(grid);
    deleteSplit_->setEnabled(grid_->count() > 1);
    sqlLabel_->setText(grid ? MessageCatalogue::text(246) : MessageCatalogue::text(122));
}

void QueryPage::resetEditingControls() {
    operands_->clearSelection();
    operands_->setCurrentRow(-1);
    operands_->setEnabled(false);
    for (QComboBox* box : {value1_, value2_}) {
        box->clear();
        box->setEditText(QString());
        box->setEnabled(false);
    }
    fieldValues_->setEnabled(false);
    commit_->setEnabled(false);
}

void QueryPage::refreshLists() {
    const SelectList select(w_.state());
    entries_ = option_ == Where ? select.CriteriaFieldEntries()
               : option_ == Group ? select.GroupingFieldEntries()
                                  : select.OrderingFieldEntries();
    // A field shows bare where its name says which it is, and with its table where another
    // entry of the list reads the same (Orders.CustomerID beside Customers.CustomerID).
    QStringList shortTexts, names;
    shortTexts.reserve(entries_.size());
    names.reserve(entries_.size());
    for (const SelectList::Entry& e : entries_) {
        shortTexts << e.shown;
        names << e.name;
    }
    const QStringList shown = shownWithTableWhereAmbiguous(shortTexts, names);
    fields_->clear();
    fields_->addItems(shown);
    field_.clear();
}

void QueryPage::chooseOption(int chosen) {
    option_ = chosen;
    optQuery_[chosen]->setChecked(true);
    split_->hide();
    deleteSplit_->hide();
    commit_->setEnabled(false);
    value1_->setEnabled(false);
    value2_->setEnabled(false);
    showGrid(false);
    operands_->clear();
    operands_->setEnabled(false);
    build_->setTitle(optionCaption());
    operands_->addItems(chosen == Where ? kWhereOperators : chosen == Group ? kGroupOperators : kOrderOperators);
    refreshLists();
    if (chosen == Group) {
        GroupOrder(w_.state()).GenerateGroupByClause();
        statement().AssembleStatement();
    }
    showStatement();
}

void QueryPage::chooseField() {
    const int row = fields_->currentRow();
    if (row < 0 || row >= entries_.size())
        return;
    field_ = entries_[row].name;
    and_->setChecked(true);
    andOrChosen_ = false;
    setAndOrDefault();
    if (field_ == u"*") {
        fields_->setToolTip(QStringLiteral("All Rows"));
        operands_->setEnabled(true);
    } else if (!field_.isEmpty()) {
        operands_->setEnabled(true);
        fields_->setToolTip(field_);
        operands_->setToolTip(field_);
    }
    for (QComboBox* box : {value1_, value2_}) {
        box->clear();
        box->setEditText(QString());
    }
    if (option_ == Group) {
        operands_->clear();
        operands_->addItems(offeredOperators());
    } else if (option_ == Where) {
        QStringList shown;
        for (int i = 0; i < operands_->count(); ++i)
            shown << operands_->item(i)->text();
        if (const QStringList offered = offeredOperators(); offered != shown) {
            const QString current = operands_->currentItem() ? operands_->currentItem()->text() : QString();
            operands_->clear();
            operands_->addItems(offered);
            if (const auto found = operands_->findItems(current, Qt::MatchExactly); !current.isEmpty() && !found.isEmpty())
                operands_->setCurrentItem(found.first());
        }
    }
    enableAndOr();
    refreshPreview();
}

QStringList QueryPage::offeredOperators() const {
    if (option_ == Group && field_ == u"*")
        return {QStringLiteral("COUNT")};
    const AdoTypeFamily family = adoTypeFamily(Criteria(w_.state(), clsField::shared()).ColumnType(field_));
    QStringList offered = option_ == Where ? kWhereOperators : option_ == Group ? kGroupOperators : kOrderOperators;
    // A calculated field's type is not known here: everything stays offered for it.
    if (option_ == Where && family != AdoTypeFamily::Text && family != AdoTypeFamily::Unknown) {
        offered.removeIf([](const QString& op) { return Criteria::ComparesText(op); });
    }
    if (option_ == Group && family != AdoTypeFamily::Number && family != AdoTypeFamily::Unknown)
        offered.removeIf([](const QString& op) { return op.startsWith(u"SUM") || op.startsWith(u"AVG"); });
    return offered;
}

void QueryPage::chooseOperator() {
    const QString op = operands_->currentItem() ? operands_->currentItem()->text() : QString();
    if (op.isEmpty())
        return;
    if (option_ != Where) {
        commit_->setEnabled(true);
    } else if (op == u"BETWEEN") {
        value1_->setEnabled(true);
        value2_->setEnabled(true);
        commit_->setEnabled(!value1_->currentText().isEmpty() && !value2_->currentText().isEmpty());
    } else if (op == u"IS NULL" || op == u"IS NOT NULL") {
        commit_->setEnabled(true);
        value1_->setEnabled(false);
        value2_->setEnabled(false);
    } else {
        value1_->setEnabled(true);
        value2_->setEnabled(false);
        commit_->setEnabled(!value1_->currentText().isEmpty());
    }
    if (option_ == Where) {
        const BuilderSettings& s = BuilderSettings::shared();
        const bool bound = s.ActiveConnection && !s.ActiveConnection->ConnectionString().isEmpty();
        fieldValues_->setEnabled(bound && s.VLNAllowValueSearch);
    }
    setAndOrDefault();
    refreshPreview();
}

void QueryPage::setAndOrDefault() {
    // The operator decides only for a field whose cell in the last criteria line already holds
    // criteria (a second criterion on it usually widens or narrows that one); any other field
    // joins the line with AND. What the user clicked is left alone.
    if (andOrChosen_ || option_ != Where)
        return;
    RecordSet& grid = w_.state().rsWhere();
    const int column = grid.FieldIndex(field_);
    const qint64 last = grid.RecordCount() - 1;
    const bool held = column >= 0 && last >= 0 && !grid.IsNullAt(last, column) &&
                      !textAt(grid, last, column).trimmed().isEmpty();
    const QString op = operands_->currentItem() ? operands_->currentItem()->text() : QString();
    (held && !op.isEmpty() && !kAndOperators.contains(op) ? or_ : and_)->setChecked(true);
}

void QueryPage::enableAndOr() {
    // The conjunction joins a criterion to the criteria already in the grid; with none there,
    // there is nothing to join.
    const bool any = w_.state().rsWhere().RecordCount() > 0;
    andOr_->setEnabled(any);
    and_->setEnabled(any);
    or_->setEnabled(any);
}

void QueryPage::valueChanged() {
    value1_->setToolTip(value1_->currentText());
    value2_->setToolTip(value2_->currentText());
    const QString op = operands_->currentItem() ? operands_->currentItem()->text() : QString();
    if (option_ == Where && op != u"IS NULL" && op != u"IS NOT NULL" && !op.isEmpty()) {
        const bool first = !value1_->currentText().isEmpty();
        const bool second = !value2_->currentText().isEmpty();
        commit_->setEnabled(op == u"BETWEEN" ? first && second : first);
    }
    refreshPreview();
}

void QueryPage::refreshPreview() {
    const QString shown = fields_->currentItem() ? fields_->currentItem()->text() : QString();
    const QString op = operands_->currentItem() ? operands_->currentItem()->text() : QString();
    QString preview = optionCaption() + u' ' + shown + u' ' + op + u' ' + value1_->currentText();
    if (!value2_->currentText().isEmpty())
        preview += QStringLiteral(" AND ") + value2_->currentText();
    build_->setTitle(preview);
}

void QueryPage::commit() {
    if (!commit_->isEnabled() || field_.isEmpty())
        return;
    enableAndOr();
    build_->setTitle(optionCaption());
    w_.SetStatusText(QStringLiteral("Building SQL .."));
    BusyCursor busy;
    const QString op = operands_->currentItem() ? operands_->currentItem()->text() : QString();
    CriteriaEntry entry{field_, op, value1_->currentText(), value2_->currentText(), and_->isChecked()};
    if (option_ == Where) {
        // A value that cannot be of the column's type is said, not written: the values stay for
        // the user to correct.
        if (const QString problem = Criteria(w_.state(), clsField::shared()).ValueProblem(entry); !problem.isEmpty()) {
            w_.SetStatusText(QStringLiteral("Ready .."));
            w_.message(problem, Prompts::Icon::Exclamation);
            return;
        }
    }
    Statement::Mode mode = Statement::Mode::Criteria;
    if (option_ == Group) {
        mode = Statement::Mode::Grouping;
    } else if (option_ == Order) {
        mode = Statement::Mode::Ordering;
        // DISTINCT rows can be ordered only by what they show.
        QueryState& s = w_.state();
        if (s.Distinct && s.rsGroupBy().RecordCount() == 0 && !GroupOrder(s).IsOutput(field_)) {
            w_.SetStatusText(QStringLiteral("Ready .."));
            w_.message(GroupOrder::DistinctOrderingText({field_}), Prompts::Icon::Information);
            return;
        }
    }
    // A criterion or a grouping that would OR totals with fields not grouped is taken back.
    std::optional<QuerySnapshot> before;
    if (mode != Statement::Mode::Ordering)
        before.emplace(w_.state());
    statement().CommitCriteria(mode, entry, w_.prompts());
    if (before && !criteriaProblem().isEmpty()) {
        before->restore();
        statement().RebuildStatement();
        showStatement();
        w_.SetStatusText(QStringLiteral("Ready .."));
        w_.message(kOrAcrossGroupingRefused, Prompts::Icon::Information);
        return;
    }
    andOrChosen_ = false;
    if (option_ == Where) {
        setAndOrDefault();
    } else {
        // Grouping and ordering start again from the field list.
        refreshLists();
        fields_->setToolTip(QString());
        fields_->setFocus();
        fields_->clearSelection();
        operands_->setCurrentRow(-1);
        commit_->setEnabled(false);
    }
    showStatement();
    enableRun(!w_.state().StatementText.trimmed().isEmpty());
    enableAndOr();
    for (QComboBox* box : {value1_, value2_})
        box->setEditText(QString());
    w_.SetStatusText(QStringLiteral("Ready .."));
    value1_->setFocus();
}

void QueryPage::sqlView() {
    BusyCursor busy;
    fields_->clear();
    resetEditingControls();
    showGrid(false);
    statement().SqlViewTidyUp();
    refreshLists();
    showStatement();
    enableRun(!w_.state().StatementText.trimmed().isEmpty());
    const bool where = !w_.state().WhereText.isEmpty();
    and_->setEnabled(where);
    or_->setEnabled(where);
    andOr_->setEnabled(where);
}

void QueryPage::editWhere() {
    BusyCursor busy;
    commit_->setEnabled(false);
    statement().RebuildStatement();
    editMode_ = QStringLiteral("Where");
    showGrid(true);
    showStatement();
    // Fitted once as the grid opens; from then on the widths are the user's.
    grid_->fitColumns();
}

void QueryPage::editRows(const QString& mode) {
    commit_->setEnabled(false);
    if (mode == u"Calc") {
        sqlView();
        const bool op = operands_->currentItem() != nullptr;
        value1_->setEnabled(op);
        value2_->setEnabled(op);
    }
    statement().RebuildStatement();
    showStatement();
    editMode_ = mode;
    auto* editor = new frmFieldOrder(w_.state(), w_.prompts(), FieldOrderRows::modeFrom(mode), &w_);
    // A grouping row deleted, or a calculated field turned into a total, can leave criteria
    // lines ORed across totals and fields not grouped: the edits are then taken back.
    auto before = std::make_shared<QuerySnapshot>(w_.state());
    connect(editor, &QDialog::finished, this, [this, before] {
        const bool refused = !criteriaProblem().isEmpty();
        if (refused)
            before->restore();
        afterRowsEdited();
        if (refused)
            w_.message(kOrAcrossGroupingRefused, Prompts::Icon::Information);
    });
    editor->open();
}

void QueryPage::createCalcField() {
    sqlView();
    commit_->setEnabled(false);
    frmCalcFields::EditState& edit = frmCalcFields::Edit();
    edit = {};
    auto* dialog = new frmCalcFields(w_.state(), w_.prompts(), &w_);
    connect(dialog, &QDialog::finished, this, [this] {
        frmCalcFields::Edit().accepted = false;
        frmCalcFields::Edit().result.clear();
        statement().Regenerate(Statement::Change::CalculatedFieldAdded);
        afterRowsEdited();
    });
    dialog->open();
}

void QueryPage::afterRowsEdited() {
    BusyCursor busy;
    statement().RebuildStatement();
    refreshLists();
    showStatement();
    enableRun(!w_.state().StatementText.trimmed().isEmpty());
}

void QueryPage::afterGridEdit() {
    statement().RebuildStatement();
    showStatement();
    enableRun(!w_.state().StatementText.trimmed().isEmpty());
    enableAndOr();
}

void QueryPage::editCellWithKeypad(int row, int column) {
    // The click that pressed the button may have ended an edit whose rebuild is still queued,
    // and that rebuild deletes empty lines: it runs now, and the row follows the line the
    // user pointed at.
    if (const std::optional<int> line = gridModel_->lineAfterTidyUp(row)) {
        afterGridEdit();
        row = *line;
    }
    frmCriteriaBuilder::CriteriaText() = gridModel_->index(row, column).data(Qt::EditRole).toString();
    auto* keypad = new frmCriteriaBuilder(&w_);
    connect(keypad, &QDialog::finished, this, [this, row, column] {
        // Cancel leaves the accepted flag as an earlier OK left it: the cell then takes the
        // (unchanged) text again, which changes nothing.
        if (frmCriteriaBuilder::Accepted())
            gridModel_->setData(gridModel_->index(row, column), frmCriteriaBuilder::CriteriaText());
        rebindGrid();
        frmCriteriaBuilder::CriteriaText().clear();
    });
    keypad->open();
}

void QueryPage::refreshAfterTableChange() {
    QueryState& s = w_.state();
    try {
        CriteriaGrid(s).PruneAfterFieldListChange();
        statement().RebuildStatement();
    } catch (const VLNError&) {
    }
    const bool noTable = s.FromText.isEmpty();
    const BuilderSettings& settings = BuilderSettings::shared();
    if (noTable) {
        for (QWidget* w : std::initializer_list<QWidget*>{operands_, value1_, value2_, options_, run_, createView_})
            w->setEnabled(false);
        if (settings.VLNAllowValueSearch)
            fieldValues_->setEnabled(false);
    } else {
        for (QWidget* w : std::initializer_list<QWidget*>{options_, run_, createView_})
            w->setEnabled(true);
    }
    chooseOption(Where);
}

void QueryPage::leavePage() {
    for (QComboBox* box : {value1_, value2_}) {
        box->setEditText(QString());
        box->setEnabled(false);
    }
    for (QWidget* w : std::initializer_list<QWidget*>{operands_, fieldValues_, commit_})
        w->setEnabled(false);
    fields_->clearSelection();
    fields_->setCurrentRow(-1);
    operands_->clearSelection();
    operands_->setCurrentRow(-1);
    field_.clear();
}

void QueryPage::applyOptionAvailability(bool anyTable) {
    const BuilderSettings& s = BuilderSettings::shared();
    options_->setEnabled(anyTable);
    w_.enableSave(anyTable);
    optQuery_[Group]->setEnabled(s.VLNAllowGroupByOption);
    optQuery_[Order]->setEnabled(s.VLNAllowOrderByOption);
    editGroup_->setEnabled(s.VLNAllowGroupByOption);
    editOrder_->setEnabled(s.VLNAllowOrderByOption);
    calcField_->setEnabled(s.VLNAllowCalcFieldOption);
    editCalcField_->setEnabled(s.VLNAllowCalcFieldOption);
}

void QueryPage::resetQuery() {
    const Prompts::Answer answer =
        w_.message(MessageCatalogue::text(203), Prompts::Icon::Question, Prompts::Buttons::YesNo);
    if (answer != Prompts::Answer::Yes)
        return;
    QueryState& s = w_.state();
    distinct_->setChecked(false);
    for (RecordSet* rs : {&s.rsAlias(), &s.rsWhere(), &s.rsGroupBy(), &s.rsOrderBy(), &s.rsCalcFields(), &s.rsHaving()})
        while (rs->RecordCount() > 0) {
            rs->MoveFirst();
            rs->Delete();
        }
    statement().RebuildStatement();
    resetEditingControls();
    chooseOption(Where);
    andOr_->setEnabled(false);
    and_->setEnabled(false);
    or_->setEnabled(false);
    fields_->setToolTip(QString());
    gridModel_->rebind();
}

void QueryPage::setDistinct(bool on) {
    // A reopened query's choice is taken as it was saved (the caller regenerates the
    // statement, which leaves out what DISTINCT rows cannot be ordered by).
    const QSignalBlocker quiet(distinct_);
    distinct_->setChecked(on);
    w_.state().Distinct = on;
}

void QueryPage::searchFieldValues() {
    BusyCursor busy;
    w_.SetStatusText(QStringLiteral("Retrieving Values ..."));
    value1_->clear();
    value2_->clear();
    BuilderSettings& s = BuilderSettings::shared();
    if (NameQuoting::qualifierDot(field_, s) < 0) {
        w_.message(MessageCatalogue::text(196) + u'\n' + MessageCatalogue::text(197), Prompts::Icon::Critical);
        w_.SetStatusText(QStringLiteral("Ready ..."));
        return;
    }
    QString status = QStringLiteral("Ready ...");
    try {
        clsFieldValues lookup(s.activeConnection());
        const QVariantList values = lookup.colFieldValues(NameQuoting::tablePart(field_, s), field_);
        QStringList texts;
        texts.reserve(values.size());
        for (const QVariant& v : values)
            texts << valueText(v);
        value1_->addItems(texts);
        value2_->addItems(texts);
        // The first box shows the first (smallest) value; the second only while it is in use.
        value1_->setCurrentIndex(texts.isEmpty() ? -1 : 0);
        value2_->setCurrentIndex(texts.isEmpty() || !value2_->isEnabled() ? -1 : 0);
        if (lookup.truncated())
            status = QStringLiteral("Ready ... (first %1 values)").arg(clsFieldValues::kMaxValues);
    } catch (const VLNError& e) {
        // No message box: the boxes stay empty and the status says why.
        status = QStringLiteral("Values could not be read: ") + e.description();
    }
    valueChanged();
    value1_->setFocus();
    w_.SetStatusText(status);
}

}  // namespace lorvane
