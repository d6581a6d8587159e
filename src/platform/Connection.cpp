#include "Connection.h"
#include "DriverHandle.h"

#include "AdoTypes.h"
#include "ConnectionString.h"
#include "OdbcCatalogue.h"
#include "OdbcReadOnlyAccess.h"
#include "SqlScanner.h"
#include "TextPool.h"
#include "VLNError.h"

#include <QAtomicInt>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlResult>
#include <QStringList>
#include <mysql.h>
#include <mysqld_error.h>
#include <sqlite3.h>
#include <algorithm>
#include <vector>

namespace lorvane {

namespace {

QAtomicInt connectionCounter;

const QString kSource = QStringLiteral("Lorvane.Connection");

[[noreturn]] void raise(long number, const QString& text) {
    throw VLNError(number, kSource, text);
}

void* odbcHandle(const QSqlDatabase& db);

// QMYSQL's MYSQL*, whichever name its metatype was given.
MYSQL* mariaDbHandle(const QSqlDatabase& db) {
    if (MYSQL* h = driverHandle<MYSQL>(db, "MYSQL*"))
        return h;
    return driverHandle<MYSQL>(db, "st_mysql*");
}


}  // namespace

Connection::Connection() : name_(QStringLiteral("lorvane-connection-%1").arg(connectionCounter.fetchAndAddRelaxed(1))) {}

Connection::~Connection() {
    if (QSqlDatabase::contains(name_)) {
        {
            QSqlDatabase db = QSqlDatabase::database(name_, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(name_);
    }
}

void Connection::SetConnectionString(const QString& text) {
    if (IsOpen())
        raise(ErrorNumber::ObjectOpen, QStringLiteral("The connection string cannot change while the connection is open."));
    connectionString_ = text;
}

QSqlDatabase Connection::database() const {
    return QSqlDatabase::contains(name_) ? QSqlDatabase::database(name_, false) : QSqlDatabase();
}

QString Connection::DriverName() const {
    return database().driverName();
}

bool Connection::IsOpen() const {
    return QSqlDatabase::contains(name_) && database().isOpen();
}

void Connection::requireOpen(long number) const {
    if (!IsOpen())
        raise(number, number == ErrorNumber::NotUsable
                          ? QStringLiteral("The connection cannot be used: it is closed.")
                          : QStringLiteral("The operation is not allowed while the connection is closed."));
}

void Connection::raiseDriverError(const QSqlError& error, long fallbackNumber) const {
    bool numeric = false;
    long number = error.nativeErrorCode().toLong(&numeric);
    if (!numeric || number == 0)
        number = fallbackNumber;
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        text = error.text().trimmed();
    if (text.isEmpty())
        text = error.driverText().trimmed();
    const QString driver = DriverName();
    throw VLNError(number, driver.isEmpty() ? kSource : driver, text);
}

void Connection::Open(const QString& connectionString, const QString& userId, const QString& password, int) {
    if (IsOpen())
        raise(ErrorNumber::ObjectOpen, QStringLiteral("The operation is not allowed while the connection is open."));
    if (!connectionString.isEmpty())
        connectionString_ = connectionString;
    if (connectionString_.trimmed().isEmpty())
        raise(ErrorNumber::ProviderFailure, QStringLiteral("No connection string has been given."));

    const lorvane::ConnectionString cs(connectionString_);
    if (const QString refusal = cs.refusal(); !refusal.isEmpty())
        raise(ErrorNumber::ProviderFailure, refusal);
    QString driver;
    switch (cs.kind()) {
    case lorvane::ConnectionString::Kind::SQLite: driver = QStringLiteral("QSQLITE"); break;
    case lorvane::ConnectionString::Kind::PostgreSQL: driver = QStringLiteral("QPSQL"); break;
    case lorvane::ConnectionString::Kind::MariaDB: driver = QStringLiteral("QMYSQL"); break;
    case lorvane::ConnectionString::Kind::Odbc: driver = QStringLiteral("QODBC"); break;
    }
    // MariaDB's SSL Mode, in the words libpq and the mariadb client use: encryption is asked for
    // and its absence refused after connecting; verifying the server's certificate needs a CA
    // file this string has no place for.
    bool requireEncryption = false;
    if (cs.kind() == lorvane::ConnectionString::Kind::MariaDB) {
        const QString ssl = cs.value(QStringLiteral("SSL Mode")).trimmed().toLower();
        if (ssl == u"require" || ssl == u"required")
            requireEncryption = true;
        else if (!(ssl.isEmpty() || ssl == u"disable" || ssl == u"disabled" || ssl == u"prefer" || ssl == u"preferred"))
            throw VLNError(ErrorNumber::ProviderFailure, driver,
                           QStringLiteral("SSL Mode=%1 is not available for MariaDB: use disable, prefer or require.")
                               .arg(cs.value(QStringLiteral("SSL Mode"))));
    }
    if (cs.kind() == lorvane::ConnectionString::Kind::SQLite) {
        // QSQLITE would silently create a new empty database for a mistyped path.
        const QString path = cs.value(QStringLiteral("Data Source"), cs.value(QStringLiteral("Database")));
        const bool create = cs.value(QStringLiteral("Create")).compare(u"Yes", Qt::CaseInsensitive) == 0;
        if (path != u":memory:" && !create && !QFileInfo(path).isFile())
            throw VLNError(ErrorNumber::ProviderFailure, driver,
                           QStringLiteral("The database file '%1' does not exist.").arg(path));
    }
    if (QSqlDatabase::contains(name_))
        QSqlDatabase::removeDatabase(name_);
    if (!QSqlDatabase::isDriverAvailable(driver))
        raise(ErrorNumber::ProviderFailure, QStringLiteral("The database driver %1 is not installed.").arg(driver));
    QSqlDatabase db = QSqlDatabase::addDatabase(driver, name_);
    QStringList options;

    switch (cs.kind()) {
    case lorvane::ConnectionString::Kind::SQLite: {
        const QString path = cs.value(QStringLiteral("Data Source"), cs.value(QStringLiteral("Database")));
        db.setDatabaseName(path);
        if (commandTimeout_ > 0)
            options << QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(qint64(commandTimeout_) * 1000);
        if (cs.value(QStringLiteral("Mode")).compare(u"ReadOnly", Qt::CaseInsensitive) == 0)
            options << QStringLiteral("QSQLITE_OPEN_READONLY");
        break;
    }
    case lorvane::ConnectionString::Kind::PostgreSQL:
        db.setHostName(cs.value(QStringLiteral("Host"), cs.value(QStringLiteral("Server"), QStringLiteral("127.0.0.1"))));
        db.setPort(cs.value(QStringLiteral("Port"), QStringLiteral("5432")).toInt());
        db.setDatabaseName(cs.value(QStringLiteral("Database"), cs.value(QStringLiteral("Initial Catalog"))));
        db.setUserName(cs.value(QStringLiteral("User ID"), cs.value(QStringLiteral("UID"))));
        db.setPassword(cs.value(QStringLiteral("Password"), cs.value(QStringLiteral("PWD"))));
        if (connectionTimeout_ > 0)
            options << QStringLiteral("connect_timeout=%1").arg(connectionTimeout_);
        if (const QString ssl = cs.value(QStringLiteral("SSL Mode")); !ssl.isEmpty())
            options << QStringLiteral("sslmode=") + ssl;
        break;
    case lorvane::ConnectionString::Kind::MariaDB:
        db.setHostName(cs.value(QStringLiteral("Host"), cs.value(QStringLiteral("Server"), QStringLiteral("127.0.0.1"))));
        db.setPort(cs.value(QStringLiteral("Port"), QStringLiteral("3306")).toInt());
        db.setDatabaseName(cs.value(QStringLiteral("Database"), cs.value(QStringLiteral("Initial Catalog"))));
        db.setUserName(cs.value(QStringLiteral("User ID"), cs.value(QStringLiteral("UID"))));
        db.setPassword(cs.value(QStringLiteral("Password"), cs.value(QStringLiteral("PWD"))));
        if (connectionTimeout_ > 0)
            options << QStringLiteral("MYSQL_OPT_CONNECT_TIMEOUT=%1").arg(connectionTimeout_);
        if (requireEncryption)
            options << QStringLiteral("SSL_CIPHER=DEFAULT");  // asks for TLS; QMYSQL ignores CLIENT_SSL
        break;
    case lorvane::ConnectionString::Kind::Odbc:
        db.setDatabaseName(cs.odbcText());
        if (connectionTimeout_ > 0)
            options << QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=%1").arg(connectionTimeout_);
        break;
    }
    db.setConnectOptions(options.join(u';'));

    // A user name or a password given here takes the place of the string's own; one left empty
    // keeps the string's (a password alone must not erase the user name).
    const QString user = userId.isEmpty() ? db.userName() : userId;
    const QString secret = password.isEmpty() ? db.password() : password;
    const bool ok = (userId.isEmpty() && password.isEmpty()) ? db.open() : db.open(user, secret);
    if (!ok) {
        const QSqlError error = db.lastError();
        try {
            raiseDriverError(error, ErrorNumber::ProviderFailure);
        } catch (...) {
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(name_);
            throw;
        }
    }

    switch (cs.kind()) {
    case lorvane::ConnectionString::Kind::SQLite: dialect_ = SqlDialect::sqlite(); break;
    case lorvane::ConnectionString::Kind::PostgreSQL: dialect_ = SqlDialect::postgres(); break;
    case lorvane::ConnectionString::Kind::MariaDB: dialect_ = SqlDialect::mariadb(); break;
    case lorvane::ConnectionString::Kind::Odbc: {
        const OdbcIdentifiers identifiers = readOdbcIdentifiers(odbcHandle(db));
        const auto folding = identifiers.folding == OdbcIdentifiers::Folding::Lower   ? SqlDialect::Folding::Lower
                             : identifiers.folding == OdbcIdentifiers::Folding::Upper ? SqlDialect::Folding::Upper
                                                                                       : SqlDialect::Folding::None;
        dialect_ = SqlDialect::odbc(identifiers.quote, folding);
        break;
    }
    }

    QSqlQuery setup(db);
    if (cs.kind() == lorvane::ConnectionString::Kind::SQLite) {
        // A file that is not a database opens without complaint; its first read fails.
        if (!setup.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"))) {
            const QSqlError error = setup.lastError();
            setup = QSqlQuery();
            db.close();
            raiseDriverError(error, ErrorNumber::ProviderFailure);
        }
    } else if (cs.kind() == lorvane::ConnectionString::Kind::PostgreSQL) {
        if (!setup.exec(QStringLiteral("SET statement_timeout = %1").arg(qint64(std::max(0, commandTimeout_)) * 1000))) {
            const QSqlError error = setup.lastError();
            setup = QSqlQuery();
            db.close();
            raiseDriverError(error, ErrorNumber::ProviderFailure);
        }
    } else if (cs.kind() == lorvane::ConnectionString::Kind::MariaDB) {
        openedMariaDb(db, requireEncryption, user, secret);
    }
}

void Connection::openedMariaDb(QSqlDatabase& db, bool requireEncryption, const QString& user, const QString& password) {
    MYSQL* handle = mariaDbHandle(db);
    auto fail = [&](const QString& text) {
        db.close();
        throw VLNError(ErrorNumber::ProviderFailure, QStringLiteral("QMYSQL"), text);
    };
    if (!handle)
        fail(QStringLiteral("The MariaDB client library cannot be reached."));
    if (requireEncryption && !mysql_get_ssl_cipher(handle))
        fail(QStringLiteral("The server did not agree to an encrypted connection (SSL Mode=require)."));
    mariaDbAddress_ = {db.hostName(), user, password, QString(), unsigned(std::max(0, db.port()))};
    // Values are written with quotes doubled, never with backslashes: the session must read them
    // so. The command time-out is MariaDB's max_statement_time (seconds), MySQL's
    // max_execution_time (milliseconds).
    const int timeout = std::max(0, commandTimeout_);
    const QByteArray setup[] = {
        "SET SESSION sql_mode = CONCAT_WS(',', NULLIF(@@SESSION.sql_mode, ''), 'NO_BACKSLASH_ESCAPES')",
        "SET SESSION max_statement_time = " + QByteArray::number(timeout),
    };
    for (const QByteArray& command : setup) {
        if (mysql_real_query(handle, command.constData(), static_cast<unsigned long>(command.size())) == 0)
            continue;
        if (mysql_errno(handle) == ER_UNKNOWN_SYSTEM_VARIABLE && command.contains("max_statement_time")) {
            const QByteArray mysql = "SET SESSION max_execution_time = " + QByteArray::number(qint64(timeout) * 1000);
            if (mysql_real_query(handle, mysql.constData(), static_cast<unsigned long>(mysql.size())) == 0)
                continue;
        }
        fail(QString::fromUtf8(mysql_error(handle)));
    }
    // Read-only runs wait for the server in short steps, so that Stop can end them.
    mysql_options(handle, MYSQL_OPT_NONBLOCK, nullptr);
}

void Connection::Close() {
    requireOpen(ErrorNumber::ObjectClosed);
    foreignKeys_.reset();
    QSqlDatabase db = database();
    db.close();
}

void Connection::refuseWhileReading() const {
    if (reading_)
        throw VLNError(ErrorNumber::NotAllowedInContext, QStringLiteral("Lorvane.Connection"),
                       QStringLiteral("The connection is reading the rows of a running query; try again when the run "
                                      "has ended."));
}

qint64 Connection::Execute(const QString& sql) {
    refuseWhileReading();
    requireOpen(ErrorNumber::ObjectClosed);
    QSqlQuery q(database());
    if (!q.exec(sql))
        raiseDriverError(q.lastError(), ErrorNumber::CommandFailure);
    return q.numRowsAffected();
}

namespace {

// How a driver's database reads quotes and comments. Where the database itself enforces one
// read-only statement (SQLite, PostgreSQL) its own reading gives the refusal in plain words;
// for ODBC, whose source may read text any way, every reading must agree.
std::initializer_list<SqlScanner::Lexicon> lexiconsFor(const QString& driver) {
    using L = SqlScanner::Lexicon;
    static const std::initializer_list<L> sqlite{L::Standard};
    static const std::initializer_list<L> postgres{L::PostgreSQL};
    // A read-only run sets NO_BACKSLASH_ESCAPES: the server reads the text as this does.
    static const std::initializer_list<L> mariadb{L::MariaDbNoBackslash};
    static const std::initializer_list<L> any{L::Standard, L::BackslashEscapes, L::PostgreSQL};
    if (driver == u"QSQLITE")
        return sqlite;
    if (driver == u"QPSQL")
        return postgres;
    if (driver == u"QMYSQL")
        return mariadb;
    return any;
}

void* odbcHandle(const QSqlDatabase& db) {
    // QODBC hands out its SQLHDBC as a void* (SQLHANDLE).
    const QVariant h = db.driver()->handle();
    if (h.isValid() && (qstrcmp(h.typeName(), "SQLHANDLE") == 0 || qstrcmp(h.typeName(), "void*") == 0))
        return *static_cast<void* const*>(h.constData());
    return nullptr;
}

}  // namespace

QString Connection::ReadOnlyRefusal(const QString& sql) const {
    return SqlScanner::refusalFor(sql, lexiconsFor(IsOpen() ? database().driverName() : QString()));
}

std::shared_ptr<RecordSet> Connection::OpenRecordSet(const QString& sql, qint64 maxRecords, bool readOnly,
                                                     RunMonitor* monitor) {
    refuseWhileReading();
    // The monitor is told from inside the database library's calls: nothing it does may use
    // this connection until the run ends.
    const struct Reading {
        bool& flag;
        explicit Reading(bool& f, bool on) : flag(f) { flag = on; }
        ~Reading() { flag = false; }
    } reading(reading_, monitor != nullptr);
    // A dropped PostgreSQL connection is tried again first: the server may be back.
    if (QSqlDatabase::contains(name_) && database().driverName() == u"QPSQL")
        revivePostgres(driverHandle<pg_conn>(database(), "pg_conn*"));
    requireOpen(ErrorNumber::NotUsable);
    QSqlDatabase db = database();
    const QString driver = db.driverName();
    if (readOnly) {
        const QString refusal = SqlScanner::refusalFor(sql, lexiconsFor(driver));
        if (!refusal.isEmpty())
            throw VLNError(ErrorNumber::CommandFailure, driver, refusal);
    }
    if (driver == u"QSQLITE") {
        if (sqlite3* handle = driverHandle<sqlite3>(db, "sqlite3*"))
            return openSqliteRecordSet(handle, sql, maxRecords, readOnly, monitor);
        if (readOnly)
            throw VLNError(ErrorNumber::CommandFailure, driver, QStringLiteral("The SQLite library cannot be reached."));
    }
    if (!readOnly)
        return readQuery(sql, maxRecords, monitor);
    if (driver == u"QPSQL") {
        if (driverHandle<pg_conn>(db, "pg_conn*"))
            return openPostgresReadOnlyReconnecting(sql, maxRecords, monitor);
        throw VLNError(ErrorNumber::CommandFailure, driver, QStringLiteral("The PostgreSQL library cannot be reached."));
    }
    if (driver == u"QMYSQL") {
        if (MYSQL* handle = mariaDbHandle(db))
            return openMariaDbReadOnly(handle, sql, maxRecords, monitor);
        throw VLNError(ErrorNumber::CommandFailure, driver, QStringLiteral("The MariaDB client library cannot be reached."));
    }
    const OdbcReadOnlyAccess readOnlyAccess(odbcHandle(db));
    return readQuery(sql, maxRecords, monitor);
}

std::shared_ptr<RecordSet> Connection::readQuery(const QString& sql, qint64 maxRecords, RunMonitor* monitor) {
    QSqlDatabase db = database();
    const QString driver = db.driverName();
    QSqlQuery q(db);
    q.setForwardOnly(true);
    // Exact decimals (money) arrive as text rather than rounded doubles. SQLite keeps decimals
    // as doubles anyway, so it reads faster with the default.
    if (driver != u"QSQLITE")
        q.setNumericalPrecisionPolicy(QSql::HighPrecision);
    if (!q.exec(sql))
        raiseDriverError(q.lastError(), ErrorNumber::CommandFailure);

    const QSqlRecord record = q.record();

    auto rs = std::make_shared<RecordSet>();
    for (int i = 0; i < record.count(); ++i) {
        const QSqlField f = record.field(i);
        int type = adoTypeFromMetaType(f.metaType());
        int size = std::max(0, f.length());
        if (driver == u"QPSQL" && f.typeID() > 0) {
            type = adoTypeFromPostgresOid(f.typeID());
        } else if (driver == u"QODBC" && f.typeID() != -1) {
            type = adoTypeFromOdbcSqlType(f.typeID());
        } else if (driver == u"QMYSQL" && f.typeID() >= 0) {
            type = adoTypeFromMariaDbField(f.typeID(), false, f.metaType().id() == QMetaType::QByteArray, f.length());
        }
        rs->AppendField(rs->UnusedFieldName(f.name()), type, size, AdoFieldAttribute::MayBeNull);
        const bool decimal = type == AdoType::Decimal || type == AdoType::Numeric || type == AdoType::Currency;
        // QODBC hands the table name over in its whole buffer: the name ends at the first NUL.
        QString table = f.tableName();
        if (const qsizetype end = table.indexOf(QChar(u'\0')); end >= 0)
            table.truncate(end);
        rs->SetFieldOrigin(i, decimal && f.precision() >= 0 ? f.precision() : -1, table, f.name());
    }
    rs->Open();
    // Drivers that hold the whole result (QPSQL) know its size.
    if (q.size() > 0)
        rs->ReserveRows(maxRecords > 0 ? std::min<qint64>(maxRecords, q.size()) : q.size());

    std::vector<QVariant> row(static_cast<std::size_t>(record.count()));
    qint64 count = 0;
    while ((maxRecords <= 0 || count < maxRecords) && q.next()) {
        for (int i = 0; i < record.count(); ++i)
            row[static_cast<std::size_t>(i)] = q.value(i);
        rs->AppendRow(row);
        ++count;
        if (monitor && (count & 255) == 0 && monitor->report(rs, count))
            break;
    }
    if (q.lastError().isValid() && !(monitor && monitor->stopped()))
        raiseDriverError(q.lastError(), ErrorNumber::CommandFailure);
    rs->Squeeze();
    if (rs->RecordCount() > 0)
        rs->MoveFirst();
    return rs;
}

namespace {

// What a read-only run may do, as SQLite describes each step of a statement it prepares:
// read tables, call functions, select, recurse. Transactions, savepoints, ATTACH, DETACH,
// PRAGMA and every write are denied, whatever the statement's first word.
int readOnlyAuthorizer(void*, int action, const char*, const char*, const char*, const char*) {
    switch (action) {
    case SQLITE_SELECT:
    case SQLITE_READ:
    case SQLITE_FUNCTION:
    case SQLITE_RECURSIVE:
        return SQLITE_OK;
    default:
        return SQLITE_DENY;
    }
}

// Installs the read-only authorizer for as long as a run lasts (also while it steps, when
// SQLite may prepare the statement again).
struct SqliteReadOnlyScope {
    sqlite3* handle;
    bool active;
    SqliteReadOnlyScope(sqlite3* h, bool on) : handle(h), active(on) {
        if (active)
            sqlite3_set_authorizer(handle, readOnlyAuthorizer, nullptr);
    }
    ~SqliteReadOnlyScope() {
        if (active)
            sqlite3_set_authorizer(handle, nullptr, nullptr);
    }
};

const QString kReadOnlyRefusal = QStringLiteral("Only statements that read data can be run here.");

// Tells a run's monitor from inside SQLite's steps, so that a statement that works long before
// its first row (a sort, a count over a large table) can be followed and ended too: SQLite
// calls back every thousand instructions, and a non-zero answer interrupts the statement.
struct SqliteWatch {
    sqlite3* handle;
    RunMonitor* monitor;
    std::shared_ptr<RecordSet> rows;
    qint64 count = 0;
    SqliteWatch(sqlite3* h, RunMonitor* m) : handle(h), monitor(m) {
        if (monitor)
            sqlite3_progress_handler(handle, 1000, &SqliteWatch::tell, this);
    }
    ~SqliteWatch() {
        if (monitor)
            sqlite3_progress_handler(handle, 0, nullptr, nullptr);
    }
    SqliteWatch(const SqliteWatch&) = delete;
    SqliteWatch& operator=(const SqliteWatch&) = delete;
    bool stopped() const { return monitor && monitor->stopped(); }
    static int tell(void* self) {
        auto* w = static_cast<SqliteWatch*>(self);
        return w->monitor->report(w->rows, w->count) ? 1 : 0;
    }
};

}  // namespace

// SQLite results are read with the library itself on the connection's handle: typed cells go
// straight into the record set, with no QVariant per cell.
std::shared_ptr<RecordSet> Connection::openSqliteRecordSet(sqlite3* handle, const QString& sql, qint64 maxRecords,
                                                           bool readOnly, RunMonitor* monitor) {
    auto fail = [&](int code) {
        QString text = QString::fromUtf16(static_cast<const char16_t*>(sqlite3_errmsg16(handle)));
        if ((code & 0xff) == SQLITE_BUSY || (code & 0xff) == SQLITE_LOCKED)
            text += QStringLiteral(" (another program is writing to the database: run the query again when it has "
                                   "finished)");
        throw VLNError(code, QStringLiteral("QSQLITE"), text);
    };
    const SqliteReadOnlyScope readOnlyScope(handle, readOnly);
    sqlite3_stmt* stmt = nullptr;
    const void* tail = nullptr;
    int rc = sqlite3_prepare16_v2(handle, sql.utf16(), static_cast<int>(sql.size() * 2), &stmt, &tail);
    if (rc == SQLITE_AUTH && readOnly)
        throw VLNError(ErrorNumber::CommandFailure, QStringLiteral("QSQLITE"), kReadOnlyRefusal);
    if (rc != SQLITE_OK)
        fail(rc);
    if (!stmt)  // blank or comment only
        throw VLNError(ErrorNumber::CommandFailure, QStringLiteral("QSQLITE"), QStringLiteral("No statement to run."));
    struct Finalize {
        sqlite3_stmt* s;
        ~Finalize() { sqlite3_finalize(s); }
    } finalize{stmt};
    if (readOnly && (!sqlite3_stmt_readonly(stmt) || sqlite3_stmt_isexplain(stmt) != 0))
        throw VLNError(ErrorNumber::CommandFailure, QStringLiteral("QSQLITE"), kReadOnlyRefusal);
    // The whole text must be consumed: what follows the statement may hold only blanks,
    // comments and semicolons, as SQLite itself reads them.
    const auto* rest = static_cast<const char16_t*>(tail);
    const auto* end = reinterpret_cast<const char16_t*>(sql.utf16()) + sql.size();
    while (rest && rest < end) {
        sqlite3_stmt* next = nullptr;
        const void* nextTail = nullptr;
        const int nextRc = sqlite3_prepare16_v2(handle, rest, static_cast<int>((end - rest) * 2), &next, &nextTail);
        if (next || nextRc != SQLITE_OK) {
            sqlite3_finalize(next);
            throw VLNError(ErrorNumber::CommandFailure, QStringLiteral("QSQLITE"),
                           QStringLiteral("Only one statement can be run at a time."));
        }
        if (static_cast<const char16_t*>(nextTail) <= rest)
            break;
        rest = static_cast<const char16_t*>(nextTail);
    }

    const int columns = sqlite3_column_count(stmt);
    SqliteWatch watch(handle, monitor);
    rc = sqlite3_step(stmt);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE && !watch.stopped())
        fail(sqlite3_extended_errcode(handle));

    auto rs = std::make_shared<RecordSet>();
    for (int i = 0; i < columns; ++i) {
        const char* decl = sqlite3_column_decltype(stmt, i);
        int type = AdoType::Variant;
        int size = 0;
        if (decl && *decl) {
            type = adoTypeFromDeclaredType(QString::fromUtf8(decl));
            size = declaredLengthOf(QString::fromUtf8(decl));
        } else if (rc == SQLITE_ROW) {
            // An expression: its first value says what it is.
            switch (sqlite3_column_type(stmt, i)) {
            case SQLITE_INTEGER: type = AdoType::BigInt; break;
            case SQLITE_FLOAT: type = AdoType::Double; break;
            case SQLITE_TEXT: type = AdoType::VarWChar; break;
            case SQLITE_BLOB: type = AdoType::LongVarBinary; break;
            default: break;
            }
        }
        const QString base = QString::fromUtf16(static_cast<const char16_t*>(sqlite3_column_name16(stmt, i)));
        rs->AppendField(rs->UnusedFieldName(base), type, size, AdoFieldAttribute::MayBeNull);
        const auto* table = static_cast<const char16_t*>(sqlite3_column_table_name16(stmt, i));
        rs->SetFieldOrigin(i, decl && *decl ? declaredScaleOf(QString::fromUtf8(decl)) : -1,
                           table ? QString::fromUtf16(table) : QString(), base);
    }
    rs->Open();
    watch.rows = rs;

    std::vector<CellValue> row(static_cast<std::size_t>(columns));
    qint64 count = 0;
    while (rc == SQLITE_ROW && (maxRecords <= 0 || count < maxRecords) && !watch.stopped()) {
        for (int i = 0; i < columns; ++i) {
            CellValue& cell = row[static_cast<std::size_t>(i)];
            switch (sqlite3_column_type(stmt, i)) {
            case SQLITE_INTEGER:
                cell.kind = CellValue::Kind::Integer;
                cell.integer = sqlite3_column_int64(stmt, i);
                break;
            case SQLITE_FLOAT:
                cell.kind = CellValue::Kind::Real;
                cell.real = sqlite3_column_double(stmt, i);
                break;
            case SQLITE_TEXT: {
                // SQLite keeps text as UTF-8: ASCII is taken as it is; anything else is read as
                // SQLite converts it, as the driver does.
                const auto* utf8 = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
                const int bytes = sqlite3_column_bytes(stmt, i);
                if (isAscii(utf8, bytes)) {
                    cell.kind = CellValue::Kind::Latin1;
                    cell.bytes = utf8;
                    cell.length = bytes;
                } else {
                    cell.kind = CellValue::Kind::Text;
                    cell.text = static_cast<const char16_t*>(sqlite3_column_text16(stmt, i));
                    cell.length = sqlite3_column_bytes16(stmt, i) / 2;
                }
                break;
            }
            case SQLITE_BLOB:
                cell.kind = CellValue::Kind::Bytes;
                cell.bytes = static_cast<const char*>(sqlite3_column_blob(stmt, i));
                cell.length = sqlite3_column_bytes(stmt, i);
                break;
            default:
                cell.kind = CellValue::Kind::Null;
                break;
            }
        }
        rs->AppendRow(std::span<const CellValue>(row));
        watch.count = ++count;
        rc = sqlite3_step(stmt);
    }
    if (rc != SQLITE_ROW && rc != SQLITE_DONE && !watch.stopped())
        fail(sqlite3_extended_errcode(handle));
    rs->Squeeze();
    if (rs->RecordCount() > 0)
        rs->MoveFirst();
    return rs;
}

}  // namespace lorvane
