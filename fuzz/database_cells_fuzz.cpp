// Values as databases hand them over: text cells read straight into a record set (as UTF-8,
// Latin-1 or UTF-16) must come back exactly as the same text stored through a QVariant does,
// in every kind of column, and sorting them never fails.
#include "platform/AdoTypes.h"
#include "platform/RecordSet.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <vector>

using namespace lorvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    static const int kTypes[] = {AdoType::VarWChar, AdoType::BigInt, AdoType::Double,  AdoType::Boolean,
                                 AdoType::DBTimeStamp, AdoType::DBDate, AdoType::DBTime, AdoType::Numeric,
                                 AdoType::VarBinary, AdoType::Variant};
    const int type = kTypes[data[0] % (sizeof kTypes / sizeof kTypes[0])];
    const int form = data[1] % 3;  // 0 UTF-8, 1 Latin-1, 2 UTF-16
    RecordSet cells, variants;
    for (RecordSet* rs : {&cells, &variants}) {
        rs->AppendField(QStringLiteral("V"), type);
        rs->Open();
    }
    // The rest is the cells, separated by 0xFF bytes.
    const char* at = reinterpret_cast<const char*>(data) + 2;
    const char* end = reinterpret_cast<const char*>(data) + size;
    while (at <= end) {
        const char* stop = at;
        while (stop < end && static_cast<unsigned char>(*stop) != 0xFF)
            ++stop;
        const qsizetype n = stop - at;
        QString text;
        CellValue cell;
        if (form == 0) {
            text = QString::fromUtf8(at, n);
            cell.kind = CellValue::Kind::Utf8;
            cell.bytes = at;
            cell.length = n;
        } else if (form == 1) {
            text = QString::fromLatin1(at, n);
            cell.kind = CellValue::Kind::Latin1;
            cell.bytes = at;
            cell.length = n;
        } else {
            text = QString(reinterpret_cast<const QChar*>(at), n / 2);
            cell.kind = CellValue::Kind::Text;
            cell.text = reinterpret_cast<const char16_t*>(text.utf16());
            cell.length = text.size();
        }
        cells.AppendRow(std::span<const CellValue>(&cell, 1));
        const QVariant value[] = {text};
        variants.AppendRow(value);
        at = stop + 1;
    }
    for (qint64 r = 0; r < cells.RecordCount(); ++r) {
        const QVariant a = cells.ValueAt(r, 0), b = variants.ValueAt(r, 0);
        const bool bothNaN = a.typeId() == QMetaType::Double && b.typeId() == QMetaType::Double &&
                             a.toDouble() != a.toDouble() && b.toDouble() != b.toDouble();
        if (cells.IsNullAt(r, 0) != variants.IsNullAt(r, 0) || a.typeId() != b.typeId() || (a != b && !bothNaN))
            __builtin_trap();
    }
    cells.Sort(QStringLiteral("V DESC"));
    return 0;
}
