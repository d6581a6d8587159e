#include "FromClause.h"

#include "shared/QueryState.h"
#include "shared/BuilderSettings.h"
#include "shared/NameQuoting.h"

#include <QSet>
#include <QVariant>
#include <algorithm>
#include <vector>

namespace lorvane {

namespace {

void addBookkeeping(RecordSet& rs, std::initializer_list<QVariant> values) {
    rs.AddNew();
    int f = 0;
    for (const QVariant& v : values)
        rs.SetValue(f++, v);
    rs.Update();
}

}  // namespace

QString FromClause::KeywordFor(const QString& symbol) {
    if (symbol == u">=")
        return QStringLiteral("LEFT OUTER JOIN");
    if (symbol == u"<>")
        return QStringLiteral("FULL OUTER JOIN");
    return QStringLiteral("INNER JOIN");
}

QString FromClause::DescriptionFor(const QString& symbol, const QString& t1, const QString& t2) {
    if (symbol == u">=")
        return QStringLiteral("Include [ALL RECORDS] from '") + t1 + QStringLiteral("' ") +
               QStringLiteral("and [ONLY THOSE RECORDS] from '") + t2 +
               QStringLiteral("' where the Joined Fields are [EQUAL].");
    if (symbol == u"<>")
        return QStringLiteral("Include [ALL RECORDS] from '") + t1 + QStringLiteral("' ") +
               QStringLiteral("and [ALL RECORDS] from '") + t2 + QStringLiteral("'");
    return QStringLiteral("[ONLY INCLUDE ROWS] where the Joined Fields from '") + t1 + QStringLiteral("' ") +
           QStringLiteral("are [EQUAL] to the Fields from '") + t2 + QStringLiteral("'");
}

void FromClause::AddJoinCondition(const JoinRequest& r) {
    const BuilderSettings& settings = s_.settings();
    const QString keyword = KeywordFor(r.symbol);
    // An owner-qualified table (owner.table) is named through its owner part, which its
    // fields carry: the table is written with that alias text.
    auto written = [&settings](const QString& table, const QString& field) {
        if (NameQuoting::qualifierDot(table, settings) < 0)
            return table;
        return table + u' ' + NameQuoting::tablePart(field, settings);
    };
    const QString tableFrom = written(r.leftTable, r.leftField);
    const QString tableTo = written(r.rightTable, r.rightField) + QStringLiteral(" ON");

    RecordSet& joins = s_.rsJoins();
    RecordSet& joinFields = s_.rsJoinFields();
    joins.AddNew();
    if (joins.RecordCount() == 1) {
        joins.SetValue(QueryState::JoinTableFrom, tableFrom);
        joins.SetValue(QueryState::JoinKeyword, keyword);
        joins.SetValue(QueryState::JoinTableTo, tableTo);
    } else if (joinFields.RecordCount() > 0) {
        joins.SetValue(QueryState::JoinTableTo, QStringLiteral("AND"));
    } else {
        joins.SetValue(QueryState::JoinKeyword, keyword);
        joins.SetValue(QueryState::JoinTableTo, tableTo);
    }
    joins.SetValue(QueryState::JoinFieldFrom, r.leftField);
    joins.SetValue(QueryState::JoinCompare, QStringLiteral("="));
    joins.SetValue(QueryState::JoinFieldTo, r.rightField);
    joins.Update();

    addBookkeeping(joinFields, {r.leftTable, r.leftField, true});
    addBookkeeping(joinFields, {r.rightTable, r.rightField, true});
    RecordSet& used = s_.rsJoinTablesUsed();
    for (const QString& table : {r.leftTable, r.rightTable}) {
        bool present = false;
        for (qint64 u = 0; u < used.RecordCount() && !present; ++u)
            present = textAt(used, u, QueryState::JoinTableName) == table;
        if (!present)
            addBookkeeping(used, {table, true});
    }
    BuildJoinText();
}

namespace {

using Q = QueryState;

// The table a field item or a written table belongs to: the longest table it starts with.
QString ownerIn(const QStringList& tables, const QString& text, QChar after) {
    QString best;
    for (const QString& t : tables)
        if (t.size() > best.size() && (text == t || text.startsWith(t + after)))
            best = t;
    return best;
}

QString tableToText(const QString& text) {
    return text.endsWith(QLatin1String(" ON")) ? text.left(text.size() - 3) : text;
}

}  // namespace

// Rows in join groups: a join row and the further conditions after it.
struct FromClause::Group {
    std::vector<std::vector<QVariant>> rows;
    bool keep = true;
};

std::vector<FromClause::Group> FromClause::readGroups(const QStringList& tables) const {
    RecordSet& joins = s_.rsJoins();
    std::vector<Group> groups;
    for (qint64 r = 0; r < joins.RecordCount(); ++r) {
        std::vector<QVariant> row;
        for (int f = 0; f < joins.FieldCount(); ++f)
            row.push_back(joins.ValueAt(r, f));
        if (textAt(joins, r, Q::JoinTableTo) != u"AND" || groups.empty())
            groups.push_back({});
        Group& g = groups.back();
        const QString from = textAt(joins, r, Q::JoinTableFrom);
        const QString to = textAt(joins, r, Q::JoinTableTo);
        if (!from.isEmpty() && ownerIn(tables, from, u' ').isEmpty())
            g.keep = false;
        if (to != u"AND" && ownerIn(tables, tableToText(to), u' ').isEmpty())
            g.keep = false;
        for (const int f : {int(Q::JoinFieldFrom), int(Q::JoinFieldTo)})
            if (ownerIn(tables, textAt(joins, r, f), u'.').isEmpty())
                g.keep = false;
        g.rows.push_back(std::move(row));
    }
    return groups;
}

bool FromClause::KeepJoinsAmong(const QStringList& tables) {
    return relink(readGroups(tables), tables, false);
}

bool FromClause::relink(std::vector<Group> groups, const QStringList& tables, bool rewrite) {
    const BuilderSettings& settings = s_.settings();
    RecordSet& joins = s_.rsJoins();
    auto owner = [&tables](const QString& text, QChar after) { return ownerIn(tables, text, after); };
    bool removed = false;
    // What is left must still be one chain: each join brings in its own table and names only
    // tables the chain already holds. A table removed from the middle can leave joins that no
    // longer reach the chain; they go too (their tables stay in the query, listed after it),
    // and joins that reach it only through a later one are moved after that one.
    {
        auto tablesOf = [&](const Group& g, QString* brought) {
            QSet<QString> named;
            for (const auto& row : g.rows)
                for (const int f : {int(Q::JoinFieldFrom), int(Q::JoinFieldTo)})
                    named.insert(owner(row[static_cast<std::size_t>(f)].toString(), u'.'));
            *brought = owner(tableToText(g.rows.front()[Q::JoinTableTo].toString()), u' ');
            return named;
        };
        std::vector<Group> pending;
        for (Group& g : groups) {
            if (g.keep)
                pending.push_back(std::move(g));
            else
                removed = true;
        }
        std::vector<Group> ordered;
        QSet<QString> chain;
        for (bool progress = true; progress && !pending.empty();) {
            progress = false;
            for (auto it = pending.begin(); it != pending.end();) {
                QString brought;
                QSet<QString> named = tablesOf(*it, &brought);
                bool fits = ordered.empty();
                if (!fits && !chain.contains(brought)) {
                    named.remove(brought);
                    fits = std::all_of(named.cbegin(), named.cend(), [&](const QString& t) { return chain.contains(t); });
                }
                if (!fits) {
                    ++it;
                    continue;
                }
                if (ordered.empty())
                    chain.unite(named);
                chain.insert(brought);
                ordered.push_back(std::move(*it));
                it = pending.erase(it);
                progress = true;
            }
        }
        if (!pending.empty())
            removed = true;
        groups = std::move(ordered);
    }
    std::vector<std::vector<QVariant>> kept;
    QStringList used;
    for (Group& g : groups) {
        std::vector<QVariant>& first = g.rows.front();
        if (kept.empty() && first[Q::JoinTableFrom].toString().isEmpty()) {
            // The first join that remains starts the chain: its left table is the table of the
            // condition's other side.
            const QString right = owner(tableToText(first[Q::JoinTableTo].toString()), u' ');
            QString leftField = first[Q::JoinFieldFrom].toString();
            if (owner(leftField, u'.') == right)
                leftField = first[Q::JoinFieldTo].toString();
            const QString left = owner(leftField, u'.');
            first[Q::JoinTableFrom] = NameQuoting::qualifierDot(left, settings) < 0
                                          ? left
                                          : left + u' ' + NameQuoting::tablePart(leftField, settings);
        } else if (!kept.empty()) {
            first[Q::JoinTableFrom] = QString();
        }
        for (auto& row : g.rows) {
            for (const int f : {int(Q::JoinFieldFrom), int(Q::JoinFieldTo)}) {
                const QString t = owner(row[static_cast<std::size_t>(f)].toString(), u'.');
                if (!used.contains(t))
                    used << t;
            }
            kept.push_back(std::move(row));
        }
    }
    if (!removed && !rewrite)
        return false;
    while (joins.RecordCount() > 0) {
        joins.MoveFirst();
        joins.Delete();
    }
    for (const auto& row : kept)
        joins.AppendRow(row);
    RecordSet& usedRs = s_.rsJoinTablesUsed();
    while (usedRs.RecordCount() > 0) {
        usedRs.MoveFirst();
        usedRs.Delete();
    }
    for (const QString& t : used)
        addBookkeeping(usedRs, {t, true});
    RecordSet& offered = s_.rsJoinTable();
    for (qint64 r = offered.RecordCount() - 1; r >= 0; --r) {
        offered.SetAbsolutePosition(r + 1);
        const QString t = textAt(offered, r, Q::JoinTableName);
        if (!tables.contains(t)) {
            offered.Delete();
            continue;
        }
        offered.SetValue(Q::JoinTableVisible, !used.contains(t));
        offered.Update();
    }
    // A locked pair that lost a table has nothing left to extend.
    RecordSet& joinFields = s_.rsJoinFields();
    bool stale = false;
    for (qint64 r = 0; r < joinFields.RecordCount() && !stale; ++r)
        stale = !tables.contains(textAt(joinFields, r, Q::JoinTableName));
    while (stale && joinFields.RecordCount() > 0) {
        joinFields.MoveFirst();
        joinFields.Delete();
    }
    BuildJoinText();
    return removed;
}

std::vector<JoinCondition> FromClause::Conditions() const {
    const QStringList tables = s_.TableList();
    std::vector<JoinCondition> out;
    int group = -1;
    int row = 0;
    for (const Group& g : readGroups(tables)) {
        ++group;
        const QString keyword = g.rows.front()[Q::JoinKeyword].toString();
        const QString symbol = keyword == u"LEFT OUTER JOIN" ? QStringLiteral(">=")
                               : keyword == u"FULL OUTER JOIN" ? QStringLiteral("<>")
                                                                : QStringLiteral("=");
        const QString brought = ownerIn(tables, tableToText(g.rows.front()[Q::JoinTableTo].toString()), u' ');
        for (const auto& r : g.rows) {
            JoinCondition c;
            c.row = row++;
            c.group = group;
            c.leftField = r[Q::JoinFieldFrom].toString();
            c.rightField = r[Q::JoinFieldTo].toString();
            c.leftTable = ownerIn(tables, c.leftField, u'.');
            c.rightTable = ownerIn(tables, c.rightField, u'.');
            c.compare = r[Q::JoinCompare].toString();
            c.symbol = symbol;
            c.broughtTable = brought;
            out.push_back(std::move(c));
        }
    }
    return out;
}

bool FromClause::RemoveJoinGroup(int group) {
    const QStringList tables = s_.TableList();
    std::vector<Group> groups = readGroups(tables);
    if (group < 0 || group >= static_cast<int>(groups.size()))
        return false;
    groups[static_cast<std::size_t>(group)].keep = false;
    relink(std::move(groups), tables, true);
    return true;
}

bool FromClause::RemoveCondition(int row) {
    const QStringList tables = s_.TableList();
    std::vector<Group> groups = readGroups(tables);
    int first = 0;
    for (Group& g : groups) {
        const int count = static_cast<int>(g.rows.size());
        if (row < first || row >= first + count) {
            first += count;
            continue;
        }
        if (count == 1) {
            g.keep = false;
        } else {
            const std::size_t at = static_cast<std::size_t>(row - first);
            if (at == 0) {
                // The next condition becomes the join's row: it takes the join's tables and type.
                for (const int f : {int(Q::JoinTableFrom), int(Q::JoinKeyword), int(Q::JoinTableTo)})
                    g.rows[1][static_cast<std::size_t>(f)] = g.rows[0][static_cast<std::size_t>(f)];
            }
            g.rows.erase(g.rows.begin() + static_cast<std::ptrdiff_t>(at));
        }
        relink(std::move(groups), tables, true);
        return true;
    }
    return false;
}

bool FromClause::SetJoinGroupType(int group, const QString& symbol) {
    const QStringList tables = s_.TableList();
    std::vector<Group> groups = readGroups(tables);
    if (group < 0 || group >= static_cast<int>(groups.size()))
        return false;
    groups[static_cast<std::size_t>(group)].rows.front()[Q::JoinKeyword] = KeywordFor(symbol);
    relink(std::move(groups), tables, true);
    return true;
}

bool FromClause::AddConditionToGroup(int group, const QString& leftField, const QString& rightField) {
    const QStringList tables = s_.TableList();
    std::vector<Group> groups = readGroups(tables);
    if (group < 0 || group >= static_cast<int>(groups.size()))
        return false;
    std::vector<QVariant> row(static_cast<std::size_t>(s_.rsJoins().FieldCount()));
    row[Q::JoinTableTo] = QStringLiteral("AND");
    row[Q::JoinFieldFrom] = leftField;
    row[Q::JoinCompare] = QStringLiteral("=");
    row[Q::JoinFieldTo] = rightField;
    groups[static_cast<std::size_t>(group)].rows.push_back(std::move(row));
    relink(std::move(groups), tables, true);
    return true;
}

void FromClause::BuildJoinText() {
    RecordSet& joins = s_.rsJoins();
    const qint64 rows = joins.RecordCount();
    auto isJoinRow = [&](qint64 r) { return textAt(joins, r, QueryState::JoinTableTo) != u"AND"; };
    qint64 joinRows = 0;
    for (qint64 r = 0; r < rows; ++r)
        joinRows += isJoinRow(r) ? 1 : 0;
    QString text(joinRows, u'(');
    for (qint64 r = 0; r < rows; ++r) {
        const int first = isJoinRow(r) ? QueryState::JoinTableFrom : QueryState::JoinTableTo;
        for (int f = first; f <= QueryState::JoinFieldTo; ++f)
            text += u' ' + textAt(joins, r, f);
        if (r + 1 == rows || isJoinRow(r + 1))
            text += u')';
    }
    s_.JoinText = text;
}

void FromClause::GenerateFromClause() {
    const BuilderSettings& settings = s_.settings();
    if (settings.VLNAllowTableSelection && s_.SelectedTables.isEmpty())
        return;
    auto written = [&settings](const QString& item) {
        const qsizetype dot = NameQuoting::qualifierDot(item, settings);
        return dot < 0 ? item : item + u' ' + item.left(dot);
    };
    QString text = QStringLiteral("FROM ");
    RecordSet& joins = s_.rsJoins();
    if (joins.RecordCount() > 0) {
        // The join text is made from the join rows: a query read from a file (by the window or
        // by the command-line tool) has the rows only.
        BuildJoinText();
        text += s_.JoinText;
        RecordSet& used = s_.rsJoinTablesUsed();
        QSet<QString> joined;
        for (qint64 r = 0; r < used.RecordCount(); ++r)
            joined.insert(textAt(used, r, QueryState::JoinTableName));
        for (const QString& table : s_.TableList())
            if (!joined.contains(table))
                text += QStringLiteral(", ") + written(table);
    } else {
        bool first = true;
        for (const QString& table : s_.TableList()) {
            if (!first)
                text += QStringLiteral(", ");
            text += written(table);
            first = false;
        }
    }
    s_.FromText = text;
}

}  // namespace lorvane
