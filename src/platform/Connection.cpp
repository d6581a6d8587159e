#include "Connection.h"

#include "AdoTypes.h"
#include "ConnectionString.h"
#include "OdbcCatalogue.h"
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

// The length in a declaration such as VARCHAR(40) or DECIMAL(10,2); 0 when there is none.
int declaredLength(QStringView declared) {
    const qsizetype open = declared.indexOf(u'(');
    if (open < 0)
        return 0;
    qsizetype i = open + 1;
    while (i < declared.size() && declared[i].isSpace())
        ++i;
    int length = 0;
    bool digits = false;
    for (; i < declared.size() && declared[i].isDigit() && length < 100000000; ++i) {
        length = length * 10 + declared[i].digitValue();
        digits = true;
    }
    return digits ? length : 0;
}

void appendTablesFields(RecordSet& rs) {
    rs.AppendField(QStringLiteral("TABLE_CATALOG"), AdoType::VarWChar, 128);
    rs.AppendField(QStringLiteral("TABLE_SCHEMA"), AdoType::VarWChar, 128);
    rs.AppendField(QStringLiteral("TABLE_NAME"), AdoType::VarWChar, 128);
    rs.AppendField(QStringLiteral("TABLE_TYPE"), AdoType::VarWChar, 128);
    rs.Open();
}

void appendColumnsFields(RecordSet& rs) {
    rs.AppendField(QStringLiteral("TABLE_CATALOG"), AdoType::VarWChar, 128);
    rs.AppendField(QStringLiteral("TABLE_SCHEMA"), AdoType::VarWChar, 128);
    rs.AppendField(QStringLiteral("TABLE_NAME"), AdoType::VarWChar, 128);
    rs.AppendField(QStringLiteral("COLUMN_NAME"), AdoType::VarWChar, 128);
    rs.AppendField(QStringLiteral("ORDINAL_POSITION"), AdoType::Integer, 4);
    rs.AppendField(QStringLiteral("IS_NULLABLE"), AdoType::Boolean, 2);
    rs.AppendField(QStringLiteral("DATA_TYPE"), AdoType::SmallInt, 2);
    rs.AppendField(QStringLiteral("CHARACTER_MAXIMUM_LENGTH"), AdoType::Integer, 4);
    rs.AppendField(QStringLiteral("TYPE_NAME"), AdoType::VarWChar, 128);
    rs.Open();
}

