#include "DatabaseView.h"

#include "platform/AdoTypes.h"
#include "platform/Connection.h"
#include "platform/RecordSet.h"
#include "platform/DriverHandle.h"
#include "platform/SqlScanner.h"
#include "platform/VLNError.h"

#include <QSqlDatabase>
#include <libpq-fe.h>
#include <mysql.h>
#include <sqlite3.h>

namespace lorvane::DatabaseView {

namespace {

QString createText(const QString& quotedName, const QString& statement) {
    return QStringLiteral("CREATE VIEW ") + quotedName + QStringLiteral(" AS ") + statement;
}

[[noreturn]] void fail(const QString& driver, const QString& text) {
    throw VLNError(ErrorNumber::CommandFailure, driver, text);
}

const QString kMoreThanOne = QStringLiteral("The text holds more than one statement.");

// PostgreSQL's extended protocol takes exactly one statement: the server itself refuses a
// second one, however the text hides it.
void runOnPostgres(pg_conn* conn, const QString& sql) {
    PGresult* r = PQexecParams(conn, sql.toUtf8().constData(), 0, nullptr, nullptr, nullptr, nullptr, 0);
    const ExecStatusType status = PQresultStatus(r);
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) {
        PQclear(r);
        return;
    }
    const char* primary = r ? PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    const QString text = primary ? QString::fromUtf8(primary) : QString::fromUtf8(PQerrorMessage(conn)).trimmed();
    PQclear(r);
    fail(QStringLiteral("QPSQL"), text);
}

// QMYSQL's MYSQL*, whichever name its metatype was given.
MYSQL* mariaDbHandle(const QSqlDatabase& db) {
    if (MYSQL* h = driverHandle<MYSQL>(db, "MYSQL*"))
        return h;
    return driverHandle<MYSQL>(db, "st_mysql*");
}

// MariaDB's prepared statement protocol takes exactly one statement (QMYSQL's own connection
// would run several). With run false the statement is only prepared: the server checks it and
// the names it reads, and keeps nothing.
QString onMariaDb(MYSQL* conn, const QString& sql, bool run) {
    MYSQL_STMT* stmt = mysql_stmt_init(conn);
    if (!stmt)
        return QString::fromUtf8(mysql_error(conn));
    const QByteArray utf8 = sql.toUtf8();
    QString text;
    if (mysql_stmt_prepare(stmt, utf8.constData(), static_cast<unsigned long>(utf8.size())) != 0 ||
        (run && mysql_stmt_execute(stmt) != 0))
        text = QString::fromUtf8(mysql_stmt_error(stmt)).trimmed();
    if (text.isEmpty() && mysql_stmt_errno(stmt) != 0)
        text = QStringLiteral("The statement could not be prepared.");
    mysql_stmt_close(stmt);
    return text;
}

// SQLite prepares one statement and says where it ended; anything but blanks and comments
// after it is refused before the first one runs.
void runOnSqlite(sqlite3* handle, const QString& sql) {
    const QByteArray utf8 = sql.toUtf8();
    const char* const end = utf8.constData() + utf8.size();
    sqlite3_stmt* stmt = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(handle, utf8.constData(), int(utf8.size()), &stmt, &tail) != SQLITE_OK || !stmt) {
        const QString text = stmt ? QString() : QString::fromUtf8(sqlite3_errmsg(handle));
        sqlite3_finalize(stmt);
        fail(QStringLiteral("QSQLITE"), text.isEmpty() ? QStringLiteral("There is no statement to run.") : text);
    }
    for (const char* rest = tail; rest && rest < end;) {
        sqlite3_stmt* more = nullptr;
        const char* next = nullptr;
        const int rc = sqlite3_prepare_v2(handle, rest, int(end - rest), &more, &next);
        sqlite3_finalize(more);
        if (rc != SQLITE_OK || more) {
            sqlite3_finalize(stmt);
            fail(QStringLiteral("QSQLITE"), kMoreThanOne);
        }
        if (!next || next <= rest)
            break;
        rest = next;
    }
    const int rc = sqlite3_step(stmt);
    const QString text = rc == SQLITE_DONE || rc == SQLITE_ROW ? QString() : QString::fromUtf8(sqlite3_errmsg(handle));
    sqlite3_finalize(stmt);
    if (!text.isEmpty())
        fail(QStringLiteral("QSQLITE"), text);
}

