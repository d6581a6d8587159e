// The table and field lists as an end user meets them: on a catalogue of 20,000 tables (the
// window opens, offers every table, and a saved query opens again, all in linear time: a path
// that grows with the square of the catalogue does not end within the test's time limit), and
// on the sample database (moving names between the lists, through a filter standing between a
// list and its names, with every model checked).
#include "builder/BuilderFixture.h"
#include "builder/NameListModel.h"
#include "builder/NameListView.h"
#include "platform/Connection.h"
#include "shared/BuilderSettings.h"

#include <QAbstractItemModelTester>
#include <QLineEdit>
#include <QTemporaryDir>

using namespace lorvane;
using lorvane::test::BuilderWindow;

namespace {

constexpr int kTables = 20000;
constexpr int kColumns = 4;

QString bigCatalogue() {
    return QStringLiteral("Provider=SQLite;Data Source=") + QStringLiteral(LORVANE_BIG_CATALOGUE);
}

}  // namespace

class BigSchema : public BuilderWindow {
protected:
    QTemporaryDir dir;
    std::unique_ptr<QObject> listeningScope = std::make_unique<QObject>();
    void TearDown() override {
        listeningScope.reset();
        BuilderWindow::TearDown();
    }
    std::vector<std::unique_ptr<QAbstractItemModelTester>> testers;
    void testModels(std::initializer_list<const char*> lists) {
        for (const char* list : lists)
            testers.push_back(std::make_unique<QAbstractItemModelTester>(
                find<QAbstractItemView>(list)->model(), QAbstractItemModelTester::FailureReportingMode::Fatal));
    }
};

TEST_F(BigSchema, TheWindowOpensOnTwentyThousandTablesOffersEveryOneAndASavedQueryOpensAgain) {
    connectAndShow(bigCatalogue());
    const QStringList offered = items("lstTPXTableSelection");
    ASSERT_EQ(offered.size(), kTables);
    const QSet<QString> names(offered.cbegin(), offered.cend());
    EXPECT_EQ(names.size(), kTables);
    for (int t = 0; t < kTables; t += 997)
        EXPECT_TRUE(names.contains(QStringLiteral("[Table %1]").arg(t))) << t;
    EXPECT_TRUE(names.contains(QStringLiteral("[Table %1]").arg(kTables - 1)));
    // Nothing chosen yet: the query page offers no field of the catalogue.
    EXPECT_TRUE(items("lstSelectedFields").isEmpty());

    addTable(QStringLiteral("[Table %1]").arg(kTables - 1));
    EXPECT_EQ(items("lstTPXTableSelection").size(), kTables - 1);
    goToPage(frmQDM::SelectFields);
    EXPECT_EQ(items("lstTPXFieldFrom").size(), kColumns);
    click("cmdTPXFieldRightAll");
    goToPage(frmQDM::BuildQuery);
    EXPECT_EQ(items("lstSelectedFields"), (QStringList{"Column0", "Column1", "Column2", "Column3"}));
    const QString shown = sqlText();
    ASSERT_TRUE(shown.startsWith("SELECT [Table 19999].Column0")) << shown.toStdString();

    // Saved, then opened again through the host's answer to the open exchange.
    const QString path = dir.filePath("big.vln");
    prompts->choose(path);
    click("cmdSaveQuery");
    QObject::connect(component.get(), &Lorvanev2::OpenSavedQuery, listeningScope.get(), [&] {
        component->VLNMakeConnection({}, {}, {}, 0, 0, 0, true, path, true);
        component->VLNShowLorvane();
        w = Lorvanev2::builderWindow();
    });
    // The saved query names the database already open: its handle is kept, so the schema is
    // not loaded again, and a query on it still runs.
    const Connection* open = BuilderSettings::shared().ActiveConnection.get();
    ASSERT_NE(open, nullptr);
    prompts->answer(Prompts::Answer::No);
    click("cmdOpenQuery");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(BuilderSettings::shared().ActiveConnection.get(), open);
    EXPECT_TRUE(open->IsOpen());
    EXPECT_EQ(sqlText(), shown);
    EXPECT_EQ(BuilderSettings::shared().ActiveConnection->OpenRecordSet(shown, 1, true)->FieldCount(), kColumns);
    EXPECT_EQ(items("lstTPXTableSelection").size(), kTables - 1);
    EXPECT_EQ(items("lstTPXTableTo"), QStringList{"[Table 19999]"});
    EXPECT_EQ(items("lstSelectedFields"), (QStringList{"Column0", "Column1", "Column2", "Column3"}));
}

