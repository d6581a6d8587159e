#include "SavedQuery.h"

#include "SaveJournal.h"

#include <cmath>

#include "platform/AdoTypes.h"
#include "platform/DurableFile.h"
#include "platform/RecordSet.h"
#include "platform/VLNError.h"
#include "shared/NameQuoting.h"
#include "shared/QueryState.h"
#include "shared/clsField.h"

#include <QFile>
#include <QHash>
#include <QFileInfo>
#include <QUuid>
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
    {"rsDiagram", "rsDiagram.dat", "rsDiagram", false},
};

// The index fields, in their binding order, with their defined sizes.
const std::pair<const char*, int> kIndexFields[] = {
    {"rsWhere", 2000},          {"rsGroupBy", 2000},  {"rsOrderBy", 2000},       {"rsCalcFields", 2000},
    {"rsJoins", 2000},          {"rsVLNQueryValues", 2000}, {"ConnectionString", 2000}, {"ConnectionTimeout", 4},
    {"CommandTimeout", 4},      {"PassWord", 255},    {"UserId", 255},           {"rsAlias", 2000},
    {"rsJoinTablesUsed", 2000}, {"rsJoinTable", 2000}};
// Index fields added later: an index written before them opens without them, and a build that
// does not know them opens a newer index, which holds every field above.
const std::pair<const char*, int> kLaterIndexFields[] = {{"rsDiagram", 2000}};

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
    QString why;
    const std::optional<QByteArray> bytes = DurableFile::readRegular(path, kMaxFileSize, why);
    if (!bytes)
        notUsable(path, why);
    auto rs = std::make_shared<RecordSet>();
    rs->OpenBytes(*bytes, path);
    if (rs->FieldCount() < minimumFields)
        notUsable(path, QStringLiteral("it does not hold the fields of a saved query table"));
    return rs;
}

