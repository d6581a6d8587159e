#pragma once

#include "platform/RecordSet.h"

#include <QObject>
#include <QString>
#include <memory>

namespace lorvane {

// The relay between the builder window and the components: the window calls a method, the
// bridge raises the matching signal, and every component attached to it raises its own public
// event. One per process (SharedBridge), created on first use; signals are delivered
// synchronously.
class clsBridge : public QObject {
    Q_OBJECT
public:
    static clsBridge& SharedBridge();

    QString SQL, QueryName, ViewName, Action, QueryError, QueryLoadError;
    long QueryErrorNumber = 0;

    void PassSQLandResultRecordset(long QueryErrorNumber, const QString& QueryError, const QString& sSQL,
                                   const std::shared_ptr<RecordSet>& rsQuery, const std::shared_ptr<RecordSet>& WhereRS,
                                   const std::shared_ptr<RecordSet>& HavingRS);
    void PassSavedQueryName(const QString& QueryName);
    void PassDeleteQueryName(const QString& QueryName);
    void PassViewName(const QString& vwName, const QString& vwAction);
    void CloseVLN(const QString& sLoadQueryError);
    void RaiseExportToExcel();
    void RaiseOpenQuery();
    void RaiseQuerySQL(const QString& sSQL);

signals:
    void QuerySQL(const QString& SQL);
    void QueryComplete(int QueryErrorNumber, const QString& QueryError, const QString& SQL,
                       std::shared_ptr<lorvane::RecordSet> QueryResults, std::shared_ptr<lorvane::RecordSet> WhereValues,
                       std::shared_ptr<lorvane::RecordSet> HavingValues);
    void SaveQuery(const QString& QueryName);
    void DeleteQuery(const QString& QueryName);
    void VLNClosed(const QString& QueryLoadError);
    void UserViewCreated(const QString& ViewName, const QString& Action);
    void ExportToExcel();
    void OpenQuery();

private:
    std::shared_ptr<RecordSet> results_, whereValues_, havingValues_;
};

}  // namespace lorvane

Q_DECLARE_METATYPE(std::shared_ptr<lorvane::RecordSet>)
