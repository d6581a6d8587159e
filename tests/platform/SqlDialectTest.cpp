// Names, dates and patterns as each database wants them, and the text scanner's readings.
#include "platform/ConnectionString.h"
#include "platform/SqlDialect.h"
#include "platform/SqlScanner.h"

#include <gtest/gtest.h>

using namespace lorvane;

TEST(SqlDialect, NamesAreQuotedExactlyWhenTheyAreNotPlainAndTheClosingQuoteIsDoubled) {
    const SqlDialect unbound = SqlDialect::unbound(), sqlite = SqlDialect::sqlite(), pg = SqlDialect::postgres();
    const SqlDialect odbc = SqlDialect::odbc(QStringLiteral("\""));
    struct Row {
        const char* name;
        const char* unbound;
        const char* sqlite;
        const char* postgres;
    };
    const Row rows[] = {
        {"Orders", "Orders", "Orders", "\"Orders\""},
        {"orders", "orders", "orders", "orders"},
        {"order_2", "order_2", "order_2", "order_2"},
        {"Order Details", "[Order Details]", "[Order Details]", "\"Order Details\""},
        {"order", "[order]", "[order]", "\"order\""},
        {"Select", "[Select]", "[Select]", "\"Select\""},
        {"2nd", "[2nd]", "[2nd]", "\"2nd\""},
        {"we'ird", "[we'ird]", "[we'ird]", "\"we'ird\""},
        {"semi;colon", "[semi;colon]", "[semi;colon]", "\"semi;colon\""},
        {"dot.ted", "[dot.ted]", "[dot.ted]", "\"dot.ted\""},
        {"br]ack", "[br]]ack]", "\"br]ack\"", "\"br]ack\""},
        {"Odd] Name", "[Odd]] Name]", "\"Odd] Name\"", "\"Odd] Name\""},
        {"x]; DROP TABLE victim; --", "[x]]; DROP TABLE victim; --]", "\"x]; DROP TABLE victim; --\"",
         "\"x]; DROP TABLE victim; --\""},
        {"quo\"te", "[quo\"te]", "[quo\"te]", "\"quo\"\"te\""},
        {"Größe", "[Größe]", "[Größe]", "\"Größe\""},
    };
    for (const Row& r : rows) {
        const QString name = QString::fromUtf8(r.name);
        SCOPED_TRACE(r.name);
        EXPECT_EQ(unbound.quoteName(name), QString::fromUtf8(r.unbound));
        EXPECT_EQ(sqlite.quoteName(name), QString::fromUtf8(r.sqlite));
        EXPECT_EQ(pg.quoteName(name), QString::fromUtf8(r.postgres));
        // Every quoted form reads back as the name, and a dot inside quotes is not a qualifier.
        for (const SqlDialect* d : {&unbound, &sqlite, &pg, &odbc}) {
            const QString quoted = d->quoteName(name);
            EXPECT_EQ(d->unquoteName(quoted), name);
            EXPECT_EQ(d->qualifierDot(quoted + QStringLiteral(".Field")), quoted.size());
        }
    }
    EXPECT_EQ(odbc.quoteName(QStringLiteral("Order Details")), "\"Order Details\"");
    // A source that folds unquoted names to upper case (Oracle, DB2) needs lower-case ones quoted.
    const SqlDialect upper = SqlDialect::odbc(QStringLiteral("\""), SqlDialect::Folding::Upper);
    EXPECT_EQ(upper.quoteName(QStringLiteral("CUSTOMERS")), "CUSTOMERS");
    EXPECT_EQ(upper.quoteName(QStringLiteral("Customers")), "\"Customers\"");
    EXPECT_EQ(SqlDialect::odbc(QStringLiteral(" ")).quoteName(QStringLiteral("Order Details")), "[Order Details]");
    // A host's bracketed name is read on every dialect.
    EXPECT_EQ(pg.unquoteName(QStringLiteral("[Order Details]")), "Order Details");
    EXPECT_EQ(pg.qualifierDot(QStringLiteral("main.Orders")), 4);
    EXPECT_EQ(pg.qualifierDot(QStringLiteral("Orders")), -1);
}

