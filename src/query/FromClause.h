#pragma once

#include <QString>
#include <QStringList>

namespace lorvane {

class QueryState;

// One join condition chosen on the join page.
struct JoinRequest {
    QString leftTable;   // the left join table selector
    QString rightTable;  // the right join table selector
    QString leftField;   // "Table.Field" item of the left field list
    QString rightField;  // "Table.Field" item of the right field list
    QString symbol;      // "=" inner, ">=" left outer, "<>" full outer
};

// The FROM line and the nested join text: ((A INNER JOIN B ON ...) LEFT OUTER JOIN C ON ...).
class FromClause {
public:
    explicit FromClause(QueryState& state) : s_(state) {}

    // Adds a join row (or an AND row while the pair is locked with a condition), records both
    // sides and rebuilds JoinText.
    void AddJoinCondition(const JoinRequest& request);
    void BuildJoinText();
    // After tables left the query: the joins that name one of them go (with their further
    // conditions); the joins among the tables that remain stay, the first of them taking the
    // left table, and the bookkeeping tables follow. Returns true when a join was removed.
    bool KeepJoinsAmong(const QStringList& tables);
    void GenerateFromClause();

    static QString KeywordFor(const QString& symbol);
    // The description of the join type shown for a pair of tables.
    static QString DescriptionFor(const QString& symbol, const QString& leftTable, const QString& rightTable);

private:
    QueryState& s_;
};

}  // namespace lorvane
