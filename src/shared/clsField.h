#pragma once

#include "FieldTypeSource.h"
#include "platform/LorvaneExport.h"

#include <QHash>
#include <QSet>
#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

namespace lorvane {

class Connection;
class RecordSet;
struct BuilderSettings;

// The process-wide collection of fields the builder may offer, keyed "Table.Field" (names
// with blanks quoted). While a connection exists, each addition is checked against the
// database's columns catalogue. Rejections raise VLNError 0x800403EC to 0x800403EF.
class LORVANE_EXPORT clsField : public QObject, public FieldTypeSource {
    Q_OBJECT
public:
    struct Entry {
        QString fieldName;
        qint64 fieldType = 0;
        QString tableName;
        QString key;  // tableName + "." + fieldName
    };

    static constexpr long kAlreadyExists = -2147220500;  // 0x800403EC
    static constexpr long kNotInDatabase = -2147220499;  // 0x800403ED
    static constexpr long kNotInCollection = -2147220498;  // 0x800403EE
    static constexpr long kInvalidIndex = -2147220497;  // 0x800403EF

    explicit clsField(BuilderSettings* settings = nullptr);

    // The shared collection, created on first use; released with the shared clsTableAndField.
    static clsField& shared();
    static void releaseShared();

    Q_INVOKABLE void Add(const QString& FieldName, const QString& TableName, int FieldType = 0);
    Q_INVOKABLE void Remove(const QString& FieldName, const QString& TableName);
    Q_INVOKABLE void RemoveAll();
    Q_INVOKABLE int Count() const { return static_cast<int>(entries_.size()); }
    Q_INVOKABLE QString Item(int Index) const;
    Q_PROPERTY(bool Bound READ Bound)
    bool Bound() const { return bound_; }

    // The keys of the fields of the given tables, grouped in the order of the tables.
    QStringList FieldNamesFor(const QStringList& tableList) const;
    int FieldTypeOf(const QString& key) const override;
    // Asked through the typer the builder installs (it reaches the open connection); each
    // statement is asked once while the typer stays.
    int ResultTypeOf(const QString& statement) const override;
    void setResultTyper(std::function<int(const QString&)> typer);
    bool hasResultTyper() const { return bool(resultTyper_); }
    // The same for whether a statement would be accepted, through the checker the builder installs.
    QString StatementProblem(const QString& statement) const override;
    void setStatementChecker(std::function<QString(const QString&)> checker);
    // Loads every column of a table from the catalogue (or from columns already read).
    void LoadTableColumns(const QString& tableName);
    void RemoveTableFields(const QString& tableName);
    // The same for several tables in one pass.
    void RemoveTableFields(const QSet<QString>& tableNames);
    // Records a field as given, without checking it (a saved query's field list).
    void AddUnchecked(const QString& fieldName, const QString& tableName, qint64 fieldType = 0);

    const std::vector<Entry>& entries() const { return entries_; }

    // While set, LoadTableColumns takes a table's columns from here (read in one catalogue
    // query) instead of asking the database again. Keyed by the table's catalogue name; each
    // value holds (column name, type) in catalogue order.
    using ColumnCache = QHash<QString, std::vector<std::pair<QString, int>>>;
    // Also makes room for every column it holds, so that loading them never grows the index.
    void setColumnCache(std::shared_ptr<const ColumnCache> cache);

private:
    std::function<int(const QString&)> resultTyper_;
    mutable QHash<QString, int> resultTypes_;
    std::function<QString(const QString&)> statementChecker_;
    mutable QHash<QString, QString> statementProblems_;
    BuilderSettings* settings_;
    bool bound_ = false;
    std::vector<Entry> entries_;
    // Positions in entries_, kept with them so that no lookup walks the whole catalogue: the
    // first entry of each key (plus one), and the entries of each table.
    QHash<QString, qsizetype> firstOfKey_;
    QHash<QString, std::vector<qsizetype>> byTable_;
    // The table appended to last: a table's columns arrive one after another.
    QString lastTable_;
    std::vector<qsizetype>* lastPositions_ = nullptr;
    std::shared_ptr<const ColumnCache> cache_;

    void refreshBound();
    void append(Entry entry);
    void reindex();
};

}  // namespace lorvane
