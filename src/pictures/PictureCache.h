#pragma once

#include "files/FileIdentity.h"
#include "pictures/ColourSpace.h"
#include "pictures/ColourTransforms.h"
#include "pictures/FocusArea.h"
#include "pictures/Picture.h"

#include <atomic>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <QThreadPool>

namespace quorvel::pictures {

// The pictures around the one shown, decoded ahead on worker threads at the
// size they will be shown at, so that the next key finds its picture ready.
// It holds only the pictures it was last told to keep, which bounds its
// memory; work for any other is dropped before it starts. Beside them it
// reads the small thumbnails embedded in the files, on a thread of their own
// so that they never wait behind a full decode: they stand in for a picture
// that the user reached before its decode did. Every image it hands out is
// in the screen's colour space, turned on the worker that made it, at the
// size it is shown at.
class PictureCache : public QObject
{
    Q_OBJECT

public:
    // A picture measured and decoded. errorNumber as LoadPicture gives it; a
    // null image with errorNumber 0 is a file damaged past its header.
    struct Decoded
    {
        pictures::Picture picture;
        int errorNumber = 0;
        QImage image;
        double milliseconds = 0; // what the decode took on its worker
        // Empty when the picture is sRGB or taken for it; "Adobe RGB" for
        // Adobe RGB (1998) however it was recognised; otherwise its profile's
        // own description.
        QString colourSpace;
        // Empty, or for the status line: the picture's profile could not be
        // used and its colours are shown as sRGB.
        QString colourProblem;
        // The file as it was when its decode began: Delete moves it only
        // while it is still that file.
        files::FileIdentity file;
        // Where the camera focused, read from the picture, or from its RAW
        // file in the RAW folder when the picture records none.
        FocusArea focus;
        // Only while peaking is on: the edges in focus, in a colour that
        // stands out, at image's size and transparent elsewhere; and the
        // middle of the area the measure finds sharpest, as fractions of the
        // picture's width and height.
        QImage peaking;
        std::optional<QPointF> sharpest;
    };

    // The size a picture is decoded at: the device pixels it covers on
    // screen, from its natural size (empty for a picture without extent),
    // worked out by whoever places it; its natural size when none is given.
    // A plain function, so that a worker thread sizes its decode without
    // asking a window.
    struct Sizing
    {
        std::function<QSize(const QSize &natural)> devicePixels;
        qreal devicePixelRatio = 1;
        // Where the decode looks for the picture's RAW file for its focus
        // point: the cache's rawFolder(), put in as each job starts, so
        // that the worker reads it without a lock.
        QString rawFolder;
        // The size given is the least wanted: a decoder may hand back more,
        // of the picture's shape, where that costs no more (a JPEG's own
        // scales). Set for the finer decode focus peaking measures.
        bool atLeast = false;

        QSize of(const QSize &natural) const
        {
            return devicePixels ? devicePixels(natural) : natural;
        }
    };

    // Reads the picture in path and decodes it at the size sizing gives, on a
    // worker thread; gives up early once cancelled is set. decode() is the
    // program's own; another lets a test hold a picture back on purpose, as
    // a slow card or a huge file would.
    using Decoder = std::function<Decoded(const QString &path, const Sizing &sizing,
                                          const std::atomic<bool> &cancelled)>;
    static Decoded decode(const QString &path, const Sizing &sizing,
                          const std::atomic<bool> &cancelled);

    // An empty decoder stands for decode().
    explicit PictureCache(Decoder decoder = {}, QObject *parent = nullptr);
    ~PictureCache() override;

    // The size pictures are decoded at. A new one drops all that was decoded
    // or asked for under the old.
    void setSizing(Sizing sizing);

    // Focus peaking for the pictures decoded from now on: turned either way,
    // what was decoded goes, so that the next picture comes as asked. While
    // it is on each picture is decoded at twice its size or finer, measured
    // there (FocusPeaking) and brought down to its size, on its worker. The
    // look at one to one, already whole, keeps its decode when turned: its
    // mask is made for it, or dropped.
    void setPeaking(bool on);
    bool peaking() const { return m_peaking; }
    // The folder of the RAW files that belong with the pictures, where a
    // picture's focus point is looked for when the picture records none;
    // empty for none. Another folder drops what was decoded: a picture may
    // find its focus point there.
    void setRawFolder(const QString &folder)
    {
        if (folder == m_rawFolder)
            return;
        m_rawFolder = folder;
        dropDecodes();
    }
    QString rawFolder() const { return m_rawFolder; }

    // The ICC profile of the screen the pictures are shown on; empty means
    // sRGB. A profile other than the one in use drops all that was decoded,
    // the thumbnails and the look at one to one, so that the next picture is
    // made for the new screen; the same one again does nothing.
    void setScreenProfile(const QByteArray &icc);
    // Empty when the screen's profile in use was read fine, or none was
    // given; otherwise, for the status line, that it could not be used and
    // the screen is taken for sRGB.
    QString screenProfileProblem() const;

