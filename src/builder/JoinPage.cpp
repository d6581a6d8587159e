#include "JoinPage.h"

#include "BuilderWidgets.h"
#include "BusyCursor.h"
#include "platform/AdoTypes.h"
#include "shared/BuilderSettings.h"
#include "shared/NameQuoting.h"
#include "shared/clsField.h"
#include "frmQDM.h"
#include "query/Criteria.h"
#include "query/FromClause.h"
#include "JoinDiagram.h"
#include "JoinsGridModel.h"
#include "platform/Connection.h"
#include "platform/ForeignKey.h"
#include "platform/VLNError.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QHash>
#include <QSet>
#include <algorithm>
#include <QTableView>
#include <QSplitter>
#include <QVBoxLayout>

namespace lorvane {

namespace {
const QColor kChoosingTables(255, 255, 255);
const QColor kLocked(224, 224, 224);
constexpr qsizetype kMostTablesForProposals = 64;

// Changing the joins from the diagram resets the page's own choice, which puts the focus on its
// first table box; the user's focus stays where it was (the diagram).
class KeepFocus {
public:
    KeepFocus() : widget_(QApplication::focusWidget()) {}
    ~KeepFocus() {
        if (widget_)
            widget_->setFocus(Qt::OtherFocusReason);
    }

private:
    QPointer<QWidget> widget_;
};

QStringList visibleJoinTables(RecordSet& rs) {
    QStringList out;
    for (qint64 r = 0; r < rs.RecordCount(); ++r)
        if (rs.ValueAt(r, QueryState::JoinTableVisible).toBool())
            out << textAt(rs, r, QueryState::JoinTableName);
    return out;
}

QStringList joinTableNames(RecordSet& rs) {
    QStringList out;
    QSet<QString> seen;
    for (qint64 r = 0; r < rs.RecordCount(); ++r) {
        const QString name = textAt(rs, r, QueryState::JoinTableName);
        if (!seen.contains(name)) {
            seen.insert(name);
            out << name;
        }
    }
    return out;
}
}  // namespace

JoinPage::JoinPage(frmQDM& window) : QWidget(&window), w_(window) {
    // The diagram beside the lists, the split between them the user's; both edit the same joins.
    auto* page = new QVBoxLayout(this);
    auto* fit = commandButton(this, "cmdDiagramFit", QStringLiteral("Fit"));
    fit->setToolTip(QStringLiteral("Show every table of the diagram"));
    auto* diagramBar = new QHBoxLayout;
    diagramBar->addStretch();
    diagramBar->addWidget(fit);
    page->addLayout(diagramBar);
    // Beside the lists rather than above them: the window keeps the height it could have
    // before, and both share the room it gains.
    auto* split = new QSplitter(Qt::Horizontal, this);
    split->setObjectName(QStringLiteral("splJoinDiagram"));
    split->setChildrenCollapsible(false);
    page->addWidget(split);
    auto* lists = new QWidget(split);
    diagram_ = new JoinDiagram(split);
    diagram_->setMinimumSize(160, 100);
    split->addWidget(lists);
    split->addWidget(diagram_);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 1);
    split_ = split;
    auto* grid = new QGridLayout(lists);
    grid->setContentsMargins(0, 0, 0, 0);
    // Room the window gains goes to the field lists and the joins grid.
    grid->setRowStretch(3, 1);
    grid->setRowStretch(5, 1);
    // ... and across, to the two field lists rather than the buttons between them.
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(2, 1);
    grid->addWidget(captionLabel(this, "lblJoinFrom", 104), 0, 0);
    grid->addWidget(captionLabel(this, "lblJoinTo", 105), 0, 2);
    tableLabels_[0] = captionLabel(this, "lblJoinTableFrom", 106);
    tableLabels_[1] = captionLabel(this, "lblJoinTableTo", 107);
    grid->addWidget(tableLabels_[0], 1, 0);
    grid->addWidget(tableLabels_[1], 1, 2);
    tables_[0] = namedCombo(this, "cmbJoinTables(0)", true);
    tables_[1] = namedCombo(this, "cmbJoinTables(1)", true);
    grid->addWidget(tables_[0], 2, 0);
    grid->addWidget(tables_[1], 2, 2);
    lock_ = commandButton(this, "cmdlockTables", QStringLiteral("Lock"));
    lock_->setProperty("tag", QStringLiteral("0"));
    lock_->setToolTip(QStringLiteral("Lock Tables"));
    grid->addWidget(lock_, 2, 1);
    fields_[0] = namedList(this, "lstJoinFields(0)");
    fields_[1] = namedList(this, "lstJoinFields(1)");
    grid->addWidget(fields_[0], 3, 0);
    grid->addWidget(fields_[1], 3, 2);
    auto* middle = new QGridLayout;
    auto* typeLabel = new QLabel(QStringLiteral("Join Type"), this);
    typeLabel->setObjectName(QStringLiteral("lblJoinType"));
    joinType_ = namedCombo(this, "cmbJoinType", true);
    // Its longest type in words would hold the middle column wide; the tooltip says it whole.
    joinType_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    joinType_->setMinimumContentsLength(12);
    addJoin_ = commandButton(this, "cmdAddJoin", QStringLiteral("Add Join"));
    resetJoins_ = commandButton(this, "cmdResetJoins", QStringLiteral("Delete Join"));
    middle->addWidget(typeLabel, 0, 0);
    middle->addWidget(joinType_, 1, 0);
    middle->addWidget(addJoin_, 2, 0);
    middle->addWidget(resetJoins_, 3, 0);
    grid->addLayout(middle, 3, 1);
    grid->addWidget(captionLabel(this, "lblCreatedJoins", 108), 4, 0, 1, 3);
    joins_ = new QTableView(this);
    joins_->setObjectName(QStringLiteral("dgrJoins"));
    joinsModel_ = new JoinsGridModel(joins_);
    joins_->setModel(joinsModel_);
    joins_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    joins_->horizontalHeader()->setStretchLastSection(true);
    grid->addWidget(joins_, 5, 0, 1, 3);
    compare_ = namedList(this, "lstJoinCompare");
    compare_->addItems({"=", ">", "<", "<>", ">=", "<="});
    compare_->hide();
    grid->addWidget(compare_, 6, 0);

