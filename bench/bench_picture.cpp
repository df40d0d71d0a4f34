// How long the viewer takes from a Tag to the picture on screen, for camera
// JPEGs of 24 and 45 megapixels, next to the least any display of them has to
// do: libjpeg decoding the file at the smallest of its scales (n/8) that still
// fills the box, which for a camera's pictures is 1/8, and which still reads
// and entropy-decodes every byte. Goal: within 1.15 times that floor. A
// camera's Adobe RGB picture with its profile is turned into the screen's
// colours as well: its floor adds one Little CMS transform of the same pixels.

#include "platform/HeapReuse.h"
#include "platform/MessageBox.h"
#include "support/BareJpeg.h"
#include "support/core/FakeMessageBox.h"
#include "support/core/RecordingRecycler.h"
#include "support/gui/Photograph.h"
#include "support/TableRow.h"
#include "support/Timing.h"
#include "ui/Image.h"
#include "ui/Label.h"
#include "viewer/dlgShowPicture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <lcms2.h>
#include <memory>
#include <QApplication>
#include <QColorSpace>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>
#include <vector>

using namespace quorvel;
using quorvel::bench::TableRow;
using quorvel::test::photograph;

namespace {

struct Case
{
    const char *what;
    QSize size;
    bool adobeRgb = false; // with the profile embedded, as the camera writes it
};

// Adobe RGB to sRGB as Little CMS makes it when asked directly, with no
// cache so that the viewer's workers may share one.
class BareTransform
{
public:
    explicit BareTransform(const QByteArray &icc)
    {
        cmsHPROFILE source = cmsOpenProfileFromMem(icc.constData(), cmsUInt32Number(icc.size()));
        cmsHPROFILE target = cmsCreate_sRGBProfile();
        m_transform = cmsCreateTransform(source, TYPE_BGRA_8, target, TYPE_BGRA_8,
                                         INTENT_PERCEPTUAL, cmsFLAGS_NOCACHE);
        cmsCloseProfile(source);
        cmsCloseProfile(target);
    }
    ~BareTransform() { cmsDeleteTransform(m_transform); }
    BareTransform(const BareTransform &) = delete;
    BareTransform &operator=(const BareTransform &) = delete;

    void apply(QImage &image) const
    {
        cmsDoTransform(m_transform, image.bits(), image.bits(),
                       cmsUInt32Number(image.width() * image.height()));
    }

private:
    cmsHTRANSFORM m_transform;
};

// The box the viewer shows a picture in, in pixels at 15 twips each.
constexpr double boxPixels = 8000.0 / 15.0;

// libjpeg's smallest scale, in eighths, that leaves the picture at least as
// large as the box.
int eighthsToFill(QSize size)
{
    const double reduction = std::max(size.width(), size.height()) / boxPixels;
    return std::clamp(int(std::ceil(8 / reduction)), 1, 8);
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    platform::keepFreedHeapForReuse(); // as the program does when it starts
    const bool quick = bench::isQuick(QCoreApplication::arguments());

    const std::vector<Case> cases =
        quick
            ? std::vector<Case>{{"2 MP JPEG", QSize(1728, 1152)}}
            : std::vector<Case>{{"24 MP JPEG", QSize(6000, 4000)},
                                {"45 MP JPEG", QSize(8256, 5504)},
                                {"24 MP Adobe RGB JPEG with its profile", QSize(6000, 4000), true}};
    const int runs = quick ? 5 : 9;

    QTemporaryDir folder;
    if (!folder.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }

    test::FakeMessageBox messages;
    // Nothing is deleted here; should anything be, nothing moves.
    test::RecordingRecycler recycler;
    viewer::dlgShowPicture dialog(messages, recycler.function(), [] {});
    dialog.show();

    std::printf("Picture display, from Tag to picture shown; median of %d runs\n", runs);
    bool allShown = true;
    QString largest;
    for (const Case &c : cases) {
        const QString path = folder.filePath(QStringLiteral("%1_%2.jpg")
                                                 .arg(QLatin1String(c.adobeRgb ? "_DSC" : "DSC_"))
                                                 .arg(c.size.width()));
        QImage picture = photograph(c.size);
        if (c.adobeRgb)
            picture.setColorSpace(QColorSpace(QColorSpace::AdobeRgb));
        if (!picture.save(path, "JPEG", 90)) {
            std::fprintf(stderr, "could not write %s\n", qPrintable(path));
            return 1;
        }
        const QByteArray nativePath = QFile::encodeName(path);
        const int eighths = eighthsToFill(c.size);

        // One of each first, so plug-ins and the file's pages are in memory.
        dialog.setTag(path);
        dialog.showPicture(dialog.Tag());
        bench::decodeJpegBare(nativePath, eighths);
        // The same pixels the floor's decode gives, to be transformed.
        const std::unique_ptr<BareTransform> transform =
            c.adobeRgb
                ? std::make_unique<BareTransform>(QColorSpace(QColorSpace::AdobeRgb).iccProfile())
                : nullptr;
        QImage decodedPixels;
        if (transform) {
            QImageReader reader(path);
            reader.setScaledSize(c.size * eighths / 8);
            decodedPixels = reader.read().convertToFormat(QImage::Format_RGB32);
        }

        std::vector<double> ours;
        std::vector<double> floor;
        for (int run = 0; run < runs; ++run) {
            QElapsedTimer timer;
            timer.start();
            dialog.setTag(path);
            dialog.showPicture(dialog.Tag());
            dialog.Image1->repaint();
            ours.push_back(bench::millisecondsSince(timer));

            QImage pixels = decodedPixels.copy();
            timer.start();
            bench::decodeJpegBare(nativePath, eighths);
            if (transform)
                transform->apply(pixels);
            floor.push_back(bench::millisecondsSince(timer));
        }
        const bool shown = dialog.Label1->Caption().isEmpty() && dialog.Image1->Visible() &&
                           !dialog.Image1->Rendition().isNull();
        allShown = allShown && shown;
        TableRow row;
        row.what = QStringLiteral("Picture shown, %1 (%2x%3, %4 MB)")
                       .arg(QLatin1String(c.what))
                       .arg(c.size.width())
                       .arg(c.size.height())
                       .arg(double(QFile(path).size()) / 1e6, 0, 'f', 1);
        row.setMilliseconds(median(ours), median(floor),
                            QString::fromLatin1(c.adobeRgb
                                                    ? "libjpeg decode at %1/8 + cmsDoTransform"
                                                    : "libjpeg decode at %1/8")
                                .arg(eighths));
        row.goal = QStringLiteral("<= 1.15x floor");
        row.met = row.ratio <= 1.15;
        row.print();
        largest = QStringLiteral("%1: %2 (shown at %3 x %4 px, %5 KB decoded)")
                      .arg(QLatin1String(c.what))
                      .arg(shown ? QStringLiteral("displays") : QStringLiteral("DOES NOT DISPLAY"))
                      .arg(dialog.Image1->Rendition().width())
                      .arg(dialog.Image1->Rendition().height())
                      .arg(dialog.Image1->Rendition().sizeInBytes() / 1024);
    }
    std::printf("%s\n", qPrintable(largest));
    return allShown ? 0 : 1;
}
