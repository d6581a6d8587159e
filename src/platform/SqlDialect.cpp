#include "SqlDialect.h"

#include <QSet>
#include <optional>

namespace lorvane {

namespace {

// Words reserved by standard SQL, PostgreSQL, SQLite or MariaDB, and the words the read-only check
// refuses outside quotes. A name that is one of them is always quoted; quoting a word that
// one database would have accepted bare does no harm.
const QSet<QString>& reservedWords() {
    static const QSet<QString> words = [] {
        const char* const list[] = {
            "ABORT", "ABSOLUTE", "ACTION", "ADD", "AFTER", "ALL", "ALLOCATE", "ALTER", "ANALYSE", "ANALYZE", "AND",
            "ANY", "ARE", "ARRAY", "AS", "ASC", "ASSERTION", "ASYMMETRIC", "AT", "ATTACH", "AUTHORIZATION",
            "AUTOINCREMENT", "AVG", "BEFORE", "BEGIN", "BETWEEN", "BINARY", "BIT", "BIT_LENGTH", "BOTH", "BY", "CALL",
            "CASCADE", "CASCADED", "CASE", "CAST", "CATALOG", "CHAR", "CHARACTER", "CHARACTER_LENGTH", "CHAR_LENGTH",
            "CHECK", "CLOSE", "COALESCE", "COLLATE", "COLLATION", "COLUMN", "COMMIT", "CONCURRENTLY", "CONFLICT",
            "CONNECT", "CONNECTION", "CONSTRAINT", "CONSTRAINTS", "CONTINUE", "CONVERT", "COPY", "CORRESPONDING",
            "COUNT", "CREATE", "CROSS", "CURRENT", "CURRENT_CATALOG", "CURRENT_DATE", "CURRENT_ROLE",
            "CURRENT_SCHEMA", "CURRENT_TIME", "CURRENT_TIMESTAMP", "CURRENT_USER", "CURSOR", "DATABASE", "DATE",
            "DAY", "DEALLOCATE", "DEC", "DECIMAL", "DECLARE", "DEFAULT", "DEFERRABLE", "DEFERRED", "DELETE", "DESC",
            "DESCRIBE", "DESCRIPTOR", "DETACH", "DIAGNOSTICS", "DISCONNECT", "DISTINCT", "DO", "DOMAIN", "DOUBLE",
            "DROP", "EACH", "ELSE", "END", "ESCAPE", "EXCEPT", "EXCEPTION", "EXCLUSIVE", "EXEC", "EXECUTE", "EXISTS",
            "EXPLAIN", "EXTERNAL", "EXTRACT", "FAIL", "FALSE", "FETCH", "FILTER", "FIRST", "FLOAT", "FOR", "FOREIGN",
            "FOUND", "FREEZE", "FROM", "FULL", "GET", "GLOB", "GLOBAL", "GO", "GOTO", "GRANT", "GROUP", "GROUPS",
            "HAVING", "HOUR", "IDENTITY", "IF", "IGNORE", "ILIKE", "IMMEDIATE", "IN", "INDEX", "INDEXED",
            "INDICATOR", "INITIALLY", "INNER", "INPUT", "INSENSITIVE", "INSERT", "INSTEAD", "INT", "INTEGER",
            "INTERSECT", "INTERVAL", "INTO", "IS", "ISNULL", "ISOLATION", "JOIN", "KEY", "LANGUAGE", "LAST",
            "LATERAL", "LEADING", "LEFT", "LEVEL", "LIKE", "LIMIT", "LOCAL", "LOCALTIME", "LOCALTIMESTAMP", "LOCK",
            "LOWER", "MATCH", "MAX", "MERGE", "MIN", "MINUTE", "MODULE", "MONTH", "NAMES", "NATIONAL", "NATURAL",
            "NCHAR", "NEXT", "NO", "NOT", "NOTHING", "NOTNULL", "NULL", "NULLIF", "NUMERIC", "OCTET_LENGTH", "OF",
            "OFFSET", "ON", "ONLY", "OPEN", "OPTION", "OR", "ORDER", "OUTER", "OUTPUT", "OVER", "OVERLAPS", "PAD",
            "PARTIAL", "PARTITION", "PLACING", "PLAN", "POSITION", "PRAGMA", "PRECISION", "PREPARE", "PRESERVE",
            "PRIMARY", "PRIOR", "PRIVILEGES", "PROCEDURE", "PUBLIC", "QUERY", "RAISE", "RANGE", "READ", "REAL",
            "RECURSIVE", "REFERENCES", "REGEXP", "REINDEX", "RELATIVE", "RELEASE", "RENAME", "REPLACE", "RESTRICT",
            "RETURNING", "REVOKE", "RIGHT", "ROLLBACK", "ROW", "ROWS", "SAVEPOINT", "SCHEMA", "SCROLL", "SECOND",
            "SECTION", "SELECT", "SESSION", "SESSION_USER", "SET", "SIMILAR", "SIZE", "SMALLINT", "SOME", "SPACE",
            "SQL", "SQLCODE", "SQLERROR", "SQLSTATE", "SUBSTRING", "SUM", "SYMMETRIC", "SYSTEM_USER", "TABLE",
            "TABLESAMPLE", "TEMP", "TEMPORARY", "THEN", "TIME", "TIMESTAMP", "TIMEZONE_HOUR", "TIMEZONE_MINUTE", "TO",
            "TRAILING", "TRANSACTION", "TRANSLATE", "TRANSLATION", "TRIGGER", "TRIM", "TRUE", "TRUNCATE", "UNION",
            "UNIQUE", "UNKNOWN", "UPDATE", "UPPER", "USAGE", "USER", "USING", "VACUUM", "VALUE", "VALUES", "VARCHAR",
            "VARIADIC", "VARYING", "VERBOSE", "VIEW", "VIRTUAL", "WHEN", "WHENEVER", "WHERE", "WINDOW", "WITH",
            "WITHOUT", "WORK", "WRITE", "YEAR", "ZONE",
            // MariaDB's own
            "ACCESSIBLE", "ASENSITIVE", "BIGINT", "BLOB", "CHANGE", "DATABASES", "DAY_HOUR", "DAY_MICROSECOND",
            "DAY_MINUTE", "DAY_SECOND", "DELAYED", "DISTINCTROW", "DIV", "DUAL", "ELSEIF", "ENCLOSED", "ESCAPED",
            "EXIT", "FLOAT4", "FLOAT8", "FORCE", "FULLTEXT", "HANDLER", "HIGH_PRIORITY", "HOUR_MICROSECOND",
            "HOUR_MINUTE", "HOUR_SECOND", "INFILE", "INOUT", "INT1", "INT2", "INT3", "INT4", "INT8", "ITERATE",
            "KEYS", "KILL", "LEAVE", "LINEAR", "LINES", "LOAD", "LONG", "LONGBLOB", "LONGTEXT", "LOOP",
            "LOW_PRIORITY", "MEDIUMBLOB", "MEDIUMINT", "MEDIUMTEXT", "MIDDLEINT", "MINUTE_MICROSECOND",
            "MINUTE_SECOND", "MOD", "MODIFIES", "NO_WRITE_TO_BINLOG", "OPTIMIZE", "OPTIONALLY", "OUT", "OUTFILE",
            "PURGE", "READS", "READ_WRITE", "REPEAT", "REQUIRE", "RESIGNAL", "RETURN", "RLIKE", "SCHEMAS",
            "SECOND_MICROSECOND", "SENSITIVE", "SEPARATOR", "SHOW", "SIGNAL", "SPATIAL", "SPECIFIC", "SQLEXCEPTION",
            "SQLWARNING", "SQL_BIG_RESULT", "SQL_CALC_FOUND_ROWS", "SQL_SMALL_RESULT", "SSL", "STARTING",
            "STRAIGHT_JOIN", "TERMINATED", "TINYBLOB", "TINYINT", "TINYTEXT", "UNDO", "UNLOCK", "UNSIGNED", "USE",
            "UTC_DATE", "UTC_TIME", "UTC_TIMESTAMP", "VARBINARY", "VARCHARACTER", "WHILE", "XOR", "YEAR_MONTH",
            "ZEROFILL",
        };
        QSet<QString> out;
        for (const char* w : list)
            out.insert(QString::fromLatin1(w));
        return out;
    }();
    return words;
}

bool isAsciiLetter(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

}  // namespace

SqlDialect SqlDialect::unbound() {
    return {};
}

SqlDialect SqlDialect::sqlite() {
    // SQLite reads the component's default [name] form, so names keep it.
    SqlDialect d;
    d.kind = Kind::SQLite;
    d.bracketsCannotHoldBracket = true;
    d.dateFormat = QStringLiteral("yyyy-mm-dd");
    d.dateTimeFormat = QStringLiteral("yyyy-mm-dd hh:nn:ss");
    return d;
}

SqlDialect SqlDialect::postgres() {
    SqlDialect d = sqlite();
    d.kind = Kind::PostgreSQL;
    d.leftQuote = d.rightQuote = QStringLiteral("\"");
    d.bracketsCannotHoldBracket = false;
    d.folding = Folding::Lower;
    return d;
}

SqlDialect SqlDialect::mariadb() {
    SqlDialect d = sqlite();
    d.kind = Kind::MariaDB;
    d.leftQuote = d.rightQuote = QStringLiteral("`");
    d.bracketsCannotHoldBracket = false;
    return d;
}

SqlDialect SqlDialect::odbc(const QString& identifierQuote, Folding folding) {
    SqlDialect d;
    d.kind = Kind::Odbc;
    d.folding = folding;
    const QString quote = identifierQuote.trimmed();
    // A driver without quoting answers a blank; "[" is the form such sources mostly accept.
    if (quote.isEmpty()) {
        d.leftQuote = QStringLiteral("[");
        d.rightQuote = QStringLiteral("]");
    } else {
        d.leftQuote = d.rightQuote = quote;
    }
    d.dateOpen = QStringLiteral("{d '");
    d.dateClose = QStringLiteral("'}");
    d.dateFormat = QStringLiteral("yyyy-mm-dd");
    d.dateTimeOpen = QStringLiteral("{ts '");
    d.dateTimeClose = QStringLiteral("'}");
    d.dateTimeFormat = QStringLiteral("yyyy-mm-dd hh:nn:ss");
    return d;
}

bool SqlDialect::isReservedWord(QStringView word) {
    // Every reserved word is short and ASCII: most names are told apart without building an
    // upper-cased copy (a catalogue of 20,000 tables asks this for every column).
    constexpr qsizetype kLongestWord = 32;
    if (word.size() > kLongestWord)
        return false;
    char16_t upper[kLongestWord];
    for (qsizetype i = 0; i < word.size(); ++i) {
        const char16_t c = word[i].unicode();
        if (c >= 0x80)
            return false;
        upper[i] = c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
    }
    return reservedWords().contains(QString::fromRawData(reinterpret_cast<const QChar*>(upper), word.size()));
}

bool SqlDialect::isPlainIdentifier(QStringView name) const {
    if (name.isEmpty() || !(isAsciiLetter(name[0]) || name[0] == u'_'))
        return false;
    for (const QChar c : name) {
        if (!(isAsciiLetter(c) || (c >= u'0' && c <= u'9') || c == u'_'))
            return false;
        if ((folding == Folding::Lower && c >= u'A' && c <= u'Z') || (folding == Folding::Upper && c >= u'a' && c <= u'z'))
            return false;
    }
    return !isReservedWord(name);
}

QString SqlDialect::quoteName(const QString& name) const {
    if (isPlainIdentifier(name) || leftQuote.isEmpty())
        return name;
    QString left = leftQuote, right = rightQuote;
    if (bracketsCannotHoldBracket && right == u"]" && name.contains(u']'))
        left = right = QStringLiteral("\"");
    QString inner = name;
    if (!right.isEmpty())
        inner.replace(right, right + right);
    return left + inner + right;
}

QString SqlDialect::unquoteName(const QString& text) const {
    auto strip = [&text](const QString& left, const QString& right) -> std::optional<QString> {
        if (left.isEmpty() || right.isEmpty() || text.size() < left.size() + right.size() || !text.startsWith(left) ||
            !text.endsWith(right))
            return std::nullopt;
        QString inner = text.mid(left.size(), text.size() - left.size() - right.size());
        inner.replace(right + right, right);
        return inner;
    };
    if (const auto raw = strip(leftQuote, rightQuote))
        return *raw;
    if (const auto raw = strip(QStringLiteral("["), QStringLiteral("]")))
        return *raw;
    if (const auto raw = strip(QStringLiteral("\""), QStringLiteral("\"")))
        return *raw;
    return text;
}

qsizetype SqlDialect::qualifierDot(QStringView item) const {
    QChar close;
    for (qsizetype i = 0; i < item.size(); ++i) {
        const QChar c = item[i];
        if (!close.isNull()) {
            if (c == close) {
                if (i + 1 < item.size() && item[i + 1] == close)
                    ++i;  // a doubled quote inside the name
                else
                    close = QChar();
            }
            continue;
        }
        if (!leftQuote.isEmpty() && c == leftQuote[0] && !rightQuote.isEmpty())
            close = rightQuote[0];
        else if (c == u'[')
            close = u']';
        else if (c == u'"')
            close = u'"';
        else if (c == u'.')
            return i;
    }
    return -1;
}

}  // namespace lorvane
