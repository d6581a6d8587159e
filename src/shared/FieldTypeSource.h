#pragma once

#include "platform/LorvaneExport.h"

#include <QString>

namespace lorvane {

// Where the generators look up a field's type: the field catalogue's FieldTypeOf, keyed by the
// qualified "Table.Field" item; 0 when the catalogue does not know the field.
class LORVANE_EXPORT FieldTypeSource {
public:
    virtual ~FieldTypeSource() = default;
    virtual int FieldTypeOf(const QString& key) const = 0;
    // The type of the first column of a query (a calculated field over the query's tables), as
    // the open database reads it; 0 when it cannot be told.
    virtual int ResultTypeOf(const QString& statement) const {
        Q_UNUSED(statement);
        return 0;
    }
    // Why the open database would not accept the query, in its words; empty when it would or
    // when it cannot be told. Asked for values only the database can check (an interval, json).
    virtual QString StatementProblem(const QString& statement) const {
        Q_UNUSED(statement);
        return {};
    }
};

}  // namespace lorvane
