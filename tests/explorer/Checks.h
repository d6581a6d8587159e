#pragma once
// The checks the explorer makes after every action, each through something other than the
// project's own code: the database prepares the statement on a connection of its own (SQLite's
// sqlite3_prepare_v2, PostgreSQL's PREPARE through libpq), Qt's model tester watches every item
// model the window shows.
#include <QPointer>
#include <QString>
#include <QStringList>
#include <memory>

class QWidget;
struct sqlite3;
struct pg_conn;

struct st_mysql;

namespace lorvane::explorer {

class Checks {
public:
    // A SQLite file, or a PostgreSQL connection string of the project's form.
    static std::unique_ptr<Checks> forSqlite(const QString& path);
    static std::unique_ptr<Checks> forPostgres(const QString& connectionString);
    static std::unique_ptr<Checks> forMariaDb(const QString& connectionString);
    ~Checks();

    // Empty when the database accepts the statement (prepared, never run); else its words.
    QString prepare(const QString& statement);

    // Watches every item model under root that is not watched yet.
    static void watchModels(QWidget* root);
    // What the model testers reported since the last call.
    static QStringList takeModelReports();
    static void installReportHandler();

private:
    Checks() = default;
    sqlite3* sqlite_ = nullptr;
    pg_conn* pg_ = nullptr;
    st_mysql* mariadb_ = nullptr;
};

}  // namespace lorvane::explorer
