// Connecting to a database of 20,000 tables x 20 columns, each table but the first with a
// foreign key to the one before, and loading its catalogue and its keys, against reading the
// tables and columns with the sqlite3 library directly; and how connecting grows from 2,000 to
// 20,000 tables.
#include "shared/BuilderSettings.h"
#include "control/Lorvanev2.h"
#include "platform/Connection.h"
#include "platform/ForeignKey.h"
#include "shared/clsField.h"
#include "shared/clsTable.h"
#include "support/BenchSupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sqlite3.h>
#include <cstdio>

using namespace lorvane;

namespace {

constexpr int kColumns = 20;

QString databasePath(int tables) {
    return QStringLiteral(LORVANE_BENCH_DATA) + QStringLiteral("/catalogue-keys-%1.db").arg(tables);
}

void createDatabase(int tables) {
    const QString path = databasePath(tables);
    if (QFileInfo::exists(path))
        return;
    QDir().mkpath(QStringLiteral(LORVANE_BENCH_DATA));
    const QString tmp = path + QStringLiteral(".tmp");
    QFile::remove(tmp);
    sqlite3* db = nullptr;
    sqlite3_open(tmp.toUtf8().constData(), &db);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    for (int t = 0; t < tables; ++t) {
        QString ddl = QStringLiteral("CREATE TABLE \"Table %1\" (").arg(t);
        for (int c = 0; c < kColumns; ++c)
            ddl += QStringLiteral("%1Column%2 %3").arg(c ? ", " : "").arg(c).arg(c == 0 ? "INTEGER PRIMARY KEY" : c % 3 == 0 ? "INTEGER" : c % 3 == 1 ? "VARCHAR(40)" : "DATETIME");
        if (t > 0)
            ddl += QStringLiteral(", FOREIGN KEY (Column3) REFERENCES \"Table %1\" (Column0)").arg(t - 1);
        ddl += u')';
        sqlite3_exec(db, ddl.toUtf8().constData(), nullptr, nullptr, nullptr);
    }
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    QFile::rename(tmp, path);
}

void resetCatalogue() {
    clsTable::shared().RemoveAll();
    clsField::shared().RemoveAll();
    BuilderSettings::shared() = BuilderSettings();
}

void connectWith(benchmark::State& state, int tables) {
    Lorvanev2 component;
    int errors = 0;
    QObject::connect(&component, &Lorvanev2::ConnectionComplete, [&errors](int number) { errors += number != 0; });
    const QString cs = QStringLiteral("Provider=SQLite;Data Source=") + databasePath(tables);
    std::size_t keys = 0;
    for (auto _ : state) {
        state.PauseTiming();
        resetCatalogue();
        state.ResumeTiming();
        component.VLNMakeConnection(cs, {}, {}, 0, 0, 0, false, {}, true);
        keys = BuilderSettings::shared().activeConnection().ForeignKeys()->size();
    }
    if (errors || clsField::shared().Count() != tables * kColumns)
        state.SkipWithError("the catalogue was not loaded");
    if (keys != std::size_t(tables - 1))
        state.SkipWithError("the foreign keys were not read");
    resetCatalogue();
}

void Connect20000(benchmark::State& state) { connectWith(state, 20000); }
void Connect2000(benchmark::State& state) { connectWith(state, 2000); }

void Sqlite3Catalogue20000(benchmark::State& state) {
    const QByteArray path = databasePath(20000).toUtf8();
    for (auto _ : state) {
        sqlite3* db = nullptr;
        sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt* stmt = nullptr;
        long long cells = 0;
        sqlite3_prepare_v2(db, "SELECT name, type FROM sqlite_master WHERE type IN ('table', 'view')", -1, &stmt, nullptr);
        while (sqlite3_step(stmt) == SQLITE_ROW)
            cells += sqlite3_column_bytes(stmt, 0) + sqlite3_column_bytes(stmt, 1);
        sqlite3_finalize(stmt);
        sqlite3_prepare_v2(db,
                           "SELECT m.name, p.name, p.type FROM sqlite_master m JOIN pragma_table_xinfo(m.name) p "
                           "WHERE m.type IN ('table', 'view')",
                           -1, &stmt, nullptr);
        while (sqlite3_step(stmt) == SQLITE_ROW)
            cells += sqlite3_column_bytes(stmt, 0) + sqlite3_column_bytes(stmt, 1) + sqlite3_column_bytes(stmt, 2);
        sqlite3_finalize(stmt);
        sqlite3_close(db);
        benchmark::DoNotOptimize(cells);
    }
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    createDatabase(20000);
    createDatabase(2000);
    benchmark::RegisterBenchmark("Connect20000", Connect20000)->Repetitions(3)->Iterations(1)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("Connect2000", Connect2000)->Repetitions(3)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("Sqlite3Catalogue20000", Sqlite3Catalogue20000)->Repetitions(3)->Iterations(1)->Unit(benchmark::kMillisecond);
    const auto t = bench::runAndCollect(argc, argv);
    if (!bench::hasAll(t, {"Connect20000", "Connect2000", "Sqlite3Catalogue20000"}))
        return 0;
    std::printf("connect 20000 tables %.1f ms, 2000 tables %.1f ms; sqlite3 catalogue read %.1f ms\n",
                t.at("Connect20000") * 1e3, t.at("Connect2000") * 1e3, t.at("Sqlite3Catalogue20000") * 1e3);
    bench::printSummary("connect_20000_tables",
                        QStringLiteral("ratio=%1").arg(t.at("Connect20000") / t.at("Sqlite3Catalogue20000"), 0, 'f', 2).toStdString(),
                        "<= 3");
    bench::printSummary("connect_growth",
                        QStringLiteral("ratio=%1").arg(t.at("Connect20000") / (10 * t.at("Connect2000")), 0, 'f', 2).toStdString(),
                        "<= 1.3");
    return 0;
}
