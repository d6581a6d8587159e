// The design-time connection page as a developer uses it: the saved table string, the
// catalogue listed per command type, bad time-outs, clearing the connection string, moving
// tables and Apply writing the component's properties.
#include "control/Lorvanev2.h"
#include "control/VLNConnection.h"
#include "builder/BuilderWidgets.h"
#include "platform/ScriptedPrompts.h"
#include "support/TestDatabases.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace lorvane;

namespace {

class ConnectionPage : public ::testing::Test {
protected:
    void SetUp() override {
        test::resetSharedState();
        prompts = std::make_shared<ScriptedPrompts>();
        page = std::make_unique<VLNConnection>(prompts);
    }
    void TearDown() override {
        page.reset();
        test::resetSharedState();
    }
    template <typename T> T* find(const char* name) {
        T* w = page->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QStringList items(const char* list) { return listTexts(find<QListWidget>(list)); }
    void pick(const char* list, const QString& text) {
        auto* l = find<QListWidget>(list);
        const auto found = l->findItems(text, Qt::MatchExactly);
        ASSERT_FALSE(found.isEmpty()) << text.toStdString();
        l->setCurrentItem(found.first());
        emit l->itemClicked(found.first());
    }
    std::shared_ptr<ScriptedPrompts> prompts;
    std::unique_ptr<VLNConnection> page;
    Lorvanev2 component;
};

}  // namespace

TEST_F(ConnectionPage, ASavedTableStringIsListedOnceAndLeavesTheAvailableList) {
    component.setVLNConnectionString(test::sampleConnectionString());
    component.setVLNCommandType(QStringLiteral("Both"));
    component.setVLNTableString(QStringLiteral(";Customers;;Orders"));
    page->setComponent(&component);
    EXPECT_EQ(items("lstQDMSelectedTables"), (QStringList{"Customers", "Orders"}));
    const QStringList available = items("lstQDMSelTables");
    EXPECT_FALSE(available.contains("Customers"));
    EXPECT_TRUE(available.contains("Order Details"));
    EXPECT_TRUE(available.contains("Order Subtotals"));  // a view: "Both"
    EXPECT_FALSE(page->changed());
}

TEST_F(ConnectionPage, TheCommandTypeChoosesTablesOrViews) {
    component.setVLNConnectionString(test::sampleConnectionString());
    component.setVLNCommandType(QStringLiteral("Both"));
    page->setComponent(&component);
    find<QComboBox>("cmbQDMCommandType")->setCurrentText(QStringLiteral("Views"));
    EXPECT_EQ(items("lstQDMSelTables"), (QStringList{"Current Product List", "Order Subtotals"}));
    find<QComboBox>("cmbQDMCommandType")->setCurrentText(QStringLiteral("Tables"));
    EXPECT_TRUE(items("lstQDMSelTables").contains("Shippers"));
    EXPECT_FALSE(items("lstQDMSelTables").contains("Order Subtotals"));
    EXPECT_TRUE(page->changed());
}

TEST_F(ConnectionPage, ABadTimeoutIsRefusedAndResetTo60) {
    page->setComponent(&component);
    for (const char* bad : {"-5", "abc"}) {
        find<QLineEdit>("txtConnectionTimeout")->setText(QString::fromLatin1(bad));
        ASSERT_FALSE(prompts->records().isEmpty());
        EXPECT_EQ(prompts->records().back().text, "Must be a number greater or equal to 0");
        EXPECT_EQ(prompts->records().back().title, "VLNConnection Control");
        EXPECT_EQ(find<QLineEdit>("txtConnectionTimeout")->text(), "60");
    }
    find<QLineEdit>("txtCommandTimeout")->setText(QStringLiteral("-1"));
    EXPECT_EQ(find<QLineEdit>("txtCommandTimeout")->text(), "60");
    const auto asked = prompts->records().size();
    find<QLineEdit>("txtCommandTimeout")->setText(QStringLiteral("0"));
    EXPECT_EQ(prompts->records().size(), asked);
}

TEST_F(ConnectionPage, ClearingTheConnectionStringEmptiesBothListsAndMovingAndApplyWriteTheProperties) {
    component.setVLNConnectionString(test::sampleConnectionString());
    component.setVLNCommandType(QStringLiteral("Tables"));
    page->setComponent(&component);
    pick("lstQDMSelTables", "Shippers");
    QTest::mouseClick(find<QPushButton>("cmdTables(0)"), Qt::LeftButton);
    pick("lstQDMSelTables", "Order Details");
    emit find<QListWidget>("lstQDMSelTables")->itemDoubleClicked(find<QListWidget>("lstQDMSelTables")->currentItem());
    EXPECT_EQ(items("lstQDMSelectedTables"), (QStringList{"Shippers", "Order Details"}));
    EXPECT_EQ(page->tableString(), ";Shippers;Order Details");
    find<QLineEdit>("txtCommandTimeout")->setText(QStringLiteral("45"));
    page->apply();
    EXPECT_EQ(component.VLNTableString(), ";Shippers;Order Details");
    EXPECT_EQ(component.VLNCommandTimeout(), 45);
    EXPECT_EQ(component.VLNCommandType(), "Tables");
    EXPECT_EQ(component.VLNConnectionString(), test::sampleConnectionString());

    find<QLineEdit>("txtQDMDataConnection")->clear();
    EXPECT_TRUE(items("lstQDMSelTables").isEmpty());
    EXPECT_TRUE(items("lstQDMSelectedTables").isEmpty());
    EXPECT_FALSE(find<QComboBox>("cmbQDMCommandType")->isEnabled());
    EXPECT_EQ(find<QComboBox>("cmbQDMCommandType")->currentText(), "");
}

TEST_F(ConnectionPage, AFailedConnectionShowsTheDriversDescriptionNumberAndSource) {
    component.setVLNConnectionString(QStringLiteral("Provider=SQLite;Data Source=/no/such/dir/x.db"));
    component.setVLNCommandType(QStringLiteral("Tables"));
    page->setComponent(&component);
    ASSERT_FALSE(prompts->records().isEmpty());
    const QStringList lines = prompts->records().back().text.split(u'\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].contains("does not exist")) << lines[0].toStdString();
    EXPECT_NE(lines[1].toLongLong(), 0);
    EXPECT_FALSE(lines[2].isEmpty());
    EXPECT_TRUE(items("lstQDMSelTables").isEmpty());
}
