// Read-only runs on PostgreSQL, with libpq on the connection QPSQL opened.
//
// The user's text is only ever the query of a cursor, declared through the extended query
// protocol: the server parses it as one statement, and a cursor's query can only be a SELECT
// (or VALUES, or WITH ... SELECT without data-modifying parts). It runs inside a read-only
// transaction of a session set read-only, and the rows are fetched in chunks, so a row limit
// stops the server early and a large result is never held twice.
#include "Connection.h"
#include "DriverHandle.h"

#include "AdoTypes.h"
#include "VLNError.h"

#include <QByteArray>
#include <QDateTime>
#include <libpq-fe.h>
#include <algorithm>
#include <poll.h>
#include <cstdlib>
#include <vector>

namespace lorvane {

namespace {

const QString kDriver = QStringLiteral("QPSQL");
constexpr qint64 kFetchChunk = 10000;
constexpr qint64 kFirstChunk = 500;

// What a run ended before its first rows returns: an open record set without fields or rows.
std::shared_ptr<RecordSet> emptyResult() {
    auto rs = std::make_shared<RecordSet>();
    rs->Open();
    return rs;
}

// PostgreSQL type OIDs read here.
constexpr Oid kBool = 16, kBytea = 17, kInt8 = 20, kInt2 = 21, kInt4 = 23, kOid = 26, kFloat4 = 700, kFloat8 = 701,
              kBpchar = 1042, kVarchar = 1043, kTimestampTz = 1184, kNumeric = 1700;

struct Result {
    PGresult* r = nullptr;
    explicit Result(PGresult* result) : r(result) {}
    ~Result() { PQclear(r); }
    Result(const Result&) = delete;
    Result& operator=(const Result&) = delete;
    bool ok() const {
        const ExecStatusType s = PQresultStatus(r);
        return s == PGRES_COMMAND_OK || s == PGRES_TUPLES_OK;
    }
};

// The server's message, with the SQLSTATE as the number when it is numeric; a lost
// connection is error 3709, so that the window reports it as a connection failure.
[[noreturn]] void raise(PGconn* conn, const PGresult* result) {
    if (PQstatus(conn) != CONNECTION_OK)
        throw VLNError(ErrorNumber::NotUsable, kDriver,
                       QStringLiteral("The connection to the database was lost: ") +
                           QString::fromUtf8(PQerrorMessage(conn)).trimmed());
    const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    const char* primary = result ? PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    const char* detail = result ? PQresultErrorField(result, PG_DIAG_MESSAGE_DETAIL) : nullptr;
    QString text = primary ? QString::fromUtf8(primary) : QString::fromUtf8(PQerrorMessage(conn)).trimmed();
    if (detail)
        text += u'\n' + QString::fromUtf8(detail);
    bool numeric = false;
    long number = state ? QString::fromLatin1(state).toLong(&numeric) : 0;
    if (!numeric || number == 0)
        number = ErrorNumber::CommandFailure;
    throw VLNError(number, kDriver, text);
}

void run(PGconn* conn, const char* command) {
    const Result result(PQexec(conn, command));
    if (!result.ok())
        raise(conn, result.r);
}

// The session and transaction are put back however the run ends.
struct ReadOnlyTransaction {
    PGconn* conn;
    explicit ReadOnlyTransaction(PGconn* c) : conn(c) {
        run(conn, "SET SESSION CHARACTERISTICS AS TRANSACTION READ ONLY");
        try {
            run(conn, "BEGIN TRANSACTION READ ONLY");
        } catch (...) {
            PQclear(PQexec(conn, "RESET default_transaction_read_only"));
            throw;
        }
    }
    ~ReadOnlyTransaction() {
        PQclear(PQexec(conn, "ROLLBACK"));
        PQclear(PQexec(conn, "RESET default_transaction_read_only"));
    }
};

int fieldSize(const PGresult* r, int column) {
    const int size = PQfsize(r, column);
    const int modifier = PQfmod(r, column);
    const Oid type = PQftype(r, column);
    if (type == kNumeric)
        return modifier >= 4 ? ((modifier - 4) >> 16) & 0xffff : 0;
    if ((type == kVarchar || type == kBpchar) && modifier >= 4)
        return modifier - 4;
    return std::max(0, size);
}

// The digits after the point of a numeric(p,s) column; -1 for other types and bare numeric.
int fieldScale(const PGresult* r, int column) {
    const int modifier = PQfmod(r, column);
    if (PQftype(r, column) != kNumeric || modifier < 4)
        return -1;
    return (modifier - 4) & 0xffff;
}

// The tables the columns read, by name (the result gives only their numbers); a column of no
// table, or one the catalogue does not answer for, keeps an empty name.
void nameBaseTables(PGconn* conn, RecordSet& rs, const std::vector<Oid>& oids) {
    QByteArrayList wanted;
    for (const Oid oid : oids)
        if (oid != InvalidOid && !wanted.contains(QByteArray::number(oid)))
            wanted << QByteArray::number(oid);
    if (wanted.isEmpty())
        return;
    const QByteArray query = "SELECT oid::bigint, relname FROM pg_catalog.pg_class WHERE oid IN (" + wanted.join(',') + ")";
    PGresult* r = PQexec(conn, query.constData());
    if (PQresultStatus(r) == PGRES_TUPLES_OK) {
        for (int row = 0; row < PQntuples(r); ++row) {
            const Oid oid = static_cast<Oid>(QByteArray(PQgetvalue(r, row, 0)).toULongLong());
            const QString name = QString::fromUtf8(PQgetvalue(r, row, 1));
            for (std::size_t c = 0; c < oids.size(); ++c)
                if (oids[c] == oid) {
                    const FieldInfo& f = rs.Field(static_cast<int>(c));
                    rs.SetFieldOrigin(static_cast<int>(c), f.numericScale, name, f.baseName);
                }
        }
    }
    PQclear(r);
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// One row's cells, read from the text form of each value; the text buffers live until the
// row has been appended.
class RowReader {
public:
    explicit RowReader(int columns) : cells_(static_cast<std::size_t>(columns)), texts_(cells_.size()), bytes_(cells_.size()) {}

    std::span<const CellValue> read(const PGresult* r, int row, const std::vector<Oid>& types) {
        for (int c = 0; c < static_cast<int>(cells_.size()); ++c) {
            const auto k = static_cast<std::size_t>(c);
            CellValue& cell = cells_[k];
            cell = CellValue();
            if (PQgetisnull(r, row, c))
                continue;
            const char* value = PQgetvalue(r, row, c);
            const int length = PQgetlength(r, row, c);
            switch (types[k]) {
            case kBool:
                cell.kind = CellValue::Kind::Integer;
                cell.integer = value[0] == 't' ? 1 : 0;
                break;
            case kInt2: case kInt4: case kInt8: case kOid:
                cell.kind = CellValue::Kind::Integer;
                cell.integer = std::strtoll(value, nullptr, 10);
                break;
            case kFloat4: case kFloat8:
                cell.kind = CellValue::Kind::Real;
                cell.real = std::strtod(value, nullptr);  // also "NaN", "Infinity", "-Infinity"
                break;
            case kBytea:
                if (decodeBytea(value, length, bytes_[k])) {
                    cell.kind = CellValue::Kind::Bytes;
                    cell.bytes = bytes_[k].constData();
                    cell.length = bytes_[k].size();
                    break;
                }
                setText(cell, value, length);
                break;
            case kTimestampTz: {
                // Shown in local time, as a plain date-time.
                QString text = QString::fromUtf8(value, length);
                QDateTime at = QDateTime::fromString(normalisedOffset(text), Qt::ISODateWithMs);
                if (at.isValid())
                    text = at.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
                texts_[k] = text;
                cell.kind = CellValue::Kind::Text;
                cell.text = reinterpret_cast<const char16_t*>(texts_[k].utf16());
                cell.length = texts_[k].size();
                break;
            }
            default:
                setText(cell, value, length);
                break;
            }
        }
        return cells_;
    }

private:
    std::vector<CellValue> cells_;
    std::vector<QString> texts_;
    std::vector<QByteArray> bytes_;

    // The session's encoding is UTF-8; the text is read from the result as it stands.
    static void setText(CellValue& cell, const char* value, int length) {
        cell.kind = CellValue::Kind::Utf8;
        cell.bytes = value;
        cell.length = length;
    }

    // "\x0a1b..." (bytea_output hex) or "a\000\\b" (bytea_output escape, which QPSQL sets).
    static bool decodeBytea(const char* value, int length, QByteArray& out) {
        if (length >= 2 && value[0] == '\\' && value[1] == 'x')
            return decodeHex(value, length, out);
        out.clear();
        out.reserve(length);
        for (int i = 0; i < length; ++i) {
            if (value[i] != '\\') {
                out += value[i];
            } else if (i + 1 < length && value[i + 1] == '\\') {
                out += '\\';
                ++i;
            } else if (i + 3 < length && value[i + 1] >= '0' && value[i + 1] <= '3' && value[i + 2] >= '0' &&
                       value[i + 2] <= '7' && value[i + 3] >= '0' && value[i + 3] <= '7') {
                out += static_cast<char>((value[i + 1] - '0') * 64 + (value[i + 2] - '0') * 8 + (value[i + 3] - '0'));
                i += 3;
            } else {
                return false;
            }
        }
        return true;
    }

    static bool decodeHex(const char* value, int length, QByteArray& out) {
        if (length % 2 != 0)
            return false;
        out.resize((length - 2) / 2);
        for (int i = 2, o = 0; i < length; i += 2, ++o) {
            const int hi = hexValue(value[i]), lo = hexValue(value[i + 1]);
            if (hi < 0 || lo < 0)
                return false;
            out[o] = static_cast<char>(hi * 16 + lo);
        }
        return true;
    }

    // "2020-01-31 10:30:00+02" -> "2020-01-31T10:30:00+02:00", which Qt reads.
    static QString normalisedOffset(QString text) {
        text.replace(u' ', u'T');
        const qsizetype sign = std::max(text.lastIndexOf(u'+'), text.lastIndexOf(u'-'));
        if (sign > 10 && text.size() - sign == 3)
            text += QStringLiteral(":00");
        return text;
    }
};

// Waits for the result of the command sent last. With a monitor, waits in short steps, telling
// the monitor each time, and cancels the command when the monitor ends the run (the result is
// then the server's cancel error, or the full result when it came first).
PGresult* awaitResult(PGconn* conn, RunMonitor* monitor, const std::shared_ptr<RecordSet>& rows, qint64 count) {
    bool cancelled = false;
    while (monitor && PQisBusy(conn)) {
        pollfd wait{PQsocket(conn), POLLIN, 0};
        ::poll(&wait, 1, cancelled ? 1000 : RunMonitor::kIntervalMs);
        if (!PQconsumeInput(conn))
            break;
        if (!PQisBusy(conn))
            break;
        if (!cancelled && monitor->report(rows, count)) {
            cancelled = true;
            if (PGcancel* cancel = PQgetCancel(conn)) {
                char error[256];
                PQcancel(cancel, error, sizeof error);
                PQfreeCancel(cancel);
            }
        }
    }
    // One command gives one result; an error result is kept over what may follow it.
    PGresult* result = nullptr;
    while (PGresult* next = PQgetResult(conn)) {
        if (result && PQresultStatus(result) == PGRES_FATAL_ERROR) {
            PQclear(next);
            continue;
        }
        PQclear(result);
        result = next;
    }
    return result;
}

PGresult* execWatched(PGconn* conn, const QByteArray& command, bool extended, RunMonitor* monitor,
                      const std::shared_ptr<RecordSet>& rows, qint64 count) {
    const int sent = extended ? PQsendQueryParams(conn, command.constData(), 0, nullptr, nullptr, nullptr, nullptr, 0)
                              : PQsendQuery(conn, command.constData());
    if (!sent)
        return nullptr;
    return awaitResult(conn, monitor, rows, count);
}

QByteArray fetchCommand(qint64 rows) {
    return QByteArrayLiteral("FETCH FORWARD ") + QByteArray::number(rows) + QByteArrayLiteral(" FROM lorvane_run");
}

// A FETCH still on its way when a run ends is read and dropped, so that the connection is free.
struct PendingFetch {
    PGconn* conn;
    bool pending = false;
    ~PendingFetch() {
        if (pending)
            while (PGresult* r = PQgetResult(conn))
                PQclear(r);
    }
};

}  // namespace

void Connection::revivePostgres(pg_conn* conn) {
    if (!conn || PQstatus(conn) == CONNECTION_OK)
        return;
    PQreset(conn);
    if (PQstatus(conn) != CONNECTION_OK)
        raise(conn, nullptr);
    // The session as the driver set it up when it connected.
    PQsetClientEncoding(conn, "UTF8");
    for (const char* setting : {"SET DATESTYLE TO 'ISO'", "SET bytea_output TO escape"})
        PQclear(PQexec(conn, setting));
}

std::shared_ptr<RecordSet> Connection::openPostgresReadOnlyReconnecting(const QString& sql, qint64 maxRecords,
                                                                        RunMonitor* monitor) {
    pg_conn* conn = driverHandle<pg_conn>(database(), "pg_conn*");
    try {
        return openPostgresReadOnly(conn, sql, maxRecords, monitor);
    } catch (const VLNError&) {
        // A server that was restarted drops the connection only when it is next used.
        if (PQstatus(conn) == CONNECTION_OK)
            throw;
    }
    revivePostgres(conn);
    return openPostgresReadOnly(conn, sql, maxRecords, monitor);
}

std::shared_ptr<RecordSet> Connection::openPostgresReadOnly(pg_conn* conn, const QString& sql, qint64 maxRecords,
                                                            RunMonitor* monitor) {
    if (PQstatus(conn) != CONNECTION_OK)
        raise(conn, nullptr);
    const ReadOnlyTransaction transaction(conn);
    const QByteArray declare = QByteArrayLiteral("DECLARE lorvane_run NO SCROLL CURSOR FOR ") + sql.toUtf8();
    {
        const Result declared(execWatched(conn, declare, true, monitor, nullptr, 0));
        if (monitor && monitor->stopped())
            return emptyResult();
        if (!declared.ok())
            raise(conn, declared.r);
    }

    auto rs = std::make_shared<RecordSet>();
    std::shared_ptr<RecordSet> filling;  // rs once its fields are known
    std::vector<Oid> types;
    std::vector<Oid> tableOids;
    std::unique_ptr<RowReader> reader;
    qint64 count = 0;
    // Followed runs start with a small chunk, so that their first rows show at once. The next
    // chunk is asked for before this one is read, so that the server works on it meanwhile.
    qint64 wanted = std::min(monitor ? kFirstChunk : kFetchChunk, maxRecords > 0 ? maxRecords : kFetchChunk);
    PendingFetch pending{conn};
    if (!PQsendQuery(conn, fetchCommand(wanted).constData()))
        raise(conn, nullptr);
    pending.pending = true;
    for (;;) {
        const Result chunk(awaitResult(conn, monitor, filling, count));
        pending.pending = false;
        const bool stopped = monitor && monitor->stopped();
        if (!chunk.ok() && stopped)
            break;
        if (!chunk.ok())
            raise(conn, chunk.r);
        const int rows = PQntuples(chunk.r);
        const bool more = !stopped && rows == wanted && (maxRecords <= 0 || count + rows < maxRecords);
        if (more) {
            wanted = maxRecords > 0 ? std::min(kFetchChunk, maxRecords - count - rows) : kFetchChunk;
            if (!PQsendQuery(conn, fetchCommand(wanted).constData()))
                raise(conn, nullptr);
            pending.pending = true;
        }
        if (!reader) {
            const int columns = PQnfields(chunk.r);
            for (int c = 0; c < columns; ++c) {
                types.push_back(PQftype(chunk.r, c));
                const QString name = QString::fromUtf8(PQfname(chunk.r, c));
                rs->AppendField(rs->UnusedFieldName(name), adoTypeFromPostgresOid(static_cast<int>(types.back())),
                                fieldSize(chunk.r, c), AdoFieldAttribute::MayBeNull);
                rs->SetFieldOrigin(c, fieldScale(chunk.r, c), QString(), name);
                tableOids.push_back(PQftable(chunk.r, c));
            }
            rs->Open();
            filling = rs;
            reader = std::make_unique<RowReader>(columns);
        }
        for (int r = 0; r < rows; ++r)
            rs->AppendRow(reader->read(chunk.r, r, types));
        count += rows;
        if (!more || (monitor && monitor->report(filling, count)))
            break;
    }
    if (!rs->IsOpen())
        return emptyResult();
    if (!pending.pending)
        nameBaseTables(conn, *rs, tableOids);
    rs->Squeeze();
    if (rs->RecordCount() > 0)
        rs->MoveFirst();
    return rs;
}

}  // namespace lorvane
