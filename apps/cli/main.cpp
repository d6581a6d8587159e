// lorvane: saved queries and connections without a window.
//   lorvane sql FILE                 the statement the builder shows for a saved query
//   lorvane run FILE [options]       runs it read-only on its stored connection
//   lorvane tables CONNECTION-STRING the tables the builder would offer
#include "SavedQueryTool.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lorvane"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    const int exit = lorvane::cli::run(QCoreApplication::arguments(), out, err);
    return lorvane::cli::finishOutput(exit, out, err);
}
