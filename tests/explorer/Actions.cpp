#include "explorer/Actions.h"
#include "explorer/Checks.h"
#include "explorer/CrashReport.h"

#include "builder/CriteriaCellDelegate.h"
#include "builder/frmCalcFields.h"
#include "builder/frmCriteriaBuilder.h"
#include "builder/frmFieldOrder.h"
#include "builder/frmQDM.h"
#include "builder/BuilderWidgets.h"
#include "platform/ScriptedPrompts.h"
#include "shared/BuilderSettings.h"
#include "shared/QueryState.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QJsonDocument>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QRadioButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTextEdit>

namespace lorvane::explorer {

namespace {

// A choice the window does not offer (replaying), or nothing to choose from.
struct Inapplicable {};

// Values an end user types: blanks, quotes, dates with and without times, numbers (also on
// text columns), words holding operator words, wildcards.
const QStringList kValues{
    "",           " ",          "   ",         "Paris",        "O'Brien",           "'quoted'",
    "it''s",      "\"double\"", "Unlikely",    "Andover",      "Notable",           "Orlando",
    "Island",     "Betweenness", "Likewise",   "Innsbruck",    "Sand and Sea",      "Null island",
    "42",         "3.5",        "-7",          "0",            "2023-12-31",        "2023-01-01 17:43:00",
    "12/31/2023", "2022-01-08T00:00:00.000",   "%",            "A%",                "_",
    "*",          "Berlin",     "Lyon",        "100",          "2020-03-15",        "1/1/2021 09:30"};
// Texts typed into a criteria cell that start with an operator, as a user writes them.
const QStringList kCellExpressions{
    "> 5",        "<= 100",           "<> 'Paris'",     "= 'O''Brien'",     "like 'A%'",
    "not like 'L%'", "BETWEEN 1 AND 5", "is null",      "IS NOT NULL",      ">= 2023-01-01",
    "< '2023-06-30 12:00:00'", "=Lyon", ">=10",        "<> 0",             "Between 2020-01-01 And 2020-12-31"};
const QStringList kAliases{"Line Total", "calc", "Net's", "X", "Total \"gross\"", "SUMOFFreight", "a b"};
const char* const kCompareKeys[] = {"cmdEquals", "cmdNotEqual", "cmdGreaterThan", "cmdLessThan",
                                    "cmdGreaterThanorEqual", "cmdLessThanorEqual"};

// The entries a list shows, whether an item list or a view over a model.
QStringList textsOf(const QAbstractItemView* list) {
    QStringList out;
    const QAbstractItemModel* m = list ? list->model() : nullptr;
    for (int i = 0; m && i < m->rowCount(list->rootIndex()); ++i)
        out << m->index(i, 0, list->rootIndex()).data().toString();
    return out;
}

// Types text key by key; a line break is the Return key (Qt's key table has no entry for it).
void typeText(QWidget* widget, const QString& text) {
    const QStringList lines = QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")).split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0)
            QTest::keyClick(widget, Qt::Key_Return);
        QTest::keyClicks(widget, lines[i]);
    }
}

}  // namespace

QString Action::text() const {
    QJsonArray a;
    a.append(kind);
    for (const QString& arg : args)
        a.append(arg);
    return QString::fromUtf8(QJsonDocument(a).toJson(QJsonDocument::Compact));
}

Action Action::parse(const QString& text) {
    const QJsonArray a = QJsonDocument::fromJson(text.toUtf8()).array();
    Action out;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (i == 0)
            out.kind = a[i].toString();
        else
            out.args << a[i].toString();
    }
    return out;
}

QString actionListText(const QList<Action>& actions) {
    QStringList lines;
    for (const Action& a : actions)
        lines << a.text();
    return lines.join(u'\n');
}

QList<Action> parseActionList(const QString& text) {
    QList<Action> out;
    for (const QString& line : text.split(u'\n', Qt::SkipEmptyParts))
        if (!line.trimmed().isEmpty())
            out << Action::parse(line.trimmed());
    return out;
}

// ---- choices ------------------------------------------------------------------------------

QString ActionPlayer::pick(const QStringList& offered) {
    if (rng_) {
        if (offered.isEmpty())
            throw Inapplicable{};
        const QString chosen = offered[std::uniform_int_distribution<int>(0, int(offered.size()) - 1)(*rng_)];
        current_->args << chosen;
        return chosen;
    }
    if (nextArg_ >= current_->args.size())
        throw Inapplicable{};
    const QString chosen = current_->args[nextArg_++];
    if (!offered.contains(chosen))
        throw Inapplicable{};
    return chosen;
}

