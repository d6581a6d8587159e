#include "clsBridge.h"

#include "platform/VLNError.h"

namespace lorvane {

clsBridge& clsBridge::SharedBridge() {
    static auto* bridge = new clsBridge;
    return *bridge;
}

void clsBridge::PassSQLandResultRecordset(long number, const QString& error, const QString& sSQL,
                                          const std::shared_ptr<RecordSet>& rsQuery, const std::shared_ptr<RecordSet>&,
                                          const std::shared_ptr<RecordSet>&) {
    results_ = std::make_shared<RecordSet>();
    whereValues_ = std::make_shared<RecordSet>();
    havingValues_ = std::make_shared<RecordSet>();
    SQL = sSQL;
    QueryError = error;
    QueryErrorNumber = number;
    // The host gets its own cursor over the rows; a record set that was never opened stays
    // an unopened one.
    try {
        if (rsQuery && rsQuery->IsOpen())
            results_ = rsQuery->Clone();
    } catch (const VLNError&) {
    }
    emit QueryComplete(static_cast<int>(number), error, sSQL, results_, whereValues_, havingValues_);
}

void clsBridge::PassSavedQueryName(const QString& name) {
    QueryName = name;
    emit SaveQuery(name);
}

void clsBridge::PassDeleteQueryName(const QString& name) {
    QueryName = name;
    emit DeleteQuery(name);
}

void clsBridge::PassViewName(const QString& vwName, const QString& vwAction) {
    ViewName = vwName;
    Action = vwAction;
    emit UserViewCreated(vwName, vwAction);
}

void clsBridge::CloseVLN(const QString& sLoadQueryError) {
    QueryLoadError = sLoadQueryError;
    emit VLNClosed(sLoadQueryError);
}

void clsBridge::RaiseExportToExcel() { emit ExportToExcel(); }
void clsBridge::RaiseOpenQuery() { emit OpenQuery(); }
void clsBridge::RaiseQuerySQL(const QString& sSQL) { emit QuerySQL(sSQL); }

}  // namespace lorvane
