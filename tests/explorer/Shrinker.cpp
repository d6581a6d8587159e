#include "explorer/Shrinker.h"

#include <algorithm>

namespace lorvane::explorer {

bool Shrinker::test(const QList<Action>& candidate) {
    if (replays_ >= maxReplays_)
        return false;
    ++replays_;
    return stillFails_(candidate);
}

QList<Action> Shrinker::shrink(QList<Action> failing) {
    // ddmin: try each of n chunks alone, then each complement; refine n until single actions.
    qsizetype n = 2;
    while (failing.size() >= 2) {
        const qsizetype chunk = (failing.size() + n - 1) / n;
        bool reduced = false;
        for (qsizetype start = 0; start < failing.size() && !reduced; start += chunk) {
            const QList<Action> subset = failing.mid(start, chunk);
            if (subset.size() < failing.size() && test(subset)) {
                failing = subset;
                n = 2;
                reduced = true;
            }
        }
        for (qsizetype start = 0; start < failing.size() && !reduced && n > 2; start += chunk) {
            QList<Action> complement = failing.mid(0, start) + failing.mid(start + chunk);
            if (test(complement)) {
                failing = complement;
                n = std::max<qsizetype>(n - 1, 2);
                reduced = true;
            }
        }
        if (!reduced) {
            if (n >= failing.size())
                break;
            n = std::min(n * 2, failing.size());
        }
        if (replays_ >= maxReplays_)
            break;
    }
    return failing;
}

}  // namespace lorvane::explorer
