// A million-row query run from the builder window until the grid shows its first rows, against
// fetching the same rows into a record set without any window; and sorting those rows.
#include "builder/ResultsPage.h"
#include "builder/frmQDM.h"
#include "shared/BuilderSettings.h"
#include "control/Lorvanev2.h"
#include "shared/clsField.h"
#include "shared/clsTable.h"
#include "platform/Connection.h"
#include "platform/ScriptedPrompts.h"
#include "platform/RecordSetModel.h"
#include "support/BenchSupport.h"

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <cstdio>

using namespace lorvane;

namespace {

QString connectionString() {
    return QStringLiteral("Provider=SQLite;Data Source=") + bench::millionRowDatabase(QStringLiteral(LORVANE_BENCH_DATA));
}

// The builder open on Items with every field output, ready to run.
struct Builder {
    Lorvanev2 component;
    frmQDM* window = nullptr;
    Builder() {
        component.setPrompts(std::make_shared<ScriptedPrompts>());
        component.VLNMakeConnection(connectionString(), {}, {}, 0, 0, 0, false, {}, true);
        component.VLNShowLorvane();
        window = Lorvanev2::builderWindow();
        auto* tables = window->findChild<QListWidget*>(QStringLiteral("lstTPXTableSelection"));
        QListWidgetItem* items = tables->findItems(QStringLiteral("Items"), Qt::MatchExactly).first();
        tables->setCurrentItem(items);
        emit tables->itemClicked(items);
        window->findChild<QPushButton*>(QStringLiteral("cmdTPXTableRight"))->click();
        window->tabs()->setCurrentIndex(frmQDM::SelectFields);
        window->findChild<QPushButton*>(QStringLiteral("cmdTPXFieldRightAll"))->click();
        window->tabs()->setCurrentIndex(frmQDM::BuildQuery);
    }
    ~Builder() {
        component.VLNCloseLorvane(false);
        clsTable::shared().RemoveAll();
        clsField::shared().RemoveAll();
        BuilderSettings::shared() = BuilderSettings();
    }
    QTableView* grid() const {
        return qobject_cast<QTableView*>(window->findChild<QSplitter*>(QStringLiteral("dgrQueryResults"))->widget(0));
    }
};

Builder* builder = nullptr;
QString statement;

void RunToGrid(benchmark::State& state) {
    QPushButton* run = builder->window->findChild<QPushButton*>(QStringLiteral("cmdRunQuery"));
    for (auto _ : state) {
        run->click();
        QTableView* grid = builder->grid();
        grid->viewport()->repaint();  // the first rows are on screen
        QApplication::processEvents();
        if (grid->model()->rowCount() != bench::kMillion)
            state.SkipWithError("the grid does not hold the rows");
    }
}

void FetchWithoutWindow(benchmark::State& state) {
    Connection c;
    c.Open(connectionString());
    for (auto _ : state) {
        auto rs = c.OpenRecordSet(statement);
        if (rs->RecordCount() != bench::kMillion)
            state.SkipWithError("wrong row count");
    }
}

void SortByName(benchmark::State& state) {
    RecordSetModel* model = builder->window->resultsPage()->model();
    bool descending = false;
    for (auto _ : state) {
        model->sort(descending ? QStringLiteral("Name DESC") : QStringLiteral("Name ASC"));
        descending = !descending;
    }
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    builder = new Builder;
    builder->window->show();
    statement = builder->window->state().StatementText;
    statement.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    std::printf("statement: %s\n", qPrintable(statement));
    benchmark::RegisterBenchmark("RunToGrid", RunToGrid)->Iterations(1)->Repetitions(3)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("FetchWithoutWindow", FetchWithoutWindow)->Iterations(1)->Repetitions(3)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("SortByName", SortByName)->Iterations(1)->Repetitions(3)->Unit(benchmark::kMillisecond);
    const auto t = bench::runAndCollect(argc, argv);
    delete builder;
    if (!bench::hasAll(t, {"RunToGrid", "FetchWithoutWindow", "SortByName"}))
        return 0;
    std::printf("run to grid %.3f s, fetch without window %.3f s, sort by Name %.3f s\n", t.at("RunToGrid"),
                t.at("FetchWithoutWindow"), t.at("SortByName"));
    bench::printSummary("run_1m_to_grid",
                        QStringLiteral("ratio=%1").arg(t.at("RunToGrid") / t.at("FetchWithoutWindow"), 0, 'f', 2).toStdString(),
                        "<= 1.2");
    bench::printSummary("sort_1m", QStringLiteral("seconds=%1").arg(t.at("SortByName"), 0, 'f', 3).toStdString(),
                        "none yet");
    return 0;
}
