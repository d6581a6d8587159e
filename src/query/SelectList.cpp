#include "SelectList.h"

#include "GroupOrder.h"
#include "shared/QueryState.h"
#include "shared/BuilderSettings.h"
#include "shared/NameQuoting.h"

#include <QRegularExpression>
#include <QSet>

namespace lorvane {

bool SelectList::IsAggregateExpression(const QString& text) {
    // The aggregate functions a database knows, in any letter case, with or without blanks or
    // DISTINCT before the bracket: the one test for the select list, the WHERE/HAVING split
    // and the calculated field dialog, so that they never disagree.
    static const QRegularExpression opening(
        QStringLiteral("(SUM|COUNT|AVG|MIN|MAX|STDEV|VAR|FIRST|LAST)(\\s+DISTINCT)?\\s*\\("),
        QRegularExpression::CaseInsensitiveOption);
    return opening.match(text).hasMatch();
}

QString SelectList::NestedAggregate(const QString& text) {
    // Every bracket is marked when an aggregate name stands before it; one opened while a
    // marked one is still open is a total within a total, which no database computes.
    static const QRegularExpression name(QStringLiteral("(?<![\\w.])(SUM|COUNT|AVG|MIN|MAX|STDEV|VAR|FIRST|LAST)"
                                                        "(\\s+DISTINCT)?\\s*$"),
                                         QRegularExpression::CaseInsensitiveOption);
    QList<bool> open;
    int totalsOpen = 0;
    QChar quote;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == u'\'' || c == u'"' || c == u'[') {
            quote = c == u'[' ? QChar(u']') : c;
        } else if (c == u'(') {
            const auto m = name.match(QStringView(text).left(i));
            const bool total = m.hasMatch();
            if (total && totalsOpen > 0)
                return m.captured(1).toUpper();
            open << total;
            totalsOpen += total ? 1 : 0;
        } else if (c == u')' && !open.isEmpty()) {
            totalsOpen -= open.takeLast() ? 1 : 0;
        }
    }
    return {};
}

void SelectList::GenerateSelectList() {
    const BuilderSettings& settings = s_.settings();
    GroupOrder groupOrder(s_);
    if (settings.VLNAllowTableSelection && s_.SelectedTables.isEmpty()) {
        s_.SelectText.clear();
        groupOrder.GenerateGroupByClause();
        return;
    }
    if (!settings.VLNAllowFieldSelection)
        s_.OutputFieldList = s_.FieldList();

    QString text;
    QString start;
    auto add = [&text, &start](const QString& item) {
        if (text != start)
            text += QStringLiteral(", ");
        text += item;
    };
    RecordSet& groupBy = s_.rsGroupBy();
    RecordSet& calc = s_.rsCalcFields();
    if (groupBy.RecordCount() > 0) {
        start = text = QStringLiteral("SELECT ");
        RecordSet& alias = s_.rsAlias();
        for (qint64 r = 0; r < groupBy.RecordCount(); ++r) {
            if (textAt(groupBy, r, QueryState::GroupByOutput).toUpper() != u"YES")
                continue;
            const QString fieldAlias = textAt(groupBy, r, QueryState::GroupByFieldAlias);
            const QString grouped = textAt(groupBy, r, QueryState::GroupByExpression);
            if (!fieldAlias.isEmpty()) {
                add(groupOrder.GroupedSql(r) + QStringLiteral(" AS ") + NameQuoting::quoteRaw(fieldAlias, settings));
                continue;
            }
            // A grouped calculated field is output as its expression under its own name.
            const QString fieldName = textAt(groupBy, r, QueryState::GroupByFieldName);
            if (const QString calcExpression = groupOrder.CalcExpressionOf(fieldName); !calcExpression.isEmpty()) {
                add(calcExpression + QStringLiteral(" AS ") + NameQuoting::quoteRaw(fieldName, settings));
                continue;
            }
            if (!grouped.isEmpty()) {
                add(grouped);
                continue;
            }
            if (fieldName.isEmpty())
                continue;
            QString item = fieldName;  // without a matching alias the field stands alone
            for (qint64 a = 0; a < alias.RecordCount(); ++a) {
                if (textAt(alias, a, QueryState::AliasFieldName) == fieldName) {
                    item += QStringLiteral(" AS ") + NameQuoting::quoteRaw(textAt(alias, a, QueryState::AliasName), settings);
                    break;
                }
            }
            add(item);
        }
        // Each calculated field is tested on its own: only aggregates can stand beside groups.
        for (qint64 r = 0; r < calc.RecordCount(); ++r) {
            const QString expression = textAt(calc, r, QueryState::CalcExpression);
            if (IsAggregateExpression(expression) && textAt(calc, r, QueryState::CalcOutput) == u"YES")
                add(expression + QStringLiteral(" AS ") +
                    NameQuoting::quoteRaw(textAt(calc, r, QueryState::CalcAlias), settings));
        }
    } else {
        start = text = s_.Distinct ? QStringLiteral("SELECT DISTINCT ") : QStringLiteral("SELECT ");
        for (const QString& item : s_.OutputFieldList)
            add(item);
        for (qint64 r = 0; r < calc.RecordCount(); ++r)
            if (textAt(calc, r, QueryState::CalcOutput) == u"YES")
                add(textAt(calc, r, QueryState::CalcExpression) + QStringLiteral(" AS ") +
                    NameQuoting::quoteRaw(textAt(calc, r, QueryState::CalcAlias), settings));
    }
    s_.SelectText = text;
    groupOrder.GenerateGroupByClause();
}

