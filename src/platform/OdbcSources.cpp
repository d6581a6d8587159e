#include "OdbcSources.h"

#include <sql.h>
#include <sqlext.h>

namespace lorvane {

namespace {

// Walks one of the driver manager's lists with a throw-away environment handle.
template <typename Next> QStringList walk(Next next) {
    QStringList out;
    SQLHENV env = SQL_NULL_HENV;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env)))
        return out;
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLCHAR name[512];
    SQLCHAR detail[1024];
    SQLSMALLINT nameLength = 0, detailLength = 0;
    for (SQLUSMALLINT direction = SQL_FETCH_FIRST;
         SQL_SUCCEEDED(next(env, direction, name, sizeof name, &nameLength, detail, sizeof detail, &detailLength));
         direction = SQL_FETCH_NEXT)
        out << QString::fromUtf8(reinterpret_cast<const char*>(name));
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    return out;
}

}  // namespace

QStringList odbcDrivers() {
    return walk([](SQLHENV env, SQLUSMALLINT direction, SQLCHAR* name, SQLSMALLINT nameSize, SQLSMALLINT* nameLength,
                   SQLCHAR* detail, SQLSMALLINT detailSize, SQLSMALLINT* detailLength) {
        return SQLDrivers(env, direction, name, nameSize, nameLength, detail, detailSize, detailLength);
    });
}

QStringList odbcDataSources() {
    return walk([](SQLHENV env, SQLUSMALLINT direction, SQLCHAR* name, SQLSMALLINT nameSize, SQLSMALLINT* nameLength,
                   SQLCHAR* detail, SQLSMALLINT detailSize, SQLSMALLINT* detailLength) {
        return SQLDataSources(env, direction, name, nameSize, nameLength, detail, detailSize, detailLength);
    });
}

}  // namespace lorvane
