#pragma once

#include <QMainWindow>

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QSpinBox;
class QTableWidget;

namespace lorvane {
class Lorvanev2;
}

// A small host application: it places the component on its window, lists the component's
// properties (read through the Qt meta-object) for editing, keeps an event log, and saves or
// loads the settings through a property bag file.
class DemoWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit DemoWindow(const QString& databasePath, QWidget* parent = nullptr);

    lorvane::Lorvanev2* component() const { return component_; }
    const QString& databasePath() const { return databasePath_; }

    // Calls VLNMakeConnection with what the connection panel holds.
    void connectToDatabase();
    void showBuilder();

private:
    lorvane::Lorvanev2* component_;
    QTableWidget* properties_;
    QPlainTextEdit* log_;
    QLineEdit* connectionString_;
    QLineEdit* userName_;
    QLineEdit* password_;
    QSpinBox* connectTimeout_;
    QSpinBox* commandTimeout_;
    QSpinBox* maxRecords_;
    QCheckBox* removeSystemTables_;
    QListWidget* tables_;
    QListWidget* fields_;
    QString databasePath_;
    bool filling_ = false;

    QWidget* buildConnectionPanel(QWidget* parent);
    void refreshCollections();
    void fillProperties();
    void refreshProperty(const QString& name);
    void applyEdit(int row);
    void logEvent(const QString& text);
    void saveSettings();
    void loadSettings();
};
