#pragma once

#include <QColor>
#include <QString>
#include <vector>

class QTextDocument;

namespace lorvane {

// The colours of the SQL window: keywords, connectives, comparison words, join words,
// aggregate names and sort words.
class SqlColouring {
public:
    struct Range {
        int start;
        int length;
        QColor colour;
        bool operator==(const Range&) const = default;
    };

    static const QColor Plain;
    static const QColor KeywordBlue;
    static const QColor Grey;
    static const QColor Purple;
    static const QColor AggregateOrange;
    static const QColor SortRed;

    // The ranges in the order they are applied; a later range overwrites an earlier one where
    // they overlap. The first range colours the whole text plain.
    static std::vector<Range> ranges(const QString& text);

    // The colour each character ends up with.
    static std::vector<QColor> colourPerCharacter(const QString& text);

    // Applies the ranges to a document (the SQL window's QTextEdit::document()).
    static void apply(QTextDocument* document);
};

}  // namespace lorvane