    tables_[1]->setEnabled(false);
    lock_->setEnabled(false);
    joinType_->setEnabled(false);
    addJoin_->setEnabled(false);
    resetJoins_->setEnabled(false);
    setLabelColour(kChoosingTables);

    connect(tables_[0], qOverload<int>(&QComboBox::activated), this, [this] {
        leftTableChosen();
        updateLockButton();
    });
    connect(tables_[1], qOverload<int>(&QComboBox::activated), this, [this] { updateLockButton(); });
    for (QComboBox* combo : tables_)
        connect(combo->lineEdit(), &QLineEdit::textEdited, this, [this, combo] {
            // Typing is not choosing.
            combo->setEditText(QString());
            lock_->setEnabled(false);
        });
    // Typing is not choosing: the type goes back to the first one, the inner join.
    connect(joinType_->lineEdit(), &QLineEdit::textEdited, this, [this] {
        joinType_->setCurrentIndex(0);
        joinType_->setEditText(joinType_->itemText(0));
    });
    connect(joinType_, qOverload<int>(&QComboBox::activated), this, [this] { joinType_->setToolTip(joinDescription()); });
    connect(lock_, &QPushButton::clicked, this, &JoinPage::lockToggle);
    for (QListWidget* list : fields_)
        connect(list, &QListWidget::itemClicked, this, [this, list](QListWidgetItem* item) {
            list->setToolTip(item->text());
            fieldChosen();
        });
    connect(addJoin_, &QPushButton::clicked, this, &JoinPage::addJoin);
    connect(resetJoins_, &QPushButton::clicked, this, &JoinPage::resetJoins);
    // The grid shows each condition as one line: a click on it offers its comparisons.
    connect(joins_, &QTableView::clicked, this, [this](const QModelIndex& index) {
        if (!index.isValid()) {
            compare_->hide();
            return;
        }
        compareRow_ = index.row();
        compare_->setVisible(!compare_->isVisible());
    });
    connect(compare_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        compare_->hide();
        if (compareRow_ >= 0)
            changeComparison(compareRow_, item->text());
    });
    connect(fit, &QPushButton::clicked, diagram_, &JoinDiagram::fitAll);
    diagram_->attach(*this, w_.state());
    connect(diagram_, &JoinDiagram::hint, this, [this](const QString& text) { w_.SetStatusText(text); });
}

