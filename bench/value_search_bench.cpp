// Value search on a column of a million rows with ten thousand distinct values, as the user
// waits for it (the command fills both value boxes), against SELECT DISTINCT of the same
// column read with a plain query loop.
#include "builder/frmQDM.h"
#include "control/Lorvanev2.h"
#include "platform/ScriptedPrompts.h"
#include "shared/BuilderSettings.h"
#include "shared/clsField.h"
#include "shared/clsTable.h"
#include "support/BenchSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QAbstractItemView>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTabWidget>
#include <cstdio>

using namespace lorvane;

namespace {

QString databasePath() {
    return bench::millionRowDatabase(QStringLiteral(LORVANE_BENCH_DATA));
}

void PlainDistinctLoop(benchmark::State& state) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("plain"));
    db.setDatabaseName(databasePath());
    db.open();
    for (auto _ : state)
        if (bench::plainQueryLoop(db, QStringLiteral("SELECT DISTINCT Items.Price FROM Items ORDER BY Items.Price ASC")) < 10000)
            state.SkipWithError("too few distinct values");
    db.close();
}

frmQDM* window = nullptr;

void ValueSearchCommand(benchmark::State& state) {
    auto* search = window->findChild<QPushButton*>(QStringLiteral("cmdFieldValues"));
    auto* box = window->findChild<QComboBox*>(QStringLiteral("cmbAvailableValues1"));
    for (auto _ : state) {
        search->click();
        if (box->count() < 10000)
            state.SkipWithError("the value box was not filled");
    }
}

void choose(QAbstractItemView* list, const QString& text) {
    const QModelIndex item =
        list->model()->match(list->model()->index(0, 0), Qt::DisplayRole, text, 1, Qt::MatchExactly).first();
    list->setCurrentIndex(item);
    emit list->clicked(item);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    Lorvanev2 component;
    component.setPrompts(std::make_shared<ScriptedPrompts>());
    component.VLNMakeConnection(QStringLiteral("Provider=SQLite;Data Source=") + databasePath(), {}, {}, 0, 0, 0, false,
                                {}, true);
    component.VLNShowLorvane();
    window = Lorvanev2::builderWindow();
    choose(window->findChild<QAbstractItemView*>(QStringLiteral("lstTPXTableSelection")), QStringLiteral("Items"));
    window->findChild<QPushButton*>(QStringLiteral("cmdTPXTableRight"))->click();
    window->tabs()->setCurrentIndex(frmQDM::SelectFields);
    window->findChild<QPushButton*>(QStringLiteral("cmdTPXFieldRightAll"))->click();
    window->tabs()->setCurrentIndex(frmQDM::BuildQuery);
    choose(window->findChild<QAbstractItemView*>(QStringLiteral("lstSelectedFields")), QStringLiteral("Price"));
    choose(window->findChild<QAbstractItemView*>(QStringLiteral("lstOperands")), QStringLiteral("="));

    benchmark::RegisterBenchmark("PlainDistinctLoop", PlainDistinctLoop)->Iterations(1)->Repetitions(3)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("ValueSearchCommand", ValueSearchCommand)->Iterations(1)->Repetitions(3)->Unit(benchmark::kMillisecond);
    const auto times = bench::runAndCollect(argc, argv);
    component.VLNCloseLorvane(false);
    if (!bench::hasAll(times, {"PlainDistinctLoop", "ValueSearchCommand"}))
        return 0;
    const double ratio = times.at("ValueSearchCommand") / times.at("PlainDistinctLoop");
    std::printf("plain distinct loop %.3f s, value search %.3f s\n", times.at("PlainDistinctLoop"),
                times.at("ValueSearchCommand"));
    bench::printSummary("value_search_1m_rows", QStringLiteral("ratio=%1").arg(ratio, 0, 'f', 2).toStdString(), "<= 1.5");
    return 0;
}
