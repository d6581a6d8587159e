#pragma once

#include <QString>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
class QWidget;

namespace lorvane {

// Small makers for the builder's controls: each gets its objectName and, where its caption
// comes from the message catalogue, the catalogue id as its "tag" property (the window sets
// the captions on load).
QLabel* captionLabel(QWidget* parent, const char* name, int tag);
QPushButton* commandButton(QWidget* parent, const char* name, const QString& text, int tag = 0);
QListWidget* namedList(QWidget* parent, const char* name);
QComboBox* namedCombo(QWidget* parent, const char* name, bool editable = false);
QGroupBox* captionFrame(QWidget* parent, const char* name, int tag);
QCheckBox* namedCheck(QWidget* parent, const char* name, const QString& text);

}  // namespace lorvane
