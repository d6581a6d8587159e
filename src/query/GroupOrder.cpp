#include "GroupOrder.h"

#include "shared/QueryState.h"
#include "SelectList.h"
#include "shared/MessageCatalogue.h"
#include "shared/BuilderSettings.h"
#include "shared/NameQuoting.h"
#include "platform/Prompts.h"

namespace lorvane {

QString GroupOrder::AggregateAlias(const QString& function, const QString& field, bool distinct) const {
    const BuilderSettings& settings = s_.settings();
    QString name = NameQuoting::unquote(NameQuoting::fieldPart(field, settings), settings);
    const qsizetype blank = name.indexOf(u' ');
    if (blank >= 0)
        name.remove(blank, 1);
    // "*" counts rows, it names no field.
    if (name.isEmpty() || name == u"*")
        name = QStringLiteral("AllRows");
    // COUNT and COUNT DISTINCT of one field are two columns and need two names.
    return function + (distinct ? QStringLiteral("DISTINCTOF") : QStringLiteral("OF")) + name;
}

bool GroupOrder::CommitGroupingEntry(const QString& field, const QString& operand, Prompts& prompts) {
    const QString op = operand.trimmed();
    const bool plain = op == u"GROUP BY";
    QString function = op;
    bool distinct = false;
    if (!plain && op.endsWith(QLatin1String(" DISTINCT"))) {
        function = op.left(op.size() - 9).trimmed();
        distinct = true;
    }
    const QString expression = plain ? field
                                     : function + u'(' + (distinct ? QStringLiteral("DISTINCT ") : QString()) + field + u')';
    const QString alias = plain ? QString() : AggregateAlias(function, field, distinct);

    RecordSet& groupBy = s_.rsGroupBy();
    for (qint64 r = 0; r < groupBy.RecordCount(); ++r) {
        if (textAt(groupBy, r, QueryState::GroupByExpression) == expression)
            return false;
        if (!alias.isEmpty() && textAt(groupBy, r, QueryState::GroupByFieldAlias) == alias)
            return false;
    }

    Prompts::Message question;
    question.text = MessageCatalogue::text(159) + u' ' + op + u'(' + field + u')' + MessageCatalogue::text(160);
    question.title = s_.settings().VLNRunTimeControlCaption;
    question.icon = Prompts::Icon::Question;
    question.buttons = Prompts::Buttons::YesNo;
    const bool output = prompts.message(question) == Prompts::Answer::Yes;

    groupBy.AddNew();
    groupBy.SetValue(QueryState::GroupByFieldName, field);
    groupBy.SetValue(QueryState::GroupByExpression, expression);
    groupBy.SetValue(QueryState::GroupByFieldAlias, alias);
    groupBy.SetValue(QueryState::GroupByOutput, output ? QStringLiteral("YES") : QStringLiteral("NO"));
    groupBy.Update();
    if (!plain) {
        RecordSet& aliases = s_.rsAlias();
        aliases.AddNew();
        aliases.SetValue(QueryState::AliasFieldName, expression);
        aliases.SetValue(QueryState::AliasName, alias);
        aliases.SetValue(QueryState::AliasRecordsetType, QStringLiteral("rsGroupBy"));
        aliases.Update();
    }
    return true;
}

void GroupOrder::CommitOrderingEntry(const QString& field, const QString& direction) {
    RecordSet& orderBy = s_.rsOrderBy();
    orderBy.AddNew();
    orderBy.SetValue(QueryState::OrderByFieldName, field);
    orderBy.SetValue(QueryState::OrderByTerm, field + u' ' + direction);
    orderBy.SetValue(QueryState::OrderByExtra, QString());
    orderBy.Update();
}

QString GroupOrder::CalcExpressionOf(const QString& alias) const {
    if (alias.isEmpty())
        return {};
    RecordSet& calc = s_.rsCalcFields();
    for (qint64 c = 0; c < calc.RecordCount(); ++c)
        if (textAt(calc, c, QueryState::CalcAlias) == alias)
            return textAt(calc, c, QueryState::CalcExpression);
    return {};
}

QString GroupOrder::GroupedSql(qint64 row) const {
    RecordSet& groupBy = s_.rsGroupBy();
    const QString field = textAt(groupBy, row, QueryState::GroupByFieldName);
    const QString grouped = textAt(groupBy, row, QueryState::GroupByExpression);
    const QString expression = CalcExpressionOf(field);
    if (expression.isEmpty())
        return grouped;
    if (textAt(groupBy, row, QueryState::GroupByFieldAlias).isEmpty())
        return expression;
    QString out = grouped;
    out.replace(QStringLiteral("(DISTINCT ") + field + u')', QStringLiteral("(DISTINCT ") + expression + u')');
    out.replace(u'(' + field + u')', u'(' + expression + u')');
    return out;
}

void GroupOrder::GenerateGroupByClause() {
    s_.GroupByText.clear();
    RecordSet& groupBy = s_.rsGroupBy();
    if (groupBy.RecordCount() == 0)
        return;
    const QString start = QStringLiteral("GROUP BY ");
    QString text = start;
    for (qint64 r = 0; r < groupBy.RecordCount(); ++r) {
        const QString fieldName = textAt(groupBy, r, QueryState::GroupByFieldName);
        if (!textAt(groupBy, r, QueryState::GroupByFieldAlias).isEmpty() || SelectList::IsAggregateExpression(fieldName))
            continue;
        if (text != start)
            text += QStringLiteral(", ");
        // A calculated field is grouped by its expression.
        const QString expression = CalcExpressionOf(fieldName);
        text += expression.isEmpty() ? fieldName : expression;
    }
    if (text != start)
        s_.GroupByText = text;
}

QString GroupOrder::OrderingTerm(qint64 row) const {
    RecordSet& orderBy = s_.rsOrderBy();
    RecordSet& groupBy = s_.rsGroupBy();
    RecordSet& calc = s_.rsCalcFields();
    const QString field = textAt(orderBy, row, QueryState::OrderByFieldName);
    const QString term = textAt(orderBy, row, QueryState::OrderByTerm);
    if (field == u"*")
        return {};  // an ordering row on "*" (from an older file) orders nothing
    // DISTINCT rows have no one value of a field that is not output: such a row orders
    // nothing (running says why).
    if (s_.Distinct && groupBy.RecordCount() == 0 && !IsOutput(field))
        return {};
    const QString direction = term.startsWith(field) ? term.mid(field.size()).trimmed() : QString();
    auto byAlias = [&](const QString& alias) {
        return NameQuoting::quoteRaw(alias, s_.settings()) + (direction.isEmpty() ? QString() : u' ' + direction);
    };
    // A calculated field is ordered by its output name, quoted as the select list quotes it;
    // one that is not output, by its expression.
    for (qint64 c = 0; c < calc.RecordCount(); ++c) {
        if (textAt(calc, c, QueryState::CalcAlias) != field)
            continue;
        const QString expression = textAt(calc, c, QueryState::CalcExpression);
        const bool grouping = groupBy.RecordCount() > 0;
        if (textAt(calc, c, QueryState::CalcOutput) == u"YES" &&
            (!grouping || SelectList::IsAggregateExpression(expression)))
            return byAlias(field);
        if (!grouping)
            return expression + (direction.isEmpty() ? QString() : u' ' + direction);
        // Grouped by, it is output under its alias, or else ordered by its expression.
        for (qint64 g = 0; g < groupBy.RecordCount(); ++g)
            if (textAt(groupBy, g, QueryState::GroupByFieldAlias).isEmpty() &&
                textAt(groupBy, g, QueryState::GroupByFieldName) == field)
                return textAt(groupBy, g, QueryState::GroupByOutput).toUpper() == u"YES"
                           ? byAlias(field)
                           : expression + (direction.isEmpty() ? QString() : u' ' + direction);
        return {};
    }
    if (groupBy.RecordCount() == 0)
        return term;
    // A total is ordered by its alias, whether the row names the alias or the aggregate; one
    // that is not output has no alias in the statement and is ordered by its expression.
    for (qint64 g = 0; g < groupBy.RecordCount(); ++g) {
        const QString alias = textAt(groupBy, g, QueryState::GroupByFieldAlias);
        const QString expression = textAt(groupBy, g, QueryState::GroupByExpression);
        if (alias.isEmpty() || (alias != field && expression != field))
            continue;
        if (textAt(groupBy, g, QueryState::GroupByOutput).toUpper() == u"YES")
            return byAlias(alias);
        return GroupedSql(g) + (direction.isEmpty() ? QString() : u' ' + direction);
    }
    // Otherwise only a grouped field can order grouped rows: a field that is only totalled
    // (its SUM is output, say) has no one value in a group.
    for (qint64 g = 0; g < groupBy.RecordCount(); ++g)
        if (textAt(groupBy, g, QueryState::GroupByFieldAlias).isEmpty() &&
            (textAt(groupBy, g, QueryState::GroupByFieldName) == field ||
             textAt(groupBy, g, QueryState::GroupByExpression) == field))
            return term;
    for (qint64 c = 0; c < calc.RecordCount(); ++c)
        if (textAt(calc, c, QueryState::CalcExpression) == field)
            return term;
    return {};
}

void GroupOrder::GenerateOrderByClause() {
    s_.OrderByText.clear();
    RecordSet& orderBy = s_.rsOrderBy();
    if (orderBy.RecordCount() == 0)
        return;
    const QString start = QStringLiteral("ORDER BY ");
    QString text = start;
    QStringList terms;
    for (qint64 r = 0; r < orderBy.RecordCount(); ++r) {
        const QString term = OrderingTerm(r);
        if (term.isEmpty() || terms.contains(term))
            continue;
        terms << term;
        if (text != start)
            text += QStringLiteral(", ");
        text += term;
    }
    // With every term left out there is no ORDER BY line at all, not a bare keyword.
    if (text != start)
        s_.OrderByText = text;
}

bool GroupOrder::IsOutput(const QString& field) const {
    if (s_.OutputFieldList.contains(field))
        return true;
    RecordSet& calc = s_.rsCalcFields();
    for (qint64 c = 0; c < calc.RecordCount(); ++c)
        if (textAt(calc, c, QueryState::CalcOutput) == u"YES" &&
            (textAt(calc, c, QueryState::CalcExpression) == field || textAt(calc, c, QueryState::CalcAlias) == field))
            return true;
    return false;
}

QStringList GroupOrder::OrderedButNotOutput() const {
    RecordSet& orderBy = s_.rsOrderBy();
    QStringList missing;
    for (qint64 r = 0; r < orderBy.RecordCount(); ++r) {
        const QString field = textAt(orderBy, r, QueryState::OrderByFieldName);
        if (field != u"*" && !IsOutput(field) && !missing.contains(field))
            missing << field;
    }
    return missing;
}

QString GroupOrder::DistinctOrderingText(const QStringList& fields) {
    return QStringLiteral("DISTINCT rows can only be ordered by fields that are output, and %1 %2 ordered but not "
                          "output. Output it or take it out of the ordering, then try again.")
        .arg(fields.join(QStringLiteral(", ")), fields.size() == 1 ? QStringLiteral("is") : QStringLiteral("are"));
}

QString GroupOrder::DistinctOrderingProblem() const {
    if (!s_.Distinct || s_.rsGroupBy().RecordCount() > 0)
        return {};
    const QStringList missing = OrderedButNotOutput();
    return missing.isEmpty() ? QString() : DistinctOrderingText(missing);
}

}  // namespace lorvane
