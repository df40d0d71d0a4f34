#include "support/TableRow.h"

#include <cstdio>

namespace quorvel::bench {

void TableRow::setRatioGoal(double limit)
{
    goal = QStringLiteral("<= %1x floor").arg(limit, 0, 'f', 2);
    met = ratio > 0 && ratio <= limit;
}

void TableRow::setMilliseconds(double oursMs, double floorMs, const QString &floorKind)
{
    ours = milliseconds(oursMs);
    floor = milliseconds(floorMs) + QStringLiteral(" (") + floorKind + QLatin1Char(')');
    ratio = oursMs / floorMs;
}

void TableRow::print() const
{
    const bool context = goal.isEmpty();
    std::printf("| %s | %s | %s | %.2fx | %s | %s |\n", qPrintable(what), qPrintable(ours),
                qPrintable(floor), ratio, context ? "(context)" : qPrintable(goal),
                context ? ""
                : met   ? "yes"
                        : "NO");
    std::fflush(stdout);
}

QString TableRow::milliseconds(double value)
{
    return QStringLiteral("%1 ms").arg(value, 0, 'f', value < 10 ? 2 : 1);
}

QString TableRow::microseconds(double value)
{
    return QStringLiteral("%1 µs").arg(value, 0, 'f', 1);
}

QString TableRow::megabytes(double value)
{
    return QStringLiteral("%1 MB").arg(value, 0, 'f', 1);
}

} // namespace quorvel::bench
