#include "VLNConnection.h"

#include "ConnectionManager.h"
#include "ConnectionStringDialog.h"
#include "Lorvanev2.h"
#include "builder/BuilderWidgets.h"
#include "platform/Prompts.h"
#include "platform/RecordSet.h"
#include "platform/VLNError.h"
#include "shared/BuilderSettings.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace lorvane {

VLNConnection::VLNConnection(std::shared_ptr<Prompts> prompts, QWidget* parent)
    : QWidget(parent), prompts_(std::move(prompts)) {
    setObjectName(QStringLiteral("VLNConnection"));
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("Connection string:"), this), 0, 0);
    connection_ = named(new QLineEdit(this), "txtQDMDataConnection");
    grid->addWidget(connection_, 0, 1, 1, 3);
    build_ = named(new QPushButton(QStringLiteral("Build..."), this), "cmdBuildConnection");
    grid->addWidget(build_, 0, 4);
    grid->addWidget(new QLabel(QStringLiteral("Connection time-out:"), this), 1, 0);
    connectTimeout_ = named(new QLineEdit(this), "txtConnectionTimeout");
    grid->addWidget(connectTimeout_, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Command time-out:"), this), 1, 2);
    commandTimeout_ = named(new QLineEdit(this), "txtCommandTimeout");
    grid->addWidget(commandTimeout_, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("List:"), this), 2, 0);
    commandType_ = named(new QComboBox(this), "cmbQDMCommandType");
    commandType_->addItems({QStringLiteral("Tables"), QStringLiteral("Views"), QStringLiteral("Both")});
    commandType_->setCurrentIndex(-1);
    grid->addWidget(commandType_, 2, 1);
    available_ = named(new QListWidget(this), "lstQDMSelTables");
    selected_ = named(new QListWidget(this), "lstQDMSelectedTables");
    toSelected_ = named(new QPushButton(QStringLiteral(">"), this), "cmdTables(0)");
    toAvailable_ = named(new QPushButton(QStringLiteral("<"), this), "cmdTables(1)");
    grid->addWidget(available_, 3, 0, 2, 2);
    grid->addWidget(toSelected_, 3, 2);
    grid->addWidget(toAvailable_, 4, 2);
    grid->addWidget(selected_, 3, 3, 2, 2);
    updateButtons();

    connect(connection_, &QLineEdit::textChanged, this, &VLNConnection::connectionEdited);
    connect(commandType_, &QComboBox::currentTextChanged, this, &VLNConnection::listCatalogue);
    for (QLineEdit* box : {connectTimeout_, commandTimeout_})
        connect(box, &QLineEdit::textChanged, this, [this, box] { timeoutEdited(box); });
    connect(available_, &QListWidget::itemDoubleClicked, this, [this] { move(available_, selected_); });
    connect(selected_, &QListWidget::itemDoubleClicked, this, [this] { move(selected_, available_); });
    connect(toSelected_, &QPushButton::clicked, this, [this] { move(available_, selected_); });
    connect(toAvailable_, &QPushButton::clicked, this, [this] { move(selected_, available_); });
    for (QListWidget* list : {available_, selected_})
        connect(list, &QListWidget::itemClicked, this, [this, list](QListWidgetItem* item) {
            list->setToolTip(item->text());
            updateButtons();
        });
    connect(build_, &QPushButton::clicked, this, &VLNConnection::buildConnection);
    // The project's connection-string builder, unless the host sets another.
    builder_ = [this]() -> std::optional<QString> {
        ConnectionStringDialog dialog(prompts_, this);
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        return dialog.connectionString();
    };
}

VLNConnection::~VLNConnection() {
    // The catalogue read for the lists is not kept past the page.
    BuilderSettings& s = BuilderSettings::shared();
    try {
        if (s.TableSchema && s.TableSchema->IsOpen())
            s.TableSchema->Close();
    } catch (const VLNError&) {
    }
    s.TableSchema.reset();
}

void VLNConnection::setConnectionBuilder(std::function<std::optional<QString>()> builder) {
    builder_ = std::move(builder);
}

