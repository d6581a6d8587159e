// Saves that keep their promise: a failure injected at every file operation of a save, a
// process killed at every one, a real full disk, files of two saves mixed, names without
// ".vln", and data files that are not regular files. After each, the query opens exactly as
// it was before the save or exactly as saved, and nothing is left beside it.
#include "query/QueryFixture.h"

#include "platform/DurableFile.h"
#include "platform/PropertyBag.h"
#include "platform/VLNError.h"
#include "query/CalcFields.h"
#include "storage/SavedQuery.h"
#include "support/ErrorOf.h"
#include "support/TracedChild.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace lorvane;
using namespace lorvane::test;

namespace {

const char* const kTables[] = {"rsWhere", "rsGroupBy", "rsOrderBy", "rsCalcFields",
                               "rsAlias", "rsJoins", "rsJoinTable", "rsJoinTablesUsed"};

QStringList filesIn(const QString& dir) {
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

void emptyFolder(const QString& dir) {
    for (const QString& f : filesIn(dir))
        QFile::remove(QDir(dir).filePath(f));
}

// Everything a load of the query at path gives: every table, the lists, the connection.
// Identities differ from save to save and are left out.
QByteArray contentOf(const QString& path) {
    SavedQuery::Loader loader(path);
    BuilderSettings settings;
    QueryState state(&settings);
    state.createTables();
    loader.readTables(state);
    const SavedLists lists = loader.readLists();
    QByteArray out;
    for (const char* table : kTables) {
        RecordSet& rs = **state.handleNamed(QString::fromLatin1(table));
        rs.SetSaveIdentity({});
        out += table + rs.SaveToBytes();
    }
    for (const QStringList* l : {&lists.tables, &lists.unselectedTables, &lists.removedTables, &lists.fields,
                                 &lists.selectedFields, &lists.unselectedFields})
        out += "|" + l->join(u'\n').toUtf8();
    const StoredConnection& c = loader.connection();
    out += QStringLiteral("|%1|%2|%3|%4|%5|%6")
               .arg(lists.distinct)
               .arg(c.connectionString)
               .arg(c.connectTimeout)
               .arg(c.commandTimeout)
               .arg(c.userId, c.password)
               .toUtf8();
    return out;
}

// Two different queries: a small one (three files) and one with a file for every table.
struct TwoQueries {
    QueryHarness small, full;
    SavedLists smallLists, fullLists;
    StoredConnection smallConnection{"Provider=SQLite;Data Source=/data/old.db", 15, 30, "clerk", "old"};
    StoredConnection fullConnection{"Provider=SQLite;Data Source=/data/new.db", 20, 60, "boss", "new"};

    TwoQueries() {
        small.chooseTables({"Orders"});
        small.rebuild();
        EXPECT_TRUE(small.where("Orders.ShipCity", "=", "Lyon"));
        smallLists.tables = {"Orders"};
        smallLists.selectedFields = {"Orders.ShipCity"};

        full.chooseTables({"Orders", "Customers"});
        const QVariant join[] = {"Orders", "INNER JOIN", "Customers ON", "Orders.CustomerID", "=",
                                 "Customers.CustomerID"};
        full.state.rsJoins().AppendRow(join);
        for (RecordSet* t : {&full.state.rsJoinTable(), &full.state.rsJoinTablesUsed()})
            for (const char* table : {"Orders", "Customers"}) {
                const QVariant row[] = {QString::fromLatin1(table), false};
                t->AppendRow(row);
            }
        EXPECT_TRUE(full.group("Customers.Country", "GROUP BY"));
        EXPECT_TRUE(full.group("Orders.Freight", "SUM"));
        full.order("Customers.Country", "ASC");
        EXPECT_EQ(CalcFields(full.state).store("SUM(Orders.Freight) / 2", "Half", true, false),
                  CalcFields::Outcome::Stored);
        full.rebuild();
        EXPECT_TRUE(full.where("SUMOFFreight", ">", "100"));
        fullLists.distinct = true;
        fullLists.tables = {"Orders", "Customers"};
        fullLists.unselectedTables = {"Products"};
        fullLists.fields = {"Orders.Freight", "Customers.Country"};
        fullLists.selectedFields = {"Customers.Country"};
    }
    void saveSmall(const QString& path) { SavedQuery::write(path, small.state, smallLists, smallConnection); }
    void saveFull(const QString& path) { SavedQuery::write(path, full.state, fullLists, fullConnection); }
};

// One direction of a save over an existing query: what stands there before, what is saved.
struct Direction {
    const char* name;
    bool fromSmall;
};
const Direction kDirections[] = {{"small over full", false}, {"full over small", true}};

// Folders in memory where the system has them: the tests sync thousands of times.
QString scratch() {
    return QFileInfo(QStringLiteral("/dev/shm")).isWritable() ? QStringLiteral("/dev/shm/lorvane-save-XXXXXX")
                                                               : QDir::tempPath() + QStringLiteral("/lorvane-save-XXXXXX");
}

class InjectedFaults : public ::testing::Test {
protected:
    QTemporaryDir dir{scratch()}, reference{scratch()};
    TwoQueries q;
    QByteArray smallContent, fullContent;
    QStringList smallFiles, fullFiles;

    void SetUp() override {
        q.saveSmall(reference.filePath("small.vln"));
        q.saveFull(reference.filePath("full.vln"));
        smallContent = contentOf(reference.filePath("small.vln"));
        fullContent = contentOf(reference.filePath("full.vln"));
        ASSERT_NE(smallContent, fullContent);
        q.saveSmall(dir.filePath("q.vln"));
        smallFiles = filesIn(dir.path());
        emptyFolder(dir.path());
        q.saveFull(dir.filePath("q.vln"));
        fullFiles = filesIn(dir.path());
        emptyFolder(dir.path());
        ASSERT_EQ(smallFiles.size(), 3);
        ASSERT_EQ(fullFiles.size(), 10);
    }
    void TearDown() override { DurableFile::setFaultInjector({}); }

    QString target() const { return dir.filePath("q.vln"); }
    void reset(const Direction& d) {
        DurableFile::setFaultInjector({});
        emptyFolder(dir.path());
        d.fromSmall ? q.saveSmall(target()) : q.saveFull(target());
    }
    void saveNew(const Direction& d) { d.fromSmall ? q.saveFull(target()) : q.saveSmall(target()); }
    const QByteArray& oldContent(const Direction& d) const { return d.fromSmall ? smallContent : fullContent; }
    const QByteArray& newContent(const Direction& d) const { return d.fromSmall ? fullContent : smallContent; }
    const QStringList& oldFiles(const Direction& d) const { return d.fromSmall ? smallFiles : fullFiles; }
    const QStringList& newFiles(const Direction& d) const { return d.fromSmall ? fullFiles : smallFiles; }
    // Which of the two queries the content is, in words a failure message can show.
    std::string which(const QByteArray& content) const {
        return content == smallContent ? "the small query" : content == fullContent ? "the full query" : "a mix";
    }
    std::string oldOne(const Direction& d) const { return which(oldContent(d)); }
    std::string newOne(const Direction& d) const { return which(newContent(d)); }
};

}  // namespace

// Every file operation of a save fails in turn (once, or from there on as a dying disk does):
// a save that reports failure leaves the old query, one that reports success the new one,
// and the system's reason is in the message.
TEST_F(InjectedFaults, AFailureAtAnyStepOfASaveLeavesExactlyTheOldOrTheNewQuery) {
    int points = 0;
    for (const Direction& d : kDirections)
        for (const int error : {EIO, ENOSPC})
            for (const bool fromThenOn : {false, true}) {
                for (int n = 1;; ++n) {
                    SCOPED_TRACE(QStringLiteral("%1, %2 at operation %3%4")
                                     .arg(QLatin1String(d.name), QString::fromLocal8Bit(std::strerror(error)))
                                     .arg(n)
                                     .arg(fromThenOn ? " and after" : "")
                                     .toStdString());
                    reset(d);
                    int count = 0;
                    DurableFile::setFaultInjector([&](std::string_view, const QString&) {
                        ++count;
                        return count == n || (fromThenOn && count > n) ? error : 0;
                    });
                    QString failure;
                    try {
                        saveNew(d);
                    } catch (const VLNError& e) {
                        failure = e.description();
                    }
                    DurableFile::setFaultInjector({});
                    if (failure.isEmpty() && count < n)
                        break;  // the save is done before operation n: every step was tried
                    ++points;
                    if (!failure.isEmpty()) {
                        EXPECT_TRUE(failure.contains(QString::fromLocal8Bit(std::strerror(error))))
                            << failure.toStdString();
                        EXPECT_EQ(which(contentOf(target())), oldOne(d));
                        EXPECT_EQ(filesIn(dir.path()), oldFiles(d));
                    } else {
                        // Only the removal of what the save replaced failed; it goes on the next open.
                        EXPECT_EQ(which(contentOf(target())), newOne(d));
                        EXPECT_EQ(filesIn(dir.path()), newFiles(d));
                    }
                }
            }
    std::printf("save: failures injected at %d points\n", points);
    EXPECT_GT(points, 100);
}

// A process saving the query is killed before each file operation in turn. The next open
// brings back exactly the old or exactly the new query (never the new one before the save
// took effect and the old one after), and a save over the remains works as any other.
TEST_F(InjectedFaults, AKillAtAnyStepOfASaveLeavesExactlyTheOldOrTheNewQuery) {
    int points = 0;
    for (const Direction& d : kDirections) {
        const QString source = reference.filePath(d.fromSmall ? "full.vln" : "small.vln");
        bool sawOld = false, sawNew = false;
        for (int n = 1;; ++n) {
            SCOPED_TRACE(QStringLiteral("%1, killed at operation %2").arg(QLatin1String(d.name)).arg(n).toStdString());
            struct Outcome {
                bool killed;
                int exitCode;
                int operations;
            };
            auto runChild = [&] {
                QProcess child;
                child.start(QStringLiteral(LORVANE_SAVE_CHILD), {source, target(), QString::number(n)});
                EXPECT_TRUE(child.waitForFinished(30000));
                return Outcome{child.exitStatus() == QProcess::CrashExit, child.exitCode(),
                               child.readAllStandardOutput().trimmed().toInt()};
            };
            reset(d);
            const Outcome outcome = runChild();
            if (!outcome.killed) {
                ASSERT_EQ(outcome.exitCode, 0);
                ASSERT_LT(outcome.operations, n) << "the save finished without reaching the operation it was to die at";
                EXPECT_EQ(which(contentOf(target())), newOne(d));
                break;
            }
            ++points;
            const QByteArray opened = contentOf(target());
            const bool isOld = opened == oldContent(d), isNew = opened == newContent(d);
            EXPECT_TRUE(isOld || isNew);
            EXPECT_FALSE(isOld && sawNew) << "the old query came back after the save had taken effect";
            sawOld = sawOld || isOld;
            sawNew = sawNew || isNew;
            EXPECT_EQ(filesIn(dir.path()), isNew ? newFiles(d) : oldFiles(d));

            // Killed again, then saved over without an open in between.
            reset(d);
            ASSERT_TRUE(runChild().killed);
            d.fromSmall ? q.saveSmall(target()) : q.saveFull(target());
            EXPECT_EQ(which(contentOf(target())), oldOne(d));
            EXPECT_EQ(filesIn(dir.path()), oldFiles(d));
        }
        EXPECT_TRUE(sawOld);
        EXPECT_TRUE(sawNew);
    }
    std::printf("save: killed at %d points\n", points);
    EXPECT_GT(points, 50);
}

// Data files of two saved queries swapped pair by pair: each mixed query is refused as
// damaged (3709), never opened as a query no one saved. A query whose files carry no
// identity (written before identities existed) still opens.
TEST_F(InjectedFaults, FilesOfDifferentSavesAreRefusedAsDamaged) {
    QTemporaryDir a, b;
    const QStringList suffixes{"rsWhere.dat", "rsGroupBy.dat", "rsOrderBy.dat", "rsCalcFields.dat", "rsQueryValues.dat",
                               "rsJoins.dat", "rsJoinTable.dat", "rsJoinTablesUsed.dat", "rsAlias.dat"};
    // The same query saved twice: the same content, different saves.
    for (const bool sameContent : {true, false}) {
        q.saveFull(a.filePath("q.vln"));
        // A different query with every file: the full one with one more criterion.
        if (!sameContent)
            ASSERT_TRUE(q.full.where("Customers.Country", "=", "France"));
        q.saveFull(b.filePath("q.vln"));
        int refused = 0;
        for (const QString& suffix : suffixes) {
            SCOPED_TRACE(suffix.toStdString());
            const QString fa = a.filePath("q" + suffix), fb = b.filePath("q" + suffix);
            ASSERT_TRUE(QFile::rename(fa, fa + ".x") && QFile::rename(fb, fa) && QFile::rename(fa + ".x", fb));
            const long number = errorNumberOf([&] { contentOf(a.filePath("q.vln")); });
            EXPECT_EQ(number, ErrorNumber::NotUsable);
            refused += number == ErrorNumber::NotUsable;
            ASSERT_TRUE(QFile::rename(fa, fa + ".x") && QFile::rename(fb, fa) && QFile::rename(fa + ".x", fb));
        }
        EXPECT_EQ(refused, suffixes.size());
        // The index of one with the data files of the other.
        ASSERT_TRUE(QFile::remove(a.filePath("q.vln")) && QFile::copy(b.filePath("q.vln"), a.filePath("q.vln")));
        EXPECT_EQ(errorNumberOf([&] { contentOf(a.filePath("q.vln")); }), ErrorNumber::NotUsable);
        // A data file of the same save put in another table's place.
        QFile::remove(b.filePath("qrsOrderBy.dat"));
        ASSERT_TRUE(QFile::copy(b.filePath("qrsGroupBy.dat"), b.filePath("qrsOrderBy.dat")));
        EXPECT_EQ(errorNumberOf([&] { contentOf(b.filePath("q.vln")); }), ErrorNumber::NotUsable);
    }

    // Files written before identities existed: the same container without one.
    q.saveFull(a.filePath("old.vln"));
    const QByteArray content = contentOf(a.filePath("old.vln"));
    for (const QString& f : filesIn(a.path()).filter("old")) {
        RecordSet rs;
        rs.OpenFile(a.filePath(f));
        ASSERT_FALSE(rs.SaveIdentity().isEmpty());
        rs.SetSaveIdentity({});
        rs.Save(a.filePath(f));
        QFile file(a.filePath(f));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        ASSERT_EQ(file.read(22).mid(18), QByteArray("\x01\0\0\0", 4)) << "not written as version 1";
    }
    EXPECT_EQ(contentOf(a.filePath("old.vln")), content);
}

// A chosen name that does not end in ".vln" gets it; every file lands in the chosen folder.
TEST_F(InjectedFaults, ANameWithoutTheExtensionIsSavedWithItInsideTheChosenFolder) {
    QTemporaryDir parent;
    ASSERT_TRUE(QDir(parent.path()).mkdir("reports"));
    const QString folder = parent.filePath("reports");
    q.saveFull(folder + "/sales.2024");
    EXPECT_EQ(filesIn(parent.path()), QStringList());
    QStringList expected{"sales.2024.vln"};
    for (const char* s : {"rsAlias.dat", "rsCalcFields.dat", "rsGroupBy.dat", "rsJoinTable.dat", "rsJoinTablesUsed.dat",
                          "rsJoins.dat", "rsOrderBy.dat", "rsQueryValues.dat", "rsWhere.dat"})
        expected << QStringLiteral("sales.2024") + QLatin1String(s);
    expected.sort();
    EXPECT_EQ(filesIn(folder), expected);
    EXPECT_EQ(contentOf(folder + "/sales.2024.vln"), fullContent);
    // Any case of the extension is the extension.
    q.saveSmall(folder + "/Lyon.VLN");
    EXPECT_TRUE(QFile::exists(folder + "/Lyon.VLN"));
    EXPECT_TRUE(QFile::exists(folder + "/LyonrsWhere.dat"));
    // A folder where the index would go is refused before anything is written.
    ASSERT_TRUE(QDir(folder).mkdir("taken.vln"));
    const VLNError e = errorOf([&] { q.saveSmall(folder + "/taken"); });
    EXPECT_TRUE(e.description().contains("not a regular file")) << e.description().toStdString();
    EXPECT_FALSE(QFile::exists(folder + "/takenrsWhere.dat"));
}

// A FIFO or a device in place of a file is refused at once with 3709: nothing waits for a
// writer that never comes or reads without end.
TEST_F(InjectedFaults, OnlyRegularFilesAreOpened) {
    alarm(60);  // a hang fails the test instead of stalling the run
    q.saveFull(dir.filePath("q.vln"));
    ASSERT_TRUE(QFile::rename(dir.filePath("qrsGroupBy.dat"), dir.filePath("kept.dat")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("qrsGroupBy.dat")).constData(), 0600), 0);
    const VLNError e = errorOf([&] { contentOf(dir.filePath("q.vln")); });
    EXPECT_EQ(e.number(), ErrorNumber::NotUsable);
    EXPECT_TRUE(e.description().contains("not a regular file")) << e.description().toStdString();

    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("fifo.vln")).constData(), 0600), 0);
    EXPECT_EQ(errorNumberOf([&] { SavedQuery::Loader l(dir.filePath("fifo.vln")); }), ErrorNumber::NotUsable);
    EXPECT_EQ(errorNumberOf([&] { SavedQuery::Loader l(QStringLiteral("/dev/zero")); }), ErrorNumber::NotUsable);
    RecordSet rs;
    EXPECT_EQ(errorNumberOf([&] { rs.OpenFile(dir.filePath("fifo.vln")); }), ErrorNumber::NotUsable);
    EXPECT_EQ(errorNumberOf([&] { rs.OpenFile(QStringLiteral("/dev/zero")); }), ErrorNumber::NotUsable);
    FilePropertyBag bag(dir.filePath("fifo.vln"));
    EXPECT_EQ(errorNumberOf([&] { bag.Load(); }), ErrorNumber::NotUsable);
    alarm(0);
}

