// What the export writes for values a sheet holds awkwardly, on SQLite, PostgreSQL and MariaDB:
// infinities and NaN, booleans, a date before 1900, a 40,000-character text, DECIMAL(10,2).
// The data sheet is read with openpyxl, the pivot cache's parts with Python's zipfile and
// ElementTree, and LibreOffice converts both reports: each must read back as the values
// written, and the cache's description of each field must hold for its records.
#include "platform/Connection.h"
#include "storage/WorkbookExport.h"
#include "support/TestDatabases.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <cmath>

using namespace lorvane;

namespace {

QJsonObject partsOf(const QString& path) {
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(LORVANE_EXPORT_READER), path});
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        ADD_FAILURE() << "could not read " << path.toStdString() << ": " << p.readAllStandardError().toStdString();
        return {};
    }
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
}

// LibreOffice converts the workbooks (CSV of the first sheet for a data report; a new xlsx
// for a pivot report, which keeps the data sheet and the pivot table).
bool calcConverts(const QStringList& paths, const QString& format, const QString& outDir) {
    QProcess p;
    p.start(QStringLiteral("soffice"), QStringList{QStringLiteral("--headless"), QStringLiteral("--norestore"),
                                                   QStringLiteral("-env:UserInstallation=file://") + outDir + "/profile",
                                                   QStringLiteral("--convert-to"), format, QStringLiteral("--outdir"), outDir} +
                                           paths);
    return p.waitForFinished(240000) && p.exitCode() == 0;
}

QString cellText(const QJsonArray& rows, int row, int column, QString* type = nullptr, QString* format = nullptr) {
    const QJsonArray cell = rows.at(row).toArray().at(column).toArray();
    if (type)
        *type = cell.at(0).toString();
    if (format)
        *format = cell.at(2).toString();
    return cell.at(1).isNull() ? QStringLiteral("<blank>") : cell.at(1).toString();
}

// A cell's text and its type ("n", "s", "b", "d") as the sheet holds them.
void expectCell(const QJsonArray& rows, int row, int column, const QString& text, const QString& type) {
    QString found;
    EXPECT_EQ(cellText(rows, row, column, &found), text) << "row " << row << ", column " << column;
    EXPECT_EQ(found, type) << "row " << row << ", column " << column;
}

// Every record's cell must be of a kind its field's sharedItems admits, and the numbers'
// range must be finite numbers that hold the numbers recorded.
void expectCacheConsistent(const QJsonObject& parts) {
    const QJsonArray fields = parts["fields"].toArray();
    const QJsonArray records = parts["records"].toArray();
    ASSERT_FALSE(fields.isEmpty());
    EXPECT_EQ(parts["recordCount"].toString().toInt(), records.size());
    for (int f = 0; f < fields.size(); ++f) {
        const QJsonObject shared = fields[f].toObject()["shared"].toObject();
        const QString name = fields[f].toObject()["name"].toString();
        SCOPED_TRACE(name.toStdString());
        auto flag = [&](const char* key, bool byDefault) {
            return shared.contains(key) ? shared[key].toString() == u"1" : byDefault;
        };
        const bool strings = flag("containsString", true), numbers = flag("containsNumber", false),
                   dates = flag("containsDate", false), blanks = flag("containsBlank", false);
        QSet<QString> kinds;
        double low = INFINITY, high = -INFINITY;
        for (const auto& r : records) {
            const QJsonArray cell = r.toArray().at(f).toArray();
            const QString tag = cell.at(0).toString();
            kinds << (tag == u"b" ? QStringLiteral("s") : tag);
            if (tag == u"s" || tag == u"b")
                EXPECT_TRUE(strings) << "a text or boolean in a field without strings";
            if (tag == u"n") {
                EXPECT_TRUE(numbers);
                bool ok = false;
                const double v = cell.at(1).toString().toDouble(&ok);
                EXPECT_TRUE(ok && std::isfinite(v)) << cell.at(1).toString().toStdString();
                low = std::min(low, v);
                high = std::max(high, v);
            }
            if (tag == u"d")
                EXPECT_TRUE(dates);
            if (tag == u"m")
                EXPECT_TRUE(blanks);
        }
        if (numbers) {
            bool okMin = false, okMax = false;
            const double min = shared["minValue"].toString().toDouble(&okMin);
            const double max = shared["maxValue"].toString().toDouble(&okMax);
            EXPECT_TRUE(okMin && okMax && std::isfinite(min) && std::isfinite(max))
                << shared["minValue"].toString().toStdString() << " " << shared["maxValue"].toString().toStdString();
            EXPECT_EQ(min, low);
            EXPECT_EQ(max, high);
        }
        kinds.remove(QStringLiteral("m"));
        if (kinds.size() > 1)
            EXPECT_EQ(shared["containsMixedTypes"].toString(), "1");
    }
}

