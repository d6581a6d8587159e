// The state explorer's driver. Under ctest it runs a fixed budget per database (a fixed list of
// seeds, a fixed number of actions each) and the regression lists; `make explore` runs it with
// --explore for a given time per database:
//   lorvane_explorer --explore [--seconds N] [--seed S] [--drivers sqlite-sample,sqlite-names,postgres,mariadb]
//                    [--actions N] [--shrink-known]
// A failure prints its seed and the shortest action list that still fails. The sequences run in
// a worker process, so that a crash is reported (and shrunk, replaying in further processes)
// and the run goes on from the next seed.
//   lorvane_explorer --replay FILE [--driver D]   replays an action list, one JSON array a line
#include "explorer/Checks.h"
#include "explorer/CrashReport.h"
#include "explorer/Explorer.h"
#include "explorer/ExplorerDatabases.h"
#include "explorer/KnownFaults.h"
#include "explorer/Shrinker.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QTextStream>
#include <gtest/gtest.h>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <unistd.h>

using namespace lorvane::explorer;

namespace {

double cpuSeconds() {
    return double(std::clock()) / CLOCKS_PER_SEC;
}

QTextStream& out() {
    static QTextStream s(stdout);
    return s;
}

struct Tally {
    int sequences = 0, actions = 0, failures = 0, fresh = 0;
    QMap<QString, int> known;  // listed fault -> how often
};

// One sequence: generated, checked, and on failure shrunk and reported.
void runSequence(Explorer& ex, quint64 seed, int actions, bool shrinkKnown, Tally& t, QSet<QString>& shrunkItems) {
    crashContext(ex.database().name, seed);
    const Outcome o = ex.explore(seed, actions);
    ++t.sequences;
    t.actions += int(o.actions.size());
    if (!o.failure)
        return;
    ++t.failures;
    const Failure& f = *o.failure;
    if (!f.known.isEmpty()) {
        ++t.known[f.known];
        if (!shrinkKnown || shrunkItems.contains(f.known))
            return;
        shrunkItems.insert(f.known);
    } else {
        ++t.fresh;
    }
    int replays = 0;
    const QList<Action> shortest = ex.shrink(o.actions, f, &replays);
    const Outcome again = ex.replay(shortest);
    out() << "EXPLORE FAILURE " << describe(ex.database(), seed, again.failure.value_or(f), shortest)
          << "  (shrunk from " << o.actions.size() << " actions in " << replays << " replays)\n";
    out().flush();
}

QString tallyText(const QString& driver, double cpu, const Tally& t) {
    QStringList known;
    for (auto it = t.known.cbegin(); it != t.known.cend(); ++it)
        known << QStringLiteral("%1:%2").arg(QString(it.key()).replace(u' ', u'_')).arg(it.value());
    return QStringLiteral("driver=%1 cpu-seconds=%2 sequences=%3 actions=%4 failures=%5 new=%6 known=[%7]")
        .arg(driver)
        .arg(qRound(cpu))
        .arg(t.sequences)
        .arg(t.actions)
        .arg(t.failures)
        .arg(t.fresh)
        .arg(known.join(u' '));
}

int worker(const QStringList& args) {
    auto value = [&](const QString& name, const QString& fallback) {
        const qsizetype i = args.indexOf(name);
        return i >= 0 && i + 1 < args.size() ? args[i + 1] : fallback;
    };
    const double seconds = value("--seconds", "60").toDouble();
    const quint64 firstSeed = value("--seed", "1").toULongLong();
    const int actions = value("--actions", "40").toInt();
    const QStringList drivers = value("--drivers", "sqlite-sample,sqlite-names,postgres,mariadb").split(u',');
    const bool shrinkKnown = args.contains("--shrink-known");
    for (const QString& driver : drivers) {
        DatabaseSetup setup;
        const Database db = setup.open(driver);
        if (db.connectionString.isEmpty()) {
            out() << "EXPLORE driver=" << driver << " skipped: " << setup.error() << "\n";
            continue;
        }
        Explorer ex(db, QStringLiteral(LORVANE_CLI_PATH));
        Tally t;
        QSet<QString> shrunkItems;
        const double start = cpuSeconds();
        for (quint64 seed = firstSeed; cpuSeconds() - start < seconds; ++seed) {
            runSequence(ex, seed, actions, shrinkKnown, t, shrunkItems);
            out() << "EXPLORE progress seed=" << seed << ' ' << tallyText(driver, cpuSeconds() - start, t) << "\n";
            out().flush();
        }
        out() << "EXPLORE " << tallyText(driver, cpuSeconds() - start, t) << "\n";
        out().flush();
    }
    return 0;
}

QString argValue(const QStringList& args, const QString& name, const QString& fallback) {
    const qsizetype i = args.indexOf(name);
    return i >= 0 && i + 1 < args.size() ? args[i + 1] : fallback;
}

// Replays a list in a process of its own: true when that process crashed.
bool crashesWhenReplayed(const QString& driver, const QList<Action>& actions) {
    QTemporaryFile list;
    if (!list.open())
        return false;
    list.write(actionListText(actions).toUtf8());
    list.flush();
    QProcess p;
    p.setStandardErrorFile(QProcess::nullDevice());
    p.setStandardOutputFile(QProcess::nullDevice());
    p.start(QCoreApplication::applicationFilePath(), {"--replay", list.fileName(), "--driver", driver});
    p.waitForFinished(600000);
    return p.exitStatus() == QProcess::CrashExit;
}

// The parent of the workers: runs one driver's time in workers, restarting after a crash.
int explore(const QStringList& args) {
    const double seconds = argValue(args, "--seconds", "60").toDouble();
    quint64 seed = argValue(args, "--seed", "1").toULongLong();
    const QStringList drivers = argValue(args, "--drivers", "sqlite-sample,sqlite-names,postgres,mariadb").split(u',');
    Tally total;
    for (const QString& driver : drivers) {
        double used = 0;
        Tally t;
        quint64 next = seed;
        while (used < seconds) {
            // The worker takes this driver, seed and time only: it reads the first of each option.
            QStringList workerArgs;
            for (qsizetype i = 1; i < args.size(); ++i) {
                if (args[i] == u"--drivers" || args[i] == u"--seed" || args[i] == u"--seconds")
                    ++i;  // and its value
                else if (args[i] != u"--explore")
                    workerArgs << args[i];
            }
            workerArgs << "--explore-worker" << "--drivers" << driver << "--seed" << QString::number(next)
                       << "--seconds" << QString::number(seconds - used);
            QProcess p;
            p.start(QCoreApplication::applicationFilePath(), workerArgs);
            p.waitForStarted();
            QString last, errors;
            while (p.state() != QProcess::NotRunning) {
                p.waitForReadyRead(1000);
                errors += QString::fromUtf8(p.readAllStandardError());
                while (p.canReadLine()) {
                    const QString line = QString::fromUtf8(p.readLine());
                    const bool progress = line.startsWith(QStringLiteral("EXPLORE progress"));
                    if (progress)
                        last = line;
                    if ((progress && args.contains(QStringLiteral("--progress"))) ||
                        (!progress && !line.startsWith(QStringLiteral("EXPLORE driver="))))
                        out() << line;
                }
                out().flush();
            }
            errors += QString::fromUtf8(p.readAllStandardError());
            for (const QString& line : QString::fromUtf8(p.readAll()).split(u'\n'))
                if (line.startsWith(QStringLiteral("EXPLORE progress")))
                    last = line;
                else if (!line.isEmpty() && !line.startsWith(QStringLiteral("EXPLORE driver=")))
                    out() << line << "\n";
            // The worker's figures so far.
            static const QRegularExpression figure(QStringLiteral("(seed|cpu-seconds|sequences|actions|failures|new)=(\\d+)"));
            QMap<QString, double> f;
            for (const auto& m : figure.globalMatch(last))
                f[m.captured(1)] = m.captured(2).toDouble();
            static const QRegularExpression knownList(QStringLiteral("known=\\[([^\\]]*)\\]"));
            for (const QString& k : knownList.match(last).captured(1).split(u' ', Qt::SkipEmptyParts))
                t.known[k.section(u':', 0, -2).replace(u'_', u' ')] += k.section(u':', -1).toInt();
            t.sequences += int(f["sequences"]);
            t.actions += int(f["actions"]);
            t.failures += int(f["failures"]);
            t.fresh += int(f["new"]);
            used += std::max(1.0, f["cpu-seconds"]);
            if (p.exitStatus() != QProcess::CrashExit)
                break;
            // A crash: report it, shrunk by replays in processes of their own, and go on.
            static const QRegularExpression crash(
                QStringLiteral("EXPLORE CRASH signal (\\d+) driver=\\S+ seed=(\\d+)[^\\n]*\\n((?:.*\\n)*?)EXPLORE CRASH END"));
            const auto m = crash.match(errors);
            const quint64 crashed = m.hasMatch() ? m.captured(2).toULongLong() : next;
            const QList<Action> actions = parseActionList(m.captured(3));
            ++t.sequences;
            ++t.failures;
            ++t.fresh;
            t.actions += int(actions.size());
            int replays = 0;
            Shrinker shrinker([&](const QList<Action>& candidate) { return crashesWhenReplayed(driver, candidate); }, 150);
            const QList<Action> shortest = crashesWhenReplayed(driver, actions) ? shrinker.shrink(actions) : actions;
            replays = shrinker.replays();
            Failure failure{QStringLiteral("crash"), QStringLiteral("signal ") + m.captured(1), {}, int(actions.size()) - 1, {}};
            Database db{driver, {}, {}};
            out() << "EXPLORE FAILURE " << describe(db, crashed, failure, shortest) << "  (shrunk from " << actions.size()
                  << " actions in " << replays << " replays)\n";
            out().flush();
            next = crashed + 1;
        }
        out() << "EXPLORE " << tallyText(driver, used, t) << "\n";
        total.sequences += t.sequences;
        total.actions += t.actions;
        total.failures += t.failures;
    }
    out() << "EXPLORE sequences=" << total.sequences << " actions=" << total.actions << " failures=" << total.failures
          << "\n";
    return 0;
}

// Replays an action list from a file (one JSON array a line) and says how it ended.
int replayFile(const QStringList& args) {
    const qsizetype i = args.indexOf(QStringLiteral("--replay"));
    const qsizetype d = args.indexOf(QStringLiteral("--driver"));
    QFile file(i + 1 < args.size() ? args[i + 1] : QString());
    if (!file.open(QIODevice::ReadOnly)) {
        out() << "cannot read the action list\n";
        return 2;
    }
    DatabaseSetup setup;
    const Database db = setup.open(d >= 0 && d + 1 < args.size() ? args[d + 1] : QStringLiteral("sqlite-sample"));
    Explorer ex(db, QStringLiteral(LORVANE_CLI_PATH));
    const QList<Action> actions = parseActionList(QString::fromUtf8(file.readAll()));
    const Outcome o = ex.replay(actions);
    if (!o.failure) {
        out() << "EXPLORE REPLAY passed (" << actions.size() << " actions)\n";
        return 0;
    }
    out() << "EXPLORE REPLAY " << describe(db, 0, *o.failure, o.actions);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Checks::installReportHandler();
    installCrashReport();
    const QStringList args = QCoreApplication::arguments();
    if (args.contains(QStringLiteral("--replay")))
        return replayFile(args);
    if (args.contains(QStringLiteral("--explore-worker")))
        return worker(args);
    if (args.contains(QStringLiteral("--explore")))
        return explore(args);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
