#include "pictures/FocusPeaking.h"
#include "support/gui/SharpAndSoft.h"

#include <QRandomGenerator>
#include <QTest>

using namespace quorvel;
using pictures::FocusPeaking;
using test::blurredOutside;
using test::squares;

namespace {

// The finer decode of a picture shown at 240 x 160.
const QSize detailed(480, 320);
const QSize shown(240, 160);

// How much of area of the mask is marked, 0 to 1; every pixel is either the
// colour or transparent.
double markedIn(const QImage &mask, const QRect &area)
{
    int marked = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb pixel = mask.pixel(x, y);
            if (pixel == FocusPeaking::colour)
                ++marked;
            else if (pixel != 0)
                return -1;
        }
    }
    return double(marked) / (area.width() * area.height());
}

} // namespace

class tst_FocusPeaking : public QObject
{
    Q_OBJECT

private slots:
    void marksTheEdgesInFocusOnly_data();
    void marksTheEdgesInFocusOnly();
    void findsTheSharpestArea_data();
    void findsTheSharpestArea();
    void takesAnySize_data();
    void takesAnySize();
};

void tst_FocusPeaking::marksTheEdgesInFocusOnly_data()
{
    QTest::addColumn<QImage>("picture");
    QTest::addColumn<bool>("leftInFocus");
    QTest::addColumn<bool>("rightInFocus");

    const QRect left(0, 0, detailed.width() / 2, detailed.height());
    const QImage sharp = squares(detailed, 4);
    QTest::newRow("sharp left, soft right") << blurredOutside(sharp, 2, left) << true << false;
    QTest::newRow("sharp all over") << sharp << true << true;
    // The measure is its span's, not the picture's: a faint texture in focus
    // counts as a strong one does.
    QTest::newRow("faint, sharp left")
        << blurredOutside(squares(detailed, 4, 60), 2, left) << true << false;
    // Strong edges, as wide as a lens a little out of focus draws them.
    QTest::newRow("soft all over, large squares")
        << blurredOutside(squares(detailed, 16), 2) << false << false;
    QTest::newRow("soft all over, fine squares")
        << blurredOutside(squares(detailed, 4), 3) << false << false;
    QImage flat(detailed, QImage::Format_RGB32);
    flat.fill(qRgb(90, 140, 210));
    QTest::newRow("flat") << flat << false << false;
    QTest::newRow("flat with a camera's noise") << squares(detailed, 1, 6) << false << false;
    QTest::newRow("flat with strong noise") << squares(detailed, 1, 40) << false << false;
    QTest::newRow("sharp left, in another format")
        << blurredOutside(sharp, 2, left).convertToFormat(QImage::Format_RGB888) << true << false;
    QTest::newRow("sharp left, as its luminance")
        << FocusPeaking::luminance(blurredOutside(sharp, 2, left)) << true << false;
}

void tst_FocusPeaking::marksTheEdgesInFocusOnly()
{
    QFETCH(QImage, picture);
    QFETCH(bool, leftInFocus);
    QFETCH(bool, rightInFocus);

    const FocusPeaking::Result peaking = FocusPeaking::of(picture, shown);
    QCOMPARE(peaking.mask.size(), shown);
    QCOMPARE(peaking.mask.format(), QImage::Format_ARGB32_Premultiplied);
    // The edge between the halves is the sharp half's own.
    const double left = markedIn(peaking.mask, QRect(0, 0, shown.width() / 2 - 3, shown.height()));
    const double right = markedIn(
        peaking.mask, QRect(shown.width() / 2 + 3, 0, shown.width() / 2 - 3, shown.height()));
    QVERIFY2(left >= 0 && right >= 0, "a pixel neither the colour nor transparent");
    const auto inFocus = [](double marked) { return marked >= 0.3; };
    QVERIFY2(inFocus(left) == leftInFocus && inFocus(right) == rightInFocus,
             qPrintable(QStringLiteral("marked: left %1, right %2").arg(left).arg(right)));
    // Noise may pass here and there, never as an area.
    QVERIFY(leftInFocus || left < 0.01);
    QVERIFY(rightInFocus || right < 0.01);
    QCOMPARE(peaking.sharpest.has_value(), leftInFocus || rightInFocus);
}

