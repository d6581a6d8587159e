#pragma once

#include "platform/Prompts.h"
#include "platform/RecordSet.h"
#include "shared/QueryState.h"

#include <QWidget>
#include <functional>
#include <memory>

class QLabel;
class QPushButton;
class QTabWidget;
class QStatusBar;

namespace lorvane {

class FieldPage;
class QueryFileCommands;
class JoinPage;
class QueryPage;
class ResultsPage;
class TablePage;

// The builder window: five pages in TabQDM (tables, joins, fields, query, results), the status
// bar stbVLN, and the window commands. Everything it needs it reads from BuilderSettings;
// what the user does reaches the host through SharedBridge.
class frmQDM : public QWidget {
    Q_OBJECT
public:
    enum Page { SelectTables = 0, BuildJoins = 1, SelectFields = 2, BuildQuery = 3, QueryResults = 4 };

    explicit frmQDM(std::shared_ptr<Prompts> prompts, QWidget* parent = nullptr);
    ~frmQDM() override;

    // Load steps 1 to 15; a failure shows a message and closes the window again.
    void load();
    // Unloads at once, without asking to save (the component is going away).
    void unloadNow();
    // True once the window has unloaded (it is deleted soon after).
    bool isUnloaded() const { return unloaded_; }

    QueryState& state() { return state_; }
    Prompts& prompts() { return *prompts_; }
    QTabWidget* tabs() const { return tabs_; }
    TablePage* tablePage() const { return tablePage_; }
    JoinPage* joinPage() const { return joinPage_; }
    FieldPage* fieldPage() const { return fieldPage_; }
    QueryPage* queryPage() const { return queryPage_; }
    ResultsPage* resultsPage() const { return resultsPage_; }
    QueryFileCommands* queryFiles() const { return queryFiles_; }

    // The saved query commands' dialogs and file deletion (see QueryFileCommands).
    bool SaveFile();
    bool OpenFile();
    void DeleteQuery();
    // Brings what the page now showing holds (tables, joins, output fields) into the query and
    // its statement, as leaving the page does; false, after saying why, when there is no query
    // to save yet (no table chosen).
    bool settleCurrentPage();
    // cmdSaveQuery is available only while the query has a table.
    void enableSave(bool anyTable);

    // The title names the query last saved or opened: "caption - name".
    void showQueryName(const QString& path);

    void SetStatusText(const QString& text);
    QString statusText() const;
    QString caption() const;
    // A message box titled with the window caption.
    Prompts::Answer message(const QString& text, Prompts::Icon icon, Prompts::Buttons buttons = Prompts::Buttons::Ok,
                            int defaultButton = 0);

    // Shows the statement text in txtSQL, coloured.
    void showStatement();
    void setPagesEnabled(std::initializer_list<int> pages, bool enabled);
    // The joins changed on the join page: the statement follows at once.
    void regenerateAfterJoins();

    // The command that saves the current query (true when it was saved). Closing offers to
    // save only while one is set: a Yes must never close without saving.
    void setSaveCommand(std::function<bool()> save) { saveCommand_ = std::move(save); }

    bool tablesChanged = false;
    QStringList removedTables;
    // Views created while the window is open (their quoted names).
    QStringList createdViews;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    std::shared_ptr<Prompts> prompts_;
    QueryState state_;
    QTabWidget* tabs_;
    QLabel* status_;
    TablePage* tablePage_;
    JoinPage* joinPage_;
    FieldPage* fieldPage_;
    QueryPage* queryPage_;
    ResultsPage* resultsPage_;
    QueryFileCommands* queryFiles_;
    int currentPage_ = 0;
    bool unloaded_ = false;
    bool regenerating_ = false;
    std::function<bool()> saveCommand_;

    void applyCaptionsAndLabelLook();
    void pageChanged(int newIndex);
    bool applyPageChanges(int page);
    bool allowClose();
    void unload();
    void destroyStep();
    void openHelp();
    // Puts the window where the last one stood (or centred), wholly on that screen.
    void placeOnScreen();
    bool placed_ = false;
};

}  // namespace lorvane
