#include "BuilderSettings.h"

namespace lorvane {

BuilderSettings& BuilderSettings::shared() {
    // Never destroyed: it may hold database connections, which must not be torn down after
    // the SQL driver registry is gone at process exit.
    static auto* settings = new BuilderSettings;
    return *settings;
}

Connection& BuilderSettings::activeConnection() {
    if (!ActiveConnection)
        ActiveConnection = std::make_shared<Connection>();
    return *ActiveConnection;
}

RecordSet& BuilderSettings::tableSchema() {
    if (!TableSchema)
        TableSchema = std::make_shared<RecordSet>();
    return *TableSchema;
}

}  // namespace lorvane
