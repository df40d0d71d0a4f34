#pragma once

#include <QString>

namespace quorvel::bench {

// One row of the benchmark table: what was measured, our figure next to the
// floor measured in the same run, their ratio, the goal and whether it was
// met. Every benchmark prints its rows in this one form, as a Markdown table
// row, so that bench/run-all.sh can gather the rows of all of them into one
// table (it keeps the lines that begin with "| ").
class TableRow
{
public:
    QString what;
    QString ours;  // e.g. "35.1 ms"
    QString floor; // e.g. "12.0 ms (readdir)"
    double ratio = 0;
    QString goal; // e.g. "<= 1.15x floor"; empty for a row shown for context
    bool met = false;

    // Every goal is a ratio to a floor measured in the same run: a busy or
    // slow machine moves both figures, not whether the goal is met.
    void setRatioGoal(double limit);
    // Both figures in milliseconds, the floor named by what it measured (as
    // "readdir"), and their ratio: the form of most rows.
    void setMilliseconds(double oursMs, double floorMs, const QString &floorKind);
    void print() const;

    static QString milliseconds(double value);
    static QString microseconds(double value);
    static QString megabytes(double value);
};

} // namespace quorvel::bench
