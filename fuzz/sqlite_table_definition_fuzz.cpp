// CREATE TABLE texts: reading the columns never fails on any text, and whenever SQLite accepts
// the text and the reading is sure of it, it says exactly what SQLite's table_xinfo pragma says.
#include "platform/SqliteTableDefinition.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <sqlite3.h>

using namespace lorvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    (void)readSqliteTableDefinition(QString::fromUtf8(input));

    sqlite3* db = nullptr;
    if (sqlite3_open(":memory:", &db) != SQLITE_OK)
        return 0;
    // Only this one statement, on a database in memory.
    const QByteArray ddl = "CREATE TABLE t " + input;
    sqlite3_stmt* create = nullptr;
    if (sqlite3_prepare_v2(db, ddl.constData(), static_cast<int>(ddl.size()), &create, nullptr) == SQLITE_OK && create &&
        sqlite3_step(create) == SQLITE_DONE) {
        sqlite3_finalize(create);
        create = nullptr;
        sqlite3_stmt* q = nullptr;
        sqlite3_prepare_v2(db,
                           "SELECT m.sql, p.name, p.type, p.\"notnull\" FROM sqlite_master m "
                           "JOIN pragma_table_xinfo(m.name) p WHERE m.name = 't' AND p.hidden <> 1 ORDER BY p.cid",
                           -1, &q, nullptr);
        std::vector<SqliteColumnDefinition> pragma;
        QString sql;
        while (q && sqlite3_step(q) == SQLITE_ROW) {
            sql = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(q, 0)));
            pragma.push_back({QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(q, 1))),
                              QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(q, 2))),
                              sqlite3_column_int(q, 3) != 0});
        }
        sqlite3_finalize(q);
        if (const auto read = readSqliteTableDefinition(sql)) {
            if (read->size() != pragma.size())
                __builtin_trap();
            for (std::size_t i = 0; i < read->size(); ++i)
                if ((*read)[i].name != pragma[i].name || (*read)[i].declaredType != pragma[i].declaredType ||
                    (*read)[i].notNull != pragma[i].notNull)
                    __builtin_trap();
        }
    }
    sqlite3_finalize(create);
    sqlite3_close(db);
    return 0;
}
