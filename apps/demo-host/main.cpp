#include "DemoWindow.h"
#include "ScreenshotTour.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lorvane demo host"));
    QCommandLineParser parser;
    parser.addHelpOption();
    QCommandLineOption database(QStringLiteral("database"), QStringLiteral("The SQLite database to work on."),
                                QStringLiteral("path"));
    QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                  QStringLiteral("Render the window to a PNG file and quit."), QStringLiteral("png"));
    QCommandLineOption tour(QStringLiteral("screenshots"),
                            QStringLiteral("Drive a typical session and save each builder page as PNG files in dir."),
                            QStringLiteral("dir"));
    parser.addOptions({database, screenshot, tour});
    parser.process(app);

    DemoWindow window(QFileInfo(parser.value(database)).absoluteFilePath());
    window.show();
    if (parser.isSet(database))
        window.connectToDatabase();
    if (parser.isSet(tour))
        return renderScreenshotTour(window, parser.value(tour)) ? 0 : 1;
    if (parser.isSet(database) && !parser.isSet(screenshot))
        window.showBuilder();
    if (parser.isSet(screenshot)) {
        QApplication::processEvents();
        return window.grab().save(parser.value(screenshot)) ? 0 : 1;
    }
    return QApplication::exec();
}