// Runs the text as exactly one statement, by the database's own rules where it has them; an
// ODBC source only gets text that every reading of the scanner finds to be one statement.
void runOne(Connection& connection, const QString& sql) {
    const QSqlDatabase db = connection.database();
    if (db.isOpen() && db.driverName() == u"QPSQL") {
        if (pg_conn* conn = driverHandle<pg_conn>(db, "pg_conn*"))
            return runOnPostgres(conn, sql);
        fail(db.driverName(), QStringLiteral("The PostgreSQL library cannot be reached."));
    }
    if (db.isOpen() && db.driverName() == u"QMYSQL") {
        MYSQL* conn = mariaDbHandle(db);
        if (!conn)
            fail(db.driverName(), QStringLiteral("The MariaDB client library cannot be reached."));
        if (const QString text = onMariaDb(conn, sql, true); !text.isEmpty())
            fail(db.driverName(), text);
        return;
    }
    if (db.isOpen() && db.driverName() == u"QSQLITE") {
        if (sqlite3* handle = driverHandle<sqlite3>(db, "sqlite3*"))
            return runOnSqlite(handle, sql);
        fail(db.driverName(), QStringLiteral("The SQLite library cannot be reached."));
    }
    using L = SqlScanner::Lexicon;
    for (const L lexicon : {L::Standard, L::BackslashEscapes, L::PostgreSQL}) {
        const SqlScanner::Shape shape = SqlScanner::scan(sql, lexicon);
        if (!shape.complete || shape.statements != 1)
            fail(db.driverName(), kMoreThanOne);
    }
    connection.Execute(sql);
}

}  // namespace

// Why the statement would not run as a query here; empty when it would. It is prepared, never
// run, where the database can prepare (SQLite, PostgreSQL, MariaDB), so a slow query costs nothing;
// elsewhere it is run read-only for at most one row.
QString WhyItDoesNotRun(Connection& connection, const QString& statement) {
    const QSqlDatabase db = connection.database();
    if (db.isOpen() && db.driverName() == u"QSQLITE") {
        sqlite3* handle = driverHandle<sqlite3>(db, "sqlite3*");
        if (!handle)
            return QStringLiteral("The SQLite library cannot be reached.");
        const QByteArray utf8 = statement.toUtf8();
        sqlite3_stmt* stmt = nullptr;
        const int rc = sqlite3_prepare_v2(handle, utf8.constData(), int(utf8.size()), &stmt, nullptr);
        const QString text = rc == SQLITE_OK ? QString() : QString::fromUtf8(sqlite3_errmsg(handle));
        const bool empty = rc == SQLITE_OK && !stmt;
        sqlite3_finalize(stmt);
        return empty ? QStringLiteral("There is no statement to run.") : text;
    }
    if (db.isOpen() && db.driverName() == u"QPSQL") {
        pg_conn* conn = driverHandle<pg_conn>(db, "pg_conn*");
        if (!conn)
            return QStringLiteral("The PostgreSQL library cannot be reached.");
        // The unnamed statement: the server parses and plans it and keeps nothing.
        PGresult* r = PQprepare(conn, "", statement.toUtf8().constData(), 0, nullptr);
        QString text;
        if (PQresultStatus(r) != PGRES_COMMAND_OK) {
            const char* primary = r ? PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
            text = primary ? QString::fromUtf8(primary) : QString::fromUtf8(PQerrorMessage(conn)).trimmed();
            if (text.isEmpty())
                text = QStringLiteral("The statement could not be prepared.");
        }
        PQclear(r);
        return text;
    }
    if (db.isOpen() && db.driverName() == u"QMYSQL") {
        MYSQL* conn = mariaDbHandle(db);
        return conn ? onMariaDb(conn, statement, false) : QStringLiteral("The MariaDB client library cannot be reached.");
    }
    try {
        connection.OpenRecordSet(statement, 1, true);
    } catch (const VLNError& e) {
        return e.description();
    }
    return {};
}

