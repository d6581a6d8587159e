#include "Connection.h"

#include "AdoTypes.h"
#include "ConnectionString.h"
#include "VLNError.h"

#include <QAtomicInt>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlResult>
#include <QStringList>
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
    QString driver;
    switch (cs.kind()) {
    case lorvane::ConnectionString::Kind::SQLite: driver = QStringLiteral("QSQLITE"); break;
    case lorvane::ConnectionString::Kind::PostgreSQL: driver = QStringLiteral("QPSQL"); break;
    case lorvane::ConnectionString::Kind::Odbc: driver = QStringLiteral("QODBC"); break;
    }
    if (cs.kind() == lorvane::ConnectionString::Kind::SQLite) {
        // QSQLITE would silently create a new empty database for a mistyped path.
        const QString path = cs.value(QStringLiteral("Data Source"), cs.value(QStringLiteral("Database")));
        if (path != u":memory:" && !QFileInfo(path).isFile())
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
        break;
    case lorvane::ConnectionString::Kind::Odbc:
        db.setDatabaseName(cs.odbcText());
        if (connectionTimeout_ > 0)
            options << QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=%1").arg(connectionTimeout_);
        break;
    }
    db.setConnectOptions(options.join(u';'));

    const bool ok = (userId.isEmpty() && password.isEmpty()) ? db.open() : db.open(userId, password);
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
    }
}

void Connection::Close() {
    requireOpen(ErrorNumber::ObjectClosed);
    QSqlDatabase db = database();
    db.close();
}

qint64 Connection::Execute(const QString& sql) {
    requireOpen(ErrorNumber::ObjectClosed);
    QSqlQuery q(database());
    if (!q.exec(sql))
        raiseDriverError(q.lastError(), ErrorNumber::CommandFailure);
    return q.numRowsAffected();
}

namespace {

// The text with quoted strings, quoted names and comments blanked out.
QString withoutLiterals(const QString& sql) {
    QString out = sql;
    QChar quote;
    for (qsizetype i = 0; i < out.size(); ++i) {
        const QChar c = out[i];
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            out[i] = u' ';
        } else if (c == u'\'' || c == u'"' || c == u'[' || c == u'`') {
            quote = c == u'[' ? QChar(u']') : c;
            out[i] = u' ';
        } else if (c == u'-' && i + 1 < out.size() && out[i + 1] == u'-') {
            while (i < out.size() && out[i] != u'\n')
                out[i++] = u' ';
        }
    }
    return out;
}

// One SELECT (or WITH ... SELECT) and nothing after it.
bool isSingleQuery(const QString& sql) {
    QString text = withoutLiterals(sql).trimmed();
    while (text.endsWith(u';'))
        text.chop(1);
    if (text.contains(u';'))
        return false;
    static const QRegularExpression start(QStringLiteral("^\\(*\\s*(SELECT|WITH)\\b"),
                                          QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression writes(QStringLiteral("\\b(INSERT|UPDATE|DELETE|MERGE|CREATE|DROP|ALTER|INTO)\\b"),
                                           QRegularExpression::CaseInsensitiveOption);
    return start.match(text).hasMatch() && !writes.match(text).hasMatch();
}

}  // namespace

std::shared_ptr<RecordSet> Connection::OpenRecordSet(const QString& sql, qint64 maxRecords, bool readOnly) {
    requireOpen(ErrorNumber::NotUsable);
    QSqlDatabase db = database();
    const QString driver = db.driverName();
    if (driver == u"QSQLITE") {
        const QVariant h = db.driver()->handle();
        if (h.isValid() && qstrcmp(h.typeName(), "sqlite3*") == 0)
            return openSqliteRecordSet(*static_cast<sqlite3* const*>(h.constData()), sql, maxRecords, readOnly);
    }
    if (!readOnly)
        return readQuery(sql, maxRecords);
    if (!isSingleQuery(sql))
        throw VLNError(ErrorNumber::CommandFailure, driver,
                       QStringLiteral("Only a single SELECT statement can be run here."));
    if (driver == u"QPSQL") {
        // The query also runs inside a transaction that cannot change data (a function called
        // by the SELECT may try), rolled back in every case.
        if (!db.transaction())
            raiseDriverError(db.lastError(), ErrorNumber::CommandFailure);
        try {
            QSqlQuery readOnlyMode(db);
            if (!readOnlyMode.exec(QStringLiteral("SET TRANSACTION READ ONLY")))
                raiseDriverError(readOnlyMode.lastError(), ErrorNumber::CommandFailure);
            auto rs = readQuery(sql, maxRecords);
            db.rollback();
            return rs;
        } catch (...) {
            db.rollback();
            throw;
        }
    }
    return readQuery(sql, maxRecords);
}

