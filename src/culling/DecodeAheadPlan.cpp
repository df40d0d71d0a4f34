#include "culling/DecodeAheadPlan.h"

#include <algorithm>
#include <cmath>

namespace quorvel::culling {

namespace {

QList<int> inList(const QList<int> &entries, int count)
{
    QList<int> inside;
    for (int entry : entries) {
        if (entry >= 0 && entry < count && !inside.contains(entry))
            inside << entry;
    }
    return inside;
}

} // namespace

DecodeAheadPlan DecodeAheadPlan::make(int index, int direction, Pace pace, int count, int budget)
{
    DecodeAheadPlan plan;
    if (index < 0 || index >= count)
        return plan;
    const int step = direction < 0 ? -1 : 1;
    // Keys faster than decodes: the pictures passed on the way would land
    // after the user has gone by. Decoded where the user will be when they
    // are ready, they show as the keys reach them; those on their way stay
    // kept while the user comes closer. The lead is bounded by what the
    // memory may hold: the lead's span, one behind and one beyond.
    const int furthestLead = std::max(1, budget - 3);
    const bool held = pace.moveMilliseconds > 0 && pace.decodeMilliseconds > pace.moveMilliseconds;
    if (held) {
        const int lead = std::min(
            int(std::ceil(pace.decodeMilliseconds / pace.moveMilliseconds)) + 1, furthestLead);
        plan.wanted = inList({index + lead * step, index + (lead + 1) * step, index}, count);
        QList<int> kept;
        for (int offset = -1; offset <= lead + 1; ++offset)
            kept << index + offset * step;
        plan.kept = inList(kept, count);
    } else {
        plan.wanted = inList({index, index + step, index - step, index + 2 * step}, count);
        plan.kept = plan.wanted;
    }
    // Thumbnails are small and quick: read well ahead in the direction of
    // travel, so that a held key finds them ready.
    constexpr int thumbnailsAhead = 10;
    QList<int> thumbnails;
    for (int offset = -2; offset <= thumbnailsAhead; ++offset)
        thumbnails << index + offset * step;
    plan.thumbnails = inList(thumbnails, count);
    plan.underWay = plan.kept;
    plan.thumbnailReads = plan.thumbnails;
    if (held) {
        const auto passed = [&](int entry) { return (entry - index) * step < 0; };
        plan.underWay.removeIf(passed);
        plan.thumbnailReads.removeIf(passed);
    }
    return plan;
}

} // namespace quorvel::culling
