// Typed criteria values: classification, date formatting, the cell rewrite and the term a
// value makes. Never a crash, and a value that is not a number never leaves its quotes.
#include "query/Criteria.h"
#include "query/CriteriaValue.h"
#include "shared/BuilderSettings.h"
#include "shared/QueryState.h"
#include "platform/SqlScanner.h"

#include <QString>
#include <cstddef>
#include <cstdint>

using namespace lorvane;

namespace {
struct TextColumns : FieldTypeSource {
    int FieldTypeOf(const QString& key) const override { return key == u"T.text" ? 200 : key == u"T.n" ? 3 : 135; }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    (void)CriteriaValue::isNumber(text);
    bool hasTime = false;
    if (const auto date = CriteriaValue::parseDate(text, &hasTime))
        (void)CriteriaValue::formatDate(*date, QStringLiteral("yyyy-mm-dd hh:nn:ss am/pm dddd mmmm"));
    (void)CriteriaValue::formatDate(QDateTime(QDate(2020, 1, 31), QTime(13, 5, 9)), text);
    (void)Criteria::RewriteCell(text, QStringLiteral("T.f"));

    static BuilderSettings settings;
    static TextColumns types;
    QueryState state(&settings);
    Criteria criteria(state, types);
    for (const char* column : {"T.text", "T.n", "T.d"}) {
        for (const char* op : {"=", "BETWEEN", "CONTAINS", "LIKE"}) {
            const QString term = criteria.TermFor({QString::fromLatin1(column), QString::fromLatin1(op), text, text, true});
            // Whatever was typed, the term is one complete piece of text with no second statement.
            const SqlScanner::Shape shape = SqlScanner::scan(term, SqlScanner::Lexicon::Standard);
            if (!shape.complete || shape.statements > 1 || shape.comments > 0)
                __builtin_trap();
        }
        (void)criteria.NormaliseTypedCell(QString::fromLatin1(column), text);
    }
    return 0;
}
