#pragma once
// Delta debugging of a failing action list: the shortest list found that still fails the same
// way, each candidate replayed from a fresh window.
#include "explorer/Actions.h"

#include <functional>

namespace lorvane::explorer {

class Shrinker {
public:
    using StillFails = std::function<bool(const QList<Action>&)>;
    explicit Shrinker(StillFails stillFails, int maxReplays = 400)
        : stillFails_(std::move(stillFails)), maxReplays_(maxReplays) {}

    QList<Action> shrink(QList<Action> failing);
    int replays() const { return replays_; }

private:
    StillFails stillFails_;
    int maxReplays_;
    int replays_ = 0;
    bool test(const QList<Action>& candidate);
};

}  // namespace lorvane::explorer
