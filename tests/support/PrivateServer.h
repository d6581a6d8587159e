#pragma once
// A PostgreSQL server of a test's own, which the test may stop and start again. Each test
// looks for a port from its own offset beside the shared server's, so two starting at once
// do not race for one port. LORVANE_PG_SCRIPT names scripts/pg-test-server.

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace lorvane::test {

class PrivateServer {
public:
    explicit PrivateServer(int portOffset) : portOffset_(portOffset) { ok_ = script("start"); }
    ~PrivateServer() { script("stop"); }
    PrivateServer(const PrivateServer&) = delete;
    PrivateServer& operator=(const PrivateServer&) = delete;
    bool ok() const { return ok_; }
    bool pause() { return script("pause"); }
    bool resume() { return script("resume"); }
    QString connectionString() const {
        QFile f(state_.filePath("connection.txt"));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).trimmed() : QString();
    }

private:
    QTemporaryDir state_;
    int portOffset_;
    bool ok_ = false;
    bool script(const char* command) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        const int base = qEnvironmentVariableIntValue("PG_TEST_PORT");
        env.insert(QStringLiteral("PG_TEST_PORT"), QString::number((base > 0 ? base : 55329) + portOffset_));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(LORVANE_PG_SCRIPT), {QString::fromLatin1(command), state_.path()});
        return p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    }
};

}  // namespace lorvane::test
