// The builder window as an end user drives it, on the sample database, with the host listening.
#include "builder/frmQDM.h"
#include "control/BuilderSettings.h"
#include "control/Lorvanev2.h"
#include "control/clsField.h"
#include "control/clsTable.h"
#include "platform/ScriptedPrompts.h"
#include "query/RecordSetModel.h"
#include "support/TestDatabases.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <gtest/gtest.h>

using namespace lorvane;

namespace {

class BuilderWindow : public ::testing::Test {
protected:
    void SetUp() override {
        reset();
        prompts = std::make_shared<ScriptedPrompts>();
        component = std::make_unique<Lorvanev2>();
        component->setPrompts(prompts);
        executed = std::make_unique<QSignalSpy>(component.get(), &Lorvanev2::QueryExecuted);
        unloaded = std::make_unique<QSignalSpy>(component.get(), &Lorvanev2::VLNUnloaded);
    }
    void TearDown() override {
        if (Lorvanev2::builderWindow())
            component->VLNCloseLorvane(false);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        executed.reset();
        unloaded.reset();
        component.reset();
        reset();
    }
    static void reset() {
        clsTable::shared().RemoveAll();
        clsField::shared().RemoveAll();
        BuilderSettings::shared() = BuilderSettings();
    }
    void connectAndShow(const QString& connectionString = test::sampleConnectionString()) {
        component->VLNMakeConnection(connectionString, {}, {}, 0, 0, 0, false, {}, true);
        component->VLNShowLorvane();
        w = Lorvanev2::builderWindow();
        ASSERT_NE(w, nullptr);
    }
    template <typename T> T* find(const char* name) {
        T* child = w->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    void click(const char* button) {
        auto* b = find<QPushButton>(button);
        ASSERT_TRUE(b->isEnabled()) << button << " is disabled";
        QTest::mouseClick(b, Qt::LeftButton);
    }
    void choose(const char* list, const QString& item) {
        auto* l = find<QListWidget>(list);
        const auto items = l->findItems(item, Qt::MatchExactly);
        ASSERT_FALSE(items.isEmpty()) << item.toStdString() << " not in " << list;
        l->setCurrentItem(items.first());
        emit l->itemClicked(items.first());
    }
    void addTable(const QString& table) {
        choose("lstTPXTableSelection", table);
        click("cmdTPXTableRight");
    }
    void chooseCombo(const char* name, const QString& text) {
        auto* c = find<QComboBox>(name);
        const int i = c->findText(text);
        ASSERT_GE(i, 0) << text.toStdString() << " not offered in " << name;
        c->setCurrentIndex(i);
        emit c->activated(i);
    }
    QStringList items(const char* list) {
        QStringList out;
        auto* l = find<QListWidget>(list);
        for (int i = 0; i < l->count(); ++i)
            out << l->item(i)->text();
        return out;
    }
    QStringList comboItems(const char* name) {
        QStringList out;
        auto* c = find<QComboBox>(name);
        for (int i = 0; i < c->count(); ++i)
            out << c->itemText(i);
        return out;
    }
    std::vector<bool> pagesEnabled() {
        std::vector<bool> out;
        for (int i = 0; i < 5; ++i)
            out.push_back(w->tabs()->isTabEnabled(i));
        return out;
    }
    void goToPage(int page) { w->tabs()->setCurrentIndex(page); }
    QString sqlText() { return find<QTextEdit>("txtSQL")->toPlainText(); }

    std::shared_ptr<ScriptedPrompts> prompts;
    std::unique_ptr<Lorvanev2> component;
    std::unique_ptr<QSignalSpy> executed, unloaded;
    frmQDM* w = nullptr;
};

}  // namespace

TEST_F(BuilderWindow, TwoTablesJoinedFieldsPickedRunSortedSplitAndClosed) {
    connectAndShow();
    EXPECT_EQ(w->windowTitle(), "Kestrine Lorvane V2.0");
    EXPECT_EQ(w->statusText(), "Ready ..");
    EXPECT_EQ(find<QLabel>("lblTPXTables")->text(), "Select the Tables you wish to include in your Query");
    EXPECT_EQ(w->tabs()->tabText(1), "Build Joins");
    EXPECT_EQ(items("lstTPXTableSelection").size(), 10);
    EXPECT_EQ(pagesEnabled(), (std::vector<bool>{true, false, false, false, false}));

    addTable("Orders");
    EXPECT_EQ(pagesEnabled(), (std::vector<bool>{true, false, true, true, true}));
    addTable("Customers");
    EXPECT_EQ(pagesEnabled(), (std::vector<bool>{true, true, false, false, false}));

    goToPage(frmQDM::BuildJoins);
    EXPECT_EQ(comboItems("cmbJoinType"), (QStringList{"=", ">="}));
    chooseCombo("cmbJoinTables(0)", "Orders");
    EXPECT_EQ(comboItems("cmbJoinTables(1)"), QStringList{"Customers"});
    chooseCombo("cmbJoinTables(1)", "Customers");
    click("cmdlockTables");
    EXPECT_EQ(find<QListWidget>("lstJoinFields(0)")->currentItem()->text(), "Orders.CustomerID");
    EXPECT_EQ(find<QListWidget>("lstJoinFields(1)")->currentItem()->text(), "Customers.CustomerID");
    EXPECT_EQ(find<QComboBox>("cmbJoinType")->toolTip(),
              "[ONLY INCLUDE ROWS] where the Joined Fields from 'Orders' are [EQUAL] to the Fields from 'Customers'");
    click("cmdAddJoin");
    EXPECT_EQ(pagesEnabled(), (std::vector<bool>{true, true, true, true, true}));
    EXPECT_EQ(find<QTableView>("dgrJoins")->model()->rowCount(), 1);

    goToPage(frmQDM::SelectFields);
    EXPECT_TRUE(items("lstTPXFieldFrom").contains("Customers.CompanyName"));
    choose("lstTPXFieldFrom", "Orders.OrderID");
    click("cmdTPXFieldRight");
    choose("lstTPXFieldFrom", "Customers.CompanyName");
    click("cmdTPXFieldRight");
    choose("lstTPXFieldFrom", "Orders.Freight");
    click("cmdTPXFieldRight");
    EXPECT_EQ(items("lstTPXFieldTo"), (QStringList{"Orders.OrderID", "Customers.CompanyName", "Orders.Freight"}));

    goToPage(frmQDM::BuildQuery);
    const QString expected = "SELECT Orders.OrderID, Customers.CompanyName, Orders.Freight\n"
                             "FROM ( Orders INNER JOIN Customers ON Orders.CustomerID = Customers.CustomerID)\n";
    EXPECT_EQ(sqlText().replace("\r\n", "\n").replace("\r", "\n"), expected);

    click("cmdRunQuery");
    EXPECT_EQ(w->tabs()->currentIndex(), frmQDM::QueryResults);
    auto* grid = find<QSplitter>("dgrQueryResults");
    auto* view = qobject_cast<QTableView*>(grid->widget(0));
    EXPECT_EQ(view->model()->rowCount(), 20000);
    EXPECT_EQ(view->model()->headerData(1, Qt::Horizontal).toString(), "CompanyName");
    EXPECT_EQ(find<QTextEdit>("txtSQLErrors")->toPlainText(), "Query Successful ... \n20000 Records Returned");
    EXPECT_EQ(w->statusText(), "Ready ..");
    ASSERT_EQ(executed->count(), 1);
    const auto args = executed->takeFirst();
    EXPECT_EQ(args[0].toInt(), 0);
    EXPECT_EQ(args[1].toString(), "");
    EXPECT_EQ(args[2].toString(), "SELECT Orders.OrderID, Customers.CompanyName, Orders.Freight FROM ( Orders INNER "
                                  "JOIN Customers ON Orders.CustomerID = Customers.CustomerID) ");
    auto results = args[3].value<std::shared_ptr<RecordSet>>();
    ASSERT_TRUE(results);
    EXPECT_EQ(results->RecordCount(), 20000);

    emit view->horizontalHeader()->sectionClicked(2);
    click("cmdDesc");
    const double top = view->model()->data(view->model()->index(0, 2)).toDouble();
    const double next = view->model()->data(view->model()->index(1, 2)).toDouble();
    EXPECT_GE(top, next);
    EXPECT_DOUBLE_EQ(top, 499.99);
    click("cmdAsc");
    double lowest = top;
    for (qint64 r = 0; r < results->RecordCount(); ++r)
        lowest = std::min(lowest, results->ValueAt(r, 2).toDouble());
    EXPECT_DOUBLE_EQ(view->model()->data(view->model()->index(0, 2)).toDouble(), lowest);

    click("cmdResAddSplit");
    EXPECT_EQ(grid->count(), 2);
    EXPECT_TRUE(find<QPushButton>("cmdResDeleteSplit")->isEnabled());
    click("cmdResDeleteSplit");
    EXPECT_EQ(grid->count(), 1);
    EXPECT_FALSE(find<QPushButton>("cmdResDeleteSplit")->isEnabled());

    component->VLNCloseLorvane(false);
    EXPECT_EQ(Lorvanev2::builderWindow(), nullptr);
    ASSERT_EQ(unloaded->count(), 1);
    EXPECT_EQ(unloaded->first()[0].toString(), "");
    EXPECT_TRUE(prompts->records().isEmpty());
}
