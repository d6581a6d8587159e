// Saved queries as an end user and a host meet them: saving through the window, the open
// exchange through the host, opening on a chosen file, deleting, and queries that cannot be
// opened.
#include "builder/BuilderFixture.h"
#include "builder/QueryPage.h"
#include "platform/DurableFile.h"
#include "platform/RecordSet.h"
#include "shared/BuilderSettings.h"
#include "shared/clsField.h"

#include <QDir>
#include <QTemporaryDir>
#include <sqlite3.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace lorvane;
using lorvane::test::CriteriaPage;

namespace {

QStringList filesIn(const QString& dir) {
    return QDir(dir).entryList(QDir::Files, QDir::Name);
}

// SQLITE_OK when the sample database accepts sql, prepared without running it; else its message.
QString prepareOnSample(const QString& sql) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(test::sampleDatabasePath().toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* stmt = nullptr;
    const int rc = sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &stmt, nullptr);
    const QString outcome = rc == SQLITE_OK ? QStringLiteral("SQLITE_OK") : QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return outcome;
}

QStringList rowsOf(const QSignalSpy& executed) {
    if (executed.isEmpty())
        return {};
    return test::rowsOf(executed.last()[3].value<std::shared_ptr<RecordSet>>().get());
}

}  // namespace

class SavedQueries : public CriteriaPage {
protected:
    // Orders with one criterion, saved at path through the Save command.
    QString buildAndSave(const QString& path) {
        openOn("Orders");
        field("ShipCity");
        op("=");
        value(1, "Lyon");
        click("cmdCommit");
        option(QueryPage::Order);
        field("Freight");
        op("DESC");
        click("cmdCommit");
        prompts->choose(path);
        click("cmdSaveQuery");
        return sqlText();
    }
    QStringList runRows() {
        executed->clear();
        click("cmdRunQuery");
        EXPECT_EQ(executed->count(), 1);
        return rowsOf(*executed);
    }
    QTemporaryDir dir;
    // Context of the test's own connections to the component: they end with the test body,
    // before the fixture closes the window.
    std::unique_ptr<QObject> listeningScope = std::make_unique<QObject>();
    QObject& listening = *listeningScope;
    void TearDown() override {
        listeningScope.reset();
        CriteriaPage::TearDown();
    }
};

TEST_F(SavedQueries, SavingTellsTheHostAndTheOpenExchangeBringsTheSameQueryBack) {
    QSignalSpy saved(component.get(), &Lorvanev2::QuerySaved);
    QSignalSpy savedSql(component.get(), &Lorvanev2::SavedQuerySQL);
    const QString path = dir.filePath("lyon.vln");

    // Cancelling the dialog writes nothing and tells nothing.
    openOn("Orders");
    prompts->cancel();
    click("cmdSaveQuery");
    EXPECT_EQ(prompts->records().back().kind, ScriptedPrompts::Record::Kind::SaveFile);
    EXPECT_EQ(prompts->records().back().text, "Save Query");
    EXPECT_EQ(prompts->records().back().title, "vln (*.vln)");
    EXPECT_TRUE(filesIn(dir.path()).isEmpty());
    EXPECT_EQ(saved.count(), 0);
    prompts->answer(Prompts::Answer::No);
    w->close();

    const QString shown = buildAndSave(path);
    ASSERT_EQ(saved.count(), 1);
    EXPECT_EQ(saved.first()[0].toString(), path);
    ASSERT_EQ(savedSql.count(), 1);
    EXPECT_EQ(savedSql.first()[0].toString(), QString(shown).replace("\n", " ").replace("  ", " "));
    EXPECT_FALSE(savedSql.first()[0].toString().contains(u'\n'));
    EXPECT_EQ(filesIn(dir.path()), (QStringList{"lyon.vln", "lyonrsJoinTable.dat", "lyonrsOrderBy.dat",
                                                "lyonrsQueryValues.dat", "lyonrsWhere.dat"}));
    const QStringList rows = runRows();
    ASSERT_FALSE(rows.isEmpty());

    // The host answers OpenSavedQuery as a host should: connect on the query, show again.
    std::vector<QString> order;
    QObject::connect(component.get(), &Lorvanev2::VLNUnloaded, &listening, [&order] { order.push_back("VLNUnloaded"); });
    QObject::connect(component.get(), &Lorvanev2::OpenSavedQuery, &listening, [&] {
        order.push_back("OpenSavedQuery");
        openOnQuery(path);
    });
    // Unchanged since it was saved: opening asks nothing.
    const auto asked = prompts->records().size();
    click("cmdOpenQuery");
    EXPECT_EQ(prompts->records().size(), asked);
    EXPECT_EQ(order, (std::vector<QString>{"VLNUnloaded", "OpenSavedQuery"}));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(sqlText(), shown);
    EXPECT_EQ(items("lstTPXTableTo"), QStringList{"Orders"});
    EXPECT_FALSE(items("lstTPXTableSelection").contains("Orders"));
    EXPECT_TRUE(w->tabs()->isTabEnabled(frmQDM::BuildQuery));
    EXPECT_EQ(runRows(), rows);
}

