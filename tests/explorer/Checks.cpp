#include "explorer/Checks.h"

#include "platform/ConnectionString.h"

#include <QAbstractItemModelTester>
#include <QAbstractItemView>
#include <QComboBox>
#include <QMutex>
#include <QWidget>
#include <libpq-fe.h>
#include <mysql.h>
#include <sqlite3.h>

namespace lorvane::explorer {

namespace {
QStringList& reports() {
    static QStringList r;
    return r;
}
QtMessageHandler previousHandler = nullptr;

void reportHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (context.category && qstrcmp(context.category, "qt.modeltest") == 0) {
        if (type != QtDebugMsg && type != QtInfoMsg)
            reports() << message;
        return;
    }
    if (message.contains(QStringLiteral("propagateSizeHints")))
        return;  // the offscreen platform says this for every window shown
    if (previousHandler)
        previousHandler(type, context, message);
}

void watch(QAbstractItemModel* model) {
    // A list widget's own model calls back into its view while the view is destroyed; Qt's
    // tester cannot watch it to the end. The models the builder defines are all watched.
    if (!model || model->property("explorerWatched").toBool() || model->inherits("QListModel"))
        return;
    model->setProperty("explorerWatched", true);
    new QAbstractItemModelTester(model, QAbstractItemModelTester::FailureReportingMode::Warning, model);
}
}  // namespace

std::unique_ptr<Checks> Checks::forSqlite(const QString& path) {
    std::unique_ptr<Checks> c(new Checks);
    if (sqlite3_open_v2(path.toUtf8().constData(), &c->sqlite_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        return nullptr;
    return c;
}

std::unique_ptr<Checks> Checks::forPostgres(const QString& connectionString) {
    const ConnectionString cs(connectionString);
    const QString info = QStringLiteral("host=%1 port=%2 dbname=%3 user=%4")
                             .arg(cs.value(QStringLiteral("Host")), cs.value(QStringLiteral("Port")),
                                  cs.value(QStringLiteral("Database")), cs.value(QStringLiteral("User ID")));
    std::unique_ptr<Checks> c(new Checks);
    c->pg_ = PQconnectdb(info.toUtf8().constData());
    if (PQstatus(c->pg_) != CONNECTION_OK)
        return nullptr;
    return c;
}

std::unique_ptr<Checks> Checks::forMariaDb(const QString& connectionString) {
    const ConnectionString cs(connectionString);
    std::unique_ptr<Checks> c(new Checks);
    c->mariadb_ = mysql_init(nullptr);
    const QByteArray host = cs.value(QStringLiteral("Host")).toUtf8(), user = cs.value(QStringLiteral("User ID")).toUtf8(),
                     password = cs.value(QStringLiteral("Password")).toUtf8(),
                     database = cs.value(QStringLiteral("Database")).toUtf8();
    if (!mysql_real_connect(c->mariadb_, host.constData(), user.constData(), password.constData(), database.constData(),
                            cs.value(QStringLiteral("Port")).toUInt(), nullptr, 0))
        return nullptr;
    mysql_set_character_set(c->mariadb_, "utf8mb4");
    // As the project's connection reads text.
    mysql_query(c->mariadb_, "SET SESSION sql_mode = CONCAT_WS(',', NULLIF(@@SESSION.sql_mode, ''), 'NO_BACKSLASH_ESCAPES')");
    return c;
}

Checks::~Checks() {
    if (mariadb_)
        mysql_close(mariadb_);
    if (sqlite_)
        sqlite3_close(sqlite_);
    if (pg_)
        PQfinish(pg_);
}

QString Checks::prepare(const QString& statement) {
    const QByteArray text = statement.toUtf8();
    if (sqlite_) {
        sqlite3_stmt* stmt = nullptr;
        const char* tail = nullptr;
        const int rc = sqlite3_prepare_v2(sqlite_, text.constData(), int(text.size()), &stmt, &tail);
        QString error;
        if (rc != SQLITE_OK)
            error = QString::fromUtf8(sqlite3_errmsg(sqlite_));
        else if (!stmt)
            error = QStringLiteral("no statement");
        else if (tail && !QByteArray(tail).trimmed().isEmpty())
            error = QStringLiteral("more than one statement: ") + QString::fromUtf8(tail);
        sqlite3_finalize(stmt);
        return error;
    }
    if (mariadb_) {
        MYSQL_STMT* stmt = mysql_stmt_init(mariadb_);
        QString error;
        if (mysql_stmt_prepare(stmt, text.constData(), static_cast<unsigned long>(text.size())) != 0)
            error = QString::fromUtf8(mysql_stmt_error(stmt));
        mysql_stmt_close(stmt);
        return error;
    }
    PGresult* r = PQprepare(pg_, "lorvane_explorer_check", text.constData(), 0, nullptr);
    QString error;
    if (PQresultStatus(r) != PGRES_COMMAND_OK)
        error = QString::fromUtf8(PQresultErrorMessage(r)).trimmed();
    PQclear(r);
    if (error.isEmpty()) {
        PQclear(PQexec(pg_, "DEALLOCATE lorvane_explorer_check"));
    } else if (PQtransactionStatus(pg_) == PQTRANS_INERROR) {
        PQclear(PQexec(pg_, "ROLLBACK"));
    }
    return error;
}

void Checks::watchModels(QWidget* root) {
    if (!root)
        return;
    for (QAbstractItemView* view : root->findChildren<QAbstractItemView*>())
        watch(view->model());
    for (QComboBox* box : root->findChildren<QComboBox*>())
        watch(box->model());
}

QStringList Checks::takeModelReports() {
    QStringList out;
    out.swap(reports());
    return out;
}

void Checks::installReportHandler() {
    previousHandler = qInstallMessageHandler(reportHandler);
}

}  // namespace lorvane::explorer