void addColumnRow(RecordSet& rs, const QVariant& catalog, const QVariant& schema, const QString& table,
                  const QString& column, int ordinal, bool nullable, int type, int length, const QString& typeName) {
    const QVariant values[] = {catalog, schema, table, column, ordinal, nullable, type,
                               length > 0 ? QVariant(length) : QVariant(), typeName};
    rs.AppendRow(values);
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
            size = declaredLength(QString::fromUtf8(decl));
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

std::shared_ptr<RecordSet> Connection::OpenSchema(SchemaEnum schema, const QVariantList& restrictions) {
    requireOpen(ErrorNumber::ObjectClosed);
    if (schema == SchemaTables)
        return tablesSchema();
    if (schema == SchemaColumns)
        return columnsSchema(restrictions.size() > 2 ? restrictions.at(2).toString() : QString());
    raise(ErrorNumber::NotAllowedInContext, QStringLiteral("Schema %1 is not supported.").arg(int(schema)));
}

std::shared_ptr<RecordSet> Connection::tablesSchema() {
    QSqlDatabase db = database();
    auto rs = std::make_shared<RecordSet>();
    appendTablesFields(*rs);
    struct Row {
        QString schema, name, type;
    };
    std::vector<Row> rows;
    QString catalog;
    const QString driver = db.driverName();
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (driver == u"QSQLITE") {
        if (!q.exec(QStringLiteral(
                "SELECT name, CASE WHEN name LIKE 'sqlite\\_%' ESCAPE '\\' THEN 'SYSTEM TABLE' "
                "WHEN type = 'view' THEN 'VIEW' ELSE 'TABLE' END FROM sqlite_master "
                "WHERE type IN ('table', 'view') UNION ALL SELECT 'sqlite_master', 'SYSTEM TABLE'")))
            raiseDriverError(q.lastError(), ErrorNumber::ProviderFailure);
        while (q.next())
            rows.push_back({QString(), q.value(0).toString(), q.value(1).toString()});
    } else if (driver == u"QPSQL") {
        if (!q.exec(QStringLiteral(
                "SELECT current_database(), n.nspname, c.relname, "
                "CASE WHEN n.nspname IN ('pg_catalog', 'information_schema') THEN "
                "  CASE WHEN c.relkind IN ('v', 'm') THEN 'SYSTEM VIEW' ELSE 'SYSTEM TABLE' END "
                "WHEN c.relkind IN ('v', 'm') THEN 'VIEW' WHEN c.relkind = 'f' THEN 'FOREIGN TABLE' "
                "ELSE 'TABLE' END "
                "FROM pg_catalog.pg_class c JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace "
                "WHERE c.relkind IN ('r', 'p', 'v', 'm', 'f') AND n.nspname NOT LIKE 'pg\\_toast%' "
                "AND n.nspname NOT LIKE 'pg\\_temp%'")))
            raiseDriverError(q.lastError(), ErrorNumber::ProviderFailure);
        while (q.next()) {
            catalog = q.value(0).toString();
            rows.push_back({q.value(1).toString(), q.value(2).toString(), q.value(3).toString()});
        }
    } else {
        const std::pair<QSql::TableType, const char*> kinds[] = {
            {QSql::Tables, "TABLE"}, {QSql::Views, "VIEW"}, {QSql::SystemTables, "SYSTEM TABLE"}};
        for (const auto& [kind, label] : kinds)
            for (const QString& name : db.tables(kind))
                rows.push_back({QString(), name, QString::fromLatin1(label)});
        if (db.lastError().isValid())
            raiseDriverError(db.lastError(), ErrorNumber::ProviderFailure);
    }
    std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
        if (a.type != b.type)
            return a.type < b.type;
        if (a.schema != b.schema)
            return a.schema < b.schema;
        return a.name < b.name;
    });
    for (const Row& r : rows) {
        const QVariant values[] = {catalog.isEmpty() ? QVariant() : QVariant(catalog),
                                   r.schema.isEmpty() ? QVariant() : QVariant(r.schema), r.name, r.type};
        rs->AppendRow(values);
    }
    if (rs->RecordCount() > 0)
        rs->MoveFirst();
    return rs;
}

std::shared_ptr<RecordSet> Connection::columnsSchema(const QString& table) {
    auto rs = std::make_shared<RecordSet>();
    appendColumnsFields(*rs);
    const QString driver = DriverName();
    if (driver == u"QSQLITE")
        readSqliteColumns(*rs, table);
    else if (driver == u"QPSQL")
        readPostgresColumns(*rs, table);
    else
        readOdbcColumns(*rs, table);
    if (rs->RecordCount() > 0)
        rs->MoveFirst();
    return rs;
}

void Connection::readSqliteColumns(RecordSet& rs, const QString& table) {
    // One query over every table; a broken view (its table dropped) makes the pragma fail,
    // so then each table is read on its own and the broken ones are left out. The rows are
    // read with the sqlite3 library (OpenRecordSet), which keeps large catalogues fast.
    const QString sql = QStringLiteral(
        "SELECT m.name, p.cid, p.name, p.type, p.\"notnull\" FROM sqlite_master m "
        "JOIN pragma_table_xinfo(m.name) p WHERE m.type IN ('table', 'view') AND p.hidden <> 1 %1 "
        "ORDER BY m.name, p.cid");
    auto restrictedTo = [](const QString& name) {
        return QStringLiteral("AND m.name = '%1'").arg(QString(name).replace(u'\'', QStringLiteral("''")));
    };
    auto readRows = [&rs](RecordSet& found) {
        for (qint64 r = 0; r < found.RecordCount(); ++r) {
            const QString decl = found.ValueAt(r, 3).toString();
            addColumnRow(rs, QVariant(), QVariant(), found.ValueAt(r, 0).toString(), found.ValueAt(r, 2).toString(),
                         found.ValueAt(r, 1).toInt() + 1, found.ValueAt(r, 4).toInt() == 0,
                         adoTypeFromDeclaredType(decl), declaredLength(decl), decl);
        }
    };
    if (!table.isEmpty()) {
        readRows(*OpenRecordSet(sql.arg(restrictedTo(table))));
        return;
    }
    try {
        readRows(*OpenRecordSet(sql.arg(QString())));
        return;
    } catch (const VLNError&) {
    }
    auto names = OpenRecordSet(QStringLiteral("SELECT name FROM sqlite_master WHERE type IN ('table', 'view') ORDER BY name"));
    for (qint64 r = 0; r < names->RecordCount(); ++r) {
        try {
            readRows(*OpenRecordSet(sql.arg(restrictedTo(names->ValueAt(r, 0).toString()))));
        } catch (const VLNError&) {
        }
    }
}