void VLNConnection::setComponent(Lorvanev2* component) {
    component_ = component;
    filling_ = true;
    selected_->clear();
    commandTimeout_->setText(QString::number(component->VLNCommandTimeout()));
    connectTimeout_->setText(QString::number(component->ConnectionTimeout()));
    connection_->setText(component->VLNConnectionString());
    tableString_ = component->VLNTableString();
    const int type = commandType_->findText(component->VLNCommandType());
    if (type == commandType_->currentIndex())
        listCatalogue();
    else
        commandType_->setCurrentIndex(type);
    commandType_->setEnabled(!connection_->text().isEmpty());
    // The saved tables, split as the connection splits them; those leave the available list.
    for (const QString& name : tableString_.split(u';', Qt::SkipEmptyParts))
        selected_->addItem(name);
    for (int i = available_->count() - 1; i >= 0; --i)
        if (!selected_->findItems(available_->item(i)->text(), Qt::MatchExactly).isEmpty())
            delete available_->takeItem(i);
    filling_ = false;
    changed_ = false;
    updateButtons();
}

void VLNConnection::listCatalogue() {
    const QString type = commandType_->currentText();
    if (type.isEmpty() || connection_->text().isEmpty())
        return;
    const QVariantList failure = ConnectionManager().OpenDatabaseConnection(
        connection_->text(), connectTimeout_->text().toInt(), commandTimeout_->text().toInt(), QString(), QString());
    if (!failure.isEmpty()) {
        prompts_->message({failure.value(0).toString() + u'\n' + QString::number(failure.value(1).toLongLong()) + u'\n' +
                               failure.value(2).toString(),
                           QStringLiteral("VLNConnection Control"), Prompts::Icon::Critical});
        return;
    }
    available_->clear();
    const bool tables = type == u"Tables" || type == u"Both";
    const bool views = type == u"Views" || type == u"Both";
    available_->setEnabled(tables || views);
    const std::shared_ptr<RecordSet>& schema = BuilderSettings::shared().TableSchema;
    if (schema && schema->IsOpen() && (tables || views)) {
        const int name = schema->FieldIndex(QStringLiteral("TABLE_NAME"));
        const int kind = schema->FieldIndex(QStringLiteral("Table_Type"));
        for (qint64 r = 0; r < schema->RecordCount(); ++r) {
            const QString k = schema->ValueAt(r, kind).toString();
            if ((tables && k == u"TABLE") || (views && k == u"VIEW"))
                available_->addItem(schema->ValueAt(r, name).toString());
        }
    }
    changed_ = true;
    updateButtons();
}

void VLNConnection::connectionEdited(const QString& text) {
    if (!text.isEmpty()) {
        commandType_->setEnabled(true);
        return;
    }
    available_->clear();
    selected_->clear();
    commandType_->setCurrentIndex(-1);
    commandType_->setEnabled(false);
    updateButtons();
}

void VLNConnection::timeoutEdited(QLineEdit* box) {
    bool number = false;
    const int value = box->text().toInt(&number);
    if (number && value >= 0) {
        changed_ = changed_ || !filling_;
        return;
    }
    prompts_->message({QStringLiteral("Must be a number greater or equal to 0"), QStringLiteral("VLNConnection Control"),
                       Prompts::Icon::Critical});
    box->setText(QStringLiteral("60"));
}

void VLNConnection::move(QListWidget* from, QListWidget* to) {
    const int row = from->currentRow();
    if (row < 0)
        return;
    to->addItem(from->item(row)->text());
    delete from->takeItem(row);
    if (from->count() > 0)
        from->setCurrentRow(std::min(row, from->count() - 1));
    tableString_.clear();
    for (int i = 0; i < selected_->count(); ++i)
        tableString_ += u';' + selected_->item(i)->text();
    changed_ = true;
    updateButtons();
}

void VLNConnection::updateButtons() {
    toSelected_->setEnabled(available_->currentItem() != nullptr);
    toAvailable_->setEnabled(selected_->currentItem() != nullptr);
}

void VLNConnection::buildConnection() {
    if (!builder_)
        return;
    toSelected_->setEnabled(false);
    toAvailable_->setEnabled(false);
    tableString_.clear();
    available_->clear();
    selected_->clear();
    commandType_->setCurrentIndex(-1);
    if (const std::optional<QString> built = builder_(); built && !built->isEmpty())
        connection_->setText(*built);
}

QList<QPair<QByteArray, QVariant>> VLNConnection::values() const {
    return {{"VLNConnectionString", connection_->text()},
            {"VLNCommandTimeout", commandTimeout_->text().toInt()},
            {"ConnectionTimeout", connectTimeout_->text().toInt()},
            {"VLNCommandType", commandType_->currentText()},
            {"VLNTableString", tableString_}};
}

void VLNConnection::apply() {
    if (!component_)
        return;
    for (const auto& [name, value] : values())
        component_->setProperty(name.constData(), value);
    changed_ = false;
}

}  // namespace lorvane
