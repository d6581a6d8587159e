// The demo host as its user sees it: the property table edits the component, refused writes
// show what the component kept, and every notification reaches the event log.
#include "DemoWindow.h"
#include "builder/frmQDM.h"
#include "control/Lorvanev2.h"
#include "platform/ScriptedPrompts.h"
#include "support/TestDatabases.h"

#include "shared/BuilderSettings.h"
#include "shared/clsField.h"
#include "shared/clsTable.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTableWidget>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QFile>
#include <gtest/gtest.h>

namespace {

int rowOf(QTableWidget* table, const QString& name) {
    for (int r = 0; r < table->rowCount(); ++r)
        if (table->item(r, 0)->text() == name)
            return r;
    return -1;
}

}  // namespace

TEST(DemoHost, EditingPropertiesDrivesTheComponentAndLogsItsNotifications) {
    DemoWindow window(lorvane::test::sampleDatabasePath());
    window.show();
    auto* table = window.findChild<QTableWidget*>(QStringLiteral("tblProperties"));
    auto* log = window.findChild<QPlainTextEdit*>(QStringLiteral("txtEventLog"));
    ASSERT_TRUE(table && log);
    ASSERT_EQ(table->rowCount(), 39);

    const int tables = rowOf(table, QStringLiteral("VLNAllowTableSelection"));
    const int joins = rowOf(table, QStringLiteral("VLNAllowJoinCreation"));
    table->item(tables, 1)->setCheckState(Qt::Unchecked);
    EXPECT_FALSE(window.component()->VLNAllowJoinCreation());
    EXPECT_EQ(table->item(joins, 1)->checkState(), Qt::Unchecked);
    EXPECT_TRUE(log->toPlainText().contains("PropertyChanged(\"VLNAllowJoinCreation\")"));

    table->item(joins, 1)->setCheckState(Qt::Checked);  // refused while table selection is off
    EXPECT_EQ(table->item(joins, 1)->checkState(), Qt::Unchecked);

    const int like = rowOf(table, QStringLiteral("VLNLikeOperator"));
    table->item(like, 1)->setText(QStringLiteral("*"));
    EXPECT_EQ(window.component()->VLNLikeOperator(), "*");

    const int joinTypes = rowOf(table, QStringLiteral("VLNJoinTypesSupported"));
    EXPECT_EQ(table->item(joinTypes, 1)->text(), "jtInnerAndOuterJoin");
    table->item(joinTypes, 1)->setText(QStringLiteral("jtInnerJoinOnly"));
    EXPECT_EQ(window.component()->VLNJoinTypesSupported(), lorvane::Lorvanev2::jtInnerJoinOnly);

    const int active = rowOf(table, QStringLiteral("VLNActiveConnectionString"));
    EXPECT_FALSE(table->item(active, 1)->flags() & Qt::ItemIsEditable);
}

TEST(DemoHost, TheConnectionPanelConnectsAndShowsTheCollectionsAndTheEvent) {
    lorvane::clsTable::shared().RemoveAll();
    lorvane::BuilderSettings::shared() = lorvane::BuilderSettings();
    DemoWindow window(lorvane::test::sampleDatabasePath());
    window.show();
    auto* log = window.findChild<QPlainTextEdit*>(QStringLiteral("txtEventLog"));
    auto* tables = window.findChild<QListWidget*>(QStringLiteral("lstTables"));
    auto* fields = window.findChild<QListWidget*>(QStringLiteral("lstFields"));
    auto* connectButton = window.findChild<QPushButton*>(QStringLiteral("cmdConnect"));
    ASSERT_TRUE(log && tables && fields && connectButton);
    EXPECT_EQ(window.findChild<QLineEdit*>(QStringLiteral("txtConnectionString"))->text(),
              lorvane::test::sampleConnectionString());

    QTest::mouseClick(connectButton, Qt::LeftButton);
    EXPECT_TRUE(log->toPlainText().contains("ConnectionComplete(0, \"\", \"\")")) << log->toPlainText().toStdString();
    EXPECT_EQ(tables->count(), 10);
    EXPECT_FALSE(tables->findItems(QStringLiteral("[Order Details]"), Qt::MatchExactly).isEmpty());
    EXPECT_FALSE(fields->findItems(QStringLiteral("Products.[Unit Price]"), Qt::MatchExactly).isEmpty());

    // Connecting again without clearing the collection reports the collection's error.
    QTest::mouseClick(connectButton, Qt::LeftButton);
    EXPECT_TRUE(log->toPlainText().contains("ConnectionComplete(-2147220504")) << log->toPlainText().toStdString();

    window.findChild<QLineEdit*>(QStringLiteral("txtConnectionString"))->setText(QStringLiteral("Provider=SQLite;Data Source=/no/such.db"));
    lorvane::clsTable::shared().RemoveAll();
    QTest::mouseClick(connectButton, Qt::LeftButton);
    EXPECT_TRUE(log->toPlainText().contains("\"QSQLITE\")")) << log->toPlainText().toStdString();
    EXPECT_EQ(tables->count(), 0);
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("cmdDisconnect")), Qt::LeftButton);
    EXPECT_TRUE(log->toPlainText().endsWith("VLNDisconnectConnection()"));
    lorvane::clsTable::shared().RemoveAll();
    lorvane::BuilderSettings::shared() = lorvane::BuilderSettings();
}