class ExportedValues : public ::testing::Test {
protected:
    QTemporaryDir dir;

    // Both reports of the rows, read back; LibreOffice's conversions of both.
    // The data report of the rows read, and the pivot report by the path of a full result: run
    // again reading only and written as the rows arrive, with the same rules for every value.
    // Each holds three rows, one text cut to a cell's limit.
    std::pair<QString, QString> writeBoth(Connection& c, const QString& sql, const QString& prefix) {
        const auto rows = c.OpenRecordSet(sql);
        const QString data = dir.filePath(prefix + "-data.xlsx");
        const QString pivot = dir.filePath(prefix + "-pivot.xlsx");
        const auto written = WorkbookExport::write(data, *rows, WorkbookExport::Report::Data, {"test", sql});
        EXPECT_EQ(written.cutTexts, 1);
        const auto streamed = WorkbookExport::writeRun(pivot, c, sql, WorkbookExport::Report::Pivot, {"test", sql});
        EXPECT_EQ(streamed.cutTexts, 1);
        EXPECT_EQ(streamed.rows, 3);
        return {data, pivot};
    }

    void exportAndCheck(Connection& c, const QString& sql, bool postgres) {
        const auto [data, pivot] = writeBoth(c, sql, postgres ? "pg" : "lite");

        for (const QString& path : {data, pivot}) {
            SCOPED_TRACE(path.toStdString());
            const QJsonObject parts = partsOf(path);
            const QJsonArray sheet =
                parts["sheets"].toObject()[path == data ? "Raw Data" : "Pivot Data"].toArray();
            ASSERT_EQ(sheet.size(), 4);
            QString type, format;
            // id, price, big, flag, born, note[, n]
            EXPECT_EQ(cellText(sheet, 1, 1, &type, &format), "12.5");
            EXPECT_EQ(type, "n");
            // PostgreSQL gives the column's scale with each value; SQLite keeps none, so a
            // number shows the digits it has.
            EXPECT_EQ(format, postgres ? "0.00" : "0.0");
            expectCell(sheet, 3, 1, "0.1", "n");
            expectCell(sheet, 1, 2, "Infinity", "s");
            expectCell(sheet, 2, 2, "-Infinity", "s");
            expectCell(sheet, 3, 2, postgres ? "NaN" : "1.5", postgres ? "s" : "n");
            expectCell(sheet, 1, 3, "True", "b");
            expectCell(sheet, 2, 3, "False", "b");
            EXPECT_EQ(cellText(sheet, 3, 3), "<blank>");
            expectCell(sheet, 1, 4, "1850-05-01", "s");
            expectCell(sheet, 2, 4, "2024-02-29 00:00:00", "d");
            expectCell(sheet, 1, 5, QString(32767, u'a'), "s");
            if (postgres) {
                expectCell(sheet, 1, 6, "NaN", "s");
                EXPECT_EQ(cellText(sheet, 2, 6, &type, &format), "3.14159");
                EXPECT_EQ(type, "n");
                EXPECT_EQ(format, "0.00000");
            }
            if (path == pivot) {
                expectCacheConsistent(parts);
                const QJsonArray records = parts["records"].toArray();
                auto record = [&](int r, int f) {
                    const QJsonArray cell = records.at(r).toArray().at(f).toArray();
                    return cell.at(0).toString() + u':' + cell.at(1).toString();
                };
                EXPECT_EQ(record(0, 1), "n:12.5");
                EXPECT_EQ(record(0, 2), "s:Infinity");
                EXPECT_EQ(record(1, 2), "s:-Infinity");
                EXPECT_EQ(record(0, 3), "b:1");
                EXPECT_EQ(record(1, 3), "b:0");
                EXPECT_EQ(record(2, 3), "m:");
                EXPECT_EQ(record(0, 4), "s:1850-05-01");
                EXPECT_EQ(record(1, 4), "d:2024-02-29T00:00:00");
                EXPECT_EQ(record(0, 5), "s:" + QString(32767, u'a'));
            }
        }

        // LibreOffice: the data report's CSV shows the values as written; the pivot report
        // opens with its pivot table and converts.
        const QString out = dir.filePath(postgres ? "calc-pg" : "calc-lite");
        ASSERT_TRUE(QDir().mkpath(out));
        // Cells as shown: the number formats apply.
        ASSERT_TRUE(calcConverts({data}, "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,true", out));
        QFile csv(QDir(out).filePath(QFileInfo(data).completeBaseName() + ".csv"));
        ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(csv.readAll()).split(u'\n', Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), 4);
        const QStringList first = lines[1].split(u',');
        EXPECT_EQ(first.mid(0, 5), (QStringList{"1", postgres ? "12.50" : "12.5", "Infinity", "TRUE", "1850-05-01"}));
        EXPECT_EQ(first.at(5).size(), 32767);
        const QStringList second = lines[2].split(u',');
        EXPECT_EQ(second.mid(0, 5), (QStringList{"2", "7.25", "-Infinity", "FALSE", "2024-02-29"}));
        ASSERT_TRUE(calcConverts({pivot}, "xlsx:Calc MS Excel 2007 XML", out));
        const QJsonObject again = partsOf(QDir(out).filePath(QFileInfo(pivot).fileName()));
        const QJsonArray pivotData = again["sheets"].toObject()["Pivot Data"].toArray();
        ASSERT_EQ(pivotData.size(), 4);
        EXPECT_EQ(cellText(pivotData, 1, 2), "Infinity");
        EXPECT_EQ(cellText(pivotData, 1, 4), "1850-05-01");
        EXPECT_EQ(cellText(pivotData, 1, 1), "12.5");
        ASSERT_FALSE(again["fields"].toArray().isEmpty()) << "LibreOffice dropped the pivot table";
        EXPECT_EQ(again["fields"].toArray().size(), postgres ? 7 : 6);
    }

    // MariaDB holds no infinities or NaN in a DOUBLE, so that column holds extreme finite
    // numbers instead; its booleans are TINYINT(1) and its dates DATETIME, and its DECIMAL
    // arrives as text carrying the column's scale.
    void exportAndCheckMariaDb(Connection& c, const QString& sql) {
        const auto [data, pivot] = writeBoth(c, sql, "maria");

        for (const QString& path : {data, pivot}) {
            SCOPED_TRACE(path.toStdString());
            const QJsonObject parts = partsOf(path);
            const QJsonArray sheet =
                parts["sheets"].toObject()[path == data ? "Raw Data" : "Pivot Data"].toArray();
            ASSERT_EQ(sheet.size(), 4);
            QString type, format;
            // id, price, big, flag, born, note
            EXPECT_EQ(cellText(sheet, 0, 1), "price");
            expectCell(sheet, 1, 0, "1", "n");
            EXPECT_EQ(cellText(sheet, 1, 1, &type, &format), "12.5");
            EXPECT_EQ(type, "n");
            EXPECT_EQ(format, "0.00");
            EXPECT_EQ(cellText(sheet, 3, 1, &type, &format), "0.1");
            EXPECT_EQ(type, "n");
            EXPECT_EQ(format, "0.00");
            // The largest double would read back as infinity from the sheet's 16 digits, so it
            // is its text, as an infinity is elsewhere.
            expectCell(sheet, 1, 2, "1.7976931348623157e+308", "s");
            EXPECT_EQ(cellText(sheet, 2, 2, &type).toDouble(), -2.5e-300);
            EXPECT_EQ(type, "n");
            EXPECT_EQ(cellText(sheet, 3, 2, &type, &format), "1.5");
            EXPECT_EQ(type, "n");
            EXPECT_EQ(format, "General");
            expectCell(sheet, 1, 3, "True", "b");
            expectCell(sheet, 2, 3, "False", "b");
            EXPECT_EQ(cellText(sheet, 3, 3), "<blank>");
            expectCell(sheet, 1, 4, "1850-05-01 10:30:00", "s");
            expectCell(sheet, 2, 4, "2024-02-29 13:45:10", "d");
            EXPECT_EQ(cellText(sheet, 3, 4), "<blank>");
            expectCell(sheet, 1, 5, QString(32767, u'a'), "s");
            expectCell(sheet, 2, 5, "short", "s");
            EXPECT_EQ(cellText(sheet, 3, 5), "<blank>");
            if (path == pivot) {
                expectCacheConsistent(parts);
                const QJsonArray records = parts["records"].toArray();
                auto record = [&](int r, int f) {
                    const QJsonArray cell = records.at(r).toArray().at(f).toArray();
                    return cell.at(0).toString() + u':' + cell.at(1).toString();
                };
                EXPECT_EQ(record(0, 1), "n:12.5");
                EXPECT_EQ(record(2, 1).mid(2).toDouble(), 0.1);
                EXPECT_EQ(record(0, 2), "s:1.7976931348623157e+308");
                EXPECT_EQ(record(1, 2).mid(2).toDouble(), -2.5e-300);
                EXPECT_EQ(record(2, 2), "n:1.5");
                EXPECT_EQ(record(0, 3), "b:1");
                EXPECT_EQ(record(1, 3), "b:0");
                EXPECT_EQ(record(2, 3), "m:");
                EXPECT_EQ(record(0, 4), "s:1850-05-01 10:30:00");
                EXPECT_EQ(record(1, 4), "d:2024-02-29T13:45:10");
                EXPECT_EQ(record(2, 4), "m:");
                EXPECT_EQ(record(0, 5), "s:" + QString(32767, u'a'));
            }
        }

        // LibreOffice shows the DECIMAL column with its two decimals.
        const QString out = dir.filePath("calc-maria");
        ASSERT_TRUE(QDir().mkpath(out));
        ASSERT_TRUE(calcConverts({data}, "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,true", out));
        QFile csv(QDir(out).filePath(QFileInfo(data).completeBaseName() + ".csv"));
        ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(csv.readAll()).split(u'\n', Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), 4);
        const QStringList first = lines[1].split(u',');
        EXPECT_EQ(first.mid(0, 3), (QStringList{"1", "12.50", "1.7976931348623157e+308"}));
        EXPECT_EQ(first.mid(3, 2), (QStringList{"TRUE", "1850-05-01 10:30:00"}));
        const QStringList second = lines[2].split(u',');
        EXPECT_EQ(second.mid(0, 4), (QStringList{"2", "7.25", second.at(2), "FALSE"}));
        EXPECT_EQ(lines[3].split(u',').mid(0, 3), (QStringList{"3", "0.10", "1.5"}));
    }
};

}  // namespace