void JoinPage::setLabelColour(const QColor& colour) {
    for (QLabel* label : tableLabels_) {
        QPalette p = label->palette();
        p.setColor(QPalette::WindowText, colour);
        label->setPalette(p);
    }
}

void JoinPage::fillJoinTypes(int supported) {
    joinType_->clear();
    // Each type in words; the symbol the join generator reads stays the item's data.
    const int offered = supported == 2 ? 1 : supported == 1 ? 2 : 3;
    for (const char* symbol : {"=", ">=", "<>"}) {
        if (joinType_->count() == offered)
            break;
        joinType_->addItem(QString(), QString::fromLatin1(symbol));
    }
    nameJoinTypes();
}

QString JoinPage::joinSymbol() const {
    const QString symbol = joinType_->currentData().toString();
    return symbol.isEmpty() ? QStringLiteral("=") : symbol;
}

void JoinPage::nameJoinTypes() {
    const QString left = tables_[0]->currentText();
    for (int i = 0; i < joinType_->count(); ++i)
        joinType_->setItemText(i, joinTypeWords(joinType_->itemData(i).toString(), left));
    if (joinType_->currentIndex() >= 0)
        joinType_->setEditText(joinType_->currentText());
}

QString JoinPage::joinTypeWords(const QString& symbol, const QString& left) {
    if (symbol == u">=")
        return QStringLiteral("Left outer: every row of ") + (left.isEmpty() ? QStringLiteral("the left table") : left);
    if (symbol == u"<>")
        return QStringLiteral("Full outer: every row of both");
    return QStringLiteral("Inner: matching rows only");
}

QStringList JoinPage::joinSymbols() const {
    QStringList out;
    for (int i = 0; i < joinType_->count(); ++i)
        out << joinType_->itemData(i).toString();
    if (out.isEmpty())
        out << QStringLiteral("=");
    return out;
}

void JoinPage::fill() {
    QueryState& s = w_.state();
    fields_[0]->clear();
    fields_[1]->clear();
    tables_[0]->clear();
    tables_[1]->clear();
    RecordSet& joinTable = s.rsJoinTable();
    auto offer = [&](const QString& table) {
        const QVariant row[] = {table, true};
        joinTable.AppendRow(row);
        tables_[0]->addItem(table);
        tables_[1]->addItem(table);
    };
    if (s.rsJoins().RecordCount() == 0) {
        while (joinTable.RecordCount() > 0) {
            joinTable.MoveFirst();
            joinTable.Delete();
        }
        for (const QString& table : s.TableList())
            offer(table);
    } else {
        const QStringList tables = s.TableList();
        for (qsizetype i = joinTable.RecordCount(); i < tables.size(); ++i)
            offer(tables[i]);
    }
    tables_[0]->setEditText(QString());
    tables_[1]->setEditText(QString());
    rebindJoins();
}

void JoinPage::showOpenedJoins() {
    FromClause(w_.state()).BuildJoinText();
    rebindJoins();
    resetJoins_->setEnabled(w_.state().rsJoins().RecordCount() > 0);
}

void JoinPage::rebindJoins() {
    joinsModel_->setJoins(w_.state().rsJoins().Clone());
    // Every condition readable in full: columns as wide as their contents.
    joins_->resizeColumnsToContents();
    emit joinsChanged();
}

void JoinPage::offerLeftTables() {
    QueryState& s = w_.state();
    tables_[0]->clear();
    RecordSet& used = s.rsJoinTablesUsed();
    tables_[0]->addItems(used.RecordCount() == 0 ? joinTableNames(s.rsJoinTable()) : joinTableNames(used));
    tables_[0]->setEditText(QString());
}

void JoinPage::leftTableChosen() {
    QueryState& s = w_.state();
    const QString left = tables_[0]->currentText();
    tables_[1]->clear();
    QStringList right = visibleJoinTables(s.rsJoinTable());
    if (s.rsJoinTablesUsed().RecordCount() == 0)
        right.removeAll(left);
    tables_[1]->addItems(right);
    tables_[1]->setEditText(QString());
    tables_[1]->setEnabled(true);
    nameJoinTypes();
}

