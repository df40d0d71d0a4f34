#include "pictures/FocusPointReader.h"
#include "pictures/Picture.h"
#include "support/gui/FocusAreas.h"

#include <exiv2/exiv2.hpp>
#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

using namespace quorvel;
using namespace quorvel::test;

namespace {

using Areas = QList<QRectF>;

constexpr QRgb field = qRgb(200, 200, 200);

// A picture of stored size, the area marked (fractions of the picture as
// stored) painted black on a light field: where the marks land once the
// picture is turned upright is where the focus areas must be.
QByteArray markedJpeg(QSize stored, const Areas &marked)
{
    QImage image(stored, QImage::Format_RGB32);
    image.fill(field);
    QPainter painter(&image);
    for (const QRectF &area : marked) {
        const QRectF pixels(area.x() * stored.width(), area.y() * stored.height(),
                            area.width() * stored.width(), area.height() * stored.height());
        // A point gets a dot about it.
        painter.fillRect(pixels.adjusted(-2, -2, 2, 2), Qt::black);
    }
    painter.end();
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 95);
    return buffer.data();
}

QByteArray le16(int value)
{
    return QByteArray(1, char(value & 0xFF)) + char((value >> 8) & 0xFF);
}
QByteArray le32(quint32 value)
{
    return le16(int(value & 0xFFFF)) + le16(int(value >> 16));
}

// An Olympus maker's note as the cameras lay it out, which Exiv2 reads but
// won't write from its fields: the header, an IFD whose one entry is the
// camera settings' IFD (0x2020), and in that its AFAreas (0x0304), 64 words
// of which the first is area; as the decimal bytes Exiv2 reads an
// undefined field from.
QString olympusMakerNote(quint32 area)
{
    QByteArray note("OLYMPUS\0II\x03\0", 12);
    note += le16(1) + le16(0x2020) + le16(4) + le32(1) + le32(30) + le32(0);
    note += le16(1) + le16(0x0304) + le16(4) + le32(64) + le32(48) + le32(0);
    note += le32(area);
    for (int i = 1; i < 64; ++i)
        note += le32(0);
    QStringList bytes;
    for (const char byte : std::as_const(note))
        bytes << QString::number(uchar(byte));
    return bytes.join(QLatin1Char(' '));
}

// Canon's AF info block as its cameras write it, for Exiv2 to split into
// its fields: three points across the frame's diagonal, points is the mask
// of those in focus.
QString canonAfInfo(int frameWidth, int frameHeight, int points)
{
    const QList<int> values = {46,         2,           3,      3,      frameWidth, frameHeight,
                               frameWidth, frameHeight, 200,    200,    200,        200,
                               200,        200,         -1500,  0,      1500,       1000,
                               0,          -1000,       points, points, 0};
    QStringList numbers;
    for (const int value : values)
        numbers << QString::number(quint16(value));
    return numbers.join(QLatin1Char(' '));
}

ExifFields with(ExifFields fields, const QByteArray &key, const QString &value)
{
    fields.removeIf([&key](const auto &entry) { return entry.first == key; });
    fields.append({key, value});
    return fields;
}

} // namespace

class tst_FocusPointReader : public QObject
{
    Q_OBJECT

private slots:
    void readsWhereTheCameraFocused_data();
    void readsWhereTheCameraFocused();
    void fieldsExiv2WontWriteAreJudgedToo_data();
    void fieldsExiv2WontWriteAreJudgedToo();

private:
    QTemporaryDir m_folder;
};

