#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <initializer_list>

namespace lorvane {

// Reads SQL text the way a database's lexer would, far enough to tell how many statements it
// holds, which word starts it and which words outside quotes and comments would change data.
// Databases disagree on what a quote or a comment is, so each Lexicon is one reading:
//   Standard          '...' with '', "...", [...], `...`, -- and non-nested /* */
//                     (SQLite, SQL Server, most ODBC sources)
//   BackslashEscapes  as Standard, but a backslash escapes the next character in '...' and "..."
//                     (MySQL and its kin)
//   PostgreSQL        '...', E'...' with backslash escapes, $tag$...$tag$, "...", -- and nested
//                     /* */; [ and ` are ordinary characters
class SqlScanner {
public:
    enum class Lexicon { Standard, BackslashEscapes, PostgreSQL };

    struct Shape {
        bool complete = true;   // every quote and comment is closed
        int statements = 0;     // statements with at least one word or symbol
        QString firstWord;      // upper-cased first word of the first statement, after any "("
        QStringList writeWords; // upper-cased words that change data or the schema
        int comments = 0;       // -- and /* */ comments outside quotes
    };

    static Shape scan(QStringView sql, Lexicon lexicon);

    // Empty when, read by every given lexicon, the text is one complete SELECT (or WITH ...
    // SELECT) with no word that changes data; otherwise the reason, in plain words.
    static QString refusalFor(QStringView sql, std::initializer_list<Lexicon> lexicons);
};

}  // namespace lorvane
