// MariaDB and MySQL with the MariaDB client library on the connection QMYSQL opened: the
// catalogue from information_schema, and read-only runs.
//
// A read-only run sends the text through the server-side prepared statement protocol, which
// takes exactly one statement, with the session reading backslashes as the check before did; one that gives no rows is refused before it runs. It executes
// inside a read-only transaction of a session set read-only, with the session's row limit at
// MaxRecords, so the server stops there. Rows are fetched in a stream in the binary protocol
// (numbers arrive as numbers); Stop cancels with KILL QUERY from a second connection.
#include "Connection.h"
#include "DriverHandle.h"

#include "AdoTypes.h"
#include "VLNError.h"

#include <QByteArray>
#include <QSqlError>
#include <QSqlQuery>
#include <mysql.h>
#include <errmsg.h>
#include <mysqld_error.h>
#include <algorithm>
#include <cstring>
#include <poll.h>
#include <vector>

namespace lorvane {

namespace {

const QString kDriver = QStringLiteral("QMYSQL");
const QString kReadOnlyRefusal = QStringLiteral("Only statements that read data can be run here.");
constexpr unsigned long kFirstBuffer = 256;  // bytes kept per text cell before a longer one is read apart
constexpr unsigned kBinaryCharset = 63;

[[noreturn]] void raise(MYSQL* conn) {
    const unsigned number = mysql_errno(conn);
    const QString text = QString::fromUtf8(mysql_error(conn)).trimmed();
    if (number == CR_SERVER_GONE_ERROR || number == CR_SERVER_LOST)
        throw VLNError(ErrorNumber::NotUsable, kDriver, QStringLiteral("The connection to the database was lost: ") + text);
    throw VLNError(number ? long(number) : ErrorNumber::CommandFailure, kDriver, text);
}

[[noreturn]] void raise(MYSQL_STMT* stmt) {
    // An error the server sends while rows stream is kept on the connection.
    if (mysql_stmt_errno(stmt) == 0 && stmt->mysql && mysql_errno(stmt->mysql) != 0)
        raise(stmt->mysql);
    const unsigned number = mysql_stmt_errno(stmt);
    const QString text = QString::fromUtf8(mysql_stmt_error(stmt)).trimmed();
    if (number == CR_SERVER_GONE_ERROR || number == CR_SERVER_LOST)
        throw VLNError(ErrorNumber::NotUsable, kDriver, QStringLiteral("The connection to the database was lost: ") + text);
    throw VLNError(number ? long(number) : ErrorNumber::CommandFailure, kDriver, text);
}

void run(MYSQL* conn, const QByteArray& command) {
    if (mysql_real_query(conn, command.constData(), static_cast<unsigned long>(command.size())) != 0)
        raise(conn);
}

// The commands that put the session back are repeated once when a KILL QUERY sent to end a
// run arrived after the run's own statement had finished.
void restore(MYSQL* conn, const char* command) {
    for (int attempt = 0; attempt < 2; ++attempt)
        if (mysql_query(conn, command) == 0 || mysql_errno(conn) != ER_QUERY_INTERRUPTED)
            return;
}

std::shared_ptr<RecordSet> emptyResult() {
    auto rs = std::make_shared<RecordSet>();
    rs->Open();
    return rs;
}

bool isBinaryField(const MYSQL_FIELD& f) {
    return f.charsetnr == kBinaryCharset;
}

// Characters, for text; digits, for decimals; bytes otherwise.
int fieldSize(const MYSQL_FIELD& f) {
    if (f.type == MYSQL_TYPE_NEWDECIMAL || f.type == MYSQL_TYPE_DECIMAL) {
        const long digits = long(f.length) - (f.decimals > 0 ? 1 : 0) - ((f.flags & UNSIGNED_FLAG) ? 0 : 1);
        return int(std::max(0L, digits));
    }
    unsigned long length = f.length;
    if (!isBinaryField(f))
        if (const MARIADB_CHARSET_INFO* cs = mariadb_get_charset_by_nr(f.charsetnr); cs && cs->char_maxlen > 1)
            length /= cs->char_maxlen;
    return int(std::min<unsigned long>(length, 0x7fffffff));
}

// The SQL text of a read-only run in the session's encoding (utf8mb4, which QMYSQL sets).
QByteArray utf8(const QString& text) {
    return text.toUtf8();
}

// Ends the statement a connection is running, from a connection of its own.
class QueryKiller {
public:
    QueryKiller(const MariaDbAddress& address, unsigned long threadId) : address_(address), threadId_(threadId) {}
    bool sent() const { return sent_; }
    void send() {
        if (sent_)
            return;
        sent_ = true;
        MYSQL* killer = mysql_init(nullptr);
        if (!killer)
            return;
        const unsigned int timeout = 5;
        mysql_options(killer, MYSQL_OPT_CONNECT_TIMEOUT, &timeout);
        const QByteArray host = address_.host.toUtf8(), user = address_.user.toUtf8(), password = address_.password.toUtf8();
        const QByteArray socket = address_.socket.toUtf8();
        if (mysql_real_connect(killer, host.isEmpty() ? nullptr : host.constData(), user.constData(),
                               password.constData(), nullptr, address_.port,
                               socket.isEmpty() ? nullptr : socket.constData(), 0)) {
            const QByteArray kill = "KILL QUERY " + QByteArray::number(qulonglong(threadId_));
            mysql_real_query(killer, kill.constData(), static_cast<unsigned long>(kill.size()));
        }
        mysql_close(killer);
    }

private:
    MariaDbAddress address_;
    unsigned long threadId_;
    bool sent_ = false;
};

// Runs one step of the client library's non-blocking calls to its end, telling the monitor
// while the server works; when the monitor ends the run, the statement is killed and the
// step ends with the server's "interrupted" error.
template <typename Start, typename Cont>
int watched(MYSQL* conn, RunMonitor* monitor, QueryKiller& killer, const std::shared_ptr<RecordSet>& rows,
            qint64 count, Start start, Cont cont) {
    int result = 0;
    int status = start(&result);
    while (status != 0) {
        pollfd wait{mysql_get_socket(conn), 0, 0};
        if (status & MYSQL_WAIT_READ)
            wait.events |= POLLIN;
        if (status & MYSQL_WAIT_WRITE)
            wait.events |= POLLOUT;
        if (status & MYSQL_WAIT_EXCEPT)
            wait.events |= POLLPRI;
        const int ready = ::poll(&wait, 1, RunMonitor::kIntervalMs);
        if (ready <= 0) {
            if (!killer.sent() && monitor->report(rows, count))
                killer.send();
            continue;
        }
        int events = 0;
        if (wait.revents & (POLLIN | POLLHUP | POLLERR))
            events |= MYSQL_WAIT_READ;
        if (wait.revents & POLLOUT)
            events |= MYSQL_WAIT_WRITE;
        if (wait.revents & POLLPRI)
            events |= MYSQL_WAIT_EXCEPT;
        status = cont(&result, events ? events : status);
    }
    return result;
}

// The result's cells, bound as the binary protocol delivers them: integers and floating
// numbers as such, everything else (decimals, dates, text, bytes) as its text or bytes.
class RowBinding {
public:
    explicit RowBinding(const std::vector<MYSQL_FIELD>& fields) : fields_(fields), n_(fields.size()) {
        binds_.resize(n_);
        std::memset(binds_.data(), 0, sizeof(MYSQL_BIND) * n_);
        kinds_.resize(n_);
        ints_.resize(n_);
        reals_.resize(n_);
        lengths_.resize(n_);
        nulls_.resize(n_);
        errors_.resize(n_);
        buffers_.resize(n_);
        overflow_.resize(n_);
        cells_.resize(n_);
        for (std::size_t c = 0; c < n_; ++c) {
            const MYSQL_FIELD& f = fields_[c];
            MYSQL_BIND& b = binds_[c];
            b.length = &lengths_[c];
            b.is_null = &nulls_[c];
            b.error = &errors_[c];
            const bool isUnsigned = (f.flags & UNSIGNED_FLAG) != 0;
            switch (f.type) {
            case MYSQL_TYPE_TINY: case MYSQL_TYPE_SHORT: case MYSQL_TYPE_LONG: case MYSQL_TYPE_INT24:
            case MYSQL_TYPE_YEAR:
                kinds_[c] = Kind::Integer;
                break;
            case MYSQL_TYPE_LONGLONG:
                // Above 2^63 an unsigned value is read as its digits.
                kinds_[c] = isUnsigned ? Kind::Text : Kind::Integer;
                break;
            case MYSQL_TYPE_FLOAT: case MYSQL_TYPE_DOUBLE:
                kinds_[c] = Kind::Real;
                break;
            case MYSQL_TYPE_BIT:
                kinds_[c] = Kind::Bits;
                break;
            default:
                kinds_[c] = isBinaryField(f) && f.type != MYSQL_TYPE_NEWDECIMAL && f.type != MYSQL_TYPE_DECIMAL &&
                                    !isTemporal(f.type)
                                ? Kind::Bytes
                                : Kind::Text;
                break;
            }
            switch (kinds_[c]) {
            case Kind::Integer:
                b.buffer_type = MYSQL_TYPE_LONGLONG;
                b.buffer = &ints_[c];
                b.is_unsigned = isUnsigned;
                break;
            case Kind::Real:
                b.buffer_type = MYSQL_TYPE_DOUBLE;
                b.buffer = &reals_[c];
                break;
            default:
                buffers_[c].resize(int(std::clamp<unsigned long>(f.length + 1, 16, kFirstBuffer)));
                b.buffer_type = MYSQL_TYPE_STRING;
                b.buffer = buffers_[c].data();
                b.buffer_length = static_cast<unsigned long>(buffers_[c].size());
                break;
            }
        }
    }

