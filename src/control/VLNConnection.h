#pragma once

#include <QList>
#include <QPair>
#include <QVariant>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace lorvane {

class Lorvanev2;
class Prompts;

// The design-time connection page of a Lorvanev2: the connection string, the two time-outs,
// whether tables, views or both are listed, and which tables the builder offers. Apply writes
// VLNConnectionString, ConnectionTimeout, VLNCommandTimeout, VLNCommandType and
// VLNTableString to the component.
class VLNConnection : public QWidget {
    Q_OBJECT
public:
    explicit VLNConnection(std::shared_ptr<Prompts> prompts, QWidget* parent = nullptr);
    ~VLNConnection() override;

    // The page is shown for this component: its properties fill the page.
    void setComponent(Lorvanev2* component);
    // What apply writes: the five design-time properties by name, in the order written. A
    // host's designer writes them through its own undo stack instead of calling apply.
    QList<QPair<QByteArray, QVariant>> values() const;
    void apply();
    bool changed() const { return changed_; }
    const QString& tableString() const { return tableString_; }

    // What builds a connection string for cmdBuildConnection (nothing when cancelled); the
    // project's ConnectionStringDialog unless set.
    void setConnectionBuilder(std::function<std::optional<QString>()> builder);

private:
    std::shared_ptr<Prompts> prompts_;
    Lorvanev2* component_ = nullptr;
    QLineEdit* connection_;
    QPushButton* build_;
    QLineEdit* connectTimeout_;
    QLineEdit* commandTimeout_;
    QComboBox* commandType_;
    QListWidget* available_;
    QListWidget* selected_;
    QPushButton* toSelected_;
    QPushButton* toAvailable_;
    std::function<std::optional<QString>()> builder_;
    QString tableString_;
    bool changed_ = false;
    bool filling_ = false;

    void listCatalogue();
    void connectionEdited(const QString& text);
    void timeoutEdited(QLineEdit* box);
    void move(QListWidget* from, QListWidget* to);
    void updateButtons();
    void buildConnection();
};

}  // namespace lorvane
