#include "SavedQuery.h"

#include "platform/AdoTypes.h"
#include "platform/RecordSet.h"
#include "platform/VLNError.h"
#include "shared/NameQuoting.h"
#include "shared/QueryState.h"
#include "shared/clsField.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QVariant>
#include <vector>

namespace lorvane::SavedQuery {

namespace {

const QString kSource = QStringLiteral("Lorvane.SavedQuery");
constexpr int kText = AdoType::VarChar;
constexpr int kAny = AdoFieldAttribute::Unspecified;

// The data files in the order they are written, with the index field that names each.
struct DataFile {
    const char* table;       // the query state table ("" for the query values)
    const char* suffix;
    const char* indexField;
    bool always;
};
const DataFile kDataFiles[] = {
    {"rsWhere", "rsWhere.dat", "rsWhere", true},
    {"rsGroupBy", "rsGroupBy.dat", "rsGroupBy", false},
    {"rsOrderBy", "rsOrderBy.dat", "rsOrderBy", false},
    {"rsCalcFields", "rsCalcFields.dat", "rsCalcFields", false},
    {"", "rsQueryValues.dat", "rsVLNQueryValues", true},
    {"rsJoins", "rsJoins.dat", "rsJoins", false},
    {"rsJoinTable", "rsJoinTable.dat", "rsJoinTable", false},
    {"rsJoinTablesUsed", "rsJoinTablesUsed.dat", "rsJoinTablesUsed", false},
    {"rsAlias", "rsAlias.dat", "rsAlias", false},
};

// The index fields, in their binding order, with their defined sizes.
const std::pair<const char*, int> kIndexFields[] = {
    {"rsWhere", 2000},          {"rsGroupBy", 2000},  {"rsOrderBy", 2000},       {"rsCalcFields", 2000},
    {"rsJoins", 2000},          {"rsVLNQueryValues", 2000}, {"ConnectionString", 2000}, {"ConnectionTimeout", 4},
    {"CommandTimeout", 4},      {"PassWord", 255},    {"UserId", 255},           {"rsAlias", 2000},
    {"rsJoinTablesUsed", 2000}, {"rsJoinTable", 2000}};

// The tables are read in this order; each must have at least its layout's fields, which the
// generators read by position.
const std::pair<const char*, int> kReadOrder[] = {{"rsAlias", 3},     {"rsWhere", 0},     {"rsGroupBy", 4},
                                                  {"rsOrderBy", 3},   {"rsCalcFields", 3}, {"rsJoins", 6},
                                                  {"rsJoinTable", 2}, {"rsJoinTablesUsed", 2}};

const char* const kValueFields[] = {"Tables", "UnselTables", "RemoveTables", "Fields", "SelFields", "UnselFields",
                                    "Distinct", "Topx", "Percent"};

[[noreturn]] void notUsable(const QString& path, const QString& why) {
    throw VLNError(ErrorNumber::NotUsable, kSource,
                   QStringLiteral("'%1' cannot be opened as part of a saved query: %2.").arg(path, why));
}

std::shared_ptr<RecordSet> readFile(const QString& path, int minimumFields) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        notUsable(path, file.errorString());
    if (file.size() > kMaxFileSize)
        notUsable(path, QStringLiteral("the file is far larger than any saved query"));
    auto rs = std::make_shared<RecordSet>();
    rs->OpenBytes(file.read(kMaxFileSize + 1), path);
    if (rs->FieldCount() < minimumFields)
        notUsable(path, QStringLiteral("it does not hold the fields of a saved query table"));
    return rs;
}

std::unique_ptr<RecordSet> queryValues(const SavedLists& lists) {
    auto rs = std::make_unique<RecordSet>();
    for (const char* name : kValueFields) {
        const bool small = qstrcmp(name, "Distinct") == 0 || qstrcmp(name, "Percent") == 0;
        rs->AppendField(QString::fromLatin1(name), small ? AdoType::SmallInt : kText, small ? 0 : 255, kAny);
    }
    rs->Open();
    rs->AddNew();
    rs->SetValue(QStringLiteral("Distinct"), lists.distinct ? 1 : 0);
    rs->Update();
    const std::pair<const char*, const QStringList*> rows[] = {
        {"Tables", &lists.tables},         {"UnselTables", &lists.unselectedTables},
        {"RemoveTables", &lists.removedTables}, {"Fields", &lists.fields},
        {"SelFields", &lists.selectedFields},   {"UnselFields", &lists.unselectedFields}};
    for (const auto& [field, values] : rows)
        for (const QString& v : *values) {
            rs->AddNew();
            rs->SetValue(QString::fromLatin1(field), v);
            rs->Update();
        }
    return rs;
}

RecordSet& tableOf(QueryState& s, const char* name) {
    const QLatin1String n(name);
    if (n == QLatin1String("rsGroupBy")) return s.rsGroupBy();
    if (n == QLatin1String("rsOrderBy")) return s.rsOrderBy();
    if (n == QLatin1String("rsCalcFields")) return s.rsCalcFields();
    if (n == QLatin1String("rsJoins")) return s.rsJoins();
    if (n == QLatin1String("rsJoinTable")) return s.rsJoinTable();
    if (n == QLatin1String("rsJoinTablesUsed")) return s.rsJoinTablesUsed();
    if (n == QLatin1String("rsAlias")) return s.rsAlias();
    return s.rsWhere();
}

// One file being written: its temporary stays beside the target until commit.
struct Pending {
    std::unique_ptr<QSaveFile> file;
    QString path;
};

Pending stage(const QString& path, const QByteArray& bytes) {
    Pending p{std::make_unique<QSaveFile>(path), path};
    if (!p.file->open(QIODevice::WriteOnly))
        throw VLNError(ErrorNumber::ProviderFailure, kSource, QStringLiteral("%1: %2").arg(path, p.file->errorString()));
    // The index holds the password: none of the files is for other users' eyes.
    p.file->setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (p.file->write(bytes) != bytes.size())
        throw VLNError(ErrorNumber::ProviderFailure, kSource, QStringLiteral("%1: %2").arg(path, p.file->errorString()));
    return p;
}

}  // namespace

