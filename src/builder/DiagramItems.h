#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QGraphicsObject>
#include <QList>
#include <QPainterPath>
#include <QString>

namespace lorvane {

class JoinDiagram;
class JoinLine;

// One field row of a table box. Pressing on it and releasing on a field of another table
// offers a join between the two.
class FieldItem : public QGraphicsObject {
    Q_OBJECT
public:
    FieldItem(JoinDiagram& diagram, const QString& table, const QString& item, const QString& label, bool key,
              bool foreignKey, QGraphicsItem* parent);

    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

    const QString& table() const { return table_; }
    const QString& item() const { return item_; }
    bool isKey() const { return key_; }
    bool isForeignKey() const { return foreignKey_; }
    // The width the label and marks need; the box makes every row as wide as its widest.
    qreal naturalWidth(const QFontMetricsF& metrics) const;
    void setSize(qreal width, qreal height);
    // Marked as the field a join being made would reach.
    void setHighlighted(bool on);
    bool highlighted() const { return highlighted_; }
    // Where a line meets this row, on its left or right side, in scene coordinates.
    QPointF anchor(bool rightSide) const;

protected:
    void mousePressEvent(QGraphicsSceneMouseEvent* event) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent* event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    JoinDiagram& diagram_;
    QString table_, item_, label_;
    bool key_, foreignKey_;
    bool highlighted_ = false;
    bool dragging_ = false;
    qreal width_ = 0, height_ = 0;
};

// A table of the query: its name over its fields. Moving it drags the lines along.
class TableBox : public QGraphicsObject {
    Q_OBJECT
public:
    TableBox(JoinDiagram& diagram, const QString& table);

    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

    const QString& table() const { return table_; }
    FieldItem* addField(const QString& item, const QString& label, bool key, bool foreignKey);
    // Sizes the rows once every field is in.
    void finish(const QFontMetricsF& metrics);
    const QList<FieldItem*>& fields() const { return fields_; }
    void attach(JoinLine* line) { lines_ << line; }
    qreal width() const { return width_; }
    qreal height() const { return height_; }

    static qreal titleHeight(const QFontMetricsF& metrics);
    static qreal rowHeight(const QFontMetricsF& metrics);

protected:
    QVariant itemChange(GraphicsItemChange change, const QVariant& value) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    JoinDiagram& diagram_;
    QString table_;
    QList<FieldItem*> fields_;
    QList<JoinLine*> lines_;
    qreal width_ = 0, height_ = 0, title_ = 0;
};

// One join condition: a line from one field to the other, labelled with the join's type.
class JoinLine : public QGraphicsObject {
    Q_OBJECT
public:
    JoinLine(JoinDiagram& diagram, int group, FieldItem* left, FieldItem* right, const QString& symbol,
             const QString& words);

    QRectF boundingRect() const override;
    QPainterPath shape() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

    int group() const { return group_; }
    int row() const { return row_; }
    void setRow(int row) { row_ = row; }
    const QString& symbol() const { return symbol_; }
    const QString& words() const { return words_; }
    const QString& label() const { return label_; }
    FieldItem* leftField() const { return left_; }
    FieldItem* rightField() const { return right_; }
    // Follows its fields after a box moved.
    void track();

protected:
    void mousePressEvent(QGraphicsSceneMouseEvent* event) override;
    void mouseDoubleClickEvent(QGraphicsSceneMouseEvent* event) override;
    void contextMenuEvent(QGraphicsSceneContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    JoinDiagram& diagram_;
    int group_;
    int row_ = -1;
    FieldItem* left_;
    FieldItem* right_;
    QString symbol_, words_, label_;
    QPainterPath path_;
    QPointF labelAt_;
    QSizeF labelSize_;
    QRectF labelRect_;
    QRectF bounds_;
};

}  // namespace lorvane
