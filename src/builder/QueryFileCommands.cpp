#include "QueryFileCommands.h"
#include "JoinDiagram.h"

#include "BusyCursor.h"
#include "FieldPage.h"
#include "JoinPage.h"
#include "QueryPage.h"
#include "ResultsPage.h"
#include "TablePage.h"
#include "frmQDM.h"
#include "platform/Connection.h"
#include "platform/VLNError.h"
#include "query/Statement.h"
#include "shared/BuilderSettings.h"
#include "shared/MessageCatalogue.h"
#include "shared/NameQuoting.h"
#include "shared/clsBridge.h"
#include "shared/clsField.h"
#include "shared/clsTable.h"

#include <QSet>
#include <QCryptographicHash>
#include <QDataStream>
#include <QIODevice>

namespace lorvane {

namespace {

Prompts::FileDialog queryDialog(const QString& title) {
    return {title, QStringLiteral("vln (*.vln)"), QString(), QStringLiteral("vln")};
}

template <typename F> void ignoringErrors(F&& f) {
    try {
        f();
    } catch (const VLNError&) {
    }
}

// While a saved query's tables are added back, the table collection checks them against one
// read of the catalogue instead of reading it again for every table.
class KnownTables {
public:
    KnownTables() {
        const BuilderSettings& s = BuilderSettings::shared();
        if (!s.ActiveConnection || !s.ActiveConnection->IsOpen())
            return;
        ignoringErrors([] {
            auto schema = BuilderSettings::shared().ActiveConnection->OpenSchema(Connection::SchemaTables);
            auto names = std::make_shared<QSet<QString>>();
            const int name = schema->FieldIndex(QStringLiteral("TABLE_NAME"));
            names->reserve(static_cast<qsizetype>(schema->RecordCount()));
            for (qint64 r = 0; r < schema->RecordCount(); ++r)
                names->insert(schema->ValueAt(r, name).toString());
            schema->Close();
            clsTable::shared().setKnownTables(std::move(names));
        });
    }
    ~KnownTables() { clsTable::shared().setKnownTables(nullptr); }
    KnownTables(const KnownTables&) = delete;
    KnownTables& operator=(const KnownTables&) = delete;
};

}  // namespace

QueryFileCommands::QueryFileCommands(frmQDM& window) : QObject(&window), w_(window) {}

bool QueryFileCommands::SaveFile() {
    path_.clear();
    const std::optional<QString> chosen = w_.prompts().saveFileName(queryDialog(QStringLiteral("Save Query")));
    if (!chosen || chosen->isEmpty())
        return false;
    // "sales.2024" is saved as "sales.2024.vln", beside its data files.
    path_ = SavedQuery::withExtension(*chosen);
    return true;
}

bool QueryFileCommands::OpenFile() {
    path_.clear();
    const std::optional<QString> chosen = w_.prompts().openFileName(queryDialog(QStringLiteral("Open Saved Query")));
    if (!chosen || chosen->isEmpty())
        return false;
    path_ = *chosen;
    folder_ = SavedQuery::folderOf(path_);
    return true;
}

void QueryFileCommands::DeleteQuery() {
    SavedQuery::remove(path_);
    path_.clear();
}

SavedLists QueryFileCommands::currentLists() const {
    QueryState& s = w_.state();
    SavedLists lists;
    lists.distinct = s.Distinct;
    lists.tables = s.TableList();
    lists.unselectedTables = w_.tablePage()->availableTables();
    lists.removedTables = w_.removedTables;
    lists.fields = clsField::shared().FieldNamesFor(clsTable::shared().TableNames());
    lists.selectedFields = s.OutputFieldList;
    lists.unselectedFields = w_.fieldPage()->availableFields();
    // Box places in table order, so that the same arrangement saves the same file. One box
    // alone has no arrangement to keep.
    const QHash<QString, QPointF> places = w_.joinPage()->diagram()->places();
    QStringList placed = places.keys();
    placed.sort();
    if (placed.size() > 1)
        for (const QString& table : placed)
            lists.boxPlaces.append({table, places.value(table)});
    return lists;
}

QByteArray QueryFileCommands::fingerprint() const {
    QueryState& s = w_.state();
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    SavedLists lists = currentLists();
    out << lists.distinct << lists.tables << lists.unselectedTables << lists.removedTables << lists.selectedFields
        << lists.unselectedFields << w_.tablePage()->selectedTables() << s.StatementText
        << w_.joinPage()->diagram()->arrangement();
    // The tables a save writes that hold the user's choices (the join bookkeeping follows them).
    for (RecordSet* rs : {&s.rsWhere(), &s.rsHaving(), &s.rsGroupBy(), &s.rsOrderBy(), &s.rsCalcFields(),
                          &s.rsAlias(), &s.rsJoins()}) {
        out << rs->FieldCount() << rs->RecordCount();
        for (int f = 0; f < rs->FieldCount(); ++f)
            out << rs->Field(f).name;
        for (qint64 r = 0; r < rs->RecordCount(); ++r)
            for (int f = 0; f < rs->FieldCount(); ++f)
                out << rs->ValueAt(r, f);
    }
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

void QueryFileCommands::markUnchanged() {
    try {
        unchanged_ = fingerprint();
    } catch (const VLNError&) {
        unchanged_.clear();  // the next close asks, as it always did
    }
}

bool QueryFileCommands::worthSaving() const {
    try {
        // An empty query (no table chosen) has nothing to save.
        if (w_.state().SelectedTables.isEmpty() && w_.tablePage()->selectedTables().isEmpty())
            return false;
        return fingerprint() != unchanged_;
    } catch (const VLNError&) {
        return true;
    }
}

bool QueryFileCommands::save() {
    if (!w_.settleCurrentPage() || !SaveFile())
        return false;
    const QString path = path_;
    BuilderSettings& s = BuilderSettings::shared();
    StoredConnection connection{s.ActiveConnection ? s.ActiveConnection->ConnectionString() : QString(),
                                s.ConnectTimeout, s.CommandTimeout, s.UserName, s.Password};
    try {
        BusyCursor busy;
        SavedQuery::write(path, w_.state(), currentLists(), connection);
    } catch (const VLNError& e) {
        path_.clear();
        w_.message(e.description(), Prompts::Icon::Critical);
        return false;
    }
    path_.clear();
    // The host hears of the query once it is on disk.
    clsBridge::SharedBridge().PassSavedQueryName(path);
    const QString sql = Statement::OneLine(w_.state().StatementText);
    w_.resultsPage()->setLastSQL(sql);
    clsBridge::SharedBridge().RaiseQuerySQL(sql);
    w_.SetStatusText(QStringLiteral("Query saved .. ") + path);
    w_.showQueryName(path);
    markUnchanged();
    return true;
}

void QueryFileCommands::open() {
    BuilderSettings::shared().OpenSavedQueryRequested = true;
    w_.close();
}

void QueryFileCommands::remove() {
    path_.clear();
    const std::optional<QString> chosen = w_.prompts().openFileName(queryDialog(QStringLiteral("Delete Query")));
    if (!chosen || chosen->isEmpty())
        return;
    path_ = *chosen;
    const Prompts::Answer answer = w_.message(MessageCatalogue::text(161) + u' ' + path_, Prompts::Icon::Question,
                                              Prompts::Buttons::YesNo);
    if (answer != Prompts::Answer::Yes) {
        path_.clear();
        return;
    }
    clsBridge::SharedBridge().PassDeleteQueryName(path_);
    DeleteQuery();
}

void QueryFileCommands::loadFailed(const QString& path) {
    w_.prompts().message({MessageCatalogue::text(199) + u' ' + path + QStringLiteral("  ") +
                              MessageCatalogue::text(200) + u'\n' + MessageCatalogue::text(201),
                          MessageCatalogue::text(202) + u' ' + path, Prompts::Icon::Critical});
    BuilderSettings& s = BuilderSettings::shared();
    s.ComponentTerminating = true;
    s.QueryLoadError = QStringLiteral("Query ") + path + QStringLiteral(" can not be found at the specified location.") +
                       QStringLiteral("The file may be missing or corrupt.");
    path_.clear();
}

void QueryFileCommands::load() {
    BuilderSettings& s = BuilderSettings::shared();
    if (!s.QueryName.isEmpty()) {
        path_ = s.QueryName;
        folder_ = SavedQuery::folderOf(path_);
    } else if (!OpenFile()) {
        return;
    }
    const QString path = path_;
    if (path.isEmpty())
        return;
    BusyCursor busy;
    QueryState& state = w_.state();
    try {
        SavedQuery::Loader loader(path);
        if (!loader.connection().connectionString.isEmpty() && reconnect_)
            ignoringErrors([&] { reconnect_(loader.connection()); });
        w_.queryPage()->placeCreateView(s.VLNAllowCreateView);
        loader.readTables(state);
        const SavedLists lists = loader.readLists();
        restore(lists);
        w_.showQueryName(path);
    } catch (const VLNError& e) {
        if (e.number() == ErrorNumber::NotUsable) {
            loadFailed(path);
            return;
        }
    }
    path_.clear();
}

void QueryFileCommands::restore(const SavedLists& lists) {
    QueryState& state = w_.state();
    SavedQuery::applyLists(state, lists);
    {
        KnownTables known;
        for (const QString& table : lists.tables)
            ignoringErrors([&] { clsTable::shared().Add(table); });
        for (const QString& table : lists.unselectedTables)
            ignoringErrors([&] { clsTable::shared().Add(table); });
    }
    w_.removedTables = lists.removedTables;
    // A table stands in one list only (a file saved while the lists were being changed may
    // name a query table among the offered ones too).
    QStringList offered = lists.unselectedTables;
    offered.removeIf([&lists](const QString& t) { return lists.tables.contains(t); });
    w_.tablePage()->restore(lists.tables, offered);
    w_.fieldPage()->restore(lists.selectedFields, lists.unselectedFields);
    w_.queryPage()->setDistinct(lists.distinct);
    // The boxes stand where they were saved; tables without a place are laid out beside them.
    QHash<QString, QPointF> places;
    for (const auto& [table, place] : lists.boxPlaces)
        places.insert(table, place);
    w_.joinPage()->diagram()->setPlaces(places);
    w_.joinPage()->showOpenedJoins();

    // The pages and the statement follow the restored state.
    Statement statement(state, clsField::shared());
    statement.RebuildStatement();
    w_.tablePage()->pageAvailability(!lists.tables.isEmpty(), state.JoinText);
    // The query page offers the query's fields, with the operators of its option.
    w_.queryPage()->chooseOption(w_.queryPage()->option());
    w_.showStatement();
    w_.queryPage()->enableRun(!state.StatementText.trimmed().isEmpty());
}

}  // namespace lorvane
