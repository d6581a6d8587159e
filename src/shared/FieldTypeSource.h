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
};

}  // namespace lorvane
