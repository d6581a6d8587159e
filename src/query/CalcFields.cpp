#include "CalcFields.h"

#include "GroupOrder.h"
#include "SelectList.h"
#include "shared/NameQuoting.h"
#include "shared/QueryState.h"

#include <QRegularExpression>

namespace lorvane {

namespace {

using Q = QueryState;

const char* const kTotalFunctions[] = {"COUNT", "SUM", "AVG", "MIN", "MAX"};

QString withoutLeadingBlanks(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text[i] == u' ')
        ++i;
    return text.mid(i);
}

}  // namespace

QList<CalcFields::Entry> CalcFields::fieldEntries() const {
    QList<Entry> out;
    for (const QString& item : s_.FieldList())
        out.push_back({NameQuoting::fieldPart(item, s_.settings()), item});
    RecordSet& groupBy = s_.rsGroupBy();
    for (qint64 r = 0; r < groupBy.RecordCount(); ++r) {
        const QString grouped = textAt(groupBy, r, Q::GroupByExpression);
        if (!grouped.isEmpty() && grouped != textAt(groupBy, r, Q::GroupByFieldName))
            out.push_back({grouped, grouped});
    }
    RecordSet& calc = s_.rsCalcFields();
    for (qint64 r = 0; r < calc.RecordCount(); ++r) {
        const QString expression = textAt(calc, r, Q::CalcExpression);
        out.push_back({expression, expression});
    }
    return out;
}

bool CalcFields::aggregatesKnown(const QString& expression) const {
    // The select list's aggregate openings, found in any case.
    const QString upper = expression.toUpper();
    if (!SelectList::IsAggregateExpression(upper))
        return true;
    RecordSet& groupBy = s_.rsGroupBy();
    for (qint64 r = 0; r < groupBy.RecordCount(); ++r) {
        const QString alias = textAt(groupBy, r, Q::GroupByFieldAlias);
        if (alias.isEmpty())
            continue;
        // The total inserted from the field list is its expression; typed, it is its alias.
        if (upper.contains(alias.toUpper()) || upper.contains(textAt(groupBy, r, Q::GroupByExpression).toUpper()))
            return true;
    }
    return false;
}

QString CalcFields::namedOutputAlias(const QString& expression, const QString& ownAlias) const {
    QStringList aliases;
    RecordSet& groupBy = s_.rsGroupBy();
    for (qint64 r = 0; r < groupBy.RecordCount(); ++r)
        aliases << textAt(groupBy, r, Q::GroupByFieldAlias);
    RecordSet& calc = s_.rsCalcFields();
    for (qint64 r = 0; r < calc.RecordCount(); ++r)
        aliases << textAt(calc, r, Q::CalcAlias);
    const QString own = withoutLeadingBlanks(ownAlias);
    for (const QString& alias : aliases) {
        if (alias.isEmpty() || alias == own)
            continue;
        // As a name of its own: not part of a longer name, nor the field part of Table.Field.
        const QRegularExpression named(QStringLiteral("(?<![\\w.])") + QRegularExpression::escape(alias) +
                                           QStringLiteral("(?!\\w)"),
                                       QRegularExpression::CaseInsensitiveOption);
        if (named.match(expression).hasMatch())
            return alias;
    }
    return {};
}

CalcFields::Outcome CalcFields::store(const QString& expressionText, const QString& aliasText, bool show,
                                      bool editing) {
    const QString expression = withoutLeadingBlanks(expressionText);
    const QString alias = withoutLeadingBlanks(aliasText);
    RecordSet& calc = s_.rsCalcFields();
    for (qint64 r = 0; r < calc.RecordCount(); ++r) {
        if (textAt(calc, r, Q::CalcAlias) != alias)
            continue;
        if (!editing)
            return Outcome::DuplicateAlias;
        calc.SetAbsolutePosition(r + 1);
        calc.Delete();
        storeField(expression, alias, show);
        return Outcome::Stored;
    }
    // A total's alias names a grid column and an output column as well: one name, one column.
    RecordSet& groupBy = s_.rsGroupBy();
    for (qint64 r = 0; r < groupBy.RecordCount() && !editing; ++r)
        if (textAt(groupBy, r, Q::GroupByFieldAlias) == alias)
            return Outcome::DuplicateAlias;
    storeField(expression, alias, show);
    return Outcome::Stored;
}

bool CalcFields::isTotalOver(const QString& totalAlias, const QString& calcAlias) const {
    const GroupOrder groupOrder(s_);
    for (const char* function : kTotalFunctions)
        for (const bool distinct : {false, true})
            if (groupOrder.AggregateAlias(QLatin1String(function), calcAlias, distinct) == totalAlias)
                return true;
    return false;
}

void CalcFields::storeField(const QString& expression, const QString& alias, bool show) {
    RecordSet& calc = s_.rsCalcFields();
    calc.AddNew();
    calc.SetValue(Q::CalcExpression, expression);
    calc.SetValue(Q::CalcAlias, alias);
    calc.SetValue(Q::CalcOutput, show ? QStringLiteral("YES") : QStringLiteral("No"));
    calc.Update();

    RecordSet& aliases = s_.rsAlias();
    bool named = false;
    for (qint64 r = 0; r < aliases.RecordCount(); ++r) {
        const QString rowAlias = textAt(aliases, r, Q::AliasName);
        if (rowAlias == alias) {
            aliases.SetAbsolutePosition(r + 1);
            aliases.SetValue(Q::AliasFieldName, expression);
            aliases.Update();
            named = true;
        } else if (textAt(aliases, r, Q::AliasRecordsetType) == u"rsGroupBy" && isTotalOver(rowAlias, alias)) {
            // A total over this field follows its new expression.
            const QString fieldName = textAt(aliases, r, Q::AliasFieldName);
            for (const char* function : kTotalFunctions) {
                const QString opening = QLatin1String(function) + u'(';
                if (!fieldName.contains(opening))
                    continue;
                const bool distinct = fieldName.contains(opening + QStringLiteral("DISTINCT "));
                aliases.SetAbsolutePosition(r + 1);
                aliases.SetValue(Q::AliasFieldName,
                                 opening + (distinct ? QStringLiteral("DISTINCT ") : QString()) + expression + u')');
                aliases.Update();
                break;
            }
        }
    }
    if (!named) {
        aliases.AddNew();
        aliases.SetValue(Q::AliasFieldName, expression);
        aliases.SetValue(Q::AliasName, alias);
        aliases.SetValue(Q::AliasRecordsetType, QStringLiteral("rsCalcFields"));
        aliases.Update();
    }
}

}  // namespace lorvane
