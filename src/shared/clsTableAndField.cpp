#include "clsTableAndField.h"

#include "clsField.h"
#include "clsTable.h"

namespace lorvane {

namespace {
std::weak_ptr<clsTableAndField>& current() {
    static auto* slot = new std::weak_ptr<clsTableAndField>;
    return *slot;
}
}  // namespace

std::shared_ptr<clsTableAndField> clsTableAndField::shared() {
    auto object = current().lock();
    if (!object) {
        object = std::shared_ptr<clsTableAndField>(new clsTableAndField);
        current() = object;
    }
    return object;
}

clsTableAndField::~clsTableAndField() {
    clsTable::releaseShared();
    clsField::releaseShared();
}

clsTable& clsTableAndField::Table() const { return clsTable::shared(); }
clsField& clsTableAndField::Field() const { return clsField::shared(); }
QObject* clsTableAndField::tableObject() const { return &clsTable::shared(); }
QObject* clsTableAndField::fieldObject() const { return &clsField::shared(); }

}  // namespace lorvane
