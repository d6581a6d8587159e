#pragma once

#include "platform/LorvaneExport.h"

#include <QString>
#include <optional>

namespace lorvane {

// Everything the component asks of the person in front of the screen goes through here: the
// application uses QtPrompts (message boxes, input box, file dialogs, the desktop's opener);
// tests use ScriptedPrompts, which records each prompt and answers from a script.
class LORVANE_EXPORT Prompts {
public:
    enum class Icon { None, Critical, Question, Exclamation, Information };
    enum class Buttons { Ok, OkCancel, AbortRetryIgnore, YesNoCancel, YesNo, RetryCancel };
    enum class Answer { Ok, Cancel, Abort, Retry, Ignore, Yes, No };

    struct Message {
        QString text;
        QString title;
        Icon icon = Icon::None;
        Buttons buttons = Buttons::Ok;
        int defaultButton = 0;  // 0 first, 1 second, 2 third
    };

    struct FileDialog {
        QString title;
        QString filter;         // "Query files (*.vln)"
        QString directory;
        QString defaultSuffix;  // "vln"
    };

    virtual ~Prompts() = default;

    virtual Answer message(const Message& message) = 0;
    // The text typed, or nothing when the user cancelled.
    virtual std::optional<QString> input(const QString& prompt, const QString& title, const QString& defaultText) = 0;
    // The chosen path, or nothing when the user cancelled.
    virtual std::optional<QString> openFileName(const FileDialog& dialog) = 0;
    virtual std::optional<QString> saveFileName(const FileDialog& dialog) = 0;
    // Opens a document (the help file) with the desktop's program for it; false when it cannot.
    virtual bool openDocument(const QString& path) = 0;

    // The answer a button set gives for its default button.
    static Answer defaultAnswer(Buttons buttons, int defaultButton);
};

}  // namespace lorvane