    // The decoded picture in path, or null when it has not landed yet.
    const Decoded *find(const QString &path) const;
    // Asks for path to be decoded, unless it is decoded or on its way. Higher
    // priorities are started first. Raises decoded() when it lands.
    void request(const QString &path, int priority);
    // The decoded picture in path, waiting for a worker to decode it first if
    // need be: for the display that is to be complete when it returns.
    const Decoded &wait(const QString &path);
    // Drops what was decoded of path, so that the next wait() reads the file
    // as it is now.
    void forget(const QString &path) { m_decoded.remove(path); }
    // Keeps the pictures of paths and drops the others, with the work asked
    // for them: what has not started never does, what runs stops early.
    void keepOnly(const QStringList &paths);
    // Drops the work asked for any path but those of paths, what runs
    // stopping early; unlike keepOnly(), what is decoded stays.
    void withdrawAllBut(const QStringList &paths);

    // The embedded thumbnail of path, turned upright, when it has been read;
    // a null image when the file has none.
    const QImage *findThumbnail(const QString &path) const;
    void requestThumbnail(const QString &path);
    // Keeps the thumbnails of paths only.
    void keepThumbnailsOnly(const QStringList &paths);

    // The picture in path decoded whole, for a look at one to one. One at a
    // time: a new request, or a release, drops the one before.
    void requestActualPixels(const QString &path);
    const QImage *actualPixels(const QString &path) const;
    // While peaking is on, the edges in focus of the look at one to one, at
    // its size; made on its worker once its decode has landed, and raised
    // with actualPixelsDecoded() again. Null until then, and while off.
    const QImage *actualPeaking(const QString &path) const;
    void releaseActualPixels();

    // How long decodes take here, on average of the last few.
    double typicalDecodeMilliseconds() const { return m_typicalDecode; }

signals:
    void decoded(const QString &path);
    void thumbnailRead(const QString &path);
    void actualPixelsDecoded(const QString &path);

private:
    struct Job
    {
        std::atomic<bool> cancelled{false};
        std::atomic<bool> started{false};
        std::promise<Decoded> promise;
        std::shared_future<Decoded> result;
    };
    struct ThumbnailJob
    {
        std::atomic<bool> cancelled{false};
        QImage image;
        QImage peaking; // of the look at one to one only
    };

    std::shared_ptr<Job> start(const QString &path, int priority);
    void landed(const QString &path, const std::shared_ptr<Job> &job);
    void take(const QString &path, const Decoded &decoded);
    void thumbnailLanded(const QString &path, const std::shared_ptr<ThumbnailJob> &job);
    // Drops every decode made or asked for: they were for another size,
    // screen or peaking.
    void dropDecodes();
    // On a worker: the decode of decoded at shown's finer size measured for
    // peaking and brought down to shown's.
    static void bringDown(Decoded &decoded, const Sizing &shown,
                          const std::atomic<bool> &cancelled);
    // The mask of the look at one to one held, made on its worker.
    void startActualPeaking();
    void actualLanded(const QString &path, const std::shared_ptr<ThumbnailJob> &job);
    // On a worker: decoded's image turned into screen's colours.
    void manageColours(Decoded &decoded, const ColourSpace &screen);

    // Set once, before any worker runs: the workers read it without a lock.
    const Decoder m_decode;

    // Two workers decode ahead: the machines this runs on are small, and
    // the GUI thread keeps a core for itself. The thumbnails have a thread of
    // their own beside them, and so has the look at one to one (below).
    QThreadPool m_pool;
    QThreadPool m_thumbnailPool;
    // A look at one to one is asked for by the user, who waits for it: it
    // never queues behind the decodes ahead.
    QThreadPool m_actualPool;
    Sizing m_sizing;
    bool m_peaking = false;
    QString m_rawFolder;
    QByteArray m_screenProfile;
    // Each job takes a copy with it: a new screen's never reaches a decode
    // already under way, which is dropped instead.
    ColourSpace m_screen;
    // Shared by all the workers; locks itself.
    ColourTransforms m_transforms;
    QHash<QString, Decoded> m_decoded;
    QHash<QString, std::shared_ptr<Job>> m_jobs;
    QHash<QString, QImage> m_thumbnails;
    QHash<QString, std::shared_ptr<ThumbnailJob>> m_thumbnailJobs;
    double m_typicalDecode = 0;
    QString m_actualPath;
    std::shared_ptr<ThumbnailJob> m_actualJob;
    QImage m_actual;
    QImage m_actualPeaking;
};

} // namespace quorvel::pictures
