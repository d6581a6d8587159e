#pragma once

#include "RecordSet.h"

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <cstdint>
#include <vector>

namespace lorvane {

// Typed storage for one column of a RecordSet. Rows are addressed by physical index; text
// of every text column lives in a pool shared by the record set, referenced by offset and
// length. A value the storage kind cannot hold exactly moves the column to general
// (per-cell variant) storage.
class ColumnStore {
public:
    enum class Kind : std::uint8_t { Int, Real, Bool, DateTime, Date, Time, Text, Decimal, Bytes, General };

    explicit ColumnStore(int adoType);

    Kind kind() const { return kind_; }
    int adoType() const { return adoType_; }

    void appendNull();
    void append(const QVariant& value, std::vector<char16_t>& pool);
    void append(const CellValue& cell, std::vector<char16_t>& pool);
    void set(std::uint32_t row, const QVariant& value, std::vector<char16_t>& pool);
    QVariant get(std::uint32_t row, const std::vector<char16_t>& pool) const;
    bool isNull(std::uint32_t row) const { return nulls_[row]; }

    // -1, 0, 1; Nulls sort before everything.
    int compare(std::uint32_t a, std::uint32_t b, const std::vector<char16_t>& pool) const;

    void reserve(std::size_t rows);
    void squeeze();

private:
    Kind kind_;
    int adoType_;
    std::vector<bool> nulls_;
    std::vector<std::int64_t> ints_;      // Int, DateTime (ms), Date (Julian day), Time (ms)
    std::vector<double> reals_;
    std::vector<std::uint8_t> bools_;
    std::vector<std::uint32_t> textStart_; // Text, Decimal: where the text starts in the pool
    std::vector<QByteArray> bytes_;
    std::vector<QVariant> general_;

    bool store(std::uint32_t row, const QVariant& value, std::vector<char16_t>& pool);
    void growTo(std::uint32_t rows);
    void toGeneral(const std::vector<char16_t>& pool);
    QString text(std::uint32_t row, const std::vector<char16_t>& pool) const;
    QStringView textView(std::uint32_t row, const std::vector<char16_t>& pool) const;
};

// Fast parse of "yyyy-MM-dd", "yyyy-MM-dd HH:mm[:ss[.zzz]]" (or with 'T'); false otherwise.
bool parseIsoDateTime(QStringView text, QDate& date, QTime& time, bool& hasTime);
// The same, as milliseconds since the start of the Julian day count.
bool parseIsoDateTimeMs(QStringView text, std::int64_t& ms);

}  // namespace lorvane
