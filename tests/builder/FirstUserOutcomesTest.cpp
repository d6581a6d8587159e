// Outcomes a first-time user can act on: a view is made only from a statement that runs, the
// criteria grid keeps the columns where the user sees them, and a statement the database
// refuses is explained in plain words before the database's own.
#include "builder/BuilderFixture.h"
#include "builder/QueryPage.h"

#include "shared/BuilderSettings.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QTextCursor>
#include <QScrollBar>
#include <QTemporaryDir>

using namespace lorvane;
using lorvane::test::CriteriaPage;

namespace {

const QString kProblem = QStringLiteral(
    "Problem creating view. First check your SQL syntax.\n"
    "Other posible causes include :- View creation may not be suported by this Database or Provider, "
    "or you may not have view creation rights.");

class FirstUserOutcomes : public CriteriaPage {
protected:
    void SetUp() override {
        CriteriaPage::SetUp();
        component->setVLNAllowCreateView(true);
        views = std::make_unique<QSignalSpy>(component.get(), &Lorvanev2::UserCreatedView);
    }
    void TearDown() override {
        views.reset();
        CriteriaPage::TearDown();
    }
    const ScriptedPrompts::Record& last() { return prompts->records().back(); }
    void createView(const QString& name) {
        prompts->type(name);
        click("cmdCreateView");
    }
    // Orders with one criterion typed into the Where grid, back on the SQL text.
    void ordersWhere(const QString& connectionString, const QString& column, const QString& typed) {
        openOn(column.section(u'.', 0, 0), connectionString);
        click("cmdEditWhere");
        typeCell(0, column, typed);
        click("cmdSQLView");
    }
    // A view from a statement that cannot run is refused with the database's reason, and
    // nothing reaches the catalogue; the same query mended makes its view.
    void viewsOnlyFromRunningStatements(const QString& connectionString, const QString& column,
                                        const std::function<QString(const QString&)>& countViews) {
        ordersWhere(connectionString, column, "= Orders.Nowhere");
        ASSERT_TRUE(sqlText().contains("Orders.Nowhere")) << sqlText().toStdString();
        createView("Broken Orders");
        EXPECT_EQ(last().title, "Create View Error");
        EXPECT_EQ(last().icon, Prompts::Icon::Critical);
        EXPECT_TRUE(last().text.startsWith(kProblem + "\n\nNo view was created: the statement does not run on this "
                                                      "database.\nThe database says: "))
            << last().text.toStdString();
        EXPECT_TRUE(last().text.section("The database says: ", 1).contains("nowhere", Qt::CaseInsensitive))
            << last().text.toStdString();
        EXPECT_EQ(views->count(), 0);
        EXPECT_EQ(countViews("Broken Orders"), "0");
        EXPECT_FALSE(items("lstTPXTableSelection").join(u'|').contains("Broken"));
        // The window stays usable: the query mended, the view is made.
        click("cmdEditWhere");
        typeCell(0, column, "Berlin");
        click("cmdSQLView");
        createView("Berlin Orders");
        EXPECT_EQ(last().text, "View 'Berlin Orders' successfully created");
        ASSERT_EQ(views->count(), 1);
        EXPECT_EQ(countViews("Berlin Orders"), "1");
    }
    std::unique_ptr<QSignalSpy> views;
};

}  // namespace

TEST_F(FirstUserOutcomes, CreateViewRefusesAStatementThatDoesNotRunOnSqlite) {
    QTemporaryDir dir;
    const QString file = test::copyOfSample(dir);
    viewsOnlyFromRunningStatements("Provider=SQLite;Data Source=" + file, "Orders.ShipCity", [&](const QString& name) {
        return test::sqliteCli(file, "SELECT COUNT(*) FROM sqlite_master WHERE type = 'view' AND name = '" + name + "';");
    });
}

TEST_F(FirstUserOutcomes, CreateViewRefusesAStatementThatDoesNotRunOnPostgres) {
    const QString pg = test::newPostgresDatabase(QStringLiteral("lorvane_first_user_outcomes"));
    ASSERT_FALSE(pg.isEmpty());
    ASSERT_NE(test::psqlCli(pg, "CREATE TABLE orders (orderid INTEGER, shipcity VARCHAR(20));"
                                "INSERT INTO orders VALUES (1, 'Berlin'), (2, 'Lyon');"),
              "<error>");
    viewsOnlyFromRunningStatements(pg, "orders.shipcity", [&](const QString& name) {
        return test::psqlCli(pg, "SELECT COUNT(*) FROM information_schema.views WHERE table_name = '" + name + "'");
    });
}