void JoinPage::updateLockButton() {
    // Locking needs both tables; a locked page can always be unlocked.
    const bool both = !tables_[0]->currentText().isEmpty() && !tables_[1]->currentText().isEmpty();
    lock_->setEnabled(locked() || both);
    if (both)
        lock_->setFocus();
    joinType_->setToolTip(joinDescription());
}

bool JoinPage::locked() const {
    return lock_->property("tag").toString() == u"1";
}

void JoinPage::lockToggle() {
    BusyCursor busy;
    if (!locked()) {
        lock_->setProperty("tag", QStringLiteral("1"));
        lock_->setText(QStringLiteral("Unlock"));
        lock_->setToolTip(QStringLiteral("Unlock Tables"));
        tables_[0]->setEnabled(false);
        tables_[1]->setEnabled(false);
        joinType_->setEnabled(true);
        for (int i = 0; i < 2; ++i) {
            fields_[i]->clear();
            fields_[i]->addItems(clsField::shared().FieldNamesFor({tables_[i]->currentText()}));
        }
        joinType_->setToolTip(QString());
        setLabelColour(kLocked);
        joinType_->setToolTip(joinDescription());
        fields_[0]->setFocus();
        sameNameMatch();
    } else {
        lock_->setProperty("tag", QStringLiteral("0"));
        lock_->setText(QStringLiteral("Lock"));
        lock_->setToolTip(QStringLiteral("Lock Tables"));
        tables_[0]->setEnabled(true);
        for (QListWidget* list : fields_) {
            list->clear();
            list->setToolTip(QString());
        }
        addJoin_->setEnabled(false);
        joinType_->setEnabled(false);
        tables_[0]->setEditText(QString());
        tables_[1]->setEditText(QString());
        tables_[1]->setEnabled(false);
        setLabelColour(kChoosingTables);
        offerLeftTables();
        lock_->setEnabled(false);  // nothing is chosen yet
        nameJoinTypes();
        tables_[0]->setFocus();
        RecordSet& joinFields = w_.state().rsJoinFields();
        while (joinFields.RecordCount() > 0) {
            joinFields.MoveFirst();
            joinFields.Delete();
        }
    }
}

void JoinPage::resetToUnlocked() {
    lock_->setProperty("tag", QStringLiteral("1"));
    lockToggle();
}

void JoinPage::sameNameMatch() {
    const QString right = tables_[1]->currentText();
    for (int i = 0; i < fields_[0]->count(); ++i) {
        const QString item = fields_[0]->item(i)->text();
        const qsizetype dot = NameQuoting::qualifierDot(item, BuilderSettings::shared());
        const QString wanted = right + (dot >= 0 ? item.mid(dot) : QString());
        const auto matches = fields_[1]->findItems(wanted, Qt::MatchExactly);
        if (!matches.isEmpty()) {
            fields_[0]->setCurrentRow(i);
            fields_[1]->setCurrentItem(matches.first());
            fieldChosen();
            return;
        }
    }
}

void JoinPage::fieldChosen() {
    const bool both = fields_[0]->currentItem() && fields_[1]->currentItem();
    addJoin_->setEnabled(both);
    if (both && joinType_->isEnabled())
        addJoin_->setFocus();
}

QString JoinPage::joinDescription() const {
    return FromClause::DescriptionFor(joinSymbol(), tables_[0]->currentText(), tables_[1]->currentText());
}

bool JoinPage::kindsMatch(const QString& leftField, const QString& rightField, bool quiet) {
    // Fields of different kinds (a number and a date) cannot be compared on every database:
    // said in plain words rather than joined.
    const int leftType = clsField::shared().FieldTypeOf(leftField);
    const int rightType = clsField::shared().FieldTypeOf(rightField);
    const AdoTypeFamily leftKind = adoTypeFamily(leftType);
    const AdoTypeFamily rightKind = adoTypeFamily(rightType);
    if (leftKind == rightKind || leftKind == AdoTypeFamily::Unknown || rightKind == AdoTypeFamily::Unknown)
        return true;
    if (!quiet)
        w_.message(QStringLiteral("%1 holds %2 and %3 holds %4, so rows cannot be matched on them. Choose two fields "
                                  "that hold the same kind of value.")
                       .arg(leftField, Criteria::KindOfValues(leftType), rightField, Criteria::KindOfValues(rightType)),
                   Prompts::Icon::Exclamation);
    return false;
}

