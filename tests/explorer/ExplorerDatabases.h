#pragma once
// The databases the explorer works on: the sample SQLite database; a schema whose names hold
// blanks, capitals and quotes (with plain tables beside them), on SQLite, PostgreSQL and MariaDB.
#include "explorer/Explorer.h"

#include <QTemporaryDir>

namespace lorvane::explorer {

class DatabaseSetup {
public:
    // sqlite-sample, sqlite-names, postgres or mariadb; an empty connection string when it cannot be
    // set up (error() says why).
    Database open(const QString& driver);
    // Drops the PostgreSQL or MariaDB database it made.
    ~DatabaseSetup();
    QString error() const { return error_; }

    // The statements that create the names schema, portable between SQLite and PostgreSQL.
    static QStringList namesSchema();

private:
    QTemporaryDir dir_;
    QString error_;
    QByteArray adminConninfo_, pgDatabase_;
    QString mariaDbAdmin_, mariaDbDatabase_;
};

}  // namespace lorvane::explorer
