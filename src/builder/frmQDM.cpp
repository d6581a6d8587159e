#include "frmQDM.h"

#include "BuilderWidgets.h"
#include "BusyCursor.h"
#include "FieldPage.h"
#include "HelpWindow.h"
#include "JoinPage.h"
#include "shared/MessageCatalogue.h"
#include "QueryFileCommands.h"
#include "QueryPage.h"
#include "ResultsPage.h"
#include "TablePage.h"
#include "shared/BuilderSettings.h"
#include "shared/clsBridge.h"
#include "shared/clsField.h"
#include "shared/clsFunctions.h"
#include "platform/OleColor.h"
#include "platform/VLNError.h"
#include "query/Statement.h"
#include "storage/DatabaseView.h"
#include "storage/SavedQuery.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCursor>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QSet>
#include <QTabWidget>
#include <QTextEdit>
#include <QVBoxLayout>

namespace lorvane {

namespace {

// Criteria on a calculated field are written by the type its expression gives, and values of
// types the builder has no literal for are checked: only the open database can tell either.
void installResultTyper() {
    clsField& fields = clsField::shared();
    if (fields.hasResultTyper())
        return;
    fields.setResultTyper([](const QString& statement) {
        const std::shared_ptr<Connection> connection = BuilderSettings::shared().ActiveConnection;
        if (!connection || !connection->IsOpen() || !connection->ReadOnlyRefusal(statement).isEmpty())
            return 0;
        return DatabaseView::FirstColumnType(*connection, statement);
    });
    fields.setStatementChecker([](const QString& statement) {
        const std::shared_ptr<Connection> connection = BuilderSettings::shared().ActiveConnection;
        if (!connection || !connection->IsOpen() || !connection->ReadOnlyRefusal(statement).isEmpty())
            return QString();
        return DatabaseView::WhyItDoesNotRun(*connection, statement);
    });
}

}  // namespace

frmQDM::frmQDM(std::shared_ptr<Prompts> prompts, QWidget* parent)
    : QWidget(parent, Qt::Window), prompts_(std::move(prompts)) {
    setObjectName(QStringLiteral("frmQDM"));
    installResultTyper();
    setAttribute(Qt::WA_DeleteOnClose, false);
    auto* layout = new QVBoxLayout(this);
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("TabQDM"));
    tablePage_ = new TablePage(*this);
    joinPage_ = new JoinPage(*this);
    fieldPage_ = new FieldPage(*this);
    queryPage_ = new QueryPage(*this);
    resultsPage_ = new ResultsPage(*this);
    const std::pair<QWidget*, int> pages[] = {
        {tablePage_, 129}, {joinPage_, 130}, {fieldPage_, 131}, {queryPage_, 132}, {resultsPage_, 133}};
    for (const auto& [page, caption] : pages)
        tabs_->addTab(page, MessageCatalogue::text(caption));
    layout->addWidget(tabs_, 1);

    queryFiles_ = new QueryFileCommands(*this);
    auto* commands = new QHBoxLayout;
    auto* help = commandButton(this, "cmdHelp", QStringLiteral("Help"));
    auto* exit = commandButton(this, "cmdExit", QStringLiteral("Close"));
    auto* openQuery = commandButton(this, "cmdOpenQuery", QStringLiteral("&Open"));
    auto* saveQuery = commandButton(this, "cmdSaveQuery", QStringLiteral("&Save "), 232);
    auto* deleteQuery = commandButton(this, "cmdDeleteQuery", QStringLiteral("&Delete"), 233);
    openQuery->setToolTip(QStringLiteral("Open a saved query"));
    saveQuery->setToolTip(QStringLiteral("Save the query"));
    deleteQuery->setToolTip(QStringLiteral("Delete a saved query"));
    commands->addWidget(help);
    commands->addStretch();
    for (QPushButton* b : {openQuery, saveQuery, deleteQuery})
        commands->addWidget(b);
    commands->addWidget(exit);
    layout->addLayout(commands);
    // Tab reads the row of commands as it is laid out, left to right.
    QWidget::setTabOrder(help, openQuery);
    QWidget::setTabOrder(openQuery, saveQuery);
    QWidget::setTabOrder(saveQuery, deleteQuery);
    QWidget::setTabOrder(deleteQuery, exit);
    auto* statusBar = new QStatusBar(this);
    statusBar->setObjectName(QStringLiteral("stbVLN"));
    status_ = new QLabel(statusBar);
    status_->setObjectName(QStringLiteral("stbVLNPanel1"));
    // A long message is cut at the window's edge (its whole text is the tooltip) rather than
    // widening the window past the size the user or host gave it.
    status_->setMinimumWidth(1);
    status_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    statusBar->addWidget(status_, 1);
    layout->addWidget(statusBar);
    resize(760, 560);

