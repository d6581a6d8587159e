#pragma once

#include "platform/Picture.h"
#include "platform/RecordSet.h"

#include <QFont>
#include <QString>
#include <QWidget>

namespace lorvane {

class PropertyBag;
class Prompts;
class frmQDM;

// The embeddable component. A host places it on a window, sets its properties (directly or
// through the Qt meta-object: every property below is a Q_PROPERTY with a change signal) and
// persists them in a PropertyBag. The widget itself is a small fixed-size glyph; the builder
// window it opens is a window of its own.
//
// Properties are declared in their interface order. Each write notifies the host under the
// property's persistence key through propertyChanged(); a few writes do more (see the setters).
class Lorvanev2 : public QWidget {
    Q_OBJECT
    Q_CLASSINFO("VLNCommandTimeout", "Sets value for connection command timeout. (Design-time only).")
    Q_CLASSINFO("ConnectionTimeout", "Sets value for Connection timeout. (Design-time only).")
    Q_CLASSINFO("VLNLabelBackColor", "Modify label back colors.")
    Q_CLASSINFO("VLNLabelForeColor", "Modify label fore colors.")
    Q_CLASSINFO("VLNAllowTableSelection", "Allow user to select tables.")
    Q_CLASSINFO("VLNAllowJoinCreation", "Allow user to build joins between selected table.")
    Q_CLASSINFO("VLNAllowFieldSelection", "Allow user to select the fields they wish to view in their query results.")
    Q_CLASSINFO("VLNShowQueryResults", "Show executed query results in grid.")
    Q_CLASSINFO("VLNAllowValueSearch", "Allow user to search for valid database values against the  connected database. (Only available in bound mode).")
    Q_CLASSINFO("VLNCreateQueryRecordset", "If set to True, the executed query will produce a populated ADO Recordset. (Please ensure that a reference to ADO 2.0 has been made in your application).")
    Q_CLASSINFO("VLNRunTimeControlIcon", "Change default form icon.")
    Q_CLASSINFO("VLNRunTimeControlCaption", "Change default form caption.")
    Q_CLASSINFO("VLNLabelFont", "Modify label font types.")
    Q_CLASSINFO("VLNAllowGroupByOption", "Allow user to group fields.")
    Q_CLASSINFO("VLNAllowOrderByOption", "Allow user to order fields in query result.")
    Q_CLASSINFO("VLNAllowCalcFieldOption", "Allow user to build Calculated Fields.")
    Q_CLASSINFO("VLNEnableDataExportButton", "Enable export data results button.")
    Q_CLASSINFO("VLNAllowSaveDeleteQuery", "Allow user to save new query and delete saved queries.")
    Q_CLASSINFO("VLNAllowSQLReset", "Allows user to reset the SQL back to it's original state by removing all Query Criteria.")
    Q_CLASSINFO("VLNActiveConnectionString", "VLN Active Connection String.")
    Q_CLASSINFO("VLNAllowCreateView", "Allow user to create a Database View (Depends on Database).")
    Q_CLASSINFO("VLNModalForm", "Show VLN Form as  Modal (True/False). (Please note that if form is set to modal, no events will fire until the application has been compiled).")
    Q_CLASSINFO("VLNDateFormat", "Date format of date Field values. (Depends on Database).")
    Q_CLASSINFO("VLNDisableDefaultExportToExcel", "Disable built in data export to Excel function.")
    Q_CLASSINFO("VLNDateDelimeter", "Date delimeter required to wrap around date value. (Depends on Database)")
    Q_CLASSINFO("VLNLikeOperator", "Like operator. (Depends on Database)")
    Q_CLASSINFO("VLNJoinTypesSupported", "Restrict the join types available to the user")
    Q_CLASSINFO("VLNLeftFieldorTableSpaceChr", "Character to add if Field or Table contains a space")
    Q_CLASSINFO("VLNRightFieldorTableSpaceChr", "Character to add if Field or Table contains a space")
    Q_CLASSINFO("VLNDataExportBtnCaption", "Change data export query results button caption.")
    Q_CLASSINFO("VLNHelpFileLocation", "Location of applicable Help file. Must be a 'chm' file.")
    Q_CLASSINFO("VLNEnableUserHelp", "Enable User Help. Makes help button visible/invisible")
    Q_CLASSINFO("VLNAllowOpenSavedQuery", "Allow user to open saved queries from within VLN. ")
    Q_CLASSINFO("VLNMakeConnection", "Main procedure to make a connection to a Database. (Assumes unbound if no connection is provided)")
    Q_CLASSINFO("VLNDisconnectConnection", "Disconnect active connection.")
    Q_CLASSINFO("VLNShowLorvane", "Launch Lorvane. (Please ensure that you make a connection either bound or unbound to VLN using VLNMakeConnection, prior to running this method).")
    Q_CLASSINFO("VLNTablesAndFields", "Add and remove Tables and Fields.")
    Q_CLASSINFO("VLNCalcFieldFunctions", "Add and remove Database Functions to enable users to build Calculated Fields.")
    Q_CLASSINFO("VLNCloseLorvane", "Force VLN to close and indicate if Save msg should be shown to the user on closure.")
    Q_CLASSINFO("SavedQuerySQL", "The event fires directly after the 'QuerySaved' event and returns the SQL at the point when the query was saved.")
    Q_CLASSINFO("ExportData", "Event fires on the click event of the export data button.")
    Q_CLASSINFO("QueryExecuted", "Event fires after successful query execution.")
    Q_CLASSINFO("ConnectionComplete", "Event fires when a connection has completed.")
    Q_CLASSINFO("QuerySaved", "Event fires when a user has saved a query.")
    Q_CLASSINFO("QueryDeleted", "Event fires if a user has deleted a query.")
    Q_CLASSINFO("VLNUnloaded", "Event fires when VLN has successfully unloaded.")
    Q_CLASSINFO("VLNAlreadyLoaded", "Event fires if VLN has already been loaded. (Please note that only one instance of VLN can be loaded at any one time within a single application).")
    Q_CLASSINFO("UserCreatedView", "Event fires if a user has created a Database View.")
    Q_CLASSINFO("OpenSavedQuery", "Event fires when Open Saved Query button is pressed.")
    Q_PROPERTY(QString VLNConnectionString READ VLNConnectionString WRITE setVLNConnectionString NOTIFY VLNConnectionStringChanged DESIGNABLE false)
    Q_PROPERTY(QString VLNCommandType READ VLNCommandType WRITE setVLNCommandType NOTIFY VLNCommandTypeChanged DESIGNABLE false)
    Q_PROPERTY(int VLNCommandTimeout READ VLNCommandTimeout WRITE setVLNCommandTimeout NOTIFY VLNCommandTimeoutChanged DESIGNABLE false)
    Q_PROPERTY(QString VLNTableString READ VLNTableString WRITE setVLNTableString NOTIFY VLNTableStringChanged DESIGNABLE false)
    Q_PROPERTY(int ConnectionTimeout READ ConnectionTimeout WRITE setConnectionTimeout NOTIFY ConnectionTimeoutChanged DESIGNABLE false)
    Q_PROPERTY(OleColor VLNLabelBackColor READ VLNLabelBackColor WRITE setVLNLabelBackColor NOTIFY VLNLabelBackColorChanged)
    Q_PROPERTY(OleColor VLNLabelForeColor READ VLNLabelForeColor WRITE setVLNLabelForeColor NOTIFY VLNLabelForeColorChanged)
    Q_PROPERTY(bool VLNAllowTableSelection READ VLNAllowTableSelection WRITE setVLNAllowTableSelection NOTIFY VLNAllowTableSelectionChanged)
    Q_PROPERTY(bool VLNAllowJoinCreation READ VLNAllowJoinCreation WRITE setVLNAllowJoinCreation NOTIFY VLNAllowJoinCreationChanged)
    Q_PROPERTY(bool VLNAllowFieldSelection READ VLNAllowFieldSelection WRITE setVLNAllowFieldSelection NOTIFY VLNAllowFieldSelectionChanged)
    Q_PROPERTY(bool VLNShowQueryResults READ VLNShowQueryResults WRITE setVLNShowQueryResults NOTIFY VLNShowQueryResultsChanged)
    Q_PROPERTY(bool VLNAllowValueSearch READ VLNAllowValueSearch WRITE setVLNAllowValueSearch NOTIFY VLNAllowValueSearchChanged)
    Q_PROPERTY(bool VLNCreateQueryRecordset READ VLNCreateQueryRecordset WRITE setVLNCreateQueryRecordset NOTIFY VLNCreateQueryRecordsetChanged)
    Q_PROPERTY(lorvane::Picture VLNRunTimeControlIcon READ VLNRunTimeControlIcon WRITE setVLNRunTimeControlIcon NOTIFY VLNRunTimeControlIconChanged)
    Q_PROPERTY(QString VLNRunTimeControlCaption READ VLNRunTimeControlCaption WRITE setVLNRunTimeControlCaption NOTIFY VLNRunTimeControlCaptionChanged)
    Q_PROPERTY(QFont VLNLabelFont READ VLNLabelFont WRITE setVLNLabelFont NOTIFY VLNLabelFontChanged)
    Q_PROPERTY(bool VLNAllowGroupByOption READ VLNAllowGroupByOption WRITE setVLNAllowGroupByOption NOTIFY VLNAllowGroupByOptionChanged)
    Q_PROPERTY(bool VLNAllowOrderByOption READ VLNAllowOrderByOption WRITE setVLNAllowOrderByOption NOTIFY VLNAllowOrderByOptionChanged)
    Q_PROPERTY(bool VLNAllowCalcFieldOption READ VLNAllowCalcFieldOption WRITE setVLNAllowCalcFieldOption NOTIFY VLNAllowCalcFieldOptionChanged)
    Q_PROPERTY(bool VLNEnableDataExportButton READ VLNEnableDataExportButton WRITE setVLNEnableDataExportButton NOTIFY VLNEnableDataExportButtonChanged)
    Q_PROPERTY(bool VLNAllowSaveDeleteQuery READ VLNAllowSaveDeleteQuery WRITE setVLNAllowSaveDeleteQuery NOTIFY VLNAllowSaveDeleteQueryChanged)
    Q_PROPERTY(bool VLNAllowSQLReset READ VLNAllowSQLReset WRITE setVLNAllowSQLReset NOTIFY VLNAllowSQLResetChanged)
    Q_PROPERTY(QString VLNActiveConnectionString READ VLNActiveConnectionString STORED false)
    Q_PROPERTY(bool VLNAllowCreateView READ VLNAllowCreateView WRITE setVLNAllowCreateView NOTIFY VLNAllowCreateViewChanged)
    Q_PROPERTY(bool VLNModalForm READ VLNModalForm WRITE setVLNModalForm NOTIFY VLNModalFormChanged)
    Q_PROPERTY(QString VLNDateFormat READ VLNDateFormat WRITE setVLNDateFormat NOTIFY VLNDateFormatChanged)
    Q_PROPERTY(bool VLNDisableDefaultExportToExcel READ VLNDisableDefaultExportToExcel WRITE setVLNDisableDefaultExportToExcel NOTIFY VLNDisableDefaultExportToExcelChanged)
    Q_PROPERTY(QString VLNDateDelimeter READ VLNDateDelimeter WRITE setVLNDateDelimeter NOTIFY VLNDateDelimeterChanged)
    Q_PROPERTY(QString VLNLikeOperator READ VLNLikeOperator WRITE setVLNLikeOperator NOTIFY VLNLikeOperatorChanged)
    Q_PROPERTY(VLNJoinTypesEnum VLNJoinTypesSupported READ VLNJoinTypesSupported WRITE setVLNJoinTypesSupported NOTIFY VLNJoinTypesSupportedChanged)
    Q_PROPERTY(QString VLNLeftFieldorTableSpaceChr READ VLNLeftFieldorTableSpaceChr WRITE setVLNLeftFieldorTableSpaceChr NOTIFY VLNLeftFieldorTableSpaceChrChanged)
    Q_PROPERTY(QString VLNRightFieldorTableSpaceChr READ VLNRightFieldorTableSpaceChr WRITE setVLNRightFieldorTableSpaceChr NOTIFY VLNRightFieldorTableSpaceChrChanged)
    Q_PROPERTY(QString VLNDataExportBtnCaption READ VLNDataExportBtnCaption WRITE setVLNDataExportBtnCaption NOTIFY VLNDataExportBtnCaptionChanged)
    Q_PROPERTY(QObject* VLNTablesAndFields READ VLNTablesAndFields STORED false)
    Q_PROPERTY(QObject* VLNCalcFieldFunctions READ VLNCalcFieldFunctions STORED false)
    Q_PROPERTY(QString VLNHelpFileLocation READ VLNHelpFileLocation WRITE setVLNHelpFileLocation NOTIFY VLNHelpFileLocationChanged)
    Q_PROPERTY(bool VLNEnableUserHelp READ VLNEnableUserHelp WRITE setVLNEnableUserHelp NOTIFY VLNEnableUserHelpChanged)
    Q_PROPERTY(bool VLNAllowOpenSavedQuery READ VLNAllowOpenSavedQuery WRITE setVLNAllowOpenSavedQuery NOTIFY VLNAllowOpenSavedQueryChanged)

public:
    // OLE_COLOR: an RGB value stored as 0x00BBGGRR, or a system colour when the top bit is set.
    using OleColor = quint32;

