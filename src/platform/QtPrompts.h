#pragma once

#include "Prompts.h"

#include <QPointer>
#include <QWidget>

namespace lorvane {

// Prompts shown with Qt's dialogs, parented to a window when one is given.
class QtPrompts : public Prompts {
public:
    explicit QtPrompts(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }

    Answer message(const Message& message) override;
    std::optional<QString> input(const QString& prompt, const QString& title, const QString& defaultText) override;
    std::optional<QString> openFileName(const FileDialog& dialog) override;
    std::optional<QString> saveFileName(const FileDialog& dialog) override;
    bool openDocument(const QString& path) override;

private:
    QPointer<QWidget> parent_;
};

}  // namespace lorvane
