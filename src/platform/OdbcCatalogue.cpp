#include "OdbcCatalogue.h"

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include <QHash>
#include <QSet>
#include <QStringList>
#include <algorithm>
#include <iterator>

namespace lorvane {

namespace {

QVariant textColumn(SQLHSTMT stmt, SQLUSMALLINT column) {
    SQLWCHAR buffer[512];
    SQLLEN length = 0;
    QString out;
    for (;;) {
        const SQLRETURN rc = SQLGetData(stmt, column, SQL_C_WCHAR, buffer, sizeof buffer, &length);
        if (rc == SQL_NO_DATA)
            break;
        if (!SQL_SUCCEEDED(rc) || length == SQL_NULL_DATA)
            return out.isEmpty() ? QVariant() : QVariant(out);
        const qsizetype chars = (length == SQL_NO_TOTAL || length >= SQLLEN(sizeof buffer))
                                    ? qsizetype(sizeof buffer / sizeof(SQLWCHAR)) - 1
                                    : qsizetype(length / SQLLEN(sizeof(SQLWCHAR)));
        out.append(QString(reinterpret_cast<const QChar*>(buffer), chars));
        if (rc != SQL_SUCCESS_WITH_INFO)
            break;
    }
    return out;
}

int intColumn(SQLHSTMT stmt, SQLUSMALLINT column) {
    SQLINTEGER value = 0;
    SQLLEN indicator = 0;
    if (!SQL_SUCCEEDED(SQLGetData(stmt, column, SQL_C_SLONG, &value, 0, &indicator)) || indicator == SQL_NULL_DATA)
        return 0;
    return value;
}

}  // namespace

OdbcColumnsResult readOdbcCatalogueColumns(void* connectionHandle, const QString& table) {
    OdbcColumnsResult result;
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, static_cast<SQLHDBC>(connectionHandle), &stmt)))
        return result;
    // The table argument is a search pattern; rows are filtered to the exact name below.
    std::u16string name = table.toStdU16String();
    const SQLRETURN rc = table.isEmpty()
                             ? SQLColumnsW(stmt, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0)
                             : SQLColumnsW(stmt, nullptr, 0, nullptr, 0, reinterpret_cast<SQLWCHAR*>(name.data()),
                                           SQL_NTS, nullptr, 0);
    if (SQL_SUCCEEDED(rc)) {
        result.ok = true;
        while (SQL_SUCCEEDED(SQLFetch(stmt))) {
            OdbcColumn c;
            c.catalog = textColumn(stmt, 1);
            c.schema = textColumn(stmt, 2);
            c.table = textColumn(stmt, 3).toString();
            c.column = textColumn(stmt, 4).toString();
            c.sqlType = intColumn(stmt, 5);
            c.typeName = textColumn(stmt, 6).toString();
            c.size = intColumn(stmt, 7);
            c.nullable = intColumn(stmt, 11) != SQL_NO_NULLS;
            c.ordinal = intColumn(stmt, 17);
            if (table.isEmpty() || c.table == table)
                result.columns.push_back(std::move(c));
        }
    }
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    return result;
}

}  // namespace lorvane

namespace lorvane {

OdbcIdentifiers readOdbcIdentifiers(void* connectionHandle) {
    OdbcIdentifiers out;
    if (!connectionHandle)
        return out;
    SQLWCHAR buffer[16] = {};
    SQLSMALLINT length = 0;
    if (SQL_SUCCEEDED(SQLGetInfoW(connectionHandle, SQL_IDENTIFIER_QUOTE_CHAR, buffer, sizeof buffer, &length))) {
        const qsizetype chars = std::min<qsizetype>(length / qsizetype(sizeof(SQLWCHAR)), 15);
        out.quote = QString(reinterpret_cast<const QChar*>(buffer), chars);
    }
    SQLUSMALLINT identifierCase = 0;
    if (SQL_SUCCEEDED(SQLGetInfoW(connectionHandle, SQL_IDENTIFIER_CASE, &identifierCase, sizeof identifierCase, nullptr))) {
        if (identifierCase == SQL_IC_LOWER)
            out.folding = OdbcIdentifiers::Folding::Lower;
        else if (identifierCase == SQL_IC_UPPER)
            out.folding = OdbcIdentifiers::Folding::Upper;
    }
    return out;
}

}  // namespace lorvane