void JoinPage::addJoin() {
    if (!fields_[0]->currentItem() || !fields_[1]->currentItem())
        return;
    QueryState& s = w_.state();
    const QString leftTable = tables_[0]->currentText();
    const QString rightTable = tables_[1]->currentText();
    const QString leftField = fields_[0]->currentItem()->text();
    const QString rightField = fields_[1]->currentItem()->text();
    if (!kindsMatch(leftField, rightField, false))
        return;
    // The join row, the two used fields and the two tables (each once) are recorded here.
    FromClause(s).AddJoinCondition({leftTable, rightTable, leftField, rightField, joinSymbol()});
    offerNoMore(leftTable, rightTable);
    delete fields_[0]->takeItem(fields_[0]->currentRow());
    delete fields_[1]->takeItem(fields_[1]->currentRow());
    fields_[0]->setCurrentRow(-1);
    fields_[1]->setCurrentRow(-1);
    addJoin_->setEnabled(false);
    lock_->setFocus();
    joinsEdited();
}

void JoinPage::pageRelease() {
    QueryState& s = w_.state();
    const qint64 used = s.rsJoinTablesUsed().RecordCount();
    const bool all = used > 0 && used == s.rsJoinTable().RecordCount();
    w_.setPagesEnabled({frmQDM::SelectFields, frmQDM::BuildQuery, frmQDM::QueryResults}, all);
}

void JoinPage::changeComparison(int row, const QString& symbol) {
    RecordSet& joins = w_.state().rsJoins();
    if (row < 0 || row >= joins.RecordCount())
        return;
    joins.SetAbsolutePosition(row + 1);
    joins.SetValue(QueryState::JoinCompare, symbol);
    joins.Update();
    FromClause(w_.state()).BuildJoinText();
    joinsEdited();
}

void JoinPage::removeEveryJoin() {
    QueryState& s = w_.state();
    s.JoinText.clear();
    for (RecordSet* rs : {&s.rsJoins(), &s.rsJoinTablesUsed()})
        while (rs->RecordCount() > 0) {
            rs->MoveFirst();
            rs->Delete();
        }
    RecordSet& joinTable = s.rsJoinTable();
    for (qint64 r = 0; r < joinTable.RecordCount(); ++r) {
        joinTable.SetAbsolutePosition(r + 1);
        joinTable.SetValue(QueryState::JoinTableVisible, true);
    }
    resetJoins_->setEnabled(false);
    joinType_->setCurrentIndex(0);
    joinType_->setEditText(joinType_->itemText(0));
    rebindJoins();
}

void JoinPage::resetJoins() {
    Prompts::Message m;
    m.text = QStringLiteral("Are you sure that you want to remove all Joins ?");
    m.title = QStringLiteral("Remove Table Joins");
    m.icon = Prompts::Icon::Question;
    m.buttons = Prompts::Buttons::YesNo;
    m.defaultButton = 1;
    if (w_.prompts().message(m) != Prompts::Answer::Yes)
        return;
    removeEveryJoin();
    resetToUnlocked();
    FromClause(w_.state()).BuildJoinText();
    joinsEdited();
    joinType_->setCurrentIndex(0);
}

QSet<QString> JoinPage::joinedTables() const {
    QSet<QString> chain;
    RecordSet& used = w_.state().rsJoinTablesUsed();
    for (qint64 r = 0; r < used.RecordCount(); ++r)
        chain.insert(textAt(used, r, QueryState::JoinTableName));
    return chain;
}

void JoinPage::offerNoMore(const QString& a, const QString& b) {
    // A joined table is no longer offered as the table a join brings in.
    RecordSet& joinTable = w_.state().rsJoinTable();
    for (qint64 r = 0; r < joinTable.RecordCount(); ++r) {
        const QString name = textAt(joinTable, r, QueryState::JoinTableName);
        if (name == a || name == b) {
            joinTable.SetAbsolutePosition(r + 1);
            joinTable.SetValue(QueryState::JoinTableVisible, false);
        }
    }
}

void JoinPage::joinsEdited() {
    rebindJoins();
    resetJoins_->setEnabled(w_.state().rsJoins().RecordCount() > 0);
    pageRelease();
    if (!proposing_)
        w_.regenerateAfterJoins();
}

