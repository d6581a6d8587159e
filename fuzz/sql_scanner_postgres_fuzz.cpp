// The scanner's PostgreSQL reading against PostgreSQL's own scanner (libpg_query's
// pg_query_scan, the server's lexer): wherever PostgreSQL reads the text without error, both
// must find the same statements at the same places. A statement is a run of tokens other than
// comments between ";" tokens; it spans from just after the ";" before it to its own ";".
// (libpg_query's splitter is not the reference: it also drops pieces without a keyword and
// does not split inside parentheses, which the server's grammar does not do.)
#include "platform/SqlScanner.h"

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <pg_query.h>
#include <pg_query/pg_query.pb-c.h>
#include <utility>
#include <vector>

using namespace lorvane;

namespace {

struct Reading {
    bool ok = false;
    std::vector<std::pair<int, int>> spans;  // UTF-8 offsets [start, end)
};

Reading postgresReading(const QByteArray& utf8) {
    Reading out;
    PgQueryScanResult scanned = pg_query_scan(utf8.constData());
    if (!scanned.error) {
        PgQuery__ScanResult* tokens = pg_query__scan_result__unpack(
            nullptr, scanned.pbuf.len, reinterpret_cast<const uint8_t*>(scanned.pbuf.data));
        if (tokens) {
            out.ok = true;
            int segmentStart = 0;
            bool inStatement = false;
            for (std::size_t t = 0; t < tokens->n_tokens; ++t) {
                const PgQuery__ScanToken* token = tokens->tokens[t];
                if (token->token == PG_QUERY__TOKEN__ASCII_59) {
                    if (inStatement)
                        out.spans.back().second = token->start;
                    segmentStart = token->end;
                    inStatement = false;
                } else if (token->token != PG_QUERY__TOKEN__SQL_COMMENT && token->token != PG_QUERY__TOKEN__C_COMMENT &&
                           !inStatement) {
                    inStatement = true;
                    out.spans.emplace_back(segmentStart, int(utf8.size()));
                }
            }
            pg_query__scan_result__free_unpacked(tokens, nullptr);
        }
    }
    pg_query_free_scan_result(scanned);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 4096)
        return 0;
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    // The same characters on both sides: PostgreSQL reads the UTF-8 of what the scanner reads.
    const QByteArray utf8 = text.toUtf8();
    if (utf8.contains('\0'))
        return 0;
    const Reading pg = postgresReading(utf8);
    if (!pg.ok)
        return 0;
    const SqlScanner::Shape shape = SqlScanner::scan(text, SqlScanner::Lexicon::PostgreSQL);
    // UTF-16 positions to UTF-8 offsets.
    std::vector<int> offset(static_cast<std::size_t>(text.size()) + 1, 0);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        const int bytes = c < 0x80 ? 1 : c < 0x800 ? 2 : QChar::isHighSurrogate(c) ? 4 : QChar::isLowSurrogate(c) ? 0 : 3;
        offset[static_cast<std::size_t>(i) + 1] = offset[static_cast<std::size_t>(i)] + bytes;
    }
    std::vector<std::pair<int, int>> ours;
    for (const auto& [from, to] : shape.spans)
        ours.emplace_back(offset[static_cast<std::size_t>(from)], offset[static_cast<std::size_t>(to)]);
    if (!shape.complete || shape.statements != int(pg.spans.size()) || ours != pg.spans) {
        std::fprintf(stderr, "text: %s\nscanner (%s):", utf8.constData(), shape.complete ? "complete" : "open");
        for (const auto& [from, to] : ours)
            std::fprintf(stderr, " [%d,%d)", from, to);
        std::fprintf(stderr, "\nPostgreSQL:");
        for (const auto& [from, to] : pg.spans)
            std::fprintf(stderr, " [%d,%d)", from, to);
        std::fprintf(stderr, "\n");
        __builtin_trap();
    }
    return 0;
}
