#pragma once

#include <QStringList>

namespace lorvane {

// What the ODBC driver manager knows: the installed drivers and the data source names.
QStringList odbcDrivers();
QStringList odbcDataSources();

}  // namespace lorvane
