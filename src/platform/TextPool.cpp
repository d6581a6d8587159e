#include "TextPool.h"

#include <QLatin1StringView>
#include <QStringView>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace lorvane {

namespace {

// An entry is its header, then its characters. The header is one unit for texts below 16,384
// characters (bit 14: UTF-16), else two (bit 15 set, the high bits of the length, then the low
// 16 bits).
constexpr qsizetype kShortLength = 0x4000;
constexpr qsizetype kMaxLength = (qsizetype{1} << 30) - 1;
constexpr std::uint64_t kFirstUnits = 256;

}  // namespace

bool isAscii(const char* s, qsizetype n) {
    qsizetype i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t w;
        std::memcpy(&w, s + i, 8);
        if (w & 0x8080808080808080ull)
            return false;
    }
    for (; i < n; ++i)
        if (static_cast<unsigned char>(s[i]) & 0x80)
            return false;
    return true;
}

void TextPool::Free::operator()(char16_t* p) const {
    std::free(p);
}

TextPool::Memory TextPool::allocateUnits(std::uint64_t units) {
    void* p = std::malloc(static_cast<std::size_t>(units * sizeof(char16_t)));
    if (!p)
        throw std::bad_alloc();
    return Memory(static_cast<char16_t*>(p));
}

std::uint32_t TextPool::allocate(std::uint64_t n, char16_t*& at) {
    std::uint64_t block = end_ >> kShift;
    std::uint64_t offset = end_ & (kBlock - 1);
    if (block < base_.size()) {
        const std::uint64_t capacity = block == 0 && base_.size() == 1 ? firstCapacity_ : kBlock;
        if (offset + n > capacity && block == 0 && base_.size() == 1 && firstCapacity_ < kBlock &&
            offset + n <= kBlock) {
            // The first block grows to full size by doubling while it is small.
            const std::uint64_t grown = std::min(kBlock, std::max(firstCapacity_ * 2, offset + n));
            Memory memory = allocateUnits(grown);
            std::memcpy(memory.get(), owned_[0].get(), offset * sizeof(char16_t));
            owned_[0] = std::move(memory);
            base_[0] = owned_[0].get();
            firstCapacity_ = grown;
        } else if (offset + n > capacity) {
            // The rest of this block stays unused; the text starts a new one.
            ++block;
            offset = 0;
        }
    }
    const std::uint64_t start = (block << kShift) + offset;
    if (start + n > UINT32_MAX)
        throw std::bad_alloc();  // more text than one record set can address
    if (block >= base_.size()) {
        // A text longer than a block gets consecutive block numbers over one allocation.
        const std::uint64_t blocks = std::max<std::uint64_t>(1, (n + kBlock - 1) >> kShift);
        std::uint64_t units = blocks << kShift;
        if (block == 0 && blocks == 1)
            units = firstCapacity_ = std::max(kFirstUnits, n);
        owned_.push_back(allocateUnits(units));
        for (std::uint64_t b = 0; b < blocks; ++b)
            base_.push_back(owned_.back().get() + (b << kShift));
    }
    at = base_[block] + offset;
    end_ = start + n;
    return static_cast<std::uint32_t>(start);
}

std::uint32_t TextPool::putHeader(qsizetype length, bool wide, std::uint64_t bodyUnits, char16_t*& body) {
    if (length < 0 || length > kMaxLength)
        throw std::bad_alloc();
    const bool longForm = length >= kShortLength;
    char16_t* at = nullptr;
    const std::uint32_t start = allocate(bodyUnits + (longForm ? 2 : 1), at);
    const auto n = static_cast<std::uint32_t>(length);
    const char16_t wideBit = wide ? 0x4000 : 0;
    if (longForm) {
        at[0] = static_cast<char16_t>(0x8000 | wideBit | (n >> 16));
        at[1] = static_cast<char16_t>(n & 0xFFFF);
        body = at + 2;
    } else {
        at[0] = static_cast<char16_t>(wideBit | n);
        body = at + 1;
    }
    return start;
}

std::uint32_t TextPool::putLatin1(const char* data, qsizetype length) {
    char16_t* body = nullptr;
    const std::uint32_t start = putHeader(length, false, (static_cast<std::uint64_t>(length) + 1) / 2, body);
    if (length > 0)
        std::memcpy(body, data, static_cast<std::size_t>(length));
    return start;
}

std::uint32_t TextPool::putUtf16(const char16_t* data, qsizetype length) {
    bool latin1 = true;
    for (qsizetype i = 0; i < length && latin1; ++i)
        latin1 = data[i] < 0x100;
    if (!latin1) {
        char16_t* body = nullptr;
        const std::uint32_t start = putHeader(length, true, static_cast<std::uint64_t>(length), body);
        std::memcpy(body, data, static_cast<std::size_t>(length) * sizeof(char16_t));
        return start;
    }
    char16_t* body = nullptr;
    const std::uint32_t start = putHeader(length, false, (static_cast<std::uint64_t>(length) + 1) / 2, body);
    auto* bytes = reinterpret_cast<unsigned char*>(body);
    for (qsizetype i = 0; i < length; ++i)
        bytes[i] = static_cast<unsigned char>(data[i]);
    return start;
}

QAnyStringView TextPool::view(std::uint32_t start) const {
    const char16_t* at = base_[start >> kShift] + (start & (kBlock - 1));
    const char16_t h = at[0];
    const bool wide = (h & 0x4000) != 0;
    qsizetype n = h & 0x3FFF;
    const char16_t* body = at + 1;
    if (h & 0x8000) {
        n = (static_cast<qsizetype>(h & 0x3FFF) << 16) | at[1];
        body = at + 2;
    }
    if (wide)
        return QStringView(body, n);
    return QLatin1StringView(reinterpret_cast<const char*>(body), n);
}

QString TextPool::text(std::uint32_t start) const {
    return view(start).toString();
}

void TextPool::squeeze() {
    if (base_.size() != 1 || firstCapacity_ <= end_ || end_ == 0)
        return;
    Memory memory = allocateUnits(end_);
    std::memcpy(memory.get(), owned_[0].get(), end_ * sizeof(char16_t));
    owned_[0] = std::move(memory);
    firstCapacity_ = end_;
    base_[0] = owned_[0].get();
}

}  // namespace lorvane
