// Long runs through the window: the grid shows rows while they arrive, the status bar counts
// them, nothing but Stop reaches the window meanwhile, Stop (Escape or its button) keeps the
// rows read so far as a partial result, and the next run works.
#include "BuilderFixture.h"

#include "builder/ResultsPage.h"
#include "platform/RecordSetModel.h"
#include "platform/VLNError.h"
#include "shared/BuilderSettings.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

using namespace lorvane;
using namespace lorvane::test;

namespace {

class LongRun : public BuilderWindow {
protected:
    // The builder on one table or view, every field output, ready to run.
    void openOn(const QString& connectionString, const QString& table) {
        connectAndShow(connectionString);
        addTable(table);
        goToPage(frmQDM::SelectFields);
        click("cmdTPXFieldRightAll");
        goToPage(frmQDM::BuildQuery);
    }
    QString status() { return w->statusText(); }
    int gridRows() { return w->resultsPage()->model()->rowCount(); }
    std::shared_ptr<RecordSet> lastResults() {
        return executed->last().at(3).value<std::shared_ptr<RecordSet>>();
    }
    int lastNumber() { return executed->last().at(0).toInt(); }

    // Runs, and while the run reads: checks what the user sees, tries what must not get
    // through, then ends the run with `stop` once rows are shown.
    void runAndStopOnFirstRows(const std::function<void()>& stop) {
        QObject context;
        bool seen = false;
        QObject::connect(w->resultsPage()->model(), &QAbstractItemModel::rowsInserted, &context, [&] {
            if (seen)
                return;
            seen = true;
            EXPECT_GT(gridRows(), 0);
            EXPECT_TRUE(status().startsWith(QStringLiteral("Running Query .. "))) << qPrintable(status());
            EXPECT_TRUE(status().contains(QStringLiteral("rows read"))) << qPrintable(status());
            EXPECT_TRUE(find<QPushButton>("cmdStopQuery")->isEnabled());
            EXPECT_NE(QApplication::overrideCursor(), nullptr);
            // Other commands do not reach the window while it reads, and it does not close.
            QTest::mouseClick(find<QPushButton>("cmdResAddSplit"), Qt::LeftButton);
            EXPECT_EQ(w->resultsPage()->splitCount(), 1);
            w->close();
            EXPECT_TRUE(w->isVisible());
            stop();
        });
        click("cmdRunQuery");
        EXPECT_TRUE(seen) << "no rows were shown while the run read";
    }

    void expectPartialNumbers(qint64 limit) {
        ASSERT_FALSE(executed->isEmpty());
        EXPECT_EQ(lastNumber(), ErrorNumber::OperationCancelled);
        EXPECT_TRUE(executed->last().at(1).toString().contains(QStringLiteral("partial")));
        const auto rows = lastResults();
        ASSERT_TRUE(rows && rows->IsOpen());
        EXPECT_GE(rows->RecordCount(), 1);
        EXPECT_LT(rows->RecordCount(), limit);
        EXPECT_EQ(gridRows(), rows->RecordCount());
        // The rows kept are the first ones, whole and in order.
        for (qint64 r = 0; r < rows->RecordCount(); r += std::max<qint64>(1, rows->RecordCount() / 40))
            ASSERT_EQ(rows->ValueAt(r, 0).toLongLong(), r + 1);
        EXPECT_TRUE(status().startsWith(QStringLiteral("Stopped .. the result is partial"))) << qPrintable(status());
        EXPECT_TRUE(find<QTextEdit>("txtSQLErrors")->toPlainText().startsWith(QStringLiteral("Query Stopped")));
        EXPECT_FALSE(find<QPushButton>("cmdStopQuery")->isEnabled());
        EXPECT_TRUE(find<QPushButton>("cmdAsc")->isEnabled());
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }

    // The next run, limited, ends normally with exactly its rows.
    void expectRunAfterStopWorks(int rows) {
        BuilderSettings::shared().MaxRecords = rows;
        goToPage(frmQDM::BuildQuery);
        const qsizetype runs = executed->size();
        click("cmdRunQuery");
        ASSERT_EQ(executed->size(), runs + 1);
        EXPECT_EQ(lastNumber(), 0);
        EXPECT_EQ(lastResults()->RecordCount(), rows);
        EXPECT_EQ(gridRows(), rows);
        EXPECT_EQ(status(), QStringLiteral("Ready .."));
        // The window is itself again: other commands work.
        click("cmdResAddSplit");
        EXPECT_EQ(w->resultsPage()->splitCount(), 2);
    }
    // Escape while the server has not yet given a row: the run ends within atMostMs as stopped,
    // with nothing read or shown.
    void stopBeforeTheFirstRow(qint64 atMostMs) {
        QObject context;
        QTimer::singleShot(300, &context, [&] {
            EXPECT_TRUE(status().startsWith(QStringLiteral("Running Query .. 0 rows read"))) << qPrintable(status());
            QTest::keyClick(w, Qt::Key_Escape);
        });
        QElapsedTimer clock;
        clock.start();
        click("cmdRunQuery");
        EXPECT_LT(clock.elapsed(), atMostMs);
        ASSERT_FALSE(executed->isEmpty());
        EXPECT_EQ(lastNumber(), ErrorNumber::OperationCancelled);
        EXPECT_EQ(lastResults()->RecordCount(), 0);
        EXPECT_EQ(gridRows(), 0);
        EXPECT_TRUE(status().startsWith(QStringLiteral("Stopped .. the result is partial"))) << qPrintable(status());
    }
};

}  // namespace

