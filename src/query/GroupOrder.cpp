#include "GroupOrder.h"

#include "shared/QueryState.h"
#include "SelectList.h"
#include "shared/MessageCatalogue.h"
#include "shared/BuilderSettings.h"
#include "platform/Prompts.h"

namespace lorvane {

QString GroupOrder::AggregateAlias(const QString& function, const QString& field) const {
    const BuilderSettings& settings = s_.settings();
    const qsizetype dot = field.indexOf(u'.');
    QString name = dot < 0 ? field : field.mid(dot + 1);
    if (!settings.VLNLeftFieldorTableSpaceChr.isEmpty() && name.startsWith(settings.VLNLeftFieldorTableSpaceChr))
        name.remove(0, settings.VLNLeftFieldorTableSpaceChr.size());
    if (!settings.VLNRightFieldorTableSpaceChr.isEmpty() && name.endsWith(settings.VLNRightFieldorTableSpaceChr))
        name.chop(settings.VLNRightFieldorTableSpaceChr.size());
    const qsizetype blank = name.indexOf(u' ');
    if (blank >= 0)
        name.remove(blank, 1);
    // "*" counts rows, it names no field.
    if (name.isEmpty() || name == u"*")
        name = QStringLiteral("AllRows");
    return function + QStringLiteral("OF") + name;
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
    const QString alias = plain ? QString() : AggregateAlias(function, field);

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

void GroupOrder::GenerateGroupByClause() {
    s_.GroupByText.clear();
    RecordSet& groupBy = s_.rsGroupBy();
    if (groupBy.RecordCount() == 0)
        return;
    const QString start = QStringLiteral("GROUP BY ");
    QString text = start;
    for (qint64 r = 0; r < groupBy.RecordCount(); ++r) {
        const QString fieldName = textAt(groupBy, r, QueryState::GroupByFieldName);
        if (!textAt(groupBy, r, QueryState::GroupByFieldAlias).isEmpty() || SelectList::ContainsPlainAggregate(fieldName))
            continue;
        if (text != start)
            text += QStringLiteral(", ");
        text += fieldName;
    }
    if (text != start)
        s_.GroupByText = text;
}

void GroupOrder::GenerateOrderByClause() {
    s_.OrderByText.clear();
    RecordSet& orderBy = s_.rsOrderBy();
    if (orderBy.RecordCount() == 0)
        return;
    RecordSet& groupBy = s_.rsGroupBy();
    RecordSet& calc = s_.rsCalcFields();
    const bool grouping = groupBy.RecordCount() > 0;
    auto takesPartInGrouping = [&](const QString& field) {
        for (qint64 g = 0; g < groupBy.RecordCount(); ++g)
            if (textAt(groupBy, g, QueryState::GroupByFieldName) == field ||
                textAt(groupBy, g, QueryState::GroupByExpression) == field)
                return true;
        for (qint64 c = 0; c < calc.RecordCount(); ++c)
            if (textAt(calc, c, QueryState::CalcExpression) == field)
                return true;
        return false;
    };
    const QString start = QStringLiteral("ORDER BY ");
    QString text = start;
    QStringList terms;
    for (qint64 r = 0; r < orderBy.RecordCount(); ++r) {
        if (grouping && !takesPartInGrouping(textAt(orderBy, r, QueryState::OrderByFieldName)))
            continue;
        const QString term = textAt(orderBy, r, QueryState::OrderByTerm);
        if (terms.contains(term))
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

}  // namespace lorvane