    // A fixed 32-bit type: a host may store any integer, and reading it back is defined.
    enum VLNJoinTypesEnum : qint32 {
        jtInnerOuterAndFullOuterJoin = 0,
        jtInnerAndOuterJoin = 1,
        jtInnerJoinOnly = 2,
    };
    Q_ENUM(VLNJoinTypesEnum)

    // Declared for hosts; no member takes or returns them.
    enum TableRejectReason { trAleadyExists = 0, trConnection = 1, trTableDoesNotExist = 2, trTableNotInCollection = 3 };
    Q_ENUM(TableRejectReason)
    enum FieldRejectReason { frAleadyExists = 0, frConnection = 1, frFieldDoesNotExist = 2, frFieldNotIncollection = 3 };
    Q_ENUM(FieldRejectReason)

    static constexpr int kWidthTwips = 540;
    static constexpr int kHeightTwips = 495;
    static constexpr int kTwipsPerPixel = 15;

    explicit Lorvanev2(QWidget* parent = nullptr);
    ~Lorvanev2() override;

    QString VLNConnectionString() const { return m_.VLNConnectionString; }
    QString VLNCommandType() const { return m_.VLNCommandType; }
    int VLNCommandTimeout() const { return m_.VLNCommandTimeout; }
    QString VLNTableString() const { return m_.VLNTableString; }
    int ConnectionTimeout() const { return m_.ConnectionTimeout; }
    OleColor VLNLabelBackColor() const { return m_.VLNLabelBackColor; }
    OleColor VLNLabelForeColor() const { return m_.VLNLabelForeColor; }
    bool VLNAllowTableSelection() const { return m_.VLNAllowTableSelection; }
    bool VLNAllowJoinCreation() const { return m_.VLNAllowJoinCreation; }
    bool VLNAllowFieldSelection() const { return m_.VLNAllowFieldSelection; }
    bool VLNShowQueryResults() const { return m_.VLNShowQueryResults; }
    bool VLNAllowValueSearch() const { return m_.VLNAllowValueSearch; }
    bool VLNCreateQueryRecordset() const { return m_.VLNCreateQueryRecordset; }
    lorvane::Picture VLNRunTimeControlIcon() const { return m_.VLNRunTimeControlIcon; }
    QString VLNRunTimeControlCaption() const { return m_.VLNRunTimeControlCaption; }
    QFont VLNLabelFont() const { return m_.VLNLabelFont; }
    bool VLNAllowGroupByOption() const { return m_.VLNAllowGroupByOption; }
    bool VLNAllowOrderByOption() const { return m_.VLNAllowOrderByOption; }
    bool VLNAllowCalcFieldOption() const { return m_.VLNAllowCalcFieldOption; }
    bool VLNEnableDataExportButton() const { return m_.VLNEnableDataExportButton; }
    bool VLNAllowSaveDeleteQuery() const { return m_.VLNAllowSaveDeleteQuery; }
    bool VLNAllowSQLReset() const { return m_.VLNAllowSQLReset; }
    QString VLNActiveConnectionString() const;
    // The shared table and field collections (a clsTableAndField).
    QObject* VLNTablesAndFields() const;
    // A new clsCalcFieldFunctions on every read, owned by the component.
    QObject* VLNCalcFieldFunctions();

