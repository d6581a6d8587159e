#pragma once

#include "RecordSet.h"
#include "RunMonitor.h"
#include "SqlDialect.h"

#include <QSqlDatabase>
#include <QString>
#include <QVariantList>
#include <array>
#include <memory>
#include <vector>

class QSqlError;
struct sqlite3;
struct pg_conn;
struct st_mysql;

namespace lorvane {

struct ForeignKey;

// Where a MariaDB connection went, so that a second connection can end its running statement.
struct MariaDbAddress {
    QString host, user, password, socket;
    unsigned port = 3306;
};

// One database connection over QtSql, opened from a connection string:
//   Provider=SQLite;Data Source=PATH
//   Provider=PostgreSQL;Host=H;Port=P;Database=D;User ID=U;Password=W
//   Provider=MariaDB (or MySQL);Host=H;Port=P;Database=D;User ID=U;Password=W
//   Provider=ODBC;<anything the ODBC driver manager accepts>   (or no Provider at all)
//
// Errors are VLNError: 3705 opening an open connection, 3704 using or closing a closed one,
// 3709 opening a record set on a closed one; the driver's failures carry its number (or
// 0x80004005 / 0x80040E14 when it gives none), its message and the driver's name as source.
class Connection {
public:
    enum SchemaEnum { SchemaColumns = 4, SchemaTables = 20 };

    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    int ConnectionTimeout() const { return connectionTimeout_; }
    void SetConnectionTimeout(int seconds) { connectionTimeout_ = seconds; }
    int CommandTimeout() const { return commandTimeout_; }
    void SetCommandTimeout(int seconds) { commandTimeout_ = seconds; }
    QString ConnectionString() const { return connectionString_; }
    void SetConnectionString(const QString& text);

    // An empty connectionString uses the one set before. An empty user id and password leave
    // whatever the connection string says.
    void Open(const QString& connectionString = {}, const QString& userId = {}, const QString& password = {},
              int options = -1);
    void Close();
    bool IsOpen() const;

    // Tables: TABLE_CATALOG, TABLE_SCHEMA, TABLE_NAME, TABLE_TYPE ("TABLE", "VIEW",
    // "SYSTEM TABLE", "SYSTEM VIEW"), ordered by type and name.
    // Columns: TABLE_CATALOG, TABLE_SCHEMA, TABLE_NAME, COLUMN_NAME, ORDINAL_POSITION,
    // IS_NULLABLE, DATA_TYPE (type number), CHARACTER_MAXIMUM_LENGTH, TYPE_NAME; restricted by
    // table name as the third restriction, all tables otherwise.
    std::shared_ptr<RecordSet> OpenSchema(SchemaEnum schema, const QVariantList& restrictions = {});

    // The foreign keys the database declares on its tables (those of the current database or
    // of the user's schemas), read on first use after each read of the tables catalogue and
    // kept until the next one or until the connection closes. A key declared without the
    // referenced columns references the primary key of its table, and lists those columns.
    // Raises like OpenSchema; nothing is kept after a failure. The keys given stay valid after
    // the connection reads them again or closes.
    std::shared_ptr<const std::vector<ForeignKey>> ForeignKeys();

    // Runs one statement; returns the rows it affected (-1 when the driver cannot tell).
    qint64 Execute(const QString& sql);

    // Runs a query and reads its rows (at most maxRecords when it is above 0) into a record
    // set that no longer depends on this connection. With readOnly the text must be one
    // SELECT (or WITH ... SELECT) that changes nothing, and the database itself holds to it:
    // SQLite prepares it with an authorizer that allows reading only; PostgreSQL runs it as
    // the query of a cursor, declared through the extended protocol (one statement, a query
    // only) inside a read-only transaction of a read-only session; ODBC runs it with the
    // connection in read-only access mode after a check that reads the text as each dialect
    // would; MariaDB prepares it as a server-side statement (one statement, which must give
    // rows) and runs it inside a read-only transaction of a read-only session. Anything else is
    // refused before it runs.
    //
    // A monitor is told as the run goes on and may end it: SQLite stops stepping, PostgreSQL
    // cancels the statement, MariaDB kills it from a second connection, other drivers stop
    // reading. The rows read by then are returned,
    // and monitor->stopped() says the result is partial. While a monitored run reads, the
    // connection refuses other work (error 3219): the monitor's own calls must not reach it.
    std::shared_ptr<RecordSet> OpenRecordSet(const QString& sql, qint64 maxRecords = 0, bool readOnly = false,
                                             RunMonitor* monitor = nullptr);

    // Why the text is not one statement that only reads, as OpenRecordSet with readOnly would
    // refuse it before it runs; empty when it is.
    QString ReadOnlyRefusal(const QString& sql) const;

    // "QSQLITE", "QPSQL", "QMYSQL" or "QODBC"; empty before the first open.
    QString DriverName() const;
    // How the database opened last wants names, dates and patterns written (the component's
    // defaults before the first open).
    const SqlDialect& Dialect() const { return dialect_; }
    QSqlDatabase database() const;

private:
    QString name_;
    QString connectionString_;
    int connectionTimeout_ = 15;
    int commandTimeout_ = 30;
    SqlDialect dialect_;
    bool reading_ = false;  // a monitored run is reading its rows
    MariaDbAddress mariaDbAddress_;
    std::shared_ptr<const std::vector<ForeignKey>> foreignKeys_;  // null until read

    void refuseWhileReading() const;

    [[noreturn]] void raiseDriverError(const QSqlError& error, long fallbackNumber) const;
    void requireOpen(long number) const;
    // The session set up after QMYSQL connected: encryption checked, sql_mode, time-out.
    void openedMariaDb(QSqlDatabase& db, bool requireEncryption, const QString& user, const QString& password);
    std::shared_ptr<RecordSet> tablesSchema();
    std::shared_ptr<RecordSet> columnsSchema(const QString& table);
    std::vector<ForeignKey> readForeignKeys();
    void readSqliteColumns(RecordSet& rs, const QString& table);
    void readPostgresColumns(RecordSet& rs, const QString& table);
    void readOdbcColumns(RecordSet& rs, const QString& table);
    // Schema, name and type ("TABLE", "VIEW" ...) of the current database's tables.
    std::vector<std::array<QString, 3>> readMariaDbTables();
    void readMariaDbColumns(RecordSet& rs, const QString& table);
    std::shared_ptr<RecordSet> openMariaDbReadOnly(st_mysql* handle, const QString& sql, qint64 maxRecords,
                                                   RunMonitor* monitor);
    std::shared_ptr<RecordSet> openSqliteRecordSet(sqlite3* handle, const QString& sql, qint64 maxRecords, bool readOnly,
                                                   RunMonitor* monitor);
    std::shared_ptr<RecordSet> openPostgresReadOnly(pg_conn* handle, const QString& sql, qint64 maxRecords,
                                                    RunMonitor* monitor);
    // The same, connecting again once when the server dropped the connection (it was
    // restarted, or went away and is back): a read-only run can safely be repeated.
    std::shared_ptr<RecordSet> openPostgresReadOnlyReconnecting(const QString& sql, qint64 maxRecords,
                                                                RunMonitor* monitor);
    // A PostgreSQL connection the server dropped is connected again on the same handle (so
    // the driver works again too). Raises the driver's message while the server is away.
    static void revivePostgres(pg_conn* handle);
    std::shared_ptr<RecordSet> readQuery(const QString& sql, qint64 maxRecords, RunMonitor* monitor);
};

}  // namespace lorvane