QString ActionPlayer::freeText(const std::function<QString(std::mt19937&)>& make) {
    if (rng_) {
        const QString text = make(*rng_);
        current_->args << text;
        return text;
    }
    if (nextArg_ >= current_->args.size())
        throw Inapplicable{};
    return current_->args[nextArg_++];
}

int ActionPlayer::pickIndex(int count) {
    QStringList offered;
    for (int i = 0; i < count; ++i)
        offered << QString::number(i);
    return pick(offered).toInt();
}

bool ActionPlayer::chance(int percent) {
    return freeText([percent](std::mt19937& r) {
               return std::uniform_int_distribution<int>(0, 99)(r) < percent ? QStringLiteral("y") : QStringLiteral("n");
           }) == u"y";
}

// ---- the window ---------------------------------------------------------------------------

template <typename T> T* ActionPlayer::find(const char* name) {
    frmQDM* window = w();
    T* child = window ? window->findChild<T*>(QString::fromLatin1(name)) : nullptr;
    if (!child)
        throw Inapplicable{};
    return child;
}

QWidget* ActionPlayer::visibleDialog(const char* className) {
    settle();
    if (!w())
        return nullptr;
    for (QDialog* d : w()->findChildren<QDialog*>())
        if (d->isVisible() && d->inherits(className))
            return d;
    return nullptr;
}

void ActionPlayer::settle() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    // Models of dialogs opened during the action are watched from the moment they appear.
    Checks::watchModels(w());
}

bool ActionPlayer::goTo(int page) {
    if (!w() || !w()->tabs()->isTabEnabled(page))
        throw Inapplicable{};
    if (w()->tabs()->currentIndex() != page)
        w()->tabs()->setCurrentIndex(page);
    settle();
    return true;
}

void ActionPlayer::click(const char* button) {
    auto* b = find<QAbstractButton>(button);
    if (!b->isEnabled() || !b->isVisibleTo(w()))
        throw Inapplicable{};
    QTest::mouseClick(b, Qt::LeftButton);
    settle();
}

void ActionPlayer::chooseIn(const char* list, const QString& item) {
    auto* l = find<QAbstractItemView>(list);
    const qsizetype row = textsOf(l).indexOf(item);
    if (row < 0 || !l->isEnabled())
        throw Inapplicable{};
    // As a click: the entry becomes current and the list hears the click.
    const QModelIndex index = l->model()->index(int(row), 0, l->rootIndex());
    l->setCurrentIndex(index);
    emit l->clicked(index);
    settle();
}

void ActionPlayer::chooseCombo(const char* name, const QString& item) {
    auto* c = find<QComboBox>(name);
    const int i = c->findText(item);
    if (i < 0 || !c->isEnabled())
        throw Inapplicable{};
    c->setCurrentIndex(i);
    emit c->activated(i);
    settle();
}

QStringList ActionPlayer::listItems(const char* list) {
    auto* l = find<QAbstractItemView>(list);
    return l->isEnabled() ? textsOf(l) : QStringList{};
}

QStringList ActionPlayer::comboItems(const char* name) {
    auto* c = find<QComboBox>(name);
    QStringList out;
    for (int i = 0; c->isEnabled() && i < c->count(); ++i)
        out << c->itemText(i);
    return out;
}

void ActionPlayer::closeStrayDialogs() {
    // An action ends with every dialog it opened closed; one left open is cancelled.
    for (int round = 0; round < 3 && w(); ++round) {
        QDialog* open = nullptr;
        for (QDialog* d : w()->findChildren<QDialog*>())
            if (d->isVisible())
                open = d;
        if (!open)
            break;
        open->reject();
        settle();
    }
}

// ---- generating and replaying -------------------------------------------------------------

