#pragma once

#include <QString>
#include <QVariantList>

namespace lorvane {

struct BuilderSettings;

// Connecting the component to a database and reading the tables it offers. The component's
// VLNMakeConnection and VLNDisconnectConnection run on this; all results go to the settings.
class ConnectionManager {
public:
    struct Arguments {
        QString ConnectionString;
        QString UserName;
        QString Password;
        int ConnectTimeout = 0;
        int CommandTimeout = 0;
        int MaxRecords = 0;
        bool OpenQuery = false;
        QString QueryName;
        bool RemoveSystemTables = false;
    };
    // The design-time connection properties of the component.
    struct DesignTime {
        QString ConnectionString;
        int ConnectionTimeout = 60;
        int CommandTimeout = 60;
        QString TableString;
    };
    struct Outcome {
        bool attempted = false;  // false: unbound or open-query, no event
        int number = 0;
        QString description;
        QString source;
    };

    explicit ConnectionManager(BuilderSettings* settings = nullptr);

    // Everything after the builder-loaded check: connects in argument or design-time mode (or
    // not at all), loads the tables and says what ConnectionComplete must report.
    Outcome MakeConnection(const Arguments& arguments, const DesignTime& designTime);

    // Empty on success; otherwise description, number, source.
    QVariantList OpenDatabaseConnection(const QString& connectionString, int connectTimeout, int commandTimeout,
                                        const QString& userName, const QString& password);
    void LoadTablesFromSchema(bool removeSystemTables);
    void LoadTablesFromTableString(const QString& tableString);
    void DisconnectConnection();

private:
    BuilderSettings* settings_;
};

}  // namespace lorvane