TEST_F(LongRun, SqliteEscapeKeepsTheRowsReadAndTheNextRunWorks) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("endless.db"));
    sqliteCli(path, QStringLiteral(
                        "CREATE VIEW Endless AS WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                        "LIMIT 50000000) SELECT i AS Number, 'row ' || i AS Label FROM n; SELECT 1;"));
    openOn(QStringLiteral("Provider=SQLite;Data Source=") + path, QStringLiteral("Endless"));
    BuilderSettings::shared().MaxRecords = 20000000;  // a Stop that failed still ends, and fails below
    runAndStopOnFirstRows([&] { QTest::keyClick(w, Qt::Key_Escape); });
    expectPartialNumbers(20000000);
    expectRunAfterStopWorks(1000);
}

TEST_F(LongRun, PostgresStopButtonCancelsTheStatement) {
    const QString cs = newPostgresDatabase(QStringLiteral("long_run"));
    psqlCli(cs, QStringLiteral("CREATE VIEW numbers AS WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 "
                               "FROM n WHERE i < 50000000) SELECT i AS number, 'row ' || i AS label FROM n; "
                               "CREATE VIEW slow AS SELECT n FROM (SELECT 1 AS n FROM pg_sleep(120)) AS s"));
    openOn(cs, QStringLiteral("numbers"));
    BuilderSettings::shared().MaxRecords = 20000000;
    runAndStopOnFirstRows([&] { QTest::mouseClick(find<QPushButton>("cmdStopQuery"), Qt::LeftButton); });
    expectPartialNumbers(20000000);
    expectRunAfterStopWorks(500);
}

TEST_F(LongRun, PostgresStopWhileTheServerWorksOnTheFirstRow) {
    const QString cs = newPostgresDatabase(QStringLiteral("long_wait"));
    psqlCli(cs, QStringLiteral("CREATE VIEW slow AS SELECT n FROM (SELECT 1 AS n FROM pg_sleep(120)) AS s"));
    openOn(cs, QStringLiteral("slow"));
    // Ended by the cancel, not by the two-minute sleep.
    stopBeforeTheFirstRow(60000);
    // The connection is usable: the same run stopped again behaves the same.
    QObject context;
    QTimer::singleShot(300, &context, [&] { QTest::keyClick(w, Qt::Key_Escape); });
    goToPage(frmQDM::BuildQuery);
    click("cmdRunQuery");
    EXPECT_EQ(lastNumber(), ErrorNumber::OperationCancelled);
    EXPECT_EQ(executed->size(), 2);
}

TEST_F(LongRun, MariaDbStopButtonKillsTheStatement) {
    const QString cs = newMariaDbDatabase(QStringLiteral("long_run"));
    mariadbCli(cs, QStringLiteral("CREATE VIEW numbers AS SELECT seq AS number, CONCAT('row ', seq) AS label "
                                  "FROM seq_1_to_50000000"));
    openOn(cs, QStringLiteral("numbers"));
    BuilderSettings::shared().MaxRecords = 20000000;
    runAndStopOnFirstRows([&] { QTest::mouseClick(find<QPushButton>("cmdStopQuery"), Qt::LeftButton); });
    expectPartialNumbers(20000000);
    expectRunAfterStopWorks(500);
}

TEST_F(LongRun, MariaDbStopWhileTheServerWorksOnTheFirstRow) {
    const QString cs = newMariaDbDatabase(QStringLiteral("long_wait"));
    mariadbCli(cs, QStringLiteral("CREATE VIEW slow AS SELECT SUM(a.seq * b.seq) AS n FROM seq_1_to_100000000 a, "
                                  "seq_1_to_100000 b"));
    openOn(cs, QStringLiteral("slow"));
    stopBeforeTheFirstRow(20000);  // ended by KILL QUERY, not by the statement's end
    EXPECT_EQ(mariadbCli(cs, QStringLiteral("SELECT COUNT(*) FROM information_schema.PROCESSLIST WHERE INFO LIKE "
                                            "'%seq_1_to_100000000%' AND ID <> CONNECTION_ID()")),
              "0");
}
