// The end user's whole path through the builder window on catalogues of 2,000 and 20,000 tables
// of 20 columns: connect, open the window, narrow the tables with the filter box, add five tables,
// join them, visit every page, commit a criterion, run, save, close and open the saved query
// through the open exchange. Each step is timed; the figures are ratios against connecting in the
// same run. PostgreSQL (when its test server starts) repeats connect and open on the same
// catalogues.
#include "builder/frmQDM.h"
#include "control/Lorvanev2.h"
#include "platform/ScriptedPrompts.h"
#include "shared/BuilderSettings.h"
#include "shared/clsField.h"
#include "shared/clsTable.h"
#include "support/BenchSupport.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <libpq-fe.h>
#include <sqlite3.h>
#include <vector>

using namespace lorvane;

namespace {

constexpr int kColumns = 20;

// The same catalogue bench_connect measures connecting to.
QString sqliteCatalogue(int tables) {
    const QString path = QStringLiteral(LORVANE_BENCH_DATA) + QStringLiteral("/catalogue-%1.db").arg(tables);
    if (QFileInfo::exists(path))
        return path;
    QDir().mkpath(QStringLiteral(LORVANE_BENCH_DATA));
    const QString tmp = path + QStringLiteral(".tmp");
    QFile::remove(tmp);
    sqlite3* db = nullptr;
    sqlite3_open(tmp.toUtf8().constData(), &db);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    for (int t = 0; t < tables; ++t) {
        QString ddl = QStringLiteral("CREATE TABLE \"Table %1\" (").arg(t);
        for (int c = 0; c < kColumns; ++c)
            ddl += QStringLiteral("%1Column%2 %3").arg(c ? ", " : "").arg(c).arg(c % 3 == 0 ? "INTEGER" : c % 3 == 1 ? "VARCHAR(40)" : "DATETIME");
        ddl += u')';
        sqlite3_exec(db, ddl.toUtf8().constData(), nullptr, nullptr, nullptr);
    }
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    QFile::rename(tmp, path);
    return path;
}

void resetCatalogue() {
    clsTable::shared().RemoveAll();
    clsField::shared().RemoveAll();
    BuilderSettings::shared() = BuilderSettings();
}

struct Step {
    const char* name;
    double seconds;
};

// One walk along the path; any step that cannot be taken as a user would ends it with a message.
class Path {
public:
    Path(QString cs, int tables, QString savePath)
        : cs_(std::move(cs)), tables_(tables), savePath_(std::move(savePath)) {
        prompts_ = std::make_shared<ScriptedPrompts>();
        component_.setPrompts(prompts_);
    }
    ~Path() {
        if (Lorvanev2::builderWindow())
            component_.VLNCloseLorvane(false);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        resetCatalogue();
    }

    // The five tables: spread over the catalogue, so that none is found near the top only.
    QStringList chosenTables() const {
        QStringList out;
        for (int i : {0, tables_ / 4, tables_ / 2, 3 * tables_ / 4, tables_ - 1})
            out << QStringLiteral("[Table %1]").arg(i);
        return out;
    }

