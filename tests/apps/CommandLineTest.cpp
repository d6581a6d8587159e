// The lorvane command-line tool on queries saved through the window: the statement it prints
// is the one the window shows, the rows it prints are the rows the window's run gave, on
// SQLite, PostgreSQL and MariaDB; and its errors are told apart by exit code.
#include "builder/BuilderFixture.h"
#include "builder/QueryPage.h"
#include "platform/RecordSet.h"

#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>
#include <functional>

using namespace lorvane;
using lorvane::test::CriteriaPage;

namespace {

struct Outcome {
    int exit = -1;
    QString out;
    QString err;
};

Outcome lorvaneCli(const QStringList& arguments) {
    QProcess p;
    p.start(QStringLiteral(LORVANE_CLI_PATH), arguments);
    if (!p.waitForFinished(120000))
        return {};
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

// The CLI's documented value forms.
QString valueText(const QVariant& v) {
    if (!v.isValid() || v.isNull())
        return {};
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (v.typeId() == QMetaType::QDate)
        return v.toDate().toString(Qt::ISODate);
    if (v.typeId() == QMetaType::Double)
        return QString::number(v.toDouble(), 'g', QLocale::FloatingPointShortest);
    return v.toString();
}

// A minimal RFC 4180 reader, independent of the tool's writer.
QList<QStringList> parseCsv(const QString& text) {
    QList<QStringList> records;
    QStringList record;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') {
                field += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u',') {
            record << field;
            field.clear();
        } else if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            record << field;
            records << record;
            record.clear();
            field.clear();
            ++i;
        } else {
            field += c;
        }
    }
    return records;
}

const char* const kShop =
    "CREATE TABLE notes (id INTEGER, city VARCHAR(20), note VARCHAR(60), amount DOUBLE PRECISION, day DATE);"
    "INSERT INTO notes VALUES (1, 'Lyon', 'plain', 1.5, '2024-02-29');"
    "INSERT INTO notes VALUES (2, 'Lyon', 'with, comma and \"quotes\"', 2.25, NULL);"
    "INSERT INTO notes VALUES (3, 'Paris', 'other city', 3, '2024-03-01');"
    "INSERT INTO notes VALUES (4, 'Lyon', NULL, NULL, '2023-12-31');";

}  // namespace

class CommandLine : public CriteriaPage {
protected:
    // A query saved through the window; the statement it shows and the rows its run gave.
    void saveThroughTheWindow(const QString& connectionString, const QString& path, QString& shown, QStringList& rows) {
        openOn("notes", connectionString);
        field("city");
        op("=");
        value(1, "Lyon");
        click("cmdCommit");
        option(QueryPage::Order);
        field("id");
        op("DESC");
        click("cmdCommit");
        prompts->choose(path);
        click("cmdSaveQuery");
        ASSERT_TRUE(QFile::exists(path));
        shown = sqlText();
        click("cmdRunQuery");
        ASSERT_EQ(executed->count(), 1);
        ASSERT_EQ(executed->first()[0].toInt(), 0) << executed->first()[1].toString().toStdString();
        auto results = executed->first()[3].value<std::shared_ptr<RecordSet>>();
        QStringList header;
        for (int f = 0; f < results->FieldCount(); ++f)
            header << results->Field(f).name;
        rows << header.join(u'|');
        for (qint64 r = 0; r < results->RecordCount(); ++r) {
            QStringList values;
            for (int f = 0; f < results->FieldCount(); ++f)
                values << valueText(results->ValueAt(r, f));
            rows << values.join(u'|');
        }
        component->VLNCloseLorvane(false);
    }

    void sameAsTheWindow(const QString& connectionString) {
        QTemporaryDir dir;
        const QString path = dir.filePath("lyon.vln");
        QString shown;
        QStringList rows;
        saveThroughTheWindow(connectionString, path, shown, rows);
        ASSERT_EQ(rows.size(), 4);  // the header and three Lyon notes

        const Outcome sql = lorvaneCli({"sql", path});
        EXPECT_EQ(sql.exit, 0) << sql.err.toStdString();
        EXPECT_EQ(sql.out.trimmed(), shown.trimmed());

        const Outcome csv = lorvaneCli({"run", path});
        ASSERT_EQ(csv.exit, 0) << csv.err.toStdString();
        QStringList got;
        for (const QStringList& record : parseCsv(csv.out))
            got << record.join(u'|');
        EXPECT_EQ(got, rows);

        const Outcome limited = lorvaneCli({"run", path, "--max-records", "1", "--format", "tsv"});
        ASSERT_EQ(limited.exit, 0) << limited.err.toStdString();
        EXPECT_EQ(limited.out.split(u'\n', Qt::SkipEmptyParts), (QStringList{QString(rows[0]).replace(u'|', u'\t'),
                                                                             QString(rows[1]).replace(u'|', u'\t')}));
        const Outcome table = lorvaneCli({"run", path, "--format", "table"});
        ASSERT_EQ(table.exit, 0) << table.err.toStdString();
        EXPECT_TRUE(table.out.endsWith("(3 rows)\n")) << table.out.toStdString();
    }
};

