#include "FieldOrderRows.h"

#include "shared/QueryState.h"

#include <QVariant>
#include <functional>
#include <vector>

namespace lorvane {

namespace {

using Q = QueryState;

// Deletes, from the last row up, every row the test picks.
void deleteRows(RecordSet& rs, const std::function<bool(qint64)>& picked) {
    for (qint64 row = rs.RecordCount() - 1; row >= 0; --row)
        if (picked(row)) {
            rs.SetAbsolutePosition(row + 1);
            rs.Delete();
        }
}

void deleteAliasRows(QueryState& s, const QString& alias) {
    if (alias.isEmpty())
        return;
    RecordSet& aliases = s.rsAlias();
    deleteRows(aliases, [&](qint64 r) { return textAt(aliases, r, Q::AliasName) == alias; });
}

void setText(RecordSet& rs, qint64 row, int field, const QString& text) {
    rs.SetAbsolutePosition(row + 1);
    rs.SetValue(field, text);
    rs.Update();
}

QString withoutDirection(const QString& text) {
    for (const QLatin1String word : {QLatin1String(" DESC"), QLatin1String(" ASC")})
        if (text.endsWith(word))
            return text.left(text.size() - word.size());
    return text;
}

}  // namespace

FieldOrderRows::Mode FieldOrderRows::modeFrom(const QString& editMode) {
    if (editMode == u"Order")
        return Mode::Order;
    if (editMode == u"Calc")
        return Mode::Calc;
    return Mode::Group;
}

RecordSet& FieldOrderRows::table() const {
    switch (mode_) {
    case Mode::Order:
        return s_.rsOrderBy();
    case Mode::Calc:
        return s_.rsCalcFields();
    case Mode::Group:
        break;
    }
    return s_.rsGroupBy();
}

int FieldOrderRows::outputField() const {
    return mode_ == Mode::Calc ? int(Q::CalcOutput) : int(Q::GroupByOutput);
}

QString FieldOrderRows::displayText(qint64 row) const {
    RecordSet& rs = table();
    switch (mode_) {
    case Mode::Order:
        return textAt(rs, row, Q::OrderByTerm);
    case Mode::Calc:
        return textAt(rs, row, Q::CalcExpression);
    case Mode::Group:
        break;
    }
    const QString grouped = textAt(rs, row, Q::GroupByExpression);
    return grouped.isEmpty() ? textAt(rs, row, Q::GroupByFieldName) : grouped;
}

QList<FieldOrderRows::Entry> FieldOrderRows::entries() const {
    QList<Entry> out;
    RecordSet& rs = table();
    for (qint64 r = 0; r < rs.RecordCount(); ++r)
        out.push_back({displayText(r), mode_ == Mode::Calc ? textAt(rs, r, Q::CalcAlias) : QString()});
    return out;
}

qint64 FieldOrderRows::rowOf(const Entry& entry) const {
    RecordSet& rs = table();
    for (qint64 r = 0; r < rs.RecordCount(); ++r)
        if (displayText(r) == entry.text && (mode_ != Mode::Calc || textAt(rs, r, Q::CalcAlias) == entry.alias))
            return r;
    return -1;
}

bool FieldOrderRows::output(const Entry& entry) const {
    const qint64 row = mode_ == Mode::Order ? -1 : rowOf(entry);
    return row >= 0 && textAt(table(), row, outputField()) == u"YES";
}

void FieldOrderRows::setOutput(const Entry& entry, bool on) {
    const qint64 row = mode_ == Mode::Order ? -1 : rowOf(entry);
    if (row >= 0)
        setText(table(), row, outputField(), on ? QStringLiteral("YES") : QStringLiteral("NO"));
}

QString FieldOrderRows::aliasOf(const QString& text) const {
    const QString expression = withoutDirection(text);
    RecordSet& aliases = s_.rsAlias();
    for (qint64 r = 0; r < aliases.RecordCount(); ++r)
        if (textAt(aliases, r, Q::AliasFieldName) == expression)
            return textAt(aliases, r, Q::AliasName);
    // Ordering rows name totals and calculated fields by their alias.
    if (mode_ == Mode::Order)
        for (qint64 r = 0; r < aliases.RecordCount(); ++r)
            if (textAt(aliases, r, Q::AliasName) == expression)
                return expression;
    return {};
}

void FieldOrderRows::remove(const Entry& entry) {
    RecordSet& groupBy = s_.rsGroupBy();
    RecordSet& orderBy = s_.rsOrderBy();
    RecordSet& calc = s_.rsCalcFields();
    // An ordering row names a total or a calculated field by its alias, and a calculated field
    // may use a total's alias: those go with the row they name.
    auto deleteOrdering = [&](const QString& text, const QString& alias) {
        deleteRows(orderBy, [&](qint64 r) {
            return (!text.isEmpty() && textAt(orderBy, r, Q::OrderByTerm).contains(text)) ||
                   (!alias.isEmpty() && textAt(orderBy, r, Q::OrderByFieldName) == alias);
        });
    };
    switch (mode_) {
    case Mode::Order:
        deleteRows(orderBy, [&](qint64 r) { return textAt(orderBy, r, Q::OrderByTerm) == entry.text; });
        break;
    case Mode::Group: {
        const QString alias = aliasOf(entry.text);
        deleteRows(groupBy, [&](qint64 r) { return displayText(r) == entry.text; });
        deleteAliasRows(s_, alias);
        deleteOrdering(entry.text, alias);
        // A calculated field goes only when it uses the total that went; one that merely
        // mentions a grouped field still stands on its own.
        QStringList calcAliases;
        deleteRows(calc, [&](qint64 r) {
            const QString expression = textAt(calc, r, Q::CalcExpression);
            const bool uses = !alias.isEmpty() && (expression.contains(entry.text, Qt::CaseInsensitive) ||
                                                   expression.contains(alias, Qt::CaseInsensitive));
            if (uses)
                calcAliases << textAt(calc, r, Q::CalcAlias);
            return uses;
        });
        for (const QString& a : calcAliases) {
            deleteAliasRows(s_, a);
            deleteOrdering(QString(), a);
        }
        break;
    }
    case Mode::Calc: {
        const qint64 row = rowOf(entry);
        if (row < 0)
            break;
        calc.SetAbsolutePosition(row + 1);
        calc.Delete();
        deleteAliasRows(s_, entry.alias);
        QStringList totals;
        deleteRows(groupBy, [&](qint64 r) {
            const QString name = textAt(groupBy, r, Q::GroupByFieldName);
            const bool over = name == entry.text || name == entry.alias ||
                              textAt(groupBy, r, Q::GroupByExpression) == entry.text;
            if (over)
                totals << textAt(groupBy, r, Q::GroupByFieldAlias);
            return over;
        });
        for (const QString& a : totals) {
            deleteAliasRows(s_, a);
            deleteOrdering(QString(), a);
        }
        deleteOrdering(entry.text, entry.alias);
        break;
    }
    }
}

void FieldOrderRows::replaceExpression(const QString& oldExpression, const QString& newExpression) {
    if (oldExpression.isEmpty() || oldExpression == newExpression)
        return;
    // Only a text that is the old expression as a whole (an ordering term: with its direction)
    // names the field; the same characters inside another expression belong to that one.
    auto replaceIn = [&](RecordSet& rs, int field, bool withDirection) {
        for (qint64 r = 0; r < rs.RecordCount(); ++r) {
            const QString text = textAt(rs, r, field);
            if (text == oldExpression)
                setText(rs, r, field, newExpression);
            else if (withDirection && withoutDirection(text) == oldExpression && text != oldExpression)
                setText(rs, r, field, newExpression + text.mid(oldExpression.size()));
        }
    };
    replaceIn(s_.rsGroupBy(), Q::GroupByFieldName, false);
    replaceIn(s_.rsGroupBy(), Q::GroupByExpression, false);
    replaceIn(s_.rsOrderBy(), Q::OrderByFieldName, false);
    replaceIn(s_.rsOrderBy(), Q::OrderByTerm, true);
}

void FieldOrderRows::rewrite(const QList<Entry>& order) {
    RecordSet& rs = table();
    const int fields = rs.FieldCount();
    std::vector<std::vector<QVariant>> rows;
    std::vector<bool> taken;
    for (qint64 r = 0; r < rs.RecordCount(); ++r) {
        std::vector<QVariant> values;
        for (int f = 0; f < fields; ++f)
            values.push_back(rs.ValueAt(r, f));
        rows.push_back(std::move(values));
        taken.push_back(false);
    }
    std::vector<std::size_t> picked;
    for (const Entry& entry : order) {
        for (std::size_t r = 0; r < rows.size(); ++r) {
            if (taken[r] || displayText(static_cast<qint64>(r)) != entry.text ||
                (mode_ == Mode::Calc && rows[r][Q::CalcAlias].toString() != entry.alias))
                continue;
            taken[r] = true;
            picked.push_back(r);
            break;
        }
    }
    deleteRows(rs, [](qint64) { return true; });
    for (const std::size_t r : picked) {
        rs.AddNew();
        for (int f = 0; f < fields; ++f)
            rs.SetValue(f, rows[r][static_cast<std::size_t>(f)]);
        rs.Update();
    }
}

}  // namespace lorvane