    bool walk(bool connectOnly = false, bool openOnly = false) {
        resetCatalogue();
        time("connect", [&] { component_.VLNMakeConnection(cs_, {}, {}, 0, 0, 0, false, {}, true); });
        if (clsField::shared().Count() != tables_ * kColumns)
            return fail("the catalogue was not loaded");
        if (connectOnly)
            return true;
        time("open the window", [&] { showAndPaint(); });
        if (!w_ || count("lstTPXTableSelection") != tables_)
            return fail("the window does not offer every table");
        if (openOnly)
            return true;
        // One keystroke in the filter box over the whole catalogue, as the user types it: the
        // first character narrows every table, the Backspace brings them all back.
        auto* filter = find<QLineEdit>("txtTableFilter");
        if (!filter)
            return false;
        filter->setFocus();
        time("filter: one keystroke narrows", [&] {
            QTest::keyClick(filter, Qt::Key_5);
            w_->repaint();
        });
        const int narrowed = count("lstTPXTableSelection");
        if (narrowed <= 0 || narrowed >= tables_)
            return fail("the filter did not narrow the tables");
        time("filter: Backspace widens", [&] {
            QTest::keyClick(filter, Qt::Key_Backspace);
            w_->repaint();
        });
        if (count("lstTPXTableSelection") != tables_)
            return fail("clearing the filter did not offer every table again");
        const QStringList tables = chosenTables();
        time("add five tables", [&] {
            for (const QString& t : tables)
                if (choose("lstTPXTableSelection", t))
                    click("cmdTPXTableRight");
        });
        if (count("lstTPXTableTo") != 5)
            return fail("the five tables were not added");
        time("join page: four joins", [&] {
            page(frmQDM::BuildJoins);
            for (int i = 0; i + 1 < tables.size(); ++i) {
                chooseCombo("cmbJoinTables(0)", tables[i]);
                chooseCombo("cmbJoinTables(1)", tables[i + 1]);
                click("cmdlockTables");  // locking matches Column0 with Column0
                click("cmdAddJoin");
                click("cmdlockTables");
            }
        });
        if (!w_->tabs()->isTabEnabled(frmQDM::SelectFields))
            return fail("the joins did not release the field page");
        time("field page: every field out", [&] {
            page(frmQDM::SelectFields);
            click("cmdTPXFieldRightAll");
        });
        time("query page", [&] { page(frmQDM::BuildQuery); });
        time("commit a criterion", [&] {
            // Every chosen table has a Column1: the list names the table.
            choose("lstSelectedFields", tables.front() + QStringLiteral(".Column1"));
            choose("lstOperands", QStringLiteral("="));
            auto* value = find<QComboBox>("cmbAvailableValues1");
            value->setEditText(QStringLiteral("Lyon"));
            click("cmdCommit");
        });
        const QString statement = find<QTextEdit>("txtSQL")->toPlainText();
        if (!statement.contains(QStringLiteral("'Lyon'")))
            return fail("the criterion was not committed");
        time("run", [&] { click("cmdRunQuery"); });
        time("results page", [&] { page(frmQDM::QueryResults); });
        time("save", [&] {
            prompts_->choose(savePath_);
            click("cmdSaveQuery");
        });
        if (!QFileInfo::exists(savePath_))
            return fail("the query was not saved");
        // The host answers the open exchange by connecting on the saved query and showing again.
        bool reopened = false;
        QObject scope;
        QObject::connect(&component_, &Lorvanev2::OpenSavedQuery, &scope, [&] {
            const double closing = clock_.nsecsElapsed() / 1e9;
            steps_.push_back({"close", closing});
            clock_.start();
            component_.VLNMakeConnection({}, {}, {}, 0, 0, 0, true, savePath_, true);
            showAndPaint();
            steps_.push_back({"open the saved query", clock_.nsecsElapsed() / 1e9});
            reopened = true;
        });
        prompts_->answer(Prompts::Answer::No);  // no saving before opening
        clock_.start();
        click("cmdOpenQuery");
        QObject::disconnect(&component_, nullptr, &scope, nullptr);
        if (!reopened || !w_)
            return fail("the saved query was not opened");
        if (find<QTextEdit>("txtSQL")->toPlainText() != statement)
            return fail("the saved query came back different");
        return ok_;
    }

    const std::vector<Step>& steps() const { return steps_; }
    double total() const {
        double sum = 0;
        for (const Step& s : steps_)
            sum += s.seconds;
        return sum;
    }
    double step(const char* name) const {
        for (const Step& s : steps_)
            if (qstrcmp(s.name, name) == 0)
                return s.seconds;
        return -1;
    }

private:
    QString cs_;
    int tables_;
    QString savePath_;
    std::shared_ptr<ScriptedPrompts> prompts_;
    Lorvanev2 component_;
    frmQDM* w_ = nullptr;
    QElapsedTimer clock_;
    std::vector<Step> steps_;
    bool ok_ = true;

