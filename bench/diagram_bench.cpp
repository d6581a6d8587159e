// The join diagram of a large query: 50 tables of 12 fields with 60 join conditions (a chain of
// 49 joins, 11 of them with a further condition). What a user waits for when the join page
// shows: the items built from the query state, laid out, fitted and painted.
#include "builder/JoinDiagram.h"
#include "query/FromClause.h"
#include "shared/BuilderSettings.h"
#include "shared/QueryState.h"
#include "shared/clsField.h"
#include "support/BenchSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGraphicsScene>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cstdio>

using namespace lorvane;

namespace {

constexpr int kTables = 50;
constexpr int kFields = 12;
constexpr int kFurtherConditions = 11;
constexpr int kRepetitions = 7;

QString table(int t) { return QStringLiteral("T%1").arg(t, 2, 10, QLatin1Char('0')); }
QString field(int f) { return QStringLiteral("C%1").arg(f, 2, 10, QLatin1Char('0')); }
QString item(int t, int f) { return table(t) + u'.' + field(f); }

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    BuilderSettings settings;
    QueryState state(&settings);
    state.createTables();
    QStringList tables;
    for (int t = 1; t <= kTables; ++t) {
        tables << table(t);
        for (int f = 1; f <= kFields; ++f)
            clsField::shared().AddUnchecked(field(f), table(t), 3);
    }
    state.TableList() = tables;
    FromClause from(state);
    for (int t = 1; t < kTables; ++t) {
        from.AddJoinCondition({table(t), table(t + 1), item(t, 1), item(t + 1, 1), t % 3 == 0 ? ">=" : "="});
        state.rsJoinFields().Close();  // the next condition is a join of its own
    }
    const std::vector<JoinCondition> joins = from.Conditions();
    for (int i = 0; i < kFurtherConditions; ++i) {
        const JoinCondition& j = joins[static_cast<std::size_t>(i * 4)];
        from.AddConditionToGroup(j.group, QString(j.leftField).replace("C01", "C02"),
                                 QString(j.rightField).replace("C01", "C02"));
    }
    const qsizetype conditions = from.Conditions().size();
    if (conditions != kTables - 1 + kFurtherConditions) {
        std::fprintf(stderr, "prepared %lld join conditions, not %d\n", static_cast<long long>(conditions),
                     kTables - 1 + kFurtherConditions);
        return 1;
    }

    const QStringList symbols = {QStringLiteral("="), QStringLiteral(">="), QStringLiteral("<>")};
    double best = 1e9;
    qsizetype drawn = 0;
    for (int r = 0; r < kRepetitions; ++r) {
        JoinDiagram view;
        view.resize(1200, 500);
        QImage image(1200, 500, QImage::Format_ARGB32_Premultiplied);
        QElapsedTimer timer;
        timer.start();
        view.showContent(JoinDiagram::contentOf(state, symbols));
        view.fitAll();
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        view.scene()->render(&painter, QRectF(image.rect()), view.scene()->itemsBoundingRect(), Qt::KeepAspectRatio);
        painter.end();
        best = std::min(best, timer.nsecsElapsed() / 1e6);
        drawn = view.scene()->items().size();
    }
    // 50 boxes, 600 fields, 60 lines.
    if (drawn != kTables + kTables * kFields + conditions) {
        std::fprintf(stderr, "drew %lld items\n", static_cast<long long>(drawn));
        return 1;
    }
    std::printf("diagram of %d tables, %lld join conditions: %lld items, fastest of %d: %.1f ms\n", kTables,
                static_cast<long long>(conditions), static_cast<long long>(drawn), kRepetitions, best);
    bench::printSummary("diagram_50_tables_ms", "ms=" + QString::number(best, 'f', 1).toStdString(), "<= 150");
    return 0;
}
