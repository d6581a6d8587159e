#pragma once

#include <QWidget>

class QTextBrowser;

namespace lorvane {

// The user guide in a window of its own, for a desktop that has no browser to show it.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    HelpWindow(const QString& guide, const QString& caption, QWidget* parent = nullptr);

    // The installed user guide (index.html): beside the application's install, where the
    // package put it, or in the source tree of a build; empty when none is there.
    static QString userGuide();

private:
    QTextBrowser* browser_;
};

}  // namespace lorvane
