#include "clsFieldValues.h"

#include "platform/Connection.h"
#include "platform/RecordSet.h"

namespace lorvane {

QVariantList clsFieldValues::colFieldValues(const QString& TableName, const QString& FieldName) {
    truncated_ = false;
    SelectPart = QStringLiteral("SELECT DISTINCT ") + FieldName;
    FromPart = QStringLiteral(" FROM ") + TableName;
    OrderByPart = QStringLiteral(" ORDER BY ") + FieldName + QStringLiteral(" ASC");
    // One row beyond the bound tells whether more are left.
    auto rs = connection_.OpenRecordSet(SelectPart + FromPart + OrderByPart, kMaxValues + 1, true);
    QVariantList values;
    const qint64 rows = rs->RecordCount();
    const qint64 kept = std::min<qint64>(rows, kMaxValues);
    values.reserve(kept);
    for (qint64 r = 0; r < kept; ++r)
        values << rs->ValueAt(r, 0);
    truncated_ = rows > kMaxValues;
    rs->Close();
    return values;
}

}  // namespace lorvane
