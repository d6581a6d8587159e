#include "JoinDiagram.h"

#include "DiagramItems.h"
#include "JoinPage.h"
#include "platform/Connection.h"
#include "platform/ForeignKey.h"
#include "query/FromClause.h"
#include "shared/BuilderSettings.h"
#include "shared/NameQuoting.h"
#include "shared/QueryState.h"
#include "shared/clsField.h"

#include <QAccessible>
#include <QFontMetricsF>
#include <QGraphicsLineItem>
#include <QGraphicsScene>
#include <QKeyEvent>
#include <QMenu>
#include <QQueue>
#include <QSet>
#include <QWheelEvent>
#include <cmath>
#include <exception>

namespace lorvane {

namespace {
constexpr qsizetype kMostTablesDrawn = 200;
}  // namespace

namespace {
constexpr qreal kGapX = 140;  // room for a join's label between two columns
constexpr qreal kGapY = 30;
constexpr qreal kSmallest = 0.05, kLargest = 4.0;

QString pairKey(const QString& table, const QString& column) { return table.toLower() + u'\n' + column.toLower(); }
}  // namespace

JoinDiagram::JoinDiagram(QWidget* parent) : QGraphicsView(parent) {
    setObjectName(QStringLiteral("gvJoinDiagram"));
    setRenderHint(QPainter::Antialiasing);
    setDragMode(QGraphicsView::ScrollHandDrag);
    setFocusPolicy(Qt::StrongFocus);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setAccessibleName(QStringLiteral("Join diagram"));
    setAccessibleDescription(QStringLiteral("Tab moves through the tables, fields and joins; J starts a join from a "
                                            "field; Delete removes a join."));
    setToolTip(QStringLiteral("Drag from a field onto a field of another table to join them. Ctrl+wheel zooms, F fits "
                              "all in view."));
    setScene(new QGraphicsScene(this));
}

JoinDiagram::~JoinDiagram() = default;

void JoinDiagram::attach(JoinPage& page, QueryState& state) {
    page_ = &page;
    state_ = &state;
    connect(&page, &JoinPage::joinsChanged, this, &JoinDiagram::refresh);
    connect(this, &JoinDiagram::joinChosen, &page,
            [this](const QString& tableA, const QString& fieldA, const QString& tableB, const QString& fieldB,
                   const QString& symbol) {
                if (!page_ || !state_ || !page_->joinFields(tableA, fieldA, tableB, fieldB, symbol))
                    return;
                // Between two tables already joined the fields become a further condition of
                // their join; the type chosen is then the whole join's.
                for (const JoinCondition& c : FromClause(*state_).Conditions())
                    if (((c.leftField == fieldA && c.rightField == fieldB) ||
                         (c.leftField == fieldB && c.rightField == fieldA)) &&
                        c.symbol != symbol) {
                        page_->setJoinType(c.group, symbol);
                        break;
                    }
            });
    connect(this, &JoinDiagram::typeChosen, &page, [this](int group, const QString& symbol) {
        if (page_)
            page_->setJoinType(group, symbol);
    });
    connect(this, &JoinDiagram::removeChosen, &page, [this](int row) {
        if (page_)
            page_->removeCondition(row);
    });
    refresh();
}

void JoinDiagram::refresh() {
    // Drawn when seen: the window opens (on any size of catalogue) and tables are chosen
    // without the diagram's cost, which falls on the join page alone.
    if (!isVisible()) {
        stale_ = true;
        return;
    }
    stale_ = false;
    if (!page_ || !state_)
        return;
    const qsizetype tables = state_->TableList().size();
    if (tables > kMostTablesDrawn) {
        // Hundreds of boxes help nobody and cost seconds: the lists stay for such a query.
        DiagramContent none;
        none.symbols = page_->joinSymbols();
        showContent(none);
        scene()->addSimpleText(QStringLiteral("The diagram draws up to %1 tables; this query has %2. "
                                              "Join them with the lists.")
                                   .arg(kMostTablesDrawn)
                                   .arg(tables));
        scrollOverBoxes();
        return;
    }
    showContent(contentOf(*state_, page_->joinSymbols()));
}

void JoinDiagram::showEvent(QShowEvent* event) {
    QGraphicsView::showEvent(event);
    if (stale_)
        refresh();
}

DiagramContent JoinDiagram::contentOf(QueryState& state, const QStringList& symbols) {
    const BuilderSettings& settings = BuilderSettings::shared();
    DiagramContent content;
    content.symbols = symbols;
    // Marks come from the declared foreign keys: the columns that name another table's
    // column, and the columns so named (there is no catalogue of primary keys).
    QSet<QString> referencing, referenced;
    if (settings.ActiveConnection && settings.ActiveConnection->IsOpen()) {
        try {
            if (const auto keys = settings.ActiveConnection->ForeignKeys())
                for (const ForeignKey& key : *keys) {
                    for (const QString& column : key.referencingColumns)
                        referencing.insert(pairKey(key.referencingTable, column));
                    for (const QString& column : key.referencedColumns)
                        referenced.insert(pairKey(key.referencedTable, column));
                }
        } catch (const std::exception&) {
            // Keys that cannot be read now leave the fields unmarked; joining still works.
        }
    }
    QSet<QString> seen;
    for (const QString& table : state.TableList()) {
        if (seen.contains(table))
            continue;
        seen.insert(table);
        DiagramContent::Table t;
        t.name = table;
        const QString raw = NameQuoting::unquote(table, settings);
        for (const QString& item : clsField::shared().FieldNamesFor({table})) {
            DiagramContent::Field f;
            f.item = item;
            f.label = NameQuoting::fieldPart(item, settings);
            if (!referencing.isEmpty() || !referenced.isEmpty()) {
                const QString key = pairKey(raw, NameQuoting::unquote(f.label, settings));
                f.key = referenced.contains(key);
                f.foreignKey = referencing.contains(key);
            }
            t.fields.push_back(std::move(f));
        }
        content.tables.push_back(std::move(t));
    }
    for (const JoinCondition& c : FromClause(state).Conditions())
        content.joins.push_back({c.group, c.leftTable, c.leftField, c.rightTable, c.rightField, c.symbol, c.row});
    return content;
}

void JoinDiagram::showContent(const DiagramContent& content) {
    QGraphicsScene* old = scene();
    QString focusName = focusAfterRedraw_;
    focusAfterRedraw_.clear();
    if (old) {
        for (auto it = boxes_.cbegin(); it != boxes_.cend(); ++it)
            places_.insert(it.key(), it.value()->pos());
        if (focusName.isEmpty() && old->focusItem())
            if (QGraphicsObject* o = old->focusItem()->toGraphicsObject())
                focusName = o->objectName();
    }
    joinSource_ = nullptr;
    joinTargets_.clear();
    joinTargetIndex_ = -1;
    dropTarget_ = nullptr;
    rubber_ = nullptr;
    boxes_.clear();
    fields_.clear();
    lines_.clear();
    content_ = content;

    // A new scene each time: an item whose event led here is still alive until the old scene
    // goes on the next turn of the event loop.
    auto* fresh = new QGraphicsScene(this);
    fresh->setFont(font());
    connect(fresh, &QGraphicsScene::focusItemChanged, this,
            [this](QGraphicsItem* now, QGraphicsItem*, Qt::FocusReason) {
                if (now)
                    announce(now);
            });
    const QFontMetricsF metrics(font());
    QList<TableBox*> unplaced;
    for (const DiagramContent::Table& t : content_.tables) {
        auto* box = new TableBox(*this, t.name);
        for (const DiagramContent::Field& f : t.fields)
            if (!fields_.contains(f.item))
                fields_.insert(f.item, box->addField(f.item, f.label, f.key, f.foreignKey));
        box->finish(metrics);
        fresh->addItem(box);
        boxes_.insert(t.name, box);
        const auto place = places_.constFind(t.name);
        if (place != places_.cend()) {
            box->setPos(*place);
        } else {
            unplaced << box;
        }
    }
    for (const DiagramContent::Join& j : content_.joins) {
        FieldItem* a = fields_.value(j.leftField);
        FieldItem* b = fields_.value(j.rightField);
        if (!a || !b)
            continue;
        auto* line = new JoinLine(*this, j.group, a, b, j.symbol, wordsFor(j.symbol, j.leftTable));
        line->setRow(j.row);
        fresh->addItem(line);
        lines_ << line;
        boxes_.value(a->table())->attach(line);
        boxes_.value(b->table())->attach(line);
    }
    setScene(fresh);
    if (!unplaced.isEmpty())
        placeNewBoxes(unplaced);
    scrollOverBoxes();
    if (old)
        old->deleteLater();
    if (!focusName.isEmpty())
        if (QGraphicsObject* o = item(focusName))
            o->setFocus(Qt::OtherFocusReason);
}

void JoinDiagram::placeNewBoxes(const QList<TableBox*>& fresh) {
    // Beside the boxes already placed, or from the origin when none is.
    const QSet<TableBox*> freshSet(fresh.cbegin(), fresh.cend());
    QRectF placed;
    for (TableBox* box : std::as_const(boxes_))
        if (!freshSet.contains(box))
            placed |= box->sceneBoundingRect();
    const QPointF origin = placed.isNull() ? QPointF(0, 0) : QPointF(placed.right() + kGapX, placed.top());

    // Columns by distance over the joins: a table sits one column right of the one it joins.
    QHash<QString, QStringList> next;
    for (const DiagramContent::Join& j : content_.joins) {
        if (j.leftTable == j.rightTable)
            continue;
        next[j.leftTable] << j.rightTable;
        next[j.rightTable] << j.leftTable;
    }
    QHash<QString, TableBox*> todo;
    for (TableBox* box : fresh)
        todo.insert(box->table(), box);
    QList<QList<TableBox*>> columns;
    QList<TableBox*> loose;
    QSet<QString> visited;
    for (TableBox* start : fresh) {
        if (visited.contains(start->table()))
            continue;
        const qsizetype base = columns.size();
        QQueue<std::pair<QString, int>> queue;
        queue.enqueue({start->table(), 0});
        visited.insert(start->table());
        QList<std::pair<TableBox*, int>> component;
        while (!queue.isEmpty()) {
            const auto [table, depth] = queue.dequeue();
            component << std::pair{todo.value(table), depth};
            for (const QString& other : next.value(table))
                if (todo.contains(other) && !visited.contains(other)) {
                    visited.insert(other);
                    queue.enqueue({other, depth + 1});
                }
        }
        if (component.size() == 1) {
            loose << start;
            continue;
        }
        for (const auto& [box, depth] : component) {
            while (columns.size() <= base + depth)
                columns.append(QList<TableBox*>());
            columns[base + depth] << box;
        }
    }
    // Tables joined to nothing: a block wider than tall, as the view is.
    if (!loose.isEmpty()) {
        const int perColumn = std::max(1, int(std::ceil(std::sqrt(loose.size() / 3.0))));
        for (qsizetype i = 0; i < loose.size(); i += perColumn)
            columns.append(loose.mid(i, perColumn));
    }

    // Columns left to right, continued in a band below once a band is as wide as the view
    // shows at full size: a narrow view gets boxes it can show without shrinking them to dots.
    const qreal scale = std::max<qreal>(transform().m11(), 0.05);
    const qreal bandWidth = std::max<qreal>(viewport()->width() / scale, 400);
    qreal x = origin.x();
    qreal bandTop = origin.y();
    qreal bandBottom = origin.y();
    for (const QList<TableBox*>& column : std::as_const(columns)) {
        qreal widest = 0;
        for (TableBox* box : column)
            widest = std::max(widest, box->width());
        if (x > origin.x() && x + widest - origin.x() > bandWidth) {
            x = origin.x();
            bandTop = bandBottom + kGapY;
        }
        qreal y = bandTop;
        for (TableBox* box : column) {
            box->setPos(x, y);
            y += box->height() + kGapY;
        }
        bandBottom = std::max(bandBottom, y - kGapY);
        x += widest + kGapX;
    }
    for (TableBox* box : fresh)
        places_.insert(box->table(), box->pos());
}

void JoinDiagram::layOutAll() {
    QList<TableBox*> all;
    for (const DiagramContent::Table& t : content_.tables)
        if (TableBox* box = boxes_.value(t.name))
            all << box;
    // Every box is new to the layout: none is kept in place.
    for (TableBox* box : all)
        places_.remove(box->table());
    // With every box to be placed, none is beside: the layout starts at the origin.
    placeNewBoxes(all);
}

QHash<QString, QPointF> JoinDiagram::places() const {
    QHash<QString, QPointF> out;
    if (stale_ && state_) {
        // Not drawn since the query changed: the places known for the query's tables.
        for (const QString& table : state_->TableList())
            if (const auto place = places_.constFind(table); place != places_.cend())
                out.insert(table, *place);
        return out;
    }
    for (auto it = boxes_.cbegin(); it != boxes_.cend(); ++it)
        out.insert(it.key(), it.value()->pos());
    return out;
}

void JoinDiagram::setPlaces(const QHash<QString, QPointF>& places) {
    for (auto it = places.cbegin(); it != places.cend(); ++it) {
        places_.insert(it.key(), it.value());
        if (TableBox* box = boxes_.value(it.key()))
            box->setPos(it.value());
    }
}

void JoinDiagram::boxMoved(TableBox* box) {
    if (boxes_.value(box->table()) != box)
        return;
    places_.insert(box->table(), box->pos());
    // Dragged by the user (not placed by the layout or a saved query): an arrangement to keep.
    if (box->scene() && box->scene()->mouseGrabberItem() == box)
        ++arrangement_;
    // Moved beyond where the view scrolls: the view scrolls there too.
    const QRectF room = box->sceneBoundingRect().adjusted(-10, -10, 10, 10);
    if (!sceneRect().contains(room))
        setSceneRect(sceneRect().united(room));
}

void JoinDiagram::scrollOverBoxes() {
    // A scene's own rect only ever grows (a box moved far and back): the view scrolls over
    // where the boxes are, so that fitting them leaves no scroll bar taking their room.
    if (scene())
        setSceneRect(scene()->itemsBoundingRect().adjusted(-10, -10, 10, 10));
}

void JoinDiagram::fitAll() {
    if (!scene())
        return;
    scrollOverBoxes();
    const QRectF all = scene()->itemsBoundingRect().adjusted(-10, -10, 10, 10);
    if (all.isEmpty())
        return;
    fitInView(all, Qt::KeepAspectRatio);
    if (transform().m11() > 1.0) {
        resetTransform();
        centerOn(all.center());
    }
}

QGraphicsObject* JoinDiagram::item(const QString& objectName) const {
    if (!scene())
        return nullptr;
    if (objectName.startsWith(u"tbl:"))
        return boxes_.value(objectName.mid(4));
    if (objectName.startsWith(u"col:"))
        return fields_.value(objectName.mid(4));
    for (JoinLine* line : lines_)
        if (line->objectName() == objectName)
            return line;
    return nullptr;
}

FieldItem* JoinDiagram::joinTarget() const {
    return joinSource_ && joinTargetIndex_ >= 0 ? joinTargets_.value(joinTargetIndex_) : nullptr;
}

QString JoinDiagram::wordsFor(const QString& symbol, const QString& leftTable) const {
    return JoinPage::joinTypeWords(symbol, leftTable);
}

bool JoinDiagram::inChain(const QString& table) const {
    for (const DiagramContent::Join& j : content_.joins)
        if (j.leftTable == table || j.rightTable == table)
            return true;
    return false;
}

QList<QGraphicsObject*> JoinDiagram::focusOrder() const {
    QList<QGraphicsObject*> out;
    for (const DiagramContent::Table& t : content_.tables)
        if (TableBox* box = boxes_.value(t.name)) {
            out << box;
            for (FieldItem* f : box->fields())
                out << f;
        }
    for (JoinLine* line : lines_)
        out << line;
    return out;
}

void JoinDiagram::announce(QGraphicsItem* item) {
    QGraphicsObject* o = item ? item->toGraphicsObject() : nullptr;
    if (!o)
        return;
    QString description;
    if (qobject_cast<FieldItem*>(o))
        description = QStringLiteral("J joins it to a field of another table.");
    else if (qobject_cast<JoinLine*>(o))
        description = QStringLiteral("Enter changes the join's type, Delete removes it.");
    else
        description = QStringLiteral("Arrows move the box.");
    announceText(o->property("accessibleName").toString(), description);
}

void JoinDiagram::announceText(const QString& name, const QString& description) {
    setAccessibleName(name);
    setAccessibleDescription(description);
    QAccessibleEvent named(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&named);
    if (hasFocus()) {
        QAccessibleEvent focus(this, QAccessible::Focus);
        QAccessible::updateAccessibility(&focus);
    }
}

// ----- mouse -----

void JoinDiagram::beginDrag(FieldItem* source) {
    endKeyboardJoin();
    if (rubber_) {
        delete rubber_;
        rubber_ = nullptr;
    }
    const QPointF from = source->anchor(true);
    rubber_ = scene()->addLine(QLineF(from, from), QPen(QColor(30, 100, 200), 1.5, Qt::DashLine));
    rubber_->setZValue(10);
}

void JoinDiagram::dragTo(FieldItem* source, const QPointF& scenePos) {
    if (rubber_)
        rubber_->setLine(QLineF(source->anchor(true), scenePos));
    FieldItem* over = nullptr;
    for (QGraphicsItem* i : scene()->items(scenePos))
        if (auto* f = qobject_cast<FieldItem*>(i->toGraphicsObject())) {
            over = f;
            break;
        }
    if (over && over->table() == source->table())
        over = nullptr;
    if (over != dropTarget_) {
        if (dropTarget_)
            dropTarget_->setHighlighted(false);
        dropTarget_ = over;
        if (dropTarget_)
            dropTarget_->setHighlighted(true);
    }
}

void JoinDiagram::endDrag(FieldItem* source, const QPointF& scenePos, const QPoint& screenPos) {
    if (rubber_) {
        delete rubber_;
        rubber_ = nullptr;
    }
    if (dropTarget_) {
        dropTarget_->setHighlighted(false);
        dropTarget_ = nullptr;
    }
    FieldItem* target = nullptr;
    for (QGraphicsItem* i : scene()->items(scenePos))
        if (auto* f = qobject_cast<FieldItem*>(i->toGraphicsObject())) {
            target = f;
            break;
        }
    if (target && target->table() != source->table())
        offerJoinMenu(source, target, screenPos, false);
}

// ----- menus -----

void JoinDiagram::offerJoinMenu(FieldItem* a, FieldItem* b, const QPoint& screenPos, bool keyboard) {
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("mnuJoinType"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const QString tableA = a->table(), fieldA = a->item(), tableB = b->table(), fieldB = b->item();
    bool already = false;
    for (const DiagramContent::Join& j : content_.joins)
        already = already || (j.leftField == fieldA && j.rightField == fieldB) ||
                  (j.leftField == fieldB && j.rightField == fieldA);
    if (already) {
        menu->addAction(QStringLiteral("%1 and %2 are already joined").arg(fieldA, fieldB))->setEnabled(false);
    } else {
        // The table already joined reads first, as the page orders the pair.
        const QString left = inChain(tableA) || !inChain(tableB) ? tableA : tableB;
        const QStringList symbols = page_ ? page_->joinSymbols() : content_.symbols;
        for (const QString& symbol : symbols) {
            QAction* action = menu->addAction(wordsFor(symbol, left));
            action->setData(symbol);
            connect(action, &QAction::triggered, this, [=, this] {
                focusAfterRedraw_ = QStringLiteral("col:") + fieldA;
                // The keys go on working here once the menu closes.
                setFocus(Qt::OtherFocusReason);
                emit joinChosen(tableA, fieldA, tableB, fieldB, symbol);
            });
        }
    }
    if (keyboard)
        connect(menu, &QMenu::aboutToHide, this, &JoinDiagram::endKeyboardJoin);
    menu->popup(screenPos);
    if (keyboard)
        menu->setActiveAction(menu->actions().value(0));
}

void JoinDiagram::offerLineMenu(JoinLine* line, const QPoint& screenPos) {
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("mnuJoinLine"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const int group = line->group();
    const int row = line->row();
    const QString current = line->symbol();
    const QString left = line->leftField()->table();
    const QString lineName = line->objectName();
    const QString leftField = line->leftField()->objectName();
    const QStringList symbols = page_ ? page_->joinSymbols() : content_.symbols;
    for (const QString& symbol : symbols) {
        QAction* action = menu->addAction(wordsFor(symbol, left));
        action->setData(symbol);
        action->setCheckable(true);
        action->setChecked(symbol == current);
        connect(action, &QAction::triggered, this, [=, this] {
            if (symbol == current)
                return;
            focusAfterRedraw_ = lineName;
            // The keys go on working here once the menu closes.
            setFocus(Qt::OtherFocusReason);
            emit typeChosen(group, symbol);
        });
    }
    menu->addSeparator();
    QAction* remove = menu->addAction(QStringLiteral("Remove Join"));
    remove->setObjectName(QStringLiteral("actRemoveJoin"));
    connect(remove, &QAction::triggered, this, [=, this] {
        focusAfterRedraw_ = leftField;
        // The keys go on working here once the menu closes.
        setFocus(Qt::OtherFocusReason);
        emit removeChosen(row);
    });
    menu->popup(screenPos);
    menu->setActiveAction(menu->actions().value(std::max<qsizetype>(0, symbols.indexOf(current))));
}

// ----- keyboard -----

void JoinDiagram::startKeyboardJoin(FieldItem* source) {
    endKeyboardJoin();
    QList<FieldItem*> targets;
    for (const QGraphicsObject* o : focusOrder())
        if (auto* f = qobject_cast<FieldItem*>(const_cast<QGraphicsObject*>(o)); f && f->table() != source->table())
            targets << f;
    if (targets.isEmpty()) {
        announceText(QStringLiteral("No other table to join %1 to").arg(source->item()), QString());
        emit hint(QStringLiteral("No other table to join %1 to.").arg(source->item()));
        return;
    }
    joinSource_ = source;
    joinTargets_ = targets;
    joinTargetIndex_ = 0;
    moveJoinTarget(0, false);
    emit hint(QStringLiteral("Joining %1: the arrow keys choose the other field, Enter joins, Escape cancels.")
                  .arg(source->item()));
}

void JoinDiagram::moveJoinTarget(int step, bool byTable) {
    if (!joinSource_ || joinTargets_.isEmpty())
        return;
    if (FieldItem* was = joinTarget())
        was->setHighlighted(false);
    const qsizetype n = joinTargets_.size();
    if (byTable) {
        // The first field of the next (or previous) table.
        const QString table = joinTargets_[joinTargetIndex_]->table();
        qsizetype i = joinTargetIndex_;
        if (step > 0) {
            while (i < n && joinTargets_[i]->table() == table)
                ++i;
            i = i % n;
        } else {
            while (i > 0 && joinTargets_[i]->table() == table)
                --i;
            if (joinTargets_[i]->table() == table)
                i = n - 1;
            const QString previous = joinTargets_[i]->table();
            while (i > 0 && joinTargets_[i - 1]->table() == previous)
                --i;
        }
        joinTargetIndex_ = static_cast<int>(i);
    } else {
        joinTargetIndex_ = static_cast<int>(((joinTargetIndex_ + step) % n + n) % n);
    }
    FieldItem* target = joinTargets_[joinTargetIndex_];
    target->setHighlighted(true);
    ensureVisible(target);
    announceText(QStringLiteral("Join %1 to %2").arg(joinSource_->item(), target->item()),
                 QStringLiteral("Arrows choose the field, Enter chooses the join type, Escape cancels."));
}

void JoinDiagram::endKeyboardJoin() {
    if (FieldItem* target = joinTarget())
        target->setHighlighted(false);
    joinSource_ = nullptr;
    joinTargets_.clear();
    joinTargetIndex_ = -1;
}

bool JoinDiagram::event(QEvent* event) {
    if (event->type() == QEvent::KeyPress && scene()) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool tab = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
        if (tab && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            const bool back = key->key() == Qt::Key_Backtab || (key->modifiers() & Qt::ShiftModifier);
            endKeyboardJoin();
            const QList<QGraphicsObject*> order = focusOrder();
            QGraphicsItem* now = scene()->focusItem();
            const qsizetype at = now ? order.indexOf(now->toGraphicsObject()) : -1;
            const qsizetype to = at < 0 ? (back ? order.size() - 1 : 0) : at + (back ? -1 : 1);
            if (to >= 0 && to < order.size()) {
                order[to]->setFocus(back ? Qt::BacktabFocusReason : Qt::TabFocusReason);
                ensureVisible(order[to]);
                return true;
            }
            // Past the last item (or before the first): on to the page's next control.
            scene()->setFocusItem(nullptr);
            focusNextPrevChild(!back);
            return true;
        }
    }
    if (event->type() == QEvent::ShortcutOverride && scene() && scene()->focusItem()) {
        // The diagram's own keys are not the window's shortcuts while an item has focus.
        auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_Delete:
        case Qt::Key_Backspace:
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
        case Qt::Key_J:
        case Qt::Key_Space:
            event->accept();
            return true;
        default:
            break;
        }
    }
    return QGraphicsView::event(event);
}

void JoinDiagram::keyPressEvent(QKeyEvent* event) {
    if (joinSource_) {
        switch (event->key()) {
        case Qt::Key_Right: moveJoinTarget(1, true); break;
        case Qt::Key_Left: moveJoinTarget(-1, true); break;
        case Qt::Key_Down: moveJoinTarget(1, false); break;
        case Qt::Key_Up: moveJoinTarget(-1, false); break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (FieldItem* target = joinTarget())
                offerJoinMenu(joinSource_, target,
                              viewport()->mapToGlobal(mapFromScene(target->sceneBoundingRect().center())), true);
            break;
        case Qt::Key_Escape:
            if (joinSource_)
                announceText(joinSource_->property("accessibleName").toString(), QStringLiteral("Join cancelled."));
            endKeyboardJoin();
            break;
        default:
            break;  // nothing else while a target is being chosen
        }
        event->accept();
        return;
    }
    QGraphicsItem* focus = scene() ? scene()->focusItem() : nullptr;
    QGraphicsObject* o = focus ? focus->toGraphicsObject() : nullptr;
    const bool plain = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    if (auto* field = qobject_cast<FieldItem*>(o); field && plain &&
                                                   (event->key() == Qt::Key_J || event->key() == Qt::Key_Space)) {
        startKeyboardJoin(field);
        event->accept();
        return;
    }
    if (auto* line = qobject_cast<JoinLine*>(o)) {
        if (event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace) {
            focusAfterRedraw_ = line->leftField()->objectName();
            emit removeChosen(line->row());
            event->accept();
            return;
        }
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Menu) {
            offerLineMenu(line, viewport()->mapToGlobal(mapFromScene(line->sceneBoundingRect().center())));
            event->accept();
            return;
        }
    }
    if (auto* box = qobject_cast<TableBox*>(o); box && plain) {
        const qreal step = event->modifiers() & Qt::ShiftModifier ? 50 : 10;
        QPointF by;
        switch (event->key()) {
        case Qt::Key_Left: by = {-step, 0}; break;
        case Qt::Key_Right: by = {step, 0}; break;
        case Qt::Key_Up: by = {0, -step}; break;
        case Qt::Key_Down: by = {0, step}; break;
        default: break;
        }
        if (!by.isNull()) {
            box->moveBy(by.x(), by.y());
            ++arrangement_;
            ensureVisible(box);
            event->accept();
            return;
        }
    }
    if (event->modifiers() & Qt::ControlModifier) {
        if (event->key() == Qt::Key_Plus || event->key() == Qt::Key_Equal || event->key() == Qt::Key_Minus) {
            const qreal f = event->key() == Qt::Key_Minus ? 1 / 1.25 : 1.25;
            const qreal now = transform().m11();
            if (now * f >= kSmallest && now * f <= kLargest)
                scale(f, f);
            event->accept();
            return;
        }
    } else if (event->key() == Qt::Key_F) {
        fitAll();
        event->accept();
        return;
    }
    QGraphicsView::keyPressEvent(event);
}

void JoinDiagram::wheelEvent(QWheelEvent* event) {
    if (!(event->modifiers() & Qt::ControlModifier)) {
        QGraphicsView::wheelEvent(event);
        return;
    }
    const qreal now = transform().m11();
    const qreal f = std::clamp(now * std::pow(1.0015, event->angleDelta().y()), kSmallest, kLargest) / now;
    setTransformationAnchor(QGraphicsView::AnchorUnderMouse);
    scale(f, f);
    event->accept();
}

void JoinDiagram::focusInEvent(QFocusEvent* event) {
    QGraphicsView::focusInEvent(event);
    if (!scene() || scene()->focusItem() || event->reason() == Qt::MouseFocusReason)
        return;
    const QList<QGraphicsObject*> order = focusOrder();
    if (!order.isEmpty())
        (event->reason() == Qt::BacktabFocusReason ? order.last() : order.first())->setFocus(event->reason());
}

}  // namespace lorvane