// The identity a file of one save carries: the save's own, and which file of it this is.
QByteArray identityOf(const QByteArray& saveId, const char* role) {
    return saveId + '/' + role;
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

std::unique_ptr<RecordSet> boxPlaces(const SavedLists& lists) {
    auto rs = std::make_unique<RecordSet>();
    rs->AppendField(QStringLiteral("Table"), kText, 2000, kAny);
    rs->AppendField(QStringLiteral("X"), AdoType::Double, 0, kAny);
    rs->AppendField(QStringLiteral("Y"), AdoType::Double, 0, kAny);
    rs->Open();
    for (const auto& [table, place] : lists.boxPlaces) {
        rs->AddNew();
        rs->SetValue(0, table);
        rs->SetValue(1, place.x());
        rs->SetValue(2, place.y());
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

// Every file of the query at path, the index first, then the data files in writing order.
QStringList targetsOf(const QString& path) {
    QStringList targets{path};
    for (const DataFile& f : kDataFiles)
        targets << prefixOf(path) + QLatin1String(f.suffix);
    return targets;
}

[[noreturn]] void notSaved(const QString& path, const QString& why, bool unchanged = true) {
    throw VLNError(ErrorNumber::ProviderFailure, kSource,
                   QStringLiteral("The query could not be saved as %1 (%2). %3")
                       .arg(path, why,
                            unchanged ? QStringLiteral("A query saved there before is unchanged.")
                                      : QStringLiteral("The query saved there before will be put back when it "
                                                       "is next opened or saved.")));
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

QString withExtension(const QString& path) {
    return path.endsWith(QLatin1String(".vln"), Qt::CaseInsensitive) ? path : path + QStringLiteral(".vln");
}

void write(const QString& chosen, QueryState& state, const SavedLists& lists, const StoredConnection& connection) {
    const QString path = withExtension(chosen);
    if (fileNameOf(chosen).isEmpty())
        notSaved(path, QStringLiteral("a file name is needed"));
    const QStringList targets = targetsOf(path);
    SaveJournal journal(path, targets);
    try {
        journal.recover();
    } catch (const VLNError& e) {
        notSaved(path, QStringLiteral("an earlier save there could not be put right: ") + e.description());
    }
    for (const QString& target : targets)
        if (DurableFile::kindOf(target) == DurableFile::Kind::Other)
            notSaved(path, QStringLiteral("%1 is not a regular file").arg(target));

    // One identity for every file of this save, so that files of different saves are never
    // taken for one query.
    const QByteArray saveId = QUuid::createUuid().toByteArray(QUuid::WithoutBraces);
    const std::unique_ptr<RecordSet> values = queryValues(lists);
    const std::unique_ptr<RecordSet> places = boxPlaces(lists);
    std::vector<QByteArray> bytes(targets.size());
    RecordSet index;
    for (const auto& [name, size] : kIndexFields)
        index.AppendField(QString::fromLatin1(name), kText, size, kAny);
    for (const auto& [name, size] : kLaterIndexFields)
        index.AppendField(QString::fromLatin1(name), kText, size, kAny);
    index.Open();
    index.AddNew();
    for (const DataFile& f : kDataFiles)  // the files not written are named by the empty string
        index.SetValue(QLatin1String(f.indexField), QString());
    for (std::size_t i = 0; i < std::size(kDataFiles); ++i) {
        const DataFile& f = kDataFiles[i];
        RecordSet* rs = qstrcmp(f.table, "rsDiagram") == 0 ? places.get()
                        : *f.table                         ? &tableOf(state, f.table)
                                                           : values.get();
        if (!f.always && rs->RecordCount() == 0)
            continue;
        const QString target = targets[static_cast<qsizetype>(i) + 1];
        const QByteArray kept = rs->SaveIdentity();
        rs->SetSaveIdentity(identityOf(saveId, f.indexField));
        bytes[i + 1] = rs->SaveToBytes();
        rs->SetSaveIdentity(kept);
        index.SetValue(QLatin1String(f.indexField), QFileInfo(target).absoluteFilePath());
    }
    index.SetValue(QStringLiteral("ConnectionString"), connection.connectionString);
    index.SetValue(QStringLiteral("ConnectionTimeout"), QString::number(connection.connectTimeout));
    index.SetValue(QStringLiteral("CommandTimeout"), QString::number(connection.commandTimeout));
    index.SetValue(QStringLiteral("PassWord"), connection.password);
    index.SetValue(QStringLiteral("UserId"), connection.userId);
    index.Update();
    index.SetSaveIdentity(identityOf(saveId, "vln"));
    bytes[0] = index.SaveToBytes();

    // Every new file is written and synced beside its target before anything is replaced.
    // The index holds the password: none of the files is for other users' eyes.
    std::vector<SaveJournal::Entry> entries;
    try {
        // The index goes last, as a reader starts from it.
        for (qsizetype i = 1; i <= targets.size(); ++i) {
            const qsizetype t = i % targets.size();
            const bool hasNew = !bytes[static_cast<std::size_t>(t)].isEmpty();
            if (hasNew)
                DurableFile::write(SaveJournal::staged(targets[t]), bytes[static_cast<std::size_t>(t)], 0600);
            entries.push_back({targets[t], DurableFile::kindOf(targets[t]) == DurableFile::Kind::Regular, hasNew});
        }
        journal.begin(entries, saveId);
    } catch (const VLNError& e) {
        for (const SaveJournal::Entry& entry : entries)
            if (entry.hasNew)
                QFile::remove(SaveJournal::staged(entry.target));
        notSaved(path, e.description());
    }
    try {
        journal.apply();
    } catch (const VLNError& e) {
        bool undone = true;
        try {
            journal.rollBack();
        } catch (const VLNError&) {
            undone = false;  // the journal stays; the next open or save undoes it
        }
        notSaved(path, e.description(), undone);
    }
    journal.removeReplaced();
}

void applyLists(QueryState& state, const SavedLists& lists) {
    state.TableList() = lists.tables;
    state.SelectedTables = lists.tables;
    for (const QString& item : lists.fields) {
        const qsizetype dot = NameQuoting::qualifierDot(item, state.settings());
        if (dot >= 0)
            clsField::shared().AddUnchecked(item.mid(dot + 1).trimmed(), item.left(dot).trimmed());
    }
    // The file's field list holds every field of the catalogue; the query's are those of its
    // tables, grouped in the order of the tables as when the query was built (the criteria
    // grid's columns, and so the order of the criteria, follow it).
    QHash<QString, QStringList> byTable;
    for (const QString& table : lists.tables)
        byTable.insert(table, {});
    for (const QString& item : lists.fields)
        if (auto it = byTable.find(NameQuoting::tablePart(item, state.settings()).trimmed()); it != byTable.end())
            it->append(item);
    QStringList fields;
    for (const QString& table : lists.tables)
        fields += byTable.take(table);
    // A file whose field list does not name the query's tables: the catalogue knows them.
    state.FieldList() = fields.isEmpty() ? clsField::shared().FieldNamesFor(lists.tables) : fields;
    state.OutputFieldList = lists.selectedFields;
    state.Distinct = lists.distinct;
}

void remove(const QString& path) {
    const QString prefix = prefixOf(path);
    QFile::remove(path);
    for (const char* suffix : {"rsCalcFields.dat", "rsGroupBy.dat", "rsJoins.dat", "rsOrderBy.dat", "rsQueryValues.dat",
                               "rsWhere.dat", "rsAlias.dat", "rsJoinTable.dat", "rsJoinTablesUsed.dat",
                               "rsDiagram.dat"})
        QFile::remove(prefix + QLatin1String(suffix));
    // And whatever an interrupted save left beside them.
    const QStringList targets = targetsOf(path);
    const SaveJournal journal(path, targets);
    QFile::remove(journal.journalPath());
    QFile::remove(journal.journalPath() + QStringLiteral(".saving"));
    for (const QString& t : targets) {
        QFile::remove(SaveJournal::staged(t));
        QFile::remove(SaveJournal::replaced(t));
    }
}

Loader::Loader(const QString& path) : path_(path), folder_(folderOf(path)) {
    // A save cut short is undone first, so that the query opens as it was before it.
    try {
        SaveJournal(path, targetsOf(path)).recover();
    } catch (const VLNError& e) {
        notUsable(path, QStringLiteral("an interrupted save could not be undone (%1)").arg(e.description()));
    }
    std::shared_ptr<RecordSet> index = readFile(path, 0);
    const QByteArray identity = index->SaveIdentity();
    if (!identity.isEmpty()) {
        if (!identity.endsWith("/vln"))
            notUsable(path, QStringLiteral("it is not the index of a saved query"));
        saveId_ = identity.chopped(4);
    }
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
    for (const auto& [name, size] : kLaterIndexFields)
        if (index->FieldIndex(QLatin1String(name)) >= 0)
            stored_.insert(QLatin1String(name), text(name));
}

Loader::~Loader() = default;

QString Loader::storedFile(const char* indexField) const {
    return stored_.value(QLatin1String(indexField));
}

std::shared_ptr<RecordSet> Loader::readDataFile(const char* indexField, int minimumFields) const {
    // Only the file name counts: the index's folders are where the query was saved.
    const QString file = folder_ + fileNameOf(storedFile(indexField));
    std::shared_ptr<RecordSet> rs = readFile(file, minimumFields);
    // A query saved before files carried identities has none anywhere.
    const QByteArray expected = saveId_.isEmpty() ? QByteArray() : identityOf(saveId_, indexField);
    if (rs->SaveIdentity() != expected)
        notUsable(file, QStringLiteral("it does not belong to the same save as %1").arg(path_));
    return rs;
}

void Loader::readTables(QueryState& state) {
    for (const auto& [table, minimumFields] : kReadOrder) {
        const QString stored = storedFile(table);
        if (stored.isEmpty())
            continue;
        std::shared_ptr<RecordSet> rs = readDataFile(table, minimumFields);
        *state.handleNamed(QString::fromLatin1(table)) = std::move(rs);
    }
}

SavedLists Loader::readLists() {
    std::shared_ptr<RecordSet> values = readDataFile("rsVLNQueryValues", 0);
    for (const char* field : {"Tables", "UnSelTables", "RemoveTables", "Fields", "SelFields", "UnSelFields", "Distinct"})
        if (values->FieldIndex(QLatin1String(field)) < 0)
            notUsable(path_, QStringLiteral("its query values lack the field %1").arg(QLatin1String(field)));
    SavedLists lists;
    if (!storedFile("rsDiagram").isEmpty()) {
        std::shared_ptr<RecordSet> places = readDataFile("rsDiagram", 3);
        for (qint64 r = 0; r < places->RecordCount(); ++r) {
            bool xOk = false, yOk = false;
            const double x = places->ValueAt(r, 1).toDouble(&xOk);
            const double y = places->ValueAt(r, 2).toDouble(&yOk);
            // A place that is no number is left to the layout.
            if (xOk && yOk && std::isfinite(x) && std::isfinite(y))
                lists.boxPlaces.append({places->ValueAt(r, 0).toString(), QPointF(x, y)});
        }
    }
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