// Each row: a picture of stored size, turned by orientation, with fields;
// the areas expected in the upright picture, and those marked on it as
// stored (empty: none, and a problem expected when problem is set).
void tst_FocusPointReader::readsWhereTheCameraFocused_data()
{
    QTest::addColumn<QSize>("stored");
    QTest::addColumn<int>("orientation");
    QTest::addColumn<ExifFields>("fields");
    QTest::addColumn<Areas>("marked");
    QTest::addColumn<Areas>("expected");
    QTest::addColumn<bool>("problem");

    const QSize stored(300, 200);
    const Areas none;
    QTest::newRow("SubjectArea, a point")
        << stored << 1 << ExifFields{{"Exif.Photo.SubjectArea", "150 50"}}
        << Areas{{0.5, 0.25, 0, 0}} << Areas{{0.5, 0.25, 0, 0}} << false;
    QTest::newRow("SubjectArea, a circle")
        << stored << 1 << ExifFields{{"Exif.Photo.SubjectArea", "60 100 40"}}
        << Areas{{0.4 / 3, 0.4, 0.4 / 3, 0.2}} << Areas{{0.4 / 3, 0.4, 0.4 / 3, 0.2}} << false;
    QTest::newRow("SubjectArea, a rectangle")
        << stored << 1 << ExifFields{{"Exif.Photo.SubjectArea", "240 150 60 20"}}
        << Areas{{0.7, 0.7, 0.2, 0.1}} << Areas{{0.7, 0.7, 0.2, 0.1}} << false;
    // Scaled since by a program that kept the camera's Exif block.
    QTest::newRow("SubjectArea of a picture scaled since")
        << stored << 1
        << ExifFields{{"Exif.Photo.PixelXDimension", "600"},
                      {"Exif.Photo.PixelYDimension", "400"},
                      {"Exif.Photo.SubjectArea", "150 100 60 40"}}
        << Areas{{0.2, 0.2, 0.1, 0.1}} << Areas{{0.2, 0.2, 0.1, 0.1}} << false;
    QTest::newRow("SubjectLocation")
        << stored << 1 << ExifFields{{"Exif.Photo.SubjectLocation", "30 40"}}
        << Areas{{0.1, 0.2, 0, 0}} << Areas{{0.1, 0.2, 0, 0}} << false;
    QTest::newRow("TIFF-EP SubjectLocation")
        << stored << 1 << ExifFields{{"Exif.Image.SubjectLocation", "60 50 30 20"}}
        << Areas{{0.15, 0.2, 0.1, 0.1}} << Areas{{0.15, 0.2, 0.1, 0.1}} << false;

    // The camera made a picture of 300 x 200 from its AF frame of 6000 x 4000.
    const Areas nikonMarked{{0.2, 0.2, 0.1, 0.1}};
    QTest::newRow("Nikon, scaled by the camera, orientation 1")
        << stored << 1 << nikonAfFields() << nikonMarked << Areas{{0.2, 0.2, 0.1, 0.1}} << false;
    QTest::newRow("Nikon, orientation 3")
        << stored << 3 << nikonAfFields() << nikonMarked << Areas{{0.7, 0.7, 0.1, 0.1}} << false;
    QTest::newRow("Nikon, orientation 6")
        << stored << 6 << nikonAfFields() << nikonMarked << Areas{{0.7, 0.2, 0.1, 0.1}} << false;
    QTest::newRow("Nikon, orientation 8")
        << stored << 8 << nikonAfFields() << nikonMarked << Areas{{0.2, 0.7, 0.1, 0.1}} << false;
    QTest::newRow("Nikon, orientation 2 (mirrored)")
        << stored << 2 << nikonAfFields() << nikonMarked << Areas{{0.7, 0.2, 0.1, 0.1}} << false;
    QTest::newRow("Nikon, orientation 5 (mirrored on its side)")
        << stored << 5 << nikonAfFields() << nikonMarked << Areas{{0.2, 0.2, 0.1, 0.1}} << false;
    // A 16:9 picture cut from the 3:2 frame: its width is the frame's, its
    // height the middle of the frame's.
    QTest::newRow("Nikon, 16:9 crop of a 3:2 frame")
        << QSize(320, 180) << 1
        << with(with(nikonAfFields(), "Exif.NikonAf2.AFAreaXPosition", "4500"),
                "Exif.NikonAf2.AFAreaWidth", "600")
        << Areas{{0.7, 26.0 / 180, 0.1, 64.0 / 3 / 180}}
        << Areas{{0.7, 26.0 / 180, 0.1, 64.0 / 3 / 180}} << false;
    QTest::newRow("Nikon, focused through the viewfinder: no place")
        << stored << 1
        << with(with(with(with(nikonAfFields(), "Exif.NikonAf2.AFAreaXPosition", "0"),
                          "Exif.NikonAf2.AFAreaYPosition", "0"),
                     "Exif.NikonAf2.AFAreaWidth", "0"),
                "Exif.NikonAf2.AFAreaHeight", "0")
        << none << none << false;

    const ExifFields canon = {{"Exif.Image.Make", "Canon"},
                              {"Exif.Canon.AFInfo", canonAfInfo(6000, 4000, 0b101)}};
    const Areas canonAreas{{0.25 - 1.0 / 60, 0.225, 1.0 / 30, 0.05},
                           {0.75 - 1.0 / 60, 0.725, 1.0 / 30, 0.05}};
    QTest::newRow("Canon, the points in focus")
        << stored << 1 << canon << canonAreas << canonAreas << false;
    QTest::newRow("Canon, orientation 6")
        << stored << 6 << canon << canonAreas
        << Areas{{0.725, 0.25 - 1.0 / 60, 0.05, 1.0 / 30}, {0.225, 0.75 - 1.0 / 60, 0.05, 1.0 / 30}}
        << false;

    QTest::newRow("Olympus AFAreas")
        << stored << 1
        << ExifFields{{"Exif.Image.Make", "OLYMPUS IMAGING CORP."},
                      {"Exif.Photo.MakerNote",
                       olympusMakerNote(51u << 24 | 51u << 16 | 102u << 8 | 153u)}}
        << Areas{{0.2, 0.2, 0.2, 0.4}} << Areas{{0.2, 0.2, 0.2, 0.4}} << false;
    QTest::newRow("Panasonic AFPointPosition")
        << stored << 8
        << ExifFields{{"Exif.Image.Make", "Panasonic"},
                      {"Exif.Panasonic.AFPointPosition", "1/4 3/4"}}
        << Areas{{0.25, 0.75, 0, 0}} << Areas{{0.75, 0.75, 0, 0}} << false;

    // Nonsense: no area, and a problem to say once.
    QTest::newRow("SubjectArea outside the picture")
        << stored << 1 << ExifFields{{"Exif.Photo.SubjectArea", "400 50"}} << none << none << true;
    QTest::newRow("SubjectArea of five numbers")
        << stored << 1 << ExifFields{{"Exif.Photo.SubjectArea", "1 2 3 4 5"}} << none << none
        << true;
    QTest::newRow("SubjectArea, a rectangle of no size")
        << stored << 1 << ExifFields{{"Exif.Photo.SubjectArea", "100 100 0 0"}} << none << none
        << true;
    QTest::newRow("SubjectLocation of three numbers")
        << stored << 1 << ExifFields{{"Exif.Photo.SubjectLocation", "1 2 3"}} << none << none
        << true;
    QTest::newRow("Nikon, an AF frame of no size")
        << stored << 1 << with(nikonAfFields(), "Exif.NikonAf2.AFImageWidth", "0") << none << none
        << true;
    QTest::newRow("Nikon, an area outside its frame")
        << stored << 1 << with(nikonAfFields(), "Exif.NikonAf2.AFAreaXPosition", "7000") << none
        << none << true;
    QTest::newRow("Nikon, an area of no size")
        << stored << 1 << with(nikonAfFields(), "Exif.NikonAf2.AFAreaHeight", "0") << none << none
        << true;
    QTest::newRow("Canon, an AF frame of no size")
        << stored << 1
        << ExifFields{{"Exif.Image.Make", "Canon"}, {"Exif.Canon.AFInfo", canonAfInfo(0, 0, 0b1)}}
        << none << none << true;
    QTest::newRow("Olympus, an area whose corners are crossed")
        << stored << 1
        << ExifFields{{"Exif.Image.Make", "OLYMPUS IMAGING CORP."},
                      {"Exif.Photo.MakerNote",
                       olympusMakerNote(102u << 24 | 51u << 16 | 51u << 8 | 153u)}}
        << none << none << true;
    QTest::newRow("Panasonic, a position of no number")
        << stored << 1
        << ExifFields{{"Exif.Image.Make", "Panasonic"},
                      {"Exif.Panasonic.AFPointPosition", "1/0 1/2"}}
        << none << none << true;
    QTest::newRow("Panasonic, a position past the picture")
        << stored << 1
        << ExifFields{{"Exif.Image.Make", "Panasonic"},
                      {"Exif.Panasonic.AFPointPosition", "3/2 1/2"}}
        << none << none << true;
}

