#include "QueryFixture.h"

#include "query/CriteriaGrid.h"
#include "query/FromClause.h"
#include "query/GroupOrder.h"
#include "query/SelectList.h"
#include "support/TestDatabases.h"

#include <QSqlError>
#include <QSqlQuery>

namespace lorvane::test {

namespace {
QString quoted(const QString& name) {
    return name.contains(u' ') ? u'[' + name + u']' : name;
}
}  // namespace

namespace {
Connection& sampleConnection() {
    static Connection* c = [] {
        auto* connection = new Connection;
        connection->Open(sampleConnectionString());
        return connection;
    }();
    return *c;
}
}  // namespace

SampleFieldTypes::SampleFieldTypes(Connection& c) {
    auto columns = c.OpenSchema(Connection::SchemaColumns);
    for (qint64 r = 0; r < columns->RecordCount(); ++r) {
        const QString table = quoted(columns->ValueAt(r, 2).toString());
        const QString key = table + u'.' + quoted(columns->ValueAt(r, 3).toString());
        types_.insert(key, columns->ValueAt(r, 6).toInt());
        order_.append({table, key});
    }
}

QStringList SampleFieldTypes::fieldsOf(const QString& table) const {
    QStringList out;
    for (const auto& [t, key] : order_)
        if (t == table)
            out << key;
    return out;
}

SampleFieldTypes& QueryHarness::types() {
    static SampleFieldTypes* t = new SampleFieldTypes(sampleConnection());
    return *t;
}

QueryHarness::QueryHarness() {
    state.createTables();
}

void QueryHarness::chooseTables(const QStringList& tables) {
    state.TableList() = tables;
    state.SelectedTables = tables;
    QStringList fields;
    for (const QString& t : tables)
        fields += types().fieldsOf(t);
    state.FieldList() = fields;
    state.OutputFieldList = fields;
    CriteriaGrid(state).RebuildColumns();
}

bool QueryHarness::where(const QString& column, const QString& op, const QString& v1, bool andConjunction,
                         const QString& v2) {
    return Statement(state, types()).CommitCriteria(Statement::Mode::Criteria, {column, op, v1, v2, andConjunction},
                                                     prompts);
}

bool QueryHarness::group(const QString& field, const QString& operand, bool output) {
    prompts.answer(output ? Prompts::Answer::Yes : Prompts::Answer::No);
    return Statement(state, types()).CommitCriteria(Statement::Mode::Grouping, {field, operand, {}, {}, true}, prompts);
}

void QueryHarness::order(const QString& field, const QString& direction) {
    Statement(state, types()).CommitCriteria(Statement::Mode::Ordering, {field, direction, {}, {}, true}, prompts);
}

QString QueryHarness::rebuild() {
    Statement(state, types()).RebuildStatement();
    return state.StatementText;
}

void QueryHarness::expectPrepares(const QString& sql) {
    QSqlQuery q(sampleConnection().database());
    EXPECT_TRUE(q.prepare(sql)) << "rejected: " << sql.toStdString() << "\n" << q.lastError().text().toStdString();
}

std::shared_ptr<RecordSet> QueryHarness::run(const QString& sql) {
    return sampleConnection().OpenRecordSet(sql);
}

}  // namespace lorvane::test
