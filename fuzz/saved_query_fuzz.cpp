// Loading a saved query from a damaged or hostile file set, then generating the statement
// from whatever loaded: the load either succeeds or fails with VLNError, and the generators
// never crash on the tables a file gave them. Undoing an interrupted save from a hostile
// journal creates no file but the query's own.
#include "FileSetArchive.h"
#include "platform/VLNError.h"
#include "query/Statement.h"
#include "shared/QueryState.h"
#include "shared/clsField.h"
#include "storage/SavedQuery.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>

using namespace lorvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir dir;
    const QString prefix = dir.filePath(QStringLiteral("q"));
    const QList<QByteArray> files = fuzz::unpack(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    for (qsizetype i = 0; i < fuzz::fileSetSuffixes().size(); ++i) {
        const QString path = prefix + fuzz::fileSetSuffixes()[i];
        QFile::remove(path);
        if (i < files.size()) {
            QFile f(path);
            if (f.open(QIODevice::WriteOnly))
                f.write(files[i]);
        }
    }
    QueryState state;
    state.createTables();
    try {
        SavedQuery::Loader loader(prefix + QStringLiteral(".vln"));
        loader.readTables(state);
        SavedQuery::applyLists(state, loader.readLists());
    } catch (const VLNError&) {
    }
    QStringList own;
    for (const QString& suffix : fuzz::fileSetSuffixes())
        own << QStringLiteral("q") + suffix;
    for (const QString& name : QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System))
        if (!own.contains(name))
            __builtin_trap();
    Statement statement(state, clsField::shared());
    statement.RebuildStatement();
    (void)statement.Problem();
    clsField::shared().RemoveAll();
    return 0;
}
