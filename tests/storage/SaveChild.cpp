// A process that saves a query and is killed at a chosen file operation of the save.
//   storage_save_child SOURCE.vln TARGET.vln N
// Loads the query at SOURCE and saves it as TARGET; with N > 0 it kills itself (SIGKILL)
// just before the Nth file operation. Prints the number of file operations the save took.
#include "platform/DurableFile.h"
#include "platform/VLNError.h"
#include "shared/BuilderSettings.h"
#include "shared/QueryState.h"
#include "storage/SavedQuery.h"

#include <QCoreApplication>
#include <csignal>
#include <cstdio>
#include <unistd.h>

using namespace lorvane;

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: storage_save_child SOURCE TARGET N\n");
        return 2;
    }
    const QString source = QString::fromLocal8Bit(argv[1]);
    const QString target = QString::fromLocal8Bit(argv[2]);
    const int killAt = std::atoi(argv[3]);
    BuilderSettings settings;
    QueryState state(&settings);
    state.createTables();
    SavedLists lists;
    StoredConnection connection;
    try {
        SavedQuery::Loader loader(source);
        connection = loader.connection();
        loader.readTables(state);
        lists = loader.readLists();
    } catch (const VLNError& e) {
        std::fprintf(stderr, "cannot load %s: %s\n", argv[1], qPrintable(e.description()));
        return 3;
    }
    int operations = 0;
    DurableFile::setFaultInjector([&](std::string_view, const QString&) {
        if (++operations == killAt)
            ::kill(::getpid(), SIGKILL);
        return 0;
    });
    try {
        SavedQuery::write(target, state, lists, connection);
    } catch (const VLNError& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.description()));
        return 1;
    }
    std::printf("%d\n", operations);
    return 0;
}
