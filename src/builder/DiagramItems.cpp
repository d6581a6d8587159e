#include "DiagramItems.h"

#include "JoinDiagram.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QGraphicsScene>
#include <QGraphicsSceneContextMenuEvent>
#include <QGraphicsSceneMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QStyleOptionGraphicsItem>

namespace lorvane {

namespace {
constexpr qreal kPad = 6;
constexpr qreal kMarkGap = 10;
const QColor kBoxFill(250, 250, 252);
const QColor kTitleFill(214, 226, 242);
const QColor kBorder(110, 120, 140);
const QColor kFocus(30, 100, 200);
const QColor kTarget(255, 236, 150);
const QColor kLine(70, 80, 100);

QString marksOf(bool key, bool foreignKey) {
    if (key && foreignKey)
        return QStringLiteral("key fk");
    return key ? QStringLiteral("key") : foreignKey ? QStringLiteral("fk") : QString();
}

QFont smallerFont(QFont font) {
    font.setPointSizeF(std::max<qreal>(6, font.pointSizeF() * 0.8));
    return font;
}
}  // namespace

// ----- FieldItem -----

FieldItem::FieldItem(JoinDiagram& diagram, const QString& table, const QString& item, const QString& label, bool key,
                     bool foreignKey, QGraphicsItem* parent)
    : QGraphicsObject(parent), diagram_(diagram), table_(table), item_(item), label_(label), key_(key),
      foreignKey_(foreignKey) {
    setObjectName(QStringLiteral("col:") + item);
    setFlag(ItemIsFocusable);
    setAcceptedMouseButtons(Qt::LeftButton);
    QString name = item;
    if (key)
        name += QStringLiteral(", key");
    if (foreignKey)
        name += QStringLiteral(", foreign key");
    setProperty("accessibleName", name);
    setToolTip(name);
}

qreal FieldItem::naturalWidth(const QFontMetricsF& metrics) const {
    const QString marks = marksOf(key_, foreignKey_);
    qreal w = kPad * 2 + metrics.horizontalAdvance(label_);
    if (!marks.isEmpty())
        w += kMarkGap + metrics.horizontalAdvance(marks);
    return w;
}

void FieldItem::setSize(qreal width, qreal height) {
    prepareGeometryChange();
    width_ = width;
    height_ = height;
}

QRectF FieldItem::boundingRect() const { return QRectF(0, 0, width_, height_); }

void FieldItem::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) {
    const QRectF r = boundingRect();
    if (highlighted_ || dragging_)
        painter->fillRect(r, highlighted_ ? kTarget : kTitleFill);
    const QFont font = scene() ? scene()->font() : QApplication::font();
    painter->setFont(font);
    painter->setPen(Qt::black);
    painter->drawText(r.adjusted(kPad, 0, -kPad, 0), Qt::AlignLeft | Qt::AlignVCenter, label_);
    const QString marks = marksOf(key_, foreignKey_);
    if (!marks.isEmpty()) {
        painter->setFont(smallerFont(font));
        painter->setPen(key_ ? QColor(150, 90, 0) : QColor(60, 110, 60));
        painter->drawText(r.adjusted(kPad, 0, -kPad, 0), Qt::AlignRight | Qt::AlignVCenter, marks);
    }
    if (hasFocus()) {
        painter->setPen(QPen(kFocus, 1, Qt::DashLine));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(r.adjusted(1, 1, -1, -1));
    }
}

void FieldItem::setHighlighted(bool on) {
    if (highlighted_ == on)
        return;
    highlighted_ = on;
    update();
}

QPointF FieldItem::anchor(bool rightSide) const {
    const QRectF r = boundingRect();
    return mapToScene(QPointF(rightSide ? r.right() : r.left(), r.center().y()));
}

void FieldItem::mousePressEvent(QGraphicsSceneMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    // The press is this row's: the box does not move, a join is being drawn.
    event->accept();
    setFocus(Qt::MouseFocusReason);
    dragging_ = true;
    update();
    diagram_.beginDrag(this);
}

void FieldItem::mouseMoveEvent(QGraphicsSceneMouseEvent* event) {
    if (dragging_)
        diagram_.dragTo(this, event->scenePos());
}

void FieldItem::mouseReleaseEvent(QGraphicsSceneMouseEvent* event) {
    if (!dragging_)
        return;
    dragging_ = false;
    update();
    diagram_.endDrag(this, event->scenePos(), event->screenPos());
}

