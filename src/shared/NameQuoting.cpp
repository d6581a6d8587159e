#include "NameQuoting.h"

#include "BuilderSettings.h"

#include <QStringList>
#include <algorithm>

namespace lorvane {

QString NameQuoting::quote(const QString& name, const BuilderSettings& s) {
    const SqlDialect d = s.dialect();
    return d.quoteName(d.unquoteName(name));
}

QString NameQuoting::quoteTable(const QString& name, const BuilderSettings& s) {
    const SqlDialect d = s.dialect();
    QStringList parts;
    for (qsizetype start = 0;;) {
        const qsizetype dot = d.qualifierDot(QStringView(name).mid(start));
        if (dot < 0) {
            parts << name.mid(start);
            break;
        }
        parts << name.mid(start, dot);
        start += dot + 1;
    }
    auto isNamePart = [&d](const QString& part) {
        if (part.isEmpty())
            return false;
        if (part.size() >= 2 && ((part.startsWith(d.leftQuote) && part.endsWith(d.rightQuote)) ||
                                 (part.startsWith(u'[') && part.endsWith(u']'))))
            return true;
        for (const QChar c : part)
            if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != u'_')
                return false;
        return true;
    };
    if (parts.size() > 1 && std::all_of(parts.cbegin(), parts.cend(), isNamePart)) {
        for (QString& part : parts)
            part = d.quoteName(d.unquoteName(part));
        return parts.join(u'.');
    }
    return d.quoteName(d.unquoteName(name));
}

QString NameQuoting::quoteRaw(const QString& raw, const BuilderSettings& s) {
    return s.dialect().quoteName(raw);
}

QString NameQuoting::unquote(const QString& name, const BuilderSettings& s) {
    return s.dialect().unquoteName(name);
}

qsizetype NameQuoting::qualifierDot(const QString& item, const BuilderSettings& s) {
    return s.dialect().qualifierDot(item);
}

QString NameQuoting::tablePart(const QString& item, const BuilderSettings& s) {
    const qsizetype dot = qualifierDot(item, s);
    return dot < 0 ? item : item.left(dot);
}

QString NameQuoting::fieldPart(const QString& item, const BuilderSettings& s) {
    const qsizetype dot = qualifierDot(item, s);
    return dot < 0 ? item : item.mid(dot + 1);
}

}  // namespace lorvane
