#include "Criteria.h"

#include "CriteriaGrid.h"
#include "CriteriaValue.h"
#include "GroupOrder.h"
#include "shared/QueryState.h"
#include "SelectList.h"
#include "shared/BuilderSettings.h"
#include "platform/SqlDialect.h"
#include "platform/AdoTypes.h"
#include "shared/FieldTypeSource.h"
#include "shared/NameQuoting.h"

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

bool wordChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_';
}

struct FoundOperator {
    qsizetype at;
    qsizetype length;
    QString op;
};

// The operators of a typed cell outside quoted values and names, found as the WHERE rewrite
// finds them: longest first, the operator words as whole words only.
std::vector<FoundOperator> cellOperators(const QString& text) {
    std::vector<FoundOperator> out;
    QChar close;
    for (qsizetype i = 0; i < text.size();) {
        const QChar c = text[i];
        if (!close.isNull()) {
            if (c == close)
                close = QChar();
            ++i;
            continue;
        }
        if (c == u'\'' || c == u'"') {
            close = c;
            ++i;
            continue;
        }
        if (c == u'[') {
            close = u']';
            ++i;
            continue;
        }
        const char* match = nullptr;
        for (const char* op : kCellOperators) {
            const QLatin1String word(op);
            if (QStringView(text).mid(i, word.size()).compare(word, Qt::CaseInsensitive) == 0) {
                match = op;
                break;
            }
        }
        if (match && QChar::fromLatin1(match[0]).isLetter()) {
            const qsizetype end = i + qstrlen(match);
            if ((i > 0 && wordChar(text[i - 1])) || (end < text.size() && wordChar(text[end])))
                match = nullptr;
        }
        if (match) {
            const qsizetype n = qstrlen(match);
            out.push_back({i, n, QString::fromLatin1(match).toUpper()});
            i += n;
        } else {
            ++i;
        }
    }
    return out;
}

// Where the word (a whole word, any letter case) first stands outside quotes; -1 if nowhere.
qsizetype wordOutsideQuotes(const QString& text, QLatin1String word) {
    QChar close;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (!close.isNull()) {
            if (c == close)
                close = QChar();
            continue;
        }
        if (c == u'\'' || c == u'"' || c == u'[') {
            close = c == u'[' ? QChar(u']') : c;
            continue;
        }
        if (QStringView(text).mid(i, word.size()).compare(word, Qt::CaseInsensitive) == 0 &&
            (i == 0 || !wordChar(text[i - 1])) && (i + word.size() >= text.size() || !wordChar(text[i + word.size()])))
            return i;
    }
    return -1;
}

// The text of a whole quoted literal ('O''Brien' gives O'Brien); nothing when the text is not
// one literal.
std::optional<QString> quotedLiteral(const QString& text) {
    static const QRegularExpression literal(QStringLiteral("^'((?:[^']|'')*)'$"));
    const auto m = literal.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    return m.captured(1).replace(QStringLiteral("''"), QStringLiteral("'"));
}

// An expression on one line, as it is asked of the database on its own.
QString oneLine(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    text.replace(u'\r', u' ');
    text.replace(u'\n', u' ');
    return text;
}

QString familyWords(AdoTypeFamily family) {
    switch (family) {
    case AdoTypeFamily::Number: return QStringLiteral("numbers");
    case AdoTypeFamily::Boolean: return QStringLiteral("yes/no values");
    case AdoTypeFamily::Date: return QStringLiteral("dates");
    case AdoTypeFamily::Time: return QStringLiteral("times of day");
    case AdoTypeFamily::Text: return QStringLiteral("text");
    default: return QStringLiteral("values of another kind");
    }
}

}  // namespace

int Criteria::ColumnType(const QString& column) const {
    if (const int type = FieldOrCalculatedType(column))
        return type;
    // A total compares its result.
    RecordSet& groupBy = s_.rsGroupBy();
    for (qint64 r = 0; r < groupBy.RecordCount(); ++r) {
        if (textAt(groupBy, r, QueryState::GroupByFieldAlias) != column)
            continue;
        const QString expression = textAt(groupBy, r, QueryState::GroupByExpression);
        const QString function = expression.left(expression.indexOf(u'(')).trimmed().toUpper();
        if (function == u"COUNT")
            return AdoType::BigInt;
        if (function == u"SUM" || function == u"AVG")
            return AdoType::Double;
        if (function == u"MIN" || function == u"MAX")
            return FieldOrCalculatedType(textAt(groupBy, r, QueryState::GroupByFieldName));
        return 0;
    }
    return 0;
}

