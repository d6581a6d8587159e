#include "SqlScanner.h"

#include <QSet>

namespace lorvane {

namespace {

// Every character beyond ASCII is part of a name to PostgreSQL, SQLite and MySQL alike,
// letters or not ("€E'..'" is a name and a string, not an E'...' string).
bool isWordStart(QChar c) {
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || u == u'_' || u >= 0x80;
}

bool isWordChar(QChar c) {
    return isWordStart(c) || (c.unicode() >= u'0' && c.unicode() <= u'9') || c == u'$';
}

// Words that write, change the schema or run other code; any of them outside quotes and
// comments refuses the text. (SELECT ... INTO creates a table on several databases.)
const QSet<QString>& writeWords() {
    static const QSet<QString> words{
        QStringLiteral("INSERT"),  QStringLiteral("UPDATE"),   QStringLiteral("DELETE"),  QStringLiteral("MERGE"),
        QStringLiteral("CREATE"),  QStringLiteral("DROP"),     QStringLiteral("ALTER"),   QStringLiteral("INTO"),
        QStringLiteral("TRUNCATE"), QStringLiteral("GRANT"),   QStringLiteral("REVOKE"),  QStringLiteral("EXEC"),
        QStringLiteral("EXECUTE"), QStringLiteral("CALL"),     QStringLiteral("COPY"),    QStringLiteral("ATTACH"),
        QStringLiteral("DETACH"),  QStringLiteral("PRAGMA"),   QStringLiteral("VACUUM"),  QStringLiteral("REINDEX"),
        QStringLiteral("COMMIT"),  QStringLiteral("ROLLBACK"), QStringLiteral("BEGIN"),   QStringLiteral("SAVEPOINT"),
        QStringLiteral("RELEASE"), QStringLiteral("LOCK"),     QStringLiteral("SET"),     QStringLiteral("DO"),
    };
    return words;
}

class Reader {
public:
    Reader(QStringView sql, SqlScanner::Lexicon lexicon) : s_(sql), lexicon_(lexicon) {}

    SqlScanner::Shape run() {
        bool inStatement = false;
        bool wantFirstWord = true;
        while (i_ < s_.size()) {
            const QChar c = s_[i_];
            if (isBlank(c)) {
                ++i_;
                continue;
            }
            if (startsLineComment()) {
                ++shape_.comments;
                skipLineComment();
                continue;
            }
            // MySQL runs the text of /*! ... */ as SQL, and MariaDB that of /*M! ... */ too:
            // read it as such.
            if (mysqlComments() && c == u'/' && peek(1) == u'*' && peek(2) == u'!') {
                i_ += 3;
                continue;
            }
            if (mysqlComments() && c == u'/' && peek(1) == u'*' && (peek(2) == u'M' || peek(2) == u'm') &&
                peek(3) == u'!') {
                i_ += 4;
                continue;
            }
            if (c == u'/' && peek(1) == u'*') {
                ++shape_.comments;
                if (!skipBlockComment())
                    return incomplete();
                continue;
            }
            if (c == u';') {
                if (inStatement)
                    shape_.spans.back().second = i_;
                ++i_;
                segmentStart_ = i_;
                inStatement = false;
                wantFirstWord = true;
                continue;
            }
            if (!inStatement) {
                inStatement = true;
                ++shape_.statements;
                shape_.spans.append({segmentStart_, s_.size()});
            }
            if (c == u'\'') {
                if (!skipQuoted(u'\'', backslashEscapes()))
                    return incomplete();
                wantFirstWord = false;
                continue;
            }
            if (c == u'"') {
                if (!skipQuoted(u'"', lexicon_ == SqlScanner::Lexicon::BackslashEscapes))
                    return incomplete();
                wantFirstWord = false;
                continue;
            }
            if (lexicon_ != SqlScanner::Lexicon::PostgreSQL && (c == u'[' || c == u'`')) {
                if (!skipQuoted(c == u'[' ? QChar(u']') : QChar(u'`'), false))
                    return incomplete();
                wantFirstWord = false;
                continue;
            }
            // A name swallows the "$" inside it, so a "$" here never continues one: after a
            // number or another dollar-quoted string it starts a quote too.
            if (lexicon_ == SqlScanner::Lexicon::PostgreSQL && c == u'$') {
                const qsizetype tagEnd = dollarTagEnd();
                if (tagEnd > 0) {
                    if (!skipDollarQuoted(tagEnd))
                        return incomplete();
                    wantFirstWord = false;
                    continue;
                }
            }
            if (isWordStart(c)) {
                const qsizetype start = i_;
                while (i_ < s_.size() && isWordChar(s_[i_]))
                    ++i_;
                const QString word = s_.mid(start, i_ - start).toString().toUpper();
                // E'...' (and e'...') on PostgreSQL: a string with backslash escapes.
                if (lexicon_ == SqlScanner::Lexicon::PostgreSQL && word == u"E" && i_ < s_.size() && s_[i_] == u'\'') {
                    if (!skipQuoted(u'\'', true))
                        return incomplete();
                    wantFirstWord = false;
                    continue;
                }
                if (wantFirstWord && shape_.statements == 1)
                    shape_.firstWord = word;
                wantFirstWord = false;
                if (writeWords().contains(word) && !shape_.writeWords.contains(word))
                    shape_.writeWords << word;
                continue;
            }
            if (c != u'(')
                wantFirstWord = false;
            ++i_;
        }
        return shape_;
    }

private:
    QStringView s_;
    SqlScanner::Lexicon lexicon_;
    qsizetype i_ = 0;
    SqlScanner::Shape shape_;

