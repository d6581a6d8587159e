#include "Statement.h"

#include "CriteriaGrid.h"
#include "FromClause.h"
#include "GroupOrder.h"
#include "shared/QueryState.h"
#include "SelectList.h"
#include "platform/SqlScanner.h"
#include "platform/VLNError.h"
#include "shared/BuilderSettings.h"

#include <vector>

namespace lorvane {

namespace {

const QString kLineBreak = QStringLiteral("\r\n");

// A failing step is skipped; the statement is assembled from whatever the buffers hold.
template <typename F> void step(F&& f) {
    try {
        f();
    } catch (const VLNError&) {
    }
}

}  // namespace

void Statement::RebuildStatement() {
    CriteriaGrid grid(s_);
    Criteria criteria(s_, types_);
    step([&] { grid.RebuildColumns(); });
    step([&] {
        if (s_.rsWhere().RecordCount() > 0) {
            grid.Normalise();
            criteria.GenerateWhereClause();
        } else {
            s_.WhereText.clear();
        }
    });
    step([&] {
        if (s_.rsGroupBy().RecordCount() == 0) {
            s_.GroupByText.clear();
            s_.HavingText.clear();
        } else {
            criteria.GenerateHavingClause();
            GroupOrder(s_).GenerateGroupByClause();
        }
    });
    step([&] { SelectList(s_).GenerateSelectList(); });
    step([&] { FromClause(s_).GenerateFromClause(); });
    step([&] {
        if (s_.rsOrderBy().RecordCount() > 0)
            GroupOrder(s_).GenerateOrderByClause();
        else
            s_.OrderByText.clear();
    });
    AssembleStatement();
}

QString Statement::Regenerate(Change change) {
    switch (change) {
    case Change::TablesChanged:
        step([&] {
            if (!s_.TableList().isEmpty())
                FromClause(s_).GenerateFromClause();
            else
                s_.FromText.clear();
        });
        step([&] {
            // With no table left, no criteria, grouping or ordering can stand.
            if (s_.TableList().isEmpty())
                for (RecordSet* rs : {&s_.rsWhere(), &s_.rsGroupBy(), &s_.rsOrderBy()})
                    while (rs->RecordCount() > 0) {
                        rs->MoveFirst();
                        rs->Delete();
                    }
        });
        step([&] { CriteriaGrid(s_).PruneAfterFieldListChange(); });
        // Criteria, totals and ordering on the fields that went are gone from the tables:
        // every clause follows, not only the select list.
        RebuildStatement();
        if (s_.TableList().isEmpty())
            s_.FromText.clear();
        break;
    case Change::JoinsChanged:
        step([&] { FromClause(s_).GenerateFromClause(); });
        break;
    case Change::OutputFieldsChanged:
        step([&] { FromClause(s_).GenerateFromClause(); });
        step([&] { SelectList(s_).GenerateSelectList(); });
        step([&] { GroupOrder(s_).GenerateOrderByClause(); });
        break;
    case Change::DistinctToggled:
        step([&] { SelectList(s_).GenerateSelectList(); });
        // What DISTINCT rows can be ordered by differs.
        step([&] { GroupOrder(s_).GenerateOrderByClause(); });
        break;
    case Change::CalculatedFieldAdded:
        step([&] { CriteriaGrid(s_).RebuildColumns(); });
        step([&] { SelectList(s_).GenerateSelectList(); });
        break;
    }
    return AssembleStatement();
}

QString Statement::Problem() {
    // The generators write no comments: one in the statement came from a typed cell, and
    // would hide the rest of the statement from the database.
    using L = SqlScanner::Lexicon;
    const SqlDialect::Kind kind = s_.settings().dialect().kind;
    std::vector<L> lexicons{L::Standard};
    if (kind == SqlDialect::Kind::PostgreSQL)
        lexicons = {L::PostgreSQL};
    else if (kind == SqlDialect::Kind::MariaDB)
        lexicons = {L::MariaDbNoBackslash};
    else if (kind == SqlDialect::Kind::Odbc)
        lexicons = {L::Standard, L::BackslashEscapes, L::PostgreSQL};
    for (const L lexicon : lexicons)
        if (SqlScanner::scan(s_.StatementText, lexicon).comments > 0)
            return QStringLiteral("A criteria cell holds a comment (-- or /*), which would hide the rest of the "
                                  "statement. Take it out of the cell, then run the query again.");
    QString problem;
    step([&] { problem = Criteria(s_, types_).OrAcrossGroupingProblem(); });
    if (problem.isEmpty())
        step([&] { problem = GroupOrder(s_).DistinctOrderingProblem(); });
    return problem;
}

QString Statement::OneLine(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    text.replace(u'\r', u' ');
    text.replace(u'\n', u' ');
    return text;
}

QString Statement::AssembleStatement() {
    if (s_.WhereText == u" ")
        s_.WhereText.clear();
    QString text = s_.SelectText + kLineBreak + s_.FromText + kLineBreak;
    for (const QString* clause : {&s_.WhereText, &s_.GroupByText, &s_.HavingText})
        if (!clause->isEmpty())
            text += *clause + kLineBreak;
    text += s_.OrderByText;
    s_.StatementText = text;
    return text;
}

bool Statement::CommitCriteria(Mode mode, const CriteriaEntry& entry, Prompts& prompts) {
    bool stored = false;
    step([&] {
        switch (mode) {
        case Mode::Criteria:
            stored = Criteria(s_, types_).CommitCriteriaEntry(entry);
            if (stored)
                RebuildStatement();
            break;
        case Mode::Grouping:
            stored = GroupOrder(s_).CommitGroupingEntry(entry.column, entry.operatorWord, prompts);
            CriteriaGrid(s_).RebuildColumns();
            SelectList(s_).GenerateSelectList();
            SqlViewTidyUp();
            break;
        case Mode::Ordering:
            GroupOrder(s_).CommitOrderingEntry(entry.column, entry.operatorWord);
            stored = true;
            GroupOrder(s_).GenerateOrderByClause();
            break;
        }
    });
    AssembleStatement();
    step([&] { CriteriaGrid(s_).DestroyRSClone(); });
    return stored;
}

void Statement::SqlViewTidyUp() {
    step([&] { CriteriaGrid(s_).DeleteEmptyRows(); });
    step([&] { SelectList(s_).GenerateSelectList(); });
    RebuildStatement();
}

}  // namespace lorvane
