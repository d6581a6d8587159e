#pragma once

#include "ChunkedArray.h"
#include "RecordSet.h"
#include "TextPool.h"

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <cstdint>
#include <vector>

namespace lorvane {

// Typed storage for one column of a RecordSet. Rows are addressed by physical index; text
// of every text column lives in a pool shared by the record set, referenced by where it
// starts. Values sit in fixed blocks, so a growing column never copies what it holds. A value
// the storage kind cannot hold exactly moves the column to general (per-cell variant) storage.
class ColumnStore {
public:
    enum class Kind : std::uint8_t { Int, Real, Bool, DateTime, Date, Time, Text, Decimal, Bytes, General };

    explicit ColumnStore(int adoType);

    Kind kind() const { return kind_; }
    int adoType() const { return adoType_; }

    void appendNull();
    void append(const QVariant& value, TextPool& pool);
    void append(const CellValue& cell, TextPool& pool);
    void set(std::uint32_t row, const QVariant& value, TextPool& pool);
    QVariant get(std::uint32_t row, const TextPool& pool) const;
    bool isNull(std::uint32_t row) const { return nulls_[row]; }

    // -1, 0, 1; Nulls sort before everything.
    int compare(std::uint32_t a, std::uint32_t b, const TextPool& pool) const;

    void reserve(std::size_t rows);
    void squeeze();

private:
    Kind kind_;
    int adoType_;
    ChunkedBits nulls_;
    ChunkedArray<std::int64_t> ints_;      // Int, DateTime (ms), Date (Julian day), Time (ms)
    ChunkedArray<double> reals_;
    ChunkedArray<std::uint8_t> bools_;
    ChunkedArray<std::uint32_t> textStart_; // Text, Decimal: where the text starts in the pool
    ChunkedArray<QByteArray, 10> bytes_;
    ChunkedArray<QVariant, 10> general_;

    void appendText(const CellValue& cell, TextPool& pool);

    bool store(std::uint32_t row, const QVariant& value, TextPool& pool);
    void growTo(std::uint32_t rows);
    void toGeneral(const TextPool& pool);
    QString text(std::uint32_t row, const TextPool& pool) const;
    QAnyStringView textView(std::uint32_t row, const TextPool& pool) const;
};

// Fast parse of "yyyy-MM-dd", "yyyy-MM-dd HH:mm[:ss[.zzz]]" (or with 'T'); false otherwise.
bool parseIsoDateTime(QStringView text, QDate& date, QTime& time, bool& hasTime);
// The same, as milliseconds since the start of the Julian day count.
bool parseIsoDateTimeMs(QAnyStringView text, std::int64_t& ms);
// "yyyy-MM-dd" alone, as a Julian day.
bool parseIsoDateDay(QAnyStringView text, std::int64_t& day);

}  // namespace lorvane
