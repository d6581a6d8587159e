#include "SqlColouring.h"

#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

namespace lorvane {

const QColor SqlColouring::Plain(0, 0, 0);
const QColor SqlColouring::KeywordBlue(0, 0, 255);
// Dark enough to read at 4.5:1 or better on a white SQL window.
const QColor SqlColouring::Grey(112, 112, 112);
const QColor SqlColouring::Purple(128, 0, 128);
const QColor SqlColouring::AggregateOrange(192, 64, 0);
const QColor SqlColouring::SortRed(192, 0, 0);

namespace {

struct Rule {
    const char* text;
    int length;
    const QColor* colour;
};

const char* const kOperators[] = {"+", "-", "/", "*", "&", ">", "<"};
const char* const kFunctions[] = {"SUM(", "AVG(", "MIN(", "MAX(", "COUNT(", "STDEV(", "VAR("};

// Every match of needle in the case-folded text, each search starting one character after the
// previous match. Folding once and searching exactly is much faster than seventy
// case-insensitive passes; simple case folding keeps every position.
template <typename F> void eachMatch(const QString& folded, const QString& needle, F&& f) {
    qsizetype from = 0;
    while (from < folded.size()) {
        const qsizetype at = folded.indexOf(needle, from, Qt::CaseSensitive);
        if (at < 0)
            break;
        f(static_cast<int>(at));
        from = at + 1;
    }
}

QString fold(const char* text) {
    return QString::fromLatin1(text).toCaseFolded();
}

}  // namespace

std::vector<SqlColouring::Range> SqlColouring::ranges(const QString& text) {
    std::vector<Range> out;
    out.push_back({0, static_cast<int>(text.size()), Plain});
    QString folded = text.toCaseFolded();
    if (folded.size() != text.size())
        folded = text.toLower();  // never expected; keeps positions meaningful regardless

    for (const char* keyword : {"SELECT", "FROM", "WHERE", "GROUP BY", "ORDER BY", "HAVING"}) {
        const qsizetype at = folded.indexOf(fold(keyword));
        if (at >= 0)
            out.push_back({static_cast<int>(at), static_cast<int>(qstrlen(keyword)), KeywordBlue});
    }

    static const Rule kRules[] = {
        {" AND ", 5, &KeywordBlue},         {" OR ", 4, &KeywordBlue},          {" AS ", 4, &KeywordBlue},
        {" ON ", 4, &KeywordBlue},          {"LIKE", 4, &Grey},                 {"NOT LIKE", 8, &Grey},
        {"BETWEEN", 7, &Grey},              {"IS NULL", 7, &Grey},              {"IS NOT NULL", 11, &Grey},
        {"INNER JOIN", 10, &Purple},        {"LEFT OUTER JOIN", 15, &Purple},   {"RIGHT OUTER JOIN", 16, &Purple},
        {" SUM(", 4, &AggregateOrange},     {" AVG(", 4, &AggregateOrange},     {" MIN(", 4, &AggregateOrange},
        {" MAX(", 4, &AggregateOrange},     {" COUNT(", 6, &AggregateOrange},   {" STDEV(", 6, &AggregateOrange},
        {" VAR(", 4, &AggregateOrange},     {" FIRST(", 6, &AggregateOrange},   {" LAST(", 5, &AggregateOrange},
        {" DESC", 5, &SortRed},             {" ASC", 4, &SortRed},
    };
    for (const Rule& rule : kRules)
        eachMatch(folded, fold(rule.text), [&](int at) { out.push_back({at, rule.length, *rule.colour}); });

    static const Rule kAfterParenthesis[] = {
        {" (SUM(", 3, &AggregateOrange},   {" (AVG(", 3, &AggregateOrange}, {" (MIN(", 3, &AggregateOrange},
        {" (MAX(", 3, &AggregateOrange},   {" (COUNT(", 5, &AggregateOrange}, {" (STDEV(", 5, &AggregateOrange},
        {" (VAR(", 3, &AggregateOrange},
    };
    for (const Rule& rule : kAfterParenthesis)
        eachMatch(folded, fold(rule.text), [&](int at) { out.push_back({at + 2, rule.length, *rule.colour}); });

    for (const char* op : kOperators) {
        for (const char* function : kFunctions) {
            const int nameLength = static_cast<int>(qstrlen(function)) - 1;
            eachMatch(folded, fold(op) + fold(function),
                      [&](int at) { out.push_back({at + 1, nameLength, AggregateOrange}); });
        }
    }
    return out;
}

std::vector<QColor> SqlColouring::colourPerCharacter(const QString& text) {
    std::vector<QColor> colours(static_cast<std::size_t>(text.size()), Plain);
    for (const Range& r : ranges(text))
        for (int i = r.start; i < r.start + r.length && i < static_cast<int>(colours.size()); ++i)
            colours[static_cast<std::size_t>(i)] = r.colour;
    return colours;
}

void SqlColouring::apply(QTextDocument* document) {
    const QString text = document->toPlainText();
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    for (const Range& r : ranges(text)) {
        cursor.setPosition(r.start);
        cursor.setPosition(r.start + r.length, QTextCursor::KeepAnchor);
        QTextCharFormat format;
        format.setForeground(r.colour);
        cursor.mergeCharFormat(format);
    }
    cursor.endEditBlock();
}

}  // namespace lorvane
