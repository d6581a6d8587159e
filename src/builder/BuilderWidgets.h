#pragma once

#include <QString>
#include <QStringList>

class QCheckBox;
class QGridLayout;
class QComboBox;
class QGroupBox;
class QLabel;
class QAbstractItemView;
class QListWidget;
class QPushButton;
class QRadioButton;
class QWidget;

namespace lorvane {

class NameListView;

// Small makers for the builder's controls: each gets its objectName and, where its caption
// comes from the message catalogue, the catalogue id as its "tag" property (the window sets
// the captions on load).
// Any control with its objectName (and catalogue tag, when above 0).
template <typename W> W* named(W* w, const char* name, int tag = 0) {
    w->setObjectName(QString::fromLatin1(name));
    if (tag > 0)
        w->setProperty("tag", QString::number(tag));
    return w;
}

QLabel* captionLabel(QWidget* parent, const char* name, int tag);
QPushButton* commandButton(QWidget* parent, const char* name, const QString& text, int tag = 0);
QListWidget* namedList(QWidget* parent, const char* name);
// A list that may hold a whole catalogue.
NameListView* namedNameList(QWidget* parent, const char* name);
QComboBox* namedCombo(QWidget* parent, const char* name, bool editable = false);
QGroupBox* captionFrame(QWidget* parent, const char* name, int tag);
QCheckBox* namedCheck(QWidget* parent, const char* name, const QString& text);
QRadioButton* namedRadio(QWidget* parent, const char* name, const QString& text, int tag = 0);

// Sets the caption of every label, frame and button under root that carries a catalogue tag
// from 101 to lastTag.
void applyCatalogueCaptions(QWidget* root, int lastTag);

// Two lists side by side with the four move buttons between them, as the table and field pages
// lay them out: a heading, a caption over each list, a hint under them.
struct DualLists {
    NameListView* from;
    NameListView* to;
    QPushButton* right;
    QPushButton* rightAll;
    QPushButton* left;
    QPushButton* leftAll;
};

struct DualListNames {
    const char* heading;
    int headingTag;
    const char* fromCaption;
    int fromTag;
    const char* toCaption;
    int toTag;
    const char* hint;
    const char* from;
    const char* to;
    const char* right;
    const char* rightAll;
    const char* left;
    const char* leftAll;
};

DualLists buildDualLists(QWidget* page, const DualListNames& names);

// The texts of a list's entries, first to last, as it shows them.
QStringList listTexts(const QAbstractItemView* list);
// Puts the two lists as a saved query had them; nothing highlighted, the all-buttons follow
// whether each list holds items.
void fillDualLists(const DualLists& lists, const QStringList& to, const QStringList& from);

// Moves the highlighted item of source to the end of target and re-highlights the same
// position in source (single stays enabled while something is left there); the all-buttons
// follow whether source still holds items. Returns the moved text, or an empty string when
// nothing was highlighted.
QString moveHighlighted(NameListView* source, NameListView* target, QPushButton* single, QPushButton* sourceAll,
                        QPushButton* targetAll);
// Moves every item of source, first to last, to the end of target; returns their texts.
QStringList moveAll(NameListView* source, NameListView* target);

}  // namespace lorvane
