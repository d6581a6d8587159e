#include "LorvaneDesignerPlugin.h"

#include "LorvaneTaskMenu.h"
#include "control/Lorvanev2.h"
#include "control/VLNConnection.h"
#include "platform/QtPrompts.h"

#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPixmap>
#include <QPointer>
#include <QVBoxLayout>
#include <QtDesigner/QDesignerFormEditorInterface>
#include <QtDesigner/QDesignerFormWindowCursorInterface>
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
// In angle brackets: the host includes the installed public header (<header location="global">).
QString LorvaneDesignerPlugin::includeFile() const { return QStringLiteral("<Lorvane/Lorvanev2.h>"); }
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
                          "   <header location=\"global\">Lorvane/Lorvanev2.h</header>\n"
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

// The dialog is opened without blocking; OK writes the page's values through the form's
// cursor, as the property editor would: one undo step, the form marked modified, and the
// properties saved in the .ui (so uic sets them in the host).
void LorvaneTaskMenu::editConnection() {
    auto* dialog = new QDialog(component_->window());
    dialog->setObjectName(QStringLiteral("LorvaneEditConnection"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(QStringLiteral("Edit Connection"));
    auto* layout = new QVBoxLayout(dialog);
    auto* page = new VLNConnection(std::make_shared<QtPrompts>(dialog), dialog);
    page->setComponent(component_);
    layout->addWidget(page);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    QPointer<Lorvanev2> component = component_;
    connect(dialog, &QDialog::accepted, this, [component, page] {
        if (!component)
            return;
        QDesignerFormWindowInterface* form = QDesignerFormWindowInterface::findFormWindow(component);
        if (!form) {
            page->apply();
            return;
        }
        form->beginCommand(QStringLiteral("Edit Connection"));
        for (const auto& [name, value] : page->values())
            form->cursor()->setWidgetProperty(component, QString::fromLatin1(name), value);
        form->endCommand();
    });
    dialog->open();
}

QObject* LorvaneTaskMenuFactory::createExtension(QObject* object, const QString& iid, QObject* parent) const {
    if (iid != Q_TYPEID(QDesignerTaskMenuExtension))
        return nullptr;
    if (auto* component = qobject_cast<Lorvanev2*>(object))
        return new LorvaneTaskMenu(component, parent);
    return nullptr;
}

}  // namespace lorvane