namespace {
struct Kind {
    const char* name;
    int weight;
    int page;  // the page it needs enabled, or -1
};
const Kind kKinds[] = {
    {"addTable", 8, frmQDM::SelectTables},      {"removeTable", 3, frmQDM::SelectTables},
    {"removeAllTables", 1, frmQDM::SelectTables}, {"addAllTables", 1, frmQDM::SelectTables},
    {"addJoin", 7, frmQDM::BuildJoins},        {"joinComparison", 2, frmQDM::BuildJoins},
    {"deleteJoins", 1, frmQDM::BuildJoins},    {"addField", 4, frmQDM::SelectFields},
    {"removeField", 3, frmQDM::SelectFields},  {"allFields", 2, frmQDM::SelectFields},
    {"criterion", 12, frmQDM::BuildQuery},     {"grouping", 7, frmQDM::BuildQuery},
    {"ordering", 5, frmQDM::BuildQuery},       {"gridCell", 6, frmQDM::BuildQuery},
    {"keypad", 4, frmQDM::BuildQuery},         {"calcField", 5, frmQDM::BuildQuery},
    {"editRows", 5, frmQDM::BuildQuery},       {"distinct", 2, frmQDM::BuildQuery},
    {"reset", 1, frmQDM::BuildQuery},          {"sqlView", 2, frmQDM::BuildQuery},
    {"saveAndReopen", 2, frmQDM::SelectTables}, {"page", 2, -1},
    {"autoJoin", 2, -1},
};
}  // namespace

Action ActionPlayer::generate(std::mt19937& rng) {
    std::vector<const Kind*> offered;
    int total = 0;
    for (const Kind& k : kKinds)
        if (k.page < 0 || (w() && w()->tabs()->isTabEnabled(k.page))) {
            offered.push_back(&k);
            total += k.weight;
        }
    int roll = std::uniform_int_distribution<int>(0, total - 1)(rng);
    const Kind* chosen = offered.front();
    for (const Kind* k : offered) {
        if (roll < k->weight) {
            chosen = k;
            break;
        }
        roll -= k->weight;
    }
    Action action{QString::fromLatin1(chosen->name), {}};
    rng_ = &rng;
    current_ = &action;
    crashCurrent(&action);
    try {
        perform(action.kind);
    } catch (const Inapplicable&) {
    }
    closeStrayDialogs();
    crashCurrent(nullptr);
    rng_ = nullptr;
    current_ = nullptr;
    return action;
}

bool ActionPlayer::replay(const Action& action) {
    Action copy = action;
    current_ = &copy;
    nextArg_ = 0;
    bool whole = true;
    try {
        perform(action.kind);
    } catch (const Inapplicable&) {
        whole = false;
    }
    closeStrayDialogs();
    current_ = nullptr;
    return whole;
}

void ActionPlayer::perform(const QString& kind) {
    using Step = void (ActionPlayer::*)();
    static const std::pair<const char*, Step> steps[] = {
        {"addTable", &ActionPlayer::addTable},       {"removeTable", &ActionPlayer::removeTable},
        {"removeAllTables", &ActionPlayer::removeAllTables}, {"addAllTables", &ActionPlayer::addAllTables},
        {"addJoin", &ActionPlayer::addJoin},         {"joinComparison", &ActionPlayer::changeJoinComparison},
        {"deleteJoins", &ActionPlayer::deleteJoins}, {"addField", &ActionPlayer::addField},
        {"removeField", &ActionPlayer::removeField}, {"criterion", &ActionPlayer::criterion},
        {"grouping", &ActionPlayer::grouping},       {"ordering", &ActionPlayer::ordering},
        {"gridCell", &ActionPlayer::typeGridCell},   {"keypad", &ActionPlayer::keypad},
        {"calcField", &ActionPlayer::calcField},     {"editRows", &ActionPlayer::editRows},
        {"distinct", &ActionPlayer::distinct},       {"reset", &ActionPlayer::reset},
        {"sqlView", &ActionPlayer::sqlView},         {"saveAndReopen", &ActionPlayer::saveAndReopen},
    };
    if (kind == u"allFields") {
        allFields(pick({"add", "remove"}) == u"add");
        return;
    }
    if (kind == u"autoJoin") {
        // The host's switch for joins proposed from declared keys, read when tables are added.
        // A list recorded without it replays with the switch off, as it was recorded.
        BuilderSettings::shared().VLNAutoJoinForeignKeys = pick({"on", "off"}) == u"on";
        return;
    }
    if (kind == u"page") {
        QStringList pages;
        for (int p = 0; w() && p < 4; ++p)
            if (w()->tabs()->isTabEnabled(p))
                pages << QString::number(p);
        goTo(pick(pages).toInt());
        return;
    }
    for (const auto& [name, step] : steps)
        if (kind == QLatin1String(name)) {
            (this->*step)();
            return;
        }
    throw Inapplicable{};
}