    connect(exit, &QPushButton::clicked, this, &QWidget::close);
    connect(help, &QPushButton::clicked, this, &frmQDM::openHelp);
    connect(openQuery, &QPushButton::clicked, queryFiles_, &QueryFileCommands::open);
    connect(saveQuery, &QPushButton::clicked, queryFiles_, &QueryFileCommands::save);
    connect(deleteQuery, &QPushButton::clicked, queryFiles_, &QueryFileCommands::remove);
    // Closing offers to save with the window's own save command.
    saveCommand_ = [this] { return queryFiles_->save(); };
    connect(tabs_, &QTabWidget::currentChanged, this, &frmQDM::pageChanged);
}

frmQDM::~frmQDM() = default;

QString frmQDM::caption() const {
    return BuilderSettings::shared().VLNRunTimeControlCaption;
}

void frmQDM::showQueryName(const QString& path) {
    QString name = SavedQuery::fileNameOf(path);
    if (name.endsWith(QStringLiteral(".vln"), Qt::CaseInsensitive))
        name.chop(4);
    setWindowTitle(name.isEmpty() ? caption() : caption() + QStringLiteral(" - ") + name);
}

void frmQDM::SetStatusText(const QString& text) {
    status_->setText(text);
    status_->setToolTip(text);
}

QString frmQDM::statusText() const {
    return status_->text();
}

Prompts::Answer frmQDM::message(const QString& text, Prompts::Icon icon, Prompts::Buttons buttons, int defaultButton) {
    return prompts_->message({text, caption(), icon, buttons, defaultButton});
}

bool frmQDM::SaveFile() {
    return queryFiles_->SaveFile();
}

bool frmQDM::OpenFile() {
    return queryFiles_->OpenFile();
}

void frmQDM::DeleteQuery() {
    queryFiles_->DeleteQuery();
}

void frmQDM::enableSave(bool anyTable) {
    findChild<QPushButton*>(QStringLiteral("cmdSaveQuery"))
        ->setEnabled(anyTable && BuilderSettings::shared().VLNAllowSaveDeleteQuery);
}

void frmQDM::showStatement() {
    queryPage_->showStatement();
}

void frmQDM::setPagesEnabled(std::initializer_list<int> pages, bool enabled) {
    for (int page : pages)
        tabs_->setTabEnabled(page, enabled);
}

void frmQDM::applyCaptionsAndLabelLook() {
    const BuilderSettings& s = BuilderSettings::shared();
    const QColor back = oleColorToQColor(static_cast<quint32>(s.VLNLabelBackColor), palette());
    const QColor fore = oleColorToQColor(static_cast<quint32>(s.VLNLabelForeColor), palette());
    static const QStringList kPlainLabels{"lblQuestionMark", "lblJoinType", "lblSave", "lblDelete", "lblReset"};
    auto look = [&](QWidget* w) {
        // A check box fills its background with the Button role and may draw its caption
        // with ButtonText: both get the label colours, or a light caption lands on a light
        // button face.
        QPalette p = w->palette();
        for (const QPalette::ColorRole role : {QPalette::Window, QPalette::Button})
            p.setColor(role, back);
        for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText})
            p.setColor(role, fore);
        w->setPalette(p);
        w->setAutoFillBackground(true);
        w->setFont(s.VLNLabelFont);
    };
    for (QLabel* label : findChildren<QLabel*>())
        if (!kPlainLabels.contains(label->objectName()) && label != status_)
            look(label);
    for (QCheckBox* check : findChildren<QCheckBox*>())
        if (check->objectName() != u"chkLockJoinTables")
            look(check);
    // Captions by tag from the message catalogue.
    applyCatalogueCaptions(this, 234);
}

