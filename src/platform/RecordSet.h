#pragma once

#include "platform/LorvaneExport.h"

#include <QString>
#include <QVariant>
#include <memory>
#include <span>
#include <vector>

namespace lorvane {

// One cell of a row being loaded from a database, without a QVariant: a Null, a 64-bit
// integer, a double, UTF-16 text, UTF-8 text, text known to be Latin-1 (such as ASCII), or
// bytes (views into the driver's buffers, copied on append).
struct CellValue {
    enum class Kind { Null, Integer, Real, Text, Utf8, Latin1, Bytes } kind = Kind::Null;
    qint64 integer = 0;
    double real = 0;
    const char16_t* text = nullptr;
    const char* bytes = nullptr;  // bytes, or the UTF-8 or Latin-1 text
    qsizetype length = 0;         // characters of UTF-16 text, or bytes
};

struct FieldInfo {
    QString name;
    int type = 0;          // AdoType number
    int definedSize = 0;   // characters for text fields; kept, never enforced
    int attributes = -1;   // AdoFieldAttribute bits, -1 unspecified
    // Where a result column comes from, when the driver says: the digits after the point of a
    // decimal column (-1 unknown), the table it reads (empty for a calculated column) and the
    // column's own name there (before a repeated name was made unique).
    int numericScale = -1;
    QString baseTable;
    QString baseName;
};

// An in-memory table with named, ordered, typed columns and a current-row cursor.
//
// The rows live in a shared store: Clone() hands out a second cursor over the same rows.
// Values are held per column in typed storage (integers, reals, dates as numbers, text in one
// pooled buffer), so a million-row result costs tens of bytes per row rather than a variant per
// cell. A value that does not fit its column's type (SQLite lets a text sit in an INTEGER
// column) switches that column to general storage; nothing is converted lossily or truncated.
//
// Null is an invalid QVariant. Operations on a closed set raise VLNError 3704; moves past the
// ends and reads without a current row raise 3021; unknown field names raise 3265.
class LORVANE_EXPORT RecordSet {
public:
    enum State { Closed = 0, Opened = 1 };

    RecordSet();
    ~RecordSet();
    RecordSet(const RecordSet&) = delete;
    RecordSet& operator=(const RecordSet&) = delete;

    // Definition, only while closed.
    void AppendField(const QString& name, int type, int definedSize = 0, int attributes = -1);

    // Opens the set empty with the appended fields.
    void Open();
    // Opens a file written by Save(); a missing, truncated, foreign or corrupt file raises 3709.
    void OpenFile(const QString& path);
    // Writes the fields and the rows, in the current order, to path (replaced atomically).
    void Save(const QString& path) const;
    // The saved form in memory, and opening from it (path names the source in errors).
    QByteArray SaveToBytes() const;
    void OpenBytes(QByteArrayView bytes, const QString& path);
    // An identity written with the set and read back from a file: files written together carry
    // the same one, so files that do not belong together can be told apart. Empty when the
    // file has none (files written before identities existed).
    const QByteArray& SaveIdentity() const { return saveIdentity_; }
    void SetSaveIdentity(const QByteArray& identity) { saveIdentity_ = identity; }
    void Close();
    State state() const;
    bool IsOpen() const { return state() == Opened; }

    int FieldCount() const;
    const FieldInfo& Field(int index) const;
    const FieldInfo& Field(const QString& name) const;
    int FieldIndex(const QString& name) const;  // case-insensitive; -1 when absent
    // base, or base_2, base_3 ... whichever no field has yet (a result may name two columns
    // alike: SELECT a.ID, b.ID).
    QString UnusedFieldName(const QString& base) const;
    // Records where a field comes from (see FieldInfo); allowed open or closed.
    void SetFieldOrigin(int field, int numericScale, const QString& baseTable, const QString& baseName);

    QVariant Value(int field) const;
    QVariant Value(const QString& name) const;
    void SetValue(int field, const QVariant& value);
    void SetValue(const QString& name, const QVariant& value);

    void AddNew();
    void Update();
    void Delete();
    void MoveFirst();
    void MoveLast();
    void MoveNext();
    void MovePrevious();
    void Move(qint64 rows);
    bool Eof() const;
    bool Bof() const;
    qint64 RecordCount() const;
    // 1-based position of the current row; -2 before the first row, -3 after the last.
    qint64 AbsolutePosition() const;
    void SetAbsolutePosition(qint64 position);

    std::shared_ptr<RecordSet> Clone() const;

    // "Field ASC", "Field DESC", several joined by commas; "" restores the order of adding.
    // The order is a property of the rows, so every clone sees it.
    void Sort(const QString& sortText);
    QString SortText() const;

    // Row access by position in the current order (0-based), without moving the cursor.
    QVariant ValueAt(qint64 row, int field) const;
    bool IsNullAt(qint64 row, int field) const;

    // Appends a whole row at once; used when loading results. values.size() == FieldCount().
    void AppendRow(std::span<const QVariant> values);
    void AppendRow(std::span<const CellValue> cells);
    void ReserveRows(qint64 rows);
    // Removes every row, keeping the fields, while the set stays open: a reader that hands rows
    // on as they arrive (to a file) lets the set go on filling from empty.
    void DiscardRows();
    // Releases spare capacity after a bulk load.
    void Squeeze();

private:
    struct Data;
    std::shared_ptr<Data> d_;
    qint64 pos_ = -1;            // index into the current order
    bool currentDeleted_ = false;
    QByteArray saveIdentity_;

    void requireOpen() const;
    quint32 currentPhysicalRow() const;
    void resetCursor();
};

}  // namespace lorvane
