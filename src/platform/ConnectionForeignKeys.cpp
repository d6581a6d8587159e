// The foreign keys of Connection's catalogue: one query per database, one SQLForeignKeys
// call per table through ODBC.
#include "Connection.h"
#include "ForeignKey.h"

#include "OdbcCatalogue.h"
#include "VLNError.h"

#include <QHash>
#include <QSet>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

namespace lorvane {

namespace {

// Builds keys from rows that arrive one column at a time, each key's columns in order.
class KeyCollector {
public:
    // identity tells the keys apart (a table's keys may share no name, or the same name
    // across tables); its first row fixes the names.
    void add(const QString& identity, const QString& name, const QString& schema, const QString& table,
             const QString& column, const QString& referencedSchema, const QString& referencedTable,
             const QString& referencedColumn) {
        auto found = index_.constFind(identity);
        if (found == index_.cend()) {
            found = index_.insert(identity, keys_.size());
            keys_.push_back({name, schema, table, {}, referencedSchema, referencedTable, {}});
        }
        ForeignKey& key = keys_[*found];
        key.referencingColumns << column;
        key.referencedColumns << referencedColumn;
    }
    std::vector<ForeignKey> take() {
        // A key whose referenced columns cannot be told (declared without them, on a table
        // with no primary key) joins nothing.
        std::erase_if(keys_, [](const ForeignKey& k) { return k.referencedColumns.contains(QString()); });
        return std::move(keys_);
    }

private:
    QHash<QString, std::size_t> index_;
    std::vector<ForeignKey> keys_;
};

QString text(const QVariant& v) {
    return v.isNull() ? QString() : v.toString();
}

}  // namespace

std::shared_ptr<const std::vector<ForeignKey>> Connection::ForeignKeys() {
    refuseWhileReading();
    requireOpen(ErrorNumber::ObjectClosed);
    if (!foreignKeys_)
        foreignKeys_ = std::make_shared<const std::vector<ForeignKey>>(readForeignKeys());
    return foreignKeys_;
}

std::vector<ForeignKey> Connection::readForeignKeys() {
    const QString driver = DriverName();
    KeyCollector keys;
    if (driver == u"QSQLITE") {
        // Keys are numbered last declared first. A key declared without the referenced columns
        // references the primary key, whose columns pragma_table_info numbers in key order.
        // Named columns are given as the key writes them (SQLite compares them without case):
        // asking every referenced table for its spelling would double the cost. The pragmas
        // prepare a statement for each table they are asked about, so only tables whose text
        // can declare a key (every key is written with REFERENCES) are asked.
        auto rows = OpenRecordSet(QStringLiteral(
            "SELECT m.name, f.id, f.\"table\", f.\"from\", "
            "CASE WHEN f.\"to\" IS NULL THEN (SELECT p.name FROM pragma_table_info(f.\"table\") p "
            "WHERE p.pk = f.seq + 1) ELSE f.\"to\" END "
            "FROM sqlite_master m, pragma_foreign_key_list(m.name) f "
            "WHERE m.type = 'table' AND instr(lower(m.sql), 'references') > 0 "
            "ORDER BY m.name, f.id DESC, f.seq"));
        // Names are compared without case (ASCII only), so a key may name its table otherwise
        // than the catalogue does.
        QHash<QString, QString> catalogueNames;
        auto catalogueName = [&](const QString& written) -> QString {
            if (catalogueNames.isEmpty()) {
                auto tables = OpenRecordSet(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'"));
                for (qint64 r = 0; r < tables->RecordCount(); ++r) {
                    const QString name = tables->ValueAt(r, 0).toString();
                    catalogueNames.insert(name.toLower(), name);
                }
            }
            return catalogueNames.value(written.toLower(), written);
        };
        QSet<QString> referencing;
        for (qint64 r = 0; r < rows->RecordCount(); ++r)
            referencing.insert(rows->ValueAt(r, 0).toString());
        for (qint64 r = 0; r < rows->RecordCount(); ++r) {
            const QString table = rows->ValueAt(r, 0).toString();
            const QString written = rows->ValueAt(r, 2).toString();
            keys.add(table + u'\n' + rows->ValueAt(r, 1).toString(), QString(), QString(), table,
                     rows->ValueAt(r, 3).toString(), QString(),
                     referencing.contains(written) ? written : catalogueName(written), text(rows->ValueAt(r, 4)));
        }
        return keys.take();
    }
    if (driver == u"QODBC") {
        const QVariant handle = database().driver()->handle();
        if (!handle.isValid() ||
            !(qstrcmp(handle.typeName(), "SQLHANDLE") == 0 || qstrcmp(handle.typeName(), "void*") == 0))
            throw VLNError(ErrorNumber::ProviderFailure, QStringLiteral("QODBC"),
                           QStringLiteral("The ODBC driver gives no connection handle to read foreign keys through."));
        OdbcForeignKeysResult result = readOdbcForeignKeys(*static_cast<void* const*>(handle.constData()));
        if (!result.error.isEmpty())
            throw VLNError(ErrorNumber::ProviderFailure, QStringLiteral("QODBC"), result.error);
        return std::move(result.keys);
    }
    QSqlQuery q(database());
    q.setForwardOnly(true);
    if (driver == u"QPSQL") {
        // The keys declared on partitioned tables are copied onto each partition and onto each
        // partition they reference; only the declared one is kept.
        q.exec(QStringLiteral(
            "SELECT c.oid::bigint, c.conname, sn.nspname, s.relname, sa.attname, tn.nspname, t.relname, ta.attname "
            "FROM pg_catalog.pg_constraint c "
            "JOIN pg_catalog.pg_class s ON s.oid = c.conrelid "
            "JOIN pg_catalog.pg_namespace sn ON sn.oid = s.relnamespace "
            "JOIN pg_catalog.pg_class t ON t.oid = c.confrelid "
            "JOIN pg_catalog.pg_namespace tn ON tn.oid = t.relnamespace "
            "CROSS JOIN LATERAL unnest(c.conkey, c.confkey) WITH ORDINALITY AS k(col, refcol, place) "
            "JOIN pg_catalog.pg_attribute sa ON sa.attrelid = c.conrelid AND sa.attnum = k.col "
            "JOIN pg_catalog.pg_attribute ta ON ta.attrelid = c.confrelid AND ta.attnum = k.refcol "
            "WHERE c.contype = 'f' AND c.conparentid = 0 "
            "AND sn.nspname NOT IN ('pg_catalog', 'information_schema') AND sn.nspname NOT LIKE 'pg\\_toast%' "
            "AND sn.nspname NOT LIKE 'pg\\_temp%' "
            "ORDER BY s.relname, sn.nspname, c.conname, c.oid, k.place"));
        if (q.lastError().isValid())
            raiseDriverError(q.lastError(), ErrorNumber::ProviderFailure);
        while (q.next())
            keys.add(q.value(0).toString(), q.value(1).toString(), q.value(2).toString(), q.value(3).toString(),
                     q.value(4).toString(), q.value(5).toString(), q.value(6).toString(), q.value(7).toString());
        return keys.take();
    }
    if (driver == u"QMYSQL") {
        // Key names are unique within a table; the rows of one key come in its column order.
        q.exec(QStringLiteral(
            "SELECT CONSTRAINT_NAME, TABLE_SCHEMA, TABLE_NAME, COLUMN_NAME, REFERENCED_TABLE_SCHEMA, "
            "REFERENCED_TABLE_NAME, REFERENCED_COLUMN_NAME FROM information_schema.KEY_COLUMN_USAGE "
            "WHERE TABLE_SCHEMA = DATABASE() AND REFERENCED_TABLE_NAME IS NOT NULL "
            "ORDER BY BINARY TABLE_NAME, BINARY CONSTRAINT_NAME, ORDINAL_POSITION"));
        if (q.lastError().isValid())
            raiseDriverError(q.lastError(), ErrorNumber::ProviderFailure);
        while (q.next()) {
            const QString name = q.value(0).toString();
            const QString table = q.value(2).toString();
            keys.add(table + u'\n' + name, name, q.value(1).toString(), table, q.value(3).toString(),
                     q.value(4).toString(), q.value(5).toString(), text(q.value(6)));
        }
        return keys.take();
    }
    return {};
}

}  // namespace lorvane
