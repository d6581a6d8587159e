#pragma once

#include <QString>
#include <QList>
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

    // True when text calls an aggregate function ("SUM(", "count (", "COUNT DISTINCT(" ...);
    // letter case is ignored.
    static bool IsAggregateExpression(const QString& text);
    // The inner aggregate of a total written within another total (SUM(SUM(x))), empty when
    // there is none. Quoted text and bracketed names are not read.
    static QString NestedAggregate(const QString& text);

    // An entry of the criteria page's field list: what it stands for (a FieldList item, "*"
    // or an alias) and how it is shown.
    struct Entry {
        QString name;
        QString shown;
    };

    // Criteria mode: one entry per criteria grid column, fields shown without their table.
    QList<Entry> CriteriaFieldEntries() const;
    // Grouping mode: the fields, "*", and the calculated fields without aggregates.
    QList<Entry> GroupingFieldEntries() const;
    // Ordering mode: the grouping entries, then the aggregate aliases, so that the rows can be
    // ordered by a total.
    QList<Entry> OrderingFieldEntries() const;
    // The shown texts of the first two.
    QStringList FillCriteriaFieldList() const;
    QStringList FillGroupingFieldList() const;

private:
    QueryState& s_;
};

}  // namespace lorvane
