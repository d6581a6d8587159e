#include "CriteriaGrid.h"

#include "shared/QueryState.h"
#include "platform/AdoTypes.h"
#include "platform/VLNError.h"
#include "shared/NameQuoting.h"

#include <QSet>
#include <functional>
#include <vector>

namespace lorvane {

namespace {

bool rowIsEmpty(const RecordSet& rs, qint64 row) {
    for (int f = 0; f < rs.FieldCount(); ++f)
        if (!rs.ValueAt(row, f).toString().trimmed().isEmpty())
            return false;
    return true;
}

void deleteEmptyRows(RecordSet& rs) {
    if (!rs.IsOpen())
        return;
    for (qint64 row = rs.RecordCount() - 1; row >= 0; --row) {
        if (rowIsEmpty(rs, row)) {
            rs.SetAbsolutePosition(row + 1);
            rs.Delete();
        }
    }
}

// The qualifiers of the qualified names in an expression ("Orders" of Orders.Freight, "[Order
// Details]" of [Order Details].Qty, "s.t" of s.t.c), as written; text in single quotes is a
// value and is skipped.
QStringList qualifiersIn(const QString& text) {
    QStringList out;
    QStringList chain;
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto nameAt = [&](qsizetype at) -> qsizetype {  // the end of the name starting at `at`, or -1
        if (at >= n)
            return -1;
        const QChar c = text[at];
        if (c == u'"' || c == u'[' || c == u'`') {
            const QChar close = c == u'[' ? QChar(u']') : c;
            qsizetype j = at + 1;
            while (j < n) {
                if (text[j] == close) {
                    if (close == u'"' && j + 1 < n && text[j + 1] == u'"') {
                        j += 2;
                        continue;
                    }
                    return j + 1;
                }
                ++j;
            }
            return -1;
        }
        if (!c.isLetter() && c != u'_')
            return -1;
        qsizetype j = at + 1;
        while (j < n && (text[j].isLetterOrNumber() || text[j] == u'_' || text[j] == u'$'))
            ++j;
        return j;
    };
    while (i < n) {
        if (text[i] == u'\'') {
            const qsizetype close = text.indexOf(u'\'', i + 1);
            i = close < 0 ? n : close + 1;
            continue;
        }
        const bool startsName = (i == 0 || !(text[i - 1].isLetterOrNumber() || text[i - 1] == u'_'));
        const qsizetype end = startsName ? nameAt(i) : -1;
        if (end < 0) {
            ++i;
            continue;
        }
        chain = {text.mid(i, end - i)};
        i = end;
        while (i < n && text[i] == u'.') {
            const qsizetype next = nameAt(i + 1);
            if (next < 0)
                break;
            chain << text.mid(i + 1, next - i - 1);
            i = next;
        }
        if (chain.size() > 1)
            out << QStringList(chain.mid(0, chain.size() - 1)).join(u'.');
    }
    return out;
}

}  // namespace

void CriteriaGrid::RebuildColumns() {
    // The column names: every field of the query, then the aggregate and calculated aliases.
    QStringList names = s_.FieldList();
    RecordSet& groupBy = s_.rsGroupBy();
    for (qint64 r = 0; r < groupBy.RecordCount(); ++r)
        if (const QString alias = textAt(groupBy, r, QueryState::GroupByFieldAlias); !alias.isEmpty())
            names << alias;
    RecordSet& calc = s_.rsCalcFields();
    for (qint64 r = 0; r < calc.RecordCount(); ++r)
        if (const QString alias = textAt(calc, r, QueryState::CalcAlias); !alias.isEmpty())
            names << alias;

    RecordSet& old = s_.rsWhere();
    bool same = old.FieldCount() == names.size();
    for (int f = 0; same && f < old.FieldCount(); ++f)
        same = old.Field(f).name == names[f];
    if (same)
        return;  // the grid already has exactly these columns

    // A name the grid already has (a field listed twice) gets no second column.
    QStringList unique;
    QSet<QString> seen;
    for (const QString& name : names) {
        const QString folded = name.toCaseFolded();
        if (!name.isEmpty() && !seen.contains(folded)) {
            seen.insert(folded);
            unique << name;
        }
    }
    names = unique;

    auto fresh = std::make_shared<RecordSet>();
    for (const QString& name : names)
        fresh->AppendField(name, AdoType::VarChar, QueryState::kCriteriaCellSize, QueryState::kCriteriaCellAttributes);
    fresh->Open();
    std::vector<int> source(static_cast<std::size_t>(fresh->FieldCount()));
    for (int f = 0; f < fresh->FieldCount(); ++f)
        source[static_cast<std::size_t>(f)] = old.FieldIndex(fresh->Field(f).name);
    for (qint64 r = 0; r < old.RecordCount(); ++r) {
        fresh->AddNew();
        for (int f = 0; f < fresh->FieldCount(); ++f) {
            const int from = source[static_cast<std::size_t>(f)];
            if (from < 0 || old.IsNullAt(r, from))
                continue;
            const QString text = textAt(old, r, from);
            if (!text.isEmpty())
                fresh->SetValue(f, text);
        }
        fresh->Update();
    }
    s_.whereHandle() = fresh->Clone();
}

void CriteriaGrid::PruneAfterFieldListChange() {
    const QStringList& fields = s_.FieldList();
    auto refersToField = [&fields](const QString& text) {
        // COUNT(*) counts the rows of whatever tables remain.
        if (text == u"*")
            return !fields.isEmpty();
        for (const QString& item : fields)
            if (text == item || text.contains(item) || item.contains(text))
                return true;
        return false;
    };
    auto prune = [](RecordSet& rs, const std::function<bool(qint64)>& keep) {
        for (qint64 r = rs.RecordCount() - 1; r >= 0; --r) {
            if (!keep(r)) {
                rs.SetAbsolutePosition(r + 1);
                rs.Delete();
            }
        }
    };
    RecordSet& groupBy = s_.rsGroupBy();
    prune(groupBy, [&](qint64 r) { return refersToField(textAt(groupBy, r, QueryState::GroupByFieldName)); });
    // An ordering row on a total survives with its grouping row.
    QSet<QString> aliases;
    for (qint64 r = 0; r < groupBy.RecordCount(); ++r)
        aliases.insert(textAt(groupBy, r, QueryState::GroupByFieldAlias));
    aliases.remove(QString());
    RecordSet& orderBy = s_.rsOrderBy();
    prune(orderBy, [&](qint64 r) {
        const QString field = textAt(orderBy, r, QueryState::OrderByFieldName);
        return aliases.contains(field) || refersToField(field);
    });
    // A calculated field stays while it names fields and every table it names is still in
    // the query: one that also names a field of a removed table would name a missing column.
    QSet<QString> qualifiers;
    for (const QString& item : fields)
        qualifiers.insert(NameQuoting::tablePart(item, s_.settings()).trimmed().toCaseFolded());
    for (const QString& table : s_.TableList())
        qualifiers.insert(table.trimmed().toCaseFolded());
    RecordSet& calc = s_.rsCalcFields();
    prune(calc, [&](qint64 r) {
        const QString expression = textAt(calc, r, QueryState::CalcExpression);
        for (const QString& qualifier : qualifiersIn(expression)) {
            const QString folded = qualifier.toCaseFolded();
            if (!qualifiers.contains(folded) && !qualifiers.contains(folded.section(u'.', 0, 0)))
                return false;
        }
        for (const QString& item : fields)
            if (expression.contains(item))
                return true;
        return false;
    });
    // Aliases of the rows just removed go with them.
    RecordSet& alias = s_.rsAlias();
    prune(alias, [&](qint64 r) {
        const QString name = textAt(alias, r, QueryState::AliasName);
        const bool fromGroupBy = textAt(alias, r, QueryState::AliasRecordsetType) == u"rsGroupBy";
        RecordSet& owner = fromGroupBy ? groupBy : calc;
        const int field = fromGroupBy ? int(QueryState::GroupByFieldAlias) : int(QueryState::CalcAlias);
        for (qint64 o = 0; o < owner.RecordCount(); ++o)
            if (textAt(owner, o, field) == name)
                return true;
        return false;
    });
    RebuildColumns();
}

void CriteriaGrid::SQLWhereCloneRS() {
    RecordSet& where = s_.rsWhere();
    RecordSet& clone = s_.rsCriteriaClone();
    std::vector<std::pair<int, int>> pairs;  // (clone field, where field) with the same name
    for (int c = 0; c < clone.FieldCount(); ++c) {
        const int w = where.FieldIndex(clone.Field(c).name);
        if (w >= 0)
            pairs.emplace_back(c, w);
    }
    for (qint64 r = 0; r < where.RecordCount(); ++r) {
        clone.AddNew();
        for (const auto& [c, w] : pairs)
            if (!where.IsNullAt(r, w))
                clone.SetValue(c, where.ValueAt(r, w));
        clone.Update();
    }
    if (clone.RecordCount() > 0)
        clone.MoveFirst();
}

void CriteriaGrid::SQLHavingCloneRS() {
    RecordSet& having = s_.rsHaving();
    RecordSet& clone = s_.rsCriteriaClone();
    const int n = std::min(clone.FieldCount(), having.FieldCount());
    for (qint64 r = 0; r < having.RecordCount(); ++r) {
        clone.AddNew();
        for (int f = 0; f < n; ++f)
            clone.SetValue(f, having.ValueAt(r, f));
        clone.Update();
    }
    if (clone.RecordCount() > 0)
        clone.MoveFirst();
}

void CriteriaGrid::DestroyRSClone() {
    RecordSet& clone = s_.rsCriteriaClone();
    while (clone.RecordCount() > 0) {
        clone.MoveFirst();
        clone.Delete();
    }
}

void CriteriaGrid::Normalise() {
    RecordSet& where = s_.rsWhere();
    const int split = s_.SplitColumn.isEmpty() ? -1 : where.FieldIndex(s_.SplitColumn);
    if (split >= 0 && !s_.SplitValue.isEmpty()) {
        const qint64 lines = where.RecordCount();
        for (qint64 r = 0; r < lines; ++r) {
            std::vector<QVariant> copy;
            for (int f = 0; f < where.FieldCount(); ++f)
                copy.push_back(f == split ? QVariant(s_.SplitValue) : where.ValueAt(r, f));
            where.AppendRow(copy);
        }
    }
    deleteEmptyRows(where);
    s_.SplitColumn.clear();
    s_.SplitValue.clear();
}

void CriteriaGrid::DeleteEmptyRows() {
    deleteEmptyRows(s_.rsWhere());
    deleteEmptyRows(s_.rsHaving());
}

}  // namespace lorvane
