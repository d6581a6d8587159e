#include "Criteria.h"

#include "CriteriaGrid.h"
#include "CriteriaValue.h"
#include "shared/QueryState.h"
#include "SelectList.h"
#include "shared/BuilderSettings.h"
#include "platform/AdoTypes.h"

#include <vector>

namespace lorvane {

namespace {

struct OperatorRule {
    const char* word;
    const char* sql;
    bool wildcardBefore;
    bool wildcardAfter;
};

const OperatorRule kOperators[] = {
    {"=", "=", false, false},          {"<>", "<>", false, false},           {">", ">", false, false},
    {">=", ">=", false, false},        {"<", "<", false, false},             {"<=", "<=", false, false},
    {"BETWEEN", "BETWEEN", false, false}, {"LIKE", "LIKE", false, false},    {"NOT LIKE", "NOT LIKE", false, false},
    {"CONTAINS", "LIKE", true, true},  {"DOES NOT CONTAIN", "NOT LIKE", true, true},
    {"BEGINS WITH", "LIKE", false, true}, {"DOES NOT BEGIN WITH", "NOT LIKE", false, true},
    {"ENDS WITH", "LIKE", true, false}, {"DOES NOT END WITH", "NOT LIKE", true, false},
    {"IS NULL", "IS NULL", false, false}, {"IS NOT NULL", "IS NOT NULL", false, false},
};

// Operators recognised in cell text, longest first so that ">=" is one operator, not two.
const char* const kCellOperators[] = {"IS NOT NULL", "IS NULL", "NOT LIKE", "BETWEEN", "LIKE", ">=", "<=", "<>",
                                      "=", ">", "<"};

enum class Delimit { None, Quote, DateDelimiter };

}  // namespace

QString Criteria::TermFor(const CriteriaEntry& e) const {
    const BuilderSettings& settings = s_.settings();
    const OperatorRule* rule = nullptr;
    for (const OperatorRule& r : kOperators)
        if (e.operatorWord.compare(QLatin1String(r.word), Qt::CaseInsensitive) == 0)
            rule = &r;
    const QString sql = rule ? QString::fromLatin1(rule->sql) : e.operatorWord.trimmed();
    if (sql == u"IS NULL" || sql == u"IS NOT NULL")
        return sql;

    QString v1 = e.value1.trimmed();
    QString v2 = e.value2.trimmed();
    if (rule && rule->wildcardBefore)
        v1 = settings.VLNLikeOperator + v1;
    if (rule && rule->wildcardAfter)
        v1 += settings.VLNLikeOperator;

    // The delimiter: by the column's type; a date value keeps the date delimiter where dates
    // may go; only numbers ever go without one, so a typed value never becomes SQL text.
    const int type = types_.FieldTypeOf(e.column);
    const auto date1 = CriteriaValue::parseDate(v1);
    Delimit delimit = date1 ? Delimit::DateDelimiter : Delimit::Quote;
    bool formatDates = true;
    if (isNumericAdoType(type)) {
        delimit = Delimit::None;
    } else if (isTextAdoType(type)) {
        delimit = Delimit::Quote;
        formatDates = false;  // a text column compares the text as typed
    } else if (!isDateAdoType(type) && (CriteriaValue::isNumber(v1) || CriteriaValue::isNumber(v2))) {
        delimit = Delimit::None;
    }
    auto write = [&](const QString& value) {
        if (formatDates && !CriteriaValue::isNumber(value)) {
            if (const auto d = CriteriaValue::parseDate(value))
                return settings.VLNDateDelimeter + CriteriaValue::formatDate(*d, settings.VLNDateFormat) +
                       settings.VLNDateDelimeter;
        }
        if (delimit == Delimit::None) {
            if (CriteriaValue::isNumber(value))
                return value;
            if (type == AdoType::Boolean && (value.compare(u"TRUE", Qt::CaseInsensitive) == 0 ||
                                             value.compare(u"FALSE", Qt::CaseInsensitive) == 0))
                return value.toUpper();
            return u'\'' + CriteriaValue::escape(value) + u'\'';
        }
        const QString mark = delimit == Delimit::DateDelimiter ? settings.VLNDateDelimeter : QStringLiteral("'");
        return mark + CriteriaValue::escape(value) + mark;
    };
    QString term = sql + u' ' + write(v1);
    if (sql == u"BETWEEN")
        term += QStringLiteral(" AND ") + write(v2);
    return term.trimmed();
}

bool Criteria::CommitCriteriaEntry(const CriteriaEntry& e) {
    RecordSet& where = s_.rsWhere();
    const int column = where.FieldIndex(e.column);
    if (column < 0)
        return false;
    const QString term = TermFor(e);
    const QString conjunction = e.conjunctionAnd ? QStringLiteral("AND") : QStringLiteral("OR");
    if (where.RecordCount() == 0 || !e.conjunctionAnd)
        where.AddNew();
    else
        where.MoveLast();
    const QString cell = where.Value(column).toString();
    where.SetValue(column, cell.isEmpty() ? term : cell + u' ' + conjunction + u' ' + term);
    where.Update();
    return true;
}

QSet<QString> Criteria::aggregateColumns() const {
    QSet<QString> names;
    RecordSet& groupBy = s_.rsGroupBy();
    for (qint64 r = 0; r < groupBy.RecordCount(); ++r) {
        names.insert(textAt(groupBy, r, QueryState::GroupByFieldAlias));
        names.insert(textAt(groupBy, r, QueryState::GroupByExpression));
    }
    RecordSet& alias = s_.rsAlias();
    for (qint64 r = 0; r < alias.RecordCount(); ++r)
        if (textAt(alias, r, QueryState::AliasRecordsetType) == u"rsCalcFields" &&
            SelectList::IsAggregateExpression(textAt(alias, r, QueryState::AliasFieldName)))
            names.insert(textAt(alias, r, QueryState::AliasName));
    names.remove(QString());
    return names;
}

bool Criteria::IsAggregateColumn(const QString& column) const {
    return aggregateColumns().contains(column);
}

void Criteria::SplitColumns(bool aggregates) {
    RecordSet& where = s_.rsWhere();
    const QSet<QString> aggregate = aggregateColumns();
    auto clone = std::make_shared<RecordSet>();
    for (int f = 0; f < where.FieldCount(); ++f) {
        const QString name = where.Field(f).name;
        if (aggregate.contains(name) == aggregates)
            clone->AppendField(name, AdoType::VarChar, QueryState::kCriteriaCellSize);
    }
    clone->Open();
    s_.criteriaCloneHandle() = clone;
    CriteriaGrid(s_).SQLWhereCloneRS();
}

QString Criteria::expressionFor(const QString& column) {
    RecordSet& alias = s_.rsAlias();
    for (qint64 r = 0; r < alias.RecordCount(); ++r)
        if (textAt(alias, r, QueryState::AliasName) == column)
            return textAt(alias, r, QueryState::AliasFieldName);
    return column;
}

QString Criteria::RewriteCell(const QString& cell, const QString& expression) {
    if (cell.contains(QLatin1String("CASE "), Qt::CaseInsensitive))
        return cell;
    // Text from a typed "WHERE" on (a sub-query) is kept as it stands.
    const qsizetype whereAt = cell.indexOf(QLatin1String("WHERE"), 0, Qt::CaseInsensitive);
    const QString head = whereAt < 0 ? cell : cell.left(whereAt);
    const QString tail = whereAt < 0 ? QString() : cell.mid(whereAt);
    QString out;
    bool quoted = false;
    for (qsizetype i = 0; i < head.size();) {
        if (head[i] == u'\'') {
            // Operators inside a quoted value belong to the value.
            quoted = !quoted;
            out += head[i++];
            continue;
        }
        const char* match = nullptr;
        if (!quoted) {
            for (const char* op : kCellOperators) {
                const QLatin1String word(op);
                if (QStringView(head).mid(i, word.size()).compare(word, Qt::CaseInsensitive) == 0) {
                    match = op;
                    break;
                }
            }
            // "LIKE" two characters after a "T" is the tail of "NOT LIKE".
            if (match && qstrcmp(match, "LIKE") == 0 && i >= 2 && head[i - 2].toUpper() == u'T')
                match = nullptr;
        }
        if (match) {
            const qsizetype n = qstrlen(match);
            out += expression + u' ' + head.mid(i, n);
            i += n;
        } else {
            out += head[i++];
        }
    }
    return out + tail;
}

// Reads the grid's columns of one kind (the working copy's columns, without copying the rows
// there first: the result is the same and large grids stay fast).
QString Criteria::generate(const QString& keyword, bool aggregates) {
    RecordSet& grid = s_.rsWhere();
    const QSet<QString> aggregate = aggregateColumns();
    std::vector<std::pair<int, QString>> columns;  // grid position, field expression
    for (int f = 0; f < grid.FieldCount(); ++f) {
        const QString name = grid.Field(f).name;
        if (aggregate.contains(name) == aggregates)
            columns.emplace_back(f, expressionFor(name));
    }
    QString text;
    const qint64 rows = grid.RecordCount();
    for (qint64 r = 0; r < rows; ++r) {
        for (const auto& [f, expression] : columns) {
            if (grid.IsNullAt(r, f))
                continue;
            const QString cell = textAt(grid, r, f);
            if (cell.isEmpty())
                continue;
            const QString term = u'(' + RewriteCell(cell, expression).trimmed() + u')';
            if (text.isEmpty())
                text = keyword + term;
            else if (text.endsWith(QLatin1String("OR ")))
                text += term;
            else
                text += QStringLiteral(" AND ") + term;
        }
        // A line with no cell here adds nothing, not even the OR.
        if (r + 1 < rows && !text.isEmpty() && !text.endsWith(QLatin1String("OR ")))
            text += QStringLiteral(" OR ");
    }
    if (text.endsWith(QLatin1String("OR ")))
        text.chop(3);
    return text;
}

void Criteria::GenerateWhereClause() {
    s_.WhereText = generate(QStringLiteral("WHERE "), false);
}

void Criteria::GenerateHavingClause() {
    s_.HavingText = generate(QStringLiteral("HAVING "), true);
}

}  // namespace lorvane
