// The spreadsheet export as a user and a host meet it: ExportData first, the dialog with its
// 65536-row rule, a data report and a pivot table report written to the chosen file and
// opened; the workbooks are read back with openpyxl and converted by LibreOffice, both
// independent of the project's own code.
#include "builder/BuilderFixture.h"
#include "builder/QueryPage.h"
#include "builder/frmVLNExcelExport.h"
#include "shared/BuilderSettings.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace lorvane;
using lorvane::test::CriteriaPage;

namespace {

const char* const kSales =
    "CREATE TABLE sales (id INTEGER, amount REAL, city VARCHAR(20), sold DATETIME, due DATE, note VARCHAR(40));"
    "INSERT INTO sales VALUES (1, 10.5, 'Lyon', '2024-02-29 13:45:00', '2024-03-31', 'first');"
    "INSERT INTO sales VALUES (2, 7.25, 'Paris & Co <x>', '2024-03-01 08:00:00', '2024-04-30', NULL);"
    "INSERT INTO sales VALUES (3, -2, 'Lyon', '2023-12-31 23:59:59', '2024-01-31', 'third, with \"quotes\"');";

QJsonObject readBack(const QString& path) {
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(LORVANE_WORKBOOK_READER), path});
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        ADD_FAILURE() << "openpyxl could not read " << path.toStdString() << ": "
                      << p.readAllStandardError().toStdString();
        return {};
    }
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
}

