#pragma once

#include <QWidget>

class QListWidget;
class QPushButton;

namespace lorvane {

class frmQDM;

// Page 2: the output fields, in output order.
class FieldPage : public QWidget {
    Q_OBJECT
public:
    explicit FieldPage(frmQDM& window);

    // Offers every field of the selected tables not already output.
    void fillLists();
    // OutputFieldList becomes the output list.
    void captureOutputList();

    void addOne();
    void addAll();
    void removeOne();
    void removeAll();

private:
    frmQDM& w_;
    QListWidget* from_;
    QListWidget* to_;
    QPushButton* right_;
    QPushButton* rightAll_;
    QPushButton* left_;
    QPushButton* leftAll_;
};

}  // namespace lorvane
