#pragma once

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVariant>

namespace lorvane {

// The native handle a QtSql driver exposes, when it is of the named type ("sqlite3*",
// "pg_conn*"); null otherwise.
template <typename T> T* driverHandle(const QSqlDatabase& db, const char* typeName) {
    const QVariant h = db.driver()->handle();
    if (h.isValid() && qstrcmp(h.typeName(), typeName) == 0)
        return *static_cast<T* const*>(h.constData());
    return nullptr;
}

}  // namespace lorvane
