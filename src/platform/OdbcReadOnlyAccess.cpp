#include "OdbcReadOnlyAccess.h"

#include <sql.h>
#include <sqlext.h>

namespace lorvane {

OdbcReadOnlyAccess::OdbcReadOnlyAccess(void* connectionHandle) : handle_(connectionHandle) {
    if (!handle_)
        return;
    SQLUINTEGER mode = SQL_MODE_READ_WRITE;
    if (SQL_SUCCEEDED(SQLGetConnectAttr(handle_, SQL_ATTR_ACCESS_MODE, &mode, 0, nullptr)))
        previous_ = mode;
    accepted_ = SQL_SUCCEEDED(SQLSetConnectAttr(handle_, SQL_ATTR_ACCESS_MODE,
                                                reinterpret_cast<SQLPOINTER>(SQL_MODE_READ_ONLY), 0));
}

OdbcReadOnlyAccess::~OdbcReadOnlyAccess() {
    if (accepted_)
        SQLSetConnectAttr(handle_, SQL_ATTR_ACCESS_MODE, reinterpret_cast<SQLPOINTER>(previous_), 0);
}

}  // namespace lorvane
