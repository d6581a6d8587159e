#include "ConnectionManager.h"

#include "shared/BuilderSettings.h"
#include "shared/clsField.h"
#include "shared/clsTable.h"
#include "platform/VLNError.h"

namespace lorvane {

namespace {

// While the tables of the catalogue just read are loaded, the collections check names against
// that catalogue and take columns from one read of all columns.
class CatalogueSnapshot {
public:
    CatalogueSnapshot(BuilderSettings& s, RecordSet& tableSchema) {
        auto names = std::make_shared<QSet<QString>>();
        const int nameField = tableSchema.FieldIndex(QStringLiteral("TABLE_NAME"));
        for (qint64 r = 0; r < tableSchema.RecordCount(); ++r)
            names->insert(tableSchema.ValueAt(r, nameField).toString());
        // A saved query being opened brings its own fields: the columns would go unread.
        if (s.OpenQuery && !s.LoadViewColumns) {
            clsTable::shared().setKnownTables(names);
            return;
        }
        auto columns = std::make_shared<clsField::ColumnCache>();
        try {
            auto all = s.activeConnection().OpenSchema(Connection::SchemaColumns);
            const int table = all->FieldIndex(QStringLiteral("TABLE_NAME"));
            const int column = all->FieldIndex(QStringLiteral("COLUMN_NAME"));
            const int type = all->FieldIndex(QStringLiteral("DATA_TYPE"));
            for (qint64 r = 0; r < all->RecordCount(); ++r)
                (*columns)[all->ValueAt(r, table).toString()].emplace_back(all->ValueAt(r, column).toString(),
                                                                            all->ValueAt(r, type).toInt());
        } catch (const VLNError&) {
            columns->clear();  // each table is then read on its own
        }
        clsTable::shared().setKnownTables(names);
        clsField::shared().setColumnCache(columns);
    }
    ~CatalogueSnapshot() {
        clsTable::shared().setKnownTables(nullptr);
        clsField::shared().setColumnCache(nullptr);
    }
};

}  // namespace

ConnectionManager::ConnectionManager(BuilderSettings* settings)
    : settings_(settings ? settings : &BuilderSettings::shared()) {}

ConnectionManager::Outcome ConnectionManager::MakeConnection(const Arguments& a, const DesignTime& d) {
    Outcome outcome;
    try {
        BuilderSettings& s = *settings_;
        s.CatalogueNote.clear();
        s.OpenQuery = a.OpenQuery || !a.QueryName.isEmpty();
        s.QueryName = a.QueryName;
        s.MaxRecords = a.MaxRecords;
        QVariantList errors;
        if (!d.ConnectionString.isEmpty() && a.ConnectionString.isEmpty() && !s.OpenQuery) {
            outcome.attempted = true;
            errors = OpenDatabaseConnection(d.ConnectionString, d.ConnectionTimeout, d.CommandTimeout, QString(),
                                            QString());
            if (errors.isEmpty())
                LoadTablesFromTableString(d.TableString);
        } else if (!a.ConnectionString.isEmpty() && !s.OpenQuery) {
            outcome.attempted = true;
            errors = OpenDatabaseConnection(a.ConnectionString, a.ConnectTimeout, a.CommandTimeout, a.UserName,
                                            a.Password);
            if (errors.isEmpty())
                LoadTablesFromSchema(a.RemoveSystemTables);
        }
        if (errors.size() == 3) {
            outcome.description = errors[0].toString();
            outcome.number = static_cast<int>(errors[1].toLongLong());
            outcome.source = errors[2].toString();
        } else if (outcome.attempted) {
            outcome.description = s.CatalogueNote;  // connected; some tables could not be offered
        }
    } catch (const VLNError& e) {
        outcome.attempted = true;
        outcome.number = static_cast<int>(e.number());
        outcome.description = e.description();
        outcome.source = e.source();
    }
    return outcome;
}

QVariantList ConnectionManager::OpenDatabaseConnection(const QString& connectionString, int connectTimeout,
                                                       int commandTimeout, const QString& userName,
                                                       const QString& password) {
    BuilderSettings& s = *settings_;
    // The database already open asked for again (a saved query built on it): its handle is kept
    // and only the catalogue read again, so a large schema is not loaded a second time.
    const bool same = s.ActiveConnection && s.ActiveConnection->IsOpen() &&
                      s.ActiveConnection->ConnectionString() == connectionString && s.ConnectionString == connectionString &&
                      s.UserName == userName && s.Password == password;
    s.ConnectTimeout = connectTimeout;
    s.CommandTimeout = commandTimeout;
    s.ConnectionString = connectionString;
    s.Password = password;
    s.UserName = userName;
    // Otherwise the previous connection is released, not closed: the host or a saved query may
    // share it.
    if (!same)
        s.ActiveConnection = std::make_shared<Connection>();
    Connection& c = *s.ActiveConnection;
    c.SetConnectionTimeout(connectTimeout);
    c.SetCommandTimeout(commandTimeout);
    if (!same)
        c.SetConnectionString(connectionString);
    for (int attempt = 0;; ++attempt) {
        try {
            if (!c.IsOpen()) {
                if (userName.isEmpty() && password.isEmpty())
                    c.Open();
                else
                    c.Open(QString(), userName, password);
            }
            s.TableSchema = c.OpenSchema(Connection::SchemaTables);
            return {};
        } catch (const VLNError& e) {
            // "Already open": close and try the step again, once.
            if (e.number() == ErrorNumber::ObjectOpen && attempt == 0) {
                try {
                    c.Close();
                } catch (const VLNError&) {
                }
                continue;
            }
            return {e.description(), static_cast<qlonglong>(e.number()), e.source()};
        }
    }
}

void ConnectionManager::LoadTablesFromSchema(bool removeSystemTables) {
    BuilderSettings& s = *settings_;
    RecordSet& schema = s.tableSchema();
    clsTable& tables = clsTable::shared();
    CatalogueSnapshot snapshot(s, schema);
    schema.MoveFirst();
    const int name = schema.FieldIndex(QStringLiteral("TABLE_NAME"));
    const int type = schema.FieldIndex(QStringLiteral("Table_Type"));
    // One table that cannot be offered never keeps the others from loading: it is left out
    // and named in the note. A name already in the collection before this load still ends
    // it, as a second connection without emptying the collection must.
    QSet<QString> loaded;
    QStringList leftOut;
    while (!schema.Eof()) {
        const QString tableType = schema.Value(type).toString();
        const QString raw = schema.Value(name).toString();
        if (!removeSystemTables || tableType == u"TABLE" || tableType == u"VIEW") {
            if (loaded.contains(raw)) {
                leftOut << QStringLiteral("%1 (listed more than once)").arg(raw);
            } else {
                try {
                    tables.AddFromCatalogue(raw);
                    loaded.insert(raw);
                } catch (const VLNError& e) {
                    if (e.number() == clsTable::kAlreadyExists)
                        throw;
                    leftOut << QStringLiteral("%1 (%2)").arg(raw, e.description());
                }
            }
        }
        schema.MoveNext();
    }
    s.TableList = std::make_shared<QStringList>(tables.TableNames());
    if (!leftOut.isEmpty())
        s.CatalogueNote = QStringLiteral("Tables left out: ") + leftOut.join(QStringLiteral("; "));
}

void ConnectionManager::LoadTablesFromTableString(const QString& tableString) {
    BuilderSettings& s = *settings_;
    clsTable& tables = clsTable::shared();
    tables.RemoveAll();
    if (tableString.isEmpty())
        return;
    // Names are the texts between ";" separators; empty ones are skipped, blanks are kept.
    for (const QString& name : tableString.split(u';', Qt::SkipEmptyParts))
        tables.Add(name);
    s.TableList = std::make_shared<QStringList>(tables.TableNames());
}

void ConnectionManager::DisconnectConnection() {
    try {
        settings_->activeConnection().Close();
    } catch (const VLNError&) {
    }
}

}  // namespace lorvane