// The single-file writers: a failure at any step leaves the old file as it was and no
// temporary beside it, and says why.
TEST_F(InjectedFaults, RecordSetAndPropertyBagFilesAreReplacedWholeOrNotAtAll) {
    RecordSet rs;
    rs.AppendField("Name", 200, 50);
    rs.Open();
    const QVariant row[] = {QStringLiteral("old")};
    rs.AppendRow(row);
    const QString rsPath = dir.filePath("rows.dat");
    rs.Save(rsPath);
    FilePropertyBag bag(dir.filePath("settings.bag"));
    bag.WriteProperty("Caption", QStringLiteral("old"), QString());
    bag.Save();
    const QStringList before = filesIn(dir.path());
    QFile::setPermissions(rsPath, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup);

    auto set = [&](const char* value) {
        rs.SetValue(0, QString::fromLatin1(value));
        rs.Update();
        bag.WriteProperty("Caption", QString::fromLatin1(value), QString());
    };
    int points = 0;
    for (int n = 1;; ++n) {
        SCOPED_TRACE(n);
        set("old");
        rs.Save(rsPath);
        bag.Save();
        set("new");
        int count = 0;
        DurableFile::setFaultInjector([&](std::string_view, const QString&) { return ++count == n ? EIO : 0; });
        QString rsFailure, bagFailure;
        try {
            rs.Save(rsPath);
        } catch (const VLNError& e) {
            rsFailure = e.description();
        }
        const int rsCount = count;
        count = 0;
        try {
            bag.Save();
        } catch (const VLNError& e) {
            bagFailure = e.description();
        }
        DurableFile::setFaultInjector({});
        if (rsCount < n && count < n)
            break;
        ++points;
        RecordSet back;
        back.OpenFile(rsPath);
        FilePropertyBag bagBack(dir.filePath("settings.bag"));
        bagBack.Load();
        // Failed means untouched; not failed means replaced.
        if (!rsFailure.isEmpty())
            EXPECT_TRUE(rsFailure.contains("Input/output error")) << rsFailure.toStdString();
        EXPECT_EQ(back.ValueAt(0, 0).toString(), rsFailure.isEmpty() ? "new" : "old");
        if (!bagFailure.isEmpty())
            EXPECT_TRUE(bagFailure.contains("Input/output error")) << bagFailure.toStdString();
        EXPECT_EQ(bagBack.ReadProperty("Caption", QString()).toString(), bagFailure.isEmpty() ? "new" : "old");
        EXPECT_EQ(filesIn(dir.path()), before);
    }
    EXPECT_GE(points, 5);
    // A replaced file keeps the permissions it had.
    EXPECT_EQ(QFile::permissions(rsPath) & 0x7077, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                      QFileDevice::ReadGroup);
}

