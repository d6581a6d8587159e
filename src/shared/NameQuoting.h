#pragma once

#include <QString>

namespace lorvane {

struct BuilderSettings;

// Table and field names with blanks are wrapped in the configured space characters
// (VLNLeftFieldorTableSpaceChr / VLNRightFieldorTableSpaceChr, "[" and "]" by default).
class NameQuoting {
public:
    // Wraps a name that contains a blank, unless it is already wrapped.
    static QString quote(const QString& name, const BuilderSettings& settings);
    // When the name starts with the left character, removes every left and right character.
    static QString unquote(const QString& name, const BuilderSettings& settings);
};

}  // namespace lorvane