    MYSQL_BIND* binds() { return binds_.data(); }

    // The current row's cells; a value longer than its buffer is read apart.
    std::span<const CellValue> read(MYSQL_STMT* stmt) {
        for (std::size_t c = 0; c < n_; ++c) {
            CellValue& cell = cells_[c];
            cell = CellValue();
            if (nulls_[c])
                continue;
            switch (kinds_[c]) {
            case Kind::Integer:
                cell.kind = CellValue::Kind::Integer;
                cell.integer = ints_[c];
                break;
            case Kind::Real:
                cell.kind = CellValue::Kind::Real;
                cell.real = reals_[c];
                break;
            default: {
                const char* data = buffers_[c].constData();
                const unsigned long length = lengths_[c];
                if (length > static_cast<unsigned long>(buffers_[c].size())) {
                    overflow_[c].resize(qsizetype(length));
                    MYSQL_BIND whole;
                    std::memset(&whole, 0, sizeof whole);
                    whole.buffer_type = MYSQL_TYPE_STRING;
                    whole.buffer = overflow_[c].data();
                    whole.buffer_length = length;
                    unsigned long got = 0;
                    whole.length = &got;
                    if (mysql_stmt_fetch_column(stmt, &whole, static_cast<unsigned>(c), 0) != 0)
                        raise(stmt);
                    data = overflow_[c].constData();
                }
                if (kinds_[c] == Kind::Bits) {
                    // BIT(n) arrives as its bytes, most significant first.
                    qint64 value = 0;
                    for (unsigned long i = 0; i < length; ++i)
                        value = (value << 8) | static_cast<unsigned char>(data[i]);
                    cell.kind = CellValue::Kind::Integer;
                    cell.integer = value;
                    break;
                }
                cell.kind = kinds_[c] == Kind::Bytes ? CellValue::Kind::Bytes : CellValue::Kind::Utf8;
                cell.bytes = data;
                cell.length = qsizetype(length);
                break;
            }
            }
        }
        return cells_;
    }

private:
    enum class Kind { Integer, Real, Text, Bytes, Bits };
    static bool isTemporal(enum_field_types t) {
        return t == MYSQL_TYPE_DATE || t == MYSQL_TYPE_NEWDATE || t == MYSQL_TYPE_TIME || t == MYSQL_TYPE_DATETIME ||
               t == MYSQL_TYPE_TIMESTAMP;
    }
    const std::vector<MYSQL_FIELD>& fields_;
    std::size_t n_;
    std::vector<MYSQL_BIND> binds_;
    std::vector<Kind> kinds_;
    std::vector<long long> ints_;
    std::vector<double> reals_;
    std::vector<unsigned long> lengths_;
    std::vector<my_bool> nulls_;
    std::vector<my_bool> errors_;
    std::vector<QByteArray> buffers_;
    std::vector<QByteArray> overflow_;
    std::vector<CellValue> cells_;
};

struct Statement {
    MYSQL_STMT* s;
    explicit Statement(MYSQL* conn) : s(mysql_stmt_init(conn)) {
        if (!s)
            raise(conn);
    }
    ~Statement() { mysql_stmt_close(s); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
};

struct Metadata {
    MYSQL_RES* r;
    ~Metadata() {
        if (r)
            mysql_free_result(r);
    }
};

// The session and transaction are put back however the run ends.
struct ReadOnlyTransaction {
    MYSQL* conn;
    bool limited;
    ReadOnlyTransaction(MYSQL* c, qint64 maxRecords) : conn(c), limited(maxRecords > 0) {
        run(conn, "SET SESSION TRANSACTION READ ONLY");
        try {
            // The text is checked as read without backslash escapes; the server must read it so
            // too, whatever a host set since.
            QByteArray settings = "SET SESSION sql_mode = CONCAT_WS(',', NULLIF(@@SESSION.sql_mode, ''), "
                                  "'NO_BACKSLASH_ESCAPES')";
            if (limited)
                settings += ", SESSION sql_select_limit = " + QByteArray::number(maxRecords);
            run(conn, settings);
            run(conn, "START TRANSACTION READ ONLY");
        } catch (...) {
            cleanUp();
            throw;
        }
    }
    ~ReadOnlyTransaction() {
        restore(conn, "ROLLBACK");
        cleanUp();
    }
    void cleanUp() {
        if (limited)
            restore(conn, "SET SESSION sql_select_limit = DEFAULT");
        restore(conn, "SET SESSION TRANSACTION READ WRITE");
    }
};

}  // namespace

int adoTypeFromMariaDbField(int fieldType, bool isUnsigned, bool binary, qint64 length) {
    switch (fieldType) {
    case MYSQL_TYPE_TINY: return length == 1 ? AdoType::Boolean : isUnsigned ? AdoType::SmallInt : AdoType::TinyInt;
    case MYSQL_TYPE_SHORT: return isUnsigned ? AdoType::Integer : AdoType::SmallInt;
    case MYSQL_TYPE_LONG: return isUnsigned ? AdoType::BigInt : AdoType::Integer;
    case MYSQL_TYPE_INT24: return AdoType::Integer;
    case MYSQL_TYPE_LONGLONG: return isUnsigned ? AdoType::Decimal : AdoType::BigInt;
    case MYSQL_TYPE_YEAR: return AdoType::SmallInt;
    case MYSQL_TYPE_FLOAT: return AdoType::Single;
    case MYSQL_TYPE_DOUBLE: return AdoType::Double;
    case MYSQL_TYPE_DECIMAL: case MYSQL_TYPE_NEWDECIMAL: return AdoType::Decimal;
    case MYSQL_TYPE_BIT: return length == 1 ? AdoType::Boolean : AdoType::BigInt;
    case MYSQL_TYPE_DATE: case MYSQL_TYPE_NEWDATE: return AdoType::DBDate;
    case MYSQL_TYPE_TIME: return AdoType::DBTime;
    case MYSQL_TYPE_DATETIME: case MYSQL_TYPE_TIMESTAMP: return AdoType::DBTimeStamp;
    case MYSQL_TYPE_STRING: return binary ? AdoType::Binary : AdoType::Char;
    case MYSQL_TYPE_VARCHAR: case MYSQL_TYPE_VAR_STRING: return binary ? AdoType::VarBinary : AdoType::VarChar;
    case MYSQL_TYPE_TINY_BLOB: case MYSQL_TYPE_BLOB: case MYSQL_TYPE_MEDIUM_BLOB: case MYSQL_TYPE_LONG_BLOB:
        return binary ? AdoType::LongVarBinary : AdoType::LongVarChar;
    case MYSQL_TYPE_JSON: return AdoType::LongVarChar;
    case MYSQL_TYPE_ENUM: case MYSQL_TYPE_SET: return AdoType::VarChar;
    case MYSQL_TYPE_GEOMETRY: return AdoType::LongVarBinary;
    default: return AdoType::VarChar;
    }
}

int adoTypeFromMariaDbColumn(const QString& dataType, const QString& columnType) {
    const QString t = dataType.toLower();
    const bool isUnsigned = columnType.contains(QLatin1String("unsigned"), Qt::CaseInsensitive);
    if (t == u"tinyint")
        return columnType.startsWith(QLatin1String("tinyint(1)"), Qt::CaseInsensitive) ? AdoType::Boolean
               : isUnsigned                                                            ? AdoType::SmallInt
                                                                                       : AdoType::TinyInt;
    if (t == u"smallint")
        return isUnsigned ? AdoType::Integer : AdoType::SmallInt;
    if (t == u"mediumint")
        return AdoType::Integer;
    if (t == u"int" || t == u"integer")
        return isUnsigned ? AdoType::BigInt : AdoType::Integer;
    if (t == u"bigint")
        return isUnsigned ? AdoType::Decimal : AdoType::BigInt;
    if (t == u"year")
        return AdoType::SmallInt;
    if (t == u"float")
        return AdoType::Single;
    if (t == u"double" || t == u"real")
        return AdoType::Double;
    if (t == u"decimal" || t == u"numeric")
        return AdoType::Decimal;
    if (t == u"bit")
        return columnType.compare(QLatin1String("bit(1)"), Qt::CaseInsensitive) == 0 ? AdoType::Boolean
                                                                                      : AdoType::BigInt;
    if (t == u"date")
        return AdoType::DBDate;
    if (t == u"time")
        return AdoType::DBTime;
    if (t == u"datetime" || t == u"timestamp")
        return AdoType::DBTimeStamp;
    if (t == u"char")
        return AdoType::Char;
    if (t == u"varchar" || t == u"enum" || t == u"set" || t == u"inet4" || t == u"inet6")
        return AdoType::VarChar;
    if (t == u"uuid")
        return AdoType::Guid;
    if (t.endsWith(QLatin1String("text")) || t == u"json" || t == u"longtext")
        return AdoType::LongVarChar;
    if (t == u"binary")
        return AdoType::Binary;
    if (t == u"varbinary")
        return AdoType::VarBinary;
    if (t.endsWith(QLatin1String("blob")) || t == u"geometry" || t.endsWith(QLatin1String("point")) ||
        t.endsWith(QLatin1String("linestring")) || t.endsWith(QLatin1String("polygon")) ||
        t.endsWith(QLatin1String("collection")))
        return AdoType::LongVarBinary;
    return AdoType::VarChar;
}

std::vector<std::array<QString, 3>> Connection::readMariaDbTables() {
    std::vector<std::array<QString, 3>> rows;
    QSqlQuery q(database());
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral(
            "SELECT TABLE_SCHEMA, TABLE_NAME, CASE TABLE_TYPE WHEN 'BASE TABLE' THEN 'TABLE' "
            "WHEN 'SYSTEM VERSIONED' THEN 'TABLE' ELSE TABLE_TYPE END "
            "FROM information_schema.TABLES WHERE TABLE_SCHEMA = DATABASE()")))
        raiseDriverError(q.lastError(), ErrorNumber::ProviderFailure);
    while (q.next())
        rows.push_back({q.value(0).toString(), q.value(1).toString(), q.value(2).toString()});
    return rows;
}

