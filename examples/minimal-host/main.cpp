// The smallest useful host: connect, open the builder from a button, show each result's rows.
//   minimal-host "Provider=SQLite;Data Source=/path/to/sample.db" [--quit]
#include <Lorvane/Lorvanev2.h>
#include <Lorvane/RecordSetModel.h>

#include <QApplication>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* vln = new lorvane::Lorvanev2(&window);  // a small glyph; the builder is its own window
    auto* open = new QPushButton(QStringLiteral("Build a query..."), &window);
    auto* results = new QTableView(&window);
    layout->addWidget(vln);
    layout->addWidget(open);
    layout->addWidget(results);

    // Connect to the events before calling VLNMakeConnection: they are raised inside the call.
    QObject::connect(vln, &lorvane::Lorvanev2::ConnectionComplete,
                     [](int number, const QString& description, const QString&) {
                         std::printf("ConnectionComplete %d %s\n", number, qPrintable(description));
                     });
    QObject::connect(vln, &lorvane::Lorvanev2::QueryExecuted,
                     [results](int number, const QString& error, const QString&,
                               std::shared_ptr<lorvane::RecordSet> rows) {
                         if (number == 0)
                             results->setModel(new lorvane::RecordSetModel(rows, results));
                         else
                             std::printf("Query failed: %s\n", qPrintable(error));
                     });
    QObject::connect(open, &QPushButton::clicked, vln, &lorvane::Lorvanev2::VLNShowLorvane);

    vln->VLNMakeConnection(app.arguments().value(1));  // no argument: unbound
    window.show();
    if (app.arguments().contains(QStringLiteral("--quit"))) {  // lets the tests run it headless
        open->click();
        QTimer::singleShot(0, &app, [&] {
            std::printf("builder open: %s\n", lorvane::Lorvanev2::builderWindow() ? "yes" : "no");
            vln->VLNCloseLorvane(false);
            app.quit();
        });
    }
    return app.exec();
}
