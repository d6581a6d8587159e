#include "platform/AdoTypes.h"
#include "platform/RecordSet.h"
#include "platform/VLNError.h"
#include "support/ErrorOf.h"

#include <QDateTime>
#include <gtest/gtest.h>

using namespace lorvane;
using lorvane::test::errorNumberOf;

namespace {

// A small in-memory table like the query state tables: a text field and a boolean.
std::shared_ptr<RecordSet> namesTable(std::initializer_list<const char*> names) {
    auto rs = std::make_shared<RecordSet>();
    rs->AppendField(QStringLiteral("TableName"), AdoType::VarChar, 8000);
    rs->AppendField(QStringLiteral("Visable"), AdoType::Boolean, 0);
    rs->Open();
    for (const char* n : names) {
        rs->AddNew();
        rs->SetValue(0, QString::fromUtf8(n));
        rs->SetValue(1, true);
        rs->Update();
    }
    return rs;
}

QStringList column0(RecordSet& rs) {
    QStringList out;
    for (qint64 r = 0; r < rs.RecordCount(); ++r)
        out << rs.ValueAt(r, 0).toString();
    return out;
}

}  // namespace

TEST(RecordSet, KeepsRowsInTheOrderAddedAndAddNewMakesTheRowCurrent) {
    auto rs = namesTable({"Orders", "Customers", "Order Details"});
    EXPECT_EQ(rs->RecordCount(), 3);
    EXPECT_EQ(rs->AbsolutePosition(), 3);
    EXPECT_EQ(rs->Value(0).toString(), "Order Details");
    rs->MoveFirst();
    QStringList seen;
    while (!rs->Eof()) {
        seen << rs->Value(QStringLiteral("tablename")).toString();
        rs->MoveNext();
    }
    EXPECT_EQ(seen, (QStringList{"Orders", "Customers", "Order Details"}));
    EXPECT_EQ(errorNumberOf([&] { rs->MoveNext(); }), ErrorNumber::NoCurrentRecord);
}

TEST(RecordSet, DeleteRemovesTheCurrentRowAndADeleteLoopEmptiesTheSet) {
    auto rs = namesTable({"A", "B", "C", "D"});
    rs->SetAbsolutePosition(2);
    rs->Delete();
    EXPECT_EQ(errorNumberOf([&] { rs->Value(0); }), ErrorNumber::NoCurrentRecord);
    rs->MoveNext();
    EXPECT_EQ(rs->Value(0).toString(), "C");
    EXPECT_EQ(column0(*rs), (QStringList{"A", "C", "D"}));

    rs->MoveFirst();
    while (!rs->Eof()) {
        rs->Delete();
        rs->MoveNext();
    }
    EXPECT_EQ(rs->RecordCount(), 0);
    EXPECT_TRUE(rs->Bof());
    EXPECT_TRUE(rs->Eof());
}

TEST(RecordSet, EmptySetIsAtBothEndsAndMovesToTheFirstRowFail) {
    auto rs = namesTable({});
    EXPECT_TRUE(rs->Bof());
    EXPECT_TRUE(rs->Eof());
    EXPECT_EQ(rs->RecordCount(), 0);
    EXPECT_EQ(errorNumberOf([&] { rs->MoveFirst(); }), ErrorNumber::NoCurrentRecord);
    EXPECT_EQ(errorNumberOf([&] { rs->MoveLast(); }), ErrorNumber::NoCurrentRecord);
    EXPECT_EQ(errorNumberOf([&] { rs->Update(); }), ErrorNumber::NoCurrentRecord);
}

TEST(RecordSet, MovesAndPositions) {
    auto rs = namesTable({"A", "B", "C", "D", "E"});
    rs->MoveFirst();
    EXPECT_EQ(rs->AbsolutePosition(), 1);
    rs->Move(3);
    EXPECT_EQ(rs->Value(0).toString(), "D");
    rs->MovePrevious();
    EXPECT_EQ(rs->Value(0).toString(), "C");
    rs->Move(10);
    EXPECT_TRUE(rs->Eof());
    EXPECT_EQ(rs->AbsolutePosition(), -3);
    rs->MoveLast();
    EXPECT_EQ(rs->Value(0).toString(), "E");
    rs->Move(-10);
    EXPECT_TRUE(rs->Bof());
    EXPECT_EQ(rs->AbsolutePosition(), -2);
    EXPECT_EQ(errorNumberOf([&] { rs->MovePrevious(); }), ErrorNumber::NoCurrentRecord);
    EXPECT_EQ(errorNumberOf([&] { rs->SetAbsolutePosition(6); }), ErrorNumber::NoCurrentRecord);
}

