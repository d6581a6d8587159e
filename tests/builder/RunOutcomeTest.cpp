// A run the database server ends by going away, part way through: the host hears of the
// failure through QueryExecuted, and the page shows it instead of the outcome of the run
// before; once the server is back, the next run works.
#include "builder/BuilderFixture.h"
#include "builder/QueryPage.h"
#include "builder/ResultsPage.h"
#include "platform/RecordSetModel.h"
#include "platform/RecordSet.h"
#include "platform/VLNError.h"
#include "support/PrivateServer.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

using namespace lorvane;
using lorvane::test::CriteriaPage;

class RunOutcome : public CriteriaPage {};

TEST_F(RunOutcome, TheServerGoingAwayMidRunIsAFailureTheHostAndThePageSee) {
    test::PrivateServer server(7);
    ASSERT_TRUE(server.ok());
    const QString pg = server.connectionString();
    // Rows that take as long as the gate says.
    ASSERT_NE(test::psqlCli(pg, "CREATE TABLE gate (d FLOAT); INSERT INTO gate VALUES (0);"
                                "CREATE VIEW slow AS SELECT g.d AS n FROM gate g, LATERAL pg_sleep(g.d) s;"),
              "<error>");
    openOn("slow", pg);
    click("cmdRunQuery");
    ASSERT_EQ(executed->count(), 1);
    EXPECT_EQ(executed->last()[0].toInt(), 0);
    auto* outcome = find<QTextEdit>("txtSQLErrors");
    EXPECT_TRUE(outcome->toPlainText().startsWith("Query Successful ... ")) << outcome->toPlainText().toStdString();
    EXPECT_TRUE(find<QPushButton>("cmdExcel")->isEnabled());

    // The next run waits on the server, which goes away while it does.
    ASSERT_NE(test::psqlCli(pg, "UPDATE gate SET d = 120;"), "<error>");
    goToPage(frmQDM::BuildQuery);
    QObject context;
    bool paused = false;
    QTimer::singleShot(500, &context, [&] { paused = server.pause(); });
    click("cmdRunQuery");
    ASSERT_TRUE(paused);
    ASSERT_EQ(executed->count(), 2);
    const auto failed = executed->last();
    EXPECT_NE(failed[0].toInt(), 0);
    EXPECT_FALSE(failed[1].toString().isEmpty());
    EXPECT_EQ(failed[2].toString(), "SELECT slow.n FROM slow ");
    const auto results = failed[3].value<std::shared_ptr<RecordSet>>();
    EXPECT_TRUE(!results || !results->IsOpen() || results->RecordCount() == 0);
    // The page: the failure in red words, no rows, nothing to sort or export.
    const QString shown = outcome->toPlainText();
    EXPECT_FALSE(shown.contains("Query Successful")) << shown.toStdString();
    EXPECT_TRUE(shown.startsWith("Unable to make a connection to the database.\n")) << shown.toStdString();
    EXPECT_TRUE(shown.contains(failed[1].toString())) << shown.toStdString();
    EXPECT_EQ(w->resultsPage()->model()->rowCount(), 0);
    EXPECT_FALSE(find<QPushButton>("cmdExcel")->isEnabled());
    EXPECT_FALSE(find<QPushButton>("cmdAsc")->isEnabled());
    EXPECT_TRUE(prompts->records().back().text.startsWith("Unable to make a connection to the database."));
    EXPECT_EQ(Lorvanev2::builderWindow(), w);

    // Back again: the next run works and says so.
    ASSERT_TRUE(server.resume());
    ASSERT_NE(test::psqlCli(pg, "UPDATE gate SET d = 0;"), "<error>");
    goToPage(frmQDM::BuildQuery);
    click("cmdRunQuery");
    ASSERT_EQ(executed->count(), 3);
    EXPECT_EQ(executed->last()[0].toInt(), 0) << executed->last()[1].toString().toStdString();
    EXPECT_TRUE(outcome->toPlainText().startsWith("Query Successful ... "));
}