QString prefixOf(const QString& path) {
    return path.left(path.size() - 4);
}

QString folderOf(const QString& path) {
    const qsizetype cut = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    return cut < 0 ? QString() : path.left(cut + 1);
}

QString fileNameOf(const QString& path) {
    const qsizetype cut = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    return path.mid(cut + 1);
}

void write(const QString& path, QueryState& state, const SavedLists& lists, const StoredConnection& connection) {
    const QString prefix = prefixOf(path);
    const std::unique_ptr<RecordSet> values = queryValues(lists);
    std::vector<Pending> pending;
    QStringList stale;
    QHash<QString, QString> written;  // index field -> full path
    try {
        for (const DataFile& f : kDataFiles) {
            const QString target = prefix + QLatin1String(f.suffix);
            const RecordSet* rs = *f.table ? &tableOf(state, f.table) : values.get();
            if (!f.always && rs->RecordCount() == 0) {
                stale << target;
                continue;
            }
            pending.push_back(stage(target, rs->SaveToBytes()));
            written.insert(QLatin1String(f.indexField), QFileInfo(target).absoluteFilePath());
        }
        RecordSet index;
        for (const auto& [name, size] : kIndexFields)
            index.AppendField(QString::fromLatin1(name), kText, size, kAny);
        index.Open();
        index.AddNew();
        for (const DataFile& f : kDataFiles)
            index.SetValue(QLatin1String(f.indexField), written.value(QLatin1String(f.indexField)));
        index.SetValue(QStringLiteral("ConnectionString"), connection.connectionString);
        index.SetValue(QStringLiteral("ConnectionTimeout"), QString::number(connection.connectTimeout));
        index.SetValue(QStringLiteral("CommandTimeout"), QString::number(connection.commandTimeout));
        index.SetValue(QStringLiteral("PassWord"), connection.password);
        index.SetValue(QStringLiteral("UserId"), connection.userId);
        index.Update();
        pending.push_back(stage(path, index.SaveToBytes()));
    } catch (const VLNError& e) {
        // Nothing has replaced anything yet: the temporary files go with their QSaveFile.
        throw VLNError(e.number(), kSource,
                       QStringLiteral("The query could not be saved as %1 (%2). A query saved there before is "
                                      "unchanged.")
                           .arg(path, e.description()));
    }
    for (Pending& p : pending)
        if (!p.file->commit())
            throw VLNError(ErrorNumber::ProviderFailure, kSource,
                           QStringLiteral("The query could not be saved as %1: %2 could not be replaced (%3).")
                               .arg(path, p.path, p.file->errorString()));
    // The new index names none of these any more.
    for (const QString& file : stale)
        QFile::remove(file);
}