TEST(SqlDialect, PresetsGiveEachDatabaseItsOwnDateLiterals) {
    EXPECT_EQ(SqlDialect::unbound().dateFormat, "mm/dd/yyyy h:mm:ss am/pm");
    EXPECT_EQ(SqlDialect::unbound().dateOpen, "'");
    for (const SqlDialect& d : {SqlDialect::sqlite(), SqlDialect::postgres()}) {
        EXPECT_EQ(d.dateOpen + d.dateFormat + d.dateClose, "'yyyy-mm-dd'");
        EXPECT_EQ(d.dateTimeOpen + d.dateTimeFormat + d.dateTimeClose, "'yyyy-mm-dd hh:nn:ss'");
        EXPECT_EQ(d.likeWildcard, "%");
    }
    const SqlDialect odbc = SqlDialect::odbc(QStringLiteral("`"));
    EXPECT_EQ(odbc.dateOpen + odbc.dateFormat + odbc.dateClose, "{d 'yyyy-mm-dd'}");
    EXPECT_EQ(odbc.dateTimeOpen + odbc.dateTimeFormat + odbc.dateTimeClose, "{ts 'yyyy-mm-dd hh:nn:ss'}");
    EXPECT_EQ(odbc.quoteName(QStringLiteral("a`b c")), "`a``b c`");
}

TEST(SqlScanner, EachLexiconReadsQuotesAndCommentsAsItsDatabaseDoes) {
    using L = SqlScanner::Lexicon;
    struct Row {
        const char* sql;
        int standard, backslash, postgres;  // statements seen; -1 when a quote or comment is left open
    };
    const Row rows[] = {
        {"SELECT 1", 1, 1, 1},
        {"SELECT 'a;b'", 1, 1, 1},
        {"SELECT 'it''s'; SELECT 2", 2, 2, 2},
        {"SELECT E'\\''; SELECT 2", -1, 2, 2},
        {"SELECT 'a\\'; SELECT 2 --'", 2, 1, 2},
        {"SELECT $$;$$", 2, 2, 1},
        {"SELECT $1; SELECT 2", 2, 2, 2},
        {"SELECT [a;b]", 1, 1, 2},
        {"SELECT `a;b`", 1, 1, 2},
        {"SELECT \"a;b\"", 1, 1, 1},
        {"SELECT 1 /* /* */ ; SELECT 2 */", 2, 2, 1},
        {"SELECT 1 -- ; SELECT 2", 1, 1, 1},
        {"SELECT 1;;", 1, 1, 1},
        {"SELECT 'open", -1, -1, -1},
        {"SELECT /* open", -1, -1, -1},
        // Where a line comment ends: PostgreSQL at a carriage return too; MySQL wants a blank
        // after "--" and has "#"; the text between /*! and */ is SQL to MySQL.
        {"SELECT 1 AS v --x\r; DELETE FROM notes WHERE id = 1; --", 1, 2, 2},
        {"SELECT 1 -- x\r; SELECT 2", 1, 1, 2},
        {"SELECT 1 --\r\n; SELECT 2", 2, 2, 2},
        {"SELECT 1 --x; SELECT 2", 1, 2, 1},
        {"SELECT 1 # ; SELECT 2", 2, 1, 2},
        {"SELECT 1 /*! ; SELECT 2 */", 1, 2, 1},
        // Found by comparing with PostgreSQL's own scanner: beyond ASCII every character is
        // part of a name (so "€E'" starts no E'...' string); a "$" after a number or a
        // dollar-quoted string starts another; only ASCII blanks separate, and a vertical tab
        // is none to PostgreSQL.
        {"SELECT €E'\\'; DELETE FROM t; --'", 2, 1, 2},
        {"SELECT \xef\xbf\xbdE'\\''; COMMIT; DROP TABLE v; --'", 1, -1, 1},
        {"SELECT $$x$$$$;$$", 2, 2, 1},
        {"SELECT 1$$;$$", 2, 2, 1},
        {"SELECT 1;\v", 1, 1, 2},
        {"SELECT 1;\u00a0", 2, 2, 2},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.sql);
        const QString sql = QString::fromUtf8(r.sql);
        auto seen = [&](L l) {
            const SqlScanner::Shape s = SqlScanner::scan(sql, l);
            return s.complete ? s.statements : -1;
        };
        EXPECT_EQ(seen(L::Standard), r.standard);
        EXPECT_EQ(seen(L::BackslashEscapes), r.backslash);
        EXPECT_EQ(seen(L::PostgreSQL), r.postgres);
    }
    // Each statement runs from just after the ";" before it to its own ";", as PostgreSQL's
    // own scanner splits text; blanks and comments alone are no statement.
    using Spans = QList<std::pair<qsizetype, qsizetype>>;
    EXPECT_EQ(SqlScanner::scan(u"; select 1 ;select 2; -- c", L::PostgreSQL).spans, (Spans{{1, 11}, {12, 20}}));
    EXPECT_EQ(SqlScanner::scan(u"select $$a;$$; /* x */ ;", L::PostgreSQL).spans, (Spans{{0, 13}}));
    const auto shape = SqlScanner::scan(u"  ( (select x from t)) union select 1 into y", L::Standard);
    EXPECT_EQ(shape.firstWord, "SELECT");
    EXPECT_EQ(shape.writeWords, QStringList{"INTO"});
    EXPECT_EQ(SqlScanner::refusalFor(u"SELECT 1", {L::Standard, L::PostgreSQL}), "");
    EXPECT_EQ(SqlScanner::refusalFor(u"VALUES (1)", {L::Standard}), "Only a single SELECT statement can be run here.");
    EXPECT_EQ(SqlScanner::refusalFor(u"WITH d AS (DELETE FROM t) SELECT 1", {L::PostgreSQL}),
              "Only statements that read data can be run here (DELETE is not allowed).");
}

