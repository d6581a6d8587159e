#include "BuilderWidgets.h"

#include "NameListModel.h"
#include "NameListView.h"
#include "shared/MessageCatalogue.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QSortFilterProxyModel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace lorvane {


void applyCatalogueCaptions(QWidget* root, int lastTag) {
    for (QWidget* w : root->findChildren<QWidget*>()) {
        bool ok = false;
        const int tag = w->property("tag").toString().toInt(&ok);
        if (!ok || tag < 101 || tag > lastTag || !MessageCatalogue::contains(tag))
            continue;
        const QString text = MessageCatalogue::text(tag);
        if (auto* label = qobject_cast<QLabel*>(w))
            label->setText(QString(text).replace(QStringLiteral("&&"), QStringLiteral("&")));
        else if (auto* frame = qobject_cast<QGroupBox*>(w))
            frame->setTitle(text);
        else if (auto* button = qobject_cast<QAbstractButton*>(w))
            button->setText(text);
    }
}

QStringList shownWithTableWhereAmbiguous(const QStringList& shortTexts, const QStringList& fullNames) {
    QHash<QString, int> uses;
    for (const QString& t : shortTexts)
        ++uses[t.toCaseFolded()];
    QStringList shown;
    shown.reserve(shortTexts.size());
    for (qsizetype i = 0; i < shortTexts.size(); ++i) {
        const QString& t = shortTexts[i];
        const QString full = fullNames.value(i, t);
        shown << (full != t && uses.value(t.toCaseFolded()) > 1 ? full : t);
    }
    return shown;
}

QStringList listTexts(const QAbstractItemView* list) {
    if (const auto* names = qobject_cast<const NameListView*>(list); names && names->model() == names->names())
        return names->names()->names();
    QStringList out;
    const QAbstractItemModel* m = list->model();
    const int rows = m->rowCount(list->rootIndex());
    out.reserve(rows);
    for (int i = 0; i < rows; ++i)
        out << m->index(i, 0, list->rootIndex()).data().toString();
    return out;
}

void fillDualLists(const DualLists& lists, const QStringList& to, const QStringList& from) {
    lists.to->names()->setNames(to);
    lists.from->names()->setNames(from);
    lists.right->setEnabled(false);
    lists.left->setEnabled(false);
    lists.rightAll->setEnabled(!from.isEmpty());
    lists.leftAll->setEnabled(!to.isEmpty());
}

QLabel* captionLabel(QWidget* parent, const char* name, int tag) {
    auto* label = named(new QLabel(parent), name, tag);
    label->setAutoFillBackground(true);
    label->setWordWrap(true);
    label->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    return label;
}

QPushButton* commandButton(QWidget* parent, const char* name, const QString& text, int tag) {
    return named(new QPushButton(text, parent), name, tag);
}

QListWidget* namedList(QWidget* parent, const char* name) {
    return named(new QListWidget(parent), name, 0);
}

NameListView* namedNameList(QWidget* parent, const char* name) {
    return named(new NameListView(parent), name, 0);
}

QComboBox* namedCombo(QWidget* parent, const char* name, bool editable) {
    auto* combo = named(new QComboBox(parent), name, 0);
    combo->setEditable(editable);
    return combo;
}

QGroupBox* captionFrame(QWidget* parent, const char* name, int tag) {
    return named(new QGroupBox(parent), name, tag);
}

QCheckBox* namedCheck(QWidget* parent, const char* name, const QString& text) {
    return named(new QCheckBox(text, parent), name, 0);
}

QRadioButton* namedRadio(QWidget* parent, const char* name, const QString& text, int tag) {
    return named(new QRadioButton(text, parent), name, tag);
}

DualLists buildDualLists(QWidget* page, const DualListNames& n) {
    auto* grid = new QGridLayout(page);
    grid->addWidget(captionLabel(page, n.heading, n.headingTag), 0, 0, 1, 3);
    grid->addWidget(captionLabel(page, n.fromCaption, n.fromTag), 1, 0);
    grid->addWidget(captionLabel(page, n.toCaption, n.toTag), 1, 2);
    DualLists d{namedNameList(page, n.from), namedNameList(page, n.to), commandButton(page, n.right, QStringLiteral(">")),
                commandButton(page, n.rightAll, QStringLiteral(">>")), commandButton(page, n.left, QStringLiteral("<")),
                commandButton(page, n.leftAll, QStringLiteral("<<"))};
    int listRow = 2;
    if (n.filter) {
        // Narrows what the from list shows, on the names as shown, whatever their case; the
        // names themselves stay whole underneath.
        d.filter = named(new QLineEdit(page), n.filter);
        d.filter->setClearButtonEnabled(true);
        d.shown = new QSortFilterProxyModel(d.from);
        d.shown->setFilterCaseSensitivity(Qt::CaseInsensitive);
        d.shown->setSourceModel(d.from->names());
        d.from->setModel(d.shown);
        // The highlighted entry stays highlighted while it is shown, and nothing is otherwise:
        // the > button must never move an entry the user did not pick.
        QObject::connect(d.filter, &QLineEdit::textChanged, d.from, [list = d.from, shown = d.shown](const QString& text) {
            const int row = list->currentRow();
            shown->setFilterFixedString(text);
            list->setCurrentRow(row);
        });
        grid->addWidget(d.filter, listRow++, 0);
    }
    grid->addWidget(d.from, listRow, 0);
    // Beside the filter box and the from list both.
    grid->addWidget(d.to, 2, 2, listRow - 1, 1);
    auto* buttons = new QVBoxLayout;
    buttons->addStretch();
    for (QPushButton* b : {d.right, d.rightAll, d.left, d.leftAll}) {
        b->setEnabled(false);
        buttons->addWidget(b);
    }
    buttons->addStretch();
    grid->addLayout(buttons, listRow, 1);
    grid->addWidget(captionLabel(page, n.hint, 134), listRow + 1, 0, 1, 3);
    // A larger window is room for longer and more names: the lists take it, the buttons do not.
    grid->setRowStretch(listRow, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(2, 1);
    // Tab reads as the page does: (filter,) the from list, the buttons, the to list.
    QList<QWidget*> order;
    if (d.filter)
        order << d.filter;
    order << d.from << d.right << d.rightAll << d.left << d.leftAll << d.to;
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
    return d;
}

QString moveHighlighted(NameListView* source, NameListView* target, QPushButton* single, QPushButton* sourceAll,
                        QPushButton* targetAll, const std::function<int(const QString&)>& placeIn) {
    const int p = source->currentRow();
    if (source->count() == 0 || p < 0)
        return {};
    // The position the user sees, which a filter may set apart from the row of the names.
    const int shownAt = source->currentShownRow();
    const QString text = source->names()->takeAt(p);
    if (placeIn)
        target->names()->insert(placeIn(text), text);
    else
        target->names()->append(text);
    if (shownAt >= 0 && shownAt < source->shownCount()) {
        source->setCurrentShownRow(shownAt);
        single->setEnabled(true);
    } else {
        source->setCurrentRow(-1);
        single->setEnabled(false);
    }
    if (source->count() > 0) {
        sourceAll->setEnabled(true);
    } else {
        sourceAll->setEnabled(false);
        targetAll->setEnabled(true);
    }
    return text;
}

QStringList moveAll(NameListView* source, NameListView* target) {
    QStringList moved;
    if (source->model() == source->names()) {
        moved = source->names()->names();
        source->names()->clear();
    } else {
        moved = source->names()->takeRows(source->shownRows());
    }
    target->names()->append(moved);
    return moved;
}

}  // namespace lorvane