TEST(RecordSet, FieldsByPositionOrCaseInsensitiveNameWithNulls) {
    RecordSet rs;
    rs.AppendField(QStringLiteral("FieldName"), AdoType::VarChar, 8000, AdoFieldAttribute::Unspecified);
    rs.AppendField(QStringLiteral("OutputYes/No"), AdoType::VarChar, 3);
    rs.AppendField(QStringLiteral("Count"), AdoType::Integer, 4, AdoFieldAttribute::IsNullable);
    rs.Open();
    EXPECT_EQ(rs.FieldCount(), 3);
    EXPECT_EQ(rs.Field(1).name, "OutputYes/No");
    EXPECT_EQ(rs.Field(QStringLiteral("fieldname")).definedSize, 8000);
    EXPECT_EQ(rs.Field(2).attributes, AdoFieldAttribute::IsNullable);
    EXPECT_EQ(rs.FieldIndex(QStringLiteral("OUTPUTYES/NO")), 1);
    EXPECT_EQ(rs.FieldIndex(QStringLiteral("nope")), -1);
    rs.AddNew();
    EXPECT_FALSE(rs.Value(0).isValid());  // a new row is all Null
    rs.SetValue(QStringLiteral("OUTPUTYES/NO"), QStringLiteral("YES"));
    rs.SetValue(2, 42);
    rs.Update();
    EXPECT_EQ(rs.Value(1).toString(), "YES");
    EXPECT_EQ(rs.Value(2).toInt(), 42);
    rs.SetValue(2, QVariant());
    EXPECT_FALSE(rs.Value(2).isValid());
    rs.SetValue(0, QString(""));
    EXPECT_TRUE(rs.Value(0).isValid());  // an empty text is not Null
    EXPECT_EQ(errorNumberOf([&] { rs.Value(QStringLiteral("Missing")); }), ErrorNumber::ItemNotFound);
    EXPECT_EQ(errorNumberOf([&] { rs.Value(7); }), ErrorNumber::ItemNotFound);
}

TEST(RecordSet, StateErrorsForClosedOpenAndDefinition) {
    RecordSet rs;
    rs.AppendField(QStringLiteral("A"), AdoType::VarChar, 10);
    EXPECT_EQ(errorNumberOf([&] { rs.AppendField(QStringLiteral("a"), AdoType::VarChar, 10); }), ErrorNumber::FieldExists);
    EXPECT_EQ(errorNumberOf([&] { rs.AddNew(); }), ErrorNumber::ObjectClosed);
    EXPECT_EQ(errorNumberOf([&] { (void)rs.RecordCount(); }), ErrorNumber::ObjectClosed);
    EXPECT_EQ(errorNumberOf([&] { rs.Close(); }), ErrorNumber::ObjectClosed);
    rs.Open();
    EXPECT_EQ(errorNumberOf([&] { rs.Open(); }), ErrorNumber::ObjectOpen);
    EXPECT_EQ(errorNumberOf([&] { rs.AppendField(QStringLiteral("B"), AdoType::VarChar, 10); }),
              ErrorNumber::NotAllowedInContext);
    rs.AddNew();
    rs.SetValue(0, QStringLiteral("x"));
    rs.Close();
    EXPECT_FALSE(rs.IsOpen());
    rs.Open();  // reopened empty, with the same fields
    EXPECT_EQ(rs.RecordCount(), 0);
    EXPECT_EQ(rs.Field(0).name, "A");
}

TEST(RecordSet, CloneIsASecondCursorOverTheSameRows) {
    auto rs = namesTable({"A", "B"});
    auto clone = rs->Clone();
    EXPECT_EQ(clone->RecordCount(), 2);
    EXPECT_EQ(clone->AbsolutePosition(), 1);
    EXPECT_EQ(rs->AbsolutePosition(), 2);  // each cursor keeps its own position
    clone->AddNew();
    clone->SetValue(0, QStringLiteral("C"));
    clone->Update();
    EXPECT_EQ(column0(*rs), (QStringList{"A", "B", "C"}));
    rs->MoveFirst();
    rs->SetValue(0, QStringLiteral("Z"));
    clone->MoveFirst();
    EXPECT_EQ(clone->Value(0).toString(), "Z");
    rs->Close();  // closing one cursor leaves the rows with the other
    EXPECT_EQ(clone->RecordCount(), 3);
}

