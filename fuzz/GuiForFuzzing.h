#pragma once
// Fonts, pictures and text documents need a QGuiApplication; the fuzzers make one that draws
// nowhere.
#include <QGuiApplication>

namespace lorvane::fuzz {

inline void makeGuiApplication() {
    static int argc = 1;
    static char name[] = "fuzzer";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication* app = new QGuiApplication(argc, argv);
    (void)app;
}

}  // namespace lorvane::fuzz
