#include "DemoWindow.h"

#include "shared/clsFunctions.h"

#include "control/ConnectionStringDialog.h"
#include "control/Lorvanev2.h"
#include "platform/QtPrompts.h"
#include "shared/clsField.h"
#include "shared/clsTable.h"
#include "platform/PropertyBag.h"
#include "platform/VLNError.h"

#include <QCheckBox>
#include <QDir>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QMetaProperty>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QTime>
#include <QVBoxLayout>

using lorvane::Lorvanev2;

namespace {
constexpr int kNameColumn = 0;
constexpr int kValueColumn = 1;

QString displayValue(const QMetaProperty& p, const QVariant& v) {
    if (p.isEnumType())
        return QString::fromLatin1(p.enumerator().valueToKey(v.toInt()));
    if (v.metaType() == QMetaType::fromType<lorvane::Picture>()) {
        const auto picture = v.value<lorvane::Picture>();
        return !picture ? QStringLiteral("(no picture)") : picture->isNull() ? QStringLiteral("(empty picture)")
                                                                             : QStringLiteral("(picture)");
    }
    if (v.typeId() == QMetaType::QFont)
        return v.value<QFont>().toString();
    if (v.typeId() == QMetaType::UInt)
        return QStringLiteral("0x%1").arg(v.toUInt(), 8, 16, QLatin1Char('0'));
    return v.toString();
}
}  // namespace

