#include "shared/BuilderSettings.h"
#include "shared/clsField.h"
#include "shared/clsFunctions.h"
#include "shared/clsTable.h"
#include "shared/clsTableAndField.h"
#include "platform/AdoTypes.h"
#include "platform/VLNError.h"
#include "support/ErrorOf.h"
#include "support/TestDatabases.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace lorvane;
using lorvane::test::errorOf;

namespace {

class Collections : public ::testing::Test {
protected:
    void SetUp() override { reset(); }
    void TearDown() override { reset(); }
    static void reset() { test::resetSharedState(); }
    static void bindToSample() { BuilderSettings::shared().activeConnection().Open(test::sampleConnectionString()); }
    clsTable& tables = clsTable::shared();
    clsField& fields = clsField::shared();
};

}  // namespace

TEST_F(Collections, UnboundAcceptsAnyNameQuotesBlanksAndLoadsNoColumns) {
    tables.Add("Order Details");
    tables.Add("Nowhere");
    EXPECT_FALSE(tables.Bound());
    EXPECT_EQ(tables.TableNames(), (QStringList{"[Order Details]", "Nowhere"}));
    EXPECT_EQ(fields.Count(), 0);
    const VLNError again = errorOf([&] { tables.Add("[Order Details]"); });
    EXPECT_EQ(again.number(), -2147220504);
    EXPECT_EQ(again.source(), "Add Table");
    EXPECT_EQ(again.description(), "[Order Details] already exists in Table collection. Unable to add Table");
    EXPECT_EQ(tables.Count(), 2);
}

TEST_F(Collections, BoundChecksTheCatalogueCaseSensitivelyAndLoadsColumnsWithTypes) {
    bindToSample();
    const VLNError wrongCase = errorOf([&] { tables.Add("customers"); });
    EXPECT_EQ(wrongCase.number(), -2147220503);
    EXPECT_EQ(wrongCase.description(), "customers is not a valid database Table. Unable to add Table");
    EXPECT_EQ(tables.Count(), 0);

    tables.Add("Products");
    tables.Add("Order Details");
    EXPECT_TRUE(tables.Bound());
    EXPECT_EQ(fields.FieldNamesFor({"[Order Details]", "Products"}),
              (QStringList{"[Order Details].OrderID", "[Order Details].ProductID", "[Order Details].UnitPrice",
                           "[Order Details].Quantity", "[Order Details].Discount", "Products.ProductID",
                           "Products.ProductName", "Products.SupplierID", "Products.CategoryID", "Products.[Unit Price]",
                           "Products.UnitsInStock", "Products.Discontinued"}));
    EXPECT_EQ(fields.FieldTypeOf("Products.[Unit Price]"), AdoType::Decimal);
    EXPECT_EQ(fields.FieldTypeOf("Products.Discontinued"), AdoType::Boolean);
    EXPECT_EQ(fields.FieldTypeOf("Products.Nope"), 0);
}

TEST_F(Collections, ItemsCountFromOneAndBadIndexesRaise) {
    tables.Add("A");
    tables.Add("B");
    EXPECT_EQ(tables.Item(1), "A");
    EXPECT_EQ(tables.Item(2), "B");
    for (int bad : {0, 3, -1}) {
        const VLNError e = errorOf([&] { tables.Item(bad); });
        EXPECT_EQ(e.number(), -2147220501);
        EXPECT_EQ(e.source(), "Table Item");
        EXPECT_EQ(e.description(), QString::number(bad) + " is an invalid Index. Unable to return Table Item");
    }
    fields.Add("Id", "A", 3);
    EXPECT_EQ(fields.Item(1), "A.Id");
    const VLNError f = errorOf([&] { fields.Item(2); });
    EXPECT_EQ(f.number(), -2147220497);
    EXPECT_EQ(f.source(), "Field Item");
}

