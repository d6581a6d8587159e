#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <initializer_list>
#include <utility>

namespace lorvane {

// Reads SQL text the way a database's lexer would, far enough to tell how many statements it
// holds, which word starts it and which words outside quotes and comments would change data.
// Databases disagree on what a quote or a comment is, so each Lexicon is one reading:
//   Standard          '...' with '', "...", [...], `...`, -- to a line feed and non-nested /* */
//                     (SQLite, SQL Server, most ODBC sources)
//   BackslashEscapes  as Standard, but a backslash escapes the next character in '...' and "...",
//                     "-- " needs a blank after it, # starts a comment and /*! ... */ (and
//                     MariaDB's /*M! ... */) is SQL (MySQL and its kin)
//   MariaDbNoBackslash  as BackslashEscapes, but a backslash is an ordinary character: MySQL
//                     and MariaDB with NO_BACKSLASH_ESCAPES
//   PostgreSQL        '...', E'...' with backslash escapes, $tag$...$tag$, "...", -- to a carriage
//                     return or line feed and nested /* */; [ and ` are ordinary characters
class SqlScanner {
public:
    enum class Lexicon { Standard, BackslashEscapes, PostgreSQL, MariaDbNoBackslash };

    struct Shape {
        bool complete = true;   // every quote and comment is closed
        int statements = 0;     // statements with at least one word or symbol
        QString firstWord;      // upper-cased first word of the first statement, after any "("
        QStringList writeWords; // upper-cased words that change data or the schema
        int comments = 0;       // -- and /* */ comments outside quotes
        // Where each counted statement lies: from just after the ";" before it (or the start)
        // to its own ";" (or the end), so that comments and blanks around it belong to it.
        QList<std::pair<qsizetype, qsizetype>> spans;
    };

    static Shape scan(QStringView sql, Lexicon lexicon);

    // Empty when, read by every given lexicon, the text is one complete SELECT (or WITH ...
    // SELECT) with no word that changes data; otherwise the reason, in plain words.
    static QString refusalFor(QStringView sql, std::initializer_list<Lexicon> lexicons);
};

}  // namespace lorvane
