#pragma once

#include <QString>
#include <QStringView>

namespace lorvane {

// How one database wants names, date values and LIKE patterns written. A Connection knows the
// preset of the database it opened; the builder lays the host's own settings over it.
struct SqlDialect {
    enum class Kind { Unbound, SQLite, PostgreSQL, MariaDB, Odbc };

    Kind kind = Kind::Unbound;
    // Put around a name that is not a plain identifier; the closing one is doubled inside.
    QString leftQuote = QStringLiteral("[");
    QString rightQuote = QStringLiteral("]");
    // A database that folds unquoted names to one case (PostgreSQL to lower, Oracle to upper)
    // reads a name holding the other case as plain only when it is quoted.
    enum class Folding { None, Lower, Upper };
    Folding folding = Folding::None;
    // SQLite reads [name] but has no way to write a "]" inside it: such a name is quoted with
    // double quotes instead.
    bool bracketsCannotHoldBracket = false;
    // A date literal: open text, the date written with the format, close text. A value with a
    // time (or compared with a date-time column) takes the date-time form.
    QString dateOpen = QStringLiteral("'");
    QString dateClose = QStringLiteral("'");
    QString dateFormat = QStringLiteral("mm/dd/yyyy h:mm:ss am/pm");
    QString dateTimeOpen = QStringLiteral("'");
    QString dateTimeClose = QStringLiteral("'");
    QString dateTimeFormat = QStringLiteral("mm/dd/yyyy h:mm:ss am/pm");
    QString likeWildcard = QStringLiteral("%");

    // The forms of a database the component is not connected to: those of the component's
    // own defaults.
    static SqlDialect unbound();
    static SqlDialect sqlite();
    static SqlDialect postgres();
    // MariaDB and MySQL: `name` with a back quote doubled inside; no case folding (table names
    // follow the server's file system, column names compare without case).
    static SqlDialect mariadb();
    // ODBC: the driver's identifier quote and case folding (SQLGetInfo; an empty or blank
    // quote when it has none) and the ODBC escape forms {d '...'} and {ts '...'} for dates,
    // which every driver translates.
    static SqlDialect odbc(const QString& identifierQuote, Folding folding = Folding::None);

    // A name that can stand unquoted: ASCII letters, digits and "_", not starting with a digit,
    // not a reserved word, and no letter of the case the database folds away.
    bool isPlainIdentifier(QStringView name) const;
    // The name as it must be written: plain names unchanged, every other name quoted with the
    // closing quote doubled inside.
    QString quoteName(const QString& name) const;
    // The raw name of a quoted one (this dialect's quotes, "[" "]" or double quotes); other
    // text unchanged.
    QString unquoteName(const QString& text) const;
    // The position of the first "." that is not inside a quoted name (in this dialect's
    // quotes, "[" "]" or double quotes); -1 when there is none.
    qsizetype qualifierDot(QStringView item) const;

    static bool isReservedWord(QStringView word);
};

}  // namespace lorvane