TEST_F(Collections, RemovingATableRemovesItsFields) {
    bindToSample();
    tables.Add("Shippers");
    tables.Add("Categories");
    ASSERT_EQ(fields.Count(), 6);
    tables.Remove("Shippers");
    EXPECT_EQ(tables.TableNames(), (QStringList{"Categories"}));
    EXPECT_EQ(fields.FieldNamesFor({"Shippers"}), QStringList());
    EXPECT_EQ(fields.Count(), 3);
    const VLNError e = errorOf([&] { tables.Remove("Shippers"); });
    EXPECT_EQ(e.number(), -2147220502);
    EXPECT_EQ(e.description(), "Shippers does not exist in Table collection. Unable to remove Table");
    tables.RemoveAll();
    EXPECT_EQ(fields.Count(), 0);
}

TEST_F(Collections, FieldAdditionsAreCheckedAndKeyedByQuotedNames) {
    fields.Add("Unit Price", "Order Lines", 14);
    EXPECT_EQ(fields.Item(1), "[Order Lines].[Unit Price]");
    EXPECT_EQ(fields.FieldTypeOf("[Order Lines].[Unit Price]"), 14);
    const VLNError twice = errorOf([&] { fields.Add("[Unit Price]", "[Order Lines]"); });
    EXPECT_EQ(twice.number(), -2147220500);
    EXPECT_EQ(twice.description(), "[Order Lines].[Unit Price] already exists in field collection. Unable to add field");

    bindToSample();
    fields.Add("Unit Price", "Products");
    EXPECT_EQ(fields.FieldTypeOf("Products.[Unit Price]"), AdoType::Decimal);
    const VLNError missing = errorOf([&] { fields.Add("unit price", "Products"); });
    EXPECT_EQ(missing.number(), -2147220499);
    EXPECT_EQ(missing.description(), "Products.[unit price] is not a valid database field. Unable to add field");
    const VLNError noTable = errorOf([&] { fields.Add("X", "NoTable"); });
    EXPECT_EQ(noTable.number(), -2147220499);

    fields.Remove("[Unit Price]", "Products");
    const VLNError gone = errorOf([&] { fields.Remove("Unit Price", "Products"); });
    EXPECT_EQ(gone.number(), -2147220498);
    EXPECT_EQ(gone.source(), "Remove Field");
}

TEST_F(Collections, ADotInACatalogueNameIsPartOfTheNameAndAnOwnerPartIsKeptUnbound) {
    // Unbound, a host's owner-qualified name keeps its owner part, which its fields carry.
    tables.Add("sales.Targets");
    EXPECT_EQ(tables.TableNames(), QStringList{"sales.Targets"});
    tables.RemoveAll();

    QTemporaryDir dir;
    const QString path = test::copyOfSample(dir);
    BuilderSettings::shared().activeConnection().Open("Provider=SQLite;Data Source=" + path);
    BuilderSettings::shared().activeConnection().Execute("CREATE TABLE \"sales.Targets\" (Region TEXT, \"Goal Amount\" REAL)");
    // Bound, a table the catalogue spells with a dot is one table, never split at the dot.
    tables.Add("sales.Targets");
    EXPECT_EQ(tables.TableNames(), QStringList{"[sales.Targets]"});
    EXPECT_EQ(fields.FieldNamesFor({"[sales.Targets]"}),
              (QStringList{"[sales.Targets].Region", "[sales.Targets].[Goal Amount]"}));
    tables.Remove("sales.Targets");
    EXPECT_EQ(fields.Count(), 0);
}

TEST_F(Collections, OpeningASavedQueryLoadsNoColumnsExceptForANewView) {
    bindToSample();
    BuilderSettings::shared().OpenQuery = true;
    tables.Add("Shippers");
    EXPECT_EQ(fields.Count(), 0);
    BuilderSettings::shared().LoadViewColumns = true;
    tables.Add("Current Product List");
    EXPECT_EQ(fields.Count(), 2);
    EXPECT_FALSE(BuilderSettings::shared().LoadViewColumns);
}

TEST_F(Collections, TheSharedObjectReleasesTheCollectionsWhenItGoes) {
    auto holder = clsTableAndField::shared();
    EXPECT_EQ(&holder->Table(), &clsTable::shared());
    holder->Table().Add("Kept while held");
    EXPECT_EQ(clsTableAndField::shared().get(), holder.get());
    EXPECT_EQ(holder->tableObject()->metaObject()->className(), std::string("lorvane::clsTable"));
    holder.reset();
    EXPECT_EQ(clsTable::shared().Count(), 0);  // new, empty collections
}

