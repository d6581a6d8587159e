// A host that restricts the tables the builder offers, both ways, and prints every event the
// component raises, with the call it was raised in.
//   event-host "Provider=SQLite;Data Source=/path/to/sample.db"
#include <Lorvane/Lorvanev2.h>
#include <Lorvane/OleColor.h>
#include <Lorvane/PropertyBag.h>
#include <Lorvane/VLNError.h>
#include <Lorvane/clsTable.h>
#include <Lorvane/clsTableAndField.h>

#include <QApplication>
#include <cstdio>

using lorvane::Lorvanev2;

static void print(const QString& line) { std::printf("%s\n", qPrintable(line)); }

static void printEvents(Lorvanev2* vln) {
    QObject::connect(vln, &Lorvanev2::ConnectionComplete, [](int number, const QString& description,
                                                              const QString& source) {
        print(QStringLiteral("  event ConnectionComplete(%1, \"%2\", \"%3\")").arg(number).arg(description, source));
    });
    QObject::connect(vln, &Lorvanev2::VLNAlreadyLoaded, [] { print("  event VLNAlreadyLoaded()"); });
    QObject::connect(vln, &Lorvanev2::VLNUnloaded, [](const QString& queryLoadError) {
        print(QStringLiteral("  event VLNUnloaded(\"%1\")").arg(queryLoadError));
    });
    QObject::connect(vln, &Lorvanev2::QueryExecuted, [](int number, const QString& error, const QString& sql,
                                                         std::shared_ptr<lorvane::RecordSet> rows) {
        print(QStringLiteral("  event QueryExecuted(%1, \"%2\", \"%3\", %4 rows)")
                  .arg(number).arg(error, sql).arg(rows && rows->IsOpen() ? rows->RecordCount() : -1));
    });
    QObject::connect(vln, &Lorvanev2::QuerySaved, [](const QString& name) { print("  event QuerySaved(" + name + ")"); });
    QObject::connect(vln, &Lorvanev2::SavedQuerySQL, [](const QString& sql) { print("  event SavedQuerySQL(" + sql + ")"); });
    QObject::connect(vln, &Lorvanev2::QueryDeleted, [](const QString& name) { print("  event QueryDeleted(" + name + ")"); });
    QObject::connect(vln, &Lorvanev2::UserCreatedView, [](const QString& view, const QString& action) {
        print("  event UserCreatedView(" + view + ", " + action + ")");
    });
    QObject::connect(vln, &Lorvanev2::ExportData, [] { print("  event ExportData()"); });
    QObject::connect(vln, &Lorvanev2::OpenSavedQuery, [] { print("  event OpenSavedQuery()"); });
}

static lorvane::clsTable& tables(Lorvanev2& vln) {
    return qobject_cast<lorvane::clsTableAndField*>(vln.VLNTablesAndFields())->Table();
}

static void printTables(Lorvanev2& vln) {
    print(QStringLiteral("  tables offered: %1").arg(tables(vln).TableNames().join(", ")));
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString connection = app.arguments().value(1);
    Lorvanev2 vln;
    printEvents(&vln);

    print("1. Connection string argument: the tables come from the catalogue, VLNTableString is not used");
    vln.setVLNTableString(QStringLiteral("Customers;Orders"));
    vln.VLNMakeConnection(connection);
    print("  VLNMakeConnection returned");
    print(QStringLiteral("  %1 tables offered").arg(tables(vln).Count()));

    print("2. Restricting with the table collection after connecting (checked against the database)");
    tables(vln).RemoveAll();
    tables(vln).Add(QStringLiteral("Customers"));
    tables(vln).Add(QStringLiteral("Orders"));
    printTables(vln);
    try {
        tables(vln).Item(0);  // positions count from 1: collections throw VLNError
    } catch (const lorvane::VLNError& e) {
        print(QStringLiteral("  Item(0) threw VLNError %1: %2").arg(e.number()).arg(e.description()));
    }

    print("3. No argument: the design-time properties connect and VLNTableString chooses the tables");
    vln.setVLNConnectionString(connection);
    vln.setVLNTableString(QStringLiteral("Products;Categories"));
    vln.VLNMakeConnection();
    print("  VLNMakeConnection returned");
    printTables(vln);

    print("4. A table the database does not have is reported by ConnectionComplete, not thrown");
    vln.setVLNTableString(QStringLiteral("Products;NoSuchTable"));
    vln.VLNMakeConnection();
    print("  VLNMakeConnection returned");
    printTables(vln);

    print("5. The builder window: one per application");
    vln.VLNShowLorvane();
    print(QStringLiteral("  builder open: %1").arg(Lorvanev2::builderWindow() ? "yes" : "no"));
    vln.VLNMakeConnection(connection);
    vln.VLNCloseLorvane(false);
    print("  VLNCloseLorvane returned");

    print("6. Keeping the settings: write them to a property bag, read them into a new component");
    vln.setVLNLabelBackColor(0x00FFCC99);  // 0x00BBGGRR: red 0x99, green 0xCC, blue 0xFF
    lorvane::MemoryPropertyBag bag;        // FilePropertyBag keeps it in a file (Save, Load)
    vln.writeProperties(bag);
    Lorvanev2 restored;
    restored.readProperties(bag);
    print(QStringLiteral("  restored table string: %1").arg(restored.VLNTableString()));
    print(QStringLiteral("  restored label colour: %1")
              .arg(lorvane::oleColorToQColor(restored.VLNLabelBackColor(), app.palette()).name()));
    return 0;
}
