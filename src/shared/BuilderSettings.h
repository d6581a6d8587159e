#pragma once

#include "platform/Connection.h"
#include "platform/Picture.h"
#include "platform/RecordSet.h"

#include <QFont>
#include <QRect>
#include <QString>
#include <QStringList>
#include <memory>

namespace lorvane {

// The captions' default back colour: a mid grey on which the default white captions read at
// better than 4.5:1 (0x808080 gave only 3.9:1).
constexpr qint32 kDefaultLabelBackColor = 0x737373;

// The one record through which the component hands its settings to the builder window, and
// the window reports its state back. One per process, shared by every component instance.
struct BuilderSettings {
    // Copies of the builder-relevant component properties.
    qint32 VLNLabelBackColor = kDefaultLabelBackColor;
    qint32 VLNLabelForeColor = static_cast<qint32>(0x80000005u);
    QFont VLNLabelFont;
    bool VLNAllowTableSelection = true;
    bool VLNAllowJoinCreation = true;
    bool VLNAutoJoinForeignKeys = true;
    bool VLNAllowFieldSelection = true;
    bool VLNShowQueryResults = true;
    bool VLNAllowValueSearch = true;
    bool VLNCreateQueryRecordset = true;
    Picture VLNRunTimeControlIcon;
    QString VLNRunTimeControlCaption = QStringLiteral("Kestrine Lorvane V2.0");
    bool VLNAllowGroupByOption = true;
    bool VLNAllowOrderByOption = true;
    bool VLNAllowCalcFieldOption = true;
    bool VLNEnableDataExportButton = true;
    bool VLNAllowSaveDeleteQuery = true;
    bool VLNAllowSQLReset = true;
    bool VLNAllowCreateView = false;
    QString VLNDateFormat = QStringLiteral("mm/dd/yyyy h:mm:ss am/pm");
    bool VLNDisableDefaultExportToExcel = false;
    QString VLNDateDelimeter = QStringLiteral("'");
    QString VLNLikeOperator = QStringLiteral("%");
    qint16 VLNJoinTypesSupported = 1;
    QString VLNLeftFieldorTableSpaceChr = QStringLiteral("[");
    QString VLNRightFieldorTableSpaceChr = QStringLiteral("]");
    QString VLNDataExportBtnCaption = QStringLiteral("Export Query Results to Excel");
    QString VLNHelpFileLocation = QStringLiteral("C:\\Program Files\\Kestrine\\Lorvane v2\\VLNv2User.chm");
    bool VLNEnableUserHelp = true;
    bool VLNAllowOpenSavedQuery = true;

    // Connection state.
    std::shared_ptr<Connection> ActiveConnection;
    std::shared_ptr<RecordSet> TableSchema;
    QString ConnectionString;
    QString UserName;
    QString Password;
    qint32 ConnectTimeout = 0;
    qint32 CommandTimeout = 0;
    bool OpenQuery = false;
    QString QueryName;
    qint32 MaxRecords = 0;

    // The catalogue offered to the builder.
    std::shared_ptr<QStringList> TableList;
    std::shared_ptr<QStringList> FieldList;
    // Tables of the catalogue that could not be offered, in plain words; empty when none.
    QString CatalogueNote;
    // Lets the field catalogue load a new view's columns while a saved query is being opened.
    bool LoadViewColumns = false;
    // The shared table and field collections, as handed to the host.
    std::shared_ptr<class clsTableAndField> TablesAndFields;

    // Flags of the open builder window.
    bool BuilderLoaded = false;
    bool ShowSaveMsg = false;
    bool OpenSavedQueryRequested = false;
    QString QueryLoadError;
    bool ComponentTerminating = false;
    // Where the builder window stood when it last closed, so that the window the open
    // exchange brings back stands there too; empty before the first window closed.
    QRect BuilderGeometry;

    // The process-wide record, created on first use.
    static BuilderSettings& shared();

    // The active connection, creating a closed one first when none exists yet.
    Connection& activeConnection();
    // The table catalogue, creating an empty closed record set first when none exists yet.
    RecordSet& tableSchema();

    // How the SQL is written: the connected database's preset (the component's defaults when
    // unbound), with the host's own value wherever it changed a dialect setting from its
    // default: the two space characters (as a pair), the date format and delimiter (as a
    // pair), the LIKE wildcard.
    SqlDialect dialect() const;
};

}  // namespace lorvane