    // Connects to a database (argument mode), or through the design-time properties when no
    // connection string is given, or not at all (unbound, or a saved query to open). The
    // outcome arrives as ConnectionComplete; while the builder window is open only
    // VLNAlreadyLoaded is raised.
    Q_INVOKABLE void VLNMakeConnection(const QString& ConnectionString = QString(), const QString& UserName = QString(),
                                       const QString& Password = QString(), int ConnectTimeout = 0,
                                       int CommandTimeout = 0, int MaxRecords = 0, bool OpenQuery = false,
                                       const QString& QueryName = QString(), bool RemoveSystemTables = false);
    Q_INVOKABLE void VLNDisconnectConnection();
    // Opens the builder window (modal per VLNModalForm); does nothing while one is open.
    Q_INVOKABLE void VLNShowLorvane();
    // Closes the builder window, offering to save only when ShowSaveMsg is true.
    Q_INVOKABLE void VLNCloseLorvane(bool ShowSaveMsg);

    // The builder window while it is open (one per process), else null.
    static frmQDM* builderWindow();
    // Where the builder asks the user things; QtPrompts unless a host or test sets others.
    void setPrompts(std::shared_ptr<Prompts> prompts);
    bool VLNAllowCreateView() const { return m_.VLNAllowCreateView; }
    bool VLNModalForm() const { return m_.VLNModalForm; }
    QString VLNDateFormat() const { return m_.VLNDateFormat; }
    bool VLNDisableDefaultExportToExcel() const { return m_.VLNDisableDefaultExportToExcel; }
    QString VLNDateDelimeter() const { return m_.VLNDateDelimeter; }
    QString VLNLikeOperator() const { return m_.VLNLikeOperator; }
    VLNJoinTypesEnum VLNJoinTypesSupported() const { return m_.VLNJoinTypesSupported; }
    QString VLNLeftFieldorTableSpaceChr() const { return m_.VLNLeftFieldorTableSpaceChr; }
    QString VLNRightFieldorTableSpaceChr() const { return m_.VLNRightFieldorTableSpaceChr; }
    QString VLNDataExportBtnCaption() const { return m_.VLNDataExportBtnCaption; }
    QString VLNHelpFileLocation() const { return m_.VLNHelpFileLocation; }
    bool VLNEnableUserHelp() const { return m_.VLNEnableUserHelp; }
    bool VLNAllowOpenSavedQuery() const { return m_.VLNAllowOpenSavedQuery; }

