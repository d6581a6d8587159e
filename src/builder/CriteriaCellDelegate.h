#pragma once

#include <QStyledItemDelegate>

namespace lorvane {

// Draws a drop-down button at the right of every criteria grid cell; pressing it asks for the
// keypad on that cell (buttonPressed). The rest of the cell edits as text.
class CriteriaCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // Where a cell's button is drawn.
    static QRect buttonRect(const QRect& cell);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

signals:
    void buttonPressed(const QModelIndex& index);
};

}  // namespace lorvane
