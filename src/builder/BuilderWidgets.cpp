#include "BuilderWidgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace lorvane {

namespace {
template <typename W> W* named(W* w, const char* name, int tag) {
    w->setObjectName(QString::fromLatin1(name));
    if (tag > 0)
        w->setProperty("tag", QString::number(tag));
    return w;
}
}  // namespace

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

}  // namespace lorvane