void FieldItem::focusInEvent(QFocusEvent* event) {
    QGraphicsObject::focusInEvent(event);
    update();
}

void FieldItem::focusOutEvent(QFocusEvent* event) {
    QGraphicsObject::focusOutEvent(event);
    update();
}

// ----- TableBox -----

TableBox::TableBox(JoinDiagram& diagram, const QString& table) : diagram_(diagram), table_(table) {
    setObjectName(QStringLiteral("tbl:") + table);
    setFlags(ItemIsMovable | ItemIsSelectable | ItemIsFocusable | ItemSendsGeometryChanges);
    setToolTip(table);
}

qreal TableBox::titleHeight(const QFontMetricsF& metrics) { return metrics.height() + 8; }
qreal TableBox::rowHeight(const QFontMetricsF& metrics) { return metrics.height() + 4; }

FieldItem* TableBox::addField(const QString& item, const QString& label, bool key, bool foreignKey) {
    auto* field = new FieldItem(diagram_, table_, item, label, key, foreignKey, this);
    fields_ << field;
    return field;
}

void TableBox::finish(const QFontMetricsF& metrics) {
    prepareGeometryChange();
    QFont bold = QApplication::font();
    bold.setBold(true);
    const QFontMetricsF boldMetrics(bold);
    qreal w = std::max<qreal>(120, boldMetrics.horizontalAdvance(table_) + 2 * kPad);
    for (FieldItem* f : fields_)
        w = std::max(w, f->naturalWidth(metrics));
    width_ = w;
    title_ = titleHeight(metrics);
    const qreal row = rowHeight(metrics);
    qreal y = title_;
    for (FieldItem* f : fields_) {
        f->setSize(w, row);
        f->setPos(0, y);
        y += row;
    }
    height_ = y + 2;
    setProperty("accessibleName", QStringLiteral("Table %1, %2 field%3")
                                      .arg(table_)
                                      .arg(fields_.size())
                                      .arg(fields_.size() == 1 ? "" : "s"));
}

QRectF TableBox::boundingRect() const { return QRectF(-1, -1, width_ + 2, height_ + 2); }

void TableBox::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) {
    const QRectF r(0, 0, width_, height_);
    painter->setPen(QPen(hasFocus() || isSelected() ? kFocus : kBorder, hasFocus() ? 2 : 1));
    painter->setBrush(kBoxFill);
    painter->drawRect(r);
    painter->fillRect(QRectF(1, 1, width_ - 1, title_ - 1), kTitleFill);
    painter->drawLine(QPointF(0, title_), QPointF(width_, title_));
    QFont bold = scene() ? scene()->font() : QApplication::font();
    bold.setBold(true);
    painter->setFont(bold);
    painter->setPen(Qt::black);
    painter->drawText(QRectF(kPad, 0, width_ - 2 * kPad, title_), Qt::AlignLeft | Qt::AlignVCenter, table_);
}

QVariant TableBox::itemChange(GraphicsItemChange change, const QVariant& value) {
    if (change == ItemPositionHasChanged) {
        for (JoinLine* line : std::as_const(lines_))
            line->track();
        diagram_.boxMoved(this);
    }
    return QGraphicsObject::itemChange(change, value);
}

void TableBox::focusInEvent(QFocusEvent* event) {
    QGraphicsObject::focusInEvent(event);
    update();
}

void TableBox::focusOutEvent(QFocusEvent* event) {
    QGraphicsObject::focusOutEvent(event);
    update();
}

// ----- JoinLine -----

JoinLine::JoinLine(JoinDiagram& diagram, int group, FieldItem* left, FieldItem* right, const QString& symbol,
                   const QString& words)
    : diagram_(diagram), group_(group), left_(left), right_(right), symbol_(symbol), words_(words) {
    setObjectName(QStringLiteral("join:%1=%2").arg(left->item(), right->item()));
    setFlags(ItemIsFocusable | ItemIsSelectable);
    setAcceptedMouseButtons(Qt::LeftButton | Qt::RightButton);
    setZValue(-1);  // under the boxes: a line never hides a field to be dragged from
    setProperty("accessibleName", QStringLiteral("Join %1 to %2, %3").arg(left->item(), right->item(), words));
    setToolTip(words);
    // The label says the type in a word or two, so that it fits between two boxes; the tooltip
    // and the accessible name say it whole.
    label_ = symbol == u">=" ? QStringLiteral("left outer") : symbol == u"<>" ? QStringLiteral("full outer")
                                                                               : QStringLiteral("inner");
    const QFontMetricsF metrics(QApplication::font());
    labelSize_ = QSizeF(metrics.horizontalAdvance(label_) + 8, metrics.height() + 2);
    track();
}