// ---- the pages ----------------------------------------------------------------------------

void ActionPlayer::addTable() {
    goTo(frmQDM::SelectTables);
    chooseIn("lstTPXTableSelection", pick(listItems("lstTPXTableSelection")));
    click("cmdTPXTableRight");
}

void ActionPlayer::removeTable() {
    goTo(frmQDM::SelectTables);
    chooseIn("lstTPXTableTo", pick(listItems("lstTPXTableTo")));
    click("cmdTPXTableLeft");
}

void ActionPlayer::removeAllTables() {
    goTo(frmQDM::SelectTables);
    click("cmdTPXTableLeftAll");
}

void ActionPlayer::addAllTables() {
    goTo(frmQDM::SelectTables);
    click("cmdTPXTableRightAll");
}

void ActionPlayer::addJoin() {
    goTo(frmQDM::BuildJoins);
    auto* lock = find<QPushButton>("cmdlockTables");
    if (lock->text() == u"Unlock")
        click("cmdlockTables");
    chooseCombo("cmbJoinTables(0)", pick(comboItems("cmbJoinTables(0)")));
    chooseCombo("cmbJoinTables(1)", pick(comboItems("cmbJoinTables(1)")));
    click("cmdlockTables");
    // Mostly the fields the page matched by name; sometimes any two.
    if (pick({"matched", "matched", "matched", "chosen"}) == u"chosen") {
        chooseIn("lstJoinFields(0)", pick(listItems("lstJoinFields(0)")));
        chooseIn("lstJoinFields(1)", pick(listItems("lstJoinFields(1)")));
    }
    chooseCombo("cmbJoinType", pick(comboItems("cmbJoinType")));
    click("cmdAddJoin");
}

