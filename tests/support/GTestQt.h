#pragma once
// Readable test failure output for Qt values (included in every test through the build).
#include <QString>
#include <QStringList>
#include <QVariant>
#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QStringList& l, std::ostream* os) { *os << '[' << l.join(QStringLiteral(" | ")).toStdString() << ']'; }
inline void PrintTo(const QVariant& v, std::ostream* os) {
    *os << (v.isValid() ? v.metaType().name() : "Null") << '(' << v.toString().toStdString() << ')';
}