void JoinLine::track() {
    // From the facing sides of the two boxes; boxes one above the other are linked on the right.
    const QRectF a = left_->sceneBoundingRect();
    const QRectF b = right_->sceneBoundingRect();
    QPointF p1, p2;
    qreal bend = 0;
    if (a.right() < b.left()) {
        p1 = left_->anchor(true);
        p2 = right_->anchor(false);
        bend = std::max<qreal>(30, (p2.x() - p1.x()) / 2);
        path_ = QPainterPath(p1);
        path_.cubicTo(p1 + QPointF(bend, 0), p2 - QPointF(bend, 0), p2);
    } else if (b.right() < a.left()) {
        p1 = left_->anchor(false);
        p2 = right_->anchor(true);
        bend = std::max<qreal>(30, (p1.x() - p2.x()) / 2);
        path_ = QPainterPath(p1);
        path_.cubicTo(p1 - QPointF(bend, 0), p2 + QPointF(bend, 0), p2);
    } else {
        p1 = left_->anchor(true);
        p2 = right_->anchor(true);
        path_ = QPainterPath(p1);
        const qreal x = std::max(p1.x(), p2.x()) + 40;
        path_.cubicTo(QPointF(x, p1.y()), QPointF(x, p2.y()), p2);
    }
    // The label sits on the line's middle: a click on it is a click on the line.
    labelAt_ = path_.pointAtPercent(0.5);
    labelRect_ = QRectF(labelAt_ - QPointF(labelSize_.width() / 2, labelSize_.height() / 2), labelSize_);
    prepareGeometryChange();
    bounds_ = path_.boundingRect().united(labelRect_).adjusted(-6, -6, 6, 6);
}

QRectF JoinLine::boundingRect() const { return bounds_; }

QPainterPath JoinLine::shape() const {
    QPainterPathStroker stroker;
    stroker.setWidth(8);
    QPainterPath shape = stroker.createStroke(path_);
    shape.addRect(labelRect_);
    return shape;
}

void JoinLine::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) {
    const bool marked = hasFocus() || isSelected();
    Qt::PenStyle style = symbol_ == u"=" ? Qt::SolidLine : symbol_ == u">=" ? Qt::DashLine : Qt::DotLine;
    painter->setPen(QPen(marked ? kFocus : kLine, marked ? 2.5 : 1.5, style));
    painter->setBrush(Qt::NoBrush);
    painter->drawPath(path_);
    painter->setBrush(marked ? kFocus : kLine);
    painter->setPen(Qt::NoPen);
    painter->drawEllipse(path_.pointAtPercent(0), 3, 3);
    painter->drawEllipse(path_.pointAtPercent(1), 3, 3);
    painter->setPen(QPen(marked ? kFocus : kBorder, 1));
    painter->setBrush(QColor(255, 255, 255, 230));
    painter->drawRect(labelRect_);
    painter->setFont(QApplication::font());
    painter->setPen(Qt::black);
    painter->drawText(labelRect_, Qt::AlignCenter, label_);
}

void JoinLine::mousePressEvent(QGraphicsSceneMouseEvent* event) {
    event->accept();
    setFocus(Qt::MouseFocusReason);
    if (event->button() == Qt::RightButton)
        diagram_.offerLineMenu(this, event->screenPos());
}

void JoinLine::mouseDoubleClickEvent(QGraphicsSceneMouseEvent* event) {
    event->accept();
    if (event->button() == Qt::LeftButton)
        diagram_.offerLineMenu(this, event->screenPos());
}

void JoinLine::contextMenuEvent(QGraphicsSceneContextMenuEvent* event) {
    // A right press has already opened the menu; the menu key has not.
    event->accept();
    if (event->reason() != QGraphicsSceneContextMenuEvent::Mouse)
        diagram_.offerLineMenu(this, event->screenPos());
}

void JoinLine::focusInEvent(QFocusEvent* event) {
    QGraphicsObject::focusInEvent(event);
    update();
}

void JoinLine::focusOutEvent(QFocusEvent* event) {
    QGraphicsObject::focusOutEvent(event);
    update();
}

}  // namespace lorvane
