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
    EXPECT_EQ(model.data(model.index(1, 1)).toString(), "Null");  // shown as a word of its own
    EXPECT_FALSE(model.data(model.index(1, 1), Qt::EditRole).isValid());
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

TEST(RecordSetModel, DecimalsKeepTheirScaleExactlyAndRealsShowTheirShortestText) {
    auto rs = std::make_shared<RecordSet>();
    rs->AppendField("Price", AdoType::Decimal, 20);
    rs->AppendField("Ratio", AdoType::Double, 8);
    rs->AppendField("Bare", AdoType::Decimal, 20);
    rs->SetFieldOrigin(0, 2, "Items", "Price");
    rs->Open();
    const QVariant rows[][3] = {{"1733.6", 0.1 * 3, "1733.6"},
                                {"2.345", 1e20, "12345678901234567.891"},
                                {"-9.995", 0.5, "-1"},
                                {"12345678901234567.8", -2.5e-7, "0"},
                                {"-0.001", 123456789012.0, "1"}};
    for (const auto& r : rows)
        rs->AppendRow(r);
    RecordSetModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.setRecordSet(rs);
    const QStringList price{"1733.60", "2.35", "-10.00", "12345678901234567.80", "0.00"};
    const QStringList ratio{"0.3", "1e+20", "0.5", "-2.5e-07", "123456789012"};
    for (int r = 0; r < 5; ++r) {
        EXPECT_EQ(model.data(model.index(r, 0)).toString(), price[r]) << r;
        EXPECT_EQ(model.data(model.index(r, 1)).toString(), ratio[r]) << r;
    }
    // Without a scale the decimal's own text stands, every digit of it.
    EXPECT_EQ(model.data(model.index(1, 2)).toString(), "12345678901234567.891");
    EXPECT_EQ(model.headerData(0, Qt::Horizontal, Qt::ToolTipRole).toString(), "Table Items, field Price");
    EXPECT_EQ(model.headerData(1, Qt::Horizontal, Qt::ToolTipRole).toString(),
              "Field Ratio, calculated (it belongs to no table)");
}
