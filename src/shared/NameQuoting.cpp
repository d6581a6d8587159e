#include "NameQuoting.h"

#include "BuilderSettings.h"

namespace lorvane {

QString NameQuoting::quote(const QString& name, const BuilderSettings& s) {
    if (!name.contains(u' '))
        return name;
    const QString& left = s.VLNLeftFieldorTableSpaceChr;
    const QString& right = s.VLNRightFieldorTableSpaceChr;
    if (!left.isEmpty() && !right.isEmpty() && name.startsWith(left.front()) && name.endsWith(right.back()))
        return name;
    return left + name + right;
}

QString NameQuoting::unquote(const QString& name, const BuilderSettings& s) {
    const QString& left = s.VLNLeftFieldorTableSpaceChr;
    const QString& right = s.VLNRightFieldorTableSpaceChr;
    if (left.isEmpty() || !name.startsWith(left.front()))
        return name;
    QString out = name;
    out.remove(left.front());
    if (!right.isEmpty())
        out.remove(right.front());
    return out;
}

}  // namespace lorvane
