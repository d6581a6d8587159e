// The catalogue queries of Connection: tables and columns, per driver.
#include "Connection.h"
#include "SqliteTableDefinition.h"

#include "AdoTypes.h"
#include "OdbcCatalogue.h"
#include "VLNError.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <algorithm>
#include <vector>

namespace lorvane {

namespace {

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

std::shared_ptr<RecordSet> Connection::OpenSchema(SchemaEnum schema, const QVariantList& restrictions) {
    refuseWhileReading();
    requireOpen(ErrorNumber::ObjectClosed);
    if (schema == SchemaTables)
        return tablesSchema();
    if (schema == SchemaColumns)
        return columnsSchema(restrictions.size() > 2 ? restrictions.at(2).toString() : QString());
    throw VLNError(ErrorNumber::NotAllowedInContext, QStringLiteral("Lorvane.Connection"),
                   QStringLiteral("Schema %1 is not supported.").arg(int(schema)));
}

std::shared_ptr<RecordSet> Connection::tablesSchema() {
    foreignKeys_.reset();  // read again for this catalogue when asked
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
    } else if (driver == u"QMYSQL") {
        for (auto& [schemaName, name, type] : readMariaDbTables())
            rows.push_back({schemaName, name, type});
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
    else if (driver == u"QMYSQL")
        readMariaDbColumns(*rs, table);
    else
        readOdbcColumns(*rs, table);
    if (rs->RecordCount() > 0)
        rs->MoveFirst();
    return rs;
}

void Connection::readSqliteColumns(RecordSet& rs, const QString& table) {
    // One table through SQLite's pragma. The rows are read with the sqlite3 library
    // (OpenRecordSet), which keeps large catalogues fast.
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
                         adoTypeFromDeclaredType(decl), declaredLengthOf(decl), decl);
        }
    };
    if (!table.isEmpty()) {
        readRows(*OpenRecordSet(sql.arg(restrictedTo(table))));
        return;
    }
    // Every table: plain CREATE TABLE texts are read here, the rest (views, virtual tables)
    // through the pragma, each on its own so that a broken view (its table dropped) is left
    // out without the others.
    auto tables = OpenRecordSet(QStringLiteral(
        "SELECT name, type, sql FROM sqlite_master WHERE type IN ('table', 'view') ORDER BY name"));
    for (qint64 r = 0; r < tables->RecordCount(); ++r) {
        const QString name = tables->ValueAt(r, 0).toString();
        const auto columns = tables->ValueAt(r, 1).toString() == u"table"
                                 ? readSqliteTableDefinition(tables->ValueAt(r, 2).toString())
                                 : std::nullopt;
        if (columns) {
            for (std::size_t c = 0; c < columns->size(); ++c) {
                const SqliteColumnDefinition& column = (*columns)[c];
                addColumnRow(rs, QVariant(), QVariant(), name, column.name, static_cast<int>(c) + 1, !column.notNull,
                             adoTypeFromDeclaredType(column.declaredType), declaredLengthOf(column.declaredType),
                             column.declaredType);
            }
            continue;
        }
        try {
            readRows(*OpenRecordSet(sql.arg(restrictedTo(name))));
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
                     q.value(5).toBool(), adoTypeFromPostgresOid(q.value(6).toInt(), false), q.value(7).toInt(),
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