void Connection::readPostgresColumns(RecordSet& rs, const QString& table) {
    QSqlQuery q(database());
    q.setForwardOnly(true);
    const QString sql = QStringLiteral(
        "SELECT current_database(), n.nspname, c.relname, a.attname, a.attnum, NOT a.attnotnull, "
        "CASE WHEN t.typtype = 'd' THEN t.typbasetype ELSE a.atttypid END, "
        "CASE WHEN a.atttypid IN (1042, 1043) AND a.atttypmod > 4 THEN a.atttypmod - 4 ELSE 0 END, "
        "pg_catalog.format_type(a.atttypid, a.atttypmod) "
        "FROM pg_catalog.pg_attribute a JOIN pg_catalog.pg_class c ON c.oid = a.attrelid "
        "JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace "
        "JOIN pg_catalog.pg_type t ON t.oid = a.atttypid "
        "WHERE a.attnum > 0 AND NOT a.attisdropped AND c.relkind IN ('r', 'p', 'v', 'm', 'f') %1 "
        "ORDER BY c.relname, n.nspname, a.attnum");
    if (table.isEmpty()) {
        q.exec(sql.arg(QStringLiteral(
            "AND n.nspname NOT IN ('pg_catalog', 'information_schema') AND n.nspname NOT LIKE 'pg\\_toast%'")));
    } else {
        q.prepare(sql.arg(QStringLiteral("AND c.relname = ?")));
        q.addBindValue(table);
        q.exec();
    }
    if (q.lastError().isValid())
        raiseDriverError(q.lastError(), ErrorNumber::ProviderFailure);
    while (q.next())
        addColumnRow(rs, q.value(0), q.value(1), q.value(2).toString(), q.value(3).toString(), q.value(4).toInt(),
                     q.value(5).toBool(), adoTypeFromPostgresOid(q.value(6).toInt()), q.value(7).toInt(),
                     q.value(8).toString());
}

void Connection::readOdbcColumns(RecordSet& rs, const QString& table) {
    QSqlDatabase db = database();
    const QVariant handle = db.driver()->handle();
    // QODBC hands out its SQLHDBC as a void* (SQLHANDLE).
    if (handle.isValid() && (qstrcmp(handle.typeName(), "SQLHANDLE") == 0 || qstrcmp(handle.typeName(), "void*") == 0)) {
        const OdbcColumnsResult result =
            readOdbcCatalogueColumns(*static_cast<void* const*>(handle.constData()), table);
        if (result.ok) {
            for (const OdbcColumn& c : result.columns) {
                // Some drivers report declared numeric or date columns as text; the declared
                // type name then says more than the type code.
                int type = adoTypeFromOdbcSqlType(c.sqlType);
                const int declared = adoTypeFromDeclaredType(c.typeName);
                if (isTextAdoType(type) && !isTextAdoType(declared) && declared != AdoType::Variant)
                    type = declared;
                addColumnRow(rs, c.catalog, c.schema, c.table, c.column, c.ordinal, c.nullable, type, c.size,
                             c.typeName);
            }
            return;
        }
    }
    // Without the driver's handle: one record per table, with the types QODBC reports.
    QStringList tables;
    if (table.isEmpty())
        tables = db.tables(QSql::Tables) + db.tables(QSql::Views);
    else
        tables << table;
    std::sort(tables.begin(), tables.end());
    for (const QString& t : tables) {
        const QSqlRecord record = db.record(t);
        for (int i = 0; i < record.count(); ++i) {
            const QSqlField f = record.field(i);
            addColumnRow(rs, QVariant(), QVariant(), t, f.name(), i + 1, f.requiredStatus() != QSqlField::Required,
                         adoTypeFromOdbcSqlType(f.typeID()), std::max(0, f.length()), QString());
        }
    }
}

}  // namespace lorvane
