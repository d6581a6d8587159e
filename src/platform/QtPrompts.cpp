#include "QtPrompts.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QUrl>
#include <vector>

namespace lorvane {

namespace {

std::vector<std::pair<QMessageBox::StandardButton, Prompts::Answer>> buttonsOf(Prompts::Buttons b) {
    using SB = QMessageBox::StandardButton;
    using A = Prompts::Answer;
    switch (b) {
    case Prompts::Buttons::Ok: return {{SB::Ok, A::Ok}};
    case Prompts::Buttons::OkCancel: return {{SB::Ok, A::Ok}, {SB::Cancel, A::Cancel}};
    case Prompts::Buttons::AbortRetryIgnore: return {{SB::Abort, A::Abort}, {SB::Retry, A::Retry}, {SB::Ignore, A::Ignore}};
    case Prompts::Buttons::YesNoCancel: return {{SB::Yes, A::Yes}, {SB::No, A::No}, {SB::Cancel, A::Cancel}};
    case Prompts::Buttons::YesNo: return {{SB::Yes, A::Yes}, {SB::No, A::No}};
    case Prompts::Buttons::RetryCancel: return {{SB::Retry, A::Retry}, {SB::Cancel, A::Cancel}};
    }
    return {{SB::Ok, A::Ok}};
}

QMessageBox::Icon iconOf(Prompts::Icon icon) {
    switch (icon) {
    case Prompts::Icon::Critical: return QMessageBox::Critical;
    case Prompts::Icon::Question: return QMessageBox::Question;
    case Prompts::Icon::Exclamation: return QMessageBox::Warning;
    case Prompts::Icon::Information: return QMessageBox::Information;
    case Prompts::Icon::None: break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

Prompts::Answer QtPrompts::message(const Message& m) {
    QMessageBox box(iconOf(m.icon), m.title, m.text, QMessageBox::NoButton, parent_);
    const auto buttons = buttonsOf(m.buttons);
    for (const auto& [standard, answer] : buttons)
        box.addButton(standard);
    const auto i = static_cast<std::size_t>(m.defaultButton);
    box.setDefaultButton(buttons[i < buttons.size() ? i : 0].first);
    const auto clicked = static_cast<QMessageBox::StandardButton>(box.exec());
    for (const auto& [standard, answer] : buttons)
        if (standard == clicked)
            return answer;
    // Closed with Escape or the title bar: the last button answers (Cancel or No).
    return buttons.back().second;
}

std::optional<QString> QtPrompts::input(const QString& prompt, const QString& title, const QString& defaultText) {
    bool ok = false;
    const QString text = QInputDialog::getText(parent_, title, prompt, QLineEdit::Normal, defaultText, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

std::optional<QString> QtPrompts::openFileName(const FileDialog& d) {
    const QString path = QFileDialog::getOpenFileName(parent_, d.title, d.directory, d.filter);
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

std::optional<QString> QtPrompts::saveFileName(const FileDialog& d) {
    QFileDialog dialog(parent_, d.title, d.directory, d.filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(d.defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first();
}

bool QtPrompts::openDocument(const QString& path) {
    return QFileInfo::exists(path) && QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

}  // namespace lorvane
