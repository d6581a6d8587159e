#include "FromClause.h"

#include "shared/QueryState.h"
#include "shared/BuilderSettings.h"
#include "shared/NameQuoting.h"

#include <QSet>
#include <QVariant>

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
