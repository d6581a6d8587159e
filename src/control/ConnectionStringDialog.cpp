#include "ConnectionStringDialog.h"

#include "builder/BuilderWidgets.h"
#include "platform/Connection.h"
#include "platform/ConnectionString.h"
#include "platform/OdbcSources.h"
#include "platform/Prompts.h"
#include "platform/VLNError.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace lorvane {

namespace {
constexpr int kMariaDb = 3;  // the kinds' order: SQLite, PostgreSQL, ODBC, MariaDB
}

ConnectionStringDialog::ConnectionStringDialog(std::shared_ptr<Prompts> prompts, QWidget* parent)
    : QDialog(parent), prompts_(std::move(prompts)) {
    setObjectName(QStringLiteral("ConnectionStringDialog"));
    setWindowTitle(QStringLiteral("Connection"));
    auto* page = new QVBoxLayout(this);
    kind_ = named(new QComboBox(this), "cmbKind");
    kind_->addItems({QStringLiteral("SQLite"), QStringLiteral("PostgreSQL"), QStringLiteral("ODBC"),
                     QStringLiteral("MariaDB / MySQL")});
    page->addWidget(kind_);
    pages_ = new QStackedWidget(this);
    page->addWidget(pages_);

    auto* sqlite = new QWidget(pages_);
    auto* sqliteForm = new QFormLayout(sqlite);
    auto* fileRow = new QHBoxLayout;
    sqliteFile_ = named(new QLineEdit(sqlite), "txtSqliteFile");
    auto* browse = named(new QPushButton(QStringLiteral("Browse..."), sqlite), "cmdBrowse");
    fileRow->addWidget(sqliteFile_, 1);
    fileRow->addWidget(browse);
    sqliteForm->addRow(QStringLiteral("Database file:"), fileRow);
    sqliteCreate_ = named(new QCheckBox(QStringLiteral("Create the file when it is missing"), sqlite), "chkCreate");
    sqliteForm->addRow(sqliteCreate_);
    pages_->addWidget(sqlite);

    auto* pg = new QWidget(pages_);
    auto* pgForm = new QFormLayout(pg);
    pgHost_ = named(new QLineEdit(QStringLiteral("127.0.0.1"), pg), "txtHost");
    pgPort_ = named(new QSpinBox(pg), "spnPort");
    pgPort_->setRange(1, 65535);
    pgPort_->setValue(5432);
    pgDatabase_ = named(new QLineEdit(pg), "txtDatabase");
    pgUser_ = named(new QLineEdit(pg), "txtUser");
    pgPassword_ = named(new QLineEdit(pg), "txtPassword");
    pgPassword_->setEchoMode(QLineEdit::Password);
    pgSsl_ = named(new QComboBox(pg), "cmbSslMode");
    pgSsl_->addItems({QString(), QStringLiteral("disable"), QStringLiteral("prefer"), QStringLiteral("require"),
                      QStringLiteral("verify-ca"), QStringLiteral("verify-full")});
    pgForm->addRow(QStringLiteral("Host:"), pgHost_);
    pgForm->addRow(QStringLiteral("Port:"), pgPort_);
    pgForm->addRow(QStringLiteral("Database:"), pgDatabase_);
    pgForm->addRow(QStringLiteral("User:"), pgUser_);
    pgForm->addRow(QStringLiteral("Password:"), pgPassword_);
    pgForm->addRow(QStringLiteral("SSL mode:"), pgSsl_);
    pages_->addWidget(pg);

    auto* odbc = new QWidget(pages_);
    auto* odbcForm = new QFormLayout(odbc);
    odbcDsn_ = named(new QComboBox(odbc), "cmbDsn");
    odbcDsn_->addItem(QString());
    odbcDsn_->addItems(odbcDataSources());
    odbcDriver_ = named(new QComboBox(odbc), "cmbDriver");
    odbcDriver_->addItem(QString());
    odbcDriver_->addItems(odbcDrivers());
    odbcAttributes_ = named(new QLineEdit(odbc), "txtAttributes");
    odbcAttributes_->setPlaceholderText(QStringLiteral("Database=/path/file.db;UID=...;PWD=..."));
    odbcForm->addRow(QStringLiteral("Data source:"), odbcDsn_);
    odbcForm->addRow(QStringLiteral("or driver:"), odbcDriver_);
    odbcForm->addRow(QStringLiteral("Attributes:"), odbcAttributes_);
    pages_->addWidget(odbc);

    auto* buttons = new QHBoxLayout;
    auto* test = named(new QPushButton(QStringLiteral("Test Connection"), this), "cmdTest");
    auto* ok = named(new QPushButton(QStringLiteral("&OK"), this), "cmdOK");
    auto* cancel = named(new QPushButton(QStringLiteral("&Cancel"), this), "cmdCancel");
    buttons->addWidget(test);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    page->addLayout(buttons);

    // MariaDB asks for the same things as PostgreSQL: the server page serves both, with each
    // one's default port and the SSL modes it has.
    connect(kind_, qOverload<int>(&QComboBox::currentIndexChanged), this, [this](int kind) {
        const bool mariadb = kind == kMariaDb;
        pages_->setCurrentIndex(mariadb ? 1 : kind);
        if (kind != 1 && !mariadb)
            return;
        if (pgPort_->value() == (mariadb ? 5432 : 3306))
            pgPort_->setValue(mariadb ? 3306 : 5432);
        const QString ssl = pgSsl_->currentText();
        pgSsl_->clear();
        pgSsl_->addItems({QString(), QStringLiteral("disable"), QStringLiteral("prefer"), QStringLiteral("require")});
        if (!mariadb)
            pgSsl_->addItems({QStringLiteral("verify-ca"), QStringLiteral("verify-full")});
        pgSsl_->setCurrentIndex(std::max(0, pgSsl_->findText(ssl)));
    });
    connect(browse, &QPushButton::clicked, this, [this] {
        if (const auto path = prompts_->openFileName({QStringLiteral("SQLite database"),
                                                      QStringLiteral("SQLite databases (*.db *.sqlite *.sqlite3);;All files (*)"),
                                                      QString(), QString()}))
            sqliteFile_->setText(*path);
    });
    connect(test, &QPushButton::clicked, this, [this] {
        const QString failure = testConnection();
        prompts_->message({failure.isEmpty() ? QStringLiteral("The connection works.")
                                             : QStringLiteral("The connection failed: ") + failure,
                           QStringLiteral("Test Connection"),
                           failure.isEmpty() ? Prompts::Icon::Information : Prompts::Icon::Critical});
    });
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

QString ConnectionStringDialog::connectionString() const {
    switch (kind_->currentIndex()) {
    case 0:
        return ConnectionString::build({{QStringLiteral("Provider"), QStringLiteral("SQLite")},
                                        {QStringLiteral("Data Source"), sqliteFile_->text()},
                                        {QStringLiteral("Create"), sqliteCreate_->isChecked() ? QStringLiteral("Yes") : QString()}});
    case 1:
    case kMariaDb:
        return ConnectionString::build({{QStringLiteral("Provider"), kind_->currentIndex() == 1
                                                                        ? QStringLiteral("PostgreSQL")
                                                                        : QStringLiteral("MariaDB")},
                                        {QStringLiteral("Host"), pgHost_->text()},
                                        {QStringLiteral("Port"), QString::number(pgPort_->value())},
                                        {QStringLiteral("Database"), pgDatabase_->text()},
                                        {QStringLiteral("User ID"), pgUser_->text()},
                                        {QStringLiteral("Password"), pgPassword_->text()},
                                        {QStringLiteral("SSL Mode"), pgSsl_->currentText()}});
    default:
        break;
    }
    // ODBC: the driver manager reads the attributes as they are written.
    QString text = ConnectionString::build({{QStringLiteral("Provider"), QStringLiteral("ODBC")},
                                            {QStringLiteral("DSN"), odbcDsn_->currentText()},
                                            {QStringLiteral("Driver"), odbcDriver_->currentText()}});
    if (!odbcAttributes_->text().trimmed().isEmpty())
        text += u';' + odbcAttributes_->text().trimmed();
    return text;
}

QString ConnectionStringDialog::testConnection() const {
    Connection c;
    try {
        c.Open(connectionString());
        c.Close();
        return {};
    } catch (const VLNError& e) {
        return e.description();
    }
}

}  // namespace lorvane
