#include "platform/AdoTypes.h"
#include "platform/RecordSet.h"
#include "platform/VLNError.h"
#include "support/ErrorOf.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <limits>
#include <gtest/gtest.h>

using namespace lorvane;
using lorvane::test::errorNumberOf;

namespace {

long openError(const QString& path) {
    RecordSet rs;
    try {
        rs.OpenFile(path);
    } catch (const VLNError& e) {
        EXPECT_FALSE(rs.IsOpen());
        return e.number();
    }
    return 0;
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray readBytes(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
}

// An index-like record: text fields of several sizes, a small integer, Nulls, and a time-out
// wider than its four-character field.
void fillSample(RecordSet& rs) {
    rs.AppendField(QStringLiteral("rsWhere"), AdoType::VarChar, 2000, AdoFieldAttribute::Unspecified);
    rs.AppendField(QStringLiteral("ConnectionTimeout"), AdoType::VarChar, 4, AdoFieldAttribute::Unspecified);
    rs.AppendField(QStringLiteral("Distinct"), AdoType::SmallInt, 0, AdoFieldAttribute::Unspecified);
    rs.AppendField(QStringLiteral("Visable"), AdoType::Boolean, 0, AdoFieldAttribute::IsNullable);
    rs.AppendField(QStringLiteral("Amount"), AdoType::Double, 8, 68);
    rs.AppendField(QStringLiteral("Stamp"), AdoType::DBTimeStamp, 8, 68);
    rs.Open();
    const QVariant rows[][6] = {
        {QStringLiteral("C:\\q\\OrdersrsWhere.dat"), QStringLiteral("123456"), 1, true, 2.5,
         QDateTime(QDate(2020, 1, 1), QTime(8, 0))},
        {QVariant(), QStringLiteral("60"), QVariant(), false, QVariant(), QVariant()},
        {QStringLiteral("O'Brien's \u00e9t\u00e9 \u6f22\u5b57"), QString(""), 0, QVariant(), -1e300,
         QDateTime(QDate(1899, 12, 30), QTime(23, 59, 59, 999))},
    };
    for (const auto& r : rows)
        rs.AppendRow(r);
}

}  // namespace

TEST(RecordSetFile, RoundTripKeepsFieldsTypesSizesNullsAndRowOrder) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Queryrs.dat"));
    RecordSet saved;
    fillSample(saved);
    saved.Save(path);

    RecordSet loaded;
    loaded.OpenFile(path);
    ASSERT_EQ(loaded.FieldCount(), saved.FieldCount());
    for (int f = 0; f < saved.FieldCount(); ++f) {
        EXPECT_EQ(loaded.Field(f).name, saved.Field(f).name);
        EXPECT_EQ(loaded.Field(f).type, saved.Field(f).type);
        EXPECT_EQ(loaded.Field(f).definedSize, saved.Field(f).definedSize);
        EXPECT_EQ(loaded.Field(f).attributes, saved.Field(f).attributes);
    }
    ASSERT_EQ(loaded.RecordCount(), 3);
    for (qint64 r = 0; r < 3; ++r)
        for (int f = 0; f < saved.FieldCount(); ++f) {
            EXPECT_EQ(loaded.IsNullAt(r, f), saved.IsNullAt(r, f)) << r << "," << f;
            EXPECT_EQ(loaded.ValueAt(r, f), saved.ValueAt(r, f)) << r << "," << f;
        }
    EXPECT_EQ(loaded.ValueAt(0, 1).toString(), "123456");  // a time-out over 9999 survives whole
    EXPECT_EQ(loaded.AbsolutePosition(), 1);
}

TEST(RecordSetFile, SavesTheCurrentOrderAndAnEmptySet) {
    QTemporaryDir dir;
    RecordSet rs;
    fillSample(rs);
    rs.Sort(QStringLiteral("Amount ASC"));
    rs.Save(dir.filePath(QStringLiteral("sorted.dat")));
    RecordSet loaded;
    loaded.OpenFile(dir.filePath(QStringLiteral("sorted.dat")));
    EXPECT_FALSE(loaded.ValueAt(0, 4).isValid());
    EXPECT_DOUBLE_EQ(loaded.ValueAt(1, 4).toDouble(), -1e300);

    RecordSet empty;
    empty.AppendField(QStringLiteral("OnlyField"), AdoType::VarChar, 550, 68);
    empty.Open();
    empty.Save(dir.filePath(QStringLiteral("empty.dat")));
    RecordSet back;
    back.OpenFile(dir.filePath(QStringLiteral("empty.dat")));
    EXPECT_EQ(back.RecordCount(), 0);
    EXPECT_EQ(back.Field(0).attributes, 68);
    EXPECT_TRUE(back.Eof());
}

TEST(RecordSetFile, SavingOverAFileReplacesIt) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("x.dat"));
    RecordSet big;
    fillSample(big);
    big.Save(path);
    RecordSet small;
    small.AppendField(QStringLiteral("A"), AdoType::VarChar, 1);
    small.Open();
    small.Save(path);
    RecordSet loaded;
    loaded.OpenFile(path);
    EXPECT_EQ(loaded.FieldCount(), 1);
}