void frmQDM::load() {
    BuilderSettings& s = BuilderSettings::shared();
    try {
        s.BuilderLoaded = true;
        s.ShowSaveMsg = true;
        setWindowTitle(caption());
        if (s.VLNRunTimeControlIcon && !s.VLNRunTimeControlIcon->isNull())
            setWindowIcon(*s.VLNRunTimeControlIcon);
        queryPage_->placeCreateView(s.VLNAllowCreateView);
        findChild<QWidget*>(QStringLiteral("cmdHelp"))->setVisible(s.VLNEnableUserHelp);
        findChild<QWidget*>(QStringLiteral("fraExcel"))->setVisible(s.VLNEnableDataExportButton);
        findChild<QWidget*>(QStringLiteral("cmdOpenQuery"))->setEnabled(s.VLNAllowOpenSavedQuery);
        findChild<QWidget*>(QStringLiteral("cmdSaveQuery"))->setEnabled(s.VLNAllowSaveDeleteQuery);
        findChild<QWidget*>(QStringLiteral("cmdDeleteQuery"))->setEnabled(s.VLNAllowSaveDeleteQuery);
        SetStatusText(QStringLiteral("Ready .."));
        const QStringList tables = s.TableList ? *s.TableList : QStringList();
        tablePage_->fillAvailable(tables);
        applyCaptionsAndLabelLook();
        state_.createTables();

        if (s.OpenQuery) {
            queryFiles_->load();
            if (!s.QueryLoadError.isEmpty()) {
                close();
                return;
            }
            queryPage_->applyOptionAvailability(!state_.TableList().isEmpty());
            queryPage_->enableRun(true);
            setPagesEnabled({BuildJoins}, state_.TableList().size() > 1);
        } else if (!s.VLNAllowTableSelection) {
            // The host fixed the tables: they are the query's tables from the start.
            state_.SelectedTables = tables;
            tablePage_->rebuildFieldLists();
            Statement(state_, clsField::shared()).Regenerate(Statement::Change::TablesChanged);
            queryPage_->refreshAfterTableChange();
            queryPage_->applyOptionAvailability(!state_.TableList().isEmpty());
        } else {
            // No table is chosen yet: the query's table and field lists start empty, not as
            // the whole catalogue the window offers.
            state_.TableList().clear();
            state_.FieldList().clear();
            tablePage_->pageAvailability(false, state_.JoinText);
        }
        if (!s.OpenQuery)
            tablePage_->singleTableRule();
        if (s.VLNAllowTableSelection && !s.OpenQuery)
            queryPage_->applyOptionAvailability(false);
        // MariaDB and MySQL have no FULL OUTER JOIN: the join page does not offer it there.
        const bool fullOuter = s.dialect().kind != SqlDialect::Kind::MariaDB;
        joinPage_->fillJoinTypes(s.VLNJoinTypesSupported == 0 && !fullOuter ? 1 : s.VLNJoinTypesSupported);
        findChild<QPushButton*>(QStringLiteral("cmdExcel"))->setText(s.VLNDataExportBtnCaption);
        const bool connected = s.ActiveConnection && !s.ActiveConnection->ConnectionString().isEmpty();
        if (!connected) {
            setPagesEnabled({QueryResults}, false);
            queryPage_->placeCreateView(false);
            s.VLNShowQueryResults = false;
        }
        queryPage_->refreshLists();
        Statement(state_, clsField::shared()).RebuildStatement();
        showStatement();
        queryPage_->enableRun(!state_.StatementText.trimmed().isEmpty());
        if (!s.CatalogueNote.isEmpty())
            SetStatusText(QStringLiteral("Ready .. ") + s.CatalogueNote);
        // What the window opened with (nothing, the host's tables, a saved query) is no change.
        queryFiles_->markUnchanged();
    } catch (const std::exception& e) {
        const QString why = dynamic_cast<const VLNError*>(&e) ? static_cast<const VLNError&>(e).description()
                                                              : QString::fromUtf8(e.what());
        prompts_->message({QStringLiteral("Internal Error unable to load ") + u'\n' + why,
                           QStringLiteral("Internal Control Error"), Prompts::Icon::Critical, Prompts::Buttons::Ok, 0});
        s.ComponentTerminating = true;
        close();
    }
}