DemoWindow::DemoWindow(const QString& databasePath, QWidget* parent)
    : QMainWindow(parent), databasePath_(databasePath) {
    setWindowTitle(QStringLiteral("Lorvane demo host"));
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);

    auto* top = new QHBoxLayout;
    component_ = new Lorvanev2(central);
    component_->setObjectName(QStringLiteral("Lorvanev21"));
    top->addWidget(component_);
    auto* info = new QLabel(QStringLiteral("Sample database: %1").arg(QDir::toNativeSeparators(databasePath_)), central);
    info->setObjectName(QStringLiteral("lblDatabase"));
    info->setTextInteractionFlags(Qt::TextSelectableByMouse);
    top->addWidget(info, 1);
    auto* save = new QPushButton(QStringLiteral("Save settings..."), central);
    save->setObjectName(QStringLiteral("cmdSaveSettings"));
    auto* load = new QPushButton(QStringLiteral("Load settings..."), central);
    load->setObjectName(QStringLiteral("cmdLoadSettings"));
    top->addWidget(save);
    top->addWidget(load);
    layout->addLayout(top);

    layout->addWidget(buildConnectionPanel(central));

    auto* splitter = new QSplitter(Qt::Vertical, central);
    auto* middle = new QSplitter(Qt::Horizontal, splitter);
    properties_ = new QTableWidget(0, 2, middle);
    properties_->setObjectName(QStringLiteral("tblProperties"));
    properties_->setHorizontalHeaderLabels({QStringLiteral("Property"), QStringLiteral("Value")});
    properties_->horizontalHeader()->setSectionResizeMode(kValueColumn, QHeaderView::Stretch);
    properties_->verticalHeader()->hide();
    tables_ = new QListWidget(middle);
    tables_->setObjectName(QStringLiteral("lstTables"));
    tables_->setToolTip(QStringLiteral("The table collection (VLNTablesAndFields.Table)"));
    fields_ = new QListWidget(middle);
    fields_->setObjectName(QStringLiteral("lstFields"));
    fields_->setToolTip(QStringLiteral("The field collection (VLNTablesAndFields.Field)"));
    middle->setStretchFactor(0, 3);
    middle->setStretchFactor(1, 1);
    middle->setStretchFactor(2, 1);
    log_ = new QPlainTextEdit(splitter);
    log_->setObjectName(QStringLiteral("txtEventLog"));
    log_->setReadOnly(true);
    log_->setPlaceholderText(QStringLiteral("Events raised by the component appear here."));
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 1);
    layout->addWidget(splitter, 1);
    setCentralWidget(central);
    resize(1000, 720);

    fillProperties();
    connect(properties_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (!filling_ && item->column() == kValueColumn)
            applyEdit(item->row());
    });
    connect(component_, &Lorvanev2::propertyChanged, this, [this](const QString& key) {
        logEvent(QStringLiteral("PropertyChanged(\"%1\")").arg(key));
        refreshProperty(key);
        refreshProperty(QStringLiteral("VLNActiveConnectionString"));
    });
    connect(component_, &Lorvanev2::ConnectionComplete, this,
            [this](int number, const QString& description, const QString& source) {
                logEvent(QStringLiteral("ConnectionComplete(%1, \"%2\", \"%3\")").arg(number).arg(description, source));
                refreshCollections();
                refreshProperty(QStringLiteral("VLNActiveConnectionString"));
            });
    connect(component_, &Lorvanev2::VLNAlreadyLoaded, this, [this] { logEvent(QStringLiteral("VLNAlreadyLoaded()")); });
    connect(component_, &Lorvanev2::SavedQuerySQL, this,
            [this](const QString& sql) { logEvent(QStringLiteral("SavedQuerySQL(\"%1\")").arg(sql)); });
    connect(component_, &Lorvanev2::ExportData, this, [this] { logEvent(QStringLiteral("ExportData()")); });
    connect(component_, &Lorvanev2::QueryExecuted, this,
            [this](int number, const QString& error, const QString& sql, std::shared_ptr<lorvane::RecordSet> results) {
                const QString rows = results && results->IsOpen() ? QString::number(results->RecordCount())
                                                                  : QStringLiteral("no record set");
                logEvent(QStringLiteral("QueryExecuted(%1, \"%2\", \"%3\", %4 rows)").arg(number).arg(error, sql, rows));
            });
    connect(component_, &Lorvanev2::QuerySaved, this,
            [this](const QString& name) { logEvent(QStringLiteral("QuerySaved(\"%1\")").arg(name)); });
    connect(component_, &Lorvanev2::QueryDeleted, this,
            [this](const QString& name) { logEvent(QStringLiteral("QueryDeleted(\"%1\")").arg(name)); });
    connect(component_, &Lorvanev2::VLNUnloaded, this,
            [this](const QString& error) { logEvent(QStringLiteral("VLNUnloaded(\"%1\")").arg(error)); });
    connect(component_, &Lorvanev2::UserCreatedView, this, [this](const QString& view, const QString& action) {
        logEvent(QStringLiteral("UserCreatedView(\"%1\", \"%2\")").arg(view, action));
    });
    connect(component_, &Lorvanev2::OpenSavedQuery, this, [this] {
        logEvent(QStringLiteral("OpenSavedQuery()"));
        // As a host should: connect in open-query mode (the builder asks which query) and show
        // the builder again, once the closing window has finished.
        QMetaObject::invokeMethod(
            this,
            [this] {
                component_->VLNMakeConnection(QString(), QString(), QString(), connectTimeout_->value(),
                                              commandTimeout_->value(), maxRecords_->value(), true, QString(),
                                              removeSystemTables_->isChecked());
                showBuilder();
            },
            Qt::QueuedConnection);
    });
    connect(save, &QPushButton::clicked, this, &DemoWindow::saveSettings);
    connect(load, &QPushButton::clicked, this, &DemoWindow::loadSettings);
}