QList<SelectList::Entry> SelectList::CriteriaFieldEntries() const {
    QList<Entry> entries;
    QSet<QString> seen;  // the grid has one column per name, regardless of case
    auto add = [&](const QString& name, const QString& shown) {
        if (name.isEmpty())
            return;
        const QString key = name.toCaseFolded();
        if (seen.contains(key))
            return;
        seen.insert(key);
        entries.push_back({name, shown});
    };
    for (const QString& item : s_.FieldList())
        add(item, NameQuoting::fieldPart(item, s_.settings()));
    RecordSet& groupBy = s_.rsGroupBy();
    for (qint64 r = 0; r < groupBy.RecordCount(); ++r) {
        const QString a = textAt(groupBy, r, QueryState::GroupByFieldAlias);
        add(a, a);
    }
    RecordSet& calc = s_.rsCalcFields();
    for (qint64 r = 0; r < calc.RecordCount(); ++r) {
        const QString a = textAt(calc, r, QueryState::CalcAlias);
        add(a, a);
    }
    return entries;
}

QList<SelectList::Entry> SelectList::GroupingFieldEntries() const {
    QList<Entry> entries;
    for (const QString& item : s_.FieldList())
        entries.push_back({item, NameQuoting::fieldPart(item, s_.settings())});
    entries.push_back({QStringLiteral("*"), QStringLiteral("*")});
    RecordSet& calc = s_.rsCalcFields();
    for (qint64 r = 0; r < calc.RecordCount(); ++r)
        if (!IsAggregateExpression(textAt(calc, r, QueryState::CalcExpression)))
            entries.push_back({textAt(calc, r, QueryState::CalcAlias), textAt(calc, r, QueryState::CalcAlias)});
    return entries;
}

QList<SelectList::Entry> SelectList::OrderingFieldEntries() const {
    QList<Entry> entries = GroupingFieldEntries();
    // "*" counts rows; rows cannot be ordered by it.
    entries.removeIf([](const Entry& e) { return e.name == u"*"; });
    RecordSet& groupBy = s_.rsGroupBy();
    for (qint64 r = 0; r < groupBy.RecordCount(); ++r)
        if (const QString a = textAt(groupBy, r, QueryState::GroupByFieldAlias); !a.isEmpty())
            entries.push_back({a, a});
    return entries;
}

QStringList SelectList::FillCriteriaFieldList() const {
    QStringList shown;
    for (const Entry& e : CriteriaFieldEntries())
        shown << e.shown;
    return shown;
}

QStringList SelectList::FillGroupingFieldList() const {
    QStringList shown;
    for (const Entry& e : GroupingFieldEntries())
        shown << e.shown;
    return shown;
}

}  // namespace lorvane
