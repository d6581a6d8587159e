#pragma once
// Known faults: those filed in issue 22 (items 1 to 17) and those the explorer found and that were
// reported ("new X"), which it meets until their fixes are merged. A failure matching one is
// counted and reported, not failed on. Remove an entry once its fix is in.
#include "explorer/Actions.h"
#include "explorer/Explorer.h"

namespace lorvane::explorer {

struct KnownFault {
    const char* id;  // "item N" of issue 22, or "new X" for a fault the explorer found and reported
    const char* description;
    bool (*matches)(const Failure&, const QList<Action>&);
};

const QList<KnownFault>& knownFaults();
// The id of the first listed fault the failure matches, or an empty string.
QString knownFault(const Failure& failure, const QList<Action>& actions);

}  // namespace lorvane::explorer
