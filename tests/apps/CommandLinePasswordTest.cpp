// The lorvane tool's output and password: output it cannot write ends with a failure exit and
// a message, and a password comes from LORVANE_PASSWORD or a prompt at the terminal (without
// echo), checked against a PostgreSQL role that needs one.
#include "support/TestDatabases.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

using namespace lorvane;

namespace {

struct CliRun {
    int exit = -1;
    QString out, err;
};

CliRun runCli(const QStringList& arguments, const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(),
            const QString& stdoutFile = {}) {
    QProcess p;
    p.setProcessEnvironment(env);
    if (!stdoutFile.isEmpty())
        p.setStandardOutputFile(stdoutFile);
    p.start(QStringLiteral(LORVANE_CLI_PATH), arguments);
    p.closeWriteChannel();
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return {};
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

QProcessEnvironment withoutPassword() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("LORVANE_PASSWORD"));
    return env;
}

const QString kRole = QStringLiteral("lorvane_pw_role");
const QString kSecret = QStringLiteral("s3cr;t pass");

// The test server trusts every connection; this role alone must give its password.
QString roleNeedingAPassword() {
    const QString admin = test::postgresConnectionString();
    if (admin.isEmpty())
        return {};
    test::psqlCli(admin, QStringLiteral("DO $$BEGIN IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = '%1') THEN "
                                        "CREATE ROLE %1 LOGIN; END IF; END$$; ALTER ROLE %1 PASSWORD '%2'")
                             .arg(kRole, kSecret));
    const QString hba = test::psqlCli(admin, QStringLiteral("SHOW hba_file")).trimmed();
    QFile file(hba);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray rules = file.readAll();
    file.close();
    const QByteArray rule = "host all " + kRole.toUtf8() + " 127.0.0.1/32 scram-sha-256\n";
    if (!rules.startsWith(rule)) {
        if (!file.open(QIODevice::WriteOnly))
            return {};
        file.write(rule + rules);
        file.close();
        test::psqlCli(admin, QStringLiteral("SELECT pg_reload_conf()"));
        QThread::msleep(500);
    }
    QString connection = admin;
    connection.remove(QRegularExpression(QStringLiteral(";?User ID=[^;]*")));
    return connection;
}

}  // namespace

TEST(CommandLineOutput, OutputThatCannotBeWrittenFailsWithAMessage) {
    const QString sample = QStringLiteral("Provider=SQLite;Data Source=") + test::sampleDatabasePath();
    const CliRun ok = runCli({"tables", sample});
    ASSERT_EQ(ok.exit, 0) << ok.err.toStdString();
    for (const QStringList& arguments : {QStringList{"tables", sample}, QStringList{"--help"}}) {
        const CliRun full = runCli(arguments, QProcessEnvironment::systemEnvironment(), QStringLiteral("/dev/full"));
        EXPECT_EQ(full.exit, 6) << arguments.join(' ').toStdString();
        EXPECT_TRUE(full.err.contains("cannot write the output: No space left on device")) << full.err.toStdString();
    }
}

TEST(CommandLineOutput, APasswordComesFromTheEnvironmentOrTheTerminalNeverTheCommandLine) {
    const QString connection = roleNeedingAPassword();
    ASSERT_FALSE(connection.isEmpty());
    const QStringList arguments{"tables", connection, "--user", kRole};

    QProcessEnvironment env = withoutPassword();
    env.insert(QStringLiteral("LORVANE_PASSWORD"), kSecret);
    const CliRun right = runCli(arguments, env);
    EXPECT_EQ(right.exit, 0) << right.err.toStdString();
    env.insert(QStringLiteral("LORVANE_PASSWORD"), QStringLiteral("wrong"));
    const CliRun wrong = runCli(arguments, env);
    EXPECT_EQ(wrong.exit, 4);
    EXPECT_TRUE(wrong.err.contains("password")) << wrong.err.toStdString();

    // No password anywhere and no terminal to ask at: the connection fails, nothing waits.
    const CliRun none = runCli(arguments, withoutPassword());
    EXPECT_EQ(none.exit, 4);
    EXPECT_FALSE(none.err.contains("Password:"));

    // Standard input a terminal: asked for, typed, not echoed.
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    const int slave = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
    ASSERT_GE(slave, 0);
    QProcess p;
    p.setProcessEnvironment(withoutPassword());
    p.setChildProcessModifier([slave] { ::dup2(slave, STDIN_FILENO); });
    p.start(QStringLiteral(LORVANE_CLI_PATH), arguments);
    ASSERT_TRUE(p.waitForStarted());
    p.setReadChannel(QProcess::StandardError);
    QByteArray prompt;
    for (int i = 0; i < 200 && !prompt.contains("Password: "); ++i) {
        p.waitForReadyRead(100);
        prompt += p.readAllStandardError();
    }
    EXPECT_TRUE(prompt.contains("Password: ")) << prompt.constData();
    const QByteArray typed = kSecret.toUtf8() + "\n";
    ASSERT_EQ(::write(master, typed.constData(), typed.size()), typed.size());
    EXPECT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().constData();
    // What the terminal showed: the line end, never the password.
    QByteArray shown;
    pollfd pfd{master, POLLIN, 0};
    char buffer[256];
    while (::poll(&pfd, 1, 100) > 0) {
        const ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n <= 0)
            break;
        shown.append(buffer, n);
    }
    EXPECT_FALSE(shown.contains(kSecret.toUtf8())) << shown.constData();
    ::close(slave);
    ::close(master);
}
