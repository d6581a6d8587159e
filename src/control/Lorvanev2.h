#pragma once

#include "platform/LorvaneExport.h"
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
class LORVANE_EXPORT Lorvanev2 : public QWidget {
    Q_OBJECT
    Q_CLASSINFO("VLNCommandTimeout", "Seconds a statement may run on the design-time connection before it is stopped; 0 waits without limit. Used when VLNMakeConnection is called without a connection string.")
    Q_CLASSINFO("ConnectionTimeout", "Seconds to wait while opening the design-time connection; 0 waits without limit. Used when VLNMakeConnection is called without a connection string.")
    Q_CLASSINFO("VLNLabelBackColor", "Background colour of the builder window's labels, as 0x00BBGGRR or, with the top bit set, a system colour index.")
    Q_CLASSINFO("VLNLabelForeColor", "Text colour of the builder window's labels, as 0x00BBGGRR or, with the top bit set, a system colour index.")
    Q_CLASSINFO("VLNAllowTableSelection", "Lets the user choose the tables of the query; turning it off also turns off join creation.")
    Q_CLASSINFO("VLNAllowJoinCreation", "Lets the user join the chosen tables; can be on only while table selection is allowed.")
    Q_CLASSINFO("VLNAllowFieldSelection", "Lets the user choose the fields the query returns.")
    Q_CLASSINFO("VLNShowQueryResults", "Shows the rows of an executed query in the builder's results grid.")
    Q_CLASSINFO("VLNAllowValueSearch", "Lets the user look up the values a field holds in the connected database while writing criteria (needs a connection).")
    Q_CLASSINFO("VLNCreateQueryRecordset", "When on, QueryExecuted carries the executed query's rows as a RecordSet; when off, its QueryResults is empty.")
    Q_CLASSINFO("VLNRunTimeControlIcon", "Icon of the builder window.")
    Q_CLASSINFO("VLNRunTimeControlCaption", "Title of the builder window.")
    Q_CLASSINFO("VLNLabelFont", "Font of the builder window's labels.")
    Q_CLASSINFO("VLNAllowGroupByOption", "Lets the user group the query's rows by fields.")
    Q_CLASSINFO("VLNAllowOrderByOption", "Lets the user sort the query's rows by fields.")
    Q_CLASSINFO("VLNAllowCalcFieldOption", "Lets the user build calculated fields from the functions in VLNCalcFieldFunctions.")
    Q_CLASSINFO("VLNEnableDataExportButton", "Enables the builder's export button, which raises ExportData.")
    Q_CLASSINFO("VLNAllowSaveDeleteQuery", "Lets the user save queries to files and delete saved queries.")
    Q_CLASSINFO("VLNAllowSQLReset", "Lets the user remove all criteria and return the SQL text to the statement the builder generated.")
    Q_CLASSINFO("VLNActiveConnectionString", "The connection string of the connection in use (read only).")
    Q_CLASSINFO("VLNAllowCreateView", "Lets the user store the query as a view in the database, where the database supports views.")
    Q_CLASSINFO("VLNModalForm", "Opens the builder window modally: VLNShowLorvane returns only after the window closes, and events arrive while that call is still running.")
    Q_CLASSINFO("VLNDateFormat", "Format in which date values are written into criteria (depends on the database).")
    Q_CLASSINFO("VLNDisableDefaultExportToExcel", "Turns off the built-in spreadsheet export of the export button; ExportData is still raised, so the host can export instead.")
    Q_CLASSINFO("VLNDateDelimeter", "Text placed around a date value in criteria (depends on the database).")
    Q_CLASSINFO("VLNLikeOperator", "Wildcard the builder uses for pattern criteria (depends on the database).")
    Q_CLASSINFO("VLNJoinTypesSupported", "Which join types the user may choose: inner, outer and full outer; inner and outer; or inner only.")
    Q_CLASSINFO("VLNLeftFieldorTableSpaceChr", "Text placed before a table or field name that contains a blank.")
    Q_CLASSINFO("VLNRightFieldorTableSpaceChr", "Text placed after a table or field name that contains a blank.")
    Q_CLASSINFO("VLNDataExportBtnCaption", "Caption of the builder's export button.")
    Q_CLASSINFO("VLNHelpFileLocation", "Path of the help document the builder's help button opens with the desktop's program for its type.")
    Q_CLASSINFO("VLNEnableUserHelp", "Shows the builder's help button.")
    Q_CLASSINFO("VLNAllowOpenSavedQuery", "Shows the builder's button that closes the window and raises OpenSavedQuery, so the host can open a saved query.")
    Q_CLASSINFO("VLNAutoJoinForeignKeys", "Joins a table the user adds to the tables already chosen on the foreign keys the database declares between them.")
    Q_CLASSINFO("VLNMakeConnection", "Connects to a database and loads the tables the builder offers: with a connection string, from the database catalogue; without one, through the design-time properties and VLNTableString; with neither, unbound. Raises ConnectionComplete before it returns.")
    Q_CLASSINFO("VLNDisconnectConnection", "Closes the connection in use; the tables loaded stay.")
    Q_CLASSINFO("VLNShowLorvane", "Opens the builder window. Call VLNMakeConnection first (bound or unbound); does nothing while a builder window is open.")
    Q_CLASSINFO("VLNTablesAndFields", "The table and field collections: add or remove the tables and fields the builder offers.")
    Q_CLASSINFO("VLNCalcFieldFunctions", "The database functions offered for calculated fields: add or remove them.")
    Q_CLASSINFO("VLNCloseLorvane", "Closes the builder window; ShowSaveMsg says whether the user is offered to save the query first.")
    Q_CLASSINFO("SavedQuerySQL", "Raised right after QuerySaved with the SQL text of the saved query, on one line.")
    Q_CLASSINFO("ExportData", "Raised when the user presses the export button, before the built-in export runs.")
    Q_CLASSINFO("QueryExecuted", "Raised after every run of the query: the error number and text (0 and empty on success), the SQL text and the rows as a RecordSet.")
    Q_CLASSINFO("ConnectionComplete", "Raised before VLNMakeConnection returns when it tried to connect: ErrorNumber 0 means connected (ErrorDescription may still carry a note, such as tables left out); otherwise the error's number, description and source.")
    Q_CLASSINFO("QuerySaved", "Raised when the user has saved a query, with its file name.")
    Q_CLASSINFO("QueryDeleted", "Raised when the user has deleted a saved query, with its file name.")
    Q_CLASSINFO("VLNUnloaded", "Raised when the builder window has closed, with the error of a saved query that could not be opened, or empty.")
    Q_CLASSINFO("VLNAlreadyLoaded", "Raised instead of connecting when VLNMakeConnection is called while the builder window is open: one builder window per application.")
    Q_CLASSINFO("UserCreatedView", "Raised when the user has created a view in the database, with its name and the action.")
    Q_CLASSINFO("OpenSavedQuery", "Raised after the window closed through its open-saved-query button: the host may now call VLNMakeConnection with a QueryName and VLNShowLorvane.")
    Q_PROPERTY(QString VLNConnectionString READ VLNConnectionString WRITE setVLNConnectionString NOTIFY VLNConnectionStringChanged)
    Q_PROPERTY(QString VLNCommandType READ VLNCommandType WRITE setVLNCommandType NOTIFY VLNCommandTypeChanged)
    Q_PROPERTY(int VLNCommandTimeout READ VLNCommandTimeout WRITE setVLNCommandTimeout NOTIFY VLNCommandTimeoutChanged)
    Q_PROPERTY(QString VLNTableString READ VLNTableString WRITE setVLNTableString NOTIFY VLNTableStringChanged)
    Q_PROPERTY(int ConnectionTimeout READ ConnectionTimeout WRITE setConnectionTimeout NOTIFY ConnectionTimeoutChanged)
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
    Q_PROPERTY(bool VLNAutoJoinForeignKeys READ VLNAutoJoinForeignKeys WRITE setVLNAutoJoinForeignKeys NOTIFY VLNAutoJoinForeignKeysChanged)

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