TEST_F(BigSchema, NamesMoveBetweenTheListsByButtonsAndDoubleClicks) {
    connectAndShow();
    testModels({"lstTPXTableSelection", "lstTPXTableTo", "lstTPXFieldFrom", "lstTPXFieldTo"});
    const QStringList all = items("lstTPXTableSelection");
    ASSERT_EQ(all.size(), 10);

    // A click highlights and enables the single move; the tool tip names the table.
    choose("lstTPXTableSelection", "Orders");
    EXPECT_EQ(find<QWidget>("lstTPXTableSelection")->toolTip(), "Orders");
    click("cmdTPXTableRight");
    EXPECT_EQ(items("lstTPXTableTo"), QStringList{"Orders"});
    EXPECT_FALSE(items("lstTPXTableSelection").contains("Orders"));
    // The row below moved up into the highlight.
    auto* available = find<NameListView>("lstTPXTableSelection");
    EXPECT_EQ(available->currentText(), all.value(all.indexOf("Orders") + 1));
    doubleClick("lstTPXTableSelection", "Customers");
    EXPECT_EQ(items("lstTPXTableTo"), (QStringList{"Orders", "Customers"}));
    doubleClick("lstTPXTableTo", "Orders");
    EXPECT_EQ(items("lstTPXTableTo"), QStringList{"Customers"});
    // Back at its place in the catalogue, not at the end.
    QStringList expected = all;
    expected.removeAll("Customers");
    EXPECT_EQ(items("lstTPXTableSelection"), expected);

    // Everything over and back.
    click("cmdTPXTableRightAll");
    EXPECT_TRUE(items("lstTPXTableSelection").isEmpty());
    EXPECT_EQ(items("lstTPXTableTo").size(), 10);
    EXPECT_FALSE(find<QPushButton>("cmdTPXTableRightAll")->isEnabled());
    click("cmdTPXTableLeftAll");
    EXPECT_EQ(items("lstTPXTableSelection").size(), 10);
    EXPECT_TRUE(items("lstTPXTableTo").isEmpty());

    // The field page: the fields of the chosen table, moved and kept in output order.
    addTable("Shippers");
    goToPage(frmQDM::SelectFields);
    EXPECT_EQ(items("lstTPXFieldFrom"), (QStringList{"Shippers.ShipperID", "Shippers.CompanyName", "Shippers.Phone"}));
    doubleClick("lstTPXFieldFrom", "Shippers.Phone");
    choose("lstTPXFieldFrom", "Shippers.ShipperID");
    click("cmdTPXFieldRight");
    EXPECT_EQ(items("lstTPXFieldTo"), (QStringList{"Shippers.Phone", "Shippers.ShipperID"}));
    goToPage(frmQDM::BuildQuery);
    EXPECT_TRUE(sqlText().startsWith("SELECT Shippers.Phone, Shippers.ShipperID\n")) << sqlText().toStdString();
}

TEST_F(BigSchema, TheFilterBoxKeepsClicksOnTheRightTable) {
    connectAndShow();
    QAbstractItemModelTester tester(find<QAbstractItemView>("lstTPXTableSelection")->model(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    auto* filter = find<QLineEdit>("txtTableFilter");
    QTest::keyClicks(filter, "Order");
    EXPECT_EQ(items("lstTPXTableSelection"), (QStringList{"[Order Details]", "Orders", "[Order Subtotals]"}));
    choose("lstTPXTableSelection", "Orders");
    click("cmdTPXTableRight");
    EXPECT_EQ(items("lstTPXTableTo"), QStringList{"Orders"});
    EXPECT_EQ(items("lstTPXTableSelection"), (QStringList{"[Order Details]", "[Order Subtotals]"}));
    // The row below moved up into the highlight, in the narrowed list.
    EXPECT_EQ(find<NameListView>("lstTPXTableSelection")->currentText(), "[Order Subtotals]");
    filter->clear();
    EXPECT_EQ(items("lstTPXTableSelection").size(), 9);
}

TEST_F(BigSchema, TheFilterBoxNarrowsTwentyThousandTablesAndTheNarrowedListMoves) {
    connectAndShow(bigCatalogue());
    auto* filter = find<QLineEdit>("txtTableFilter");
    QTest::keyClicks(filter, "table 1999");
    QStringList expected{"[Table 1999]"};
    for (int t = 19990; t < 20000; ++t)
        expected << QStringLiteral("[Table %1]").arg(t);
    EXPECT_EQ(items("lstTPXTableSelection"), expected);
    doubleClick("lstTPXTableSelection", "[Table 19995]");
    EXPECT_EQ(items("lstTPXTableTo"), QStringList{"[Table 19995]"});
    EXPECT_EQ(items("lstTPXTableSelection").size(), 10);
    QTest::keyClick(filter, Qt::Key_Backspace);
    EXPECT_EQ(items("lstTPXTableSelection").size(), 111 - 1);  // "table 199": 199, 1990-1999, 19900-19999
    filter->clear();
    EXPECT_EQ(items("lstTPXTableSelection").size(), kTables - 1);
    // Taken out again, it is back between its neighbours.
    doubleClick("lstTPXTableTo", "[Table 19995]");
    const QStringList all = items("lstTPXTableSelection");
    const qsizetype at = all.indexOf("[Table 19995]");
    ASSERT_GT(at, 0);
    EXPECT_EQ(all.value(at - 1), "[Table 19994]");
    EXPECT_EQ(all.value(at + 1), "[Table 19996]");
}
