// Writes the seed corpora of the saved-query and record-set fuzzers: real saved queries, made
// by the project's own save, packed as file sets (saved_query) and as their single files
// (recordset_container). Run by scripts/run-fuzzers before fuzzing; nothing binary is kept in
// the repository.
#include "FileSetArchive.h"
#include "GuiForFuzzing.h"
#include "platform/PropertyBag.h"
#include "shared/QueryState.h"
#include "storage/SaveJournal.h"
#include "storage/SavedQuery.h"

#include <QFont>
#include <QCryptographicHash>
#include <QDir>
#include <QTemporaryDir>
#include <QVariant>
#include <cstdio>

using namespace lorvane;

namespace {

void addRow(RecordSet& rs, std::initializer_list<QVariant> values) {
    rs.AppendRow(std::vector<QVariant>(values));
}

void writeSeed(const QString& folder, const QByteArray& bytes) {
    QDir().mkpath(folder);
    QFile f(QDir(folder).filePath(QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex())));
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

}  // namespace

int main(int argc, char* argv[]) {
    fuzz::makeGuiApplication();
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_fuzz_seeds OUTPUT-FOLDER\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QTemporaryDir dir;
    for (int variant = 0; variant < 3; ++variant) {
        QueryState s;
        s.createTables();
        s.FieldList() = {"Orders.OrderID", "Orders.Freight", "Customers.Country", "[Order Details].[Unit Price]"};
        s.TableList() = {"Orders", "Customers"};
        s.OutputFieldList = {"Orders.OrderID", "Customers.Country"};
        RecordSet& where = s.rsWhere();
        where.Close();
        for (const QString& f : s.FieldList())
            where.AppendField(f, 200, 550, 68);
        where.Open();
        addRow(where, {QStringLiteral("= 1"), QStringLiteral("> 10.5"), QStringLiteral("= 'Fran''ce'"), QVariant()});
        if (variant > 0) {
            addRow(s.rsJoins(), {"Orders", "INNER JOIN", "Customers ON", "Orders.CustomerID", "=", "Customers.CustomerID"});
            addRow(s.rsJoinTable(), {"Orders", false});
            addRow(s.rsJoinTablesUsed(), {"Customers", false});
            addRow(s.rsGroupBy(), {"Customers.Country", "Customers.Country", "", "YES"});
            addRow(s.rsGroupBy(), {"Orders.Freight", "SUM(Orders.Freight)", "SUMOFFreight", "NO"});
            addRow(s.rsAlias(), {"SUM(Orders.Freight)", "SUMOFFreight", "rsGroupBy"});
            addRow(s.rsOrderBy(), {"SUMOFFreight", "SUMOFFreight DESC", ""});
        }
        if (variant > 1) {
            addRow(s.rsCalcFields(), {"SUM(Orders.Freight) / 2", "Half Freight", "YES"});
            addRow(s.rsAlias(), {"SUM(Orders.Freight) / 2", "Half Freight", "rsCalcFields"});
        }
        SavedLists lists;
        lists.distinct = variant == 2;
        lists.tables = s.TableList();
        lists.unselectedTables = {"Products", "[Order Details]"};
        lists.removedTables = {"Products"};
        lists.fields = s.FieldList();
        lists.selectedFields = s.OutputFieldList;
        lists.unselectedFields = {"Orders.Freight"};
        const QString prefix = dir.filePath(QStringLiteral("q%1").arg(variant));
        SavedQuery::write(prefix + QStringLiteral(".vln"), s, lists,
                          {"Provider=SQLite;Data Source=sales.db", 15, 30, "clerk", "secret"});
        QList<QByteArray> files;
        for (const QString& suffix : fuzz::fileSetSuffixes().mid(0, 10)) {
            QFile f(prefix + suffix);
            const QByteArray bytes = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
            files << bytes;
            if (!bytes.isEmpty())
                writeSeed(QDir(out).filePath(QStringLiteral("recordset_container/corpus")), bytes);
        }
        writeSeed(QDir(out).filePath(QStringLiteral("saved_query/corpus")), fuzz::pack(files));
        if (variant == 1) {
            // The same query as an interrupted save leaves it: a journal, the old index moved
            // aside, a new data file not yet in place.
            QStringList targets;
            for (qsizetype i = 0; i < 10; ++i)
                targets << prefix + fuzz::fileSetSuffixes()[i];
            std::vector<SaveJournal::Entry> entries;
            for (const QString& t : targets)
                entries.push_back({t, true, t.endsWith(QLatin1String("rsGroupBy.dat"))});
            SaveJournal(prefix + QStringLiteral(".vln"), targets).begin(entries, "seed");
            QFile::copy(prefix + QStringLiteral(".vln"), prefix + QStringLiteral(".vln.replaced"));
            QFile::copy(prefix + QStringLiteral("rsWhere.dat"), prefix + QStringLiteral("rsWhere.dat.replaced"));
            QFile::copy(prefix + QStringLiteral("rsGroupBy.dat"), prefix + QStringLiteral("rsGroupBy.dat.saving"));
            QList<QByteArray> interrupted;
            for (const QString& suffix : fuzz::fileSetSuffixes()) {
                QFile f(prefix + suffix);
                interrupted << (f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray());
            }
            writeSeed(QDir(out).filePath(QStringLiteral("saved_query/corpus")), fuzz::pack(interrupted));
            writeSeed(QDir(out).filePath(QStringLiteral("recordset_container/corpus")), interrupted[10]);
        }
    }
    // Property bags with a value of every kind the reader knows.
    for (int variant = 0; variant < 2; ++variant) {
        const QString path = dir.filePath(QStringLiteral("b%1.bag").arg(variant));
        FilePropertyBag bag(path);
        bag.WriteProperty(QStringLiteral("VLNRunTimeControlCaption"), QStringLiteral("Sales queries"), QString());
        bag.WriteProperty(QStringLiteral("VLNAllowJoinCreation"), variant == 0, QVariant::fromValue(qint16(1)));
        bag.WriteProperty(QStringLiteral("VLNJoinTypesSupported"), 2, 0);
        bag.WriteProperty(QStringLiteral("VLNLabelBackColor"), qint64(0x8000000F), qint64(0));
        bag.WriteProperty(QStringLiteral("Ratio"), 0.75, 0.0);
        bag.WriteProperty(QStringLiteral("Short"), QVariant::fromValue(qint16(7)), QVariant::fromValue(qint16(0)));
        if (variant == 1)
            bag.WriteProperty(QStringLiteral("VLNLabelFont"), QFont(QStringLiteral("Sans"), 9), QFont());
        bag.Save();
        QFile f(path);
        if (f.open(QIODevice::ReadOnly))
            writeSeed(QDir(out).filePath(QStringLiteral("property_bag/corpus")), f.readAll());
    }
    return 0;
}
