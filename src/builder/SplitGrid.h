#pragma once

#include <QSplitter>
#include <functional>

class QAbstractItemModel;
class QTableView;

namespace lorvane {

// A data grid that can be split into views side by side: every view shows the same model and
// they scroll vertically as one. The grid starts with one view.
class SplitGrid : public QSplitter {
    Q_OBJECT
public:
    // Views are named name + "Split" + index; setUp configures each new view.
    SplitGrid(const QString& name, QAbstractItemModel* model, std::function<void(QTableView*)> setUp,
              QWidget* parent = nullptr);

    QTableView* addView();
    // Removes the last view while more than one is left.
    void removeLastView();
    QTableView* view(int index) const;
    // Every column as wide as what it shows (measured over a bounded sample of rows).
    void fitColumns();
    // Runs reset (which resets the model) and gives every view back the column widths, by
    // heading, and the horizontal position it had: what the user sees stays where it was.
    // Columns new to a view are fitted to what they show.
    void keepLayoutAcross(const std::function<void()>& reset);

private:
    QAbstractItemModel* model_;
    std::function<void(QTableView*)> setUp_;
};

}  // namespace lorvane