TEST(RecordSetFile, MissingForeignTruncatedAndDamagedFilesRaise3709) {
    QTemporaryDir dir;
    const QString good = dir.filePath(QStringLiteral("good.dat"));
    RecordSet rs;
    fillSample(rs);
    rs.Save(good);
    const QByteArray bytes = readBytes(good);
    const QString bad = dir.filePath(QStringLiteral("bad.dat"));

    EXPECT_EQ(openError(dir.filePath(QStringLiteral("missing.dat"))), ErrorNumber::NotUsable);
    EXPECT_EQ(openError(dir.path()), ErrorNumber::NotUsable);  // a folder
    writeBytes(bad, QByteArray());
    EXPECT_EQ(openError(bad), ErrorNumber::NotUsable);
    writeBytes(bad, "SELECT * FROM Orders\r\n");
    EXPECT_EQ(openError(bad), ErrorNumber::NotUsable);

    // Every truncation, and a flipped bit anywhere, is refused as a whole.
    for (qsizetype n = 0; n < bytes.size(); ++n) {
        writeBytes(bad, bytes.left(n));
        ASSERT_EQ(openError(bad), ErrorNumber::NotUsable) << "truncated at " << n;
    }
    for (qsizetype i = 0; i < bytes.size(); i += 7) {
        QByteArray damaged = bytes;
        damaged[i] = static_cast<char>(damaged[i] ^ 0x10);
        writeBytes(bad, damaged);
        ASSERT_EQ(openError(bad), ErrorNumber::NotUsable) << "damaged at " << i;
    }
    writeBytes(bad, bytes + "trailing");
    EXPECT_EQ(openError(bad), ErrorNumber::NotUsable);
}

TEST(RecordSetFile, OpeningIntoAnOpenSetIsRefused) {
    QTemporaryDir dir;
    RecordSet rs;
    fillSample(rs);
    rs.Save(dir.filePath(QStringLiteral("a.dat")));
    try {
        rs.OpenFile(dir.filePath(QStringLiteral("a.dat")));
        FAIL() << "expected 3705";
    } catch (const VLNError& e) {
        EXPECT_EQ(e.number(), ErrorNumber::ObjectOpen);
    }
}

TEST(RecordSetFile, WellSealedGarbageNeverCrashesOrHangs) {
    // Random bodies behind a valid header and a matching checksum exercise the bounds checks
    // rather than the checksum.
    QTemporaryDir dir;
    const QString bad = dir.filePath(QStringLiteral("sealed.dat"));
    std::uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 24;
    };
    for (int round = 0; round < 300; ++round) {
        QByteArray body = QByteArrayLiteral("LORVANE RECORDSET\n");
        body.append(QByteArray::fromHex("01000000"));  // version 1
        const int n = static_cast<int>(next() % 64);
        for (int i = 0; i < n; ++i)
            body.append(static_cast<char>(next()));
        body.append(QCryptographicHash::hash(body, QCryptographicHash::Sha256));
        writeBytes(bad, body);
        RecordSet rs;
        try {
            rs.OpenFile(bad);
        } catch (const VLNError& e) {
            ASSERT_EQ(e.number(), ErrorNumber::NotUsable);
        }
    }
}

TEST(RecordSetFile, DatesNoCalendarHoldsAreDamageAndHugeDatesAreKeptExactly) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("dates.dat"));
    // One DBTimeStamp field, one row, one date-time cell with the given day and time of day.
    auto sealed = [](qint64 day, qint32 ms) {
        QByteArray body = QByteArrayLiteral("LORVANE RECORDSET\n");
        auto put = [&body](auto v) {
            const auto le = qToLittleEndian(v);
            body.append(reinterpret_cast<const char*>(&le), sizeof le);
        };
        put(quint32(1));  // version
        put(quint32(1));  // fields
        put(quint32(1));
        body.append('D');
        put(qint32(135));
        put(qint32(0));
        put(qint32(-1));
        put(quint64(1));  // rows
        body.append(char(4));  // a date-time cell
        put(day);
        put(ms);
        body.append(QCryptographicHash::hash(body, QCryptographicHash::Sha256));
        return body;
    };
    writeBytes(path, sealed(QDate(2020, 1, 31).toJulianDay(), 3600000));
    RecordSet ok;
    ok.OpenFile(path);
    EXPECT_EQ(ok.Value(0).toDateTime(), QDateTime(QDate(2020, 1, 31), QTime(1, 0)));
    for (const auto& [day, ms] : {std::pair<qint64, qint32>{std::numeric_limits<qint64>::max(), 0},
                                  {700000000000LL, 0},  // a day QDate holds but a date-time cannot
                                  {std::numeric_limits<qint64>::min(), 0}, {2458880, -1}, {2458880, 86400000}}) {
        writeBytes(path, sealed(day, ms));
        RecordSet rs;
        EXPECT_EQ(errorNumberOf([&] { rs.OpenFile(path); }), ErrorNumber::NotUsable) << day << " " << ms;
    }
    // A date far beyond what milliseconds can count is kept as it is, not wrapped around.
    RecordSet huge;
    huge.AppendField(QStringLiteral("D"), AdoType::DBTimeStamp);
    huge.Open();
    huge.AddNew();
    const QDate far = QDate::fromJulianDay(700000000000LL);
    ASSERT_TRUE(far.isValid());
    huge.SetValue(0, far);
    huge.Update();
    EXPECT_EQ(huge.Value(0).toDate(), far);
    huge.Save(path);
    RecordSet back;
    back.OpenFile(path);
    EXPECT_EQ(back.Value(0).toDate(), far);
}