    bool fail(const char* why) {
        std::printf("%d tables: %s\n", tables_, why);
        ok_ = false;
        return false;
    }
    void time(const char* name, const std::function<void()>& f) {
        QElapsedTimer clock;
        clock.start();
        f();
        QCoreApplication::processEvents();
        steps_.push_back({name, clock.nsecsElapsed() / 1e9});
    }
    // Shows the window and waits until it has painted.
    void showAndPaint() {
        component_.VLNShowLorvane();
        w_ = Lorvanev2::builderWindow();
        if (!w_)
            return;
        w_->show();
        w_->repaint();
        QCoreApplication::processEvents();
    }
    template <typename T> T* find(const char* name) {
        T* child = w_ ? w_->findChild<T*>(QString::fromLatin1(name)) : nullptr;
        if (!child)
            fail(name);
        return child;
    }
    int count(const char* list) {
        auto* view = find<QAbstractItemView>(list);
        return view ? view->model()->rowCount() : -1;
    }
    // Clicks an entry of a list, found by its text.
    bool choose(const char* list, const QString& text) {
        auto* view = find<QAbstractItemView>(list);
        if (!view)
            return false;
        const QModelIndexList found =
            view->model()->match(view->model()->index(0, 0), Qt::DisplayRole, text, 1, Qt::MatchExactly);
        if (found.isEmpty()) {
            std::printf("%s is not in %s (first: %s)\n", qPrintable(text), list,
                        qPrintable(view->model()->index(0, 0).data().toString()));
            return fail("an entry is not offered");
        }
        view->setCurrentIndex(found.first());
        emit view->clicked(found.first());
        return true;
    }
    void chooseCombo(const char* name, const QString& text) {
        auto* combo = find<QComboBox>(name);
        const int i = combo ? combo->findText(text) : -1;
        if (i < 0) {
            fail("a join table is not offered");
            return;
        }
        combo->setCurrentIndex(i);
        emit combo->activated(i);
    }
    void click(const char* name) {
        auto* b = find<QPushButton>(name);
        if (b && !b->isEnabled())
            fail(name);
        else if (b)
            b->click();
    }
    void page(int p) { w_->tabs()->setCurrentIndex(p); }
};

// `runs` walks; each step's fastest time (the machine is shared: a slow step is another's load).
bool bestWalk(const QString& cs, int tables, int runs, std::vector<Step>& steps, double& total) {
    QTemporaryDir dir;
    steps.clear();
    for (int i = 0; i < runs; ++i) {
        Path path(cs, tables, dir.filePath(QStringLiteral("path%1.vln").arg(i)));
        if (!path.walk())
            return false;
        if (steps.empty())
            steps = path.steps();
        else
            for (std::size_t s = 0; s < steps.size() && s < path.steps().size(); ++s)
                steps[s].seconds = std::min(steps[s].seconds, path.steps()[s].seconds);
    }
    total = 0;
    for (const Step& s : steps)
        total += s.seconds;
    return true;
}

// Fastest connect and open of `runs` on a catalogue.
bool connectAndOpen(const QString& cs, int tables, int runs, double& connect, double& open) {
    connect = open = 1e9;
    for (int i = 0; i < runs; ++i) {
        Path path(cs, tables, QString());
        if (!path.walk(false, true))
            return false;
        connect = std::min(connect, path.step("connect"));
        open = std::min(open, path.step("open the window"));
    }
    return true;
}

// PostgreSQL: a throw-away server on loopback with the same catalogues.
const QString kPgState = QStringLiteral(LORVANE_BENCH_DATA "/pg-builder-server");

struct PgServer {
    bool up = false;
    QString cs;
    PgServer() {
        QDir().mkpath(kPgState);
        QProcess start;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (!env.contains(QStringLiteral("PG_TEST_PORT")))
            env.insert(QStringLiteral("PG_TEST_PORT"), QStringLiteral("55720"));
        start.setProcessEnvironment(env);
        start.start(QStringLiteral(LORVANE_PG_SERVER), {QStringLiteral("start"), kPgState});
        start.waitForFinished(120000);
        QFile file(kPgState + QStringLiteral("/connection.txt"));
        up = start.exitCode() == 0 && file.open(QIODevice::ReadOnly);
        if (up)
            cs = QString::fromUtf8(file.readAll()).trimmed();
        else
            std::printf("the PostgreSQL server did not start: %s\n", start.readAllStandardError().constData());
    }
    ~PgServer() { QProcess::execute(QStringLiteral(LORVANE_PG_SERVER), {QStringLiteral("stop"), kPgState}); }

    QByteArray conninfo(const QString& database) const {
        QString host, port, user;
        for (const QString& part : cs.split(u';')) {
            const QString key = part.section(u'=', 0, 0).trimmed(), value = part.section(u'=', 1).trimmed();
            if (key.compare(QStringLiteral("Host"), Qt::CaseInsensitive) == 0)
                host = value;
            else if (key.compare(QStringLiteral("Port"), Qt::CaseInsensitive) == 0)
                port = value;
            else if (key.compare(QStringLiteral("User ID"), Qt::CaseInsensitive) == 0)
                user = value;
        }
        return QStringLiteral("host=%1 port=%2 dbname=%3 user=%4").arg(host, port, database, user).toUtf8();
    }
    // A database of n tables x 20 columns; its connection string, or empty when it failed.
    QString catalogue(int tables) const {
        const QString name = QStringLiteral("builder_catalogue_%1").arg(tables);
        PGconn* admin = PQconnectdb(conninfo(QStringLiteral("postgres")).constData());
        PQclear(PQexec(admin, ("CREATE DATABASE " + name).toUtf8().constData()));
        PQfinish(admin);
        PGconn* conn = PQconnectdb(conninfo(name).constData());
        QByteArray columns;
        for (int c = 0; c < kColumns; ++c)
            columns += QByteArray(c ? ", " : "") + "Column" + QByteArray::number(c) +
                       (c % 3 == 0 ? " INTEGER" : c % 3 == 1 ? " VARCHAR(40)" : " TIMESTAMP");
        // Made once per server; committed every thousand tables.
        PGresult* r = PQexec(conn, ("DO $$ BEGIN FOR i IN 0.." + QByteArray::number(tables - 1) +
                                    " LOOP EXECUTE format('CREATE TABLE IF NOT EXISTS %I (" + columns +
                                    ")', 'Table ' || i); IF i % 1000 = 0 THEN COMMIT; END IF; END LOOP; END $$")
                                       .constData());
        const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
        if (!ok)
            std::printf("the PostgreSQL catalogue was not made: %s\n", PQerrorMessage(conn));
        PQclear(r);
        PQfinish(conn);
        QString out = cs;
        return ok ? out.replace(QStringLiteral("Database=lorvane_test"), QStringLiteral("Database=") + name) : QString();
    }
};

// SQLite itself: the fastest of `runs` opens of the catalogue with the plain library up to its
// first statement, which loads the schema. Printed beside the growth, because SQLite keeps table
// names in a hash of at most 64 buckets (its build's MALLOC_SOFT_LIMIT=1024), so this load grows
// with the square of the tables whatever its caller does.
double sqliteSchemaLoad(int tables, int runs) {
    const QByteArray path = sqliteCatalogue(tables).toUtf8();
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        sqlite3* db = nullptr;
        sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
        sqlite3_close(db);
        best = std::min(best, clock.nsecsElapsed() / 1e9);
    }
    return best;
}