    qsizetype segmentStart_ = 0;  // just after the last ";"

    // Only ASCII blanks separate words (beyond ASCII everything belongs to a name), and
    // PostgreSQL's lexer does not count a vertical tab.
    bool isBlank(QChar c) const {
        const char16_t u = c.unicode();
        if (lexicon_ == SqlScanner::Lexicon::PostgreSQL)
            return u == u' ' || u == u'\t' || u == u'\n' || u == u'\r' || u == u'\f';
        return u == u' ' || (u >= 0x09 && u <= 0x0d);
    }

    // "--" starts a comment everywhere but on MySQL, where a blank or a control character
    // must follow it ("1--1" is a subtraction there); MySQL also has "#".
    bool startsLineComment() const {
        const QChar c = s_[i_];
        if (mysqlComments()) {
            if (c == u'#')
                return true;
            const QChar after = peek(2);
            return c == u'-' && peek(1) == u'-' && (i_ + 2 >= s_.size() || after.unicode() <= 0x20);
        }
        return c == u'-' && peek(1) == u'-';
    }

    // To the end of the line as the database sees it: PostgreSQL ends a comment at a carriage
    // return or a line feed, SQLite and MySQL at a line feed only.
    void skipLineComment() {
        const bool crEnds = lexicon_ == SqlScanner::Lexicon::PostgreSQL;
        while (i_ < s_.size() && s_[i_] != u'\n' && !(crEnds && s_[i_] == u'\r'))
            ++i_;
    }

    QChar peek(qsizetype ahead) const { return i_ + ahead < s_.size() ? s_[i_ + ahead] : QChar(); }
    bool backslashEscapes() const { return lexicon_ == SqlScanner::Lexicon::BackslashEscapes; }
    bool mysqlComments() const {
        return lexicon_ == SqlScanner::Lexicon::BackslashEscapes || lexicon_ == SqlScanner::Lexicon::MariaDbNoBackslash;
    }

    SqlScanner::Shape incomplete() {
        shape_.complete = false;
        return shape_;
    }

    // From the opening quote at i_ to just after its closing quote; a doubled quote is one
    // character of the text. False when the text ends first.
    bool skipQuoted(QChar close, bool backslash) {
        ++i_;
        while (i_ < s_.size()) {
            const QChar c = s_[i_];
            if (backslash && c == u'\\') {
                i_ += 2;
                continue;
            }
            if (c == close) {
                if (peek(1) == close) {
                    i_ += 2;
                    continue;
                }
                ++i_;
                return true;
            }
            ++i_;
        }
        return false;
    }

    bool skipBlockComment() {
        int depth = 0;
        while (i_ < s_.size()) {
            if (s_[i_] == u'/' && peek(1) == u'*') {
                ++depth;
                i_ += 2;
                if (lexicon_ != SqlScanner::Lexicon::PostgreSQL && depth > 1)
                    depth = 1;  // only PostgreSQL nests comments
                continue;
            }
            if (s_[i_] == u'*' && peek(1) == u'/') {
                i_ += 2;
                if (--depth == 0)
                    return true;
                continue;
            }
            ++i_;
        }
        return false;
    }

    // The position just after the closing "$" of a dollar-quote tag starting at i_ ($$ or
    // $tag$), or 0 when i_ does not start one ($1 is a parameter).
    qsizetype dollarTagEnd() const {
        qsizetype j = i_ + 1;
        if (j < s_.size() && s_[j] == u'$')
            return j + 1;
        if (j >= s_.size() || !isWordStart(s_[j]))
            return 0;
        while (j < s_.size() && isWordChar(s_[j]) && s_[j] != u'$')
            ++j;
        return j < s_.size() && s_[j] == u'$' ? j + 1 : 0;
    }

    bool skipDollarQuoted(qsizetype tagEnd) {
        const QStringView tag = s_.mid(i_, tagEnd - i_);
        const qsizetype close = s_.indexOf(tag, tagEnd);
        if (close < 0)
            return false;
        i_ = close + tag.size();
        return true;
    }
};

}  // namespace

SqlScanner::Shape SqlScanner::scan(QStringView sql, Lexicon lexicon) {
    return Reader(sql, lexicon).run();
}

QString SqlScanner::refusalFor(QStringView sql, std::initializer_list<Lexicon> lexicons) {
    for (const Lexicon lexicon : lexicons) {
        const Shape shape = scan(sql, lexicon);
        if (!shape.complete)
            return QStringLiteral("The statement has a quote or a comment that is not closed.");
        if (shape.statements == 0)
            return QStringLiteral("There is no statement to run.");
        if (shape.statements > 1)
            return QStringLiteral("Only a single SELECT statement can be run here.");
        if (shape.firstWord != u"SELECT" && shape.firstWord != u"WITH")
            return QStringLiteral("Only a single SELECT statement can be run here.");
        if (!shape.writeWords.isEmpty())
            return QStringLiteral("Only statements that read data can be run here (%1 is not allowed).")
                .arg(shape.writeWords.first());
    }
    return {};
}

}  // namespace lorvane
