#pragma once

#include <QString>

namespace lorvane {

// The numbered captions and messages of the builder window and its dialogs. A lookup takes an
// id from the English block (101 to 246) plus the block offset (0, 200, 400 or 600); the sum
// must fit a 16-bit integer. Ids that the catalogue does not hold (128, 225 to 229 and their
// counterparts) give an empty string.
class MessageCatalogue {
public:
    static constexpr int kFirstId = 101;
    static constexpr int kLastId = 246;
    static constexpr int kBlockSize = 200;

    static QString text(int baseId, qint16 blockOffset = 0);
    static bool contains(int id);
};

}  // namespace lorvane
