// Matching: which of 50,000 RAW files have no picture among 50,000, by base
// name, exactly as the trim decides it, next to the least any such decision
// costs: one pass that hashes every name of both lists. Goal: under 20 ms.

#include "support/TableRow.h"
#include "support/Timing.h"
#include "trimming/Matching.h"

#include <cstdio>
#include <QCoreApplication>
#include <QHash>
#include <QLocale>

using namespace quorvel;
using namespace quorvel::bench;

namespace {

// Every fifth RAW file has lost its picture; the pictures that are left are
// as many again, the rest being pictures without a RAW file.
void makeNames(int count, QStringList &raws, QStringList &pictures)
{
    raws.reserve(count);
    pictures.reserve(count);
    for (int i = 0; i < count; ++i) {
        raws.append(QStringLiteral("DSC_%1.NEF").arg(i, 6, 10, QLatin1Char('0')));
        const int picture = i % 5 == 4 ? count + i : i;
        pictures.append(QStringLiteral("DSC_%1.JPG").arg(picture, 6, 10, QLatin1Char('0')));
    }
}

// The floor: every name of both lists hashed once, nothing kept.
size_t hashEveryName(const QStringList &raws, const QStringList &pictures)
{
    size_t sum = 0;
    for (const QString &name : raws)
        sum += qHash(name);
    for (const QString &name : pictures)
        sum += qHash(name);
    return sum;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    const bool quick = isQuick(application.arguments());
    const int count = quick ? 1000 : 50000;
    const int runs = quick ? 3 : 31;

    QStringList raws;
    QStringList pictures;
    makeNames(count, raws, pictures);

    // Once each before timing: pages in, and the result checked.
    const std::vector<int> unmatched = trimming::unmatchedRawFiles(raws, pictures);
    volatile size_t sink = hashEveryName(raws, pictures);
    bool right = int(unmatched.size()) == count / 5;
    for (const int index : unmatched)
        right = right && index % 5 == 4;

    std::vector<double> ours;
    std::vector<double> floor;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        sink = sink + hashEveryName(raws, pictures);
        floor.push_back(millisecondsSince(timer));

        timer.start();
        const std::vector<int> result = trimming::unmatchedRawFiles(raws, pictures);
        ours.push_back(millisecondsSince(timer));
        right = right && result.size() == unmatched.size();
    }

    const double oursMs = median(ours);
    const double floorMs = median(floor);
    const QString n = QLocale(QLocale::English).toString(count);
    TableRow row;
    row.what = QStringLiteral("Matching, %1 RAW x %1 picture names").arg(n);
    row.setMilliseconds(oursMs, floorMs, QStringLiteral("hashing every name"));
    row.goal = QStringLiteral("< 20 ms");
    row.met = right && oursMs < 20;
    row.print();
    if (!right)
        std::fprintf(stderr, "matching found the wrong RAW files\n");
    return right ? 0 : 1;
}
