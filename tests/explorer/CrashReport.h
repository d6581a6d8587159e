#pragma once
// A crash in the middle of a sequence still says what led to it: the driver, the seed (which
// replays the sequence) and the actions done so far, written from the signal handler.
#include "explorer/Actions.h"

namespace lorvane::explorer {

void installCrashReport();
void crashContext(const QString& driver, quint64 seed);
void crashActions(const QList<Action>& done);
// The action being generated (its choices so far), written as the last line of the report.
void crashCurrent(const Action* inProgress);

}  // namespace lorvane::explorer