    // Connects to a database (argument mode: the tables come from the catalogue and
    // VLNTableString is not used), or through the design-time properties when no connection
    // string is given (the tables are those of VLNTableString), or not at all (unbound, or a
    // saved query to open). Does not throw: the outcome arrives as ConnectionComplete, raised
    // synchronously before this call returns, so connect to it first. While the builder window
    // is open only VLNAlreadyLoaded is raised.
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
    bool VLNAutoJoinForeignKeys() const { return m_.VLNAutoJoinForeignKeys; }

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
    void setVLNAutoJoinForeignKeys(bool value);

    // Persistence: a new instance starts from initProperties() (done by the constructor); a
    // saved one is loaded with readProperties() and saved with writeProperties().
    void initProperties();
    void readProperties(const PropertyBag& bag);
    void writeProperties(PropertyBag& bag) const;

signals:
    // The ten events, in their interface order, raised synchronously: a slot runs before the
    // call that caused the event returns (docs/host-guide.md says which call each comes from).
    void SavedQuerySQL(const QString& SQL);
    void ExportData();
    void QueryExecuted(int ErrorNumber, const QString& Error, const QString& SQL,
                       std::shared_ptr<lorvane::RecordSet> QueryResults);
    // Raised inside every VLNMakeConnection that tried to connect, before that call returns
    // (none for unbound or open-query calls). ErrorNumber 0 means connected; ErrorDescription
    // is then empty or a note for the host (the tables that could not be offered, "Tables left
    // out: ..."), and ErrorSource is empty. Any other number is a failure.
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
    void VLNAutoJoinForeignKeysChanged();

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
        bool VLNAutoJoinForeignKeys;
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
