#pragma once

#include <QSet>
#include <QString>
#include <optional>
#include <vector>

namespace lorvane {

class FieldTypeSource;
class QueryState;

// One pending criterion of the query criteria page.
struct CriteriaEntry {
    QString column;        // the grid column: qualified field name or alias
    QString operatorWord;  // "=", "BETWEEN", "CONTAINS", "IS NULL" ...
    QString value1;
    QString value2;
    bool conjunctionAnd = true;  // the AND/OR option pair
};

// Criteria cells of the grid and the WHERE and HAVING lines made from them.
class Criteria {
public:
    Criteria(QueryState& state, const FieldTypeSource& types) : s_(state), types_(types) {}

    // Stores the entry as a term in a cell of rsWhere: with AND in the last line (a first line
    // is added to an empty grid), with OR in a new line. False when the column does not exist.
    bool CommitCriteriaEntry(const CriteriaEntry& entry);

    // The cell term an entry makes, without storing it.
    QString TermFor(const CriteriaEntry& entry) const;

    // The type number of what a grid column compares: the field's type, or a total's result
    // type (COUNT a whole number, SUM and AVG a number, MIN and MAX the field's type); a
    // calculated field's type is the one the database gives its expression; 0 when not known.
    int ColumnType(const QString& column) const;
    // A field's type from the catalogue, or a calculated field's from the database; 0 unknown.
    int FieldOrCalculatedType(const QString& column) const;

    // Why the entry's values cannot be compared with its column, in plain words: a value that
    // cannot be of the column's type ("abc" for a number, "2023-13-45" for a date), or a LIKE
    // operator on a column that does not hold text. Empty when the entry can be written.
    QString ValueProblem(const CriteriaEntry& entry) const;
    // True for the operators written as LIKE or NOT LIKE (CONTAINS, BEGINS WITH ...).
    static bool ComparesText(const QString& operatorWord);
    // What a column of the type holds, in words for a message: "numbers", "dates", "text" ...
    static QString KindOfValues(int adoType);

    // Rebuilds rsCriteriaClone with the non-aggregate (WHERE) or aggregate (HAVING) columns.
    void SplitColumns(bool aggregates);
    bool IsAggregateColumn(const QString& column) const;

    void GenerateWhereClause();
    void GenerateHavingClause();

    // The cell text with expression written before each of its operators.
    static QString RewriteCell(const QString& cell, const QString& expression);

    // What a criteria cell the user typed into holds: text with an operator keyword anywhere
    // (or an apostrophe) as typed, without its leading blanks; anything else is a value to
    // compare with, written as an equality term the way a committed value is (a number bare
    // where numbers go, a date as the database's date literal, other text quoted).
    //
    // Typed operators keep their values written by the column's type: a bare word that is no
    // field of the query is a value ("=Lyon" is = 'Lyon'), a quoted number on a number column
    // is a number, a number on a text column is text. A value that cannot be of the column's
    // type gives problem (in plain words) and an empty text: the cell is not to be changed.
    QString NormaliseTypedCell(const QString& column, const QString& text, QString* problem = nullptr) const;

    // Criteria lines joined by OR that mix totals with fields that are not grouped: no
    // statement asks that (WHERE and HAVING would AND them), so the reason in plain words;
    // empty when the criteria can be run as they stand.
    QString OrAcrossGroupingProblem();

private:
    struct Column {
        int field;           // position in rsWhere
        QString name;        // the grid column
        QString expression;  // what the SQL compares
        bool aggregate;      // goes to HAVING
    };

    QueryState& s_;
    const FieldTypeSource& types_;

    // The grid's columns and whether its OR lines span WHERE and HAVING, read once for both
    // clauses (a commit reads them again).
    struct Layout {
        std::vector<Column> columns;
        bool orSpans = false;
        // ORed lines that mix grouped fields with fields not grouped, and no total: they all
        // go to WHERE, where a grouped field's criterion means the same as in HAVING.
        bool orInWhere = false;
    };
    std::optional<Layout> layout_;
    const Layout& layout();
    std::vector<Column> columns();
    bool orSpansWhereAndHaving(const std::vector<Column>& columns, bool* totals) const;
    QString generate(const QString& keyword, bool having);
    QSet<QString> aggregateColumns() const;
    QString expressionFor(const QString& column);
    // What the SQL compares for a grid column: a calculated field's or a total's expression.
    QString comparedExpression(const QString& column) const;
    bool namesFieldOfQuery(const QString& word) const;
};

}  // namespace lorvane
