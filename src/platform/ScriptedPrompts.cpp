#include "ScriptedPrompts.h"

namespace lorvane {

template <typename T> std::optional<T> ScriptedPrompts::next() {
    if (!replies_.empty() && std::holds_alternative<T>(replies_.front())) {
        T value = std::get<T>(replies_.front());
        replies_.pop_front();
        return value;
    }
    ++unscripted_;
    return std::nullopt;
}

Prompts::Answer ScriptedPrompts::message(const Message& m) {
    records_.append({Record::Kind::Message, m.text, m.title, m.icon, m.buttons, m.defaultButton});
    return next<Answer>().value_or(defaultAnswer(m.buttons, m.defaultButton));
}

std::optional<QString> ScriptedPrompts::input(const QString& prompt, const QString& title, const QString&) {
    records_.append({Record::Kind::Input, prompt, title});
    return next<std::optional<QString>>().value_or(std::nullopt);
}

std::optional<QString> ScriptedPrompts::openFileName(const FileDialog& dialog) {
    records_.append({Record::Kind::OpenFile, dialog.title, dialog.filter});
    return next<std::optional<QString>>().value_or(std::nullopt);
}

std::optional<QString> ScriptedPrompts::saveFileName(const FileDialog& dialog) {
    records_.append({Record::Kind::SaveFile, dialog.title, dialog.filter});
    return next<std::optional<QString>>().value_or(std::nullopt);
}

bool ScriptedPrompts::openDocument(const QString& path) {
    records_.append({Record::Kind::OpenDocument, path, QString()});
    return next<bool>().value_or(false);
}

}  // namespace lorvane
