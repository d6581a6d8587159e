#pragma once

#include "platform/LorvaneExport.h"

#include <QObject>
#include <QSet>
#include <QStringList>
#include <memory>
#include <vector>

namespace lorvane {

class clsField;
struct BuilderSettings;

// The process-wide collection of tables the builder may offer. While a connection exists,
// each addition is checked against the database catalogue (case-sensitively) and loads the
// table's columns into the shared field collection. Rejections raise VLNError 0x800403E8 to
// 0x800403EB.
class LORVANE_EXPORT clsTable : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool Bound READ Bound)
public:
    static constexpr long kAlreadyExists = -2147220504;    // 0x800403E8
    static constexpr long kNotInDatabase = -2147220503;    // 0x800403E9
    static constexpr long kNotInCollection = -2147220502;  // 0x800403EA
    static constexpr long kInvalidIndex = -2147220501;     // 0x800403EB

    clsTable(clsField& fields, BuilderSettings* settings = nullptr);

    static clsTable& shared();
    static void releaseShared();

    // TableName as a host gives it: raw, or already quoted.
    Q_INVOKABLE void Add(const QString& TableName);
    // A name exactly as the database catalogue spells it (never taken as already quoted).
    void AddFromCatalogue(const QString& rawName);
    Q_INVOKABLE void Remove(const QString& TableName);
    Q_INVOKABLE void RemoveAll();
    Q_INVOKABLE int Count() const { return static_cast<int>(names_.size()); }
    Q_INVOKABLE QString Item(int Index) const;
    bool Bound() const { return bound_; }

    QStringList TableNames() const { return names_; }

    // While set, Add checks names against these catalogue names instead of reading the
    // catalogue again (used while loading the tables of the catalogue just read).
    void setKnownTables(std::shared_ptr<const QSet<QString>> names) { known_ = std::move(names); }

private:
    clsField& fields_;
    BuilderSettings* settings_;
    bool bound_ = false;
    QStringList names_;
    QSet<QString> present_;
    std::shared_ptr<const QSet<QString>> known_;

    void refreshBound();
    void append(const QString& quotedName);
    bool existsInDatabase(const QString& bareName);
};

}  // namespace lorvane