std::shared_ptr<RecordSet> Connection::readQuery(const QString& sql, qint64 maxRecords) {
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
        }
        QString name = f.name();
        // Two result columns may share a name (SELECT a.ID, b.ID); keep both reachable.
        for (int n = 2; rs->FieldIndex(name) >= 0; ++n)
            name = QStringLiteral("%1_%2").arg(f.name()).arg(n);
        rs->AppendField(name, type, size, AdoFieldAttribute::MayBeNull);
    }
    rs->Open();

    std::vector<QVariant> row(static_cast<std::size_t>(record.count()));
    qint64 count = 0;
    while ((maxRecords <= 0 || count < maxRecords) && q.next()) {
        for (int i = 0; i < record.count(); ++i)
            row[static_cast<std::size_t>(i)] = q.value(i);
        rs->AppendRow(row);
        ++count;
    }
    if (q.lastError().isValid())
        raiseDriverError(q.lastError(), ErrorNumber::CommandFailure);
    rs->Squeeze();
    if (rs->RecordCount() > 0)
        rs->MoveFirst();
    return rs;
}

// SQLite results are read with the library itself on the connection's handle: typed cells go
// straight into the record set, with no QVariant per cell.
std::shared_ptr<RecordSet> Connection::openSqliteRecordSet(sqlite3* handle, const QString& sql, qint64 maxRecords,
                                                           bool readOnly) {
    auto fail = [&](int code) {
        throw VLNError(code, QStringLiteral("QSQLITE"),
                       QString::fromUtf16(static_cast<const char16_t*>(sqlite3_errmsg16(handle))));
    };
    sqlite3_stmt* stmt = nullptr;
    const void* tail = nullptr;
    int rc = sqlite3_prepare16_v2(handle, sql.utf16(), static_cast<int>(sql.size() * 2), &stmt, &tail);
    if (rc != SQLITE_OK)
        fail(rc);
    if (!stmt)  // blank or comment only
        throw VLNError(ErrorNumber::CommandFailure, QStringLiteral("QSQLITE"), QStringLiteral("No statement to run."));
    struct Finalize {
        sqlite3_stmt* s;
        ~Finalize() { sqlite3_finalize(s); }
    } finalize{stmt};
    if (readOnly && !sqlite3_stmt_readonly(stmt))
        throw VLNError(ErrorNumber::CommandFailure, QStringLiteral("QSQLITE"),
                       QStringLiteral("Only statements that read data can be run here."));
    const auto* rest = static_cast<const char16_t*>(tail);
    const auto* end = reinterpret_cast<const char16_t*>(sql.utf16()) + sql.size();
    if (rest && QStringView(rest, end - rest).trimmed().size() > 0 && QStringView(rest, end - rest).trimmed() != u";")
        throw VLNError(ErrorNumber::CommandFailure, QStringLiteral("QSQLITE"),
                       QStringLiteral("Only one statement can be run at a time."));

    const int columns = sqlite3_column_count(stmt);
    rc = sqlite3_step(stmt);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
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
        QString name = base;
        // Two result columns may share a name (SELECT a.ID, b.ID); keep both reachable.
        for (int n = 2; rs->FieldIndex(name) >= 0; ++n)
            name = QStringLiteral("%1_%2").arg(base).arg(n);
        rs->AppendField(name, type, size, AdoFieldAttribute::MayBeNull);
    }
    rs->Open();

    std::vector<CellValue> row(static_cast<std::size_t>(columns));
    qint64 count = 0;
    while (rc == SQLITE_ROW && (maxRecords <= 0 || count < maxRecords)) {
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
            case SQLITE_TEXT:
                cell.kind = CellValue::Kind::Text;
                cell.text = static_cast<const char16_t*>(sqlite3_column_text16(stmt, i));
                cell.length = sqlite3_column_bytes16(stmt, i) / 2;
                break;
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
        ++count;
        rc = sqlite3_step(stmt);
    }
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        fail(sqlite3_extended_errcode(handle));
    rs->Squeeze();
    if (rs->RecordCount() > 0)
        rs->MoveFirst();
    return rs;
}

}  // namespace lorvane
