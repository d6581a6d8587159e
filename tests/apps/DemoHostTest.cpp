// The demo host as its user sees it: the property table edits the component, refused writes
// show what the component kept, and every notification reaches the event log.
#include "DemoWindow.h"
#include "control/Lorvanev2.h"
#include "support/TestDatabases.h"

#include <QPlainTextEdit>
#include <QTableWidget>
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
    ASSERT_EQ(table->rowCount(), 36);

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