    void setVLNConnectionString(const QString& value);
    void setVLNCommandType(const QString& value);
    void setVLNCommandTimeout(int value);
    void setVLNTableString(const QString& value);
    void setConnectionTimeout(int value);
    void setVLNLabelBackColor(OleColor value);
    void setVLNLabelForeColor(OleColor value);
    void setVLNAllowTableSelection(bool value);
    void setVLNAllowJoinCreation(bool value);
    void setVLNAllowFieldSelection(bool value);
    void setVLNShowQueryResults(bool value);
    void setVLNAllowValueSearch(bool value);
    void setVLNCreateQueryRecordset(bool value);
    void setVLNRunTimeControlIcon(const lorvane::Picture& value);
    void setVLNRunTimeControlCaption(const QString& value);
    void setVLNLabelFont(const QFont& value);
    void setVLNAllowGroupByOption(bool value);
    void setVLNAllowOrderByOption(bool value);
    void setVLNAllowCalcFieldOption(bool value);
    void setVLNEnableDataExportButton(bool value);
    void setVLNAllowSaveDeleteQuery(bool value);
    void setVLNAllowSQLReset(bool value);
    void setVLNAllowCreateView(bool value);
    void setVLNModalForm(bool value);
    void setVLNDateFormat(const QString& value);
    void setVLNDisableDefaultExportToExcel(bool value);
    void setVLNDateDelimeter(const QString& value);
    void setVLNLikeOperator(const QString& value);
    void setVLNJoinTypesSupported(VLNJoinTypesEnum value);
    void setVLNLeftFieldorTableSpaceChr(const QString& value);
    void setVLNRightFieldorTableSpaceChr(const QString& value);
    void setVLNDataExportBtnCaption(const QString& value);
    void setVLNHelpFileLocation(const QString& value);
    void setVLNEnableUserHelp(bool value);
    void setVLNAllowOpenSavedQuery(bool value);