// Through the picture's loading, as the viewer's decodes read it: the
// fields written into a real file, and the marks on its pixels found again
// where the areas say, once the picture is upright.
void tst_FocusPointReader::readsWhereTheCameraFocused()
{
    QFETCH(QSize, stored);
    QFETCH(int, orientation);
    QFETCH(ExifFields, fields);
    QFETCH(Areas, marked);
    QFETCH(Areas, expected);
    QFETCH(bool, problem);

    fields.append({"Exif.Image.Orientation", QString::number(orientation)});
    const QString path = m_folder.filePath(QStringLiteral("P%1.JPG").arg(QTest::currentDataTag()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(withExifFields(markedJpeg(stored, marked), fields));
    file.close();

    int error = -1;
    const pictures::Picture picture = pictures::LoadPicture(path, error);
    QCOMPARE(error, 0);
    const pictures::FocusArea &focus = picture.focus();
    const QString difference = differenceOf(focus.areas, expected);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
    QCOMPARE(!focus.problem.isEmpty(), problem);

    const QImage upright = picture.render(picture.size());
    for (const QRectF &area : focus.areas) {
        const QPoint middle(int(area.center().x() * upright.width()),
                            int(area.center().y() * upright.height()));
        QVERIFY2(qGray(upright.pixel(middle)) < 60, "no mark where the area is");
    }
    if (!focus.areas.isEmpty()) {
        const QRectF all = focus.bounds();
        QVERIFY2(qGray(upright.pixel(int((1 - all.center().x()) * (upright.width() - 1)),
                                     int((1 - all.center().y()) * (upright.height() - 1)))) > 150,
                 "a mark opposite the area too");
    }
}

// The makers' fields as Exiv2 hands them out, in counts and numbers no
// file written through Exiv2 would hold: a maker's note damaged, or made
// by other software.
void tst_FocusPointReader::fieldsExiv2WontWriteAreJudgedToo_data()
{
    QTest::addColumn<ExifFields>("fields");
    QTest::addColumn<Areas>("expected");
    QTest::addColumn<bool>("problem");

    const ExifFields canon = {
        {"Exif.Canon.AFNumPoints", "2"},         {"Exif.Canon.AFImageWidth", "6000"},
        {"Exif.Canon.AFImageHeight", "4000"},    {"Exif.Canon.AFAreaWidths", "600 600"},
        {"Exif.Canon.AFAreaHeights", "400 400"}, {"Exif.Canon.AFXPositions", "0 1500"},
        {"Exif.Canon.AFYPositions", "0 -1000"},  {"Exif.Canon.AFPointsInFocus", "0"},
        {"Exif.Canon.AFPointsSelected", "2"},
    };
    QTest::newRow("Canon, the points selected when none is in focus")
        << canon << Areas{{0.7, 0.7, 0.1, 0.1}} << false;
    QTest::newRow("Canon, arrays of other lengths than the count")
        << with(canon, "Exif.Canon.AFAreaWidths", "600") << Areas{} << true;
    QTest::newRow("Canon, a count past any camera's")
        << with(canon, "Exif.Canon.AFNumPoints", "30000") << Areas{} << true;
    QTest::newRow("Canon, a count below one")
        << with(canon, "Exif.Canon.AFNumPoints", "-2") << Areas{} << true;
    QTest::newRow("Canon, no mask")
        << with(canon, "Exif.Canon.AFPointsSelected", "0") << Areas{} << false;
    QTest::newRow("Canon, a point of no size")
        << with(canon, "Exif.Canon.AFAreaWidths", "600 0") << Areas{} << true;
    QTest::newRow("Nikon, a field missing")
        << ExifFields{{"Exif.NikonAf2.AFAreaXPosition", "100"}} << Areas{} << true;
}

void tst_FocusPointReader::fieldsExiv2WontWriteAreJudgedToo()
{
    QFETCH(ExifFields, fields);
    QFETCH(Areas, expected);
    QFETCH(bool, problem);

    Exiv2::ExifData exif;
    for (const auto &[key, value] : std::as_const(fields))
        exif[key.toStdString()] = value.toStdString();
    const pictures::FocusArea focus = pictures::FocusPointReader::read(exif, QSize(300, 200), 1);
    const QString difference = differenceOf(focus.areas, expected);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
    QCOMPARE(!focus.problem.isEmpty(), problem);
}

QTEST_GUILESS_MAIN(tst_FocusPointReader)
#include "tst_FocusPointReader.moc"
