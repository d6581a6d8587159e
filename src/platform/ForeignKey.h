#pragma once

#include <QString>
#include <QStringList>

namespace lorvane {

// One foreign key the database declares. Tables are named as the tables catalogue names them
// (TABLE_NAME), with their schema beside them (empty where the database has none), so that
// they can be matched to the tables a user chose. A composite key is one key: its columns in
// the declared order, each referencing column paired with the referenced column at the same
// place.
struct ForeignKey {
    QString name;  // empty when the database gives the key no name
    QString referencingSchema;
    QString referencingTable;
    QStringList referencingColumns;
    QString referencedSchema;
    QString referencedTable;
    QStringList referencedColumns;

    bool operator==(const ForeignKey&) const = default;
};

}  // namespace lorvane