    // Persistence: a new instance starts from initProperties() (done by the constructor); a
    // saved one is loaded with readProperties() and saved with writeProperties().
    void initProperties();
    void readProperties(const PropertyBag& bag);
    void writeProperties(PropertyBag& bag) const;

signals:
    // The ten events, in their interface order, raised synchronously.
    void SavedQuerySQL(const QString& SQL);
    void ExportData();
    void QueryExecuted(int ErrorNumber, const QString& Error, const QString& SQL,
                       std::shared_ptr<lorvane::RecordSet> QueryResults);
    // Raised at the end of every VLNMakeConnection that tried to connect; 0 and two empty
    // strings mean success.
    void ConnectionComplete(int ErrorNumber, const QString& ErrorDescription, const QString& ErrorSource);
    void QuerySaved(const QString& QueryName);
    void QueryDeleted(const QString& QueryName);
    void VLNUnloaded(const QString& QueryLoadError);
    void VLNAlreadyLoaded();
    void UserCreatedView(const QString& ViewName, const QString& Action);
    void OpenSavedQuery();

    // The host's designer marks its form modified; key is the persistence key.
    void propertyChanged(const QString& key);
    void VLNConnectionStringChanged();
    void VLNCommandTypeChanged();
    void VLNCommandTimeoutChanged();
    void VLNTableStringChanged();
    void ConnectionTimeoutChanged();
    void VLNLabelBackColorChanged();
    void VLNLabelForeColorChanged();
    void VLNAllowTableSelectionChanged();
    void VLNAllowJoinCreationChanged();
    void VLNAllowFieldSelectionChanged();
    void VLNShowQueryResultsChanged();
    void VLNAllowValueSearchChanged();
    void VLNCreateQueryRecordsetChanged();
    void VLNRunTimeControlIconChanged();
    void VLNRunTimeControlCaptionChanged();
    void VLNLabelFontChanged();
    void VLNAllowGroupByOptionChanged();
    void VLNAllowOrderByOptionChanged();
    void VLNAllowCalcFieldOptionChanged();
    void VLNEnableDataExportButtonChanged();
    void VLNAllowSaveDeleteQueryChanged();
    void VLNAllowSQLResetChanged();
    void VLNAllowCreateViewChanged();
    void VLNModalFormChanged();
    void VLNDateFormatChanged();
    void VLNDisableDefaultExportToExcelChanged();
    void VLNDateDelimeterChanged();
    void VLNLikeOperatorChanged();
    void VLNJoinTypesSupportedChanged();
    void VLNLeftFieldorTableSpaceChrChanged();
    void VLNRightFieldorTableSpaceChrChanged();
    void VLNDataExportBtnCaptionChanged();
    void VLNHelpFileLocationChanged();
    void VLNEnableUserHelpChanged();
    void VLNAllowOpenSavedQueryChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    struct Values {
        QString VLNConnectionString;
        QString VLNCommandType;
        int VLNCommandTimeout;
        QString VLNTableString;
        int ConnectionTimeout;
        OleColor VLNLabelBackColor;
        OleColor VLNLabelForeColor;
        bool VLNAllowTableSelection;
        bool VLNAllowJoinCreation;
        bool VLNAllowFieldSelection;
        bool VLNShowQueryResults;
        bool VLNAllowValueSearch;
        bool VLNCreateQueryRecordset;
        lorvane::Picture VLNRunTimeControlIcon;
        QString VLNRunTimeControlCaption;
        QFont VLNLabelFont;
        bool VLNAllowGroupByOption;
        bool VLNAllowOrderByOption;
        bool VLNAllowCalcFieldOption;
        bool VLNEnableDataExportButton;
        bool VLNAllowSaveDeleteQuery;
        bool VLNAllowSQLReset;
        bool VLNAllowCreateView;
        bool VLNModalForm;
        QString VLNDateFormat;
        bool VLNDisableDefaultExportToExcel;
        QString VLNDateDelimeter;
        QString VLNLikeOperator;
        VLNJoinTypesEnum VLNJoinTypesSupported;
        QString VLNLeftFieldorTableSpaceChr;
        QString VLNRightFieldorTableSpaceChr;
        QString VLNDataExportBtnCaption;
        QString VLNHelpFileLocation;
        bool VLNEnableUserHelp;
        bool VLNAllowOpenSavedQuery;
    } m_;
    // The table string in use by the last design-time connection.
    QString tableStringCopy_;

    bool attached_ = false;
    std::shared_ptr<Prompts> prompts_;

    void attachBridge();
    QFont ambientFont() const;
    void notifyChanged(const QString& key);
    void copyLoadedSettings();
};

}  // namespace lorvane
