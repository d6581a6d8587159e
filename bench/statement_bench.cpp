// Generating and colouring a large statement, against SQLite's own parse of it; and how the
// colouring time grows with the statement's length.
#include "shared/BuilderSettings.h"
#include "platform/ScriptedPrompts.h"
#include "query/CriteriaGrid.h"
#include "query/FromClause.h"
#include "shared/QueryState.h"
#include "query/SqlColouring.h"
#include "query/Statement.h"
#include "support/BenchSupport.h"

#include <QCoreApplication>
#include <QHash>
#include <sqlite3.h>
#include <cstdio>

using namespace lorvane;

namespace {

constexpr int kTables = 50;
constexpr int kColumns = 20;

QString table(int t) { return QStringLiteral("T%1").arg(t, 2, 10, QLatin1Char('0')); }
QString column(int t, int c) { return table(t) + QStringLiteral(".C%1").arg(c, 2, 10, QLatin1Char('0')); }

class AllIntegers : public FieldTypeSource {
public:
    int FieldTypeOf(const QString&) const override { return 3; }
};

struct Fixture {
    sqlite3* db = nullptr;
    BuilderSettings settings;
    QueryState state{&settings};
    AllIntegers types;
    ScriptedPrompts prompts;

    Fixture() {
        sqlite3_open(":memory:", &db);
        for (int t = 1; t <= kTables; ++t) {
            QString ddl = QStringLiteral("CREATE TABLE %1 (").arg(table(t));
            for (int c = 1; c <= kColumns; ++c)
                ddl += QStringLiteral("%1C%2 INTEGER").arg(c > 1 ? ", " : "").arg(c, 2, 10, QLatin1Char('0'));
            ddl += u')';
            sqlite3_exec(db, ddl.toUtf8().constData(), nullptr, nullptr, nullptr);
        }
        state.createTables();
        QStringList tables, fields;
        for (int t = 1; t <= kTables; ++t) {
            tables << table(t);
            for (int c = 1; c <= kColumns; ++c)
                fields << column(t, c);
        }
        state.TableList() = tables;
        state.SelectedTables = tables;
        state.FieldList() = fields;
        state.OutputFieldList = fields;
        FromClause from(state);
        for (int t = 1; t < kTables; ++t) {
            from.AddJoinCondition({table(t), table(t + 1), column(t, 1), column(t + 1, 1), "="});
            state.rsJoinFields().Close();  // unlock the pair: the next condition is a new join
        }
        CriteriaGrid(state).RebuildColumns();
        // 200 criteria cells: 10 OR lines of 20 cells each.
        Statement statement(state, types);
        for (int line = 0; line < 10; ++line)
            for (int cell = 0; cell < 20; ++cell)
                statement.CommitCriteria(Statement::Mode::Criteria,
                                         {column(cell + 1, 3 + line), ">", QString::number(line * 20 + cell),
                                          {}, cell != 0},
                                         prompts);
        // 20 grouping rows (10 plain, 10 aggregates) and 20 ordering rows on grouped fields.
        for (int g = 0; g < 10; ++g) {
            prompts.answer(Prompts::Answer::Yes);
            statement.CommitCriteria(Statement::Mode::Grouping, {column(g + 1, 2), "GROUP BY", {}, {}, true}, prompts);
            prompts.answer(Prompts::Answer::Yes);
            statement.CommitCriteria(Statement::Mode::Grouping, {column(g + 11, 2), "SUM", {}, {}, true}, prompts);
        }
        for (int o = 0; o < 20; ++o)
            statement.CommitCriteria(Statement::Mode::Ordering, {column(o % 10 + 1, 2), o < 10 ? "ASC" : "DESC", {}, {}, true},
                                     prompts);
    }
    ~Fixture() { sqlite3_close(db); }
};

Fixture* fixture = nullptr;
QString statementText;
QString text100k, text1m;

void RebuildAndColour(benchmark::State& state) {
    for (auto _ : state) {
        Statement(fixture->state, fixture->types).RebuildStatement();
        auto ranges = SqlColouring::ranges(fixture->state.StatementText);
        benchmark::DoNotOptimize(ranges);
    }
    statementText = fixture->state.StatementText;
}

// SQLite's parser stops at about forty nested parentheses ("parser stack overflow"), so the
// baseline prepares the same statement with the join nesting removed: the FROM line without
// its parentheses, every other line as generated.
QString flattened(const QString& statement) {
    QStringList lines = statement.split(QStringLiteral("\r\n"));
    for (QString& line : lines)
        if (line.startsWith(QLatin1String("FROM ")))
            line.remove(u'(').remove(u')');
    return lines.join(QStringLiteral("\r\n"));
}

void SqlitePrepare(benchmark::State& state) {
    const QByteArray sql = flattened(statementText).toUtf8();
    for (auto _ : state) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(fixture->db, sql.constData(), static_cast<int>(sql.size()), &stmt, nullptr) != SQLITE_OK)
            state.SkipWithError(sqlite3_errmsg(fixture->db));
        sqlite3_finalize(stmt);
    }
}

void Colour100k(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(SqlColouring::ranges(text100k));
}

void Colour1m(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(SqlColouring::ranges(text1m));
}

QString repeatTo(const QString& unit, qsizetype size) {
    QString out;
    while (out.size() < size)
        out += unit;
    return out.left(size);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    fixture = new Fixture;
    Statement(fixture->state, fixture->types).RebuildStatement();
    statementText = fixture->state.StatementText;
    std::printf("statement: %lld characters\n", static_cast<long long>(statementText.size()));
    text100k = repeatTo(statementText, 100 * 1024);
    text1m = repeatTo(statementText, 1024 * 1024);

    benchmark::RegisterBenchmark("RebuildAndColour", RebuildAndColour)->Repetitions(3)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("SqlitePrepare", SqlitePrepare)->Repetitions(3)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("Colour100k", Colour100k)->Repetitions(3)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("Colour1m", Colour1m)->Repetitions(3)->Unit(benchmark::kMillisecond);
    const auto t = bench::runAndCollect(argc, argv);
    if (!bench::hasAll(t, {"RebuildAndColour", "SqlitePrepare", "Colour100k", "Colour1m"}))
        return 0;  // a filter left some out: no summary

    const double rebuild = t.at("RebuildAndColour"), prepare = t.at("SqlitePrepare");
    std::printf("rebuild+colour %.3f ms, sqlite prepare %.3f ms; colour 100 KB %.3f ms, 1 MB %.3f ms\n",
                rebuild * 1e3, prepare * 1e3, t.at("Colour100k") * 1e3, t.at("Colour1m") * 1e3);
    bench::printSummary("rebuild_vs_prepare", QStringLiteral("ratio=%1").arg(rebuild / prepare, 0, 'f', 2).toStdString(),
                        "< 1");
    bench::printSummary("colour_linearity",
                        QStringLiteral("ratio=%1").arg(t.at("Colour1m") / (10 * t.at("Colour100k")), 0, 'f', 2).toStdString(),
                        "< 1.5");
    return 0;
}
