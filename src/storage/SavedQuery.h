#pragma once

#include <QHash>
#include <QList>
#include <QPair>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <memory>

namespace lorvane {

class QueryState;
class RecordSet;

// The connection a saved query was built against, as its index file holds it.
struct StoredConnection {
    QString connectionString;
    int connectTimeout = 0;
    int commandTimeout = 0;
    QString userId;
    QString password;
};

// The builder's choices that live outside the query state tables: DISTINCT, the table lists,
// the removed tables, the field collection entries and the two field lists.
struct SavedLists {
    bool distinct = false;
    QStringList tables;            // the query's tables, in order
    QStringList unselectedTables;  // the available-table list
    QStringList removedTables;
    QStringList fields;            // "table.field" of every field of the query's tables
    QStringList selectedFields;    // the output fields
    QStringList unselectedFields;  // the available-field list
    // Where the join diagram's boxes stand, by table as offered. In a file of its own, so that
    // a build without the diagram opens the query as it stands.
    QList<QPair<QString, QPointF>> boxPlaces;
};

// A saved query: an index file "<name>.vln" and beside it one data file per saved table,
// named "<name>" + "rsWhere.dat" and so on. Only file names are taken from the index, so a
// query moves with its files; "/" and "\" both separate folders.
namespace SavedQuery {

// The path without its last four characters (the ".vln").
QString prefixOf(const QString& path);
// The path up to and including its last "/" or "\"; empty when it has none.
QString folderOf(const QString& path);
// What follows the last "/" or "\".
QString fileNameOf(const QString& path);

// The path with ".vln" appended unless it ends so already (in any case).
QString withExtension(const QString& path);

// Writes the whole file set to withExtension(path), all or nothing (see SaveJournal): after a
// failure or a kill at any step the query opens exactly as before or exactly as saved. Every
// file of one save carries the same save identity. Files of tables that are now empty are
// removed. Files are readable by their owner only (the index holds the password). Throws
// VLNError with the system's reason when the query could not be written.
void write(const QString& path, QueryState& state, const SavedLists& lists, const StoredConnection& connection);

// Puts the lists into the query state: the tables, the fields of those tables (every listed
// field also goes into the field collection, split at the first dot outside a quoted name),
// the output fields, DISTINCT.
void applyLists(QueryState& state, const SavedLists& lists);

// Deletes the index, every data file and what an interrupted save left; a missing file is skipped.
void remove(const QString& path);

// Reads a saved query in the steps the builder takes: the index (with the connection), then
// the query state tables (each replaced whole when the index names its file), then the lists.
// A save that was cut short is undone first. A file that cannot be read, is not a regular
// file, or belongs to another save than the index raises VLNError 3709; the tables read
// before it stay replaced.
class Loader {
public:
    explicit Loader(const QString& path);
    ~Loader();

    const StoredConnection& connection() const { return connection_; }
    void readTables(QueryState& state);
    SavedLists readLists();

private:
    QString path_;
    QString folder_;
    QHash<QString, QString> stored_;  // the index's values by field name
    StoredConnection connection_;

    QByteArray saveId_;  // empty for a query saved before files carried identities

    QString storedFile(const char* indexField) const;
    std::shared_ptr<RecordSet> readDataFile(const char* indexField, int minimumFields) const;
};

// Files larger than this are not saved queries (none comes near it); reading stops before
// holding them in memory.
constexpr qint64 kMaxFileSize = 64 * 1024 * 1024;

}  // namespace SavedQuery

}  // namespace lorvane