void applyLists(QueryState& state, const SavedLists& lists) {
    state.TableList() = lists.tables;
    state.SelectedTables = lists.tables;
    state.FieldList() = lists.fields;
    for (const QString& item : lists.fields) {
        const qsizetype dot = NameQuoting::qualifierDot(item, state.settings());
        if (dot >= 0)
            clsField::shared().AddUnchecked(item.mid(dot + 1).trimmed(), item.left(dot).trimmed());
    }
    state.OutputFieldList = lists.selectedFields;
    state.Distinct = lists.distinct;
}

void remove(const QString& path) {
    const QString prefix = prefixOf(path);
    QFile::remove(path);
    for (const char* suffix : {"rsCalcFields.dat", "rsGroupBy.dat", "rsJoins.dat", "rsOrderBy.dat", "rsQueryValues.dat",
                               "rsWhere.dat", "rsAlias.dat", "rsJoinTable.dat", "rsJoinTablesUsed.dat"})
        QFile::remove(prefix + QLatin1String(suffix));
}

Loader::Loader(const QString& path) : path_(path), folder_(folderOf(path)) {
    std::shared_ptr<RecordSet> index = readFile(path, 0);
    for (const auto& [name, size] : kIndexFields)
        if (index->FieldIndex(QLatin1String(name)) < 0)
            notUsable(path, QStringLiteral("it is not the index of a saved query"));
    if (index->RecordCount() < 1)
        notUsable(path, QStringLiteral("it is not the index of a saved query"));
    auto text = [&](const char* field) { return index->ValueAt(0, index->FieldIndex(QLatin1String(field))).toString(); };
    connection_.connectionString = text("ConnectionString");
    connection_.connectTimeout = text("ConnectionTimeout").trimmed().toInt();
    connection_.commandTimeout = text("CommandTimeout").trimmed().toInt();
    connection_.userId = text("UserId");
    connection_.password = text("PassWord");
    for (const auto& [name, size] : kIndexFields)
        stored_.insert(QLatin1String(name), text(name));
}

Loader::~Loader() = default;

QString Loader::storedFile(const char* indexField) const {
    return stored_.value(QLatin1String(indexField));
}

void Loader::readTables(QueryState& state) {
    for (const auto& [table, minimumFields] : kReadOrder) {
        const QString stored = storedFile(table);
        if (stored.isEmpty())
            continue;
        // Only the file name counts: the index's folders are where the query was saved.
        std::shared_ptr<RecordSet> rs = readFile(folder_ + fileNameOf(stored), minimumFields);
        *state.handleNamed(QString::fromLatin1(table)) = std::move(rs);
    }
}

SavedLists Loader::readLists() {
    std::shared_ptr<RecordSet> values = readFile(folder_ + fileNameOf(storedFile("rsVLNQueryValues")), 0);
    for (const char* field : {"Tables", "UnSelTables", "RemoveTables", "Fields", "SelFields", "UnSelFields", "Distinct"})
        if (values->FieldIndex(QLatin1String(field)) < 0)
            notUsable(path_, QStringLiteral("its query values lack the field %1").arg(QLatin1String(field)));
    SavedLists lists;
    if (values->RecordCount() == 0)
        return lists;
    lists.distinct = values->ValueAt(0, values->FieldIndex(QStringLiteral("Distinct"))).toInt() != 0;
    const std::pair<const char*, QStringList*> kinds[] = {
        {"Tables", &lists.tables},           {"RemoveTables", &lists.removedTables},
        {"Fields", &lists.fields},           {"SelFields", &lists.selectedFields},
        {"UnSelFields", &lists.unselectedFields}, {"UnSelTables", &lists.unselectedTables}};
    for (const auto& [field, list] : kinds) {
        const int f = values->FieldIndex(QLatin1String(field));
        for (qint64 r = 0; r < values->RecordCount(); ++r)
            if (const QString v = values->ValueAt(r, f).toString(); !v.isEmpty())
                *list << v;
    }
    return lists;
}

}  // namespace lorvane::SavedQuery