TEST_F(ExportedValues, OnSqlite) {
    const QString db = dir.filePath("values.db");
    ASSERT_NE(test::sqliteCli(db, "CREATE TABLE t (id INTEGER, price DECIMAL(10,2), big REAL, flag BOOLEAN, born DATE, "
                                  "note TEXT);"
                                  "INSERT INTO t VALUES (1, 12.50, 9e999, 1, '1850-05-01', replace(hex(zeroblob(20000)), '0', 'a'));"
                                  "INSERT INTO t VALUES (2, 7.25, -9e999, 0, '2024-02-29', 'short');"
                                  "INSERT INTO t VALUES (3, 0.10, 1.5, NULL, NULL, NULL);"),
              "<error>");
    Connection c;
    c.Open("Provider=SQLite;Data Source=" + db);
    exportAndCheck(c, "SELECT id, price, big, flag, born, note FROM t ORDER BY id", false);
}

TEST_F(ExportedValues, OnPostgres) {
    const QString pg = test::newPostgresDatabase(QStringLiteral("lorvane_export_values"));
    ASSERT_FALSE(pg.isEmpty());
    ASSERT_NE(test::psqlCli(pg, "CREATE TABLE t (id INTEGER, price DECIMAL(10,2), big FLOAT8, flag BOOLEAN, born DATE, "
                                "note TEXT, n NUMERIC);"
                                "INSERT INTO t VALUES (1, 12.50, 'Infinity', true, '1850-05-01', repeat('a', 40000), 'NaN');"
                                "INSERT INTO t VALUES (2, 7.25, '-Infinity', false, '2024-02-29', 'short', 3.14159);"
                                "INSERT INTO t VALUES (3, 0.10, 'NaN', NULL, NULL, NULL, NULL);"),
              "<error>");
    Connection c;
    c.Open(pg);
    exportAndCheck(c, "SELECT id, price, big, flag, born, note, n FROM t ORDER BY id", true);
}

TEST_F(ExportedValues, OnMariaDb) {
    const QString maria = test::newMariaDbDatabase(QStringLiteral("lorvane_export_values"));
    ASSERT_FALSE(maria.isEmpty());
    ASSERT_NE(test::mariadbCli(maria, "CREATE TABLE t (id INTEGER, price DECIMAL(10,2), big DOUBLE, flag TINYINT(1), "
                                      "born DATETIME, note LONGTEXT);"
                                      "INSERT INTO t VALUES (1, 12.50, 1.7976931348623157e308, 1, '1850-05-01 10:30:00', "
                                      "repeat('a', 40000));"
                                      "INSERT INTO t VALUES (2, 7.25, -2.5e-300, 0, '2024-02-29 13:45:10', "
                                      "'short');"
                                      "INSERT INTO t VALUES (3, 0.10, 1.5, NULL, NULL, NULL);"),
              "<error>");
    Connection c;
    c.Open(maria);
    exportAndCheckMariaDb(c, "SELECT id, price, big, flag, born, note FROM t ORDER BY id");
}
