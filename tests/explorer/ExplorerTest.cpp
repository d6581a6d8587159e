// The explorer's fixed budget per database (a fixed list of seeds, a fixed number of actions
// each, so a run is reproducible), the shrunk failures it found replayed as regressions, and a
// planted fault that it must find and shrink.
#include "explorer/CrashReport.h"
#include "explorer/Explorer.h"
#include "explorer/ExplorerDatabases.h"
#include "explorer/KnownFaults.h"

#include <QMap>
#include <gtest/gtest.h>

using namespace lorvane::explorer;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr int kScale = 8;  // everything runs several times slower under the sanitizers
#else
constexpr int kScale = 1;
#endif
constexpr int kActions = 30;
// Seeds 1, 2, ... until this many actions were done: a fixed amount of work per database
// (about a minute), the same every run. LORVANE_EXPLORER_ACTIONS sets another figure.
int budgetActions() {
    const QByteArray override = qgetenv("LORVANE_EXPLORER_ACTIONS");
    return override.isEmpty() ? 1500 / kScale : override.toInt();
}

void runBudget(const QString& driver, int budget) {
    DatabaseSetup setup;
    const Database db = setup.open(driver);
    ASSERT_FALSE(db.connectionString.isEmpty()) << setup.error().toStdString();
    Explorer ex(db, QStringLiteral(LORVANE_CLI_PATH));
    int actions = 0;
    QMap<QString, int> known;
    int sequences = 0;
    for (int seed = 1; actions < budget; ++seed, ++sequences) {
        crashContext(driver, quint64(seed));
        const Outcome o = ex.explore(quint64(seed), kActions);
        actions += int(o.actions.size());
        if (!o.failure)
            continue;
        if (!o.failure->known.isEmpty()) {
            ++known[o.failure->known];
            continue;
        }
        const QList<Action> shortest = ex.shrink(o.actions, *o.failure);
        const Outcome again = ex.replay(shortest);
        ADD_FAILURE() << describe(db, quint64(seed), again.failure.value_or(*o.failure), shortest).toStdString();
    }
    QStringList seen;
    for (auto it = known.cbegin(); it != known.cend(); ++it)
        seen << QStringLiteral("%1:%2").arg(it.key()).arg(it.value());
    std::printf("EXPLORE driver=%s sequences=%d actions=%d known=[%s]\n", qPrintable(driver), sequences, actions,
                qPrintable(seen.join(u' ')));
}

}  // namespace

TEST(ExplorerBudget, SqliteSample) {
    runBudget(QStringLiteral("sqlite-sample"), budgetActions());
}

TEST(ExplorerBudget, SqliteNames) {
    runBudget(QStringLiteral("sqlite-names"), budgetActions());
}

TEST(ExplorerBudget, Postgres) {
    runBudget(QStringLiteral("postgres"), budgetActions());
}

TEST(ExplorerBudget, MariaDb) {
    runBudget(QStringLiteral("mariadb"), budgetActions());
}

// The explorer finds a fault planted in its checks (any descending ordering counts as rejected)
// and shrinks the sequence to the few actions that reach it.
TEST(ExplorerSelfTest, APlantedFaultIsFoundAndShrunkToTheActionsThatReachIt) {
    DatabaseSetup setup;
    const Database db = setup.open(QStringLiteral("sqlite-sample"));
    Explorer ex(db, QStringLiteral(LORVANE_CLI_PATH));
    ex.plantFault(QStringLiteral(" DESC"));
    std::optional<Outcome> found;
    for (quint64 seed = 1; seed <= 300 && !found; ++seed)
        if (Outcome o = ex.explore(seed, kActions); o.failure && o.failure->detail.startsWith("planted fault"))
            found = o;  // (sequences that first meet a listed fault are passed over)
    ASSERT_TRUE(found.has_value()) << "the planted fault was not found";
    const QList<Action> shortest = ex.shrink(found->actions, *found->failure);
    EXPECT_LT(shortest.size(), found->actions.size());
    // A table, (its fields), and the ordering: nothing else is needed.
    EXPECT_LE(shortest.size(), 4) << actionListText(shortest).toStdString();
    EXPECT_TRUE(shortest.last().args.contains("DESC") || shortest.last().kind == "editRows")
        << actionListText(shortest).toStdString();
    const Outcome again = ex.replay(shortest);
    ASSERT_TRUE(again.failure.has_value());
    EXPECT_EQ(again.failure->signature(), found->failure->signature());
    // Without the plant the same list passes.
    Explorer clean(db, QStringLiteral(LORVANE_CLI_PATH));
    EXPECT_FALSE(clean.replay(shortest).failure.has_value());
}

TEST(ExplorerSelfTest, AnActionListReadsBackAsWritten) {
    const QList<Action> actions{{"criterion", {"City", "=", "typed", "O'Brien \"x\" | y", "OR"}}, {"reset", {"Yes"}}};
    EXPECT_EQ(parseActionList(actionListText(actions)), actions);
}
