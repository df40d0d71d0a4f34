// Matching: which of 50,000 RAW files have no picture among 50,000, by base
// name, exactly as the trim and the marks decide it, on the lists' own bytes,
// next to the least any such decision costs: one pass that hashes every name
// of both lists. Goals: under 20 ms, and at most 3x that pass.

#include "files/NameList.h"
#include "support/TableRow.h"
#include "support/Timing.h"
#include "trimming/Matching.h"
#include "trimming/PictureBaseNames.h"

#include <cstdio>
#include <QCoreApplication>
#include <QHash>
#include <QLocale>

using namespace quorvel;
using namespace quorvel::bench;

namespace {

// Every fifth RAW file has lost its picture; the pictures that are left are
// as many again, the rest being pictures without a RAW file.
void makeNames(int count, files::NameList &raws, files::NameList &pictures)
{
    for (int i = 0; i < count; ++i) {
        raws.append(QByteArrayLiteral("DSC_") + QByteArray::number(i).rightJustified(6, '0') +
                    QByteArrayLiteral(".NEF"));
        const int picture = i % 5 == 4 ? count + i : i;
        pictures.append(QByteArrayLiteral("DSC_") +
                        QByteArray::number(picture).rightJustified(6, '0') +
                        QByteArrayLiteral(".JPG"));
    }
}

// The floor: every name of both lists hashed once, nothing kept.
size_t hashEveryName(const files::NameList &raws, const files::NameList &pictures)
{
    size_t sum = 0;
    for (qsizetype i = 0; i < raws.size(); ++i)
        sum += qHash(raws.bytes(i));
    for (qsizetype i = 0; i < pictures.size(); ++i)
        sum += qHash(pictures.bytes(i));
    return sum;
}

// What the trim does with the window's lists: the pictures indexed, every
// RAW file looked up.
std::vector<int> toTrim(const files::NameList &raws,
                        const std::shared_ptr<const files::NameList> &pictures)
{
    return trimming::rawFilesToTrim(raws, trimming::PictureBaseNames(pictures));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    const bool quick = isQuick(application.arguments());
    const int count = quick ? 1000 : 50000;
    const int runs = quick ? 3 : 31;

    files::NameList raws;
    auto pictureList = std::make_shared<files::NameList>();
    makeNames(count, raws, *pictureList);
    const std::shared_ptr<const files::NameList> pictures = pictureList;

    // Once each before timing: pages in, and the result checked.
    const std::vector<int> unmatched = toTrim(raws, pictures);
    volatile size_t sink = hashEveryName(raws, *pictures);
    bool right = int(unmatched.size()) == count / 5;
    for (const int index : unmatched)
        right = right && index % 5 == 4;

    std::vector<double> ours;
    std::vector<double> floor;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        sink = sink + hashEveryName(raws, *pictures);
        floor.push_back(millisecondsSince(timer));

        timer.start();
        const std::vector<int> result = toTrim(raws, pictures);
        ours.push_back(millisecondsSince(timer));
        right = right && result.size() == unmatched.size();
    }

    const double oursMs = median(ours);
    const double floorMs = median(floor);
    const QString n = QLocale(QLocale::English).toString(count);
    TableRow row;
    row.what = QStringLiteral("Matching, %1 RAW x %1 picture names").arg(n);
    row.setMilliseconds(oursMs, floorMs, QStringLiteral("hashing every name"));
    row.goal = QStringLiteral("< 20 ms and <= 3x floor");
    row.met = right && oursMs < 20 && oursMs <= 3 * floorMs;
    row.print();
    if (!right)
        std::fprintf(stderr, "matching found the wrong RAW files\n");
    return right ? 0 : 1;
}