void Connection::readMariaDbColumns(RecordSet& rs, const QString& table) {
    QSqlQuery q(database());
    q.setForwardOnly(true);
    const QString sql = QStringLiteral(
        "SELECT TABLE_SCHEMA, TABLE_NAME, COLUMN_NAME, ORDINAL_POSITION, IS_NULLABLE = 'YES', DATA_TYPE, "
        "COLUMN_TYPE, CHARACTER_MAXIMUM_LENGTH FROM information_schema.COLUMNS "
        "WHERE TABLE_SCHEMA = DATABASE() %1 ORDER BY TABLE_NAME, ORDINAL_POSITION");
    if (table.isEmpty()) {
        q.exec(sql.arg(QString()));
    } else {
        // The catalogue compares names without case; the table's own name is the one meant.
        q.prepare(sql.arg(QStringLiteral("AND TABLE_NAME = ? AND BINARY TABLE_NAME = BINARY ?")));
        q.addBindValue(table);
        q.addBindValue(table);
        q.exec();
    }
    if (q.lastError().isValid())
        raiseDriverError(q.lastError(), ErrorNumber::ProviderFailure);
    while (q.next()) {
        const qint64 length = q.value(7).isNull() ? 0 : q.value(7).toLongLong();
        const QVariant values[] = {QVariant(), q.value(0), q.value(1).toString(), q.value(2).toString(),
                                   q.value(3).toInt(), q.value(4).toInt() != 0,
                                   adoTypeFromMariaDbColumn(q.value(5).toString(), q.value(6).toString()),
                                   length > 0 ? QVariant(int(std::min<qint64>(length, 0x7fffffff))) : QVariant(),
                                   q.value(6).toString()};
        rs.AppendRow(values);
    }
}

