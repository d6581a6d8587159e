#include "frmCriteriaBuilder.h"

#include "BuilderWidgets.h"
#include "shared/MessageCatalogue.h"

#include <QAbstractButton>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTextCursor>
#include <QTextEdit>

namespace lorvane {

QString& frmCriteriaBuilder::CriteriaText() {
    static auto* text = new QString;
    return *text;
}

bool& frmCriteriaBuilder::Accepted() {
    static bool accepted = false;
    return accepted;
}

frmCriteriaBuilder::frmCriteriaBuilder(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmCriteriaBuilder"));
    setWindowTitle(MessageCatalogue::text(147));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* grid = new QGridLayout(this);
    text_ = new QTextEdit(this);
    text_->setObjectName(QStringLiteral("txtCriteria"));
    text_->setAcceptRichText(false);
    text_->setMaximumHeight(60);
    grid->addWidget(text_, 0, 0, 1, 6);

    // The keys, as a keypad: digits on the left, operators and words on the right.
    struct Key {
        const char* name;
        const char* caption;
        int row, column;
    };
    static const Key keys[] = {
        {"cmd7", "7", 1, 0}, {"cmd8", "8", 1, 1}, {"cmd9", "9", 1, 2},
        {"cmd4", "4", 2, 0}, {"cmd5", "5", 2, 1}, {"cmd6", "6", 2, 2},
        {"cmd1", "1", 3, 0}, {"cmd2", "2", 3, 1}, {"cmd3", "3", 3, 2},
        {"cmd0", "0", 4, 0}, {"cmdPoint", ".", 4, 1}, {"cmdApos", "'", 4, 2},
        {"cmdEquals", "=", 1, 3}, {"cmdNotEqual", "<>", 1, 4}, {"cmdLike", "LIKE", 1, 5},
        {"cmdGreaterThan", ">", 2, 3}, {"cmdLessThan", "<", 2, 4}, {"cmdBetween", "BETWEEN", 2, 5},
        {"cmdGreaterThanorEqual", ">=", 3, 3}, {"cmdLessThanorEqual", "<=", 3, 4}, {"cmdAnd", "AND", 3, 5},
        {"cmdWildCard1", "%", 4, 3}, {"cmdWildCard2", "*", 4, 4}, {"cmdWildCard3", "?", 4, 5},
    };
    for (const Key& k : keys) {
        auto* button = commandButton(this, k.name, QString::fromLatin1(k.caption));
        button->setAutoDefault(false);
        grid->addWidget(button, k.row, k.column);
        connect(button, &QPushButton::clicked, this, [this, button] { insert(button->text()); });
    }
    auto* clear = commandButton(this, "cmdDelete", QStringLiteral("C&lear"));
    auto* okButton = commandButton(this, "cmdCriteriaOK", QStringLiteral("&OK"), 231);
    auto* cancel = commandButton(this, "cmdCriteriaCancel", QStringLiteral("&Cancel"), 230);
    for (QPushButton* b : {clear, okButton, cancel})
        b->setAutoDefault(false);
    grid->addWidget(clear, 5, 0, 1, 2);
    grid->addWidget(okButton, 5, 3, 1, 2);
    grid->addWidget(cancel, 5, 5);
    connect(clear, &QPushButton::clicked, this, [this] { text_->clear(); });
    connect(okButton, &QPushButton::clicked, this, &frmCriteriaBuilder::ok);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    // Captions by tag from the message catalogue, as the builder window sets its own.
    applyCatalogueCaptions(this, 231);

    openingText_ = CriteriaText();
    text_->setPlainText(openingText_);
    text_->moveCursor(QTextCursor::End);
}

void frmCriteriaBuilder::insert(const QString& caption) {
    // The caption replaces the selection, or goes in at the cursor; the cursor then goes to
    // the end of the whole text.
    const QString t = text_->toPlainText();
    const QTextCursor cursor = text_->textCursor();
    const int s = cursor.selectionStart();
    const int length = cursor.selectionEnd() - s;
    text_->setPlainText(t.left(s) + caption + t.mid(s + length));
    text_->moveCursor(QTextCursor::End);
}

void frmCriteriaBuilder::ok() {
    const QString t = text_->toPlainText();
    Accepted() = t != openingText_;
    if (Accepted())
        CriteriaText() = t;
    accept();
}

}  // namespace lorvane
