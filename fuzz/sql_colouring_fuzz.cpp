// The SQL window's colouring: any text gets one colour per character, ranges stay inside the
// text, and colouring a document never crashes.
#include "GuiForFuzzing.h"
#include "query/SqlColouring.h"

#include <QTextDocument>
#include <cstddef>
#include <cstdint>

using namespace lorvane;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::makeGuiApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    for (const SqlColouring::Range& r : SqlColouring::ranges(text))
        if (r.start < 0 || r.length < 0 || r.start + r.length > text.size())
            __builtin_trap();
    if (static_cast<qsizetype>(SqlColouring::colourPerCharacter(text).size()) != text.size())
        __builtin_trap();
    if (size < 4096) {
        QTextDocument document;
        document.setPlainText(text);
        SqlColouring::apply(&document);
    }
    return 0;
}
