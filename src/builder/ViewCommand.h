#pragma once

#include <QString>

namespace lorvane {

class frmQDM;

// The Create View command: asks for a name, creates the view from the statement (or, when
// the name is taken and the user agrees, replaces it), tells the host, and offers the view on
// the table page at once with its columns.
class ViewCommand {
public:
    explicit ViewCommand(frmQDM& window) : w_(window) {}
    void run();

private:
    frmQDM& w_;

    void offer(const QString& name, const QString& quotedName);
};

}  // namespace lorvane
