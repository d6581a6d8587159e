#pragma once

#include "platform/LorvaneExport.h"

#include <QDialog>
#include <memory>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;
class QStackedWidget;

namespace lorvane {

class Prompts;

// Builds a connection string in the project's key=value; syntax: SQLite (a file, created
// only when asked), PostgreSQL or MariaDB/MySQL (host, port, database, user, password, SSL
// mode) or ODBC (a
// data source name, or a driver with attributes, as the driver manager lists them). Test
// Connection opens it with the project's Connection and says how that went.
class LORVANE_EXPORT ConnectionStringDialog : public QDialog {
    Q_OBJECT
public:
    explicit ConnectionStringDialog(std::shared_ptr<Prompts> prompts, QWidget* parent = nullptr);

    QString connectionString() const;
    // Opens the connection; empty when it worked, else the driver's message.
    QString testConnection() const;

private:
    std::shared_ptr<Prompts> prompts_;
    QComboBox* kind_;
    QStackedWidget* pages_;
    QLineEdit* sqliteFile_;
    QCheckBox* sqliteCreate_;
    QLineEdit* pgHost_;
    QSpinBox* pgPort_;
    QLineEdit* pgDatabase_;
    QLineEdit* pgUser_;
    QLineEdit* pgPassword_;
    QComboBox* pgSsl_;
    QComboBox* odbcDsn_;
    QComboBox* odbcDriver_;
    QLineEdit* odbcAttributes_;
};

}  // namespace lorvane