TEST(SqlDialect, MariaDbPresetBackQuotesNamesAndWritesIsoDates) {
    const SqlDialect d = SqlDialect::mariadb();
    EXPECT_EQ(d.kind, SqlDialect::Kind::MariaDB);
    EXPECT_EQ(d.quoteName(QStringLiteral("Orders")), "Orders");  // no case folding
    EXPECT_EQ(d.quoteName(QStringLiteral("Order Details")), "`Order Details`");
    EXPECT_EQ(d.quoteName(QStringLiteral("a`b")), "`a``b`");
    EXPECT_EQ(d.quoteName(QStringLiteral("br]ack")), "`br]ack`");
    // MariaDB's own reserved words are quoted too.
    for (const char* word : {"div", "Dual", "KEYS", "rlike", "xor", "outfile", "handler"})
        EXPECT_EQ(d.quoteName(QString::fromLatin1(word)), u'`' + QString::fromLatin1(word) + u'`') << word;
    EXPECT_EQ(d.unquoteName(QStringLiteral("`a``b`")), "a`b");
    EXPECT_EQ(d.qualifierDot(u"`a.b`.c"), 5);
    EXPECT_EQ(d.dateOpen + d.dateFormat + d.dateClose, "'yyyy-mm-dd'");
    EXPECT_EQ(d.dateTimeOpen + d.dateTimeFormat + d.dateTimeClose, "'yyyy-mm-dd hh:nn:ss'");
    EXPECT_EQ(d.likeWildcard, "%");
    EXPECT_EQ(ConnectionString(QStringLiteral("Provider=MariaDB;Host=h")).kind(), ConnectionString::Kind::MariaDB);
    EXPECT_EQ(ConnectionString(QStringLiteral("provider=mysql;Host=h")).kind(), ConnectionString::Kind::MariaDB);
    EXPECT_EQ(ConnectionString(QStringLiteral("Provider=MariaDBX;DSN=h")).kind(), ConnectionString::Kind::Odbc);
}

TEST(SqlScanner, MariaDbWithoutBackslashEscapesReadsItsCommentFormsAndPlainBackslashes) {
    using L = SqlScanner::Lexicon;
    const std::pair<const char*, int> rows[] = {
        {"SELECT 'a\\'; SELECT 2 -- '", 2},  // a backslash is only a backslash
        {"SELECT 'a\\'; SELECT 2 --'", -1},  // and "--" without a blank starts no comment
        {"SELECT '\\' , 1", 1},
        {"SELECT \"a\\\"; SELECT 2", 2},
        {"SELECT 1 # ; SELECT 2", 1},
        {"SELECT 1 --x; SELECT 2", 2},
        {"SELECT 1 -- ; SELECT 2", 1},
        {"SELECT 1 /*! ; SELECT 2 */", 2},
        {"SELECT 1 /*!50000 ; SELECT 2 */", 2},
        {"SELECT 1 /*M!100000 ; SELECT 2 */", 2},
        {"SELECT 1 /*m! ; SELECT 2 */", 2},
        {"SELECT 1 /* ; SELECT 2 */", 1},
        {"SELECT `a;b`", 1},
        {"SELECT 'open", -1},
    };
    for (const auto& [sql, statements] : rows) {
        SCOPED_TRACE(sql);
        const SqlScanner::Shape s = SqlScanner::scan(QString::fromUtf8(sql), L::MariaDbNoBackslash);
        EXPECT_EQ(s.complete ? s.statements : -1, statements);
    }
    EXPECT_EQ(SqlScanner::refusalFor(u"SELECT 1 /*M! INTO OUTFILE '/tmp/x' */", {L::MariaDbNoBackslash}),
              "Only statements that read data can be run here (INTO is not allowed).");
    EXPECT_EQ(SqlScanner::refusalFor(u"SELECT 1 /* INTO OUTFILE */", {L::MariaDbNoBackslash}), "");
}
