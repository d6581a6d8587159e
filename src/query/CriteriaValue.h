#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

namespace lorvane {

// How typed criteria values are recognised and written.
//
// A number is an SQL numeric literal: optional sign, digits with an optional decimal point
// (or a point and digits), optional exponent: "10", "-2.5", ".5", "1e3". Thousands separators,
// currency signs and hex are not numbers.
//
// A date is one of (month and day may have one or two digits; hours 0-23 unless AM/PM follows):
//   yyyy-mm-dd                 yyyy-mm-dd hh:mm[:ss]   (also with "T" between)
//   m/d/yyyy                   m/d/yyyy h:mm[:ss] [AM|PM]
//   m/d/yy                     (years 00-29 are 2000-2029, 30-99 are 1930-1999)
// A number is never a date.
class CriteriaValue {
public:
    static bool isNumber(const QString& text);
    // hasTime, when given, tells whether the text gave a time of day.
    static std::optional<QDateTime> parseDate(const QString& text, bool* hasTime = nullptr);

    // Formats with the date tokens of VLNDateFormat: yyyy yy mmmm mmm mm m dddd ddd dd d hh h
    // nn n ss s am/pm AM/PM a/p A/P. "m" and "mm" mean minutes right after an hour token or
    // right before a seconds token. Anything else is copied as it stands.
    static QString formatDate(const QDateTime& value, const QString& format);

    // Doubles every apostrophe.
    static QString escape(const QString& text);
};

}  // namespace lorvane
