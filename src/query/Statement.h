#pragma once

#include "Criteria.h"

#include <QString>

namespace lorvane {

class FieldTypeSource;
class Prompts;
class QueryState;

// The whole SELECT statement: the full rebuild of every clause, the assembly of the clause
// buffers into the text the SQL window shows, and the commit of the query criteria page.
class Statement {
public:
    enum class Mode { Criteria, Grouping, Ordering };
    // The changes a page reports, each regenerating what it affects.
    enum class Change {
        TablesChanged,         // the tables of the query changed (TableList and FieldList rebuilt)
        JoinsChanged,          // joins added or removed
        OutputFieldsChanged,   // the output fields changed
        DistinctToggled,       // the DISTINCT choice
        CalculatedFieldAdded,  // a calculated field was stored
    };

    Statement(QueryState& state, const FieldTypeSource& types) : s_(state), types_(types) {}

    void RebuildStatement();
    // Which change regenerates which clause, in one place; ends with AssembleStatement().
    QString Regenerate(Change change);
    // Joins the buffers, CR LF between lines, into StatementText; returns it.
    QString AssembleStatement();

    // The commit button: stores the pending entry of the active mode and regenerates what it
    // affects. Grouping asks through prompts whether the column is output. False when nothing
    // was stored.
    bool CommitCriteria(Mode mode, const CriteriaEntry& entry, Prompts& prompts);

    // The SQL view command's part on the query: drop empty criteria lines, regenerate all.
    void SqlViewTidyUp();

    // The statement on one line, as the host receives it: every line break (CR LF, CR or LF,
    // also one typed inside a calculated field) becomes a blank.
    static QString OneLine(QString text);

    // Why the statement cannot be run as the user stated it (it would ask something else, or
    // a database would refuse it), in plain words; empty when it can be run.
    QString Problem();

private:
    QueryState& s_;
    const FieldTypeSource& types_;
};

}  // namespace lorvane
