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

SqlDialect BuilderSettings::dialect() const {
    const SqlDialect defaults = SqlDialect::unbound();
    SqlDialect d = ActiveConnection ? ActiveConnection->Dialect() : defaults;
    if (VLNLeftFieldorTableSpaceChr != defaults.leftQuote || VLNRightFieldorTableSpaceChr != defaults.rightQuote) {
        d.leftQuote = VLNLeftFieldorTableSpaceChr;
        d.rightQuote = VLNRightFieldorTableSpaceChr;
    }
    if (VLNDateFormat != defaults.dateFormat || VLNDateDelimeter != defaults.dateOpen) {
        d.dateOpen = d.dateClose = d.dateTimeOpen = d.dateTimeClose = VLNDateDelimeter;
        d.dateFormat = d.dateTimeFormat = VLNDateFormat;
    }
    if (VLNLikeOperator != defaults.likeWildcard)
        d.likeWildcard = VLNLikeOperator;
    return d;
}

}  // namespace lorvane
