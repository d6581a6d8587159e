#include "platform/AdoTypes.h"
#include "platform/RecordSetModel.h"

#include <QAbstractItemModelTester>
#include <QDateTime>
#include <gtest/gtest.h>

using namespace lorvane;

TEST(RecordSetModel, ShowsTheRowsSortsAndPassesTheModelTester) {
    auto rs = std::make_shared<RecordSet>();
    rs->AppendField("Name", AdoType::VarChar, 20);
    rs->AppendField("Amount", AdoType::Double, 8);
    rs->AppendField("When", AdoType::DBTimeStamp, 8);
    rs->Open();
    const QVariant rows[][3] = {{"b", 2.5, QDateTime(QDate(2020, 1, 2), QTime(3, 4, 5))},
                                {"a", QVariant(), QDateTime(QDate(2021, 1, 1), QTime(0, 0))},
                                {"c", 1.0, QVariant()}};
    for (const auto& r : rows)
        rs->AppendRow(r);
    RecordSetModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    EXPECT_EQ(model.rowCount(), 0);
    model.setRecordSet(rs);
    EXPECT_EQ(model.rowCount(), 3);
    EXPECT_EQ(model.columnCount(), 3);
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), "Amount");
    EXPECT_EQ(model.headerData(0, Qt::Vertical).toInt(), 1);
    EXPECT_EQ(model.data(model.index(0, 2)).toString(), "2020-01-02 03:04:05");
    EXPECT_FALSE(model.data(model.index(1, 1)).isValid());
    EXPECT_FALSE(model.setData(model.index(0, 0), "x"));  // read-only unless asked

    model.sort("Amount DESC");
    EXPECT_EQ(model.data(model.index(0, 0)).toString(), "b");
    EXPECT_EQ(model.data(model.index(2, 0)).toString(), "a");  // Null last when descending

    model.setEditable(true);
    EXPECT_TRUE(model.setData(model.index(0, 0), "B"));
    EXPECT_EQ(rs->ValueAt(0, 0).toString(), "B");
    rs->AddNew();
    model.refresh();
    EXPECT_EQ(model.rowCount(), 4);
    rs->Close();
    model.refresh();
    EXPECT_EQ(model.rowCount(), 0);
    model.setRecordSet(nullptr);
    EXPECT_EQ(model.columnCount(), 0);
}
