#include "Lorvanev2.h"

#include "shared/BuilderSettings.h"
#include "ConnectionManager.h"
#include "builder/QueryFileCommands.h"
#include "builder/frmQDM.h"
#include "shared/clsBridge.h"
#include "shared/clsField.h"
#include "shared/clsTable.h"
#include "platform/QtPrompts.h"
#include "shared/clsFunctions.h"
#include "shared/clsTableAndField.h"
#include "platform/PropertyBag.h"

#include <QApplication>
#include <QEventLoop>
#include <QPointer>
#include <QMetaProperty>
#include <QPainter>
#include <QResizeEvent>

namespace lorvane {

namespace {
const QSize kFixedSize(Lorvanev2::kWidthTwips / Lorvanev2::kTwipsPerPixel,
                       Lorvanev2::kHeightTwips / Lorvanev2::kTwipsPerPixel);

QPointer<frmQDM>& builderSlot() {
    static auto* slot = new QPointer<frmQDM>;
    return *slot;
}

template <typename F> void ignoringErrors(F&& step) {
    try {
        step();
    } catch (...) {
    }
}
}  // namespace

Lorvanev2::Lorvanev2(QWidget* parent) : QWidget(parent) {
    qRegisterMetaType<Picture>();
    qRegisterMetaType<std::shared_ptr<lorvane::RecordSet>>();
    setFixedSize(kFixedSize);
    setToolTip(QStringLiteral("Lorvane query builder"));
    initProperties();
}

Lorvanev2::~Lorvanev2() {
    BuilderSettings& s = BuilderSettings::shared();
    // Every step runs even when an earlier one fails.
    s.TablesAndFields.reset();
    ignoringErrors([&] { s.activeConnection().Close(); });
    ignoringErrors([&] { s.tableSchema().Close(); });
    // This component no longer hears the bridge (other components still do).
    clsBridge::SharedBridge().disconnect(this);
    attached_ = false;
    s.ActiveConnection.reset();
    s.TableSchema.reset();
    s.TableList.reset();
    s.FieldList.reset();
    // The builder window, when it closes because its component is gone, must not offer to save.
    s.ComponentTerminating = true;
    if (builderWindow())
        ignoringErrors([&] { builderWindow()->unloadNow(); });
}

frmQDM* Lorvanev2::builderWindow() {
    frmQDM* w = builderSlot().data();
    return w && !w->isUnloaded() ? w : nullptr;
}

void Lorvanev2::setPrompts(std::shared_ptr<Prompts> prompts) {
    prompts_ = std::move(prompts);
}

void Lorvanev2::attachBridge() {
    if (attached_)
        return;
    attached_ = true;
    clsBridge& bridge = clsBridge::SharedBridge();
    connect(&bridge, &clsBridge::QuerySQL, this, &Lorvanev2::SavedQuerySQL);
    connect(&bridge, &clsBridge::QueryComplete, this,
            [this](int number, const QString& error, const QString& sql, std::shared_ptr<RecordSet> results) {
                emit QueryExecuted(number, error, sql, std::move(results));
            });
    connect(&bridge, &clsBridge::SaveQuery, this, &Lorvanev2::QuerySaved);
    connect(&bridge, &clsBridge::DeleteQuery, this, &Lorvanev2::QueryDeleted);
    connect(&bridge, &clsBridge::VLNClosed, this, &Lorvanev2::VLNUnloaded);
    connect(&bridge, &clsBridge::UserViewCreated, this, &Lorvanev2::UserCreatedView);
    connect(&bridge, &clsBridge::ExportToExcel, this, &Lorvanev2::ExportData);
    connect(&bridge, &clsBridge::OpenQuery, this, [this] {
        BuilderSettings& s = BuilderSettings::shared();
        if (!s.OpenSavedQueryRequested)
            return;
        s.OpenSavedQueryRequested = false;
        emit OpenSavedQuery();
    });
}

void Lorvanev2::VLNShowLorvane() {
    if (builderWindow())
        return;
    BuilderSettings& s = BuilderSettings::shared();
    s.VLNAllowOpenSavedQuery = m_.VLNAllowOpenSavedQuery;
    s.VLNHelpFileLocation = m_.VLNHelpFileLocation;
    s.VLNEnableUserHelp = m_.VLNEnableUserHelp;
    copyLoadedSettings();
    attachBridge();
    s.TableList = std::make_shared<QStringList>(clsTable::shared().TableNames());
    s.FieldList = std::make_shared<QStringList>(clsField::shared().FieldNamesFor(*s.TableList));
    if (!prompts_)
        prompts_ = std::make_shared<QtPrompts>();
    auto* builder = new frmQDM(prompts_);
    builderSlot() = builder;
    // A saved query connects again to the database it was built against.
    builder->queryFiles()->setReconnect([](const StoredConnection& c) {
        ConnectionManager().OpenDatabaseConnection(c.connectionString, c.connectTimeout, c.commandTimeout, c.userId,
                                                   c.password);
    });
    builder->load();
    if (!builderWindow())
        return;  // the load failed and the window closed itself
    if (m_.VLNModalForm) {
        builder->setWindowModality(Qt::ApplicationModal);
        builder->show();
        QEventLoop loop;
        connect(builder, &QObject::destroyed, &loop, &QEventLoop::quit);
        loop.exec();
    } else {
        builder->show();
    }
}

void Lorvanev2::VLNCloseLorvane(bool ShowSaveMsg) {
    if (!builderWindow())
        return;
    BuilderSettings::shared().ShowSaveMsg = ShowSaveMsg;
    ignoringErrors([&] { builderSlot()->close(); });
}

QFont Lorvanev2::ambientFont() const {
    return parentWidget() ? parentWidget()->font() : QApplication::font();
}

void Lorvanev2::notifyChanged(const QString& key) {
    const int index = metaObject()->indexOfProperty(key.toLatin1().constData());
    if (index >= 0) {
        const QMetaProperty property = metaObject()->property(index);
        if (property.hasNotifySignal())
            property.notifySignal().invoke(this, Qt::DirectConnection);
    }
    emit propertyChanged(key);
}

void Lorvanev2::initProperties() {
    m_.VLNConnectionString = QString();
    m_.VLNCommandType = QString();
    m_.VLNCommandTimeout = 60;
    m_.VLNTableString = QString();
    m_.ConnectionTimeout = 60;
    m_.VLNLabelBackColor = static_cast<OleColor>(kDefaultLabelBackColor);
    m_.VLNLabelForeColor = 0x80000005u;
    m_.VLNAllowTableSelection = true;
    m_.VLNAllowJoinCreation = true;
    m_.VLNAllowFieldSelection = true;
    m_.VLNShowQueryResults = true;
    m_.VLNAllowValueSearch = true;
    m_.VLNCreateQueryRecordset = true;
    m_.VLNRunTimeControlIcon = makeEmptyPicture();
    m_.VLNRunTimeControlCaption = QStringLiteral("Kestrine Lorvane V2.0");
    m_.VLNLabelFont = ambientFont();
    m_.VLNAllowGroupByOption = true;
    m_.VLNAllowOrderByOption = true;
    m_.VLNAllowCalcFieldOption = true;
    m_.VLNEnableDataExportButton = true;
    m_.VLNAllowSaveDeleteQuery = true;
    m_.VLNAllowSQLReset = true;
    m_.VLNAllowCreateView = false;
    m_.VLNModalForm = false;
    m_.VLNDateFormat = QStringLiteral("mm/dd/yyyy h:mm:ss am/pm");
    m_.VLNDisableDefaultExportToExcel = false;
    m_.VLNDateDelimeter = QStringLiteral("'");
    m_.VLNLikeOperator = QStringLiteral("%");
    m_.VLNJoinTypesSupported = jtInnerAndOuterJoin;
    m_.VLNLeftFieldorTableSpaceChr = QStringLiteral("[");
    m_.VLNRightFieldorTableSpaceChr = QStringLiteral("]");
    m_.VLNDataExportBtnCaption = QStringLiteral("Export Query Results to Excel");
    m_.VLNHelpFileLocation = QStringLiteral("C:\\Program Files\\Kestrine\\Lorvane v2\\VLNv2User.chm");
    m_.VLNEnableUserHelp = true;
    m_.VLNAllowOpenSavedQuery = true;
    m_.VLNAutoJoinForeignKeys = true;
    BuilderSettings& s = BuilderSettings::shared();
    s.VLNLeftFieldorTableSpaceChr = m_.VLNLeftFieldorTableSpaceChr;
    s.VLNRightFieldorTableSpaceChr = m_.VLNRightFieldorTableSpaceChr;
}

void Lorvanev2::readProperties(const PropertyBag& bag) {
    m_.VLNConnectionString = bag.ReadProperty(QStringLiteral("VLNConnectionString"), QString()).toString();
    m_.VLNCommandType = bag.ReadProperty(QStringLiteral("VLNCommandType"), QString()).toString();
    m_.VLNCommandTimeout = bag.ReadProperty(QStringLiteral("VLNCommandTimeout"), qint32(60)).toInt();
    m_.VLNTableString = bag.ReadProperty(QStringLiteral("VLNTableString"), QString()).toString();
    m_.ConnectionTimeout = bag.ReadProperty(QStringLiteral("ConnectionTimeout"), qint32(60)).toInt();
    m_.VLNLabelBackColor = static_cast<OleColor>(bag.ReadProperty(QStringLiteral("VLNLabelBackColor"), kDefaultLabelBackColor).toInt());
    m_.VLNLabelForeColor = static_cast<OleColor>(bag.ReadProperty(QStringLiteral("VLNLabelForeColor"), qint32(0x80000005u)).toInt());
    m_.VLNAllowTableSelection = bag.ReadProperty(QStringLiteral("VLNAllowTableSelection"), QVariant::fromValue(qint16(1))).toBool();
    m_.VLNAllowJoinCreation = bag.ReadProperty(QStringLiteral("VLNAllowJoinCreation"), QVariant::fromValue(qint16(1))).toBool();
    m_.VLNAllowFieldSelection = bag.ReadProperty(QStringLiteral("VLNAllowFieldSelection"), QVariant::fromValue(qint16(1))).toBool();
    m_.VLNShowQueryResults = bag.ReadProperty(QStringLiteral("VLNShowQueryResults"), QVariant::fromValue(qint16(1))).toBool();
    m_.VLNAllowValueSearch = bag.ReadProperty(QStringLiteral("VLNAllowValueSearch"), QVariant::fromValue(qint16(1))).toBool();
    m_.VLNCreateQueryRecordset = bag.ReadProperty(QStringLiteral("VLNCreateQueryRecordset"), QVariant::fromValue(qint16(1))).toBool();
    m_.VLNRunTimeControlIcon = bag.ReadProperty(QStringLiteral("VLNRunTimeControlIcon"), QVariant::fromValue(Picture())).value<Picture>();
    m_.VLNRunTimeControlCaption = bag.ReadProperty(QStringLiteral("VLNRunTimeControlCaption"), QStringLiteral("Kestrine Lorvane V2.0")).toString();
    m_.VLNLabelFont = bag.ReadProperty(QStringLiteral("VLNLabelFont"), ambientFont()).value<QFont>();
    m_.VLNAllowGroupByOption = bag.ReadProperty(QStringLiteral("VLNAllowGroupByOption"), QVariant::fromValue(qint16(1))).toBool();
    m_.VLNAllowOrderByOption = bag.ReadProperty(QStringLiteral("VLNAllowOrderByOption"), QVariant::fromValue(qint16(1))).toBool();
    m_.VLNAllowCalcFieldOption = bag.ReadProperty(QStringLiteral("VLNAllowCalcFieldOption"), QVariant::fromValue(qint16(1))).toBool();
    m_.VLNEnableDataExportButton = bag.ReadProperty(QStringLiteral("VLNEnableDataExportButton"), QVariant::fromValue(qint16(1))).toBool();
    m_.VLNAllowSaveDeleteQuery = bag.ReadProperty(QStringLiteral("VLNAllowSaveDeleteQuery"), QVariant::fromValue(qint16(1))).toBool();
    m_.VLNAllowSQLReset = bag.ReadProperty(QStringLiteral("VLNAllowSQLReset"), QVariant::fromValue(qint16(1))).toBool();
    m_.VLNAllowCreateView = bag.ReadProperty(QStringLiteral("VLNAllowCreateView"), QVariant::fromValue(qint16(0))).toBool();
    m_.VLNModalForm = bag.ReadProperty(QStringLiteral("VLNModalForm"), QVariant::fromValue(qint16(0))).toBool();
    m_.VLNDateFormat = bag.ReadProperty(QStringLiteral("VLNDateFormat"), QStringLiteral("mm/dd/yyyy h:mm:ss am/pm")).toString();
    m_.VLNDisableDefaultExportToExcel = bag.ReadProperty(QStringLiteral("VLNDisableDefaultExportToExcel"), QVariant::fromValue(qint16(0))).toBool();
    m_.VLNDateDelimeter = bag.ReadProperty(QStringLiteral("VLNDateDelimeter"), QStringLiteral("'")).toString();
    m_.VLNLikeOperator = bag.ReadProperty(QStringLiteral("VLNLikeOperator"), QStringLiteral("%")).toString();
    m_.VLNJoinTypesSupported = static_cast<VLNJoinTypesEnum>(bag.ReadProperty(QStringLiteral("VLNJoinTypesSupported"), qint32(1)).toInt());
    m_.VLNLeftFieldorTableSpaceChr = bag.ReadProperty(QStringLiteral("VLNLeftFieldorTableSpaceChr"), QStringLiteral("[")).toString();
    m_.VLNRightFieldorTableSpaceChr = bag.ReadProperty(QStringLiteral("VLNRightFieldorTableSpaceChr"), QStringLiteral("]")).toString();
    m_.VLNDataExportBtnCaption = bag.ReadProperty(QStringLiteral("VLNDataExportBtnCaption"), QStringLiteral("Export Query Results to Excel")).toString();
    m_.VLNHelpFileLocation = bag.ReadProperty(QStringLiteral("VLNHelpFileLocation"), QStringLiteral("C:\\Program Files\\Kestrine\\Lorvane v2\\VLNv2User.chm")).toString();
    m_.VLNEnableUserHelp = bag.ReadProperty(QStringLiteral("VLNEnableUserHelp"), QVariant::fromValue(qint16(1))).toBool();
    m_.VLNAllowOpenSavedQuery = bag.ReadProperty(QStringLiteral("VLNAllowOpenSavedQuery"), QVariant::fromValue(qint16(1))).toBool();
    m_.VLNAutoJoinForeignKeys = bag.ReadProperty(QStringLiteral("VLNAutoJoinForeignKeys"), QVariant::fromValue(qint16(1))).toBool();
    copyLoadedSettings();
}

void Lorvanev2::writeProperties(PropertyBag& bag) const {
    bag.WriteProperty(QStringLiteral("VLNConnectionString"), m_.VLNConnectionString, QString());
    bag.WriteProperty(QStringLiteral("VLNCommandType"), m_.VLNCommandType, QString());
    bag.WriteProperty(QStringLiteral("VLNCommandTimeout"), qint32(m_.VLNCommandTimeout), qint32(60));
    bag.WriteProperty(QStringLiteral("VLNTableString"), m_.VLNTableString, QString());
    bag.WriteProperty(QStringLiteral("ConnectionTimeout"), qint32(m_.ConnectionTimeout), qint32(60));
    bag.WriteProperty(QStringLiteral("VLNLabelBackColor"), static_cast<qint32>(m_.VLNLabelBackColor), kDefaultLabelBackColor);
    bag.WriteProperty(QStringLiteral("VLNLabelForeColor"), static_cast<qint32>(m_.VLNLabelForeColor), qint32(0x80000005u));
    bag.WriteProperty(QStringLiteral("VLNAllowTableSelection"), m_.VLNAllowTableSelection, QVariant::fromValue(qint16(1)));
    bag.WriteProperty(QStringLiteral("VLNAllowJoinCreation"), m_.VLNAllowJoinCreation, QVariant::fromValue(qint16(1)));
    bag.WriteProperty(QStringLiteral("VLNAllowFieldSelection"), m_.VLNAllowFieldSelection, QVariant::fromValue(qint16(1)));
    bag.WriteProperty(QStringLiteral("VLNShowQueryResults"), m_.VLNShowQueryResults, QVariant::fromValue(qint16(1)));
    bag.WriteProperty(QStringLiteral("VLNAllowValueSearch"), m_.VLNAllowValueSearch, QVariant::fromValue(qint16(1)));
    bag.WriteProperty(QStringLiteral("VLNCreateQueryRecordset"), m_.VLNCreateQueryRecordset, QVariant::fromValue(qint16(1)));
    bag.WriteProperty(QStringLiteral("VLNRunTimeControlIcon"), QVariant::fromValue(m_.VLNRunTimeControlIcon), QVariant::fromValue(Picture()));
    bag.WriteProperty(QStringLiteral("VLNRunTimeControlCaption"), m_.VLNRunTimeControlCaption, QStringLiteral("Kestrine Lorvane V2.0"));
    bag.WriteProperty(QStringLiteral("VLNLabelFont"), m_.VLNLabelFont, ambientFont());
    bag.WriteProperty(QStringLiteral("VLNAllowGroupByOption"), m_.VLNAllowGroupByOption, QVariant::fromValue(qint16(1)));
    bag.WriteProperty(QStringLiteral("VLNAllowOrderByOption"), m_.VLNAllowOrderByOption, QVariant::fromValue(qint16(1)));
    bag.WriteProperty(QStringLiteral("VLNAllowCalcFieldOption"), m_.VLNAllowCalcFieldOption, QVariant::fromValue(qint16(1)));
    bag.WriteProperty(QStringLiteral("VLNEnableDataExportButton"), m_.VLNEnableDataExportButton, QVariant::fromValue(qint16(1)));
    bag.WriteProperty(QStringLiteral("VLNAllowSaveDeleteQuery"), m_.VLNAllowSaveDeleteQuery, QVariant::fromValue(qint16(1)));
    bag.WriteProperty(QStringLiteral("VLNAllowSQLReset"), m_.VLNAllowSQLReset, QVariant::fromValue(qint16(1)));
    bag.WriteProperty(QStringLiteral("VLNAllowCreateView"), m_.VLNAllowCreateView, QVariant::fromValue(qint16(0)));
    bag.WriteProperty(QStringLiteral("VLNModalForm"), m_.VLNModalForm, QVariant::fromValue(qint16(0)));
    bag.WriteProperty(QStringLiteral("VLNDateFormat"), m_.VLNDateFormat, QStringLiteral("mm/dd/yyyy h:mm:ss am/pm"));
    bag.WriteProperty(QStringLiteral("VLNDisableDefaultExportToExcel"), m_.VLNDisableDefaultExportToExcel, QVariant::fromValue(qint16(0)));
    bag.WriteProperty(QStringLiteral("VLNDateDelimeter"), m_.VLNDateDelimeter, QStringLiteral("'"));
    bag.WriteProperty(QStringLiteral("VLNLikeOperator"), m_.VLNLikeOperator, QStringLiteral("%"));
    bag.WriteProperty(QStringLiteral("VLNJoinTypesSupported"), qint32(m_.VLNJoinTypesSupported), qint32(1));
    bag.WriteProperty(QStringLiteral("VLNLeftFieldorTableSpaceChr"), m_.VLNLeftFieldorTableSpaceChr, QStringLiteral("["));
    bag.WriteProperty(QStringLiteral("VLNRightFieldorTableSpaceChr"), m_.VLNRightFieldorTableSpaceChr, QStringLiteral("]"));
    bag.WriteProperty(QStringLiteral("VLNDataExportBtnCaption"), m_.VLNDataExportBtnCaption, QStringLiteral("Export Query Results to Excel"));
    bag.WriteProperty(QStringLiteral("VLNHelpFileLocation"), m_.VLNHelpFileLocation, QStringLiteral("C:\\Program Files\\Kestrine\\Lorvane v2\\VLNv2User.chm"));
    bag.WriteProperty(QStringLiteral("VLNEnableUserHelp"), m_.VLNEnableUserHelp, QVariant::fromValue(qint16(1)));
    bag.WriteProperty(QStringLiteral("VLNAllowOpenSavedQuery"), m_.VLNAllowOpenSavedQuery, QVariant::fromValue(qint16(1)));
    bag.WriteProperty(QStringLiteral("VLNAutoJoinForeignKeys"), m_.VLNAutoJoinForeignKeys, QVariant::fromValue(qint16(1)));
}

void Lorvanev2::copyLoadedSettings() {
    BuilderSettings& s = BuilderSettings::shared();
    s.VLNDataExportBtnCaption = m_.VLNDataExportBtnCaption;
    s.VLNDateDelimeter = m_.VLNDateDelimeter;
    s.VLNLikeOperator = m_.VLNLikeOperator;
    s.VLNJoinTypesSupported = static_cast<qint16>(m_.VLNJoinTypesSupported);
    s.VLNLeftFieldorTableSpaceChr = m_.VLNLeftFieldorTableSpaceChr;
    s.VLNRightFieldorTableSpaceChr = m_.VLNRightFieldorTableSpaceChr;
    s.VLNDateFormat = m_.VLNDateFormat;
    s.VLNAllowCreateView = m_.VLNAllowCreateView;
    s.VLNLabelBackColor = static_cast<qint32>(m_.VLNLabelBackColor);
    s.VLNLabelForeColor = static_cast<qint32>(m_.VLNLabelForeColor);
    s.VLNAllowSQLReset = m_.VLNAllowSQLReset;
    s.VLNAllowTableSelection = m_.VLNAllowTableSelection;
    s.VLNAllowJoinCreation = m_.VLNAllowJoinCreation;
    s.VLNAutoJoinForeignKeys = m_.VLNAutoJoinForeignKeys;
    s.VLNAllowFieldSelection = m_.VLNAllowFieldSelection;
    s.VLNAllowSaveDeleteQuery = m_.VLNAllowSaveDeleteQuery;
    s.VLNShowQueryResults = m_.VLNShowQueryResults;
    s.VLNAllowValueSearch = m_.VLNAllowValueSearch;
    s.VLNCreateQueryRecordset = m_.VLNCreateQueryRecordset;
    s.VLNAllowGroupByOption = m_.VLNAllowGroupByOption;
    s.VLNAllowOrderByOption = m_.VLNAllowOrderByOption;
    s.VLNAllowCalcFieldOption = m_.VLNAllowCalcFieldOption;
    s.VLNEnableDataExportButton = m_.VLNEnableDataExportButton;
    s.VLNDisableDefaultExportToExcel = m_.VLNDisableDefaultExportToExcel;
    s.VLNRunTimeControlIcon = m_.VLNRunTimeControlIcon;
    s.VLNRunTimeControlCaption = m_.VLNRunTimeControlCaption;
    s.VLNLabelFont = m_.VLNLabelFont;
    s.VLNHelpFileLocation = m_.VLNHelpFileLocation;
    s.VLNEnableUserHelp = m_.VLNEnableUserHelp;
}

QString Lorvanev2::VLNActiveConnectionString() const {
    return BuilderSettings::shared().activeConnection().ConnectionString();
}

QObject* Lorvanev2::VLNTablesAndFields() const {
    BuilderSettings& s = BuilderSettings::shared();
    if (!s.TablesAndFields)
        s.TablesAndFields = clsTableAndField::shared();
    return s.TablesAndFields.get();
}

QObject* Lorvanev2::VLNCalcFieldFunctions() {
    return new clsCalcFieldFunctions(this);
}

void Lorvanev2::VLNMakeConnection(const QString& ConnectionString, const QString& UserName, const QString& Password,
                                  int ConnectTimeout, int CommandTimeout, int MaxRecords, bool OpenQuery,
                                  const QString& QueryName, bool RemoveSystemTables) {
    if (BuilderSettings::shared().BuilderLoaded) {
        emit VLNAlreadyLoaded();
        return;
    }
    ConnectionManager::Arguments arguments{ConnectionString, UserName, Password, ConnectTimeout, CommandTimeout,
                                           MaxRecords, OpenQuery, QueryName, RemoveSystemTables};
    tableStringCopy_ = m_.VLNTableString;
    const ConnectionManager::DesignTime designTime{m_.VLNConnectionString, m_.ConnectionTimeout, m_.VLNCommandTimeout,
                                                   tableStringCopy_};
    const auto outcome = ConnectionManager().MakeConnection(arguments, designTime);
    attachBridge();
    if (outcome.attempted)
        emit ConnectionComplete(outcome.number, outcome.description, outcome.source);
}

void Lorvanev2::VLNDisconnectConnection() {
    ConnectionManager().DisconnectConnection();
}

// Turning table selection off also turns join creation off: joins need chosen tables.
void Lorvanev2::setVLNAllowTableSelection(bool value) {
    m_.VLNAllowTableSelection = value;
    notifyChanged(QStringLiteral("VLNAllowTableSelection"));
    if (!value) {
        m_.VLNAllowJoinCreation = false;
        notifyChanged(QStringLiteral("VLNAllowJoinCreation"));
    }
}

void Lorvanev2::setVLNAllowJoinCreation(bool value) {
    if (!m_.VLNAllowTableSelection)
        return;
    m_.VLNAllowJoinCreation = value;
    notifyChanged(QStringLiteral("VLNAllowJoinCreation"));
}

// No record set means nothing to show in the result grid.
void Lorvanev2::setVLNCreateQueryRecordset(bool value) {
    m_.VLNCreateQueryRecordset = value;
    notifyChanged(QStringLiteral("VLNCreateQueryRecordset"));
    if (!value) {
        m_.VLNShowQueryResults = false;
        notifyChanged(QStringLiteral("VLNShowQueryResults"));
    }
}

void Lorvanev2::setVLNShowQueryResults(bool value) {
    if (!m_.VLNCreateQueryRecordset)
        return;
    m_.VLNShowQueryResults = value;
    notifyChanged(QStringLiteral("VLNShowQueryResults"));
}

// The space characters reach an open builder window at once, unlike the other settings.
void Lorvanev2::setVLNLeftFieldorTableSpaceChr(const QString& value) {
    m_.VLNLeftFieldorTableSpaceChr = value;
    notifyChanged(QStringLiteral("VLNLeftFieldorTableSpaceChr"));
    BuilderSettings::shared().VLNLeftFieldorTableSpaceChr = value;
}

void Lorvanev2::setVLNRightFieldorTableSpaceChr(const QString& value) {
    m_.VLNRightFieldorTableSpaceChr = value;
    notifyChanged(QStringLiteral("VLNRightFieldorTableSpaceChr"));
    BuilderSettings::shared().VLNRightFieldorTableSpaceChr = value;
}

void Lorvanev2::setVLNConnectionString(const QString& value) {
    m_.VLNConnectionString = value;
    notifyChanged(QStringLiteral("VLNConnectionString"));
}

void Lorvanev2::setVLNCommandType(const QString& value) {
    m_.VLNCommandType = value;
    notifyChanged(QStringLiteral("VLNCommandType"));
}

void Lorvanev2::setVLNCommandTimeout(int value) {
    m_.VLNCommandTimeout = value;
    notifyChanged(QStringLiteral("VLNCommandTimeout"));
}

void Lorvanev2::setVLNTableString(const QString& value) {
    m_.VLNTableString = value;
    notifyChanged(QStringLiteral("VLNTableString"));
}

void Lorvanev2::setConnectionTimeout(int value) {
    m_.ConnectionTimeout = value;
    notifyChanged(QStringLiteral("ConnectionTimeout"));
}

void Lorvanev2::setVLNLabelBackColor(OleColor value) {
    m_.VLNLabelBackColor = value;
    notifyChanged(QStringLiteral("VLNLabelBackColor"));
}

void Lorvanev2::setVLNLabelForeColor(OleColor value) {
    m_.VLNLabelForeColor = value;
    notifyChanged(QStringLiteral("VLNLabelForeColor"));
}

void Lorvanev2::setVLNAllowFieldSelection(bool value) {
    m_.VLNAllowFieldSelection = value;
    notifyChanged(QStringLiteral("VLNAllowFieldSelection"));
}

void Lorvanev2::setVLNAllowValueSearch(bool value) {
    m_.VLNAllowValueSearch = value;
    notifyChanged(QStringLiteral("VLNAllowValueSearch"));
}

void Lorvanev2::setVLNRunTimeControlIcon(const lorvane::Picture& value) {
    m_.VLNRunTimeControlIcon = value;
    notifyChanged(QStringLiteral("VLNRunTimeControlIcon"));
}

void Lorvanev2::setVLNRunTimeControlCaption(const QString& value) {
    m_.VLNRunTimeControlCaption = value;
    notifyChanged(QStringLiteral("VLNRunTimeControlCaption"));
}

void Lorvanev2::setVLNLabelFont(const QFont& value) {
    m_.VLNLabelFont = value;
    notifyChanged(QStringLiteral("VLNLabelFont"));
}

void Lorvanev2::setVLNAllowGroupByOption(bool value) {
    m_.VLNAllowGroupByOption = value;
    notifyChanged(QStringLiteral("VLNAllowGroupByOption"));
}

void Lorvanev2::setVLNAllowOrderByOption(bool value) {
    m_.VLNAllowOrderByOption = value;
    notifyChanged(QStringLiteral("VLNAllowOrderByOption"));
}

void Lorvanev2::setVLNAllowCalcFieldOption(bool value) {
    m_.VLNAllowCalcFieldOption = value;
    notifyChanged(QStringLiteral("VLNAllowCalcFieldOption"));
}

void Lorvanev2::setVLNEnableDataExportButton(bool value) {
    m_.VLNEnableDataExportButton = value;
    notifyChanged(QStringLiteral("VLNEnableDataExportButton"));
}

void Lorvanev2::setVLNAllowSaveDeleteQuery(bool value) {
    m_.VLNAllowSaveDeleteQuery = value;
    notifyChanged(QStringLiteral("VLNAllowSaveDeleteQuery"));
}

void Lorvanev2::setVLNAllowSQLReset(bool value) {
    m_.VLNAllowSQLReset = value;
    notifyChanged(QStringLiteral("VLNAllowSQLReset"));
}

void Lorvanev2::setVLNAllowCreateView(bool value) {
    m_.VLNAllowCreateView = value;
    notifyChanged(QStringLiteral("VLNAllowCreateView"));
}

void Lorvanev2::setVLNModalForm(bool value) {
    m_.VLNModalForm = value;
    notifyChanged(QStringLiteral("VLNModalForm"));
}

void Lorvanev2::setVLNDateFormat(const QString& value) {
    m_.VLNDateFormat = value;
    notifyChanged(QStringLiteral("VLNDateFormat"));
}

void Lorvanev2::setVLNDisableDefaultExportToExcel(bool value) {
    m_.VLNDisableDefaultExportToExcel = value;
    notifyChanged(QStringLiteral("VLNDisableDefaultExportToExcel"));
}

void Lorvanev2::setVLNDateDelimeter(const QString& value) {
    m_.VLNDateDelimeter = value;
    notifyChanged(QStringLiteral("VLNDateDelimeter"));
}

void Lorvanev2::setVLNLikeOperator(const QString& value) {
    m_.VLNLikeOperator = value;
    notifyChanged(QStringLiteral("VLNLikeOperator"));
}

void Lorvanev2::setVLNJoinTypesSupported(VLNJoinTypesEnum value) {
    m_.VLNJoinTypesSupported = value;
    notifyChanged(QStringLiteral("VLNJoinTypesSupported"));
}

void Lorvanev2::setVLNDataExportBtnCaption(const QString& value) {
    m_.VLNDataExportBtnCaption = value;
    notifyChanged(QStringLiteral("VLNDataExportBtnCaption"));
}

void Lorvanev2::setVLNHelpFileLocation(const QString& value) {
    m_.VLNHelpFileLocation = value;
    notifyChanged(QStringLiteral("VLNHelpFileLocation"));
}

void Lorvanev2::setVLNEnableUserHelp(bool value) {
    m_.VLNEnableUserHelp = value;
    notifyChanged(QStringLiteral("VLNEnableUserHelp"));
}

void Lorvanev2::setVLNAutoJoinForeignKeys(bool value) {
    m_.VLNAutoJoinForeignKeys = value;
    notifyChanged(QStringLiteral("VLNAutoJoinForeignKeys"));
}

void Lorvanev2::setVLNAllowOpenSavedQuery(bool value) {
    m_.VLNAllowOpenSavedQuery = value;
    notifyChanged(QStringLiteral("VLNAllowOpenSavedQuery"));
}
void Lorvanev2::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (event->size() != kFixedSize)
        resize(kFixedSize);
}

void Lorvanev2::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(1, 1, -1, -1);
    p.setPen(QPen(palette().color(QPalette::Dark), 1));
    p.setBrush(palette().color(QPalette::Base));
    p.drawRoundedRect(r, 4, 4);
    QFont f = font();
    f.setBold(true);
    f.setPixelSize(10);
    p.setFont(f);
    p.setPen(palette().color(QPalette::Text));
    p.drawText(r, Qt::AlignCenter, QStringLiteral("SQL"));
}

}  // namespace lorvane
