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
