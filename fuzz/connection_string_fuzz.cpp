// The connection string parser: any text parses, every key it found can be read back, and the
// ODBC text never grows a Provider key.
#include "platform/ConnectionString.h"

#include <QString>
#include <cstddef>
#include <cstdint>

using namespace lorvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const ConnectionString cs(text);
    (void)cs.kind();
    for (const char* key : {"Provider", "Data Source", "Host", "Port", "Database", "User ID", "Password", "DSN",
                            "Driver", "Mode", "sslmode"})
        (void)cs.value(QString::fromLatin1(key));
    const QString odbc = cs.odbcText();
    if (cs.kind() == ConnectionString::Kind::Odbc && ConnectionString(odbc).contains(QStringLiteral("Provider")) &&
        !cs.contains(QStringLiteral("Provider")))
        __builtin_trap();
    // Refused or not, every value the driver manager would read is within its limits.
    if (cs.refusal().isEmpty() && cs.kind() == ConnectionString::Kind::Odbc) {
        if (text.size() > ConnectionString::kMaxOdbcText)
            __builtin_trap();
        for (const char* key : {"Driver", "DSN", "FileDSN", "SaveFile"})
            if (cs.value(QString::fromLatin1(key)).size() > ConnectionString::kMaxOdbcPart)
                __builtin_trap();
    }
    return 0;
}