bool JoinPage::joinFields(const QString& tableA, const QString& fieldA, const QString& tableB, const QString& fieldB,
                          const QString& symbol, bool quiet) {
    QueryState& s = w_.state();
    auto refuse = [&](const QString& why) {
        if (!quiet)
            w_.message(why, Prompts::Icon::Information);
        return false;
    };
    if (tableA == tableB)
        return refuse(QStringLiteral("%1 and %2 are fields of the same table: join a field of one table to a field "
                                     "of another.")
                          .arg(fieldA, fieldB));
    FromClause from(s);
    const std::vector<JoinCondition> conditions = from.Conditions();
    for (const JoinCondition& c : conditions)
        if ((c.leftField == fieldA && c.rightField == fieldB) || (c.leftField == fieldB && c.rightField == fieldA))
            return refuse(QStringLiteral("%1 and %2 are already joined.").arg(fieldA, fieldB));
    if (!kindsMatch(fieldA, fieldB, quiet))
        return false;
    const QSet<QString> chain = joinedTables();
    const bool hasA = chain.contains(tableA);
    const bool hasB = chain.contains(tableB);
    // The page may be part way through a pair of its own: what it chose is set aside.
    KeepFocus keep;
    resetToUnlocked();
    if (hasA && hasB) {
        // Both already in the chain: a further condition of the join that brought the later of
        // the two, where both are known.
        int group = -1;
        for (const JoinCondition& c : conditions)
            if (c.broughtTable == tableA || c.broughtTable == tableB)
                group = c.group;
        if (group < 0)
            return refuse(QStringLiteral("%1 and %2 cannot be joined here.").arg(tableA, tableB));
        const bool aFirst = std::any_of(conditions.cbegin(), conditions.cend(),
                                        [&](const JoinCondition& c) { return c.group == group && c.broughtTable == tableB; });
        if (aFirst)
            from.AddConditionToGroup(group, fieldA, fieldB);
        else
            from.AddConditionToGroup(group, fieldB, fieldA);
    } else {
        if (!chain.isEmpty() && !hasA && !hasB)
            return refuse(QStringLiteral("Neither %1 nor %2 is joined to the tables already joined. Join one of them to "
                                         "those tables first.")
                              .arg(tableA, tableB));
        // The table already joined is the left one, so the chain reads in order.
        const bool aLeft = chain.isEmpty() || hasA;
        const JoinRequest request = aLeft ? JoinRequest{tableA, tableB, fieldA, fieldB, symbol}
                                          : JoinRequest{tableB, tableA, fieldB, fieldA, symbol};
        from.AddJoinCondition(request);
        // A join of its own: the next one starts anew rather than adding to this pair.
        RecordSet& joinFields = s.rsJoinFields();
        while (joinFields.RecordCount() > 0) {
            joinFields.MoveFirst();
            joinFields.Delete();
        }
        offerNoMore(tableA, tableB);
    }
    joinsEdited();
    return true;
}

bool JoinPage::removeCondition(int row) {
    KeepFocus keep;
    resetToUnlocked();
    if (!FromClause(w_.state()).RemoveCondition(row))
        return false;
    if (w_.state().rsJoins().RecordCount() == 0)
        removeEveryJoin();
    joinsEdited();
    return true;
}

bool JoinPage::setJoinType(int group, const QString& symbol) {
    KeepFocus keep;
    if (!joinSymbols().contains(symbol))
        return false;
    if (!FromClause(w_.state()).SetJoinGroupType(group, symbol))
        return false;
    joinsEdited();
    return true;
}