TEST(RecordSet, SortsByOneOrMoreFieldsWithNullsFirstAndEmptyTextRestoresOrder) {
    RecordSet rs;
    rs.AppendField(QStringLiteral("Name"), AdoType::VarChar, 50);
    rs.AppendField(QStringLiteral("Amount"), AdoType::Decimal, 19);
    rs.AppendField(QStringLiteral("Order Date"), AdoType::DBTimeStamp, 8);
    rs.Open();
    const struct {
        const char* name;
        QVariant amount;
        QVariant date;
    } rows[] = {{"beta", QStringLiteral("10.5"), QDateTime(QDate(2024, 1, 2), QTime(9, 0))},
                {"Alpha", QStringLiteral("9.75"), QVariant()},
                {"alpha", QVariant(), QDateTime(QDate(2023, 5, 1), QTime(0, 0))},
                {"Gamma", QStringLiteral("100"), QDateTime(QDate(2024, 1, 2), QTime(8, 0))}};
    for (const auto& r : rows) {
        rs.AddNew();
        rs.SetValue(0, QString::fromUtf8(r.name));
        rs.SetValue(1, r.amount);
        rs.SetValue(2, r.date);
    }
    rs.Sort(QStringLiteral("Amount DESC"));  // numeric, not textual: 100 > 10.5 > 9.75 > Null
    EXPECT_EQ(column0(rs), (QStringList{"Gamma", "beta", "Alpha", "alpha"}));
    EXPECT_EQ(rs.AbsolutePosition(), 1);
    rs.Sort(QStringLiteral("[Order Date] ASC"));
    EXPECT_EQ(column0(rs), (QStringList{"Alpha", "alpha", "Gamma", "beta"}));
    rs.Sort(QStringLiteral("Name ASC, Amount DESC"));  // case-insensitive names; ties by amount
    EXPECT_EQ(column0(rs), (QStringList{"Alpha", "alpha", "beta", "Gamma"}));
    rs.Sort(QStringLiteral("Name DESC"));
    rs.Sort(QStringLiteral("Name DESC"));  // sorting twice by one column keeps that single order
    EXPECT_EQ(rs.SortText(), "Name DESC");
    EXPECT_EQ(column0(rs).first(), "Gamma");
    rs.Sort(QString());
    EXPECT_EQ(column0(rs), (QStringList{"beta", "Alpha", "alpha", "Gamma"}));
    EXPECT_EQ(errorNumberOf([&] { rs.Sort(QStringLiteral("Nope ASC")); }), ErrorNumber::ItemNotFound);
}

TEST(RecordSet, TypedColumnsKeepEveryValueEvenWhenItDoesNotFitTheType) {
    RecordSet rs;
    rs.AppendField(QStringLiteral("Id"), AdoType::Integer, 4);
    rs.AppendField(QStringLiteral("When"), AdoType::DBTimeStamp, 8);
    rs.AppendField(QStringLiteral("Day"), AdoType::DBDate, 8);
    rs.AppendField(QStringLiteral("Price"), AdoType::Decimal, 19);
    rs.AppendField(QStringLiteral("Flag"), AdoType::Boolean, 2);
    rs.AppendField(QStringLiteral("Code"), AdoType::VarChar, 4);
    rs.Open();
    const QVariant first[] = {7, QStringLiteral("2024-02-29 13:45:10.250"), QStringLiteral("2024-03-01"),
                              2.87, 1, QStringLiteral("ABCDEFGHIJ")};
    rs.AppendRow(first);
    // SQLite stores what it is given: a text in an INTEGER column, a non-date in a DATE one.
    const QVariant second[] = {QStringLiteral("n/a"), QStringLiteral("yesterday"), QStringLiteral("2024-13-01"),
                               QStringLiteral("12345678901234567890.123456789"), QStringLiteral("maybe"), 12};
    rs.AppendRow(second);

    EXPECT_EQ(rs.ValueAt(0, 0).toInt(), 7);
    EXPECT_EQ(rs.ValueAt(0, 1).toDateTime(), QDateTime(QDate(2024, 2, 29), QTime(13, 45, 10, 250)));
    EXPECT_EQ(rs.ValueAt(0, 2).toDate(), QDate(2024, 3, 1));
    EXPECT_EQ(rs.ValueAt(0, 3).toString(), "2.87");
    EXPECT_EQ(rs.ValueAt(0, 4).toBool(), true);
    EXPECT_EQ(rs.ValueAt(0, 5).toString(), "ABCDEFGHIJ");  // longer than its size, kept whole

    EXPECT_EQ(rs.ValueAt(1, 0).toString(), "n/a");
    EXPECT_EQ(rs.ValueAt(1, 1).toString(), "yesterday");
    EXPECT_EQ(rs.ValueAt(1, 2).toString(), "2024-13-01");
    EXPECT_EQ(rs.ValueAt(1, 3).toString(), "12345678901234567890.123456789");
    EXPECT_EQ(rs.ValueAt(1, 4).toString(), "maybe");
    EXPECT_EQ(rs.ValueAt(1, 5).toString(), "12");
    // The earlier typed values survive the switch to general storage.
    EXPECT_EQ(rs.ValueAt(0, 0).toInt(), 7);
    EXPECT_EQ(rs.ValueAt(0, 1).toDateTime().time(), QTime(13, 45, 10, 250));
}

