#pragma once

#include <QString>
#include <QStringList>

namespace lorvane {

class QueryState;

// The SELECT line, the aggregate test shared with the WHERE/HAVING split, and the entries of
// the criteria page's field list.
class SelectList {
public:
    explicit SelectList(QueryState& state) : s_(state) {}

    // Writes SelectText (plain mode: output fields and calculated fields; grouping mode: the
    // grouping rows and the aggregate calculated fields), then regenerates GROUP BY.
    void GenerateSelectList();

    // True when text contains an aggregate opening ("SUM(", "COUNT DISTINCT(" ...), matched
    // case-sensitively.
    static bool IsAggregateExpression(const QString& text);
    // The same test with the nine plain openings only.
    static bool ContainsPlainAggregate(const QString& text);

    // Criteria mode: one entry per criteria grid column, fields shown without their table.
    QStringList FillCriteriaFieldList() const;
    // Grouping and ordering modes: the fields, "*", and the calculated fields without aggregates.
    QStringList FillGroupingFieldList() const;

private:
    QueryState& s_;
};

}  // namespace lorvane
