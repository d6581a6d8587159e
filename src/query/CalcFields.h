#pragma once

#include <QList>
#include <QString>

namespace lorvane {

class QueryState;

// Calculated fields: what the calculated field dialog offers to build one from, the check
// that it uses only totals defined on the grouping page, and storing it with its alias.
class CalcFields {
public:
    explicit CalcFields(QueryState& state) : s_(state) {}

    // One entry of the dialog's field list: what it shows and what a double-click inserts.
    struct Entry {
        QString shown;
        QString inserted;
        bool operator==(const Entry&) const = default;
    };
    // The query's fields (shown without their table), the totals of the grouping page, then
    // the calculated fields already defined.
    QList<Entry> fieldEntries() const;

    // True when the expression writes no aggregate function out, or uses a total that the
    // grouping page defined (by its alias or by its expression). Case is ignored.
    bool aggregatesKnown(const QString& expression) const;

    // The output name of a total or of another calculated field that the expression uses, or
    // empty. A database cannot read an output name inside the statement that makes it, so
    // such an expression is refused. ownAlias (the field being edited) is not counted.
    QString namedOutputAlias(const QString& expression, const QString& ownAlias) const;

    enum class Outcome { Stored, DuplicateAlias };
    // Stores the field (expression and alias without leading blanks). Editing replaces the
    // field of the same alias; otherwise an alias that a calculated field or a total already
    // has is refused. Totals over the field follow the new expression.
    Outcome store(const QString& expression, const QString& alias, bool show, bool editing);

private:
    QueryState& s_;

    void storeField(const QString& expression, const QString& alias, bool show);
    bool isTotalOver(const QString& totalAlias, const QString& calcAlias) const;
};

}  // namespace lorvane