// LibreOffice Calc, headless, converts the workbook to CSV; the CSV's lines.
QStringList calcCsv(const QString& path, const QString& outDir) {
    QProcess p;
    p.start(QStringLiteral("soffice"), {QStringLiteral("--headless"), QStringLiteral("--norestore"),
                                        QStringLiteral("-env:UserInstallation=file://") + outDir + "/profile",
                                        QStringLiteral("--convert-to"), QStringLiteral("csv"), QStringLiteral("--outdir"),
                                        outDir, path});
    if (!p.waitForFinished(180000) || p.exitCode() != 0) {
        ADD_FAILURE() << "LibreOffice could not convert " << path.toStdString();
        return {};
    }
    QFile csv(QDir(outDir).filePath(QFileInfo(path).completeBaseName() + ".csv"));
    if (!csv.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "LibreOffice wrote no CSV for " << path.toStdString();
        return {};
    }
    return QString::fromUtf8(csv.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

QStringList typesOf(const QJsonArray& row) {
    QStringList out;
    for (const auto& cell : row)
        out << cell.toArray()[0].toString();
    return out;
}

}  // namespace

class Export : public CriteriaPage {
protected:
    void SetUp() override {
        CriteriaPage::SetUp();
        exports = std::make_unique<QSignalSpy>(component.get(), &Lorvanev2::ExportData);
    }
    void TearDown() override {
        exports.reset();
        CriteriaPage::TearDown();
    }
    // The sales table with every column output, run.
    void runSales() {
        const QString db = dir.filePath("sales.db");
        ASSERT_NE(test::sqliteCli(db, QString::fromLatin1(kSales)), "<error>");
        openOn("sales", "Provider=SQLite;Data Source=" + db + ";Password=secret");
        click("cmdRunQuery");
        ASSERT_EQ(executed->count(), 1);
    }
    frmVLNExcelExport* openDialog() {
        click("cmdExcel");
        return w->findChild<frmVLNExcelExport*>();
    }
    void press(QWidget* d, const char* name) {
        auto* b = d->findChild<QAbstractButton*>(QString::fromLatin1(name));
        ASSERT_NE(b, nullptr) << name;
        ASSERT_TRUE(b->isEnabled()) << name;
        QTest::mouseClick(b, Qt::LeftButton);
    }
    QTemporaryDir dir;
    std::unique_ptr<QSignalSpy> exports;
};

TEST_F(Export, ADataReportHoldsEveryRowTypedWithItsHeaderFrozenAndFiltered) {
    runSales();
    frmVLNExcelExport* dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(exports->count(), 1);
    EXPECT_TRUE(dialog->findChild<QRadioButton*>("optExcel(1)")->isChecked());
    EXPECT_TRUE(dialog->findChild<QRadioButton*>("optExcel(0)")->isEnabled());

    // Cancelling the file dialog writes nothing.
    prompts->cancel();
    press(dialog, "cmdOK");
    EXPECT_TRUE(QDir(dir.path()).entryList({"*.xlsx"}).isEmpty());

    const QString path = dir.filePath("sales.xlsx");
    prompts->choose(path);
    prompts->documentOpens(true);
    press(dialog, "cmdOK");
    EXPECT_EQ(prompts->records().back().kind, ScriptedPrompts::Record::Kind::OpenDocument);
    EXPECT_EQ(prompts->records().back().text, path);
    EXPECT_TRUE(dialog->isVisible());  // OK leaves the dialog open

    const QJsonObject book = readBack(path);
    EXPECT_EQ(book["sheets"].toArray(), (QJsonArray{"Raw Data"}));
    const QJsonObject sheet = book["Raw Data"].toObject();
    const QJsonArray rows = sheet["rows"].toArray();
    ASSERT_EQ(rows.size(), 4);
    QStringList header;
    for (const auto& cell : rows[0].toArray())
        header << cell.toArray()[1].toString();
    EXPECT_EQ(header, (QStringList{"id", "amount", "city", "sold", "due", "note"}));
    EXPECT_EQ(typesOf(rows[1].toArray()), (QStringList{"n", "n", "s", "d", "d", "s"}));
    EXPECT_EQ(rows[2].toArray()[5].toArray()[0].toString(), "n");  // Null: an empty cell
    EXPECT_TRUE(rows[2].toArray()[5].toArray()[1].isNull());
    EXPECT_EQ(rows[1].toArray()[1].toArray()[1].toString(), "10.5");
    EXPECT_EQ(rows[1].toArray()[3].toArray()[1].toString(), "2024-02-29 13:45:00");
    EXPECT_EQ(rows[2].toArray()[2].toArray()[1].toString(), "Paris & Co <x>");
    EXPECT_EQ(sheet["autofilter"].toString(), "A1:F4");
    EXPECT_EQ(sheet["freeze"].toString(), "A2");
    // Where the rows came from, without the password.
    const QJsonObject properties = book["properties"].toObject();
    EXPECT_TRUE(properties["subject"].toString().startsWith("SELECT sales.id")) << properties["subject"].toString().toStdString();
    EXPECT_TRUE(properties["description"].toString().contains("Data Source=" + dir.filePath("sales.db")));
    EXPECT_FALSE(properties["description"].toString().contains("secret"));

    // LibreOffice reads it as the same rows.
    const QStringList csv = calcCsv(path, dir.path());
    ASSERT_EQ(csv.size(), 4);
    EXPECT_EQ(csv[0], "id,amount,city,sold,due,note");
    EXPECT_TRUE(csv[3].startsWith("3,-2,Lyon,")) << csv[3].toStdString();
}

TEST_F(Export, APivotTableReportHoldsTheTableTpxOverTheRows) {
    runSales();
    frmVLNExcelExport* dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    press(dialog, "optExcel(0)");
    EXPECT_TRUE(dialog->pivotChosen());
    const QString path = dir.filePath("pivot.xlsx");
    prompts->choose(path);
    press(dialog, "cmdOK");
    const QJsonObject book = readBack(path);
    EXPECT_EQ(book["sheets"].toArray(), (QJsonArray{"Pivot Table", "Pivot Data"}));
    const QJsonArray pivots = book["Pivot Table"].toObject()["pivots"].toArray();
    ASSERT_EQ(pivots.size(), 1);
    const QJsonObject tpx = pivots[0].toObject();
    EXPECT_EQ(tpx["name"].toString(), "TPX");
    EXPECT_TRUE(tpx["location"].toString().startsWith("A1:"));
    EXPECT_EQ(tpx["fields"].toArray(), (QJsonArray{"id", "amount", "city", "sold", "due", "note"}));
    EXPECT_EQ(tpx["records"].toInt(), 3);
    EXPECT_EQ(tpx["source"].toString(), "Pivot Data");
    EXPECT_EQ(book["Pivot Data"].toObject()["rows"].toArray().size(), 4);
    EXPECT_FALSE(book["properties"].toObject()["description"].toString().contains("secret"));
    // LibreOffice opens it (the pivot sheet converts; its import would fail on a broken part).
    calcCsv(path, dir.path());
}

TEST_F(Export, FromExactly65536RowsOnlyThePivotReportIsOffered) {
    const QString db = dir.filePath("many.db");
    ASSERT_NE(test::sqliteCli(db, "CREATE TABLE many (n INTEGER);"
                                  "WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < 65536) "
                                  "INSERT INTO many SELECT i FROM c;"),
              "<error>");
    openOn("many", "Provider=SQLite;Data Source=" + db);
    click("cmdRunQuery");
    frmVLNExcelExport* dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(dialog->findChild<QRadioButton*>("optExcel(1)")->isEnabled());
    EXPECT_FALSE(dialog->findChild<QRadioButton*>("optExcel(1)")->isChecked());
    EXPECT_TRUE(dialog->findChild<QRadioButton*>("optExcel(0)")->isChecked());
    EXPECT_TRUE(dialog->pivotChosen());
    press(dialog, "cmdCancel");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // One row fewer leaves both.
    ASSERT_NE(test::sqliteCli(db, "DELETE FROM many WHERE n = 1;"), "<error>");
    click("cmdRunQuery");
    dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->findChild<QRadioButton*>("optExcel(1)")->isEnabled());
    EXPECT_TRUE(dialog->findChild<QRadioButton*>("optExcel(1)")->isChecked());
    EXPECT_FALSE(dialog->pivotChosen());
}

