#pragma once

#include <QGraphicsView>
#include <QHash>
#include <QPointF>
#include <QPointer>
#include <QStringList>
#include <vector>

class QGraphicsLineItem;
class QGraphicsObject;
class QMenu;

namespace lorvane {

class FieldItem;
class JoinLine;
class JoinPage;
class QueryState;
class TableBox;

// What the diagram shows: the query's tables with their fields, and the join conditions.
struct DiagramContent {
    struct Field {
        QString item;   // "Table.Field" as the field lists show it
        QString label;  // the field part, shown in the box
        bool key = false;         // a declared foreign key references it
        bool foreignKey = false;  // a declared foreign key names it
    };
    struct Table {
        QString name;  // as offered
        std::vector<Field> fields;
    };
    struct Join {
        int group = 0;
        QString leftTable, leftField, rightTable, rightField;
        QString symbol;  // the join's type: "=", ">=", "<>"
        int row = 0;     // the condition's row in the joins
    };
    std::vector<Table> tables;
    std::vector<Join> joins;
    QStringList symbols;  // the join types a user may choose, inner first
};

// The joins of the query drawn as boxes and lines, above the join page's lists. It never
// writes the joins itself: what the user chooses goes to the page (joinFields, setJoinType,
// removeJoin), and the drawing follows the page's joinsChanged, so both always agree.
class JoinDiagram : public QGraphicsView {
    Q_OBJECT
public:
    explicit JoinDiagram(QWidget* parent = nullptr);
    ~JoinDiagram() override;

    // Follows the page: redraws from the state on each change, sends the user's choices to it.
    void attach(JoinPage& page, QueryState& state);
    // The tables, fields, declared keys and joins of a query state.
    static DiagramContent contentOf(QueryState& state, const QStringList& symbols);
    // Redraws: boxes of tables still there keep their places, new ones go beside them.
    void showContent(const DiagramContent& content);

    // Box positions by table, to be saved with the query; restored ones win over the layout.
    QHash<QString, QPointF> places() const;
    void setPlaces(const QHash<QString, QPointF>& places);
    // Grows with each move of a box by the user: an arrangement not yet saved is a change.
    int arrangement() const { return arrangement_; }
    // Zooms and scrolls so that every box is in view (never larger than life).
    void fitAll();
    // Lays every box out anew, joined tables side by side.
    void layOutAll();

    // The item of that objectName ("tbl:", "col:", "join:"), or null.
    QGraphicsObject* item(const QString& objectName) const;
    TableBox* box(const QString& table) const { return boxes_.value(table); }
    // The field a join started from the keyboard would reach, or null when none is being made.
    FieldItem* joinTarget() const;
    bool joining() const { return joinSource_ != nullptr; }

    // Called by the items.
    void beginDrag(FieldItem* source);
    void dragTo(FieldItem* source, const QPointF& scenePos);
    void endDrag(FieldItem* source, const QPointF& scenePos, const QPoint& screenPos);
    void offerLineMenu(JoinLine* line, const QPoint& screenPos);
    void boxMoved(TableBox* box);

signals:
    // The user chose to join two fields with a join type.
    void joinChosen(const QString& tableA, const QString& fieldA, const QString& tableB, const QString& fieldB,
                    const QString& symbol);
    void typeChosen(int group, const QString& symbol);
    // What the keys do now, for the status bar.
    void hint(const QString& text);
    // The user chose to remove one condition (its row in the joins).
    void removeChosen(int row);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QPointer<JoinPage> page_;
    QueryState* state_ = nullptr;
    DiagramContent content_;
    QHash<QString, TableBox*> boxes_;
    QHash<QString, FieldItem*> fields_;
    QList<JoinLine*> lines_;
    QHash<QString, QPointF> places_;
    QGraphicsLineItem* rubber_ = nullptr;
    FieldItem* dropTarget_ = nullptr;
    FieldItem* joinSource_ = nullptr;
    int joinTargetIndex_ = -1;
    QList<FieldItem*> joinTargets_;
    QString focusAfterRedraw_;
    bool stale_ = false;
    int arrangement_ = 0;  // the query changed while the diagram was not shown

    void refresh();
    void scrollOverBoxes();
    // Boxes, then their fields, then lines: the order Tab goes through.
    QList<QGraphicsObject*> focusOrder() const;
    void announce(QGraphicsItem* item);
    void announceText(const QString& name, const QString& description);
    void placeNewBoxes(const QList<TableBox*>& fresh);
    // The menu of join types for a pair of fields; keyboard opens it with the first type active.
    void offerJoinMenu(FieldItem* a, FieldItem* b, const QPoint& screenPos, bool keyboard);
    void chooseJoin(const QString& tableA, const QString& fieldA, const QString& tableB, const QString& fieldB,
                    const QString& symbol);
    void startKeyboardJoin(FieldItem* source);
    void moveJoinTarget(int step, bool byTable);
    void endKeyboardJoin();
    QString wordsFor(const QString& symbol, const QString& leftTable) const;
    bool inChain(const QString& table) const;
};

}  // namespace lorvane
