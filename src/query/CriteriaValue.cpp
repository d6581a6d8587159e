#include "CriteriaValue.h"

#include <QLocale>
#include <QRegularExpression>
#include <vector>

namespace lorvane {

bool CriteriaValue::isNumber(const QString& text) {
    static const QRegularExpression re(QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?$"));
    return re.match(text).hasMatch();
}

std::optional<QDateTime> CriteriaValue::parseDate(const QString& input, bool* timeGiven) {
    const QString text = input.trimmed();
    if (text.isEmpty() || isNumber(text))
        return std::nullopt;
    static const QRegularExpression iso(QStringLiteral(
        "^(\\d{4})-(\\d{1,2})-(\\d{1,2})(?:[ T](\\d{1,2}):(\\d{2})(?::(\\d{2}))?)?$"));
    static const QRegularExpression us(QStringLiteral(
        "^(\\d{1,2})/(\\d{1,2})/(\\d{4}|\\d{2})(?: (\\d{1,2}):(\\d{2})(?::(\\d{2}))?(?: ?([AaPp][Mm]))?)?$"));
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    QString meridiem;
    bool hasTime = false;
    if (const auto m = iso.match(text); m.hasMatch()) {
        year = m.captured(1).toInt();
        month = m.captured(2).toInt();
        day = m.captured(3).toInt();
        hasTime = m.capturedLength(4) > 0;
        hour = m.captured(4).toInt();
        minute = m.captured(5).toInt();
        second = m.captured(6).toInt();
    } else if (const auto u = us.match(text); u.hasMatch()) {
        month = u.captured(1).toInt();
        day = u.captured(2).toInt();
        year = u.captured(3).toInt();
        if (u.capturedLength(3) == 2)
            year += year < 30 ? 2000 : 1900;
        hasTime = u.capturedLength(4) > 0;
        hour = u.captured(4).toInt();
        minute = u.captured(5).toInt();
        second = u.captured(6).toInt();
        meridiem = u.captured(7).toUpper();
    } else {
        return std::nullopt;
    }
    if (!meridiem.isEmpty()) {
        if (hour < 1 || hour > 12)
            return std::nullopt;
        hour = hour % 12 + (meridiem == u"PM" ? 12 : 0);
    }
    const QDate date(year, month, day);
    const QTime time(hour, minute, second);
    if (!date.isValid() || !time.isValid() || (!hasTime && (hour || minute || second)))
        return std::nullopt;
    if (timeGiven)
        *timeGiven = hasTime;
    return QDateTime(date, time);
}

QString CriteriaValue::formatDate(const QDateTime& value, const QString& format) {
    struct Token {
        QString text;
        bool literal;
    };
    // Split into tokens: runs of one letter (y, m, d, h, n, s), the am/pm forms, or literals.
    std::vector<Token> tokens;
    const QString lower = format.toLower();
    for (qsizetype i = 0; i < format.size();) {
        if (lower.mid(i, 5) == u"am/pm") {
            tokens.push_back({format.mid(i, 5), false});
            i += 5;
            continue;
        }
        if (lower.mid(i, 3) == u"a/p") {
            tokens.push_back({format.mid(i, 3), false});
            i += 3;
            continue;
        }
        const QChar c = lower[i];
        if (QStringLiteral("ymdhns").contains(c)) {
            qsizetype j = i;
            while (j < format.size() && lower[j] == c)
                ++j;
            tokens.push_back({lower.mid(i, j - i), false});
            i = j;
            continue;
        }
        tokens.push_back({format.mid(i, 1), true});
        ++i;
    }
    bool twelveHour = false;
    for (const Token& t : tokens)
        if (!t.literal && t.text.contains(u'/'))
            twelveHour = true;

    const QDate d = value.date();
    const QTime t = value.time();
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    auto two = [](int n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); };
    QString out;
    for (std::size_t k = 0; k < tokens.size(); ++k) {
        const Token& tok = tokens[k];
        if (tok.literal) {
            out += tok.text;
            continue;
        }
        const QChar kind = tok.text[0].toLower();
        const qsizetype n = tok.text.size();
        if (tok.text.contains(u'/')) {
            const bool pm = t.hour() >= 12;
            const bool upper = tok.text[0].isUpper();
            QString mark = tok.text.size() == 5 ? (pm ? QStringLiteral("pm") : QStringLiteral("am"))
                                                : (pm ? QStringLiteral("p") : QStringLiteral("a"));
            out += upper ? mark.toUpper() : mark;
        } else if (kind == u'y') {
            out += n <= 2 ? two(d.year() % 100) : QString::number(d.year());
        } else if (kind == u'm') {
            // Minutes when it follows an hour token or precedes a seconds token.
            auto neighbour = [&](int step) -> QChar {
                for (auto j = static_cast<long>(k) + step; j >= 0 && j < static_cast<long>(tokens.size()); j += step)
                    if (!tokens[static_cast<std::size_t>(j)].literal)
                        return tokens[static_cast<std::size_t>(j)].text[0].toLower();
                return QChar();
            };
            const bool minutes = n <= 2 && (neighbour(-1) == u'h' || neighbour(1) == u's');
            if (minutes)
                out += n == 2 ? two(t.minute()) : QString::number(t.minute());
            else if (n == 1)
                out += QString::number(d.month());
            else if (n == 2)
                out += two(d.month());
            else if (n == 3)
                out += english.monthName(d.month(), QLocale::ShortFormat);
            else
                out += english.monthName(d.month(), QLocale::LongFormat);
        } else if (kind == u'd') {
            if (n == 1)
                out += QString::number(d.day());
            else if (n == 2)
                out += two(d.day());
            else if (n == 3)
                out += english.dayName(d.dayOfWeek(), QLocale::ShortFormat);
            else
                out += english.dayName(d.dayOfWeek(), QLocale::LongFormat);
        } else if (kind == u'h') {
            int hour = t.hour();
            if (twelveHour)
                hour = hour % 12 == 0 ? 12 : hour % 12;
            out += n >= 2 ? two(hour) : QString::number(hour);
        } else if (kind == u'n') {
            out += n >= 2 ? two(t.minute()) : QString::number(t.minute());
        } else if (kind == u's') {
            out += n >= 2 ? two(t.second()) : QString::number(t.second());
        }
    }
    return out;
}

QString CriteriaValue::escape(const QString& text) {
    QString out = text;
    out.replace(u'\'', QStringLiteral("''"));
    return out;
}

}  // namespace lorvane