void printSteps(const char* what, int tables, const std::vector<Step>& steps, double total) {
    std::printf("%s, %d tables:\n", what, tables);
    for (const Step& s : steps)
        std::printf("  %-30s %9.1f ms\n", s.name, s.seconds * 1e3);
    std::printf("  %-30s %9.1f ms (each step's fastest of the walks)\n", "whole path", total * 1e3);
}

QString ratio(double r) {
    return QStringLiteral("ratio=%1").arg(r, 0, 'f', 2);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const bool withPostgres = !args.contains(QStringLiteral("--sqlite-only"));
    const auto cs = [](int tables) { return QStringLiteral("Provider=SQLite;Data Source=") + sqliteCatalogue(tables); };
    // "--profile N": one walk on N tables and nothing else, for perf.
    if (const qsizetype at = args.indexOf(QStringLiteral("--profile")); at > 0 && at + 1 < args.size()) {
        const int tables = args[at + 1].toInt();
        std::vector<Step> steps;
        double total = 0;
        if (!bestWalk(cs(tables), tables, 1, steps, total))
            return 1;
        printSteps("SQLite", tables, steps, total);
        return 0;
    }

    std::vector<Step> small, large;
    double smallTotal = 0, largeTotal = 0;
    if (!bestWalk(cs(2000), 2000, 5, small, smallTotal) || !bestWalk(cs(20000), 20000, 3, large, largeTotal))
        return 1;
    printSteps("SQLite", 2000, small, smallTotal);
    printSteps("SQLite", 20000, large, largeTotal);
    const double connect = large.front().seconds;  // connect, then open the window
    const double open = large[1].seconds;

    if (withPostgres) {
        PgServer server;
        if (server.up) {
            for (int tables : {2000, 20000}) {
                const QString pg = server.catalogue(tables);
                double pgConnect = 0, pgOpen = 0;
                if (!pg.isEmpty() && connectAndOpen(pg, tables, 2, pgConnect, pgOpen))
                    std::printf("PostgreSQL, %d tables: connect %.1f ms, open the window %.1f ms (open / connect %.2f)\n",
                                tables, pgConnect * 1e3, pgOpen * 1e3, pgOpen / pgConnect);
            }
        }
    }

    // For reading the growth: connecting grows on its own (bench_connect's connect_growth).
    const double smallConnect = small.front().seconds;
    const double smallSchema = sqliteSchemaLoad(2000, 5), largeSchema = sqliteSchemaLoad(20000, 3);
    std::printf("SQLite's own schema load (plain library, open and first statement): 2,000 tables %.1f ms, "
                "20,000 tables %.1f ms, growth per table %.2f; the path loads it once (the saved query\n"
                "reuses the open connection)\n",
                smallSchema * 1e3, largeSchema * 1e3, largeSchema / (10 * smallSchema));
    std::printf("growth per table, 2,000 to 20,000: connect %.2f, the path without its first connect %.2f\n",
                connect / (10 * smallConnect), (largeTotal - connect) / (10 * (smallTotal - smallConnect)));
    const double narrow = large[2].seconds, widen = large[3].seconds;
    std::printf("20,000 tables: one keystroke narrows in %.2f ms, Backspace widens in %.2f ms (connect %.1f ms)\n",
                narrow * 1e3, widen * 1e3, connect * 1e3);
    bench::printSummary("open_builder_20000", ratio(open / connect).toStdString(), "<= 1");
    bench::printSummary("table_filter_20000", ratio(std::max(narrow, widen) / connect).toStdString(), "<= 0.05");
    bench::printSummary("builder_growth", ratio(largeTotal / (10 * smallTotal)).toStdString(), "<= 1.3");
    bench::printSummary("builder_path_20000", ratio(largeTotal / connect).toStdString(), "<= 3");
    return 0;
}
