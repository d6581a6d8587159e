#pragma once

#include "BuilderWidgets.h"

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
    QStringList availableFields() const;
    // A saved query was opened: its output and available fields.
    void restore(const QStringList& output, const QStringList& available);

    void addOne();
    void addAll();
    void removeOne();
    void removeAll();

private:
    frmQDM& w_;
    DualLists d_;  // the two lists and the four move buttons
};

}  // namespace lorvane