TEST_F(CommandLine, PrintsWhatTheWindowShowsOnSqlite) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("notes.db"));
    ASSERT_NE(test::sqliteCli(file, QString::fromLatin1(kShop)), "<error>");
    sameAsTheWindow("Provider=SQLite;Data Source=" + file);
}

TEST_F(CommandLine, PrintsWhatTheWindowShowsOnPostgres) {
    const QString pg = test::newPostgresDatabase(QStringLiteral("lorvane_cli_test"));
    ASSERT_FALSE(pg.isEmpty());
    ASSERT_NE(test::psqlCli(pg, QString::fromLatin1(kShop)), "<error>");
    sameAsTheWindow(pg);
}

TEST_F(CommandLine, PrintsWhatTheWindowShowsOnMariaDb) {
    const QString cs = test::newMariaDbDatabase(QStringLiteral("lorvane_cli_test"));
    ASSERT_FALSE(cs.isEmpty());
    ASSERT_NE(test::mariadbCli(cs, QString::fromLatin1(kShop)), "<error>");
    // The tool takes the password from the environment when the saved query holds none.
    qputenv("LORVANE_PASSWORD", "lorvane");
    sameAsTheWindow(cs);
    qunsetenv("LORVANE_PASSWORD");
}

TEST_F(CommandLine, EachKindOfFailureHasItsOwnExitCodeAndSaysWhy) {
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("notes.db"));
    ASSERT_NE(test::sqliteCli(db, QString::fromLatin1(kShop)), "<error>");
    const QString path = dir.filePath("q.vln");
    QString shown;
    QStringList rows;
    saveThroughTheWindow("Provider=SQLite;Data Source=" + db, path, shown, rows);

    EXPECT_EQ(lorvaneCli({}).exit, 2);
    EXPECT_EQ(lorvaneCli({"frobnicate"}).exit, 2);
    EXPECT_EQ(lorvaneCli({"run", path, "--format", "xml"}).exit, 2);
    EXPECT_EQ(lorvaneCli({"run", path, "--max-records", "-3"}).exit, 2);
    const Outcome help = lorvaneCli({"run", "--help"});
    EXPECT_EQ(help.exit, 0);
    EXPECT_TRUE(help.out.startsWith("Usage: lorvane run")) << help.out.toStdString();

    const Outcome missing = lorvaneCli({"sql", dir.filePath("missing.vln")});
    EXPECT_EQ(missing.exit, 3);
    EXPECT_TRUE(missing.err.contains("missing.vln")) << missing.err.toStdString();
    QFile damaged(dir.filePath("qrsWhere.dat"));
    ASSERT_TRUE(damaged.open(QIODevice::ReadWrite));
    ASSERT_TRUE(damaged.resize(damaged.size() / 2));
    damaged.close();
    EXPECT_EQ(lorvaneCli({"run", path}).exit, 3);

    const Outcome tables = lorvaneCli({"tables", "Provider=SQLite;Data Source=" + db});
    EXPECT_EQ(tables.exit, 0) << tables.err.toStdString();
    EXPECT_TRUE(tables.out.split(u'\n').contains("notes")) << tables.out.toStdString();
    const Outcome noDatabase = lorvaneCli({"tables", "Provider=SQLite;Data Source=" + dir.filePath("none.db")});
    EXPECT_EQ(noDatabase.exit, 4);
    EXPECT_FALSE(noDatabase.err.isEmpty());
}

TEST_F(CommandLine, AStatementTheReadOnlyRunRefusesExitsWithFive) {
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("notes.db"));
    ASSERT_NE(test::sqliteCli(db, QString::fromLatin1(kShop)), "<error>");
    const QString path = dir.filePath("hostile.vln");
    openOn("notes", "Provider=SQLite;Data Source=" + db);
    click("cmdEditWhere");
    // Text the window keeps as typed (words before the operator), holding a comment.
    typeCell(0, "notes.note", "CASE WHEN 1 = 1 THEN 'x' END = 'x' -- the rest goes");
    click("cmdSQLView");
    prompts->choose(path);
    click("cmdSaveQuery");
    component->VLNCloseLorvane(false);
    const Outcome refused = lorvaneCli({"run", path});
    EXPECT_EQ(refused.exit, 5);
    EXPECT_TRUE(refused.err.contains("comment")) << refused.err.toStdString();
    EXPECT_EQ(test::sqliteCli(db, "SELECT COUNT(*) FROM notes;"), "4");
}
