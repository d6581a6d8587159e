#include "frmCalcFields.h"

#include "BuilderWidgets.h"
#include "platform/Connection.h"
#include "platform/Prompts.h"
#include "query/CalcFields.h"
#include "query/SelectList.h"
#include "shared/BuilderSettings.h"
#include "shared/MessageCatalogue.h"
#include "shared/QueryState.h"
#include "shared/clsFunctions.h"
#include "storage/DatabaseView.h"
#include "query/SelectList.h"
#include "query/Statement.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

namespace lorvane {

namespace {

const QStringList kOperators{"+", "-", "/", "*", "&", "=", ">", "<", "(", ")", "'"};

QListWidget* framedList(QWidget* parent, QLayout* into, const char* frameName, const QString& caption,
                        const char* listName) {
    auto* frame = captionFrame(parent, frameName, 0);
    frame->setTitle(caption);
    auto* layout = new QVBoxLayout(frame);
    auto* list = namedList(frame, listName);
    layout->addWidget(list);
    into->addWidget(frame);
    return list;
}

}  // namespace

frmCalcFields::EditState& frmCalcFields::Edit() {
    static auto* state = new EditState;
    return *state;
}

frmCalcFields::frmCalcFields(QueryState& state, Prompts& prompts, QWidget* parent)
    : QDialog(parent), s_(state), prompts_(prompts) {
    setObjectName(QStringLiteral("frmCalcFields"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(MessageCatalogue::text(146));
    auto* page = new QVBoxLayout(this);

    auto* criteria = captionFrame(this, "fraCriteria", 0);
    criteria->setTitle(QStringLiteral("Calculated Field Criteria"));
    auto* criteriaLayout = new QVBoxLayout(criteria);
    expression_ = new QTextEdit(criteria);
    expression_->setObjectName(QStringLiteral("txtCriteria"));
    expression_->setAcceptRichText(false);
    expression_->setMaximumHeight(80);
    criteriaLayout->addWidget(expression_);
    page->addWidget(criteria);

    auto* aliasRow = new QHBoxLayout;
    aliasRow->addWidget(captionLabel(this, "lblAlias", 145));
    alias_ = new QLineEdit(this);
    alias_->setObjectName(QStringLiteral("txtAlias"));
    aliasRow->addWidget(alias_, 1);
    page->addLayout(aliasRow);
    show_ = namedCheck(this, "chkShowField", MessageCatalogue::text(144));
    show_->setChecked(true);
    page->addWidget(show_);

    auto* lists = new QHBoxLayout;
    fields_ = framedList(this, lists, "fraQueryFields", QStringLiteral("Query Fields"), "lstCalcFields");
    operators_ = framedList(this, lists, "fraOperators", QStringLiteral("Operators"), "lstOperators");
    functions_ = framedList(this, lists, "fraFunctions", QStringLiteral("Calculated Field Functions"), "lstFunctions");
    operators_->setMaximumWidth(80);
    page->addLayout(lists, 1);

    auto* buttons = new QHBoxLayout;
    auto* clear = commandButton(this, "cmdClear", MessageCatalogue::text(143));
    ok_ = commandButton(this, "cmdOK", QStringLiteral("&OK"), 231);
    auto* cancelButton = commandButton(this, "cmdCancel", QStringLiteral("&Cancel"), 230);
    buttons->addWidget(clear);
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancelButton);
    for (QPushButton* b : {clear, ok_, cancelButton})
        b->setAutoDefault(false);
    page->addLayout(buttons);
    applyCatalogueCaptions(this, 246);

    // The lists: the host's functions as given, the fixed operators, the query's fields with
    // the totals and calculated fields already defined.
    functions_->addItems(clsFunctions::shared().texts());
    operators_->addItems(kOperators);
    const QList<CalcFields::Entry> entries = CalcFields(s_).fieldEntries();
    QStringList shortTexts, inserted;
    for (const CalcFields::Entry& e : entries) {
        shortTexts << e.shown;
        inserted << e.inserted;
    }
    // Fields of two tables with the same name show which table each is.
    const QStringList shown = shownWithTableWhereAmbiguous(shortTexts, inserted);
    for (qsizetype i = 0; i < entries.size(); ++i) {
        auto* item = new QListWidgetItem(shown[i], fields_);
        item->setData(Qt::UserRole, entries[i].inserted);
    }

    EditState& edit = Edit();
    editing_ = !edit.expression.isEmpty();
    if (editing_) {
        expression_->setPlainText(edit.expression);
        alias_->setText(edit.alias);
        // An existing field keeps its alias: criteria, totals and ordering name it.
        alias_->setEnabled(false);
        show_->setChecked(edit.show);
    }
    expression_->moveCursor(QTextCursor::End);
    updateOk();

    connect(functions_, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { insert(item->text(), true); });
    connect(functions_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { functions_->setToolTip(item->text()); });
    connect(operators_, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { insert(item->text(), false); });
    connect(fields_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        const QString full = item->data(Qt::UserRole).toString();
        fields_->setToolTip(full);
        insert(full, false);
    });
    connect(fields_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        fields_->setToolTip(item->data(Qt::UserRole).toString());
        updateOk();
    });
    connect(expression_, &QTextEdit::textChanged, this, &frmCalcFields::updateOk);
    connect(alias_, &QLineEdit::textChanged, this, &frmCalcFields::updateOk);
    connect(clear, &QPushButton::clicked, this, [this] {
        expression_->clear();
        ok_->setEnabled(false);
    });
    connect(ok_, &QPushButton::clicked, this, &frmCalcFields::ok);
    connect(cancelButton, &QPushButton::clicked, this, &frmCalcFields::reject);
}