void frmQDM::pageChanged(int newIndex) {
    const int left = currentPage_;
    currentPage_ = newIndex;
    if (unloaded_)
        return;
    BusyCursor busy;
    installResultTyper();
    try {
        if (left == BuildQuery)
            queryPage_->leavePage();
        else
            applyPageChanges(left);
        queryPage_->enableRun(!state_.StatementText.trimmed().isEmpty());
        joinPage_->resetToUnlocked();
        if (BuilderSettings::shared().VLNAllowTableSelection)
            queryPage_->applyOptionAvailability(!tablePage_->selectedTables().isEmpty());
    } catch (const VLNError&) {
        // A failing step leaves the pages as they are; the statement shows what the buffers hold.
    }
}

bool frmQDM::applyPageChanges(int page) {
    Statement statement(state_, clsField::shared());
    switch (page) {
    case SelectTables:
        resultsPage_->clearResults();
        if (tablesChanged) {
            tablesChanged = false;
            const QStringList before = state_.TableList();
            if (!tablePage_->rebuildFieldLists() || state_.FieldList().isEmpty())
                return false;
            const QSet<QString> had(before.cbegin(), before.cend());
            QStringList added = state_.TableList();
            added.removeIf([&had](const QString& t) { return had.contains(t); });
            joinPage_->proposeForeignKeyJoins(added);
            fieldPage_->captureOutputList();
            statement.Regenerate(Statement::Change::TablesChanged);
            queryPage_->refreshAfterTableChange();
            showStatement();
        }
        break;
    case BuildJoins:
    case SelectFields:
        resultsPage_->clearResults();
        fieldPage_->captureOutputList();
        statement.Regenerate(page == SelectFields ? Statement::Change::OutputFieldsChanged
                                                  : Statement::Change::JoinsChanged);
        showStatement();
        break;
    default:
        break;
    }
    return true;
}

void frmQDM::regenerateAfterJoins() {
    if (unloaded_ || regenerating_)
        return;
    regenerating_ = true;
    try {
        resultsPage_->clearResults();
        fieldPage_->captureOutputList();
        Statement(state_, clsField::shared()).Regenerate(Statement::Change::JoinsChanged);
        showStatement();
        queryPage_->enableRun(!state_.StatementText.trimmed().isEmpty());
    } catch (const VLNError&) {
        // The statement shows what the buffers hold.
    }
    regenerating_ = false;
}

bool frmQDM::settleCurrentPage() {
    // What the page holds is what the user saves: the tables, joins or fields chosen on it
    // reach the query state and the statement as leaving the page would take them there.
    if (unloaded_ || currentPage_ == BuildQuery || currentPage_ == QueryResults)
        return true;
    if (currentPage_ == SelectTables && tablesChanged && tablePage_->selectedTables().isEmpty()) {
        message(QStringLiteral("The query has no table. Choose its tables, then save it."), Prompts::Icon::Information);
        return false;
    }
    BusyCursor busy;
    bool applied = true;
    try {
        // False when the tables could not become the query's (a table without fields, said).
        applied = applyPageChanges(currentPage_);
        queryPage_->enableRun(!state_.StatementText.trimmed().isEmpty());
    } catch (const VLNError&) {
    }
    return applied;
}

bool frmQDM::allowClose() {
    BuilderSettings& s = BuilderSettings::shared();
    // Nothing to lose (an empty query, or one as it was saved or opened): no question.
    if (s.ComponentTerminating || !s.VLNAllowSaveDeleteQuery || !s.ShowSaveMsg || !saveCommand_ ||
        !queryFiles_->worthSaving()) {
        s.ComponentTerminating = false;
        return true;
    }
    const QString text = s.OpenSavedQueryRequested
                             ? QStringLiteral("You have chosen to Open a Saved Query.") + u'\n' +
                                   QStringLiteral("Do you want to save the current query before Opening the Saved Query ?")
                             : MessageCatalogue::text(211) + u' ' + caption() + u'.' + u'\n' + MessageCatalogue::text(212);
    switch (message(text, Prompts::Icon::Question, Prompts::Buttons::YesNoCancel)) {
    case Prompts::Answer::Yes:
        // Nothing is lost: when the query was not saved after all, the window stays.
        if (saveCommand_())
            return true;
        s.OpenSavedQueryRequested = false;
        return false;
    case Prompts::Answer::Cancel:
        s.OpenSavedQueryRequested = false;
        return false;
    default:
        return true;
    }
}

