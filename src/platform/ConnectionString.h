#pragma once

#include <QList>
#include <QPair>
#include <QString>

namespace lorvane {

// A parsed "key=value;key=value" connection string. Keys compare without regard to case;
// a value may be wrapped in braces or double quotes to contain ';' (ODBC style).
class ConnectionString {
public:
    enum class Kind { SQLite, PostgreSQL, MariaDB, Odbc };

    explicit ConnectionString(const QString& text);

    Kind kind() const { return kind_; }
    QString value(const QString& key, const QString& fallback = {}) const;
    bool contains(const QString& key) const;
    // The text handed to the ODBC driver manager: the original string without Provider=ODBC.
    QString odbcText() const;
    // key=value pairs joined with ';', each value written so that parsing gives it back; an
    // empty value leaves its key out.
    static QString build(const QList<QPair<QString, QString>>& pairs);
    // Why no driver may be given this text, in plain words; empty when it may. The ODBC driver
    // manager keeps a key or a value in 1,000 characters (a longer Driver= value aborts the
    // process inside it) and takes the whole text's length as a 16-bit number.
    QString refusal() const;
    static constexpr qsizetype kMaxOdbcPart = 1000;
    static constexpr qsizetype kMaxOdbcText = 32767;
    // The text with every password part (Password, PWD) left out, for showing to people.
    QString withoutPassword() const;

private:
    QString text_;
    Kind kind_ = Kind::Odbc;
    QList<QPair<QString, QString>> pairs_;
};

}  // namespace lorvane
