#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace lorvane {

// An array that grows in fixed blocks of 2^Shift elements: what it holds never moves once its
// first block is full, so appending a million values costs no copying and no peak of twice the
// memory. The first block starts small and grows to full size, so that the many small arrays
// (a catalogue's columns, a short result) do not each take a whole block.
template <typename T, unsigned Shift = 14> class ChunkedArray {
public:
    static constexpr std::size_t kBlock = std::size_t{1} << Shift;

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

    T& operator[](std::size_t i) { return blocks_[i >> Shift][i & (kBlock - 1)]; }
    const T& operator[](std::size_t i) const { return blocks_[i >> Shift][i & (kBlock - 1)]; }

    template <typename... Args> void emplace_back(Args&&... args) {
        if ((size_ & (kBlock - 1)) == 0 && (size_ >> Shift) == blocks_.size()) {
            blocks_.emplace_back();
            blocks_.back().reserve(size_ == 0 ? kFirst : kBlock);
        } else if (size_ < kBlock && blocks_[0].size() == blocks_[0].capacity()) {
            blocks_[0].reserve(std::min(kBlock, blocks_[0].capacity() * 2));
        }
        blocks_.back().emplace_back(std::forward<Args>(args)...);
        ++size_;
    }
    void push_back(const T& value) { emplace_back(value); }

    // Grows to n elements with default values (never shrinks).
    void resize(std::size_t n) {
        while (size_ < n)
            emplace_back();
    }

    void reserve(std::size_t n) {
        if (n > 0 && blocks_.empty()) {
            blocks_.emplace_back();
            blocks_.back().reserve(std::min(n, kBlock));
        } else if (!blocks_.empty() && blocks_.size() == 1 && n > blocks_[0].capacity()) {
            blocks_[0].reserve(std::min(n, kBlock));
        }
        blocks_.reserve((n + kBlock - 1) >> Shift);
    }

    // Releases the spare room of the last block.
    void squeeze() {
        if (!blocks_.empty())
            blocks_.back().shrink_to_fit();
        blocks_.shrink_to_fit();
    }

    void clear() {
        blocks_.clear();
        size_ = 0;
    }

private:
    static constexpr std::size_t kFirst = kBlock < 64 ? kBlock : 64;
    std::vector<std::vector<T>> blocks_;
    std::size_t size_ = 0;
};

// One bit per row, in the same blocks.
class ChunkedBits {
public:
    std::size_t size() const { return size_; }
    bool operator[](std::size_t i) const { return (words_[i >> 6] >> (i & 63)) & 1u; }
    void set(std::size_t i, bool on) {
        std::uint64_t& w = words_[i >> 6];
        const std::uint64_t bit = std::uint64_t{1} << (i & 63);
        w = on ? (w | bit) : (w & ~bit);
    }
    void push_back(bool on) {
        if ((size_ & 63) == 0)
            words_.push_back(0);
        if (on)
            words_[size_ >> 6] |= std::uint64_t{1} << (size_ & 63);
        ++size_;
    }
    void resize(std::size_t n, bool on) {
        while (size_ < n)
            push_back(on);
    }
    void reserve(std::size_t n) { words_.reserve((n + 63) / 64); }
    void squeeze() { words_.squeeze(); }

private:
    ChunkedArray<std::uint64_t, 12> words_;
    std::size_t size_ = 0;
};

}  // namespace lorvane
