#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QCheckBox;
class QGridLayout;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QSortFilterProxyModel;
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
    // The box that narrows the from list, and the filter between its names and its view; both
    // null when the lists have no filter box.
    QLineEdit* filter = nullptr;
    QSortFilterProxyModel* shown = nullptr;
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
    // A filter box above the from list, or none.
    const char* filter = nullptr;
};

DualLists buildDualLists(QWidget* page, const DualListNames& names);

// What a list of fields shows: each entry's short text, or its full Table.Field name where
// another entry's short text reads the same (any case), so that no two fields look alike.
// Entries whose short text is their full name (aliases, "*") always show it.
QStringList shownWithTableWhereAmbiguous(const QStringList& shortTexts, const QStringList& fullNames);

// The texts of a list's entries, first to last, as it shows them.
QStringList listTexts(const QAbstractItemView* list);
// Puts the two lists as a saved query had them; nothing highlighted, the all-buttons follow
// whether each list holds items.
void fillDualLists(const DualLists& lists, const QStringList& to, const QStringList& from);

// Moves the highlighted item of source to target (at the row placeIn gives for it, else at the
// end) and re-highlights the same shown position in source (single stays enabled while
// something is shown there); the all-buttons follow whether source still holds items. Returns
// the moved text, or an empty string when nothing was highlighted.
QString moveHighlighted(NameListView* source, NameListView* target, QPushButton* single, QPushButton* sourceAll,
                        QPushButton* targetAll, const std::function<int(const QString&)>& placeIn = {});
// Moves every item source shows (all of them, or those its filter lets through), first to last,
// to the end of target; returns their texts.
QStringList moveAll(NameListView* source, NameListView* target);

}  // namespace lorvane
