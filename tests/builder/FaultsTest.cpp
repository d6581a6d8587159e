// Faults a real installation meets: the database server going away and coming back while the
// builder is open, files that are not databases, a database locked by another writer during a
// run. Each ends with a message in plain words, nothing lost, and the window usable.
#include "builder/BuilderFixture.h"
#include "builder/QueryPage.h"
#include "platform/RecordSet.h"
#include "shared/clsTable.h"
#include "support/PrivateServer.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

using namespace lorvane;
using lorvane::test::CriteriaPage;

namespace {

const char* const kNotes =
    "CREATE TABLE notes (id INTEGER, city VARCHAR(20));"
    "INSERT INTO notes VALUES (1, 'Lyon');"
    "INSERT INTO notes VALUES (2, 'Paris');"
    "INSERT INTO notes VALUES (3, 'Lyon');";

}  // namespace

class Faults : public CriteriaPage {
protected:
    // Runs; the rows it gave (-1 when it raised no QueryExecuted, an error number negated).
    qint64 run() {
        executed->clear();
        click("cmdRunQuery");
        if (executed->isEmpty())
            return -1;
        if (executed->first()[0].toInt() != 0)
            return -2;
        return executed->first()[3].value<std::shared_ptr<RecordSet>>()->RecordCount();
    }
    QString outcome() { return find<QTextEdit>("txtSQLErrors")->toPlainText(); }
};

TEST_F(Faults, TheServerGoesAwayWhileTheBuilderIsOpenAndTheNextRunAfterItIsBackWorks) {
    test::PrivateServer server(0);
    ASSERT_TRUE(server.ok());
    const QString pg = server.connectionString();
    ASSERT_NE(test::psqlCli(pg, QString::fromLatin1(kNotes)), "<error>");
    openOn("notes", pg);
    EXPECT_EQ(run(), 3);

    ASSERT_TRUE(server.pause());
    const auto asked = prompts->records().size();
    EXPECT_EQ(run(), -2);  // a failed run the host hears of
    ASSERT_EQ(prompts->records().size(), asked + 1);
    const QString message = prompts->records().back().text;
    EXPECT_TRUE(message.startsWith("Unable to make a connection to the database.\nConnection string:")) << message.toStdString();
    // The driver's own words, and what to do.
    EXPECT_TRUE(message.contains("The connection to the database was lost")) << message.toStdString();
    EXPECT_TRUE(message.endsWith("Check that the database can be reached, then run the query again."));
    EXPECT_EQ(prompts->records().back().icon, Prompts::Icon::Critical);
    EXPECT_EQ(Lorvanev2::builderWindow(), w);
    // Still away: the same message again, no crash.
    EXPECT_EQ(run(), -2);

    ASSERT_TRUE(server.resume());
    EXPECT_EQ(run(), 3) << prompts->records().back().text.toStdString();
    // The whole window works on the connection again: a criterion and the value search.
    field("city");
    op("=");
    click("cmdFieldValues");
    EXPECT_EQ(comboItems("cmbAvailableValues1"), (QStringList{"Lyon", "Paris"}));
    chooseCombo("cmbAvailableValues1", "Lyon");
    click("cmdCommit");
    EXPECT_EQ(run(), 2);
}

TEST_F(Faults, FilesThatAreNotDatabasesAreReportedInTheDriversWords) {
    QSignalSpy complete(component.get(), &Lorvanev2::ConnectionComplete);
    QTemporaryDir dir;
    QFile text(dir.filePath("notes.txt"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("These are my notes, not a database.\n");
    text.close();
    QFile empty(dir.filePath("empty.db"));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();

    // A text file, a path through a file (its folder cannot be read as one), a missing file.
    const QString cases[] = {text.fileName(), text.fileName() + "/inside.db", dir.filePath("missing.db")};
    for (const QString& path : cases) {
        SCOPED_TRACE(path.toStdString());
        complete.clear();
        test::resetSharedState();
        component->VLNMakeConnection("Provider=SQLite;Data Source=" + path, {}, {}, 0, 0, 0, false, {}, true);
        ASSERT_EQ(complete.count(), 1);
        EXPECT_NE(complete.first()[0].toInt(), 0);
        const QString description = complete.first()[1].toString();
        EXPECT_FALSE(description.trimmed().isEmpty());
        EXPECT_FALSE(description.startsWith("-")) << "a number alone";
    }
    // An empty file is an empty database to SQLite: it connects and offers no tables.
    complete.clear();
    test::resetSharedState();
    component->VLNMakeConnection("Provider=SQLite;Data Source=" + empty.fileName(), {}, {}, 0, 0, 0, false, {}, true);
    ASSERT_EQ(complete.count(), 1);
    EXPECT_EQ(complete.first()[0].toInt(), 0) << complete.first()[1].toString().toStdString();
    EXPECT_EQ(clsTable::shared().Count(), 0);
    // After all of that a good database connects and the builder opens on it.
    test::resetSharedState();
    connectAndShow();
    EXPECT_FALSE(items("lstTPXTableSelection").isEmpty());
}

TEST_F(Faults, ADatabaseLockedByAnotherWriterFailsTheRunInPlainWordsAndTheNextRunWorks) {
    QTemporaryDir dir;
    const QString db = dir.filePath("notes.db");
    ASSERT_NE(test::sqliteCli(db, QString::fromLatin1(kNotes)), "<error>");
    openOn("notes", "Provider=SQLite;Data Source=" + db);
    EXPECT_EQ(run(), 3);

    // Another program takes the write lock and holds it.
    QProcess writer;
    writer.start(QStringLiteral("sqlite3"), {QStringLiteral("-batch"), db});
    ASSERT_TRUE(writer.waitForStarted());
    writer.write("BEGIN EXCLUSIVE;\nINSERT INTO notes VALUES (4, 'Lyon');\nSELECT 'holding';\n");
    ASSERT_TRUE(writer.waitForReadyRead(10000));
    ASSERT_TRUE(writer.readAllStandardOutput().contains("holding"));

    EXPECT_EQ(run(), -2);
    EXPECT_TRUE(outcome().contains("database is locked")) << outcome().toStdString();
    EXPECT_TRUE(outcome().contains("run the query again when it has finished")) << outcome().toStdString();
    EXPECT_EQ(Lorvanev2::builderWindow(), w);

    writer.write("COMMIT;\n.quit\n");
    writer.closeWriteChannel();
    ASSERT_TRUE(writer.waitForFinished(10000));
    EXPECT_EQ(run(), 4);  // the writer's row is there, nothing was lost
}
