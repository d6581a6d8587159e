// The Designer plugin as Designer loads it: through QPluginLoader and its
// QDesignerCustomWidgetInterface, creating the component at its fixed size with its icon and
// its properties open to the property editor.
#include <QIcon>
#include <QMetaProperty>
#include <QWidget>
#include <QPluginLoader>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>
#include <gtest/gtest.h>

TEST(DesignerPlugin, LoadsAndCreatesTheComponentWithItsDesignableProperties) {
    QPluginLoader loader(QStringLiteral(LORVANE_DESIGNER_PLUGIN));
    ASSERT_TRUE(loader.load()) << loader.errorString().toStdString();
    auto* plugin = qobject_cast<QDesignerCustomWidgetInterface*>(loader.instance());
    ASSERT_NE(plugin, nullptr);
    EXPECT_EQ(plugin->name(), "lorvane::Lorvanev2");
    EXPECT_EQ(plugin->includeFile(), "control/Lorvanev2.h");
    EXPECT_EQ(plugin->group(), "Lorvane");
    EXPECT_FALSE(plugin->isContainer());
    EXPECT_FALSE(plugin->icon().isNull());
    EXPECT_TRUE(plugin->domXml().contains("class=\"lorvane::Lorvanev2\""));

    QWidget form;
    // The plugin holds its own copy of the library, as in Designer: the component is reached
    // through its meta-object, not by casting to this program's class.
    QWidget* component = plugin->createWidget(&form);
    ASSERT_NE(component, nullptr);
    EXPECT_STREQ(component->metaObject()->className(), "lorvane::Lorvanev2");
    EXPECT_EQ(component->size(), QSize(36, 33));
    EXPECT_EQ(component->minimumSize(), component->maximumSize());
    // What the property editor offers, and what it writes back.
    const QMetaObject* mo = component->metaObject();
    const QMetaProperty caption = mo->property(mo->indexOfProperty("VLNRunTimeControlCaption"));
    ASSERT_TRUE(caption.isValid());
    EXPECT_TRUE(caption.isDesignable());
    EXPECT_TRUE(caption.write(component, QStringLiteral("Sales queries")));
    EXPECT_EQ(component->property("VLNRunTimeControlCaption").toString(), "Sales queries");
    // The design-time connection is set through Edit Connection..., not the property editor.
    EXPECT_FALSE(mo->property(mo->indexOfProperty("VLNConnectionString")).isDesignable());
}