void frmCalcFields::insert(const QString& text, bool blankBefore) {
    // The item replaces the selection; without one it goes in at the caret (a function after
    // a blank). The caret then stands after it.
    QTextCursor cursor = expression_->textCursor();
    cursor.insertText(cursor.hasSelection() || !blankBefore ? text : u' ' + text);
    expression_->setTextCursor(cursor);
    expression_->setFocus();
    updateOk();
}

void frmCalcFields::updateOk() {
    // Blanks alone are no alias and no expression: the field would be stored without one.
    ok_->setEnabled(!expression_->toPlainText().trimmed().isEmpty() && !alias_->text().trimmed().isEmpty());
}

QString frmCalcFields::databaseRefusal(const QString& expression) const {
    // Asked of the database itself, prepared over the query's tables and never run: only it
    // knows what its types allow (text divided by a number, a function over the wrong kind).
    const std::shared_ptr<Connection> connection = BuilderSettings::shared().ActiveConnection;
    if (!connection || !connection->IsOpen() || s_.FromText.trimmed().isEmpty())
        return {};
    QString statement = QStringLiteral("SELECT ") + Statement::OneLine(expression) + u' ' + s_.FromText;
    // A total beside grouped fields is asked with their grouping.
    if (SelectList::IsAggregateExpression(expression) && !s_.GroupByText.isEmpty())
        statement += u' ' + s_.GroupByText;
    if (const QString refusal = connection->ReadOnlyRefusal(statement); !refusal.isEmpty())
        return refusal;
    QString reason = DatabaseView::WhyItDoesNotRun(*connection, statement);
    while (reason.endsWith(u'.') || reason.endsWith(u'\n'))
        reason.chop(1);
    return reason;
}

void frmCalcFields::ok() {
    if (!ok_->isEnabled())
        return;
    const QString expression = expression_->toPlainText();
    CalcFields fields(s_);
    if (!fields.aggregatesKnown(expression)) {
        prompts_.message({QStringLiteral("Unable to create Calculated Field : ") + expression + QStringLiteral(".\n") +
                              QStringLiteral("Field is using an unknown Aggregate.\n") +
                              QStringLiteral("You must first create the Aggregate using the Group function") +
                              QStringLiteral(" before using the Aggregate in a Calculated field."),
                          QStringLiteral("Calc Field Creation Error"), Prompts::Icon::Critical});
        return;
    }
    if (const QString inner = SelectList::NestedAggregate(expression); !inner.isEmpty()) {
        prompts_.message({QStringLiteral("Unable to create Calculated Field : ") + expression + QStringLiteral(".\n") +
                              QStringLiteral("It puts the total ") + inner +
                              QStringLiteral(" inside another total, which the database cannot compute.\n") +
                              QStringLiteral("Use one total over the field, or the total on its own."),
                          QStringLiteral("Calc Field Creation Error"), Prompts::Icon::Critical});
        return;
    }
    if (const QString alias = fields.namedOutputAlias(expression, alias_->text()); !alias.isEmpty()) {
        prompts_.message({QStringLiteral("Unable to create Calculated Field : ") + expression + QStringLiteral(".\n") +
                              QStringLiteral("It uses the output column ") + alias +
                              QStringLiteral(", which the database cannot read within the same query.\n") +
                              QStringLiteral("Use what ") + alias + QStringLiteral(" stands for (its field or total) instead."),
                          QStringLiteral("Calc Field Creation Error"), Prompts::Icon::Critical});
        return;
    }
    if (const QString reason = databaseRefusal(expression); !reason.isEmpty()) {
        prompts_.message({QStringLiteral("Unable to create Calculated Field : ") + expression + QStringLiteral(".\n") +
                              QStringLiteral("The database cannot compute it: ") + reason + QStringLiteral(".\n") +
                              QStringLiteral("Check that the values it combines are of kinds that go together "
                                             "(numbers with numbers, text with text)."),
                          QStringLiteral("Calc Field Creation Error"), Prompts::Icon::Critical});
        return;
    }
    const CalcFields::Outcome outcome = fields.store(expression, alias_->text(), show_->isChecked(), editing_);
    EditState& edit = Edit();
    edit.accepted = true;
    edit.expression.clear();
    edit.alias.clear();
    edit.show = false;
    if (outcome == CalcFields::Outcome::DuplicateAlias) {
        prompts_.message({MessageCatalogue::text(175) + u'\n' + MessageCatalogue::text(176),
                          s_.settings().VLNRunTimeControlCaption, Prompts::Icon::Exclamation});
        alias_->setFocus();
        alias_->selectAll();
        return;
    }
    QString stored = expression;
    while (stored.startsWith(u' '))
        stored.remove(0, 1);
    edit.result = stored;
    accept();
}

void frmCalcFields::reject() {
    // Cancel, Escape and closing the window store nothing.
    EditState& e = Edit();
    e.expression.clear();
    e.alias.clear();
    e.accepted = false;
    QDialog::reject();
}

}  // namespace lorvane
