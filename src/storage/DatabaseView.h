#pragma once

#include <QString>

namespace lorvane {

class Connection;

// Views made from the builder's statement on the open connection.
namespace DatabaseView {

struct Outcome {
    enum class Kind { Done, AlreadyExists, Failed, Refused } kind = Kind::Done;
    QString error;  // the database's description, or why the statement was refused
};

// CREATE VIEW quotedName AS statement. The statement must be one query that only reads,
// as a run must be; AlreadyExists when the database says the name is taken.
Outcome create(Connection& connection, const QString& quotedName, const QString& statement);

// Replaces the view: DROP VIEW, then CREATE VIEW, in one transaction where the database
// allows it (SQLite, PostgreSQL), so that a create that fails leaves the old view as it was;
// unchanged says whether it did.
Outcome alter(Connection& connection, const QString& quotedName, const QString& statement, bool* unchanged);

}  // namespace DatabaseView

}  // namespace lorvane
