// Connection strings the ODBC driver manager cannot take (a Driver= value over 1,000
// characters aborted the process inside it) are refused with a clear error before any driver
// sees them; what it can take still reaches it and fails there, as before.
#include "platform/Connection.h"
#include "platform/ConnectionString.h"
#include "platform/VLNError.h"
#include "support/TestDatabases.h"

#include <gtest/gtest.h>

using namespace lorvane;

namespace {

QString openError(const QString& connectionString) {
    Connection c;
    try {
        c.Open(connectionString);
    } catch (const VLNError& e) {
        return e.description();
    }
    return QStringLiteral("<opened>");
}

}  // namespace

TEST(ConnectionString, ValuesLongerThanOdbcTakesAreRefusedBeforeAnyDriverSeesThem) {
    const QString longName(1001, u'x');
    EXPECT_EQ(openError("Driver={" + longName + "}"),
              "The connection string's 'Driver' value is 1,001 characters long; ODBC drivers accept at most 1,000.");
    EXPECT_EQ(openError("Provider=ODBC;DSN=" + longName),
              "The connection string's 'DSN' value is 1,001 characters long; ODBC drivers accept at most 1,000.");
    EXPECT_TRUE(openError(longName + "=1").startsWith("A key of the connection string is 1,001 characters long"));
    QString many;
    for (int i = 0; i < 40; ++i)
        many += QStringLiteral("K%1=%2;").arg(i).arg(QString(900, u'v'));
    EXPECT_TRUE(openError(many).startsWith("The connection string is 36,"));

    // At the limits the driver manager answers for itself, and the process goes on.
    const QString atLimit(1000, u'x');
    const QString answered = openError("Driver={" + atLimit + "}");
    EXPECT_NE(answered, "<opened>");
    EXPECT_FALSE(answered.contains("ODBC drivers accept at most")) << answered.toStdString();
    // A real driver with a long value it ignores still connects.
    QTemporaryDir dir;
    const QString db = test::copyOfSample(dir);
    EXPECT_EQ(openError(test::odbcConnectionStringFor(db) + ";Comment=" + QString(1000, u'c')), "<opened>");

    // Other providers hand their values to libraries that take any length.
    EXPECT_TRUE(ConnectionString("Provider=PostgreSQL;Host=" + longName).refusal().isEmpty());
    EXPECT_TRUE(ConnectionString("Provider=SQLite;Data Source=" + longName).refusal().isEmpty());
}
