#include "query/SqlColouring.h"

#include <QTextCursor>
#include <QTextDocument>
#include <gtest/gtest.h>

using namespace lorvane;
using C = SqlColouring;

namespace {

// The colour of each character of the first occurrence of part in text.
std::vector<QColor> colourOf(const QString& text, const QString& part, int occurrence = 0) {
    const auto all = C::colourPerCharacter(text);
    qsizetype at = -1;
    for (int i = 0; i <= occurrence; ++i)
        at = text.indexOf(part, at + 1);
    EXPECT_GE(at, 0) << part.toStdString();
    return std::vector<QColor>(all.begin() + at, all.begin() + at + part.size());
}

bool allOf(const std::vector<QColor>& colours, const QColor& c) {
    return std::all_of(colours.begin(), colours.end(), [&](const QColor& x) { return x == c; });
}

}  // namespace

TEST(SqlColouring, RangesFollowTheRulesInOrder) {
    const QString sql = QStringLiteral("SELECT A.X AS Y\r\nFROM A\r\nWHERE (A.X LIKE 'a%') OR (A.Y = 1)\r\nORDER BY A.X DESC");
    const std::vector<C::Range> expected = {
        {0, static_cast<int>(sql.size()), C::Plain},
        {0, 6, C::KeywordBlue},                       // SELECT
        {17, 4, C::KeywordBlue},                      // FROM
        {25, 5, C::KeywordBlue},                      // WHERE
        {61, 8, C::KeywordBlue},                      // ORDER BY
        {46, 4, C::KeywordBlue},                      // " OR "
        {10, 4, C::KeywordBlue},                      // " AS "
        {36, 4, C::Grey},                             // LIKE
        {73, 5, C::SortRed},                          // " DESC"
    };
    EXPECT_EQ(C::ranges(sql), expected);
}

TEST(SqlColouring, OnlyTheFirstKeywordOfEachClauseIsBlue) {
    const QString sql = QStringLiteral("SELECT A\r\nFROM T\r\nWHERE (T.Note = 'WHERE it is')");
    EXPECT_TRUE(allOf(colourOf(sql, "WHERE", 0), C::KeywordBlue));
    EXPECT_TRUE(allOf(colourOf(sql, "WHERE", 1), C::Plain));
}

TEST(SqlColouring, ComparisonWordsAreGreyAndIsNullDoesNotMatchInsideIsNotNull) {
    const QString sql = QStringLiteral("WHERE (T.A NOT LIKE 'x') AND (T.B IS NOT NULL) AND (T.C IS NULL) AND (T.D BETWEEN 1 AND 2)");
    EXPECT_TRUE(allOf(colourOf(sql, "NOT LIKE"), C::Grey));
    EXPECT_TRUE(allOf(colourOf(sql, "IS NOT NULL"), C::Grey));
    EXPECT_TRUE(allOf(colourOf(sql, "IS NULL"), C::Grey));
    EXPECT_TRUE(allOf(colourOf(sql, "BETWEEN"), C::Grey));
    for (const C::Range& r : C::ranges(sql))
        if (r.length == 7 && sql.mid(r.start, 7) == u"IS NULL")
            EXPECT_GT(r.start, sql.indexOf("IS NOT NULL"));  // only the real IS NULL
    EXPECT_TRUE(allOf(colourOf(sql, " AND "), C::KeywordBlue));
    // LIKE inside a longer word is grey too.
    EXPECT_TRUE(allOf(colourOf(QStringLiteral("= 'UNLIKELY'"), "LIKE"), C::Grey));
}

TEST(SqlColouring, AggregatesAfterABlankAParenthesisAfterABlankOrAnOperator) {
    const QString sql = QStringLiteral("SELECT SUM(A),(COUNT(B)), x (MAX(C)), 1+AVG(D), 2*STDEV(E), F,MIN(G), H(VAR(I))");
    EXPECT_TRUE(allOf(colourOf(sql, " SUM"), C::AggregateOrange));
    EXPECT_EQ(colourOf(sql, "SUM(")[3], C::Plain);                 // the "(" stays plain
    EXPECT_TRUE(allOf(colourOf(sql, "COUNT"), C::Plain));          // "(" preceded by a comma, not a blank
    EXPECT_TRUE(allOf(colourOf(sql, "MAX"), C::AggregateOrange));  // " (MAX("
    EXPECT_TRUE(allOf(colourOf(sql, "AVG"), C::AggregateOrange));  // after "+"
    EXPECT_TRUE(allOf(colourOf(sql, "STDEV"), C::AggregateOrange));  // after "*"
    EXPECT_TRUE(allOf(colourOf(sql, "MIN"), C::Plain));            // after a comma
    EXPECT_TRUE(allOf(colourOf(sql, "VAR"), C::Plain));            // after a letter and "("
    EXPECT_EQ(colourOf(sql, "+")[0], C::Plain);                    // the operator itself stays plain
}

TEST(SqlColouring, JoinWordsPurpleAndSortWordsRed) {
    const QString sql = QStringLiteral("FROM (( A INNER JOIN B ON A.X = B.X)  LEFT OUTER JOIN C ON A.Y = C.Y)\r\nORDER BY A.X ASC, A.Y DESC");
    EXPECT_TRUE(allOf(colourOf(sql, "INNER JOIN"), C::Purple));
    EXPECT_TRUE(allOf(colourOf(sql, "LEFT OUTER JOIN"), C::Purple));
    EXPECT_TRUE(allOf(colourOf(sql, " ON "), C::KeywordBlue));
    EXPECT_TRUE(allOf(colourOf(sql, " ASC"), C::SortRed));
    EXPECT_TRUE(allOf(colourOf(sql, " DESC"), C::SortRed));
    EXPECT_EQ(C::ranges(QString()).size(), 1u);
}

TEST(SqlColouring, AppliesToATextDocument) {
    QTextDocument doc;
    doc.setPlainText(QStringLiteral("SELECT A\r\nFROM T\r\nWHERE (T.A LIKE 'x')"));
    C::apply(&doc);
    auto colourAt = [&doc](int position) {
        QTextCursor c(&doc);
        c.setPosition(position + 1);
        return c.charFormat().foreground().color();
    };
    const QString text = doc.toPlainText();
    EXPECT_EQ(colourAt(0), C::KeywordBlue);
    EXPECT_EQ(colourAt(static_cast<int>(text.indexOf("LIKE"))), C::Grey);
    EXPECT_EQ(colourAt(static_cast<int>(text.indexOf("T.A"))), C::Plain);
}
