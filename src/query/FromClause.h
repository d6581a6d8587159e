#pragma once

#include <QString>
#include <QStringList>
#include <vector>

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

// One condition of the joins as the user sees it: the fields it compares (field items,
// "Table.Field"), their tables, the comparison, and the join it belongs to.
struct JoinCondition {
    int row = 0;    // its row in rsJoins
    int group = 0;  // the join it belongs to: a join row and the conditions added to it
    QString leftTable, leftField, rightTable, rightField;
    QString compare;       // "=", ">", ...
    QString symbol;        // the join's type: "=" inner, ">=" left outer, "<>" full outer
    QString broughtTable;  // the table the join brings into the chain
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
    // The join conditions in order, each with its join.
    std::vector<JoinCondition> Conditions() const;
    // One join goes with its conditions; joins that reached the chain only through it go too.
    bool RemoveJoinGroup(int group);
    // One condition goes; the join keeps its others (the next one then carries the join), and
    // a join left without a condition goes as RemoveJoinGroup does.
    bool RemoveCondition(int row);
    bool SetJoinGroupType(int group, const QString& symbol);
    // A further condition (AND) of an existing join.
    bool AddConditionToGroup(int group, const QString& leftField, const QString& rightField);
    void GenerateFromClause();

    static QString KeywordFor(const QString& symbol);
    // The description of the join type shown for a pair of tables.
    static QString DescriptionFor(const QString& symbol, const QString& leftTable, const QString& rightTable);

private:
    QueryState& s_;
    struct Group;
    std::vector<Group> readGroups(const QStringList& tables) const;
    // Writes the groups back as one chain (dropping those that no longer reach it) with the
    // bookkeeping tables; true when a join was dropped. Without rewrite, nothing is written
    // when nothing was dropped.
    bool relink(std::vector<Group> groups, const QStringList& tables, bool rewrite);
};

}  // namespace lorvane
