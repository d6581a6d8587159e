#include "ConnectionString.h"

#include <QStringList>

namespace lorvane {

namespace {

// Splits at ';' outside braces and double quotes; keeps each part's text unchanged. Braces do
// not nest: inside them '{' is a character and "}}" a '}' of the value, as ODBC writes it.
QStringList splitParts(const QString& text) {
    QStringList parts;
    QString current;
    bool braced = false;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (braced && c == u'}' && i + 1 < text.size() && text[i + 1] == u'}') {
            current += QStringLiteral("}}");
            ++i;
            continue;
        }
        if (c == u'{' && !quoted && !braced)
            braced = true;
        else if (c == u'}' && braced)
            braced = false;
        else if (c == u'"' && !braced)
            quoted = !quoted;
        if (c == u';' && !braced && !quoted) {
            parts << current;
            current.clear();
        } else {
            current += c;
        }
    }
    parts << current;
    return parts;
}

QString unwrap(QString v) {
    v = v.trimmed();
    if (v.size() >= 2 && v.startsWith(u'{') && v.endsWith(u'}'))
        return v.mid(1, v.size() - 2).replace(QStringLiteral("}}"), QStringLiteral("}"));
    if (v.size() >= 2 && v.startsWith(u'"') && v.endsWith(u'"'))
        return v.mid(1, v.size() - 2);
    return v;
}

}  // namespace

ConnectionString::ConnectionString(const QString& text) : text_(text) {
    for (const QString& part : splitParts(text)) {
        const qsizetype eq = part.indexOf(u'=');
        if (eq <= 0)
            continue;
        pairs_.append({part.left(eq).trimmed(), unwrap(part.mid(eq + 1))});
    }
    const QString provider = value(QStringLiteral("Provider")).trimmed();
    if (provider.compare(u"SQLite", Qt::CaseInsensitive) == 0)
        kind_ = Kind::SQLite;
    else if (provider.compare(u"PostgreSQL", Qt::CaseInsensitive) == 0)
        kind_ = Kind::PostgreSQL;
    else if (provider.compare(u"MariaDB", Qt::CaseInsensitive) == 0 || provider.compare(u"MySQL", Qt::CaseInsensitive) == 0)
        kind_ = Kind::MariaDB;
    else
        kind_ = Kind::Odbc;
}

QString ConnectionString::value(const QString& key, const QString& fallback) const {
    for (const auto& [k, v] : pairs_)
        if (k.compare(key, Qt::CaseInsensitive) == 0)
            return v;
    return fallback;
}

bool ConnectionString::contains(const QString& key) const {
    for (const auto& pair : pairs_)
        if (pair.first.compare(key, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

QString ConnectionString::build(const QList<QPair<QString, QString>>& pairs) {
    QStringList parts;
    for (const auto& [key, value] : pairs) {
        if (value.isEmpty())
            continue;
        // A value the parser would split, trim or misread goes in braces, '}' doubled.
        const bool wrap = value.contains(u';') || value.contains(u'{') || value.contains(u'}') ||
                          value.contains(u'"') || value.contains(u'=') || value.trimmed() != value;
        parts << key + u'=' + (wrap ? u'{' + QString(value).replace(u'}', QStringLiteral("}}")) + u'}' : value);
    }
    return parts.join(u';');
}

QString ConnectionString::refusal() const {
    if (kind_ != Kind::Odbc)
        return {};
    if (text_.size() > kMaxOdbcText)
        return QStringLiteral("The connection string is %L1 characters long; ODBC drivers accept at most %L2.")
            .arg(text_.size())
            .arg(kMaxOdbcText);
    for (const QString& part : splitParts(text_)) {
        const qsizetype eq = part.indexOf(u'=');
        const QString key = (eq < 0 ? part : part.left(eq)).trimmed();
        if (key.size() > kMaxOdbcPart)
            return QStringLiteral("A key of the connection string is %L1 characters long; ODBC drivers accept at most %L2.")
                .arg(key.size())
                .arg(kMaxOdbcPart);
        const QString value = eq < 0 ? QString() : unwrap(part.mid(eq + 1));
        if (value.size() > kMaxOdbcPart)
            return QStringLiteral("The connection string's '%1' value is %L2 characters long; ODBC drivers accept at most %L3.")
                .arg(key)
                .arg(value.size())
                .arg(kMaxOdbcPart);
    }
    return {};
}

QString ConnectionString::withoutPassword() const {
    QStringList kept;
    for (const QString& part : splitParts(text_)) {
        const QString key = part.left(std::max<qsizetype>(part.indexOf(u'='), 0)).trimmed();
        if (key.compare(u"Password", Qt::CaseInsensitive) == 0 || key.compare(u"PWD", Qt::CaseInsensitive) == 0)
            continue;
        if (!part.trimmed().isEmpty())
            kept << part;
    }
    return kept.join(u';');
}

QString ConnectionString::odbcText() const {
    QStringList kept;
    for (const QString& part : splitParts(text_)) {
        const qsizetype eq = part.indexOf(u'=');
        if (eq > 0 && part.left(eq).trimmed().compare(u"Provider", Qt::CaseInsensitive) == 0)
            continue;
        if (!part.trimmed().isEmpty())
            kept << part;
    }
    return kept.join(u';');
}

}  // namespace lorvane