TEST(DemoHost, AnswersOpenSavedQueryByOpeningTheBuilderOnTheChosenQuery) {
    lorvane::test::resetSharedState();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("orders.vln"));
    DemoWindow window(lorvane::test::sampleDatabasePath());
    auto prompts = std::make_shared<lorvane::ScriptedPrompts>();
    window.component()->setPrompts(prompts);
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("cmdConnect")), Qt::LeftButton);
    window.showBuilder();
    lorvane::frmQDM* builder = lorvane::Lorvanev2::builderWindow();
    ASSERT_NE(builder, nullptr);
    auto* available = builder->findChild<QAbstractItemView*>(QStringLiteral("lstTPXTableSelection"));
    const QModelIndex orders = available->model()
                                   ->match(available->model()->index(0, 0), Qt::DisplayRole, QStringLiteral("Orders"), 1,
                                           Qt::MatchExactly)
                                   .value(0);
    ASSERT_TRUE(orders.isValid());
    available->setCurrentIndex(orders);
    emit available->clicked(orders);
    builder->findChild<QPushButton*>(QStringLiteral("cmdTPXTableRight"))->click();
    builder->tabs()->setCurrentIndex(lorvane::frmQDM::SelectFields);
    builder->findChild<QPushButton*>(QStringLiteral("cmdTPXFieldRightAll"))->click();
    builder->tabs()->setCurrentIndex(lorvane::frmQDM::BuildQuery);
    ASSERT_EQ(builder->tabs()->currentIndex(), lorvane::frmQDM::BuildQuery);
    const QString shown = builder->findChild<QTextEdit*>(QStringLiteral("txtSQL"))->toPlainText();
    prompts->choose(path);
    ASSERT_TRUE(builder->findChild<QPushButton*>(QStringLiteral("cmdSaveQuery"))->isEnabled());
    builder->findChild<QPushButton*>(QStringLiteral("cmdSaveQuery"))->click();
    ASSERT_TRUE(QFile::exists(path)) << prompts->records().size() << " " << prompts->records().back().text.toStdString();

    // Open right after the save: nothing to save first; the host reconnects and the builder
    // asks which query to open.
    prompts->choose(path);
    builder->findChild<QPushButton*>(QStringLiteral("cmdOpenQuery"))->click();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    builder = lorvane::Lorvanev2::builderWindow();
    ASSERT_NE(builder, nullptr);
    EXPECT_EQ(prompts->records().back().text, "Open Saved Query");
    EXPECT_EQ(builder->findChild<QTextEdit*>(QStringLiteral("txtSQL"))->toPlainText(), shown);
    auto* log = window.findChild<QPlainTextEdit*>(QStringLiteral("txtEventLog"));
    EXPECT_TRUE(log->toPlainText().contains("OpenSavedQuery()"));
    window.component()->VLNCloseLorvane(false);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    lorvane::test::resetSharedState();
}