TEST(RecordSet, AppendRowChecksItsWidth) {
    auto rs = namesTable({});
    const QVariant one[] = {QStringLiteral("only one")};
    EXPECT_EQ(errorNumberOf([&] { rs->AppendRow(one); }), ErrorNumber::NotAllowedInContext);
    EXPECT_EQ(rs->RecordCount(), 0);
}

TEST(RecordSet, TextOfEveryLengthComesBackWholeAndSortsAfterEdits) {
    RecordSet rs;
    rs.AppendField(QStringLiteral("Text"), AdoType::VarWChar, 0);
    rs.Open();
    // Lengths around the pool's one- and two-unit length forms, and an empty text.
    const QString longest(0x12345, u'z');
    const QStringList texts{QString(), QStringLiteral("b"), QString(0x7FFF, u'y'), QString(0x8000, u'x'), longest,
                            QStringLiteral("Ärger \U0001F600")};
    for (const QString& t : texts) {
        const QVariant row[] = {t};
        rs.AppendRow(row);
    }
    for (qint64 r = 0; r < rs.RecordCount(); ++r)
        EXPECT_TRUE(rs.ValueAt(r, 0).toString() == texts[r]) << "row " << r;  // (too long to print)
    // An edited cell keeps its new text, and sorting reads the texts where they now are.
    rs.SetAbsolutePosition(2);
    rs.SetValue(0, QStringLiteral("a"));
    rs.Sort(QStringLiteral("Text DESC"));
    // Case-insensitive by code unit: the non-ASCII text sorts above "z...".
    EXPECT_EQ(rs.ValueAt(0, 0).toString(), texts.last());
    EXPECT_TRUE(rs.ValueAt(1, 0).toString() == longest);
    EXPECT_EQ(rs.ValueAt(rs.RecordCount() - 2, 0).toString(), "a");
    EXPECT_EQ(rs.ValueAt(rs.RecordCount() - 1, 0).toString(), "");
}

TEST(RecordSet, TextsAcrossBlocksAndForms) {
    RecordSet rs;
    rs.AppendField(QStringLiteral("Text"), AdoType::VarWChar, 0);
    rs.Open();
    // Texts longer than a block of the pool (narrow and wide), the two header forms, and many
    // short texts between them so that blocks fill and new ones start.
    QStringList texts{QString(3000000, u'n'), QString(1200000, QChar(0x3A9)), QString(16383, u'a'),
                      QString(16384, QChar(0xE9)), QStringLiteral("ÿ")};
    for (int i = 0; i < 200000; ++i)
        texts << QStringLiteral("text %1 ").arg(i).repeated(1 + i % 7) + (i % 5 == 0 ? QStringLiteral("Ω") : QString());
    texts << QString(2500000, u'm');
    for (qsizetype i = 0; i < texts.size(); ++i) {
        const QString& t = texts[i];
        const QByteArray utf8 = t.toUtf8();
        CellValue cell;
        if (i % 2 == 0) {
            cell.kind = CellValue::Kind::Utf8;
            cell.bytes = utf8.constData();
            cell.length = utf8.size();
        } else {
            cell.kind = CellValue::Kind::Text;
            cell.text = reinterpret_cast<const char16_t*>(t.utf16());
            cell.length = t.size();
        }
        rs.AppendRow(std::span<const CellValue>(&cell, 1));
    }
    ASSERT_EQ(rs.RecordCount(), texts.size());
    int wrong = 0;
    for (qint64 r = 0; r < rs.RecordCount(); ++r)
        wrong += rs.ValueAt(r, 0).toString() != texts[r];
    EXPECT_EQ(wrong, 0);

    // Sorting compares one-byte and two-byte texts as the same characters, ignoring case.
    RecordSet mixed;
    mixed.AppendField(QStringLiteral("Text"), AdoType::VarWChar, 0);
    mixed.Open();
    const QStringList words{QStringLiteral("éclair"), QStringLiteral("Zebra"), QStringLiteral("ÉCLAIRS"),
                            QStringLiteral("Ωmega"), QStringLiteral("apple"), QStringLiteral("Äpfel"),
                            QStringLiteral("ωmegb"), QStringLiteral("APPLE ")};
    for (const QString& w : words) {
        const QVariant row[] = {w};
        mixed.AppendRow(row);
    }
    mixed.Sort(QStringLiteral("Text ASC"));
    QStringList expected = words;
    std::stable_sort(expected.begin(), expected.end(),
                     [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    QStringList sorted;
    for (qint64 r = 0; r < mixed.RecordCount(); ++r)
        sorted << mixed.ValueAt(r, 0).toString();
    EXPECT_EQ(sorted, expected);
    // Back to the order of adding.
    mixed.Sort(QString());
    EXPECT_EQ(mixed.ValueAt(0, 0).toString(), words[0]);
    EXPECT_EQ(mixed.ValueAt(7, 0).toString(), words[7]);
}
