// The SQL scanner and name quoting on any text: never a crash, and every quoted name reads
// back as itself, with no qualifier dot inside it.
#include "platform/SqlDialect.h"
#include "platform/SqlScanner.h"

#include <QString>
#include <cstddef>
#include <cstdint>

using namespace lorvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    using L = SqlScanner::Lexicon;
    for (L lexicon : {L::Standard, L::BackslashEscapes, L::PostgreSQL, L::MariaDbNoBackslash}) {
        const SqlScanner::Shape shape = SqlScanner::scan(text, lexicon);
        if (shape.statements < 0 || shape.comments < 0)
            __builtin_trap();
    }
    (void)SqlScanner::refusalFor(text, {L::Standard, L::BackslashEscapes, L::PostgreSQL});
    // What the MariaDB reading accepts is one complete statement that writes nothing.
    if (SqlScanner::refusalFor(text, {L::MariaDbNoBackslash}).isEmpty()) {
        const SqlScanner::Shape shape = SqlScanner::scan(text, L::MariaDbNoBackslash);
        if (!shape.complete || shape.statements != 1 || !shape.writeWords.isEmpty())
            __builtin_trap();
    }
    for (const SqlDialect& d : {SqlDialect::unbound(), SqlDialect::sqlite(), SqlDialect::postgres(), SqlDialect::mariadb(),
                                SqlDialect::odbc(QStringLiteral("`")), SqlDialect::odbc(QStringLiteral("\""))}) {
        const QString quoted = d.quoteName(text);
        if (d.unquoteName(quoted) != text && quoted != text)
            __builtin_trap();
        if (quoted != text && d.qualifierDot(quoted + QStringLiteral(".f")) != quoted.size())
            __builtin_trap();
        (void)d.qualifierDot(text);
        (void)d.unquoteName(text);
    }
    return 0;
}
