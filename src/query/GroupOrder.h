#pragma once

#include <QString>

namespace lorvane {

class Prompts;
class QueryState;

// Grouping rows (plain columns and aggregates with their aliases), ordering rows, and the
// GROUP BY and ORDER BY lines made from them.
class GroupOrder {
public:
    explicit GroupOrder(QueryState& state) : s_(state) {}

    // field is the FieldList item (or "*"); operand "GROUP BY", "SUM", "COUNT", "AVG", "MIN",
    // "MAX", optionally followed by " DISTINCT". Asks through prompts whether the column is
    // output. Returns false when an equal grouping row exists (nothing is added).
    bool CommitGroupingEntry(const QString& field, const QString& operand, Prompts& prompts);
    // direction "ASC" or "DESC".
    void CommitOrderingEntry(const QString& field, const QString& direction);

    void GenerateGroupByClause();
    void GenerateOrderByClause();

    // The aggregate alias: function, "OF", the field's name part ("AllRows" when it has none).
    QString AggregateAlias(const QString& function, const QString& field) const;

private:
    QueryState& s_;
};

}  // namespace lorvane
