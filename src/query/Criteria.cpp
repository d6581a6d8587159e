#include "Criteria.h"

#include "CriteriaGrid.h"
#include "CriteriaValue.h"
#include "GroupOrder.h"
#include "shared/QueryState.h"
#include "SelectList.h"
#include "shared/BuilderSettings.h"
#include "platform/SqlDialect.h"
#include "platform/AdoTypes.h"

#include <QHash>
#include <QRegularExpression>
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

// The position of word (any letter case) in text outside '...' and "..." quotes; -1 if none.
qsizetype indexOutsideQuotes(const QString& text, QLatin1String word) {
    QChar quote;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();  // a doubled quote closes and reopens: the same for this search
            continue;
        }
        if (c == u'\'' || c == u'"')
            quote = c;
        else if (QStringView(text).mid(i, word.size()).compare(word, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

}  // namespace

QString Criteria::TermFor(const CriteriaEntry& e) const {
    const SqlDialect dialect = s_.settings().dialect();
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
        v1 = dialect.likeWildcard + v1;
    if (rule && rule->wildcardAfter)
        v1 += dialect.likeWildcard;

    // By the column's type: only numbers ever go without quotes, so a typed value never
    // becomes SQL text; a date becomes the database's date literal where dates may go; any
    // other value is a text literal with its apostrophes doubled.
    const int type = types_.FieldTypeOf(e.column);
    bool bare = false;
    bool formatDates = true;
    if (isNumericAdoType(type)) {
        bare = true;
    } else if (isTextAdoType(type)) {
        formatDates = false;  // a text column compares the text as typed
    } else if (!isDateAdoType(type)) {
        bare = CriteriaValue::isNumber(v1) || CriteriaValue::isNumber(v2);
    }
    const bool timestampColumn = type == AdoType::Date || type == AdoType::DBTimeStamp;
    auto text = [](const QString& value) { return u'\'' + CriteriaValue::escape(value) + u'\''; };
    auto write = [&](const QString& value) -> QString {
        bool hasTime = false;
        if (formatDates && !CriteriaValue::isNumber(value)) {
            if (const auto d = CriteriaValue::parseDate(value, &hasTime)) {
                const bool withTime = hasTime || timestampColumn;
                const QString& open = withTime ? dialect.dateTimeOpen : dialect.dateOpen;
                const QString& close = withTime ? dialect.dateTimeClose : dialect.dateClose;
                const QString written =
                    CriteriaValue::formatDate(*d, withTime ? dialect.dateTimeFormat : dialect.dateFormat);
                // A format that would close the literal early cannot make a date here.
                if (close.isEmpty() || !written.contains(close.front()))
                    return open + written + close;
                return text(value);
            }
        }
        if (bare && CriteriaValue::isNumber(value))
            return value;
        if (type == AdoType::Boolean &&
            (value.compare(u"TRUE", Qt::CaseInsensitive) == 0 || value.compare(u"FALSE", Qt::CaseInsensitive) == 0))
            return value.toUpper();
        return text(value);
    };
    // A date without a time, compared with a date-time column, means the whole day: "= d" is
    // from the start of d to the start of the next day, "<= d" and the upper end of BETWEEN
    // run to the end of d, "> d" starts the next day. Written as comparisons the user reads.
    if (timestampColumn) {
        auto dayOf = [](const QString& value) -> std::optional<QDate> {
            bool hasTime = false;
            if (CriteriaValue::isNumber(value))
                return std::nullopt;
            const auto d = CriteriaValue::parseDate(value, &hasTime);
            if (!d || hasTime)
                return std::nullopt;
            return d->date();
        };
        auto day = [&](const QDate& d) -> std::optional<QString> {
            const QString written = CriteriaValue::formatDate(QDateTime(d, QTime(0, 0)), dialect.dateFormat);
            if (!dialect.dateClose.isEmpty() && written.contains(dialect.dateClose.front()))
                return std::nullopt;
            return dialect.dateOpen + written + dialect.dateClose;
        };
        const auto d1 = dayOf(v1);
        const auto start = d1 ? day(*d1) : std::nullopt;
        const auto next = d1 ? day(d1->addDays(1)) : std::nullopt;
        if (start && next) {
            if (sql == u"=")
                return QStringLiteral(">= ") + *start + QStringLiteral(" AND < ") + *next;
            if (sql == u"<>")
                return QStringLiteral("(< ") + *start + QStringLiteral(" OR >= ") + *next + u')';
            if (sql == u"<=")
                return QStringLiteral("< ") + *next;
            if (sql == u">")
                return QStringLiteral(">= ") + *next;
            if (sql == u"<" || sql == u">=")
                return sql + u' ' + *start;
        }
        if (sql == u"BETWEEN") {
            const auto d2 = dayOf(v2);
            if (const auto after = d2 ? day(d2->addDays(1)) : std::nullopt)
                return QStringLiteral(">= ") + (start ? *start : write(v1)) + QStringLiteral(" AND < ") + *after;
        }
    }
    QString term = sql + u' ' + write(v1);
    if (sql == u"BETWEEN")
        term += QStringLiteral(" AND ") + write(v2);
    return term.trimmed();
}

QString Criteria::NormaliseTypedCell(const QString& column, const QString& text) const {
    // Blanks alone are no criterion: the cell is empty.
    if (text.trimmed().isEmpty())
        return QString();
    // The comparison signs count anywhere, the operator words only as words: "Unlikely" is a
    // value, "LIKE 'A%'" a criterion.
    static const QRegularExpression keyword(
        QStringLiteral("[=<>]|\\b(LIKE|NOT\\s+LIKE|IS\\s+NULL|IS\\s+NOT\\s+NULL|BETWEEN)\\b"),
        QRegularExpression::CaseInsensitiveOption);
    if (keyword.match(text).hasMatch()) {
        QString kept = text;
        while (!kept.isEmpty() && kept.front().isSpace())
            kept.remove(0, 1);
        return kept;
    }
    if (text.contains(u'\''))
        return text;
    return TermFor({column, QStringLiteral("="), text, QString(), true});
}

bool Criteria::CommitCriteriaEntry(const CriteriaEntry& e) {
    layout_.reset();
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
    layout_.reset();
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
    // Keywords count only outside quoted values: a typed 'Lower case letters' is a value.
    if (indexOutsideQuotes(cell, QLatin1String("CASE ")) >= 0)
        return cell;
    // Text from a typed "WHERE" on (a sub-query) is kept as it stands.
    const qsizetype whereAt = indexOutsideQuotes(cell, QLatin1String("WHERE"));
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
            // An operator word inside a longer word ("Unlikely") is part of that word.
            if (match && QChar::fromLatin1(match[0]).isLetter()) {
                auto wordChar = [](QChar c) { return c.isLetterOrNumber() || c == u'_'; };
                const qsizetype end = i + qstrlen(match);
                if ((i > 0 && wordChar(head[i - 1])) || (end < head.size() && wordChar(head[end])))
                    match = nullptr;
            }
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

std::vector<Criteria::Column> Criteria::columns() {
    RecordSet& grid = s_.rsWhere();
    const QSet<QString> aggregate = aggregateColumns();
    // Each alias's expression, looked up once per column rather than scanned per column.
    QHash<QString, QString> expressions;
    RecordSet& alias = s_.rsAlias();
    for (qint64 r = alias.RecordCount() - 1; r >= 0; --r)
        expressions.insert(textAt(alias, r, QueryState::AliasName), textAt(alias, r, QueryState::AliasFieldName));
    // A total is compared as the select list writes it (over a calculated field's expression).
    const GroupOrder groupOrder(s_);
    RecordSet& groupBy = s_.rsGroupBy();
    for (qint64 r = 0; r < groupBy.RecordCount(); ++r)
        if (const QString a = textAt(groupBy, r, QueryState::GroupByFieldAlias); !a.isEmpty())
            expressions.insert(a, groupOrder.GroupedSql(r));
    std::vector<Column> out;
    out.reserve(static_cast<std::size_t>(grid.FieldCount()));
    for (int f = 0; f < grid.FieldCount(); ++f) {
        const QString name = grid.Field(f).name;
        out.push_back({f, name, expressions.value(name, name), aggregate.contains(name)});
    }
    return out;
}

const Criteria::Layout& Criteria::layout() {
    if (!layout_) {
        Layout l;
        l.columns = columns();
        l.orSpans = orSpansWhereAndHaving(l.columns);
        layout_ = std::move(l);
    }
    return *layout_;
}

// Lines are ORed. When more than one line holds criteria and totals and plain fields both
// appear, no split between WHERE and HAVING keeps the meaning: the criteria go whole into
// HAVING.
bool Criteria::orSpansWhereAndHaving(const std::vector<Column>& columns) const {
    RecordSet& grid = s_.rsWhere();
    bool plain = false, totals = false;
    int lines = 0;
    for (qint64 r = 0; r < grid.RecordCount(); ++r) {
        bool any = false;
        for (const Column& c : columns) {
            if (grid.IsNullAt(r, c.field) || textAt(grid, r, c.field).trimmed().isEmpty())
                continue;
            any = true;
            (c.aggregate ? totals : plain) = true;
        }
        lines += any ? 1 : 0;
        if (lines > 1 && plain && totals)
            return true;
    }
    return false;
}

// Reads the grid's columns of one kind (the working copy's columns, without copying the rows
// there first: the result is the same and large grids stay fast).
QString Criteria::generate(const QString& keyword, bool having) {
    RecordSet& grid = s_.rsWhere();
    const Layout& l = layout();
    const bool whole = l.orSpans;
    std::vector<Column> used;
    for (const Column& c : l.columns)
        if (whole ? having : c.aggregate == having)
            used.push_back(c);
    QString text;
    const qint64 rows = grid.RecordCount();
    for (qint64 r = 0; r < rows; ++r) {
        for (const Column& c : used) {
            if (grid.IsNullAt(r, c.field))
                continue;
            const QString cell = textAt(grid, r, c.field);
            if (cell.trimmed().isEmpty())
                continue;
            const QString term = u'(' + RewriteCell(cell, c.expression).trimmed() + u')';
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

QString Criteria::OrAcrossGroupingProblem() {
    const std::vector<Column>& all = layout().columns;
    if (!layout().orSpans)
        return {};
    // The WHERE side is the fields that are not grouped: in HAVING they cannot stand.
    RecordSet& groupBy = s_.rsGroupBy();
    RecordSet& grid = s_.rsWhere();
    QStringList having, ungrouped;
    for (const Column& c : all) {
        bool used = false;
        for (qint64 r = 0; r < grid.RecordCount() && !used; ++r)
            used = !grid.IsNullAt(r, c.field) && !textAt(grid, r, c.field).trimmed().isEmpty();
        if (!used)
            continue;
        if (c.aggregate) {
            having << c.name;
            continue;
        }
        bool grouped = false;
        for (qint64 g = 0; g < groupBy.RecordCount() && !grouped; ++g)
            grouped = textAt(groupBy, g, QueryState::GroupByFieldAlias).isEmpty() &&
                      (textAt(groupBy, g, QueryState::GroupByFieldName) == c.expression ||
                       textAt(groupBy, g, QueryState::GroupByFieldName) == c.name ||
                       textAt(groupBy, g, QueryState::GroupByExpression) == c.expression);
        if (!grouped)
            ungrouped << c.name;
    }
    if (ungrouped.isEmpty())
        return {};
    return QStringLiteral("The criteria lines joined by OR mix fields that are not grouped (%1) with totals or "
                          "grouped fields (%2), and no statement can ask that. Group by those fields, or state their "
                          "criteria on the same line as the totals, then run the query again.")
        .arg(ungrouped.join(QStringLiteral(", ")), having.join(QStringLiteral(", ")));
}

void Criteria::GenerateWhereClause() {
    s_.WhereText = generate(QStringLiteral("WHERE "), false);
}

void Criteria::GenerateHavingClause() {
    s_.HavingText = generate(QStringLiteral("HAVING "), true);
}

}  // namespace lorvane
