#include "explorer/Explorer.h"

#include "explorer/Checks.h"
#include "explorer/CrashReport.h"
#include "explorer/KnownFaults.h"
#include "explorer/Shrinker.h"

#include "builder/frmQDM.h"
#include "control/Lorvanev2.h"
#include "platform/ScriptedPrompts.h"
#include "shared/clsFunctions.h"
#include "support/TestDatabases.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <cstdio>

namespace lorvane::explorer {

namespace {

QString shownStatement(frmQDM* w) {
    auto* sql = w ? w->findChild<QTextEdit*>(QStringLiteral("txtSQL")) : nullptr;
    return sql ? sql->toPlainText() : QString();
}

QString withoutTrailingLineBreaks(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    while (text.endsWith(u'\n'))
        text.chop(1);
    return text;
}

void settle() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

bool pressIfEnabled(frmQDM* w, const char* name) {
    auto* b = w ? w->findChild<QAbstractButton*>(QString::fromLatin1(name)) : nullptr;
    if (!b || !b->isEnabled())
        return false;
    QTest::mouseClick(b, Qt::LeftButton);
    settle();
    return true;
}

// With no output field the statement is "SELECT " and a FROM clause; the window shows it and
// refuses to run it with a message. That refusal is checked here, through the run command.
bool selectListEmpty(const QString& statement) {
    static const QRegularExpression empty(QStringLiteral(R"(^SELECT (DISTINCT )?\s*(\r?\n|$))"));
    return empty.match(statement).hasMatch();
}

bool refusesToRun(Lorvanev2& component, ScriptedPrompts& prompts) {
    frmQDM* w = Lorvanev2::builderWindow();
    auto* run = w ? w->findChild<QAbstractButton*>(QStringLiteral("cmdRunQuery")) : nullptr;
    if (!run || !run->isEnabled())
        return true;
    const auto before = prompts.records().size();
    QSignalSpy executed(&component, &Lorvanev2::QueryExecuted);
    run->click();
    settle();
    const bool refused = executed.isEmpty() && prompts.records().size() > before &&
                         prompts.records().back().icon == Prompts::Icon::Critical;
    prompts.clear();
    return refused;
}

}  // namespace

QString Failure::signature() const {
    if (!known.isEmpty())
        return check + u'|' + known;
    // The kind of complaint, without the names it quotes.
    QString words = detail;
    words.remove(QRegularExpression(QStringLiteral("\"[^\"]*\"|'[^']*'|\\S+\\.\\S+|\\d+")));
    return check + u'|' + words.simplified().section(u' ', 0, 2);
}

QString describe(const Database& db, quint64 seed, const Failure& f, const QList<Action>& actions) {
    QString out = QStringLiteral("driver=%1 seed=%2 check=%3 %4\n").arg(db.name).arg(seed).arg(f.check,
        !f.known.isEmpty() ? QStringLiteral("(listed: %1)").arg(f.known) : QStringLiteral("(NEW)"));
    out += QStringLiteral("  after action %1: %2\n").arg(f.action).arg(f.detail);
    if (!f.statement.isEmpty())
        out += QStringLiteral("  statement: %1\n").arg(QString(f.statement).replace(u'\n', QStringLiteral("\n             ")));
    out += QStringLiteral("  actions (%1):\n").arg(actions.size());
    for (const Action& a : actions)
        out += QStringLiteral("    ") + a.text() + u'\n';
    return out;
}

Explorer::Explorer(Database db, QString cliPath) : db_(std::move(db)), cliPath_(std::move(cliPath)) {
    checks_ = !db_.sqlitePath.isEmpty()    ? Checks::forSqlite(db_.sqlitePath)
              : db_.name == u"mariadb"   ? Checks::forMariaDb(db_.connectionString)
                                         : Checks::forPostgres(db_.connectionString);
}

Explorer::~Explorer() = default;

Outcome Explorer::explore(quint64 seed, int count) {
    return play(nullptr, seed, count);
}

Outcome Explorer::replay(const QList<Action>& actions) {
    return play(&actions, 0, int(actions.size()));
}

QList<Action> Explorer::shrink(const QList<Action>& actions, const Failure& failure, int* replays) {
    const QString wanted = failure.signature();
    Shrinker shrinker([&](const QList<Action>& candidate) {
        const Outcome o = replay(candidate);
        return o.failure && o.failure->signature() == wanted;
    });
    QList<Action> shortest = shrinker.shrink(actions);
    if (replays)
        *replays = shrinker.replays();
    return shortest;
}

Outcome Explorer::play(const QList<Action>* recorded, quint64 seed, int count) {
    Outcome out;
    if (!checks_) {
        out.failure = Failure{QStringLiteral("setup"), QStringLiteral("cannot open the checking connection"), {}, -1, {}};
        return out;
    }

    test::resetSharedState();
    auto prompts = std::make_shared<ScriptedPrompts>();
    auto component = std::make_unique<Lorvanev2>();
    component->setPrompts(prompts);
    // Joins proposed from declared keys come on through their own action (autoJoin).
    component->setVLNAutoJoinForeignKeys(false);
    if (auto* functions = qobject_cast<clsCalcFieldFunctions*>(component->VLNCalcFieldFunctions())) {
        functions->Functions().Add(QStringLiteral("ABS("), QStringLiteral("abs"));
        functions->Functions().Add(QStringLiteral("ROUND("));
    }
    QTemporaryDir dir;
    int saved = 0;
    QString reopenPath;
    std::optional<Failure> pending;
    {
        QObject scope;
        QObject::connect(component.get(), &Lorvanev2::OpenSavedQuery, &scope, [&] {
            component->VLNMakeConnection({}, {}, {}, 0, 0, 0, true, reopenPath, true);
            component->VLNShowLorvane();
        });
        component->VLNMakeConnection(db_.connectionString, {}, {}, 0, 0, 0, false, {}, true);
        component->VLNShowLorvane();

        PlayerHost host;
        host.window = [] { return Lorvanev2::builderWindow(); };
        host.prompts = prompts;
        host.newQueryPath = [&] { return dir.filePath(QStringLiteral("q%1.vln").arg(++saved)); };
        host.reopen = [&](const QString& path) {
            prompts->choose(path);
            if (!pressIfEnabled(Lorvanev2::builderWindow(), "cmdSaveQuery") || !QFile::exists(path))
                return;
            // Saving takes what the page showing holds into the query first (tables chosen,
            // a join just added): the statement saved is the one the window shows after it.
            const QString before = shownStatement(Lorvanev2::builderWindow());
            QProcess cli;
            cli.start(cliPath_, {QStringLiteral("sql"), path});
            cli.waitForFinished(60000);
            const QString printed = QString::fromUtf8(cli.readAllStandardOutput());
            if (cli.exitStatus() != QProcess::NormalExit || cli.exitCode() != 0 ||
                withoutTrailingLineBreaks(printed) != withoutTrailingLineBreaks(before)) {
                pending = Failure{QStringLiteral("cli"),
                                  QStringLiteral("lorvane sql printed (exit %1):\n%2\n%3")
                                      .arg(cli.exitCode())
                                      .arg(printed, QString::fromUtf8(cli.readAllStandardError())),
                                  before, -1, {}};
            }
            reopenPath = path;
            prompts->answer(Prompts::Answer::No);  // do not save again before opening
            pressIfEnabled(Lorvanev2::builderWindow(), "cmdOpenQuery");
            settle();
            frmQDM* after = Lorvanev2::builderWindow();
            if (!after) {
                QStringList said;
                for (const auto& r : prompts->records())
                    said << r.text;
                pending = Failure{QStringLiteral("reopen"), QStringLiteral("the window did not reopen: ") + said.join(u'|'),
                                  before, -1, {}};
            } else if (shownStatement(after) != before && !pending) {
                pending = Failure{QStringLiteral("reopen"),
                                  QStringLiteral("reopened statement differs:\n") + shownStatement(after), before, -1, {}};
            }
        };

        ActionPlayer player(host);
        std::mt19937 rng(static_cast<std::mt19937::result_type>(seed));
        Checks::takeModelReports();
        Checks::watchModels(Lorvanev2::builderWindow());
        for (int i = 0; i < count; ++i) {
            crashActions(out.actions);
            if (recorded) {
                player.replay((*recorded)[i]);
                out.actions << (*recorded)[i];
            } else {
                out.actions << player.generate(rng);
            }
            static const bool trace = qEnvironmentVariableIsSet("LORVANE_EXPLORER_TRACE");
            if (trace) {
                QStringList said;
                for (const auto& r : prompts->records())
                    said << r.text;
                std::fprintf(stderr, "%s\n  prompts: %s\n  statement: %s\n", qPrintable(out.actions.last().text()),
                             qPrintable(said.join(u'|')), qPrintable(shownStatement(Lorvanev2::builderWindow())));
            }
            prompts->clear();
            frmQDM* w = Lorvanev2::builderWindow();
            Checks::watchModels(w);
            std::optional<Failure> failure = pending;
            if (!failure && !w)
                failure = Failure{QStringLiteral("window"), QStringLiteral("the builder window is gone"), {}, -1, {}};
            if (!failure) {
                if (const QStringList reports = Checks::takeModelReports(); !reports.isEmpty())
                    failure = Failure{QStringLiteral("model"), reports.join(u'\n'), shownStatement(w), -1, {}};
            }
            if (!failure) {
                const QString statement = shownStatement(w);
                if (!statement.trimmed().isEmpty()) {
                    QString error = checks_->prepare(statement);
                    if (error.isEmpty() && !planted_.isEmpty() && statement.contains(planted_))
                        error = QStringLiteral("planted fault: the statement holds ") + planted_;
                    if (!error.isEmpty() && planted_.isEmpty() && selectListEmpty(statement) &&
                        refusesToRun(*component, *prompts))
                        error.clear();
                    if (!error.isEmpty())
                        failure = Failure{QStringLiteral("statement"), error, statement, -1, {}};
                }
            }
            if (failure) {
                failure->action = i;
                failure->known = knownFault(*failure, out.actions);
                out.failure = failure;
                break;
            }
        }
    }
    if (Lorvanev2::builderWindow())
        component->VLNCloseLorvane(false);
    settle();
    component.reset();
    settle();
    Checks::takeModelReports();
    test::resetSharedState();
    return out;
}

}  // namespace lorvane::explorer