namespace lorvane {

namespace {

QString diagnostics(SQLSMALLINT type, SQLHANDLE handle) {
    QStringList out;
    SQLWCHAR state[6];
    SQLWCHAR message[1024];
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    for (SQLSMALLINT i = 1; SQL_SUCCEEDED(SQLGetDiagRecW(type, handle, i, state, &native, message,
                                                         SQLSMALLINT(std::size(message)), &length));
         ++i)
        out << QString(reinterpret_cast<const QChar*>(message), std::clamp<qsizetype>(length, 0, 1023));
    return out.join(u' ');
}

// A text argument of a catalogue function: null stays null (any), anything else is the name.
struct NameArgument {
    std::u16string text;
    bool null;
    explicit NameArgument(const QVariant& v) : text(v.toString().toStdU16String()), null(v.isNull()) {}
    SQLWCHAR* data() { return null ? nullptr : reinterpret_cast<SQLWCHAR*>(text.data()); }
    SQLSMALLINT length() const { return null ? 0 : SQL_NTS; }
};

struct OdbcTable {
    QVariant catalog, schema;
    QString name;
};

struct OdbcKeyColumn {
    QString name, referencedSchema, referencedTable, referencedColumn, schema, table, column;
    int seq = 0;
};

// The rows SQLForeignKeys gives for one table are ordered by KEY_SEQ only, so the columns of
// two composite keys interleave; each row goes to the first key of its name and referenced
// table that still lacks that place.
void addTableKeys(std::vector<OdbcKeyColumn> rows, std::vector<ForeignKey>& out) {
    std::stable_sort(rows.begin(), rows.end(),
                     [](const OdbcKeyColumn& a, const OdbcKeyColumn& b) { return a.seq < b.seq; });
    const std::size_t first = out.size();
    for (const OdbcKeyColumn& row : rows) {
        ForeignKey* key = nullptr;
        for (std::size_t k = first; k < out.size() && !key; ++k) {
            ForeignKey& candidate = out[k];
            if (candidate.name == row.name && candidate.referencedSchema == row.referencedSchema &&
                candidate.referencedTable == row.referencedTable && candidate.referencingTable == row.table &&
                candidate.referencingColumns.size() == row.seq - 1)
                key = &candidate;
        }
        if (!key) {
            out.push_back({row.name, row.schema, row.table, {}, row.referencedSchema, row.referencedTable, {}});
            key = &out.back();
        }
        key->referencingColumns << row.column;
        key->referencedColumns << row.referencedColumn;
    }
}

// The columns of a table's primary key, in key order (SQLPrimaryKeys).
QStringList primaryKeyOf(SQLHSTMT stmt, const QString& schema, const QString& table) {
    NameArgument schemaArgument(schema.isEmpty() ? QVariant() : QVariant(schema)), name(table);
    std::vector<std::pair<int, QString>> columns;
    if (SQL_SUCCEEDED(SQLPrimaryKeysW(stmt, nullptr, 0, schemaArgument.data(), schemaArgument.length(), name.data(),
                                      name.length()))) {
        while (SQL_SUCCEEDED(SQLFetch(stmt))) {
            QString column = textColumn(stmt, 4).toString();  // columns are read in order
            columns.emplace_back(intColumn(stmt, 5), std::move(column));
        }
        SQLFreeStmt(stmt, SQL_CLOSE);
    }
    std::sort(columns.begin(), columns.end());
    QStringList out;
    for (const auto& c : columns)
        out << c.second;
    return out;
}

// Some drivers (SQLite's) give the referenced table as the key writes it, perhaps in another
// case than the table's own, and no columns for a key to the primary key. The table is named as
// the catalogue names it and the columns are read from its primary key; named columns stay as
// the driver gives them, as the SQLite provider gives them.
void nameAsTheCatalogue(SQLHSTMT stmt, const std::vector<OdbcTable>& tables, std::vector<ForeignKey>& keys) {
    QSet<QString> exact;
    QHash<QString, QStringList> byLowerCase;
    for (const OdbcTable& t : tables) {
        exact.insert(t.name);
        byLowerCase[t.name.toLower()] << t.name;
    }
    for (ForeignKey& key : keys) {
        if (!exact.contains(key.referencedTable)) {
            const QStringList same = byLowerCase.value(key.referencedTable.toLower());
            if (same.size() == 1)
                key.referencedTable = same.front();
        }
        if (key.referencedColumns.contains(QString())) {
            const QStringList primary = primaryKeyOf(stmt, key.referencedSchema, key.referencedTable);
            if (primary.size() == key.referencingColumns.size())
                key.referencedColumns = primary;
        }
    }
}

}  // namespace

OdbcForeignKeysResult readOdbcForeignKeys(void* connectionHandle) {
    OdbcForeignKeysResult result;
    const SQLHDBC dbc = static_cast<SQLHDBC>(connectionHandle);
    SQLUSMALLINT supported = SQL_TRUE;
    if (SQL_SUCCEEDED(SQLGetFunctions(dbc, SQL_API_SQLFOREIGNKEYS, &supported)) && supported == SQL_FALSE)
        return result;
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt))) {
        result.error = diagnostics(SQL_HANDLE_DBC, dbc);
        return result;
    }
    auto failed = [&](const char* call) {
        const QString words = diagnostics(SQL_HANDLE_STMT, stmt);
        result.error = words.isEmpty() ? QStringLiteral("%1 failed.").arg(QLatin1String(call)) : words;
        result.keys.clear();
    };
    std::u16string tableType = u"TABLE";
    std::vector<OdbcTable> tables;
    if (SQL_SUCCEEDED(SQLTablesW(stmt, nullptr, 0, nullptr, 0, nullptr, 0, reinterpret_cast<SQLWCHAR*>(tableType.data()),
                                 SQL_NTS))) {
        while (SQL_SUCCEEDED(SQLFetch(stmt)))
            tables.push_back({textColumn(stmt, 1), textColumn(stmt, 2), textColumn(stmt, 3).toString()});
        SQLFreeStmt(stmt, SQL_CLOSE);
    } else {
        failed("SQLTables");
    }
    for (const OdbcTable& table : tables) {
        if (!result.error.isEmpty())
            break;
        NameArgument catalog(table.catalog), schema(table.schema), name(table.name);
        if (!SQL_SUCCEEDED(SQLForeignKeysW(stmt, nullptr, 0, nullptr, 0, nullptr, 0, catalog.data(), catalog.length(),
                                           schema.data(), schema.length(), name.data(), name.length()))) {
            failed("SQLForeignKeys");
            break;
        }
        std::vector<OdbcKeyColumn> rows;
        while (SQL_SUCCEEDED(SQLFetch(stmt))) {
            OdbcKeyColumn row;
            row.referencedSchema = textColumn(stmt, 2).toString();
            row.referencedTable = textColumn(stmt, 3).toString();
            row.referencedColumn = textColumn(stmt, 4).toString();
            row.schema = textColumn(stmt, 6).toString();
            row.table = textColumn(stmt, 7).toString();
            row.column = textColumn(stmt, 8).toString();
            row.seq = intColumn(stmt, 9);
            row.name = textColumn(stmt, 12).toString();
            rows.push_back(std::move(row));
        }
        SQLFreeStmt(stmt, SQL_CLOSE);
        addTableKeys(std::move(rows), result.keys);
    }
    if (result.error.isEmpty())
        nameAsTheCatalogue(stmt, tables, result.keys);
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    // A key whose referenced columns the driver could not tell joins nothing.
    std::erase_if(result.keys, [](const ForeignKey& k) { return k.referencedColumns.contains(QString()); });
    return result;
}

}  // namespace lorvane