void tst_FocusPeaking::findsTheSharpestArea_data()
{
    QTest::addColumn<QImage>("picture");
    QTest::addColumn<QRectF>("sharpQuarter");

    const QImage sharp = squares(detailed, 4, 255, 7);
    const int w = detailed.width() / 2;
    const int h = detailed.height() / 2;
    for (const auto &[name, quarter] :
         {std::pair{"top left", QRect(0, 0, w, h)}, std::pair{"top right", QRect(w, 0, w, h)},
          std::pair{"bottom left", QRect(0, h, w, h)},
          std::pair{"bottom right", QRect(w, h, w, h)}}) {
        const QRectF fractions(double(quarter.x()) / detailed.width(),
                               double(quarter.y()) / detailed.height(), 0.5, 0.5);
        QTest::newRow(name) << blurredOutside(sharp, 2, quarter) << fractions;
    }
    // Sharp texture beside a sharp edge of more contrast: where most of the
    // detail is, not the one strongest edge.
    QImage edge = blurredOutside(squares(detailed, 4, 120), 2, QRect(w, h, w, h));
    for (int y = 0; y < h; ++y) {
        for (int x = w / 2; x < w; ++x)
            edge.setPixel(x, y, qRgb(255, 255, 255));
        for (int x = 0; x < w / 2; ++x)
            edge.setPixel(x, y, qRgb(0, 0, 0));
    }
    QTest::newRow("texture beside a strong edge") << edge << QRectF(0.5, 0.5, 0.5, 0.5);
}

void tst_FocusPeaking::findsTheSharpestArea()
{
    QFETCH(QImage, picture);
    QFETCH(QRectF, sharpQuarter);

    const FocusPeaking::Result peaking = FocusPeaking::of(picture, shown);
    QVERIFY(peaking.sharpest);
    QVERIFY2(
        sharpQuarter.contains(*peaking.sharpest),
        qPrintable(
            QStringLiteral("at %1, %2").arg(peaking.sharpest->x()).arg(peaking.sharpest->y())));
}

void tst_FocusPeaking::takesAnySize_data()
{
    QTest::addColumn<QSize>("pictureSize");
    QTest::addColumn<QSize>("shownSize");

    QTest::newRow("1 x 1") << QSize(1, 1) << QSize(1, 1);
    QTest::newRow("3 x 2") << QSize(3, 2) << QSize(2, 1);
    QTest::newRow("one row") << QSize(400, 1) << QSize(200, 1);
    QTest::newRow("one column") << QSize(1, 400) << QSize(1, 200);
    QTest::newRow("5 x 5") << QSize(5, 5) << QSize(2, 2);
    QTest::newRow("odd sizes") << QSize(333, 97) << QSize(101, 29);
    QTest::newRow("shown larger than decoded") << QSize(40, 30) << QSize(131, 97);
    QTest::newRow("nothing shown") << QSize(40, 30) << QSize(0, 0);
}

void tst_FocusPeaking::takesAnySize()
{
    QFETCH(QSize, pictureSize);
    QFETCH(QSize, shownSize);

    const QImage picture = squares(pictureSize, 1);
    const FocusPeaking::Result peaking = FocusPeaking::of(picture, shownSize);
    QCOMPARE(peaking.mask.isNull(), shownSize.isEmpty());
    QCOMPARE(peaking.mask.size(), shownSize.isEmpty() ? QSize(0, 0) : shownSize);
    if (!shownSize.isEmpty())
        QVERIFY(markedIn(peaking.mask, peaking.mask.rect()) >= 0);

    // In colour, its luminance gives the very same mask, and its half size
    // is the mean of each two by two, channel by channel.
    QImage coloured(pictureSize, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < coloured.height(); ++y) {
        for (int x = 0; x < coloured.width(); ++x)
            coloured.setPixel(x, y, 0xFF000000 | random.generate());
    }
    QImage halved;
    const QImage luminance = FocusPeaking::luminance(coloured, &halved);
    QCOMPARE(FocusPeaking::of(luminance, shownSize).mask,
             FocusPeaking::of(coloured, shownSize).mask);
    const QSize half(pictureSize.width() / 2, pictureSize.height() / 2);
    QCOMPARE(halved.size(), half.isEmpty() ? QSize(0, 0) : half);
    for (int y = 0; y < halved.height(); ++y) {
        for (int x = 0; x < halved.width(); ++x) {
            const QRgb four[] = {coloured.pixel(2 * x, 2 * y), coloured.pixel(2 * x + 1, 2 * y),
                                 coloured.pixel(2 * x, 2 * y + 1),
                                 coloured.pixel(2 * x + 1, 2 * y + 1)};
            const auto mean = [&four](int (*channel)(QRgb)) {
                return (channel(four[0]) + channel(four[1]) + channel(four[2]) + channel(four[3]) +
                        2) /
                       4;
            };
            QCOMPARE(halved.pixel(x, y), qRgb(mean(qRed), mean(qGreen), mean(qBlue)));
        }
    }

    const std::atomic<bool> cancelled{true};
    QVERIFY(FocusPeaking::of(picture, shownSize, cancelled).mask.isNull());
}

QTEST_MAIN(tst_FocusPeaking)
#include "tst_FocusPeaking.moc"
