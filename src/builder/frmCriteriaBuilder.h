#pragma once

#include <QDialog>

class QTextEdit;

namespace lorvane {

// The criteria keypad: edits the text of one criteria cell by pressing buttons that insert
// their own caption (digits, the apostrophe, comparison operators, wildcards, BETWEEN, AND).
// The caller puts the cell's text into CriteriaText() and opens it (modal to its window);
// when it has closed, Accepted() says whether OK took a changed text, which is then in
// CriteriaText(). Cancel leaves both as they were.
class frmCriteriaBuilder : public QDialog {
    Q_OBJECT
public:
    explicit frmCriteriaBuilder(QWidget* parent = nullptr);

    // Shared with the caller: one of each per process.
    static QString& CriteriaText();
    static bool& Accepted();

    QTextEdit* textBox() const { return text_; }

private:
    QTextEdit* text_;
    QString openingText_;

    void insert(const QString& caption);
    void ok();
};

}  // namespace lorvane
