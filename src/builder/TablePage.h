#pragma once

#include "BuilderWidgets.h"

#include <QHash>
#include <QWidget>

class QListWidget;
class QPushButton;

namespace lorvane {

class frmQDM;

// Page 0: the tables of the query, moved between the available and the selected list.
class TablePage : public QWidget {
    Q_OBJECT
public:
    explicit TablePage(frmQDM& window);

    void fillAvailable(const QStringList& tables);
    // Which other pages may be used, for the selected-table count.
    void pageAvailability(bool enable, const QString& joinText);
    void singleTableRule();
    // After the tables changed: TableList, FieldList and OutputFieldList from the catalogue,
    // then the field and join pages. False (with the "No Fields" message) when there are none.
    bool rebuildFieldLists();
    QStringList selectedTables() const;
    QStringList availableTables() const;
    // A table the database gained while the window is open (a view just created).
    void offerTable(const QString& name);
    // A saved query was opened: its selected and available tables.
    void restore(const QStringList& selected, const QStringList& available);

    void addOne();
    void addAll();
    void removeOne();
    void removeAll();

private:
    frmQDM& w_;
    DualLists d_;  // the two lists, the four move buttons and the filter box
    // Each table's place in the catalogue: a table taken out of the query goes back there.
    QHash<QString, int> catalogueOrder_;

    void rememberOrder(const QStringList& tables);
    // The row of the available list where a table taken out of the query belongs.
    int placeInAvailable(const QString& name) const;
    void filterChanged();

    void afterAddJump();
    void joinCleanUp();
    void syncSelected();
};

}  // namespace lorvane