TEST_F(Export, TheHostCanTakeOverAndAFailureSaysWhy) {
    runSales();
    // A file that cannot be written: the message with the reason.
    frmVLNExcelExport* dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    prompts->choose(dir.filePath("no/such/folder/x.xlsx"));
    press(dialog, "cmdOK");
    EXPECT_EQ(prompts->records().back().title, "Error exporting data to Excel");
    EXPECT_TRUE(prompts->records().back().text.startsWith("Error raised by Excel : ")) << prompts->records().back().text.toStdString();
    EXPECT_EQ(prompts->records().back().icon, Prompts::Icon::Critical);
    EXPECT_EQ(w->statusText(), "Ready ..");
    press(dialog, "cmdCancel");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // With the built-in export off, the host hears ExportData and nothing else happens.
    BuilderSettings::shared().VLNDisableDefaultExportToExcel = true;
    exports->clear();
    click("cmdExcel");
    EXPECT_EQ(exports->count(), 1);
    EXPECT_EQ(w->findChild<frmVLNExcelExport*>(), nullptr);
}

TEST_F(Export, RowsCutByMaxRecordsAreSaidSoAndTheFullResultCanBeExportedAndLongTextsAreNoted) {
    const QString db = dir.filePath("sales.db");
    ASSERT_NE(test::sqliteCli(db, QString::fromLatin1(kSales) +
                                      "INSERT INTO sales VALUES (4, 1, 'Nice', NULL, NULL, "
                                      "replace(hex(zeroblob(20000)), '0', 'a'));"),
              "<error>");
    openOn("sales", "Provider=SQLite;Data Source=" + db);
    BuilderSettings::shared().MaxRecords = 2;
    click("cmdRunQuery");
    ASSERT_EQ(executed->count(), 1);
    frmVLNExcelExport* dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    auto* note = dialog->findChild<QLabel*>("lblPartialResult");
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->text(), "These results may not be all the rows: a run reads at most 2 rows here.");
    auto* full = dialog->findChild<QCheckBox*>("chkExportFullResult");
    ASSERT_NE(full, nullptr);
    EXPECT_FALSE(full->isChecked());

    // As shown: the two rows.
    const QString shown = dir.filePath("shown.xlsx");
    prompts->choose(shown);
    press(dialog, "cmdOK");
    EXPECT_EQ(readBack(shown)["Raw Data"].toObject()["rows"].toArray().size(), 3);

    // The full result: the statement again, every row; the long text cut, and the user told.
    ASSERT_NE(test::sqliteCli(db, "UPDATE sales SET city = 'Lille' WHERE id = 1;"), "<error>");
    QTest::mouseClick(full, Qt::LeftButton);
    EXPECT_TRUE(full->isChecked());
    const QString all = dir.filePath("all.xlsx");
    prompts->choose(all);
    press(dialog, "cmdOK");
    const QJsonArray rows = readBack(all)["Raw Data"].toObject()["rows"].toArray();
    ASSERT_EQ(rows.size(), 5);
    EXPECT_EQ(rows[1].toArray()[2].toArray()[1].toString(), "Lille");  // read anew
    EXPECT_EQ(rows[4].toArray()[5].toArray()[1].toString().size(), 32767);
    const auto& told = prompts->records().at(prompts->records().size() - 2);
    EXPECT_EQ(told.text, "The workbook is saved. 1 text was longer than a cell holds (32,767 characters) and was "
                         "cut to fit.");
    EXPECT_EQ(told.title, "Export to Excel");
    EXPECT_EQ(prompts->records().back().kind, ScriptedPrompts::Record::Kind::OpenDocument);
    press(dialog, "cmdCancel");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // All the rows: nothing to say.
    BuilderSettings::shared().MaxRecords = 0;
    goToPage(frmQDM::BuildQuery);
    click("cmdRunQuery");
    dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->findChild<QLabel*>("lblPartialResult"), nullptr);
    EXPECT_EQ(dialog->findChild<QCheckBox*>("chkExportFullResult"), nullptr);
}