void frmQDM::closeEvent(QCloseEvent* event) {
    if (unloaded_) {
        event->accept();
        return;
    }
    if (!allowClose()) {
        event->ignore();
        return;
    }
    unload();
    destroyStep();
    event->accept();
    deleteLater();
}

void frmQDM::unloadNow() {
    if (unloaded_)
        return;
    BuilderSettings::shared().ComponentTerminating = true;
    close();
}

void frmQDM::unload() {
    unloaded_ = true;
    BuilderSettings& s = BuilderSettings::shared();
    if (placed_)
        s.BuilderGeometry = geometry();
    // Closing to open a saved query: the connection stays open for it, so that a query saved on
    // the same database neither connects nor loads a large schema again. The host's next
    // connection, or the component's end, closes it.
    if (!s.OpenSavedQueryRequested) {
        try {
            if (s.ActiveConnection && s.ActiveConnection->IsOpen())
                s.ActiveConnection->Close();
        } catch (const VLNError&) {
        }
        s.ActiveConnection.reset();
    }
    s.TableSchema.reset();
    resultsPage_->clearResults();
    state_.releaseTables();
    s.TableList = std::make_shared<QStringList>();
    s.FieldList = std::make_shared<QStringList>();
    for (QString* text : {&state_.SelectText, &state_.FromText, &state_.WhereText, &state_.GroupByText,
                          &state_.HavingText, &state_.OrderByText, &state_.JoinText})
        text->clear();
    clsFunctions::shared().RemoveAll();
    s.BuilderLoaded = false;
    const QString loadError = s.QueryLoadError;
    clsBridge::SharedBridge().CloseVLN(loadError);
    s.QueryLoadError.clear();
}

void frmQDM::destroyStep() {
    if (BuilderSettings::shared().OpenSavedQueryRequested)
        clsBridge::SharedBridge().RaiseOpenQuery();
}

void frmQDM::showEvent(QShowEvent* event) {
    if (!placed_) {
        placed_ = true;
        placeOnScreen();
    }
    QWidget::showEvent(event);
}

void frmQDM::placeOnScreen() {
    const QRect last = BuilderSettings::shared().BuilderGeometry;
    QRect r = last.isValid() ? last : QRect(QPoint(), size());
    QScreen* where = last.isValid() ? QGuiApplication::screenAt(last.center()) : QGuiApplication::screenAt(QCursor::pos());
    if (!where)
        where = QGuiApplication::primaryScreen();
    if (!where)
        return;
    const QRect room = where->availableGeometry();
    // The frame the window manager adds is known once the window has been shown before.
    const QRect frame = frameGeometry();
    const QMargins edge(geometry().left() - frame.left(), geometry().top() - frame.top(),
                        frame.right() - geometry().right(), frame.bottom() - geometry().bottom());
    const QRect inner = room.marginsRemoved(edge);
    r.setSize(r.size().boundedTo(inner.size()).expandedTo(minimumSize()));
    if (!last.isValid())
        r.moveCenter(inner.center());
    r.moveLeft(std::clamp(r.left(), inner.left(), std::max(inner.left(), inner.right() + 1 - r.width())));
    r.moveTop(std::clamp(r.top(), inner.top(), std::max(inner.top(), inner.bottom() + 1 - r.height())));
    setGeometry(r);
}

void frmQDM::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const auto& results = resultsPage_->queryResults();
    if (!results || !results->IsOpen() || results->RecordCount() == 0)
        findChild<QPushButton*>(QStringLiteral("cmdExcel"))->setEnabled(false);
}

void frmQDM::openHelp() {
    const QString location = BuilderSettings::shared().VLNHelpFileLocation;
    // A host that left the help file at the component's default, which no install here has,
    // gets the user guide that comes with the package: in the desktop's browser, or else in a
    // help window of the builder's own.
    if (location == BuilderSettings().VLNHelpFileLocation && !QFileInfo::exists(location)) {
        const QString guide = HelpWindow::userGuide();
        if (!guide.isEmpty()) {
            if (!prompts_->openDocument(guide)) {
                auto* help = new HelpWindow(guide, caption(), this);
                help->show();
            }
            return;
        }
    }
    if (!prompts_->openDocument(location))
        prompts_->message({QStringLiteral("Unable to locate and open the Help File: ") + location,
                           QStringLiteral("Open Help file Error"), Prompts::Icon::Critical, Prompts::Buttons::Ok, 0});
}

}  // namespace lorvane