void ActionPlayer::changeJoinComparison() {
    goTo(frmQDM::BuildJoins);
    auto* view = find<QTableView>("dgrJoins");
    if (!view->model())
        throw Inapplicable{};
    // A click on a condition's line offers its comparisons.
    const QModelIndex index = view->model()->index(pickIndex(view->model()->rowCount()), 0);
    view->scrollTo(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
    settle();
    auto* compare = find<QListWidget>("lstJoinCompare");
    if (!compare->isVisible())
        throw Inapplicable{};
    const QString symbol = pick(textsOf(compare));
    const auto items = compare->findItems(symbol, Qt::MatchExactly);
    compare->setCurrentItem(items.first());
    emit compare->itemClicked(items.first());
    settle();
}

void ActionPlayer::deleteJoins() {
    goTo(frmQDM::BuildJoins);
    host_.prompts->answer(pick({"Yes", "No"}) == u"Yes" ? Prompts::Answer::Yes : Prompts::Answer::No);
    click("cmdResetJoins");
}

void ActionPlayer::addField() {
    goTo(frmQDM::SelectFields);
    chooseIn("lstTPXFieldFrom", pick(listItems("lstTPXFieldFrom")));
    click("cmdTPXFieldRight");
}

void ActionPlayer::removeField() {
    goTo(frmQDM::SelectFields);
    chooseIn("lstTPXFieldTo", pick(listItems("lstTPXFieldTo")));
    click("cmdTPXFieldLeft");
}

void ActionPlayer::allFields(bool add) {
    goTo(frmQDM::SelectFields);
    click(add ? "cmdTPXFieldRightAll" : "cmdTPXFieldLeftAll");
}

void ActionPlayer::criterion() {
    goTo(frmQDM::BuildQuery);
    find<QRadioButton>("optQuery(0)")->click();
    settle();
    chooseIn("lstSelectedFields", pick(listItems("lstSelectedFields")));
    chooseIn("lstOperands", pick(listItems("lstOperands")));
    for (const char* boxName : {"cmbAvailableValues1", "cmbAvailableValues2"}) {
        auto* box = find<QComboBox>(boxName);
        if (!box->isEnabled())
            continue;
        const QString how = pick({"typed", "typed", "picked"});
        if (how == u"picked") {
            click("cmdFieldValues");
            chooseCombo(boxName, pick(comboItems(boxName)));
        } else {
            const QString text = freeText([](std::mt19937& r) {
                return kValues[std::uniform_int_distribution<int>(0, int(kValues.size()) - 1)(r)];
            });
            box->setFocus();
            box->lineEdit()->clear();
            typeText(box->lineEdit(), text);
            settle();
        }
    }
    if (find<QWidget>("fraAndOr")->isEnabled()) {
        const QString conjunction = pick({"default", "AND", "OR"});
        if (conjunction != u"default")
            find<QRadioButton>(conjunction == u"AND" ? "optAndOr(0)" : "optAndOr(1)")->click();
    }
    click("cmdCommit");
}

void ActionPlayer::grouping() {
    goTo(frmQDM::BuildQuery);
    auto* option = find<QRadioButton>("optQuery(1)");
    if (!option->isEnabled())
        throw Inapplicable{};
    option->click();
    settle();
    chooseIn("lstSelectedFields", pick(listItems("lstSelectedFields")));
    chooseIn("lstOperands", pick(listItems("lstOperands")));
    host_.prompts->answer(pick({"Yes", "No"}) == u"Yes" ? Prompts::Answer::Yes : Prompts::Answer::No);
    click("cmdCommit");
}

void ActionPlayer::ordering() {
    goTo(frmQDM::BuildQuery);
    auto* option = find<QRadioButton>("optQuery(2)");
    if (!option->isEnabled())
        throw Inapplicable{};
    option->click();
    settle();
    chooseIn("lstSelectedFields", pick(listItems("lstSelectedFields")));
    chooseIn("lstOperands", pick(listItems("lstOperands")));
    click("cmdCommit");
}

namespace {
QTableView* gridView(frmQDM* w) {
    auto* splitter = w->findChild<QSplitter*>(QStringLiteral("dgrSQL"));
    return splitter ? qobject_cast<QTableView*>(splitter->widget(0)) : nullptr;
}
QStringList gridColumns(QTableView* view) {
    QStringList out;
    for (int c = 0; view && c < view->model()->columnCount(); ++c)
        out << view->model()->headerData(c, Qt::Horizontal).toString();
    return out;
}
}  // namespace

void ActionPlayer::typeGridCell() {
    goTo(frmQDM::BuildQuery);
    click("cmdEditWhere");
    QTableView* view = gridView(w());
    if (!view)
        throw Inapplicable{};
    const int row = pickIndex(view->model()->rowCount());
    const int column = int(gridColumns(view).indexOf(pick(gridColumns(view))));
    const QString text = freeText([](std::mt19937& r) {
        const bool expression = std::uniform_int_distribution<int>(0, 3)(r) == 0;
        const QStringList& from = expression ? kCellExpressions : kValues;
        return from[std::uniform_int_distribution<int>(0, int(from.size()) - 1)(r)];
    });
    const QModelIndex index = view->model()->index(row, column);
    view->scrollTo(index);
    view->setCurrentIndex(index);
    view->edit(index);
    auto* editor = qobject_cast<QLineEdit*>(w()->focusWidget());
    if (!editor)
        throw Inapplicable{};
    editor->clear();
    typeText(editor, text);
    QTest::keyClick(editor, Qt::Key_Return);
    settle();
}

void ActionPlayer::keypad() {
    goTo(frmQDM::BuildQuery);
    click("cmdEditWhere");
    QTableView* view = gridView(w());
    if (!view)
        throw Inapplicable{};
    const int row = pickIndex(view->model()->rowCount());
    const int column = int(gridColumns(view).indexOf(pick(gridColumns(view))));
    const QModelIndex index = view->model()->index(row, column);
    view->scrollTo(index);
    settle();
    const QRect rect = view->visualRect(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, CriteriaCellDelegate::buttonRect(rect).center());
    settle();
    auto* pad = qobject_cast<frmCriteriaBuilder*>(visibleDialog("lorvane::frmCriteriaBuilder"));
    if (!pad)
        throw Inapplicable{};
    // Keys as a user presses them for a well-formed criterion (Clear first: the keypad opens on
    // the cell's text), typed words in between.
    const QString recipe = QStringLiteral("cmdDelete ") + freeText([](std::mt19937& r) {
        auto any = [&r](const QStringList& l) { return l[std::uniform_int_distribution<int>(0, int(l.size()) - 1)(r)]; };
        auto digits = [&r] {
            QString d;
            for (int n = std::uniform_int_distribution<int>(1, 3)(r); n > 0; --n)
                d += QStringLiteral(" cmd%1").arg(std::uniform_int_distribution<int>(0, 9)(r));
            return d;
        };
        const QString compare = QString::fromLatin1(kCompareKeys[std::uniform_int_distribution<int>(0, 5)(r)]);
        switch (std::uniform_int_distribution<int>(0, 6)(r)) {
        case 0: return compare + digits();
        case 1: return compare + QStringLiteral(" cmdApos t:") + any({"Lyon", "O''Brien", "Unlikely", "2023-12-31", "Paris"}) + QStringLiteral(" cmdApos");
        case 2: return QStringLiteral("cmdBetween t:\u00a0") + digits() + QStringLiteral(" t:\u00a0 cmdAnd t:\u00a0") + digits();
        case 3: return QStringLiteral("cmdLike t:\u00a0 cmdApos t:A cmdWildCard1 cmdApos");
        case 4: return QString();  // cleared: the cell is emptied
        case 5: return QStringLiteral("t:") + any(kValues).replace(u' ', u'\u00a0');
        default: return digits().trimmed() + QStringLiteral(" cmdPoint") + digits();
        }
    });
    for (const QString& token : recipe.split(u' ', Qt::SkipEmptyParts)) {
        if (token.startsWith(QStringLiteral("t:"))) {
            pad->textBox()->moveCursor(QTextCursor::End);
            pad->textBox()->insertPlainText(token.mid(2).replace(u'\u00a0', u' '));
        } else if (auto* key = pad->findChild<QPushButton*>(token)) {
            QTest::mouseClick(key, Qt::LeftButton);
        }
    }
    auto* closeWith = pad->findChild<QPushButton*>(pick({"cmdCriteriaOK", "cmdCriteriaOK", "cmdCriteriaCancel"}));
    if (closeWith)
        QTest::mouseClick(closeWith, Qt::LeftButton);
    settle();
}

void ActionPlayer::calcField() {
    goTo(frmQDM::BuildQuery);
    click("cmdCalcField");
    QWidget* dialog = visibleDialog("lorvane::frmCalcFields");
    if (!dialog)
        throw Inapplicable{};
    auto* expression = dialog->findChild<QTextEdit*>(QStringLiteral("txtCriteria"));
    auto* fields = dialog->findChild<QListWidget*>(QStringLiteral("lstCalcFields"));
    auto* operators = dialog->findChild<QListWidget*>(QStringLiteral("lstOperators"));
    auto* functions = dialog->findChild<QListWidget*>(QStringLiteral("lstFunctions"));
    auto doubleClick = [this](QListWidget* list, const QString& text) {
        const auto items = list ? list->findItems(text, Qt::MatchExactly) : QList<QListWidgetItem*>{};
        if (items.isEmpty())
            throw Inapplicable{};
        list->setCurrentItem(items.first());
        emit list->itemDoubleClicked(items.first());
        settle();
    };
    auto field = [&] { doubleClick(fields, pick(textsOf(fields))); };
    auto type = [&](const QString& text) {
        expression->moveCursor(QTextCursor::End);
        typeText(expression, text);
    };
    const QString recipe = pick({"field op field", "field op number", "function", "typed aggregate", "two lines",
                                 "total", "alias"});
    if (recipe == u"field op field") {
        field();
        doubleClick(operators, pick({"+", "-", "*", "/"}));
        field();
    } else if (recipe == u"field op number") {
        field();
        doubleClick(operators, pick({"+", "*", "/"}));
        type(pick({"2", " 100", "0.5"}));
    } else if (recipe == u"function") {
        doubleClick(functions, pick(textsOf(functions)));
        field();
        doubleClick(operators, ")");
    } else if (recipe == u"typed aggregate") {
        type(pick({"sum(", "SUM(", "count(", "Max("}));
        field();
        type(pick({")/2", ")", ") * 1"}));
    } else if (recipe == u"two lines") {
        field();
        QTest::keyClick(expression, Qt::Key_Return);
        doubleClick(operators, "+");
        type(QStringLiteral("1"));
    } else if (recipe == u"total") {
        QStringList totals;
        for (const QString& t : textsOf(fields))
            if (t.contains(u'('))
                totals << t;
        doubleClick(fields, pick(totals));
        doubleClick(operators, pick({"*", "+"}));
        type(QStringLiteral("2"));
    } else {
        // An expression naming an alias the statement already gives.
        QStringList aliases;
        auto* shown = w()->findChild<QTextEdit*>(QStringLiteral("txtSQL"));
        static const QRegularExpression as(QStringLiteral(R"( AS (\[[^\]]+\]|"[^"]+"|\w+))"));
        for (const auto& m : as.globalMatch(shown ? shown->toPlainText() : QString()))
            aliases << m.captured(1);
        type(pick(aliases) + QStringLiteral("*2"));
    }
    auto* alias = dialog->findChild<QLineEdit*>(QStringLiteral("txtAlias"));
    alias->clear();
    typeText(alias, pick(kAliases));
    if (auto* show = dialog->findChild<QCheckBox*>(QStringLiteral("chkShowField")); show && chance(20))
        show->click();
    auto* ok = dialog->findChild<QPushButton*>(QStringLiteral("cmdOK"));
    if (ok && ok->isEnabled())
        QTest::mouseClick(ok, Qt::LeftButton);
    settle();
}

void ActionPlayer::editRows() {
    goTo(frmQDM::BuildQuery);
    const QString mode = pick({"cmdEditGroup", "cmdEditOrder", "cmdEditCalcField"});
    click(mode.toLatin1().constData());
    QWidget* editor = visibleDialog("lorvane::frmFieldOrder");
    if (!editor)
        throw Inapplicable{};
    auto* list = editor->findChild<QListWidget*>(QStringLiteral("lstFields"));
    auto button = [editor](const char* name) { return editor->findChild<QAbstractButton*>(QString::fromLatin1(name)); };
    const int steps = pickIndex(3) + 1;
    for (int i = 0; i < steps; ++i) {
        const QString entry = pick(textsOf(list));
        list->setCurrentItem(list->findItems(entry, Qt::MatchExactly).first());
        settle();
        QStringList offered;
        for (const char* name : {"cmdUpDown(0)", "cmdUpDown(1)", "chkOutput", "cmdDelete", "cmdEdit"})
            if (QAbstractButton* b = button(name); b && b->isEnabled() && b->isVisibleTo(editor))
                offered << QString::fromLatin1(name);
        const QString what = pick(offered);
        if (what == u"cmdDelete")
            host_.prompts->answer(pick({"Yes", "No"}) == u"Yes" ? Prompts::Answer::Yes : Prompts::Answer::No);
        QTest::mouseClick(button(what.toLatin1().constData()), Qt::LeftButton);
        settle();
        if (what == u"cmdEdit") {
            QPointer<QWidget> calc;  // deleted once it closes
            for (QDialog* d : editor->findChildren<QDialog*>())
                if (d->isVisible())
                    calc = d;
            if (!calc)
                throw Inapplicable{};
            auto* text = calc->findChild<QTextEdit*>(QStringLiteral("txtCriteria"));
            const QString old = text->toPlainText();
            const QString change = pick({"append", "wrap", "replace"});
            text->clear();
            if (change == u"append")
                typeText(text, old + QStringLiteral(" + 100"));
            else if (change == u"wrap")
                typeText(text, QStringLiteral("(") + old + QStringLiteral(")*2"));
            else
                typeText(text, QStringLiteral("1"));
            auto* ok = calc->findChild<QPushButton*>(QStringLiteral("cmdOK"));
            QTest::mouseClick(ok, Qt::LeftButton);
            settle();
            if (calc && calc->isVisible()) {
                QTest::mouseClick(calc->findChild<QPushButton*>(QStringLiteral("cmdCancel")), Qt::LeftButton);
                settle();
            }
        }
    }
    QTest::mouseClick(button(pick({"cmdOK", "cmdOK", "cmdCancel"}).toLatin1().constData()), Qt::LeftButton);
    settle();
}

void ActionPlayer::distinct() {
    goTo(frmQDM::BuildQuery);
    auto* box = find<QCheckBox>("chkDistinct");
    if (!box->isEnabled() || !box->isVisibleTo(w()))
        throw Inapplicable{};
    box->click();
    settle();
}

void ActionPlayer::reset() {
    goTo(frmQDM::BuildQuery);
    host_.prompts->answer(pick({"Yes", "Yes", "No"}) == u"Yes" ? Prompts::Answer::Yes : Prompts::Answer::No);
    click("cmdResetSQL");
}

void ActionPlayer::sqlView() {
    goTo(frmQDM::BuildQuery);
    click("cmdSQLView");
}

void ActionPlayer::saveAndReopen() {
    if (!find<QAbstractButton>("cmdSaveQuery")->isEnabled() || !find<QAbstractButton>("cmdOpenQuery")->isEnabled())
        throw Inapplicable{};
    host_.reopen(host_.newQueryPath());
    settle();
}

}  // namespace lorvane::explorer
