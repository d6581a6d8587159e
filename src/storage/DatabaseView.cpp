#include "DatabaseView.h"

#include "platform/Connection.h"
#include "platform/VLNError.h"

#include <QSqlDatabase>

namespace lorvane::DatabaseView {

namespace {

QString createText(const QString& quotedName, const QString& statement) {
    return QStringLiteral("CREATE VIEW ") + quotedName + QStringLiteral(" AS ") + statement;
}

}  // namespace

Outcome create(Connection& connection, const QString& quotedName, const QString& statement) {
    // The statement may hold raw SQL typed into a criteria cell: it becomes a view only when
    // it could be run.
    if (const QString refusal = connection.ReadOnlyRefusal(statement); !refusal.isEmpty())
        return {Outcome::Kind::Refused, refusal};
    try {
        connection.Execute(createText(quotedName, statement));
        return {};
    } catch (const VLNError& e) {
        const Outcome::Kind kind =
            e.description().contains(QLatin1String("already")) ? Outcome::Kind::AlreadyExists : Outcome::Kind::Failed;
        return {kind, e.description()};
    }
}

Outcome alter(Connection& connection, const QString& quotedName, const QString& statement, bool* unchanged) {
    if (unchanged)
        *unchanged = true;
    if (const QString refusal = connection.ReadOnlyRefusal(statement); !refusal.isEmpty())
        return {Outcome::Kind::Refused, refusal};
    QSqlDatabase db = connection.database();
    const bool transactional = db.driverName() != u"QODBC" && db.transaction();
    try {
        connection.Execute(QStringLiteral("DROP VIEW ") + quotedName);
        if (!transactional && unchanged)
            *unchanged = false;
        connection.Execute(createText(quotedName, statement));
    } catch (const VLNError& e) {
        if (transactional)
            db.rollback();
        return {Outcome::Kind::Failed, e.description()};
    }
    if (transactional && !db.commit()) {
        db.rollback();
        return {Outcome::Kind::Failed, QStringLiteral("The change could not be committed.")};
    }
    if (unchanged)
        *unchanged = false;
    return {};
}

}  // namespace lorvane::DatabaseView