int Criteria::FieldOrCalculatedType(const QString& column) const {
    if (const int type = types_.FieldTypeOf(column))
        return type;
    // A calculated field compares what its expression gives, as the database reads it.
    RecordSet& alias = s_.rsAlias();
    for (qint64 r = 0; r < alias.RecordCount(); ++r) {
        if (textAt(alias, r, QueryState::AliasName) != column ||
            textAt(alias, r, QueryState::AliasRecordsetType) != u"rsCalcFields")
            continue;
        QString expression = textAt(alias, r, QueryState::AliasFieldName);
        if (s_.FromText.trimmed().isEmpty() || expression.trimmed().isEmpty())
            return 0;
        return types_.ResultTypeOf(QStringLiteral("SELECT ") + oneLine(expression) + u' ' + s_.FromText);
    }
    return 0;
}

QString Criteria::KindOfValues(int adoType) {
    return familyWords(adoTypeFamily(adoType));
}

bool Criteria::ComparesText(const QString& operatorWord) {
    const QString word = operatorWord.simplified();
    for (const OperatorRule& r : kOperators)
        if (word.compare(QLatin1String(r.word), Qt::CaseInsensitive) == 0)
            return QLatin1String(r.sql).contains(QLatin1String("LIKE"));
    return false;
}

QString Criteria::ValueProblem(const CriteriaEntry& e) const {
    const QString op = e.operatorWord.simplified().toUpper();
    if (op.isEmpty() || op == u"IS NULL" || op == u"IS NOT NULL")
        return {};
    const AdoTypeFamily family = adoTypeFamily(ColumnType(e.column));
    const bool textOperator = ComparesText(op);
    const bool notText = family == AdoTypeFamily::Number || family == AdoTypeFamily::Boolean ||
                         family == AdoTypeFamily::Date || family == AdoTypeFamily::Time;
    if (textOperator && notText)
        return QStringLiteral("%1 holds %2, and %3 compares text. Choose another operator, such as = or >.")
            .arg(e.column, familyWords(family), op);
    QStringList values{e.value1.trimmed()};
    if (op == u"BETWEEN")
        values << e.value2.trimmed();
    for (const QString& v : values) {
        // Blanks are no value of a number or a date (a text column compares them with '').
        if (v.isEmpty()) {
            if (notText)
                return QStringLiteral("%1 holds %2: type a value to compare it with.").arg(e.column, familyWords(family));
            continue;
        }
        bool fits = true;
        QString example;
        switch (family) {
        case AdoTypeFamily::Number:
            fits = CriteriaValue::isNumber(v);
            example = QStringLiteral("a number such as 42 or 3.5");
            break;
        case AdoTypeFamily::Boolean:
            fits = v == u"0" || v == u"1" || v.compare(u"TRUE", Qt::CaseInsensitive) == 0 ||
                   v.compare(u"FALSE", Qt::CaseInsensitive) == 0;
            example = QStringLiteral("TRUE or FALSE");
            break;
        case AdoTypeFamily::Date:
            fits = !CriteriaValue::isNumber(v) && CriteriaValue::parseDate(v).has_value();
            example = QStringLiteral("a date such as 2023-12-31 or 12/31/2023");
            break;
        default:
            break;
        }
        if (!fits)
            return QStringLiteral("\"%1\" is not one of the %2 that %3 holds. Type %4.")
                .arg(v, familyWords(family), e.column, example);
    }
    // An interval, json, an array ...: the builder has no literal for them, so the database
    // reads the term first. Only a term it refuses on an expression it accepts is the value's fault.
    if (family == AdoTypeFamily::Other && !s_.FromText.trimmed().isEmpty()) {
        const QString from = u' ' + oneLine(s_.FromText);
        const QString expression = oneLine(comparedExpression(e.column));
        if (types_.StatementProblem(QStringLiteral("SELECT ") + expression + from).isEmpty()) {
            const QString term = RewriteCell(TermFor(e), u'(' + expression + u')');
            if (const QString why = types_.StatementProblem(QStringLiteral("SELECT ") + term + from); !why.isEmpty())
                return QStringLiteral("%1 cannot be compared with %2 that way: the database says \"%3\". "
                                      "Type a value it reads as one of its own, or choose another operator.")
                    .arg(e.column, values.join(QStringLiteral(" and ")), why.trimmed());
        }
    }
    return {};
}

