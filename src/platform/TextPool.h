#pragma once

#include <QAnyStringView>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

namespace lorvane {

// The text of a record set's cells, one after the other in blocks that never move once
// written. A cell holds where its text starts (a 32-bit count of 16-bit units, so one record
// set holds at most 8 GB of text). Text whose characters all fit in Latin-1, which is most
// text in most databases, is kept one byte per character; other text as UTF-16.
// True when the n bytes are all ASCII.
bool isAscii(const char* s, qsizetype n);

class TextPool {
public:
    TextPool() = default;
    TextPool(const TextPool&) = delete;
    TextPool& operator=(const TextPool&) = delete;

    std::uint32_t putUtf16(const char16_t* data, qsizetype length);
    // Characters that are all Latin-1 (ASCII text read as UTF-8 is).
    std::uint32_t putLatin1(const char* data, qsizetype length);

    QAnyStringView view(std::uint32_t start) const;
    QString text(std::uint32_t start) const;

    // Releases the spare room of a pool that holds less than a block.
    void squeeze();

private:
    // 2 MB blocks: few enough for a large result that finding a text's block costs nothing.
    // (Huge pages for them were tried: fewer page faults, but the system's compaction for them
    // made fetches slower on average and far less even.)
    static constexpr unsigned kShift = 20;
    static constexpr std::uint64_t kBlock = std::uint64_t{1} << kShift;  // units per block

    struct Free {
        void operator()(char16_t* p) const;
    };
    using Memory = std::unique_ptr<char16_t, Free>;
    static Memory allocateUnits(std::uint64_t units);

    std::vector<Memory> owned_;
    std::vector<char16_t*> base_;  // per block: where it starts (a long text spans several)
    std::uint64_t end_ = 0;        // the next free unit
    std::uint64_t firstCapacity_ = 0;

    // Room for n units that stay together; returns where it starts and sets at.
    std::uint32_t allocate(std::uint64_t n, char16_t*& at);
    std::uint32_t putHeader(qsizetype length, bool wide, std::uint64_t bodyUnits, char16_t*& body);
};

}  // namespace lorvane
