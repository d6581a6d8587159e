#pragma once

#include "shared/BuilderSettings.h"
#include "platform/Connection.h"
#include "platform/ScriptedPrompts.h"
#include "query/Criteria.h"
#include "shared/QueryState.h"
#include "query/Statement.h"

#include <QHash>
#include <gtest/gtest.h>

namespace lorvane::test {

// Field types read from the sample database's real catalogue, keyed like the field catalogue:
// "Table.Field" with names that contain a blank in brackets.
class SampleFieldTypes : public FieldTypeSource {
public:
    explicit SampleFieldTypes(Connection& sample);
    int FieldTypeOf(const QString& key) const override { return types_.value(key, 0); }
    QStringList fieldsOf(const QString& table) const;

private:
    QHash<QString, int> types_;
    QList<QPair<QString, QString>> order_;  // (table item, field item) in catalogue order
};

// A query state on its own settings, with the sample database's catalogue behind it; its
// helpers do what the builder's pages do.
class QueryHarness {
public:
    QueryHarness();

    // Chooses tables as the table page would: TableList, the selected list, FieldList, and all
    // fields as output fields.
    void chooseTables(const QStringList& tables);
    void output(const QStringList& fields) { state.OutputFieldList = fields; }
    bool where(const QString& column, const QString& op, const QString& v1, bool andConjunction = true,
               const QString& v2 = {});
    bool group(const QString& field, const QString& operand, bool output = true);
    void order(const QString& field, const QString& direction);
    QString rebuild();

    // The statement must be one the sample database accepts.
    static void expectPrepares(const QString& sql);
    // Runs the statement on the sample database.
    static std::shared_ptr<RecordSet> run(const QString& sql);
    static SampleFieldTypes& types();

    BuilderSettings settings;
    QueryState state{&settings};
    ScriptedPrompts prompts;
};

}  // namespace lorvane::test