QWidget* DemoWindow::buildConnectionPanel(QWidget* parent) {
    auto* box = new QGroupBox(QStringLiteral("Connection"), parent);
    auto* form = new QFormLayout(box);
    connectionString_ = new QLineEdit(QStringLiteral("Provider=SQLite;Data Source=") + databasePath_, box);
    connectionString_->setObjectName(QStringLiteral("txtConnectionString"));
    auto* stringRow = new QHBoxLayout;
    stringRow->addWidget(connectionString_, 1);
    auto* buildButton = new QPushButton(QStringLiteral("Build..."), box);
    buildButton->setObjectName(QStringLiteral("cmdBuildConnection"));
    stringRow->addWidget(buildButton);
    form->addRow(QStringLiteral("Connection string"), stringRow);
    // The project's connection-string builder fills the box.
    connect(buildButton, &QPushButton::clicked, this, [this] {
        lorvane::ConnectionStringDialog dialog(std::make_shared<lorvane::QtPrompts>(this), this);
        if (dialog.exec() == QDialog::Accepted)
            connectionString_->setText(dialog.connectionString());
    });
    auto* row = new QHBoxLayout;
    userName_ = new QLineEdit(box);
    userName_->setObjectName(QStringLiteral("txtUserName"));
    userName_->setPlaceholderText(QStringLiteral("user name"));
    password_ = new QLineEdit(box);
    password_->setObjectName(QStringLiteral("txtPassword"));
    password_->setPlaceholderText(QStringLiteral("password"));
    password_->setEchoMode(QLineEdit::Password);
    auto spin = [box](const char* name, int value, const QString& suffix) {
        auto* s = new QSpinBox(box);
        s->setObjectName(QString::fromLatin1(name));
        s->setRange(0, 1000000);
        s->setValue(value);
        s->setPrefix(suffix);
        return s;
    };
    connectTimeout_ = spin("spnConnectTimeout", 15, QStringLiteral("connect s: "));
    commandTimeout_ = spin("spnCommandTimeout", 30, QStringLiteral("command s: "));
    maxRecords_ = spin("spnMaxRecords", 0, QStringLiteral("row limit: "));
    removeSystemTables_ = new QCheckBox(QStringLiteral("Remove system tables"), box);
    removeSystemTables_->setObjectName(QStringLiteral("chkRemoveSystemTables"));
    removeSystemTables_->setChecked(true);
    auto* connectButton = new QPushButton(QStringLiteral("Connect"), box);
    connectButton->setObjectName(QStringLiteral("cmdConnect"));
    auto* disconnectButton = new QPushButton(QStringLiteral("Disconnect"), box);
    disconnectButton->setObjectName(QStringLiteral("cmdDisconnect"));
    auto* showButton = new QPushButton(QStringLiteral("Show builder"), box);
    showButton->setObjectName(QStringLiteral("cmdShowBuilder"));
    for (QWidget* w : std::initializer_list<QWidget*>{userName_, password_, connectTimeout_, commandTimeout_, maxRecords_,
                                                      removeSystemTables_, connectButton, disconnectButton, showButton})
        row->addWidget(w);
    form->addRow(row);
    connect(connectButton, &QPushButton::clicked, this, &DemoWindow::connectToDatabase);
    connect(showButton, &QPushButton::clicked, this, &DemoWindow::showBuilder);
    connect(disconnectButton, &QPushButton::clicked, this, [this] {
        component_->VLNDisconnectConnection();
        logEvent(QStringLiteral("VLNDisconnectConnection()"));
        refreshProperty(QStringLiteral("VLNActiveConnectionString"));
    });
    return box;
}

void DemoWindow::connectToDatabase() {
    component_->VLNMakeConnection(connectionString_->text(), userName_->text(), password_->text(),
                                  connectTimeout_->value(), commandTimeout_->value(), maxRecords_->value(), false,
                                  QString(), removeSystemTables_->isChecked());
}

void DemoWindow::showBuilder() {
    // The builder empties the function list when it closes: a host offers its functions again
    // before each show (and not twice while the window is open).
    if (!lorvane::Lorvanev2::builderWindow()) {
        auto* calc = qobject_cast<lorvane::clsCalcFieldFunctions*>(component_->VLNCalcFieldFunctions());
        if (calc) {
            lorvane::clsFunctions& functions = calc->Functions();
            functions.RemoveAll();
            for (const char* f : {"ABS(", "ROUND(", "UPPER(", "LOWER(", "LENGTH(", "SUBSTR(", "COALESCE(", "DATE("})
                functions.Add(QString::fromLatin1(f));
        }
        delete calc;
    }
    component_->VLNShowLorvane();
}

void DemoWindow::refreshCollections() {
    tables_->clear();
    tables_->addItems(lorvane::clsTable::shared().TableNames());
    fields_->clear();
    QStringList keys;
    for (const auto& entry : lorvane::clsField::shared().entries())
        keys << entry.key;
    fields_->addItems(keys);
}

