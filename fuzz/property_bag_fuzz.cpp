// The property bag file reader: any file either loads as a bag whose every value can be read
// back and saved again, or fails with VLNError and leaves the bag empty.
#include "GuiForFuzzing.h"
#include "platform/PropertyBag.h"
#include "platform/VLNError.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>

using namespace lorvane;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::makeGuiApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("settings.bag"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            return 0;
        f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    FilePropertyBag bag(path);
    try {
        bag.Load();
    } catch (const VLNError&) {
        if (!bag.Keys().isEmpty())
            __builtin_trap();  // a failed load must leave nothing half-read behind
        return 0;
    }
    for (const QString& key : bag.Keys())
        (void)bag.ReadProperty(key, QVariant()).toString();
    bag.Save();
    FilePropertyBag again(path);
    again.Load();
    if (again.Keys() != bag.Keys())
        __builtin_trap();
    return 0;
}
