#pragma once

#include <QElapsedTimer>
#include <QStringList>
#include <vector>

namespace quorvel::bench {

// The middle of several runs: one run slowed down by a neighbour's burst of
// work on the machine does not move it.
double median(std::vector<double> values);

inline double millisecondsSince(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

// True when the benchmark is to run on small sizes only, as the test suite does.
bool isQuick(const QStringList &arguments);

} // namespace quorvel::bench
