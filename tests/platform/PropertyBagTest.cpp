#include "platform/Picture.h"
#include "platform/PropertyBag.h"
#include "platform/VLNError.h"

#include <QFile>
#include <QFont>
#include <QPixmap>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace lorvane;

TEST(PropertyBag, AValueEqualToItsDefaultIsNotStoredButAnotherTypeIs) {
    MemoryPropertyBag bag;
    bag.WriteProperty("VLNDateDelimeter", QStringLiteral("'"), QStringLiteral("'"));
    bag.WriteProperty("VLNCommandTimeout", qint32(60), qint32(60));
    bag.WriteProperty("VLNAllowTableSelection", true, QVariant::fromValue(qint16(1)));  // never equal
    bag.WriteProperty("VLNLikeOperator", QStringLiteral("*"), QStringLiteral("%"));
    EXPECT_EQ(bag.Keys(), (QStringList{"VLNAllowTableSelection", "VLNLikeOperator"}));
    EXPECT_EQ(bag.ReadProperty("VLNLikeOperator", QStringLiteral("%")).toString(), "*");
    EXPECT_EQ(bag.ReadProperty("VLNCommandTimeout", qint32(60)).toInt(), 60);
    // Writing the default again removes the stored value.
    bag.WriteProperty("VLNLikeOperator", QStringLiteral("%"), QStringLiteral("%"));
    EXPECT_FALSE(bag.Contains("VLNLikeOperator"));
}

TEST(PropertyBag, FileKeepsOrderAndTypesIncludingPicturesAndFonts) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("host.bag"));
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::red);
    QFont font(QStringLiteral("DejaVu Sans"), 11);
    font.setBold(true);
    {
        FilePropertyBag bag(path);
        bag.WriteProperty("S", QStringLiteral("O'Brien \u00e9"), QString());
        bag.WriteProperty("B", false, QVariant::fromValue(qint16(1)));
        bag.WriteProperty("C", qint32(0x80000005u), qint32(0x808080));
        bag.WriteProperty("Short", QVariant::fromValue(qint16(-3)), QVariant::fromValue(qint16(0)));
        bag.WriteProperty("Empty", QVariant::fromValue(makeEmptyPicture()), QVariant::fromValue(Picture()));
        bag.WriteProperty("Icon", QVariant::fromValue(Picture::create(QIcon(pixmap))), QVariant::fromValue(Picture()));
        bag.WriteProperty("F", font, QFont());
        bag.Save();
    }
    FilePropertyBag bag(path);
    bag.Load();
    EXPECT_EQ(bag.Keys(), (QStringList{"S", "B", "C", "Short", "Empty", "Icon", "F"}));
    EXPECT_EQ(bag.ReadProperty("S", {}).toString(), "O'Brien \u00e9");
    EXPECT_EQ(bag.ReadProperty("B", {}).typeId(), QMetaType::Bool);
    EXPECT_FALSE(bag.ReadProperty("B", {}).toBool());
    EXPECT_EQ(static_cast<quint32>(bag.ReadProperty("C", {}).toInt()), 0x80000005u);
    EXPECT_EQ(bag.ReadProperty("Short", {}).typeId(), QMetaType::Short);
    const Picture empty = bag.ReadProperty("Empty", {}).value<Picture>();
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->isNull());
    const Picture icon = bag.ReadProperty("Icon", {}).value<Picture>();
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->pixmap(16, 16).toImage().pixelColor(8, 8), QColor(Qt::red));
    EXPECT_TRUE(bag.ReadProperty("F", {}).value<QFont>().bold());
    EXPECT_EQ(bag.ReadProperty("F", {}).value<QFont>().pointSize(), 11);
}

TEST(PropertyBag, DamagedOrForeignFileRaises3709AndLeavesTheBagEmpty) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("host.bag"));
    {
        FilePropertyBag bag(path);
        bag.WriteProperty("S", QStringLiteral("value"), QString());
        bag.Save();
    }
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray good = f.readAll();
    f.close();
    for (const QByteArray& bad : {good.left(good.size() - 3), QByteArray("[General]\nS=value\n"), QByteArray()}) {
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bad);
        f.close();
        FilePropertyBag bag(path);
        try {
            bag.Load();
            ADD_FAILURE() << "loaded a damaged bag";
        } catch (const VLNError& e) {
            EXPECT_EQ(e.number(), ErrorNumber::NotUsable);
        }
        EXPECT_TRUE(bag.Keys().isEmpty());
    }
    FilePropertyBag missing(dir.filePath(QStringLiteral("none.bag")));
    EXPECT_THROW(missing.Load(), VLNError);
}
