#include "BuilderWidgets.h"

#include "NameListModel.h"
#include "NameListView.h"
#include "shared/MessageCatalogue.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
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
    grid->addWidget(d.from, 2, 0);
    grid->addWidget(d.to, 2, 2);
    auto* buttons = new QVBoxLayout;
    buttons->addStretch();
    for (QPushButton* b : {d.right, d.rightAll, d.left, d.leftAll}) {
        b->setEnabled(false);
        buttons->addWidget(b);
    }
    buttons->addStretch();
    grid->addLayout(buttons, 2, 1);
    grid->addWidget(captionLabel(page, n.hint, 134), 3, 0, 1, 3);
    return d;
}

QString moveHighlighted(NameListView* source, NameListView* target, QPushButton* single, QPushButton* sourceAll,
                        QPushButton* targetAll) {
    const int p = source->currentRow();
    if (source->count() == 0 || p < 0)
        return {};
    const QString text = source->names()->takeAt(p);
    target->names()->append(text);
    if (source->count() > 0 && p < source->count()) {
        source->setCurrentRow(p);
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
    const QStringList moved = source->names()->names();
    source->names()->clear();
    target->names()->append(moved);
    return moved;
}

}  // namespace lorvane
