// The saved record set container: any bytes either open as a record set whose every value
// can be read, or fail with VLNError. Never a crash, a hang or a huge allocation.
#include "platform/RecordSet.h"
#include "platform/VLNError.h"

#include <cstddef>
#include <cstdint>

using namespace lorvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RecordSet rs;
    try {
        rs.OpenBytes(QByteArrayView(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)),
                     QStringLiteral("fuzz"));
    } catch (const VLNError&) {
        return 0;
    }
    for (qint64 r = 0; r < rs.RecordCount(); ++r)
        for (int f = 0; f < rs.FieldCount(); ++f)
            (void)rs.ValueAt(r, f).toString();
    // What opened saves to the same bytes' meaning again.
    RecordSet again;
    again.OpenBytes(rs.SaveToBytes(), QStringLiteral("again"));
    if (again.RecordCount() != rs.RecordCount() || again.FieldCount() != rs.FieldCount())
        __builtin_trap();
    return 0;
}
