#pragma once

#include <QList>
#include <QString>

namespace lorvane {

class QueryState;
class RecordSet;

// The rows the field order editor works on: the grouping rows, the ordering rows or the
// calculated fields, as the list entries the user sees, with the output flag, deletion
// together with the rows that depend on the deleted one, and the rewrite in a new order.
// A text that several rows show refers to the first of them in table order.
class FieldOrderRows {
public:
    enum class Mode { Group, Order, Calc };

    // What one list entry shows; the alias only in Calc mode (the parallel alias list).
    struct Entry {
        QString text;
        QString alias;
        bool operator==(const Entry&) const = default;
    };

    FieldOrderRows(QueryState& state, Mode mode) : s_(state), mode_(mode) {}

    // "Group", "Order" or "Calc"; anything else is Group.
    static Mode modeFrom(const QString& editMode);

    Mode mode() const { return mode_; }
    QList<Entry> entries() const;

    bool output(const Entry& entry) const;
    void setOutput(const Entry& entry, bool on);

    // The alias of the expression an entry shows (an ordering entry without its direction),
    // empty when it has none.
    QString aliasOf(const QString& text) const;

    // Deletes the entry's row and what cannot stand without it: a grouping row takes the
    // ordering rows and calculated fields that use it, a calculated field the grouping and
    // ordering rows over it; each with its alias row.
    void remove(const Entry& entry);

    // After a calculated field was edited: its old expression becomes the new one wherever
    // grouping and ordering rows use it.
    void replaceExpression(const QString& oldExpression, const QString& newExpression);

    // Rewrites the edited table in the order of the entries; each entry takes its own row
    // (rows showing the same text are taken in table order), rows no entry names are dropped.
    void rewrite(const QList<Entry>& order);

private:
    QueryState& s_;
    Mode mode_;

    RecordSet& table() const;
    QString displayText(qint64 row) const;
    qint64 rowOf(const Entry& entry) const;
    int outputField() const;
};

}  // namespace lorvane
