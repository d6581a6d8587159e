#include "LorvaneDesignerPlugin.h"

#include "LorvaneTaskMenu.h"
#include "control/Lorvanev2.h"
#include "control/VLNConnection.h"
#include "platform/QtPrompts.h"

#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPixmap>
#include <QVBoxLayout>
#include <QtDesigner/QDesignerFormEditorInterface>
#include <QtDesigner/QDesignerFormWindowInterface>
#include <QtDesigner/QExtensionManager>

namespace lorvane {

LorvaneDesignerPlugin::LorvaneDesignerPlugin(QObject* parent) : QObject(parent) {}

QString LorvaneDesignerPlugin::name() const { return QStringLiteral("lorvane::Lorvanev2"); }
QString LorvaneDesignerPlugin::group() const { return QStringLiteral("Lorvane"); }
QString LorvaneDesignerPlugin::toolTip() const { return QStringLiteral("Lorvane visual SQL query builder"); }
QString LorvaneDesignerPlugin::whatsThis() const {
    return QStringLiteral("Opens the query builder window for the end user; set its connection with Edit Connection...");
}
QString LorvaneDesignerPlugin::includeFile() const { return QStringLiteral("control/Lorvanev2.h"); }
bool LorvaneDesignerPlugin::isContainer() const { return false; }
bool LorvaneDesignerPlugin::isInitialized() const { return initialized_; }

QIcon LorvaneDesignerPlugin::icon() const {
    // The component draws itself as its icon: the widget box shows the same picture.
    Lorvanev2 component;
    return QIcon(component.grab());
}

QWidget* LorvaneDesignerPlugin::createWidget(QWidget* parent) {
    return new Lorvanev2(parent);
}

void LorvaneDesignerPlugin::initialize(QDesignerFormEditorInterface* core) {
    if (initialized_)
        return;
    if (QExtensionManager* manager = core->extensionManager())
        manager->registerExtensions(new LorvaneTaskMenuFactory(manager), Q_TYPEID(QDesignerTaskMenuExtension));
    initialized_ = true;
}

QString LorvaneDesignerPlugin::domXml() const {
    return QStringLiteral("<ui language=\"c++\">\n"
                          " <widget class=\"lorvane::Lorvanev2\" name=\"vln\"/>\n"
                          " <customwidgets>\n"
                          "  <customwidget>\n"
                          "   <class>lorvane::Lorvanev2</class>\n"
                          "   <header>control/Lorvanev2.h</header>\n"
                          "  </customwidget>\n"
                          " </customwidgets>\n"
                          "</ui>\n");
}

LorvaneTaskMenu::LorvaneTaskMenu(Lorvanev2* component, QObject* parent)
    : QObject(parent), component_(component), edit_(new QAction(QStringLiteral("Edit Connection..."), this)) {
    connect(edit_, &QAction::triggered, this, &LorvaneTaskMenu::editConnection);
}

QAction* LorvaneTaskMenu::preferredEditAction() const { return edit_; }
QList<QAction*> LorvaneTaskMenu::taskActions() const { return {edit_}; }

void LorvaneTaskMenu::editConnection() {
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Edit Connection"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* page = new VLNConnection(std::make_shared<QtPrompts>(&dialog), &dialog);
    page->setComponent(component_);
    layout->addWidget(page);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted)
        return;
    page->apply();
    if (QDesignerFormWindowInterface* form = QDesignerFormWindowInterface::findFormWindow(component_))
        form->setDirty(true);
}

QObject* LorvaneTaskMenuFactory::createExtension(QObject* object, const QString& iid, QObject* parent) const {
    if (iid != Q_TYPEID(QDesignerTaskMenuExtension))
        return nullptr;
    if (auto* component = qobject_cast<Lorvanev2*>(object))
        return new LorvaneTaskMenu(component, parent);
    return nullptr;
}

}  // namespace lorvane
