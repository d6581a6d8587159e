#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QPushButton;
class QTextEdit;

namespace lorvane {

class frmQDM;

// Page 3: the statement in the SQL window, the DISTINCT choice, the run and view commands.
class QueryPage : public QWidget {
    Q_OBJECT
public:
    explicit QueryPage(frmQDM& window);

    QTextEdit* sqlWindow() const { return sql_; }
    // The SQL view command: tidies the criteria tables and regenerates the statement.
    void sqlView();
    // The create-view command stands beside the run command only when views are allowed.
    void placeCreateView(bool allowed);
    void enableRun(bool enabled);

private:
    frmQDM& w_;
    QTextEdit* sql_;
    QPushButton* run_;
    QPushButton* createView_;
    QPushButton* sqlView_;
    QCheckBox* distinct_;
};

}  // namespace lorvane
