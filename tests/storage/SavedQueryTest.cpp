// The saved query file set on disk: which files a save writes, reading back by file name
// only, a save that fails half-way, and damaged, missing or foreign files.
#include "query/QueryFixture.h"

#include "platform/VLNError.h"
#include "query/CalcFields.h"
#include "storage/SavedQuery.h"
#include "support/ErrorOf.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace lorvane;
using namespace lorvane::test;

namespace {

QStringList filesIn(const QString& dir) {
    return QDir(dir).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QHash<QString, QByteArray> snapshot(const QString& dir) {
    QHash<QString, QByteArray> out;
    for (const QString& f : filesIn(dir))
        out.insert(f, bytesOf(QDir(dir).filePath(f)));
    return out;
}

// A query with rows in every table a save can write.
void fullQuery(QueryHarness& h) {
    h.chooseTables({"Orders", "Customers"});
    RecordSet& joins = h.state.rsJoins();
    const QVariant join[] = {"Orders", "INNER JOIN", "Customers ON", "Orders.CustomerID", "=", "Customers.CustomerID"};
    joins.AppendRow(join);
    for (RecordSet* t : {&h.state.rsJoinTable(), &h.state.rsJoinTablesUsed()})
        for (const char* table : {"Orders", "Customers"}) {
            const QVariant row[] = {QString::fromLatin1(table), false};
            t->AppendRow(row);
        }
    ASSERT_TRUE(h.group("Customers.Country", "GROUP BY"));
    ASSERT_TRUE(h.group("Orders.Freight", "SUM"));
    h.order("Customers.Country", "ASC");
    ASSERT_EQ(CalcFields(h.state).store("SUM(Orders.Freight) / 2", "Half", true, false), CalcFields::Outcome::Stored);
    h.rebuild();
    ASSERT_TRUE(h.where("SUMOFFreight", ">", "100"));
}

SavedLists someLists() {
    SavedLists lists;
    lists.distinct = true;
    lists.tables = {"Orders", "Customers"};
    lists.unselectedTables = {"Products", "[Order Details]"};
    lists.removedTables = {"Products"};
    lists.fields = {"Orders.OrderID", "Orders.Freight", "Customers.Country"};
    lists.selectedFields = {"Orders.OrderID"};
    lists.unselectedFields = {"Orders.Freight", "Customers.Country"};
    return lists;
}

const StoredConnection kConnection{"Provider=SQLite;Data Source=/data/sales.db", 15, 30, "clerk", "s3;cr}t="};

}  // namespace

TEST(SavedQuery, AQueryWithoutRowsWritesTheThreeAlwaysWrittenFilesOwnerOnly) {
    QTemporaryDir dir;
    QueryHarness h;
    h.chooseTables({"Orders"});
    h.rebuild();
    const QString path = dir.filePath("plain.vln");
    SavedQuery::write(path, h.state, someLists(), kConnection);
    EXPECT_EQ(filesIn(dir.path()), (QStringList{"plain.vln", "plainrsQueryValues.dat", "plainrsWhere.dat"}));
    for (const QString& f : filesIn(dir.path()))
        EXPECT_EQ(QFileInfo(dir.filePath(f)).permissions() & 0x0077, QFileDevice::Permissions()) << f.toStdString();
    RecordSet index;
    index.OpenFile(path);
    // The fourteen fields every build reads, in their order, then the diagram's places file.
    ASSERT_EQ(index.FieldCount(), 15);
    ASSERT_EQ(index.RecordCount(), 1);
    const QStringList names{"rsWhere",   "rsGroupBy", "rsOrderBy", "rsCalcFields",     "rsJoins",
                            "rsVLNQueryValues", "ConnectionString", "ConnectionTimeout", "CommandTimeout",
                            "PassWord",  "UserId",    "rsAlias",   "rsJoinTablesUsed", "rsJoinTable", "rsDiagram"};
    for (int f = 0; f < 15; ++f)
        EXPECT_EQ(index.Field(f).name, names[f]);
    EXPECT_EQ(index.Value("rsWhere").toString(), QFileInfo(dir.filePath("plainrsWhere.dat")).absoluteFilePath());
    EXPECT_EQ(index.Value("rsGroupBy").toString(), "");
    EXPECT_EQ(index.Value("rsAlias").toString(), "");
    EXPECT_EQ(index.Value("PassWord").toString(), "s3;cr}t=");
    EXPECT_EQ(index.Value("ConnectionTimeout").toString(), "15");

    // The query values: one value per row, Distinct first, each kind in its order.
    RecordSet values;
    values.OpenFile(dir.filePath("plainrsQueryValues.dat"));
    ASSERT_EQ(values.FieldCount(), 9);
    EXPECT_EQ(values.RecordCount(), 1 + 2 + 2 + 1 + 3 + 1 + 2);
    EXPECT_EQ(values.ValueAt(0, 6).toInt(), 1);
    EXPECT_TRUE(values.IsNullAt(0, 0));
    EXPECT_EQ(values.ValueAt(1, 0).toString(), "Orders");
    EXPECT_TRUE(values.IsNullAt(1, 6));

    // Reading it back: the connection and the lists as written.
    SavedQuery::Loader loader(path);
    EXPECT_EQ(loader.connection().connectionString, kConnection.connectionString);
    EXPECT_EQ(loader.connection().commandTimeout, 30);
    EXPECT_EQ(loader.connection().userId, "clerk");
    EXPECT_EQ(loader.connection().password, "s3;cr}t=");
    QueryHarness other;
    other.state.rsGroupBy().AddNew();  // a table the file does not name stays as it was
    loader.readTables(other.state);
    EXPECT_EQ(other.state.rsGroupBy().RecordCount(), 1);
    const SavedLists lists = loader.readLists();
    EXPECT_TRUE(lists.distinct);
    EXPECT_EQ(lists.tables, someLists().tables);
    EXPECT_EQ(lists.unselectedTables, someLists().unselectedTables);
    EXPECT_EQ(lists.removedTables, someLists().removedTables);
    EXPECT_EQ(lists.fields, someLists().fields);
    EXPECT_EQ(lists.selectedFields, someLists().selectedFields);
    EXPECT_EQ(lists.unselectedFields, someLists().unselectedFields);
}

TEST(SavedQuery, EveryTableRoundTripsAndSavingOverLeavesNoStaleFile) {
    QTemporaryDir dir;
    QueryHarness h;
    fullQuery(h);
    const QString sql = h.rebuild();
    const QString path = dir.filePath("sales.vln");
    SavedQuery::write(path, h.state, someLists(), kConnection);
    EXPECT_EQ(filesIn(dir.path()).size(), 10);

    QueryHarness back;
    back.chooseTables({"Orders", "Customers"});
    back.output(h.state.OutputFieldList);
    SavedQuery::Loader loader(path);
    loader.readTables(back.state);
    for (const char* table : {"rsWhere", "rsGroupBy", "rsOrderBy", "rsCalcFields", "rsAlias", "rsJoins", "rsJoinTable",
                              "rsJoinTablesUsed"}) {
        SCOPED_TRACE(table);
        RecordSet& a = **h.state.handleNamed(QString::fromLatin1(table));
        RecordSet& b = **back.state.handleNamed(QString::fromLatin1(table));
        ASSERT_EQ(a.FieldCount(), b.FieldCount());
        ASSERT_EQ(a.RecordCount(), b.RecordCount());
        for (qint64 r = 0; r < a.RecordCount(); ++r)
            for (int f = 0; f < a.FieldCount(); ++f)
                EXPECT_EQ(a.ValueAt(r, f), b.ValueAt(r, f));
    }
    EXPECT_EQ(back.rebuild(), sql);

    // Saved again without ordering and calculated fields: their old files go.
    for (RecordSet* t : {&h.state.rsOrderBy(), &h.state.rsCalcFields()})
        while (t->RecordCount() > 0) {
            t->MoveFirst();
            t->Delete();
        }
    SavedQuery::write(path, h.state, someLists(), kConnection);
    EXPECT_FALSE(QFile::exists(dir.filePath("salesrsOrderBy.dat")));
    EXPECT_FALSE(QFile::exists(dir.filePath("salesrsCalcFields.dat")));
    EXPECT_EQ(filesIn(dir.path()).size(), 8);

    SavedQuery::remove(path);
    EXPECT_TRUE(filesIn(dir.path()).isEmpty());
    SavedQuery::remove(path);  // nothing left: nothing to complain about
}

TEST(SavedQuery, AMovedQueryLoadsFromItsNewFolderWhateverTheIndexNames) {
    QTemporaryDir from, to;
    QueryHarness h;
    fullQuery(h);
    const QString sql = h.rebuild();
    SavedQuery::write(from.filePath("q.vln"), h.state, someLists(), kConnection);
    for (const QString& f : filesIn(from.path()))
        ASSERT_TRUE(QFile::rename(from.filePath(f), to.filePath(f)));

    // The index as another machine wrote it: backslashes, and a folder that leads elsewhere.
    RecordSet index;
    index.OpenFile(to.filePath("q.vln"));
    index.MoveFirst();
    index.SetValue(QStringLiteral("rsGroupBy"), QStringLiteral("C:\\Users\\ann\\Queries\\qrsGroupBy.dat"));
    index.SetValue(QStringLiteral("rsOrderBy"), QStringLiteral("/etc/../../../elsewhere/qrsOrderBy.dat"));
    index.Update();
    index.Save(to.filePath("q.vln"));

    QueryHarness back;
    back.chooseTables({"Orders", "Customers"});
    back.output(h.state.OutputFieldList);
    SavedQuery::Loader loader(to.filePath("q.vln"));
    loader.readTables(back.state);
    EXPECT_EQ(back.rebuild(), sql);
    // Folder separators of either kind.
    EXPECT_EQ(SavedQuery::folderOf("C:\\q\\sales.vln"), "C:\\q\\");
    EXPECT_EQ(SavedQuery::folderOf("/home/ann/q/sales.vln"), "/home/ann/q/");
    EXPECT_EQ(SavedQuery::fileNameOf("C:\\q/x\\salesrsWhere.dat"), "salesrsWhere.dat");
    EXPECT_EQ(SavedQuery::prefixOf("/q/sales.vln"), "/q/sales");
}

TEST(SavedQuery, AMissingDataFileStopsTheLoadAfterTheTablesBeforeIt) {
    QTemporaryDir dir;
    QueryHarness h;
    fullQuery(h);
    const QString path = dir.filePath("q.vln");
    SavedQuery::write(path, h.state, someLists(), kConnection);
    ASSERT_TRUE(QFile::remove(dir.filePath("qrsOrderBy.dat")));
    QueryHarness back;
    SavedQuery::Loader loader(path);
    EXPECT_EQ(loader.connection().connectionString, kConnection.connectionString);
    const auto error = errorOf([&] { loader.readTables(back.state); });
    EXPECT_EQ(error.number(), ErrorNumber::NotUsable);
    // Read in order: aliases, criteria, grouping; the calculated fields were not reached.
    EXPECT_EQ(back.state.rsAlias().RecordCount(), h.state.rsAlias().RecordCount());
    EXPECT_EQ(back.state.rsGroupBy().RecordCount(), 2);
    EXPECT_EQ(back.state.rsCalcFields().RecordCount(), 0);
}

TEST(SavedQuery, FilesThatAreNotASavedQueryAreRefusedWithoutCrashOrHang) {
    QTemporaryDir dir;
    auto refused = [](const QString& path) { return errorOf([&] { SavedQuery::Loader loader(path); }).number(); };
    EXPECT_EQ(refused(dir.filePath("missing.vln")), ErrorNumber::NotUsable);
    EXPECT_EQ(refused(dir.path()), ErrorNumber::NotUsable);  // a folder
    QFile empty(dir.filePath("empty.vln"));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    EXPECT_EQ(refused(empty.fileName()), ErrorNumber::NotUsable);
    QFile text(dir.filePath("notes.vln"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("rsWhere=C:\\q\\x.dat\r\n");
    text.close();
    EXPECT_EQ(refused(text.fileName()), ErrorNumber::NotUsable);
    // A huge file is refused before it is read.
    QFile huge(dir.filePath("huge.vln"));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    ASSERT_TRUE(huge.resize(SavedQuery::kMaxFileSize + 1));
    huge.close();
    EXPECT_EQ(refused(huge.fileName()), ErrorNumber::NotUsable);

    // A record set that is not an index, and an index whose data file has the wrong shape.
    QueryHarness h;
    h.chooseTables({"Orders"});
    h.rebuild();
    ASSERT_TRUE(h.group("Orders.ShipCity", "GROUP BY"));
    const QString path = dir.filePath("q.vln");
    SavedQuery::write(path, h.state, someLists(), kConnection);
    EXPECT_EQ(refused(dir.filePath("qrsWhere.dat")), ErrorNumber::NotUsable);
    RecordSet narrow;
    narrow.AppendField(QStringLiteral("FieldName"), 200, 10);
    narrow.Open();
    narrow.Save(dir.filePath("qrsGroupBy.dat"));
    SavedQuery::Loader loader(path);
    QueryHarness back;
    EXPECT_EQ(errorOf([&] { loader.readTables(back.state); }).number(), ErrorNumber::NotUsable);
    EXPECT_EQ(back.state.rsGroupBy().FieldCount(), 4);  // still the table the generators can read
}

TEST(SavedQuery, ASaveThatFailsBetweenTwoFilesLeavesTheOldQueryAsItWas) {
    QTemporaryDir dir;
    QueryHarness h;
    h.chooseTables({"Orders"});
    ASSERT_TRUE(h.group("Orders.ShipCity", "GROUP BY"));
    h.rebuild();
    const QString path = dir.filePath("q.vln");
    SavedQuery::write(path, h.state, someLists(), kConnection);
    const auto before = snapshot(dir.path());
    // The ordering file cannot be written: something else stands in its place.
    ASSERT_TRUE(QDir(dir.path()).mkdir("qrsOrderBy.dat"));
    h.order("Orders.ShipCity", "DESC");
    ASSERT_TRUE(h.where("Orders.ShipCity", "=", "Lyon"));
    const auto error = errorOf([&] { SavedQuery::write(path, h.state, someLists(), kConnection); });
    EXPECT_NE(error.number(), 0);
    EXPECT_TRUE(error.description().contains("unchanged")) << error.description().toStdString();
    EXPECT_EQ(snapshot(dir.path()), before);  // no file changed, no temporary file left

    QueryHarness back;
    back.chooseTables({"Orders"});
    SavedQuery::Loader loader(path);
    loader.readTables(back.state);
    EXPECT_EQ(back.state.rsOrderBy().RecordCount(), 0);
    EXPECT_EQ(back.state.rsGroupBy().RecordCount(), 1);
    EXPECT_EQ(back.rebuild(), "SELECT Orders.ShipCity\r\nFROM Orders\r\nGROUP BY Orders.ShipCity\r\n");
}

// The join diagram's box places travel in a file of their own: they come back as saved, a
// query saved before them (an index without the field) still opens, a newer index still holds
// every field an older build requires, and a save whose places file cannot be written changes
// nothing.
TEST(SavedQuery, BoxPlacesRoundTripInAFileOfTheirOwnAndOlderIndexesStillOpen) {
    QTemporaryDir dir;
    QueryHarness h;
    fullQuery(h);
    const QString path = dir.filePath("sales.vln");
    SavedLists lists = someLists();
    lists.boxPlaces = {{"Customers", QPointF(12.5, -40)}, {"Orders", QPointF(310, 8.25)}};
    SavedQuery::write(path, h.state, lists, kConnection);
    EXPECT_TRUE(QFile::exists(dir.filePath("salesrsDiagram.dat")));
    {
        SavedQuery::Loader loader(path);
        EXPECT_EQ(loader.readLists().boxPlaces, lists.boxPlaces);
    }

    // An index as written before the places: every field but the newer one.
    RecordSet index;
    index.OpenBytes(bytesOf(path), path);
    ASSERT_GE(index.FieldIndex("rsDiagram"), 0);
    RecordSet older;
    for (int f = 0; f < index.FieldCount(); ++f)
        if (index.Field(f).name != "rsDiagram")
            older.AppendField(index.Field(f).name, index.Field(f).type, index.Field(f).definedSize, index.Field(f).attributes);
    older.Open();
    older.AddNew();
    for (int f = 0; f < index.FieldCount(); ++f)
        if (index.Field(f).name != "rsDiagram")
            older.SetValue(index.Field(f).name, index.ValueAt(0, f));
    older.Update();
    older.SetSaveIdentity(index.SaveIdentity());
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(older.SaveToBytes());
    }
    {
        SavedQuery::Loader loader(path);
        QueryHarness back;
        back.chooseTables({"Orders", "Customers"});
        loader.readTables(back.state);
        EXPECT_EQ(back.state.rsJoins().RecordCount(), 1);
        EXPECT_TRUE(loader.readLists().boxPlaces.isEmpty());
    }

    // Saved again with the places file blocked: the query on disk is the one before.
    SavedQuery::write(path, h.state, lists, kConnection);
    ASSERT_TRUE(QFile::remove(dir.filePath("salesrsDiagram.dat")));
    ASSERT_TRUE(QDir(dir.path()).mkdir("salesrsDiagram.dat"));
    const auto before = snapshot(dir.path());
    lists.boxPlaces = {{"Customers", QPointF(1, 1)}};
    EXPECT_NE(errorOf([&] { SavedQuery::write(path, h.state, lists, kConnection); }).number(), 0);
    EXPECT_EQ(snapshot(dir.path()), before);

    ASSERT_TRUE(QDir(dir.path()).rmdir("salesrsDiagram.dat"));
    SavedQuery::remove(path);
    EXPECT_TRUE(filesIn(dir.path()).isEmpty());
}
