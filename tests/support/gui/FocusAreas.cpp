#include "support/gui/FocusAreas.h"

#include <cmath>
#include <QDebug>

namespace quorvel::test {

const ExifFields &nikonAfFields()
{
    static const ExifFields fields = {
        {"Exif.Image.Make", "NIKON CORPORATION"},  {"Exif.NikonAf2.Version", "48 49 48 48"},
        {"Exif.NikonAf2.AFImageWidth", "6000"},    {"Exif.NikonAf2.AFImageHeight", "4000"},
        {"Exif.NikonAf2.AFAreaXPosition", "1500"}, {"Exif.NikonAf2.AFAreaYPosition", "1000"},
        {"Exif.NikonAf2.AFAreaWidth", "600"},      {"Exif.NikonAf2.AFAreaHeight", "400"},
    };
    return fields;
}

QString differenceOf(const QList<QRectF> &read, const QList<QRectF> &expected)
{
    const auto close = [](double a, double b) { return std::abs(a - b) < 1e-3; };
    bool same = read.size() == expected.size();
    for (qsizetype i = 0; same && i < read.size(); ++i) {
        const QRectF &a = read[i];
        const QRectF &b = expected[i];
        same = close(a.x(), b.x()) && close(a.y(), b.y()) && close(a.width(), b.width()) &&
               close(a.height(), b.height());
    }
    if (same)
        return {};
    QString difference;
    QDebug(&difference) << "read" << read << "expected" << expected;
    return difference;
}

} // namespace quorvel::test
