#pragma once

#include <QString>

namespace lorvane {

class Connection;

// Views made from the builder's statement on the open connection.
namespace DatabaseView {

struct Outcome {
    enum class Kind { Done, AlreadyExists, Failed, Refused, DoesNotRun } kind = Kind::Done;
    QString error;  // the database's description, or why the statement was refused
};

// CREATE VIEW quotedName AS statement. The statement must be one query that only reads,
// as a run must be, and the database must accept it as a query (DoesNotRun otherwise, with
// the database's reason; nothing is created); AlreadyExists when the database says the name is taken. What reaches the
// database is exactly one statement by its own rules: PostgreSQL gets it through the extended
// protocol, SQLite prepares it and any text after it is refused, and an ODBC source gets it
// only when every reading of the scanner finds one statement (Refused otherwise).
Outcome create(Connection& connection, const QString& quotedName, const QString& statement);

// Replaces the view: DROP VIEW, then CREATE VIEW, in one transaction where the database
// allows it (SQLite, PostgreSQL), so that a create that fails leaves the old view as it was;
// unchanged says whether it did. A statement that does not run is refused before the drop.
Outcome alter(Connection& connection, const QString& quotedName, const QString& statement, bool* unchanged);

// Why the database would not accept the statement as a query, in its own words; empty when it
// would. Prepared, never run, where the database can prepare (SQLite, PostgreSQL); elsewhere
// run read-only for at most one row.
QString WhyItDoesNotRun(Connection& connection, const QString& statement);

// The type number of the statement's first column as the database reads it, without running
// it where the database can say (PostgreSQL); 0 where it cannot tell (SQLite decides a value's
// type row by row) or the statement does not run.
int FirstColumnType(Connection& connection, const QString& statement);

}  // namespace DatabaseView

}  // namespace lorvane
