#pragma once

#include <QString>
#include <QStringList>

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

    // The aggregate alias: function, "OF" ("DISTINCTOF" for a DISTINCT aggregate), the field's
    // name without its table and quotes and with its first blank removed ("AllRows" for none).
    QString AggregateAlias(const QString& function, const QString& field, bool distinct = false) const;

    // What a grouping row groups or totals in SQL: its GroupBy text, with a calculated field
    // it names replaced by the field's expression (the statement cannot use an output alias
    // inside a total or in GROUP BY).
    QString GroupedSql(qint64 row) const;
    // The expression of the calculated field of that alias; empty when there is none.
    QString CalcExpressionOf(const QString& alias) const;

    // The ORDER BY term of an ordering row: a total by its (quoted) alias; with grouping rows,
    // empty for a row that takes no part in the grouping.
    QString OrderingTerm(qint64 row) const;
    // DISTINCT rows cannot be ordered by a field that is not output (PostgreSQL refuses it,
    // SQLite picks rows at random): such ordering rows are left out of ORDER BY while DISTINCT
    // applies; this is the reason in plain words, empty when there is none.
    QString DistinctOrderingProblem() const;
    // Whether a field (a FieldList item or a calculated field's alias) is output without grouping.
    bool IsOutput(const QString& field) const;
    // The ordering rows' fields that are not output, each once.
    QStringList OrderedButNotOutput() const;
    // Why DISTINCT rows cannot be ordered by these fields, in plain words.
    static QString DistinctOrderingText(const QStringList& fields);

private:
    QueryState& s_;
};

}  // namespace lorvane
