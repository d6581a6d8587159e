#include "frmFieldOrder.h"

#include "BuilderWidgets.h"
#include "frmCalcFields.h"
#include "platform/Prompts.h"
#include "shared/BuilderSettings.h"
#include "shared/MessageCatalogue.h"
#include "shared/QueryState.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace lorvane {

using Mode = FieldOrderRows::Mode;

frmFieldOrder::frmFieldOrder(QueryState& state, Prompts& prompts, Mode mode, QWidget* parent)
    : QDialog(parent), s_(state), prompts_(prompts), rows_(state, mode) {
    setObjectName(QStringLiteral("frmFieldOrder"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(MessageCatalogue::text(mode == Mode::Group ? 239 : mode == Mode::Order ? 240 : 241));
    auto* page = new QGridLayout(this);

    auto* fieldsFrame = captionFrame(this, "fraFields", 148);
    auto* fieldsLayout = new QHBoxLayout(fieldsFrame);
    fields_ = namedList(fieldsFrame, "lstFields");
    aliases_ = namedList(fieldsFrame, "lstAlias");
    // The alias list only follows the field list; the user selects in the field list.
    aliases_->setSelectionMode(QAbstractItemView::NoSelection);
    aliases_->setFocusPolicy(Qt::NoFocus);
    fieldsLayout->addWidget(fields_, 3);
    fieldsLayout->addWidget(aliases_, 1);
    page->addWidget(fieldsFrame, 0, 0, 4, 1);

    auto* orderFrame = captionFrame(this, "fraOrder", 149);
    auto* orderLayout = new QVBoxLayout(orderFrame);
    up_ = commandButton(orderFrame, "cmdUpDown(0)", QStringLiteral("Up"));
    down_ = commandButton(orderFrame, "cmdUpDown(1)", QStringLiteral("Down"));
    orderLayout->addWidget(up_);
    orderLayout->addWidget(down_);
    page->addWidget(orderFrame, 0, 1);

    output_ = namedCheck(this, "chkOutput", QStringLiteral("Output"));
    output_->setProperty("tag", QStringLiteral("150"));
    page->addWidget(output_, 1, 1);
    edit_ = commandButton(this, "cmdEdit", QStringLiteral("&Edit"));
    edit_->setToolTip(MessageCatalogue::text(241));
    delete_ = commandButton(this, "cmdDelete", QStringLiteral("&Delete"), 233);
    delete_->setToolTip(MessageCatalogue::text(244));
    page->addWidget(edit_, 2, 1);
    page->addWidget(delete_, 3, 1);

    auto* aliasRow = new QHBoxLayout;
    aliasRow->addWidget(captionLabel(this, "lblAlias", 151));
    alias_ = new QLineEdit(this);
    alias_->setObjectName(QStringLiteral("txtAlias"));
    alias_->setReadOnly(true);
    aliasRow->addWidget(alias_, 1);
    page->addLayout(aliasRow, 4, 0, 1, 2);

    auto* buttons = new QHBoxLayout;
    auto* okButton = commandButton(this, "cmdOK", QStringLiteral("&OK"), 231);
    auto* cancel = commandButton(this, "cmdCancel", QStringLiteral("&Cancel"), 230);
    buttons->addStretch();
    buttons->addWidget(okButton);
    buttons->addWidget(cancel);
    for (QPushButton* b : {up_, down_, edit_, delete_, okButton, cancel})
        b->setAutoDefault(false);
    page->addLayout(buttons, 5, 0, 1, 2);
    applyCatalogueCaptions(this, 246);

    fill();

    connect(fields_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            select();
    });
    connect(up_, &QPushButton::clicked, this, [this] { move(-1); });
    connect(down_, &QPushButton::clicked, this, [this] { move(1); });
    connect(output_, &QCheckBox::clicked, this, &frmFieldOrder::outputClicked);
    connect(delete_, &QPushButton::clicked, this, &frmFieldOrder::remove);
    connect(edit_, &QPushButton::clicked, this, &frmFieldOrder::editCalcField);
    connect(okButton, &QPushButton::clicked, this, &frmFieldOrder::ok);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void frmFieldOrder::fill() {
    const QSignalBlocker blocker(fields_);
    fields_->clear();
    aliases_->clear();
    const Mode mode = rows_.mode();
    edit_->setVisible(mode == Mode::Calc);
    output_->setVisible(mode != Mode::Order);
    aliases_->setVisible(mode == Mode::Calc);
    for (const FieldOrderRows::Entry& e : rows_.entries()) {
        fields_->addItem(e.text);
        if (mode == Mode::Calc)
            aliases_->addItem(e.alias);
    }
    // Nothing does anything until an entry is selected.
    for (QWidget* w : std::initializer_list<QWidget*>{up_, down_, edit_, delete_, output_})
        w->setEnabled(false);
    output_->setChecked(false);
    alias_->clear();
}

FieldOrderRows::Entry frmFieldOrder::current() const {
    const int row = fields_->currentRow();
    if (row < 0)
        return {};
    QListWidgetItem* alias = aliases_->item(row);
    return {fields_->item(row)->text(), alias ? alias->text() : QString()};
}

void frmFieldOrder::select() {
    const int row = fields_->currentRow();
    const FieldOrderRows::Entry entry = current();
    const Mode mode = rows_.mode();
    delete_->setEnabled(true);
    if (mode == Mode::Order) {
        output_->setEnabled(false);
        edit_->setEnabled(false);
    } else {
        output_->setEnabled(true);
        output_->setVisible(true);
        output_->setChecked(rows_.output(entry));
        edit_->setEnabled(mode == Mode::Calc);
    }
    if (mode == Mode::Calc)
        aliases_->setCurrentRow(row);
    const int count = fields_->count();
    up_->setEnabled(count >= 2 && row > 0);
    down_->setEnabled(count >= 2 && row < count - 1);
    fields_->setToolTip(entry.text);
    alias_->setText(rows_.aliasOf(entry.text));
}

void frmFieldOrder::move(int by) {
    const int row = fields_->currentRow();
    const int to = row + by;
    if (row < 0 || to < 0 || to >= fields_->count())
        return;
    {
        const QSignalBlocker blocker(fields_);
        fields_->insertItem(to, fields_->takeItem(row));
        if (rows_.mode() == Mode::Calc && aliases_->count() == fields_->count())
            aliases_->insertItem(to, aliases_->takeItem(row));
        fields_->setCurrentRow(to);
    }
    select();
}

void frmFieldOrder::outputClicked(bool on) {
    const FieldOrderRows::Entry entry = current();
    if (!entry.text.isEmpty())
        rows_.setOutput(entry, on);
}

void frmFieldOrder::remove() {
    const FieldOrderRows::Entry entry = current();
    if (entry.text.isEmpty())
        return;
    const Prompts::Answer answer = prompts_.message({MessageCatalogue::text(177), s_.settings().VLNRunTimeControlCaption,
                                                     Prompts::Icon::Question, Prompts::Buttons::YesNo});
    if (answer != Prompts::Answer::Yes)
        return;
    rows_.remove(entry);
    fill();
}

void frmFieldOrder::editCalcField() {
    const FieldOrderRows::Entry entry = current();
    if (rows_.mode() != Mode::Calc || entry.text.isEmpty())
        return;
    frmCalcFields::EditState& edit = frmCalcFields::Edit();
    edit.expression = entry.text;
    edit.alias = entry.alias;
    edit.show = rows_.output(entry);
    edit.accepted = false;
    auto* dialog = new frmCalcFields(s_, prompts_, this);
    connect(dialog, &QDialog::finished, this, [this, old = entry.text] {
        frmCalcFields::EditState& e = frmCalcFields::Edit();
        if (e.accepted && !e.result.isEmpty())
            rows_.replaceExpression(old, e.result);
        e.accepted = false;
        e.result.clear();
        fill();
    });
    dialog->open();
}

void frmFieldOrder::ok() {
    QList<FieldOrderRows::Entry> order;
    for (int i = 0; i < fields_->count(); ++i) {
        QListWidgetItem* alias = aliases_->item(i);
        order.push_back({fields_->item(i)->text(), alias ? alias->text() : QString()});
    }
    rows_.rewrite(order);
    accept();
}

}  // namespace lorvane