TEST_F(SavedQueries, OpeningWithoutAQueryNameAsksForOneAndCancelLeavesTheWindowEmpty) {
    const QString path = dir.filePath("q.vln");
    const QString shown = buildAndSave(path);
    component->VLNCloseLorvane(false);

    prompts->cancel();
    openOnQuery(QString());
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(prompts->records().back().kind, ScriptedPrompts::Record::Kind::OpenFile);
    EXPECT_EQ(prompts->records().back().text, "Open Saved Query");
    EXPECT_TRUE(items("lstTPXTableTo").isEmpty());
    component->VLNCloseLorvane(false);

    prompts->choose(path);
    openOnQuery(QString());
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(sqlText(), shown);
}

TEST_F(SavedQueries, CancelOnTheOpenPromptKeepsTheQueryAndWithoutSavingThereIsNoPrompt) {
    QSignalSpy open(component.get(), &Lorvanev2::OpenSavedQuery);
    openOn("Orders");
    const QString shown = sqlText();
    prompts->answer(Prompts::Answer::Cancel);
    click("cmdOpenQuery");
    EXPECT_EQ(Lorvanev2::builderWindow(), w);
    EXPECT_EQ(sqlText(), shown);
    EXPECT_EQ(open.count(), 0);
    // A plain close afterwards asks the close question, not the open one.
    prompts->answer(Prompts::Answer::Cancel);
    click("cmdExit");
    EXPECT_TRUE(prompts->records().back().text.startsWith("You have chosen to close"));
    component->VLNCloseLorvane(false);

    component->setVLNAllowSaveDeleteQuery(false);
    openOn("Orders");
    EXPECT_FALSE(enabled("cmdSaveQuery"));
    EXPECT_FALSE(enabled("cmdDeleteQuery"));
    const auto asked = prompts->records().size();
    std::vector<QString> order;
    QObject::connect(component.get(), &Lorvanev2::VLNUnloaded, &listening, [&order] { order.push_back("VLNUnloaded"); });
    QObject::connect(component.get(), &Lorvanev2::OpenSavedQuery, &listening, [&order] { order.push_back("OpenSavedQuery"); });
    click("cmdOpenQuery");
    EXPECT_EQ(prompts->records().size(), asked);
    EXPECT_EQ(order, (std::vector<QString>{"VLNUnloaded", "OpenSavedQuery"}));
    EXPECT_EQ(Lorvanev2::builderWindow(), nullptr);
}