std::shared_ptr<RecordSet> Connection::openMariaDbReadOnly(st_mysql* conn, const QString& sql, qint64 maxRecords,
                                                           RunMonitor* monitor) {
    const ReadOnlyTransaction transaction(conn, maxRecords);
    const Statement stmt(conn);
    const QByteArray text = utf8(sql);
    if (mysql_stmt_prepare(stmt.s, text.constData(), static_cast<unsigned long>(text.size())) != 0) {
        // What the prepared statement protocol does not take at all (HANDLER, LOAD DATA ...).
        if (mysql_stmt_errno(stmt.s) == ER_UNSUPPORTED_PS)
            throw VLNError(ErrorNumber::CommandFailure, kDriver, kReadOnlyRefusal);
        raise(stmt.s);
    }
    // A statement that gives no rows (SET, DO, SELECT ... INTO, a write) is not run.
    const unsigned columns = mysql_stmt_field_count(stmt.s);
    if (columns == 0)
        throw VLNError(ErrorNumber::CommandFailure, kDriver, kReadOnlyRefusal);
    const Metadata meta{mysql_stmt_result_metadata(stmt.s)};
    if (!meta.r)
        raise(stmt.s);
    std::vector<MYSQL_FIELD> fields(mysql_fetch_fields(meta.r), mysql_fetch_fields(meta.r) + columns);

    QueryKiller killer(mariaDbAddress_, mysql_thread_id(conn));
    int executed = 0;
    if (monitor) {
        executed = watched(
            conn, monitor, killer, nullptr, 0, [&](int* r) { return mysql_stmt_execute_start(r, stmt.s); },
            [&](int* r, int events) { return mysql_stmt_execute_cont(r, stmt.s, events); });
    } else {
        executed = mysql_stmt_execute(stmt.s);
    }
    if (executed != 0) {
        if (killer.sent())
            return emptyResult();
        raise(stmt.s);
    }

    auto rs = std::make_shared<RecordSet>();
    for (unsigned c = 0; c < columns; ++c) {
        const MYSQL_FIELD& f = fields[c];
        const QString name = QString::fromUtf8(f.name, int(f.name_length));
        rs->AppendField(rs->UnusedFieldName(name),
                        adoTypeFromMariaDbField(f.type, f.flags & UNSIGNED_FLAG, isBinaryField(f), qint64(f.length)),
                        fieldSize(f), AdoFieldAttribute::MayBeNull);
        const bool decimal = f.type == MYSQL_TYPE_NEWDECIMAL || f.type == MYSQL_TYPE_DECIMAL;
        rs->SetFieldOrigin(int(c), decimal ? int(f.decimals) : -1, QString::fromUtf8(f.org_table, int(f.org_table_length)),
                           f.org_name_length ? QString::fromUtf8(f.org_name, int(f.org_name_length)) : name);
    }
    rs->Open();

    RowBinding binding(fields);
    if (mysql_stmt_bind_result(stmt.s, binding.binds()) != 0)
        raise(stmt.s);
    qint64 count = 0;
    bool more = true;
    while (maxRecords <= 0 || count < maxRecords) {
        int fetched = 0;
        if (monitor) {
            fetched = watched(
                conn, monitor, killer, rs, count, [&](int* r) { return mysql_stmt_fetch_start(r, stmt.s); },
                [&](int* r, int events) { return mysql_stmt_fetch_cont(r, stmt.s, events); });
        } else {
            fetched = mysql_stmt_fetch(stmt.s);
        }
        if (fetched == MYSQL_NO_DATA) {
            more = false;
            break;
        }
        if (fetched == 1) {
            more = false;
            if (killer.sent())
                break;
            raise(stmt.s);
        }
        rs->AppendRow(binding.read(stmt.s));
        ++count;
        if (monitor && (count & 255) == 0 && monitor->report(rs, count))
            break;
    }
    // Rows the server still has (a run that was stopped, or a text with a LIMIT above
    // MaxRecords) are ended on the server rather than read to their end.
    if (more && !killer.sent() && (monitor && monitor->stopped()))
        killer.send();
    if (more && !killer.sent() && maxRecords > 0 && count >= maxRecords) {
        const int next = mysql_stmt_fetch(stmt.s);
        if (next != MYSQL_NO_DATA && next != 1)
            killer.send();
    }
    rs->Squeeze();
    if (rs->RecordCount() > 0)
        rs->MoveFirst();
    return rs;
}

}  // namespace lorvane
