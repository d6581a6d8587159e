#pragma once

#include "Prompts.h"

#include <QList>
#include <QStringList>
#include <deque>
#include <variant>

namespace lorvane {

// Prompts for tests: records every prompt and answers from a script, in order. A prompt with
// no scripted answer takes its default button (a message), or is cancelled (input and file
// dialogs), and is counted in unscripted() so a test can notice a question it did not expect.
class ScriptedPrompts : public Prompts {
public:
    struct Record {
        enum class Kind { Message, Input, OpenFile, SaveFile, OpenDocument } kind;
        QString text;   // message text, input prompt, dialog title or document path
        QString title;  // message or input title; file filter for dialogs
        Icon icon = Icon::None;
        Buttons buttons = Buttons::Ok;
        int defaultButton = 0;
    };

    using Reply = std::variant<Answer, std::optional<QString>, bool>;

    void answer(Answer a) { replies_.push_back(a); }
    void type(const QString& text) { replies_.push_back(std::optional<QString>(text)); }
    void choose(const QString& path) { replies_.push_back(std::optional<QString>(path)); }
    void cancel() { replies_.push_back(std::optional<QString>()); }
    void documentOpens(bool opens) { replies_.push_back(opens); }

    const QList<Record>& records() const { return records_; }
    int unscripted() const { return unscripted_; }
    qsizetype pending() const { return static_cast<qsizetype>(replies_.size()); }
    void clear() {
        records_.clear();
        replies_.clear();
        unscripted_ = 0;
    }

    Answer message(const Message& m) override;
    std::optional<QString> input(const QString& prompt, const QString& title, const QString& defaultText) override;
    std::optional<QString> openFileName(const FileDialog& dialog) override;
    std::optional<QString> saveFileName(const FileDialog& dialog) override;
    bool openDocument(const QString& path) override;

private:
    QList<Record> records_;
    std::deque<Reply> replies_;
    int unscripted_ = 0;

    template <typename T> std::optional<T> next();
};

}  // namespace lorvane
