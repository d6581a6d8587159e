#include "SqliteTableDefinition.h"

namespace lorvane {

namespace {

struct Token {
    enum Kind { Word, Quoted, Punct } kind;
    qsizetype start, end;  // in the text
    QStringView view;      // a word or punctuation as written, a quoted name without its quotes
    QString unescaped;     // a quoted name whose doubled quotes were made single
    QString value() const { return unescaped.isNull() ? view.toString() : unescaped; }
};

bool isIdChar(QChar c) {
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') || u == u'_' ||
           u == u'$' || u >= 0x80;
}

bool isSpace(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r';
}

// SQLite's tokens, as far as a column list needs them; false on text it would not accept.
bool tokenize(QStringView s, std::vector<Token>& out) {
    qsizetype i = 0;
    const qsizetype n = s.size();
    while (i < n) {
        const QChar c = s[i];
        if (isSpace(c)) {
            ++i;
        } else if (c == u'-' && i + 1 < n && s[i + 1] == u'-') {
            while (i < n && s[i] != u'\n')
                ++i;
        } else if (c == u'/' && i + 1 < n && s[i + 1] == u'*') {
            const qsizetype close = s.indexOf(u"*/", i + 2);
            i = close < 0 ? n : close + 2;
        } else if (c == u'"' || c == u'`' || c == u'\'' || c == u'[') {
            const QChar closer = c == u'[' ? QChar(u']') : c;
            bool doubled = false;
            qsizetype j = i + 1;
            for (;;) {
                if (j >= n)
                    return false;  // unterminated
                if (s[j] == closer) {
                    if (closer != u']' && j + 1 < n && s[j + 1] == closer) {
                        doubled = true;
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            Token token{Token::Quoted, i, j + 1, s.mid(i + 1, j - i - 1), {}};
            if (doubled)
                token.unescaped = token.view.toString().replace(QString(2, closer), QString(closer));
            out.push_back(std::move(token));
            i = j + 1;
        } else if (isIdChar(c)) {
            qsizetype j = i;
            while (j < n && isIdChar(s[j]))
                ++j;
            out.push_back({Token::Word, i, j, s.mid(i, j - i), {}});
            i = j;
        } else {
            out.push_back({Token::Punct, i, i + 1, s.mid(i, 1), {}});
            ++i;
        }
    }
    return true;
}

bool isWord(const Token& t, const char* word) {
    return t.kind == Token::Word && t.view.compare(QLatin1StringView(word), Qt::CaseInsensitive) == 0;
}

bool isPunct(const Token& t, char16_t c) {
    return t.kind == Token::Punct && t.view[0] == c;
}

// Words that end a column's type: the keywords that start a column constraint. (GENERATED and
// ALWAYS are names to SQLite's grammar, so they are part of the type; see trimGeneratedAlways.)
bool endsType(const Token& t) {
    for (const char* w : {"CONSTRAINT", "PRIMARY", "NOT", "NULL", "UNIQUE", "CHECK", "DEFAULT", "COLLATE", "REFERENCES",
                          "AS"})
        if (isWord(t, w))
            return true;
    return false;
}

bool startsTableConstraint(const Token& t) {
    for (const char* w : {"CONSTRAINT", "PRIMARY", "UNIQUE", "CHECK", "FOREIGN"})
        if (isWord(t, w))
            return true;
    return false;
}

// The "(n)" or "(n, m)" after a type name, each n an optionally signed number; returns the index
// after the ")" or -1.
qsizetype typeArguments(const std::vector<Token>& t, qsizetype i, qsizetype end) {
    if (i >= end || !isPunct(t[i], u'('))
        return -1;
    ++i;
    for (int arg = 0; arg < 2; ++arg) {
        if (i < end && (isPunct(t[i], u'+') || isPunct(t[i], u'-')))
            ++i;
        if (i >= end || t[i].kind != Token::Word || !t[i].view[0].isDigit())
            return -1;
        ++i;
        if (i < end && isPunct(t[i], u')'))
            return i + 1;
        if (arg == 0 && i < end && isPunct(t[i], u','))
            ++i;
        else
            return -1;
    }
    return -1;
}

// "INT GENERATED ALWAYS" (before AS) is the type INT: SQLite cuts a trailing "always", then a
// "generated" before it, from a type of 16 characters or more.
QStringView trimGeneratedAlways(QStringView type) {
    if (type.size() < 16 || !type.right(6).startsWith(u"always", Qt::CaseInsensitive))
        return type;
    type.chop(6);
    while (!type.isEmpty() && isSpace(type.back()))
        type.chop(1);
    if (type.size() >= 9 && type.right(9).startsWith(u"generated", Qt::CaseInsensitive)) {
        type.chop(9);
        while (!type.isEmpty() && isSpace(type.back()))
            type.chop(1);
    }
    return type;
}

}  // namespace

std::optional<std::vector<SqliteColumnDefinition>> readSqliteTableDefinition(QStringView sql) {
    std::vector<Token> t;
    t.reserve(static_cast<std::size_t>(sql.size() / 4));
    if (!tokenize(sql, t))
        return std::nullopt;
    const auto count = static_cast<qsizetype>(t.size());
    qsizetype i = 0;
    if (i >= count || !isWord(t[i++], "CREATE"))
        return std::nullopt;
    if (i < count && (isWord(t[i], "TEMP") || isWord(t[i], "TEMPORARY")))
        ++i;
    if (i >= count || !isWord(t[i++], "TABLE"))
        return std::nullopt;
    if (i + 2 < count && isWord(t[i], "IF") && isWord(t[i + 1], "NOT") && isWord(t[i + 2], "EXISTS"))
        i += 3;
    if (i >= count || t[i].kind == Token::Punct)
        return std::nullopt;
    ++i;
    if (i < count && isPunct(t[i], u'.')) {
        if (i + 1 >= count || t[i + 1].kind == Token::Punct)
            return std::nullopt;
        i += 2;
    }
    if (i >= count || !isPunct(t[i], u'('))
        return std::nullopt;  // CREATE TABLE ... AS SELECT, or something else
    ++i;

    // The items between the parentheses, split at commas outside nested parentheses.
    std::vector<std::pair<qsizetype, qsizetype>> items;
    qsizetype depth = 0, itemStart = i, close = -1;
    for (qsizetype k = i; k < count; ++k) {
        if (isPunct(t[k], u'(')) {
            ++depth;
        } else if (isPunct(t[k], u')')) {
            if (depth == 0) {
                items.emplace_back(itemStart, k);
                close = k;
                break;
            }
            --depth;
        } else if (depth == 0 && isPunct(t[k], u',')) {
            items.emplace_back(itemStart, k);
            itemStart = k + 1;
        }
    }
    if (close < 0)
        return std::nullopt;
    // After the list: nothing, or STRICT (WITHOUT ROWID changes what the pragma says of keys).
    for (qsizetype k = close + 1; k < count; ++k)
        if (!isWord(t[k], "STRICT") && !isPunct(t[k], u',') && !isPunct(t[k], u';'))
            return std::nullopt;

    std::vector<SqliteColumnDefinition> columns;
    for (const auto& [from, to] : items) {
        if (from >= to)
            return std::nullopt;  // an empty item
        if (startsTableConstraint(t[from]))
            break;  // the table's constraints follow the columns
        if (t[from].kind == Token::Punct)
            return std::nullopt;
        SqliteColumnDefinition column;
        column.name = t[from].value();
        qsizetype k = from + 1;
        const qsizetype typeStart = k;
        while (k < to && t[k].kind == Token::Word && !endsType(t[k]))
            ++k;
        if (k < to && t[k].kind == Token::Quoted)
            return std::nullopt;  // a quoted type name: SQLite dequotes it in ways not read here
        if (k > typeStart && k < to && isPunct(t[k], u'(')) {
            k = typeArguments(t, k, to);
            if (k < 0)
                return std::nullopt;
        }
        if (k > typeStart) {
            column.declaredType =
                trimGeneratedAlways(sql.mid(t[typeStart].start, t[k - 1].end - t[typeStart].start)).toString();
            // SQLite keeps its own type names as names of its own, written in capitals.
            for (const char* own : {"ANY", "BLOB", "INT", "INTEGER", "REAL", "TEXT"})
                if (column.declaredType.compare(QLatin1StringView(own), Qt::CaseInsensitive) == 0)
                    column.declaredType = QString::fromLatin1(own);
        }
        // What follows is constraints: only NOT NULL outside parentheses matters here.
        qsizetype nested = 0;
        for (; k < to; ++k) {
            if (isPunct(t[k], u'('))
                ++nested;
            else if (isPunct(t[k], u')'))
                --nested;
            else if (nested == 0 && isWord(t[k], "NOT") && k + 1 < to && isWord(t[k + 1], "NULL"))
                column.notNull = true;
        }
        columns.push_back(std::move(column));
    }
    if (columns.empty())
        return std::nullopt;
    return columns;
}

}  // namespace lorvane