TEST_F(SavedQueries, AQueryThatCannotBeOpenedClosesTheWindowAndTellsTheHostWhy) {
    QStringList reported;
    QObject::connect(component.get(), &Lorvanev2::VLNUnloaded, &listening,
                     [&reported](const QString& error) { reported << error; });
    const QString missing = dir.filePath("missing.vln");
    openOnQuery(missing);
    EXPECT_EQ(Lorvanev2::builderWindow(), nullptr);
    ASSERT_EQ(prompts->records().size(), 1);  // the message only: no question about saving
    EXPECT_EQ(prompts->records()[0].text, "Query  " + missing +
                                              "  can not be found at the specified location.\n"
                                              "The file may be missing or corrupt.");
    EXPECT_EQ(prompts->records()[0].title, "Error Opening Query : " + missing);
    EXPECT_EQ(prompts->records()[0].icon, Prompts::Icon::Critical);
    ASSERT_EQ(reported.size(), 1);
    EXPECT_EQ(reported[0], "Query " + missing +
                               " can not be found at the specified location.The file may be missing or corrupt.");
    EXPECT_TRUE(BuilderSettings::shared().QueryLoadError.isEmpty());

    // A query whose data file went missing is refused the same way.
    const QString path = dir.filePath("q.vln");
    buildAndSave(path);
    component->VLNCloseLorvane(false);
    ASSERT_TRUE(QFile::remove(dir.filePath("qrsOrderBy.dat")));
    prompts->clear();
    openOnQuery(path);
    EXPECT_EQ(Lorvanev2::builderWindow(), nullptr);
    ASSERT_EQ(prompts->records().size(), 1);
    EXPECT_EQ(prompts->records()[0].title, "Error Opening Query : " + path);

    // The component is still usable: a plain show works.
    reset();
    connectAndShow();
    EXPECT_NE(Lorvanev2::builderWindow(), nullptr);
}

TEST_F(SavedQueries, DeletingAsksFirstAndNoOrCancelDeletesNothing) {
    QSignalSpy deleted(component.get(), &Lorvanev2::QueryDeleted);
    const QString path = dir.filePath("gone.vln");
    buildAndSave(path);
    const QStringList files = filesIn(dir.path());
    ASSERT_EQ(files.size(), 5);

    prompts->cancel();
    click("cmdDeleteQuery");
    EXPECT_EQ(prompts->records().back().text, "Delete Query");
    EXPECT_EQ(filesIn(dir.path()), files);
    prompts->choose(path);
    prompts->answer(Prompts::Answer::No);
    click("cmdDeleteQuery");
    EXPECT_EQ(prompts->records().back().text, "Please confirm that you wish to delete Query: " + path);
    EXPECT_EQ(prompts->records().back().buttons, Prompts::Buttons::YesNo);
    EXPECT_EQ(filesIn(dir.path()), files);
    EXPECT_EQ(deleted.count(), 0);
    prompts->choose(path);
    prompts->answer(Prompts::Answer::Yes);
    click("cmdDeleteQuery");
    ASSERT_EQ(deleted.count(), 1);
    EXPECT_EQ(deleted.first()[0].toString(), path);
    EXPECT_TRUE(filesIn(dir.path()).isEmpty());
}

TEST_F(SavedQueries, AFieldNameWithDotsSplitsAtTheFirstDot) {
    const QString path = dir.filePath("dots.vln");
    buildAndSave(path);
    component->VLNCloseLorvane(false);
    // As another host may have written it: a field whose name holds dots.
    RecordSet values;
    values.OpenFile(dir.filePath("dotsrsQueryValues.dat"));
    values.AddNew();
    values.SetValue(QStringLiteral("Fields"), QStringLiteral("Orders.Ship.Via"));
    values.Update();
    values.Save(dir.filePath("dotsrsQueryValues.dat"));
    openOnQuery(path);
    ASSERT_NE(w, nullptr);
    bool found = false;
    for (const auto& e : clsField::shared().entries())
        found = found || (e.tableName == "Orders" && e.fieldName == "Ship.Via");
    EXPECT_TRUE(found);
    EXPECT_TRUE(w->state().FieldList().contains("Orders.Ship.Via"));
}