void DemoWindow::fillProperties() {
    filling_ = true;
    const QMetaObject* mo = component_->metaObject();
    properties_->setRowCount(0);
    for (int i = mo->propertyOffset(); i < mo->propertyCount(); ++i) {
        const QMetaProperty p = mo->property(i);
        const int row = properties_->rowCount();
        properties_->insertRow(row);
        auto* name = new QTableWidgetItem(QString::fromLatin1(p.name()));
        name->setFlags(Qt::ItemIsEnabled);
        const int help = mo->indexOfClassInfo(p.name());
        if (help >= 0)
            name->setToolTip(QString::fromUtf8(mo->classInfo(help).value()));
        properties_->setItem(row, kNameColumn, name);
        auto* value = new QTableWidgetItem;
        const bool editable = p.isWritable() && p.typeId() != QMetaType::QFont &&
                              p.metaType() != QMetaType::fromType<lorvane::Picture>();
        if (p.typeId() == QMetaType::Bool) {
            value->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        } else {
            value->setFlags(editable ? Qt::ItemIsEnabled | Qt::ItemIsEditable | Qt::ItemIsSelectable
                                     : Qt::ItemIsEnabled);
        }
        properties_->setItem(row, kValueColumn, value);
    }
    filling_ = false;
    for (int i = mo->propertyOffset(); i < mo->propertyCount(); ++i)
        refreshProperty(QString::fromLatin1(mo->property(i).name()));
    properties_->resizeColumnToContents(kNameColumn);
}

void DemoWindow::refreshProperty(const QString& name) {
    const QMetaObject* mo = component_->metaObject();
    const int index = mo->indexOfProperty(name.toLatin1().constData());
    if (index < 0)
        return;
    const int row = index - mo->propertyOffset();
    QTableWidgetItem* item = properties_->item(row, kValueColumn);
    if (!item)
        return;
    const QMetaProperty p = mo->property(index);
    const QVariant v = p.read(component_);
    filling_ = true;
    if (p.typeId() == QMetaType::Bool)
        item->setCheckState(v.toBool() ? Qt::Checked : Qt::Unchecked);
    else
        item->setText(displayValue(p, v));
    filling_ = false;
}

void DemoWindow::applyEdit(int row) {
    const QMetaObject* mo = component_->metaObject();
    const QMetaProperty p = mo->property(mo->propertyOffset() + row);
    const QTableWidgetItem* item = properties_->item(row, kValueColumn);
    QVariant value;
    if (p.typeId() == QMetaType::Bool) {
        value = item->checkState() == Qt::Checked;
    } else if (p.isEnumType()) {
        bool ok = false;
        const int n = p.enumerator().keyToValue(item->text().toLatin1().constData(), &ok);
        value = ok ? n : item->text().toInt();
    } else if (p.typeId() == QMetaType::UInt) {
        bool ok = false;
        value = item->text().toUInt(&ok, 0);
    } else {
        value = item->text();
    }
    p.write(component_, value);
    // A write may be refused or change other properties: show what the component holds.
    refreshProperty(QString::fromLatin1(p.name()));
}

void DemoWindow::logEvent(const QString& text) {
    log_->appendPlainText(QTime::currentTime().toString(QStringLiteral("HH:mm:ss  ")) + text);
}

void DemoWindow::saveSettings() {
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save settings"), QString(),
                                                      QStringLiteral("Property bags (*.bag)"));
    if (path.isEmpty())
        return;
    try {
        lorvane::FilePropertyBag bag(path);
        component_->writeProperties(bag);
        bag.Save();
        logEvent(QStringLiteral("Settings saved to %1").arg(path));
    } catch (const lorvane::VLNError& e) {
        QMessageBox::critical(this, windowTitle(), e.description());
    }
}

void DemoWindow::loadSettings() {
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Load settings"), QString(),
                                                      QStringLiteral("Property bags (*.bag)"));
    if (path.isEmpty())
        return;
    try {
        lorvane::FilePropertyBag bag(path);
        bag.Load();
        component_->readProperties(bag);
        fillProperties();
        logEvent(QStringLiteral("Settings loaded from %1").arg(path));
    } catch (const lorvane::VLNError& e) {
        QMessageBox::critical(this, windowTitle(), e.description());
    }
}
