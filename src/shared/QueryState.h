#pragma once

#include "FieldTypeSource.h"
#include "platform/RecordSet.h"

#include <QString>
#include <QStringList>
#include <memory>

namespace lorvane {

struct BuilderSettings;

// Everything the end user has chosen in the builder, in the form the clause generators read:
// the query state tables (fields read by position, in the binding order below), the table and
// field lists, the clause buffers and the few choices that live in the builder's widgets.
// The builder window writes here; the generators read only this and the settings.
class QueryState {
public:
    // Field positions of the query state tables.
    enum GroupByField { GroupByFieldName = 0, GroupByExpression = 1, GroupByFieldAlias = 2, GroupByOutput = 3 };
    enum OrderByField { OrderByFieldName = 0, OrderByTerm = 1, OrderByExtra = 2 };
    enum CalcField { CalcExpression = 0, CalcAlias = 1, CalcOutput = 2 };
    enum AliasField { AliasFieldName = 0, AliasName = 1, AliasRecordsetType = 2 };
    enum JoinsField { JoinTableFrom = 0, JoinKeyword = 1, JoinTableTo = 2, JoinFieldFrom = 3, JoinCompare = 4, JoinFieldTo = 5 };
    enum JoinTableField { JoinTableName = 0, JoinTableVisible = 1 };
    enum JoinFieldsField { JoinFieldsTable = 0, JoinFieldsField = 1, JoinFieldsVisible = 2 };

    static constexpr int kCriteriaCellSize = 550;
    static constexpr int kCriteriaCellAttributes = 68;

    // Uses the process-wide settings unless given others (tests give their own).
    explicit QueryState(BuilderSettings* settings = nullptr);

    BuilderSettings& settings() const { return *settings_; }

    // The tables; each is created empty on first use.
    RecordSet& rsGroupBy();
    RecordSet& rsOrderBy();
    RecordSet& rsCalcFields();
    RecordSet& rsAlias();
    RecordSet& rsJoins();
    RecordSet& rsJoinTable();
    RecordSet& rsJoinTablesUsed();
    RecordSet& rsJoinFields();
    RecordSet& rsWhere();
    RecordSet& rsHaving();
    RecordSet& rsCriteriaClone();
    std::shared_ptr<RecordSet>& whereHandle() { rsWhere(); return rsWhere_; }
    std::shared_ptr<RecordSet>& havingHandle() { rsHaving(); return rsHaving_; }
    std::shared_ptr<RecordSet>& criteriaCloneHandle() { rsCriteriaClone(); return rsCriteriaClone_; }
    // The table a saved query names ("rsWhere", "rsGroupBy", ...), to be replaced whole; null for
    // any other name.
    std::shared_ptr<RecordSet>* handleNamed(QStringView name);

    // Creates every table anew (the builder window's load) or releases them all (its unload).
    void createTables();
    void releaseTables();

    // The tables of the query and their fields live in the shared settings.
    QStringList& TableList();
    QStringList& FieldList();
    QStringList OutputFieldList;

    QString SelectText;
    QString FromText;
    QString WhereText;
    QString GroupByText;
    QString HavingText;
    QString OrderByText;
    QString JoinText;
    // The assembled statement, as the SQL window shows it.
    QString StatementText;

    // Choices held by the builder's widgets.
    bool Distinct = false;            // the DISTINCT check box
    QStringList SelectedTables;       // the selected-tables list box
    QString SplitColumn;              // the criteria grid column marked for splitting
    QString SplitValue;               // and the value the copied lines get there

private:
    BuilderSettings* settings_;
    std::shared_ptr<RecordSet> rsGroupBy_, rsOrderBy_, rsCalcFields_, rsAlias_, rsJoins_, rsJoinTable_,
        rsJoinTablesUsed_, rsJoinFields_, rsWhere_, rsHaving_, rsCriteriaClone_;
};

// Helpers for reading state tables whose cells may be Null.
QString textAt(const RecordSet& rs, qint64 row, int field);

}  // namespace lorvane