int FirstColumnType(Connection& connection, const QString& statement) {
    const QSqlDatabase db = connection.database();
    if (!db.isOpen() || db.driverName() == u"QSQLITE")
        return 0;
    if (db.driverName() == u"QPSQL") {
        pg_conn* conn = driverHandle<pg_conn>(db, "pg_conn*");
        if (!conn)
            return 0;
        PGresult* prepared = PQprepare(conn, "", statement.toUtf8().constData(), 0, nullptr);
        const bool ok = PQresultStatus(prepared) == PGRES_COMMAND_OK;
        PQclear(prepared);
        if (!ok)
            return 0;
        PGresult* described = PQdescribePrepared(conn, "");
        int type = 0;
        if (PQresultStatus(described) == PGRES_COMMAND_OK && PQnfields(described) > 0)
            type = adoTypeFromPostgresOid(int(PQftype(described, 0)), false);
        PQclear(described);
        return type;
    }
    try {
        const std::shared_ptr<RecordSet> rs = connection.OpenRecordSet(statement, 1, true);
        return rs && rs->FieldCount() > 0 ? rs->Field(0).type : 0;
    } catch (const VLNError&) {
        return 0;
    }
}

Outcome create(Connection& connection, const QString& quotedName, const QString& statement) {
    // The statement may hold raw SQL typed into a criteria cell: it becomes a view only when
    // it could be run.
    if (const QString refusal = connection.ReadOnlyRefusal(statement); !refusal.isEmpty())
        return {Outcome::Kind::Refused, refusal};
    // A view is only as good as its query: one that cannot run would make a view that breaks
    // every later read of the catalogue.
    if (const QString reason = WhyItDoesNotRun(connection, statement); !reason.isEmpty())
        return {Outcome::Kind::DoesNotRun, reason};
    try {
        runOne(connection, createText(quotedName, statement));
        return {};
    } catch (const VLNError& e) {
        if (e.description() == kMoreThanOne)
            return {Outcome::Kind::Refused, e.description()};
        const Outcome::Kind kind =
            e.description().contains(QLatin1String("already")) ? Outcome::Kind::AlreadyExists : Outcome::Kind::Failed;
        return {kind, e.description()};
    }
}

Outcome alter(Connection& connection, const QString& quotedName, const QString& statement, bool* unchanged) {
    if (unchanged)
        *unchanged = true;
    if (const QString refusal = connection.ReadOnlyRefusal(statement); !refusal.isEmpty())
        return {Outcome::Kind::Refused, refusal};
    // Checked before the old view is dropped, and outside the transaction a failure would spoil.
    if (const QString reason = WhyItDoesNotRun(connection, statement); !reason.isEmpty())
        return {Outcome::Kind::DoesNotRun, reason};
    QSqlDatabase db = connection.database();
    // MariaDB commits before every DROP or CREATE: a transaction would not keep the old view
    // when the new one fails, CREATE OR REPLACE does.
    if (db.driverName() == u"QMYSQL") {
        try {
            runOne(connection, QStringLiteral("CREATE OR REPLACE VIEW ") + quotedName + QStringLiteral(" AS ") + statement);
        } catch (const VLNError& e) {
            return {Outcome::Kind::Failed, e.description()};
        }
        if (unchanged)
            *unchanged = false;
        return {};
    }
    const bool transactional = db.driverName() != u"QODBC" && db.transaction();
    try {
        runOne(connection, QStringLiteral("DROP VIEW ") + quotedName);
        if (!transactional && unchanged)
            *unchanged = false;
        runOne(connection, createText(quotedName, statement));
    } catch (const VLNError& e) {
        if (transactional)
            db.rollback();
        return {Outcome::Kind::Failed, e.description()};
    }
    if (transactional && !db.commit()) {
        db.rollback();
        return {Outcome::Kind::Failed, QStringLiteral("The change could not be committed.")};
    }
    if (unchanged)
        *unchanged = false;
    return {};
}

}  // namespace lorvane::DatabaseView