TEST(Functions, KeysAreUniqueWithoutRegardToCase) {
    clsFunctions& f = clsFunctions::shared();
    f.RemoveAll();
    f.Add("UPPER()");
    f.Add("UPPER()");
    f.Add("LOWER()", "lower");
    EXPECT_EQ(f.Count(), 3);
    const VLNError dup = errorOf([&] { f.Add("LCASE()", "LOWER"); });
    EXPECT_EQ(dup.number(), -2147220495);
    EXPECT_EQ(dup.source(), "Function - Add");
    EXPECT_EQ(dup.description(), "LOWER Item Key already exists in Calc Field Function Collection. Unable to add Item");
    EXPECT_EQ(f.Count(), 3);
    EXPECT_EQ(f.Item(QVariant("Lower")), "LOWER()");
    EXPECT_EQ(f.Item(QVariant(1)), "UPPER()");
    for (const QVariant& bad : {QVariant(0), QVariant(4), QVariant("nokey")}) {
        const VLNError e = errorOf([&] { f.Item(bad); });
        EXPECT_EQ(e.number(), -2147220496);
        EXPECT_EQ(e.source(), "Function : Item");
    }
    const VLNError r = errorOf([&] { f.Remove(QVariant("nokey")); });
    EXPECT_EQ(r.number(), -2147220497);
    EXPECT_EQ(r.description(), "nokey is an invalid Index. Unable to Remove function Item");
    f.Remove(QVariant("LOWER"));
    f.Remove(QVariant(1));
    EXPECT_EQ(f.texts(), QStringList{"UPPER()"});
    clsCalcFieldFunctions a, b;
    EXPECT_EQ(&a.Functions(), &b.Functions());
    f.RemoveAll();
    EXPECT_EQ(f.Count(), 0);
}

TEST_F(Collections, TheHostsDialectSettingsWinWhereItChangedThemAndPresetsApplyWhereNot) {
    BuilderSettings& s = BuilderSettings::shared();
    // Unbound: the component's own defaults.
    EXPECT_EQ(s.dialect().dateFormat, "mm/dd/yyyy h:mm:ss am/pm");
    EXPECT_EQ(s.dialect().leftQuote, "[");
    bindToSample();
    // Left at their defaults, SQLite's preset applies.
    EXPECT_EQ(s.dialect().kind, SqlDialect::Kind::SQLite);
    EXPECT_EQ(s.dialect().dateFormat, "yyyy-mm-dd");
    EXPECT_EQ(s.dialect().dateTimeFormat, "yyyy-mm-dd hh:nn:ss");
    EXPECT_EQ(s.dialect().quoteName("br]ack"), "\"br]ack\"");
    // Each setting a host changed is kept as it gave it.
    s.VLNDateFormat = "dd.mm.yyyy";
    EXPECT_EQ(s.dialect().dateFormat, "dd.mm.yyyy");
    EXPECT_EQ(s.dialect().dateTimeFormat, "dd.mm.yyyy");
    EXPECT_EQ(s.dialect().dateOpen, "'");
    s.VLNDateFormat = "mm/dd/yyyy h:mm:ss am/pm";
    s.VLNDateDelimeter = "#";
    EXPECT_EQ(s.dialect().dateOpen + s.dialect().dateFormat + s.dialect().dateClose, "#mm/dd/yyyy h:mm:ss am/pm#");
    s.VLNDateDelimeter = "'";
    EXPECT_EQ(s.dialect().dateFormat, "yyyy-mm-dd");
    s.VLNLikeOperator = "*";
    EXPECT_EQ(s.dialect().likeWildcard, "*");
    s.VLNLeftFieldorTableSpaceChr = "`";
    s.VLNRightFieldorTableSpaceChr = "`";
    EXPECT_EQ(s.dialect().quoteName("Order Details"), "`Order Details`");
    tables.Add("Order Details");
    EXPECT_EQ(tables.TableNames(), QStringList{"`Order Details`"});
    EXPECT_EQ(fields.FieldNamesFor({"`Order Details`"}).first(), "`Order Details`.OrderID");
}
