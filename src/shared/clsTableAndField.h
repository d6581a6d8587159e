#pragma once

#include "platform/LorvaneExport.h"

#include <QObject>
#include <memory>

namespace lorvane {

class clsField;
class clsTable;

// What the host reaches through VLNTablesAndFields: the shared table and field collections.
// There is one per process; when it goes, the collections go with it (the next use starts
// new, empty ones).
class LORVANE_EXPORT clsTableAndField : public QObject {
    Q_OBJECT
    Q_PROPERTY(QObject* Table READ tableObject)
    Q_PROPERTY(QObject* Field READ fieldObject)
public:
    ~clsTableAndField() override;

    // The shared object, created on first use and kept while anyone holds it.
    static std::shared_ptr<clsTableAndField> shared();

    clsTable& Table() const;
    clsField& Field() const;
    QObject* tableObject() const;
    QObject* fieldObject() const;

private:
    clsTableAndField() = default;
};

}  // namespace lorvane