QString Criteria::comparedExpression(const QString& column) const {
    RecordSet& alias = s_.rsAlias();
    for (qint64 r = 0; r < alias.RecordCount(); ++r)
        if (textAt(alias, r, QueryState::AliasName) == column)
            return textAt(alias, r, QueryState::AliasFieldName);
    RecordSet& groupBy = s_.rsGroupBy();
    for (qint64 r = 0; r < groupBy.RecordCount(); ++r)
        if (textAt(groupBy, r, QueryState::GroupByFieldAlias) == column)
            return textAt(groupBy, r, QueryState::GroupByExpression);
    return column;
}

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
    const int type = ColumnType(e.column);
    bool bare = false;
    bool formatDates = true;
    if (isNumericAdoType(type) || adoTypeFamily(type) == AdoTypeFamily::Number) {
        bare = true;
    } else if (isTextAdoType(type)) {
        formatDates = false;  // a text column compares the text as typed
    } else if (adoTypeFamily(type) == AdoTypeFamily::Other) {
        formatDates = false;  // only the database reads its literals: '1 day' as typed
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
        if (bare && CriteriaValue::isNumber(value)) {
            // PostgreSQL compares a boolean with TRUE and FALSE only.
            if (type == AdoType::Boolean && dialect.kind == SqlDialect::Kind::PostgreSQL && (value == u"0" || value == u"1"))
                return value == u"1" ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
            return value;
        }
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

bool Criteria::namesFieldOfQuery(const QString& word) const {
    auto plain = [](QString name) {
        name.remove(u'[').remove(u']').remove(u'"').remove(u'`');
        return name.toCaseFolded();
    };
    const QString wanted = plain(word);
    for (const QString& item : s_.FieldList())
        if (plain(item) == wanted || plain(NameQuoting::fieldPart(item, s_.settings())) == wanted)
            return true;
    RecordSet& grid = s_.rsWhere();
    for (int f = 0; f < grid.FieldCount(); ++f)
        if (plain(grid.Field(f).name) == wanted)
            return true;
    return false;
}

QString Criteria::NormaliseTypedCell(const QString& column, const QString& text, QString* problem) const {
    auto refuse = [problem](const QString& why) {
        if (problem)
            *problem = why;
        return QString();
    };
    // Blanks alone are no criterion: the cell is empty.
    if (text.trimmed().isEmpty())
        return QString();
    QString kept = text;
    while (!kept.isEmpty() && kept.front().isSpace())
        kept.remove(0, 1);
    // A value alone, quoted or not, is compared for equality.
    const std::vector<FoundOperator> ops = cellOperators(kept);
    if (ops.empty()) {
        const QString value = quotedLiteral(kept.trimmed()).value_or(kept.trimmed());
        const CriteriaEntry entry{column, QStringLiteral("="), value, QString(), true};
        if (const QString why = ValueProblem(entry); !why.isEmpty())
            return refuse(why);
        return TermFor(entry);
    }
    // Text the rewrite would not read as terms (a sub-query, a CASE, words before the first
    // operator) is kept as the user typed it.
    if (indexOutsideQuotes(kept, QLatin1String("CASE ")) >= 0 || indexOutsideQuotes(kept, QLatin1String("WHERE")) >= 0 ||
        !kept.left(ops.front().at).trimmed().isEmpty())
        return kept;
    static const QRegularExpression trailingConjunction(QStringLiteral("\\s(AND|OR)\\s*$"),
                                                        QRegularExpression::CaseInsensitiveOption);
    QString out;
    QString conjunction;
    for (std::size_t k = 0; k < ops.size(); ++k) {
        const FoundOperator& o = ops[k];
        const qsizetype from = o.at + o.length;
        const qsizetype to = k + 1 < ops.size() ? ops[k + 1].at : kept.size();
        QString operand = kept.mid(from, to - from);
        QString next;
        if (k + 1 < ops.size()) {
            const auto m = trailingConjunction.match(operand);
            if (!m.hasMatch())
                return kept;  // two operators with no AND or OR between: not terms
            next = m.captured(1).toUpper();
            operand.truncate(m.capturedStart());
        }
        QString term;
        if (o.op == u"IS NULL" || o.op == u"IS NOT NULL") {
            if (!operand.trimmed().isEmpty())
                return kept;
            term = o.op;
        } else {
            QStringList operands{operand};
            if (o.op == u"BETWEEN") {
                const qsizetype and_ = wordOutsideQuotes(operand, QLatin1String("AND"));
                if (and_ < 0)
                    return refuse(QStringLiteral("BETWEEN needs two values joined by AND, such as BETWEEN 1 AND 5."));
                operands = {operand.left(and_), operand.mid(and_ + 3)};
            }
            QStringList values;
            bool allValues = true;
            for (const QString& raw : operands) {
                const QString t = raw.trimmed();
                if (t.isEmpty())
                    return refuse(QStringLiteral("%1 needs a value to compare %2 with.").arg(o.op, column));
                if (const auto literal = quotedLiteral(t)) {
                    values << *literal;
                } else if (t.contains(u'(') || namesFieldOfQuery(t)) {
                    // A field of the query or an expression is compared as it stands.
                    allValues = false;
                    values << t;
                } else {
                    values << t;
                }
            }
            if (allValues) {
                const CriteriaEntry entry{column, o.op, values.value(0), values.value(1), true};
                if (const QString why = ValueProblem(entry); !why.isEmpty())
                    return refuse(why);
                term = TermFor(entry);
            } else {
                QStringList written;
                for (const QString& raw : operands)
                    written << raw.trimmed();
                term = o.op + u' ' + written.join(QStringLiteral(" AND "));
            }
        }
        out += (out.isEmpty() ? QString() : u' ' + conjunction + u' ') + term;
        conjunction = next;
    }
    return out;
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
        bool totals = false;
        l.orSpans = orSpansWhereAndHaving(l.columns, &totals);
        l.orInWhere = l.orSpans && !totals;
        layout_ = std::move(l);
    }
    return *layout_;
}

