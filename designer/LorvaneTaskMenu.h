#pragma once

#include <QtDesigner/QDesignerTaskMenuExtension>
#include <QtDesigner/QExtensionFactory>

class QAction;

namespace lorvane {

class Lorvanev2;

// "Edit Connection..." on a Lorvanev2 in a form: the design-time connection page in a
// dialog; OK writes the five design-time properties through the form, so they are saved.
class LorvaneTaskMenu : public QObject, public QDesignerTaskMenuExtension {
    Q_OBJECT
    Q_INTERFACES(QDesignerTaskMenuExtension)
public:
    LorvaneTaskMenu(Lorvanev2* component, QObject* parent);
    QAction* preferredEditAction() const override;
    QList<QAction*> taskActions() const override;

private:
    Lorvanev2* component_;
    QAction* edit_;
    void editConnection();
};

class LorvaneTaskMenuFactory : public QExtensionFactory {
    Q_OBJECT
public:
    explicit LorvaneTaskMenuFactory(QExtensionManager* parent = nullptr) : QExtensionFactory(parent) {}

protected:
    QObject* createExtension(QObject* object, const QString& iid, QObject* parent) const override;
};

}  // namespace lorvane