// Counts with Python's own streaming XML parser, independent of the project's code: the rows of
// the "Pivot Data" sheet and the sum of their first column, the pivot cache's records and the
// sum of their first items, and the counts the cache declares.
const char* const kCountRows = R"PY(
import sys, zipfile, xml.etree.ElementTree as ET
ns = '{http://schemas.openxmlformats.org/spreadsheetml/2006/main}'
z = zipfile.ZipFile(sys.argv[1])
rows = total = 0
with z.open('xl/worksheets/sheet2.xml') as f:
    for ev, el in ET.iterparse(f):
        if el.tag == ns + 'row':
            rows += 1
            if rows > 1:
                total += int(float(el.find(ns + 'c').find(ns + 'v').text))
            el.clear()
records = recordTotal = 0
with z.open('xl/pivotCache/pivotCacheRecords1.xml') as f:
    for ev, el in ET.iterparse(f, events=('start', 'end')):
        if ev == 'start' and el.tag == ns + 'pivotCacheRecords':
            declared = el.get('count')
        if ev == 'end' and el.tag == ns + 'r':
            records += 1
            recordTotal += int(float(el[0].get('v')))
            el.clear()
definition = ET.fromstring(z.read('xl/pivotCache/pivotCacheDefinition1.xml'))
print(rows, total, records, recordTotal, declared, definition.get('recordCount'))
)PY";

TEST_F(Export, TheFullResultOfALargeQueryIsWrittenAsItArrivesWithEveryRow) {
    constexpr qint64 kRows = 100000;
    const QString db = dir.filePath("many.db");
    ASSERT_NE(test::sqliteCli(db, QStringLiteral("CREATE TABLE many (id INTEGER, code VARCHAR(8), amount REAL);"
                                                 "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                                                 "WHERE i < %1) INSERT INTO many SELECT i, 'c' || (i % 97), i * 0.5 "
                                                 "FROM n;")
                                      .arg(kRows)),
              "<error>");
    openOn("many", "Provider=SQLite;Data Source=" + db);
    BuilderSettings::shared().MaxRecords = 100;
    click("cmdRunQuery");
    ASSERT_EQ(executed->count(), 1);

    frmVLNExcelExport* dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    auto* full = dialog->findChild<QCheckBox*>("chkExportFullResult");
    ASSERT_NE(full, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
    // The option is chosen with the button's own click(): a synthesized mouse click did not
    // reach it in this dialog on the offscreen platform.
    dialog->findChild<QRadioButton*>("optExcel(0)")->click();
    ASSERT_TRUE(dialog->pivotChosen());
    QTest::mouseClick(full, Qt::LeftButton);
    ASSERT_TRUE(full->isChecked());
    const QString path = dir.filePath("many.xlsx");
    prompts->choose(path);
    press(dialog, "cmdOK");
    ASSERT_EQ(prompts->records().back().kind, ScriptedPrompts::Record::Kind::OpenDocument)
        << prompts->records().back().text.toStdString();

    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QString::fromLatin1(kCountRows), path});
    ASSERT_TRUE(p.waitForFinished(120000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    const QString sum = QString::number(kRows * (kRows + 1) / 2);
    EXPECT_EQ(QString::fromUtf8(p.readAllStandardOutput()).trimmed(),
              QStringLiteral("%1 %2 %3 %2 %3 %3").arg(kRows + 1).arg(sum).arg(kRows));
    // No temporary is left beside the workbook.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), (QStringList{"many.db", "many.xlsx"}));
    press(dialog, "cmdCancel");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
