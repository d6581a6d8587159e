// The connection-string builder: each kind gives a string the project's Connection opens,
// values with ';', '}' and '=' survive the round trip through the parser, and a failed test
// shows the driver's message.
#include "control/ConnectionStringDialog.h"
#include "platform/Connection.h"
#include "platform/ConnectionString.h"
#include "platform/ScriptedPrompts.h"
#include "platform/VLNError.h"
#include "support/TestDatabases.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace lorvane;

namespace {

class Builder : public ::testing::Test {
protected:
    void SetUp() override {
        prompts = std::make_shared<ScriptedPrompts>();
        dialog = std::make_unique<ConnectionStringDialog>(prompts);
    }
    template <typename T> T* find(const char* name) {
        T* w = dialog->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    void kind(const char* text) { find<QComboBox>("cmbKind")->setCurrentText(QString::fromLatin1(text)); }
    bool opens() {
        Connection c;
        try {
            c.Open(dialog->connectionString());
            return c.IsOpen();
        } catch (const VLNError& e) {
            ADD_FAILURE() << e.description().toStdString();
            return false;
        }
    }
    std::shared_ptr<ScriptedPrompts> prompts;
    std::unique_ptr<ConnectionStringDialog> dialog;
};

}  // namespace

TEST_F(Builder, SqliteOpensTheFileAndCreatesOneOnlyWhenAsked) {
    kind("SQLite");
    find<QLineEdit>("txtSqliteFile")->setText(test::sampleDatabasePath());
    EXPECT_TRUE(opens());
    EXPECT_FALSE(find<QCheckBox>("chkCreate")->isChecked());

    QTemporaryDir dir;
    const QString fresh = dir.filePath("fresh; {new}.db");
    find<QLineEdit>("txtSqliteFile")->setText(fresh);
    EXPECT_FALSE(dialog->testConnection().isEmpty());
    EXPECT_FALSE(QFile::exists(fresh));
    // A failed test says why in the driver's words.
    QTest::mouseClick(find<QPushButton>("cmdTest"), Qt::LeftButton);
    EXPECT_EQ(prompts->records().back().text, "The connection failed: The database file '" + fresh + "' does not exist.");
    EXPECT_EQ(prompts->records().back().icon, Prompts::Icon::Critical);
    find<QCheckBox>("chkCreate")->setChecked(true);
    EXPECT_TRUE(opens());
    EXPECT_TRUE(QFile::exists(fresh));
    QTest::mouseClick(find<QPushButton>("cmdTest"), Qt::LeftButton);
    EXPECT_EQ(prompts->records().back().text, "The connection works.");
}

TEST_F(Builder, PostgresOpensTheTestServerAndAPasswordWithSeparatorsSurvives) {
    const ConnectionString server(test::postgresConnectionString());
    kind("PostgreSQL");
    find<QLineEdit>("txtHost")->setText(server.value("Host"));
    find<QSpinBox>("spnPort")->setValue(server.value("Port").toInt());
    find<QLineEdit>("txtDatabase")->setText(server.value("Database"));
    find<QLineEdit>("txtUser")->setText(server.value("User ID"));
    EXPECT_TRUE(opens());

    const QString password = QStringLiteral("p;w}d={x} \"y\"");
    find<QLineEdit>("txtPassword")->setText(password);
    find<QComboBox>("cmbSslMode")->setCurrentText(QStringLiteral("disable"));
    const ConnectionString parsed(dialog->connectionString());
    EXPECT_EQ(parsed.value("Password"), password);
    EXPECT_EQ(parsed.value("User ID"), server.value("User ID"));
    EXPECT_EQ(parsed.value("SSL Mode"), "disable");
    EXPECT_TRUE(opens());  // the test server trusts loopback whatever the password
}

TEST_F(Builder, MariaDbOpensTheTestServerWithItsOwnPortAndSslModes) {
    const ConnectionString server(test::mariadbConnectionString());
    kind("MariaDB / MySQL");
    EXPECT_EQ(find<QSpinBox>("spnPort")->value(), 3306);
    auto* ssl = find<QComboBox>("cmbSslMode");
    EXPECT_EQ(ssl->findText("verify-full"), -1);  // MariaDB refuses what it cannot do
    EXPECT_GE(ssl->findText("require"), 0);
    find<QLineEdit>("txtHost")->setText(server.value("Host"));
    find<QSpinBox>("spnPort")->setValue(server.value("Port").toInt());
    find<QLineEdit>("txtDatabase")->setText(server.value("Database"));
    find<QLineEdit>("txtUser")->setText(server.value("User ID"));
    find<QLineEdit>("txtPassword")->setText(server.value("Password"));
    ssl->setCurrentText(QStringLiteral("disable"));
    const ConnectionString parsed(dialog->connectionString());
    EXPECT_EQ(parsed.kind(), ConnectionString::Kind::MariaDB);
    EXPECT_EQ(parsed.value("SSL Mode"), "disable");
    EXPECT_TRUE(opens());
    // A wrong password: the server's words in the prompt.
    find<QLineEdit>("txtPassword")->setText(QStringLiteral("wrong;{pw}"));
    QTest::mouseClick(find<QPushButton>("cmdTest"), Qt::LeftButton);
    EXPECT_TRUE(prompts->records().back().text.startsWith("The connection failed: Access denied"))
        << prompts->records().back().text.toStdString();
    // Back to PostgreSQL: its port and its SSL modes again.
    kind("PostgreSQL");
    find<QSpinBox>("spnPort")->setValue(3306);
    kind("MariaDB / MySQL");
    kind("PostgreSQL");
    EXPECT_EQ(find<QSpinBox>("spnPort")->value(), 5432);
    EXPECT_GE(find<QComboBox>("cmbSslMode")->findText("verify-full"), 0);
    EXPECT_EQ(ConnectionString(dialog->connectionString()).kind(), ConnectionString::Kind::PostgreSQL);
}

TEST_F(Builder, OdbcListsTheDriversAndADriverWithAttributesOpens) {
    kind("ODBC");
    auto* drivers = find<QComboBox>("cmbDriver");
    ASSERT_GE(drivers->findText("SQLite3"), 0);
    drivers->setCurrentText("SQLite3");
    find<QLineEdit>("txtAttributes")->setText("Database=" + test::sampleDatabasePath());
    EXPECT_TRUE(opens());
}

TEST(ConnectionStringSyntax, BuiltValuesComeBackWholeAndOdbcBracesAreRead) {
    const QList<QPair<QString, QString>> pairs{{"Provider", "PostgreSQL"},
                                               {"Password", "a;b}c{d=e}}f"},
                                               {"Database", " padded "},
                                               {"User ID", "plain"}};
    const ConnectionString parsed(ConnectionString::build(pairs));
    for (const auto& [key, value] : pairs)
        EXPECT_EQ(parsed.value(key), value) << key.toStdString();
    // As ODBC writes a '}' inside braces.
    EXPECT_EQ(ConnectionString("DSN=x;PWD={se}}cr;et};UID=me").value("PWD"), "se}cr;et");
    EXPECT_EQ(ConnectionString("DSN=x;PWD={se}}cr;et};UID=me").value("UID"), "me");
}
