#include "CriteriaCellDelegate.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>

namespace lorvane {

QRect CriteriaCellDelegate::buttonRect(const QRect& cell) {
    const int side = std::min(cell.height(), 18);
    return {cell.right() - side + 1, cell.top() + (cell.height() - side) / 2, side, side};
}

void CriteriaCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem text = option;
    text.rect.setRight(buttonRect(option.rect).left() - 1);
    QStyledItemDelegate::paint(painter, text, index);
    QStyleOptionButton button;
    button.rect = buttonRect(option.rect);
    button.state = QStyle::State_Enabled | QStyle::State_Raised;
    QStyle* style = option.widget ? option.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_PushButtonBevel, &button, painter, option.widget);
    QStyleOption arrow;
    arrow.rect = button.rect.adjusted(4, 4, -4, -4);
    arrow.palette = option.palette;
    arrow.state = QStyle::State_Enabled;
    style->drawPrimitive(QStyle::PE_IndicatorArrowDown, &arrow, painter, option.widget);
}

bool CriteriaCellDelegate::editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                                       const QModelIndex& index) {
    if (event->type() == QEvent::MouseButtonRelease || event->type() == QEvent::MouseButtonPress ||
        event->type() == QEvent::MouseButtonDblClick) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && buttonRect(option.rect).contains(mouse->position().toPoint())) {
            if (event->type() == QEvent::MouseButtonRelease)
                emit buttonPressed(index);
            return true;  // the button takes the click: no editing starts under it
        }
    }
    return QStyledItemDelegate::editorEvent(event, model, option, index);
}

}  // namespace lorvane
