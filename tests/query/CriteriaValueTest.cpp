#include "query/CriteriaValue.h"

#include <gtest/gtest.h>

using namespace lorvane;

TEST(CriteriaValue, NumbersAreSqlNumericLiteralsOnly) {
    for (const char* yes : {"10", "-3", "+4", "2.5", ".5", "5.", "1e3", "-2.5E-4", "007"})
        EXPECT_TRUE(CriteriaValue::isNumber(yes)) << yes;
    for (const char* no : {"", " ", "1,000", "$5", "0x10", "1e", "1 2", "0 OR 1=1", "1;", "NaN", "--1", "1.2.3"})
        EXPECT_FALSE(CriteriaValue::isNumber(no)) << no;
}

TEST(CriteriaValue, DatesAreIsoOrMonthDayYear) {
    const struct {
        const char* text;
        QDateTime expected;
    } yes[] = {
        {"2020-01-31", QDateTime(QDate(2020, 1, 31), QTime(0, 0))},
        {"2020-1-5 7:08", QDateTime(QDate(2020, 1, 5), QTime(7, 8))},
        {"2020-01-31T23:59:59", QDateTime(QDate(2020, 1, 31), QTime(23, 59, 59))},
        {"1/31/2020", QDateTime(QDate(2020, 1, 31), QTime(0, 0))},
        {"12/5/21 6:05 PM", QDateTime(QDate(2021, 12, 5), QTime(18, 5))},
        {"12/05/1999 12:00:01 am", QDateTime(QDate(1999, 12, 5), QTime(0, 0, 1))},
        {"2/29/2024", QDateTime(QDate(2024, 2, 29), QTime(0, 0))},
        {"1/1/35", QDateTime(QDate(1935, 1, 1), QTime(0, 0))},
        {" 2020-01-31 ", QDateTime(QDate(2020, 1, 31), QTime(0, 0))},
    };
    for (const auto& y : yes)
        EXPECT_EQ(CriteriaValue::parseDate(y.text), y.expected) << y.text;
    for (const char* no : {"2020", "31/12/2020", "2/30/2024", "2020-13-01", "13:00 PM 1/1/2020", "1/1/2020 13:00 PM",
                           "yesterday", "20200131", "1.5", "2020-01-31 25:00", "O'Brien"})
        EXPECT_FALSE(CriteriaValue::parseDate(no).has_value()) << no;
}

TEST(CriteriaValue, FormatsWithTheDateTokens) {
    const QDateTime t(QDate(2021, 3, 7), QTime(14, 5, 9));
    const struct {
        const char* format;
        const char* expected;
    } rows[] = {
        {"mm/dd/yyyy h:mm:ss am/pm", "03/07/2021 2:05:09 pm"},
        {"yyyy-mm-dd hh:nn:ss", "2021-03-07 14:05:09"},
        {"yyyy-mm-dd hh:mm:ss", "2021-03-07 14:05:09"},
        {"m/d/yy", "3/7/21"},
        {"dd mmm yyyy", "07 Mar 2021"},
        {"dddd, mmmm d", "Sunday, March 7"},
        {"ddd hh:nn AM/PM", "Sun 02:05 PM"},
        {"h:n:s a/p", "2:5:9 p"},
        {"yyyymmdd", "20210307"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(CriteriaValue::formatDate(t, r.format), r.expected) << r.format;
    EXPECT_EQ(CriteriaValue::formatDate(QDateTime(QDate(2021, 3, 7), QTime(0, 30)), "h:mm am/pm"), "12:30 am");
    EXPECT_EQ(CriteriaValue::escape("O'Brien's"), "O''Brien''s");
}