// The user widens a column, scrolls to the right and edits a cell: the grid keeps the widths
// and the place, so the click that follows lands in the column the user aimed at.
TEST_F(FirstUserOutcomes, TheCriteriaGridKeepsItsColumnsWhereTheUserSeesThem) {
    openOn("Orders");
    click("cmdEditWhere");
    QCoreApplication::processEvents();
    QTableView* view = grid();
    QAbstractItemModelTester tester(view->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    QHeaderView* header = view->horizontalHeader();
    // Fitted as it opens: each heading whole.
    for (int c = 0; c < view->model()->columnCount(); ++c) {
        const QString heading = view->model()->headerData(c, Qt::Horizontal).toString();
        EXPECT_GE(header->sectionSize(c), header->fontMetrics().horizontalAdvance(heading)) << heading.toStdString();
    }
    // The user drags ShipCity wide and scrolls to the far right.
    header->resizeSection(column("Orders.ShipCity"), 500);
    QCoreApplication::processEvents();
    QScrollBar* across = view->horizontalScrollBar();
    ASSERT_GT(across->maximum(), 0);
    across->setValue(across->maximum());
    QList<int> widths;
    for (int c = 0; c < view->model()->columnCount(); ++c)
        widths << header->sectionSize(c);
    const int position = across->value();
    // The user looks at Freight's first cell.
    const int target = column("Orders.Freight");
    const QPoint aim(header->sectionViewportPosition(target) + widths[target] / 2, view->rowViewportPosition(0) + 4);
    ASSERT_TRUE(view->viewport()->rect().contains(aim));
    ASSERT_EQ(view->indexAt(aim).column(), target);

    // Edits: a short value in the wide column, a long one in a narrow column.
    typeCell(0, "Orders.ShipCity", "Berlin");
    typeCell(0, "Orders.Freight", "> 100 AND Orders.Freight < 200 AND Orders.Freight <> 150");
    QCoreApplication::processEvents();
    EXPECT_EQ(cell(0, "Orders.ShipCity"), "= 'Berlin'");
    EXPECT_EQ(cell(0, "Orders.Freight"), "> 100 AND Orders.Freight < 200 AND Orders.Freight <> 150");
    EXPECT_TRUE(sqlText().contains("(Orders.ShipCity = 'Berlin')")) << sqlText().toStdString();
    for (int c = 0; c < view->model()->columnCount(); ++c)
        EXPECT_EQ(header->sectionSize(c), widths[c]) << view->model()->headerData(c, Qt::Horizontal).toString().toStdString();
    EXPECT_EQ(across->value(), position);

    // The next click lands in the cell the user aimed at before the edits.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, aim);
    EXPECT_EQ(view->currentIndex().column(), target);
    EXPECT_EQ(view->currentIndex().row(), 0);
    // A second split keeps the first one's widths too.
    click("cmdSplit");
    typeCell(0, "Orders.ShipCity", "Paris");
    EXPECT_EQ(header->sectionSize(column("Orders.ShipCity")), 500);
}

// A refused statement: the red heading stays first, then which part of the query it concerns,
// then the database's own words; the host still hears the database's words alone.
TEST_F(FirstUserOutcomes, ARefusedStatementSaysWhichPartOfTheQueryItConcerns) {
    QTemporaryDir dir;
    const QString file = test::copyOfSample(dir);
    const QString pg = test::newPostgresDatabase(QStringLiteral("lorvane_first_user_refusals"));
    ASSERT_FALSE(pg.isEmpty());
    ASSERT_NE(test::psqlCli(pg, "CREATE TABLE orders (orderid INTEGER, shipcity VARCHAR(20));"), "<error>");
    struct Case {
        QString connectionString, column, database;
    };
    const Case cases[] = {
        {"Provider=SQLite;Data Source=" + file, "Orders.ShipCity", "no such column: Orders.Nowhere"},
        {pg, "orders.shipcity", "column orders.nowhere does not exist"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.connectionString.toStdString());
        ordersWhere(c.connectionString, c.column, "= Orders.Nowhere");
        executed->clear();
        click("cmdRunQuery");
        const QString text = find<QTextEdit>("txtSQLErrors")->toPlainText();
        EXPECT_EQ(text, "SQL Syntax Error :\nThis concerns a criterion (Where): " + c.column +
                            " = Orders.Nowhere\nThe database says: " + c.database);
        QTextCursor red(find<QTextEdit>("txtSQLErrors")->document());
        red.setPosition(1);
        EXPECT_EQ(red.charFormat().foreground().color(), QColor(192, 0, 0));
        ASSERT_EQ(executed->count(), 1);
        EXPECT_EQ(executed->first()[1].toString(), c.database);

        // A total typed into a criterion on rows.
        click("cmdEditWhere");
        typeCell(0, c.column, "> COUNT(*)");
        click("cmdSQLView");
        click("cmdRunQuery");
        EXPECT_TRUE(find<QTextEdit>("txtSQLErrors")
                        ->toPlainText()
                        .startsWith("SQL Syntax Error :\nA total (Count, Sum, ...) is used in a criterion on rows "
                                    "(Where): a criterion on a total belongs under Having.\nThe database says: "))
            << find<QTextEdit>("txtSQLErrors")->toPlainText().toStdString();
        component->VLNCloseLorvane(false);
        reset();
    }

    // A table that went away: the table of the query.
    openOn("Orders", "Provider=SQLite;Data Source=" + file);
    ASSERT_NE(test::sqliteCli(file, "ALTER TABLE Orders RENAME TO Gone;"), "<error>");
    click("cmdRunQuery");
    EXPECT_EQ(find<QTextEdit>("txtSQLErrors")->toPlainText(),
              "SQL Syntax Error :\nThis concerns a table of the query (From): it may have been renamed or removed.\n"
              "The database says: no such table: Orders");
}