TEST_F(SavedQueries, ANameWithoutTheExtensionGetsItAndASaveTheDiskRefusesSaysWhyAndTellsTheHostNothing) {
    QSignalSpy saved(component.get(), &Lorvanev2::QuerySaved);
    ASSERT_TRUE(QDir(dir.path()).mkdir("reports"));
    const QString folder = dir.filePath("reports");
    const QString chosen = folder + "/sales.2024";
    const QString shown = buildAndSave(chosen);
    ASSERT_EQ(saved.count(), 1);
    EXPECT_EQ(saved.first()[0].toString(), chosen + ".vln");
    EXPECT_EQ(filesIn(dir.path()), QStringList());  // nothing beside the chosen folder
    EXPECT_EQ(filesIn(folder), (QStringList{"sales.2024.vln", "sales.2024rsJoinTable.dat", "sales.2024rsOrderBy.dat",
                                            "sales.2024rsQueryValues.dat", "sales.2024rsWhere.dat"}));

    // The disk is full: the user is told why, the host hears of no saved query.
    DurableFile::setFaultInjector([](std::string_view operation, const QString&) {
        return operation == "write" ? ENOSPC : 0;
    });
    prompts->clear();
    prompts->choose(chosen + ".vln");
    click("cmdSaveQuery");
    DurableFile::setFaultInjector({});
    EXPECT_EQ(saved.count(), 1);
    ASSERT_FALSE(prompts->records().isEmpty());
    const auto& told = prompts->records().back();
    EXPECT_EQ(told.icon, Prompts::Icon::Critical);
    EXPECT_TRUE(told.text.contains("No space left on device")) << told.text.toStdString();
    EXPECT_TRUE(told.text.contains("unchanged")) << told.text.toStdString();
    EXPECT_EQ(filesIn(folder).size(), 5);

    component->VLNCloseLorvane(false);
    openOnQuery(chosen + ".vln");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(sqlText(), shown);

    // A FIFO in place of a data file: refused at once, the window does not hang on it.
    component->VLNCloseLorvane(false);
    ASSERT_TRUE(QFile::remove(folder + "/sales.2024rsOrderBy.dat"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder + "/sales.2024rsOrderBy.dat").constData(), 0600), 0);
    prompts->clear();
    alarm(60);  // a hang fails the test instead of stalling the run
    openOnQuery(chosen + ".vln");
    alarm(0);
    EXPECT_EQ(Lorvanev2::builderWindow(), nullptr);
    ASSERT_EQ(prompts->records().size(), 1);
    EXPECT_EQ(prompts->records()[0].title, "Error Opening Query : " + chosen + ".vln");
}

TEST_F(SavedQueries, AReopenedQueryOffersItsOwnFieldsWithTheirOperators) {
    // Orders joined with Customers, every field out, saved.
    connectAndShow();
    addTable("Orders");
    addTable("Customers");
    joinOnPage("Orders", "Customers");
    goToPage(frmQDM::SelectFields);
    click("cmdTPXFieldRightAll");
    goToPage(frmQDM::BuildQuery);
    const QStringList offered = items("lstSelectedFields");
    const QStringList operators = items("lstOperands");
    ASSERT_EQ(offered.size(), 9 + 7);  // the fields of Orders, then those of Customers
    ASSERT_EQ(operators.value(0), "=");
    const QString path = dir.filePath("customers.vln");
    prompts->choose(path);
    click("cmdSaveQuery");

    // Opened again through the host's answer to the open exchange.
    QObject::connect(component.get(), &Lorvanev2::OpenSavedQuery, &listening, [&] { openOnQuery(path); });
    prompts->answer(Prompts::Answer::No);
    click("cmdOpenQuery");
    ASSERT_NE(w, nullptr);
    goToPage(frmQDM::BuildQuery);
    // Only the query's fields, not those of every catalogue table; the operators are there at once.
    EXPECT_EQ(items("lstSelectedFields"), offered);
    EXPECT_FALSE(items("lstSelectedFields").contains("CategoryID"));
    EXPECT_EQ(items("lstOperands"), operators);

    field("Country");
    EXPECT_EQ(find<QListWidget>("lstSelectedFields")->toolTip(), "Customers.Country");
    op("=");
    value(1, "France");
    click("cmdCommit");
    EXPECT_EQ(criteriaLines(), "WHERE (Customers.Country = 'France')");
    EXPECT_EQ(prepareOnSample(sqlText()), "SQLITE_OK") << sqlText().toStdString();
    const QStringList rows = runRows();
    EXPECT_FALSE(rows.isEmpty());
}
