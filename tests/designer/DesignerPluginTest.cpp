// The Designer plugin as Designer loads it: through QPluginLoader and its
// QDesignerCustomWidgetInterface, creating the component at its fixed size with its icon and
// its properties open to the property editor.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QIcon>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUndoStack>
#include <QtDesigner/QDesignerFormEditorInterface>
#include <QtDesigner/QDesignerIntegration>
#include <QtDesigner/QDesignerFormWindowInterface>
#include <QtDesigner/QDesignerFormWindowManagerInterface>
#include <QtDesigner/QDesignerTaskMenuExtension>
#include <QtDesigner/QExtensionManager>
#include <QtDesigner/qdesigner_components.h>
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
    EXPECT_EQ(plugin->includeFile(), "<Lorvane/Lorvanev2.h>");
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
    // The design-time connection is in the property editor too (Edit Connection... fills it).
    for (const char* name : {"VLNConnectionString", "VLNCommandType", "VLNCommandTimeout", "VLNTableString",
                             "ConnectionTimeout"})
        EXPECT_TRUE(mo->property(mo->indexOfProperty(name)).isDesignable()) << name;
}

// Qt Designer's own form editor with the plugin loaded from its folder: Edit Connection...
// writes the design-time connection into the form, the saved .ui holds it, and uic's code
// for that .ui sets it.
TEST(DesignerPlugin, EditConnectionIsSavedInTheFormAndSetByUic) {
    QCoreApplication::addLibraryPath(QStringLiteral(LORVANE_PLUGIN_ROOT));  // holds designer/
    QDesignerFormEditorInterface* core = QDesignerComponents::createFormEditor(nullptr);
    ASSERT_NE(core, nullptr);
    QDesignerComponents::initializeResources();
    QDesignerComponents::initializePlugins(core);
    QDesignerComponents::createTaskMenu(core, nullptr);
    // The widget box reads the plugins' domXml; the form editor needs one to place widgets.
    core->setWidgetBox(QDesignerComponents::createWidgetBox(core, nullptr));
    core->setPropertyEditor(QDesignerComponents::createPropertyEditor(core, nullptr));
    new QDesignerIntegration(core, core);  // registers itself with the core, as Designer does

    QDesignerFormWindowInterface* form = core->formWindowManager()->createFormWindow(nullptr);
    ASSERT_NE(form, nullptr);
    form->setContents(QStringLiteral(R"(<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0">
 <class>HostForm</class>
 <widget class="QWidget" name="HostForm">
  <widget class="lorvane::Lorvanev2" name="vln"/>
 </widget>
 <customwidgets>
  <customwidget>
   <class>lorvane::Lorvanev2</class>
   <extends>QWidget</extends>
   <header location="global">Lorvane/Lorvanev2.h</header>
  </customwidget>
 </customwidgets>
</ui>
)"));
    QWidget* component = form->mainContainer()->findChild<QWidget*>(QStringLiteral("vln"));
    ASSERT_NE(component, nullptr);
    ASSERT_STREQ(component->metaObject()->className(), "lorvane::Lorvanev2");
    form->clearSelection(false);
    form->selectWidget(component, true);

    auto* menu = qt_extension<QDesignerTaskMenuExtension*>(core->extensionManager(), component);
    ASSERT_NE(menu, nullptr);
    ASSERT_NE(menu->preferredEditAction(), nullptr);
    EXPECT_EQ(menu->preferredEditAction()->text(), "Edit Connection...");
    menu->preferredEditAction()->trigger();
    QDialog* dialog = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == "LorvaneEditConnection" && w->isVisible())
            dialog = qobject_cast<QDialog*>(w);
    ASSERT_NE(dialog, nullptr) << "Edit Connection... opened no dialog";

    // The page lists the sample database's tables once a connection string and a kind are given.
    const QString connection = QStringLiteral("Provider=SQLite;Data Source=" LORVANE_SAMPLE_DB);
    dialog->findChild<QLineEdit*>(QStringLiteral("txtQDMDataConnection"))->setText(connection);
    dialog->findChild<QLineEdit*>(QStringLiteral("txtConnectionTimeout"))->setText(QStringLiteral("17"));
    dialog->findChild<QLineEdit*>(QStringLiteral("txtCommandTimeout"))->setText(QStringLiteral("42"));
    auto* kind = dialog->findChild<QComboBox*>(QStringLiteral("cmbQDMCommandType"));
    ASSERT_NE(kind, nullptr);
    kind->setCurrentText(QStringLiteral("Tables"));
    auto* available = dialog->findChild<QListWidget*>(QStringLiteral("lstQDMSelTables"));
    ASSERT_NE(available, nullptr);
    const auto customers = available->findItems(QStringLiteral("Customers"), Qt::MatchExactly);
    ASSERT_EQ(customers.size(), 1) << "the sample's tables were not listed";
    available->setCurrentItem(customers.front());
    emit available->itemClicked(customers.front());  // as a click does: enables ">"
    auto* toSelected = dialog->findChild<QPushButton*>(QStringLiteral("cmdTables(0)"));
    ASSERT_TRUE(toSelected->isEnabled());
    toSelected->click();
    dialog->accept();

    EXPECT_EQ(component->property("VLNConnectionString").toString(), connection);
    EXPECT_TRUE(form->isDirty());
    // One step on the form's undo stack undoes the whole edit.
    EXPECT_EQ(form->commandHistory()->undoText(), "Edit Connection");

    const QString ui = form->contents();
    auto saved = [&ui](const char* name, const QString& value) {
        const QRegularExpression re(QStringLiteral("<property name=\"%1\">\\s*<(string|number)>%2</")
                                        .arg(QLatin1String(name), QRegularExpression::escape(value.toHtmlEscaped())));
        return re.match(ui).hasMatch();
    };
    EXPECT_TRUE(saved("VLNConnectionString", connection)) << ui.toStdString();
    EXPECT_TRUE(saved("ConnectionTimeout", "17")) << ui.toStdString();
    EXPECT_TRUE(saved("VLNCommandTimeout", "42")) << ui.toStdString();
    // The page writes each chosen table after a ";" (loading skips the empty first name).
    EXPECT_TRUE(saved("VLNTableString", ";Customers")) << ui.toStdString();
    EXPECT_TRUE(saved("VLNCommandType", "Tables")) << ui.toStdString();

    // uic turns the saved properties into setter calls on the component.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile file(dir.filePath("form.ui"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(ui.toUtf8());
    file.close();
    QProcess uic;
    uic.start(QStringLiteral(LORVANE_UIC), {file.fileName()});
    ASSERT_TRUE(uic.waitForFinished(60000));
    ASSERT_EQ(uic.exitCode(), 0) << uic.readAllStandardError().toStdString();
    const QString code = QString::fromUtf8(uic.readAllStandardOutput());
    EXPECT_TRUE(code.contains("#include <Lorvane/Lorvanev2.h>")) << code.toStdString();
    // Strings are translatable by default, so uic wraps them in translate().
    EXPECT_TRUE(code.contains("vln->setVLNConnectionString(QCoreApplication::translate(\"HostForm\", \"" + connection +
                              "\", nullptr));"))
        << code.toStdString();
    EXPECT_TRUE(code.contains("vln->setVLNTableString(QCoreApplication::translate(\"HostForm\", \";Customers\", nullptr));"))
        << code.toStdString();
    EXPECT_TRUE(code.contains("vln->setConnectionTimeout(17);")) << code.toStdString();
    delete form;
}
