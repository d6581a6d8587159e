#pragma once
// The environment for a child process run under strace: LeakSanitizer cannot work under ptrace
// and stops the child with a fatal error, so a sanitizer build turns leak checks off there.

#include <QProcessEnvironment>

namespace lorvane::test {

inline QProcessEnvironment tracedChildEnvironment() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QString asan = env.value(QStringLiteral("ASAN_OPTIONS"));
    env.insert(QStringLiteral("ASAN_OPTIONS"),
               asan.isEmpty() ? QStringLiteral("detect_leaks=0") : asan + QStringLiteral(":detect_leaks=0"));
    return env;
}

}  // namespace lorvane::test