// A real full disk: a small tmpfs filled to leave 0, 1, 2 ... pages free. Every save either
// fails with the system's reason and leaves the old query, or succeeds; the record set and
// property bag writers on a full disk keep their old files.
TEST_F(InjectedFaults, AFullDiskNeverCostsTheQuerySavedBefore) {
    QTemporaryDir mountPoint;
    const QByteArray where = QFile::encodeName(mountPoint.path());
    if (::mount("tmpfs", where.constData(), "tmpfs", MS_NOSUID | MS_NODEV, "size=64k,mode=0700") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here (" << std::strerror(errno)
                     << "); the full-disk test needs root";
    struct Unmount {
        QByteArray where;
        ~Unmount() { ::umount2(where.constData(), MNT_DETACH); }
    } unmount{where};
    const QString folder = mountPoint.path();
    const QString path = folder + "/q.vln";
    const QString filler = folder + "/filler";
    const QString noSpace = QString::fromLocal8Bit(std::strerror(ENOSPC));
    auto fillLeaving = [&](qint64 pages) {
        const int fd = ::open(QFile::encodeName(filler).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ASSERT_GE(fd, 0);
        char block[4096] = {};
        qint64 size = 0;
        for (ssize_t n; (n = ::write(fd, block, sizeof block)) > 0;)
            size += n;
        ASSERT_EQ(errno, ENOSPC);
        ASSERT_EQ(::ftruncate(fd, std::max<qint64>(0, size - pages * 4096)), 0);
        ::close(fd);
    };
    int failed = 0, succeeded = 0;
    for (const Direction& d : kDirections)
        for (qint64 pages = 0; pages <= 12; ++pages) {
            SCOPED_TRACE(QStringLiteral("%1, %2 pages free").arg(QLatin1String(d.name)).arg(pages).toStdString());
            QFile::remove(filler);
            for (const QString& f : filesIn(folder))
                QFile::remove(folder + '/' + f);
            d.fromSmall ? q.saveSmall(path) : q.saveFull(path);
            fillLeaving(pages);
            QString failure;
            try {
                d.fromSmall ? q.saveFull(path) : q.saveSmall(path);
            } catch (const VLNError& e) {
                failure = e.description();
            }
            if (failure.isEmpty()) {
                ++succeeded;
                EXPECT_EQ(which(contentOf(path)), newOne(d));
            } else {
                ++failed;
                EXPECT_TRUE(failure.contains(noSpace)) << failure.toStdString();
                EXPECT_EQ(which(contentOf(path)), oldOne(d));
            }
            QStringList files = filesIn(folder);
            files.removeOne("filler");
            EXPECT_EQ(files, failure.isEmpty() ? newFiles(d) : oldFiles(d));
        }
    EXPECT_GT(failed, 0);
    EXPECT_GT(succeeded, 0);

    // The single-file writers on a full disk.
    QFile::remove(filler);
    RecordSet rs;
    rs.AppendField("Text", 201, 0);
    rs.Open();
    const QVariant row[] = {QStringLiteral("old")};
    rs.AppendRow(row);
    rs.Save(folder + "/rows.dat");
    FilePropertyBag bag(folder + "/settings.bag");
    bag.WriteProperty("Caption", QStringLiteral("old"), QString());
    bag.Save();
    fillLeaving(0);
    rs.SetValue(0, QString(20000, u'n'));
    rs.Update();
    EXPECT_TRUE(errorOf([&] { rs.Save(folder + "/rows.dat"); }).description().contains(noSpace));
    bag.WriteProperty("Caption", QString(20000, u'n'), QString());
    EXPECT_TRUE(errorOf([&] { bag.Save(); }).description().contains(noSpace));
    RecordSet back;
    back.OpenFile(folder + "/rows.dat");
    EXPECT_EQ(back.ValueAt(0, 0).toString(), "old");
    FilePropertyBag bagBack(folder + "/settings.bag");
    bagBack.Load();
    EXPECT_EQ(bagBack.ReadProperty("Caption", QString()).toString(), "old");
    for (const QString& f : filesIn(folder))  // no temporary left by the failed writes
        EXPECT_TRUE(f == "filler" || f == "rows.dat" || f == "settings.bag" || f.startsWith("q"))
            << f.toStdString();
    EXPECT_EQ(filesIn(folder).filter(".tmp"), QStringList());
}

// The same promise checked on the real system calls, independently of the test hook: strace
// makes the Nth write, fsync, rename or unlink of a saving process fail. A save that exits
// reporting failure leaves the old query, one that exits reporting success the new one.
TEST_F(InjectedFaults, RealSystemCallsFailingUnderStraceLeaveTheOldOrTheNewQuery) {
#if defined(__SANITIZE_ADDRESS__)
    // The sanitizer's runtime probes memory with writes of its own before main, so the Nth
    // write is not the save's; the normal build runs this test, the fault hook covers it here.
    GTEST_SKIP() << "the address sanitizer's own writes take the injected failures";
#endif
    QProcess probe;
    probe.start(QStringLiteral("strace"), {"-f", "-qq", "-o", "/dev/null", "true"});
    if (!probe.waitForFinished(30000) || probe.exitStatus() != QProcess::NormalExit || probe.exitCode() != 0)
        GTEST_SKIP() << "strace cannot trace here (not installed, or tracing is not allowed); the fault hook "
                        "covers the same steps";
    QTemporaryDir logs(scratch());
    int points = 0;
    for (const Direction& d : kDirections) {
        const QString source = reference.filePath(d.fromSmall ? "full.vln" : "small.vln");
        for (const char* call : {"write", "fsync", "rename", "unlink"}) {
            const char* error = qstrcmp(call, "write") == 0 ? "ENOSPC" : "EIO";
            for (int n = 1; n < 100; ++n) {
                SCOPED_TRACE(QStringLiteral("%1, %2 number %3 fails with %4")
                                 .arg(QLatin1String(d.name), QLatin1String(call))
                                 .arg(n)
                                 .arg(QLatin1String(error))
                                 .toStdString());
                reset(d);
                const QString log = logs.filePath("strace.log");
                QProcess child;
                child.setProcessEnvironment(test::tracedChildEnvironment());
                const QString inject =
                    QStringLiteral("inject=%1:error=%2:when=%3").arg(QLatin1String(call), QLatin1String(error)).arg(n);
                child.start(QStringLiteral("strace"), {"-f", "-qq", "-o", log, "-e", "trace=" + QLatin1String(call), "-e",
                                                       inject, QStringLiteral(LORVANE_SAVE_CHILD), source, target(), "0"});
                ASSERT_TRUE(child.waitForFinished(60000));
                QFile traced(log);
                ASSERT_TRUE(traced.open(QIODevice::ReadOnly));
                const bool injected = traced.readAll().contains("(INJECTED)");
                if (!injected) {
                    EXPECT_EQ(child.exitCode(), 0);
                    break;  // the process made fewer such calls: every one was tried
                }
                ++points;
                ASSERT_EQ(child.exitStatus(), QProcess::NormalExit);
                const int exit = child.exitCode();
                ASSERT_TRUE(exit == 0 || exit == 1) << child.readAllStandardError().constData();
                if (exit == 1)
                    EXPECT_TRUE(child.readAllStandardError().contains(qstrcmp(error, "EIO") == 0
                                                                          ? "Input/output error"
                                                                          : "No space left on device"));
                EXPECT_EQ(which(contentOf(target())), exit == 0 ? newOne(d) : oldOne(d));
                EXPECT_EQ(filesIn(dir.path()), exit == 0 ? newFiles(d) : oldFiles(d));
            }
        }
    }
    std::printf("save: system calls failed under strace at %d points\n", points);
    EXPECT_GT(points, 40);
}

// A save killed half-way whose journal was then damaged: the old files moved aside still come
// back, and the query opens as it was.
TEST_F(InjectedFaults, ADamagedJournalStillBringsBackTheOldFiles) {
    const Direction& d = kDirections[1];  // the full query over the small one
    const QString journal = target() + ".journal";
    bool tried = false;
    for (int n = 1; n < 200 && !tried; ++n) {
        reset(d);
        QProcess child;
        child.start(QStringLiteral(LORVANE_SAVE_CHILD), {reference.filePath("full.vln"), target(), QString::number(n)});
        ASSERT_TRUE(child.waitForFinished(30000));
        ASSERT_EQ(child.exitStatus(), QProcess::CrashExit) << "the save ended before moving files aside";
        if (!QFile::exists(journal) || filesIn(dir.path()).filter(".replaced").size() < 2)
            continue;
        tried = true;
        QFile garbled(journal);
        ASSERT_TRUE(garbled.open(QIODevice::ReadWrite));
        garbled.seek(40);
        garbled.write("damaged");
        garbled.close();
        EXPECT_EQ(which(contentOf(target())), oldOne(d));
        EXPECT_EQ(filesIn(dir.path()).filter(QRegularExpression("\\.(journal|replaced|saving)$")), QStringList());
    }
    EXPECT_TRUE(tried);
}