int JoinPage::proposeForeignKeyJoins(const QStringList& addedTables) {
    const BuilderSettings& settings = BuilderSettings::shared();
    if (!settings.VLNAutoJoinForeignKeys || !settings.VLNAllowJoinCreation || addedTables.isEmpty() ||
        !settings.ActiveConnection || !settings.ActiveConnection->IsOpen())
        return 0;
    std::shared_ptr<const std::vector<ForeignKey>> keys;
    try {
        keys = settings.ActiveConnection->ForeignKeys();
    } catch (const VLNError&) {
        return 0;  // keys that cannot be read propose nothing; joining by hand still works
    }
    if (!keys || keys->empty())
        return 0;
    QueryState& s = w_.state();
    const QStringList tables = s.TableList();
    // Proposals are for the few tables a user joins by hand; hundreds added at once (>> on a
    // large schema) are left for the user to join.
    if (tables.size() > kMostTablesForProposals)
        return 0;
    // The caller regenerates the statement once, after the tables and the proposals.
    proposing_ = true;
    struct Quiet { bool& flag; ~Quiet() { flag = false; } } quiet{proposing_};
    // The table as offered for a catalogue name, and the field item for a column of it.
    QHash<QString, QString> offered;
    for (const QString& t : tables)
        offered.insert(NameQuoting::unquote(t, settings).toLower(), t);
    auto fieldItem = [&settings](const QString& table, const QString& column) {
        for (const QString& item : clsField::shared().FieldNamesFor({table}))
            if (NameQuoting::unquote(NameQuoting::fieldPart(item, settings), settings).compare(column, Qt::CaseInsensitive) == 0)
                return item;
        return QString();
    };
    const QString symbol = joinSymbols().constFirst();
    const QSet<QString> added(addedTables.cbegin(), addedTables.cend());
    QSet<QString> done;
    QStringList said;
    // Each table just added, in the order the query lists its tables, is joined once on a key
    // linking it to a table the chain holds (or, before there is a chain, to another table of
    // the query, the earlier of the two reading first): the order a user would join them.
    for (bool progress = true; progress;) {
        progress = false;
        for (const QString& table : tables) {
            if (!added.contains(table) || done.contains(table))
                continue;
            const QSet<QString> chain = joinedTables();
            if (chain.contains(table)) {
                done.insert(table);
                continue;
            }
            for (const ForeignKey& key : *keys) {
                const QString referencing = offered.value(key.referencingTable.toLower());
                const QString referenced = offered.value(key.referencedTable.toLower());
                if (referencing.isEmpty() || referenced.isEmpty() || referencing == referenced ||
                    (referencing != table && referenced != table))
                    continue;
                const QString other = referencing == table ? referenced : referencing;
                if (!chain.isEmpty() && !chain.contains(other))
                    continue;
                if (key.referencingColumns.isEmpty() || key.referencingColumns.size() != key.referencedColumns.size())
                    continue;
                QStringList tableItems, otherItems;
                for (qsizetype i = 0; i < key.referencingColumns.size(); ++i) {
                    const QString& mine = referencing == table ? key.referencingColumns[i] : key.referencedColumns[i];
                    const QString& theirs = referencing == table ? key.referencedColumns[i] : key.referencingColumns[i];
                    tableItems << fieldItem(table, mine);
                    otherItems << fieldItem(other, theirs);
                }
                if (tableItems.contains(QString()) || otherItems.contains(QString()))
                    continue;
                const bool otherFirst = !chain.isEmpty() || tables.indexOf(other) < tables.indexOf(table);
                const QString& left = otherFirst ? other : table;
                const QString& right = otherFirst ? table : other;
                const QStringList& leftItems = otherFirst ? otherItems : tableItems;
                const QStringList& rightItems = otherFirst ? tableItems : otherItems;
                if (!joinFields(left, leftItems.first(), right, rightItems.first(), symbol, true))
                    continue;
                for (qsizetype i = 1; i < leftItems.size(); ++i)
                    joinFields(left, leftItems[i], right, rightItems[i], symbol, true);
                QStringList conditions;
                for (qsizetype i = 0; i < leftItems.size(); ++i)
                    conditions << leftItems[i] + QStringLiteral(" = ") + rightItems[i];
                said << conditions.join(QStringLiteral(" and "));
                done.insert(table);
                progress = true;
                break;
            }
        }
    }
    if (!said.isEmpty())
        w_.SetStatusText(QStringLiteral("Joined on declared foreign keys: ") + said.join(QStringLiteral("; ")) +
                         QStringLiteral(". Delete Join removes them."));
    return static_cast<int>(said.size());
}

void JoinPage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (splitPlaced_ || split_->width() <= 0)
        return;
    // Three fifths to the lists on the first show (as far as their least width allows), rather
    // than the lists' least width and all the rest to the diagram.
    splitPlaced_ = true;
    const int room = split_->width();
    split_->setSizes({room * 3 / 5, room - room * 3 / 5});
}

}  // namespace lorvane