// Lines are ORed. When more than one line holds criteria and totals (or grouped fields) and
// plain fields both appear, no split between WHERE and HAVING keeps the meaning: the criteria go
// whole into HAVING, or whole into WHERE when none of them is a total (*totals says which).
bool Criteria::orSpansWhereAndHaving(const std::vector<Column>& columns, bool* anyTotal) const {
    RecordSet& grid = s_.rsWhere();
    // The HAVING-side columns that are grouped fields, not totals.
    QSet<QString> grouped;
    RecordSet& groupBy = s_.rsGroupBy();
    for (qint64 r = 0; r < groupBy.RecordCount(); ++r)
        if (textAt(groupBy, r, QueryState::GroupByFieldAlias).isEmpty())
            grouped.insert(textAt(groupBy, r, QueryState::GroupByExpression));
    bool plain = false, totals = false;
    *anyTotal = false;
    int lines = 0;
    for (qint64 r = 0; r < grid.RecordCount(); ++r) {
        bool any = false;
        for (const Column& c : columns) {
            if (grid.IsNullAt(r, c.field) || textAt(grid, r, c.field).trimmed().isEmpty())
                continue;
            any = true;
            (c.aggregate ? totals : plain) = true;
            if (c.aggregate && !grouped.contains(c.name))
                *anyTotal = true;
        }
        lines += any ? 1 : 0;
    }
    return lines > 1 && plain && totals;
}

// Reads the grid's columns of one kind (the working copy's columns, without copying the rows
// there first: the result is the same and large grids stay fast).
QString Criteria::generate(const QString& keyword, bool having) {
    RecordSet& grid = s_.rsWhere();
    const Layout& l = layout();
    const bool whole = l.orSpans;
    std::vector<Column> used;
    for (const Column& c : l.columns)
        if (whole ? having != l.orInWhere : c.aggregate == having)
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
    if (!layout().orSpans || layout().orInWhere)
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
