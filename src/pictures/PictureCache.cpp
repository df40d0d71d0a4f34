#include "pictures/PictureCache.h"

#include "pictures/EmbeddedThumbnail.h"
#include "pictures/FocusPeaking.h"
#include "pictures/PictureFocus.h"

#include <climits>
#include <QElapsedTimer>
#include <QSet>

namespace quorvel::pictures {

namespace {

// The finer decode peaking measures: twice the size shown, or as close to it
// as the picture goes, and no smaller than shown.
PictureCache::Sizing finer(const PictureCache::Sizing &shown)
{
    PictureCache::Sizing sizing = shown;
    sizing.devicePixels = [shown](const QSize &natural) {
        const QSize size = shown.of(natural);
        return size.isEmpty() ? size : (size * 2).boundedTo(natural).expandedTo(size);
    };
    sizing.atLeast = true;
    return sizing;
}

} // namespace

PictureCache::PictureCache(Decoder decoder, QObject *parent)
    : QObject(parent), m_decode(decoder ? std::move(decoder) : Decoder(&PictureCache::decode))
{
    m_pool.setMaxThreadCount(2);
    m_thumbnailPool.setMaxThreadCount(1);
    m_actualPool.setMaxThreadCount(1);
}

// The workers report to this object: they are all done before it goes.
PictureCache::~PictureCache()
{
    for (const auto &job : std::as_const(m_jobs))
        job->cancelled = true;
    for (const auto &job : std::as_const(m_thumbnailJobs))
        job->cancelled = true;
    if (m_actualJob)
        m_actualJob->cancelled = true;
    m_pool.waitForDone();
    m_thumbnailPool.waitForDone();
    m_actualPool.waitForDone();
}

void PictureCache::setScreenProfile(const QByteArray &icc)
{
    if (icc == m_screenProfile)
        return;
    m_screenProfile = icc;
    m_screen = icc.isEmpty() ? ColourSpace::sRgb() : ColourSpace::fromIcc(icc);
    dropDecodes();
    for (const auto &job : std::as_const(m_thumbnailJobs))
        job->cancelled = true;
    m_thumbnailJobs.clear();
    m_thumbnails.clear();
    releaseActualPixels();
}

QString PictureCache::screenProfileProblem() const
{
    if (m_screen.problem().isEmpty())
        return {};
    return tr("The screen's colour profile can't be used (%1): colours shown as for an sRGB "
              "screen")
        .arg(m_screen.problem());
}

void PictureCache::manageColours(Decoded &decoded, const ColourSpace &screen)
{
    const ColourSpace &picture = decoded.picture.colourSpace();
    decoded.colourSpace = picture.name();
    if (!picture.problem().isEmpty())
        decoded.colourProblem = tr("The picture's colour profile can't be used (%1): shown as sRGB")
                                    .arg(picture.problem());
    m_transforms.apply(decoded.image, picture, screen);
}

void PictureCache::dropDecodes()
{
    for (const auto &job : std::as_const(m_jobs))
        job->cancelled = true;
    m_jobs.clear();
    m_decoded.clear();
}

void PictureCache::setSizing(Sizing sizing)
{
    m_sizing = std::move(sizing);
    dropDecodes();
}

void PictureCache::setPeaking(bool on)
{
    if (on == m_peaking)
        return;
    m_peaking = on;
    dropDecodes();
    m_actualPeaking = QImage();
    // A whole decode a few hundred milliseconds long stays: only its mask is
    // new. One still under way makes its mask when it lands.
    if (on && !m_actualJob && !m_actual.isNull())
        startActualPeaking();
}

const PictureCache::Decoded *PictureCache::find(const QString &path) const
{
    const auto found = m_decoded.constFind(path);
    return found == m_decoded.cend() ? nullptr : &*found;
}

void PictureCache::request(const QString &path, int priority)
{
    if (m_decoded.contains(path) || m_jobs.contains(path))
        return;
    m_jobs.insert(path, start(path, priority));
}

std::shared_ptr<PictureCache::Job> PictureCache::start(const QString &path, int priority)
{
    auto job = std::make_shared<Job>();
    job->result = job->promise.get_future().share();
    Sizing sizing = m_sizing;
    sizing.rawFolder = m_rawFolder;
    const bool peaking = m_peaking;
    const ColourSpace screen = m_screen;
    m_pool.start(
        [this, job, path, sizing, peaking, screen] {
            if (job->cancelled) {
                job->promise.set_value({});
                return;
            }
            job->started = true;
            // Before the read: a file renamed over it meanwhile is another
            // file, whichever of the two the decode then reads.
            const files::FileIdentity file = files::FileIdentity::of(path);
            Decoded decoded = m_decode(path, peaking ? finer(sizing) : sizing, job->cancelled);
            decoded.file = file;
            if (peaking) {
                // The measure is part of the picture's time: the decodes
                // ahead are planned by it.
                QElapsedTimer timer;
                timer.start();
                bringDown(decoded, sizing, job->cancelled);
                decoded.milliseconds += double(timer.nsecsElapsed()) / 1e6;
            }
            manageColours(decoded, screen);
            job->promise.set_value(std::move(decoded));
            QMetaObject::invokeMethod(
                this, [this, path, job] { landed(path, job); }, Qt::QueuedConnection);
        },
        priority);
    return job;
}

PictureCache::Decoded PictureCache::decode(const QString &path, const Sizing &sizing,
                                           const std::atomic<bool> &cancelled)
{
    QElapsedTimer timer;
    timer.start();
    Decoded decoded;
    decoded.picture = pictures::LoadPicture(path, decoded.errorNumber);
    if (decoded.errorNumber == 0) {
        const QSize size = sizing.of(decoded.picture.size());
        decoded.image = sizing.atLeast ? decoded.picture.renderAtLeast(size, cancelled)
                                       : decoded.picture.render(size, cancelled);
        decoded.image.setDevicePixelRatio(sizing.devicePixelRatio);
        if (!decoded.image.isNull())
            decoded.focus = PictureFocus::of(path, decoded.picture, sizing.rawFolder);
    }
    decoded.milliseconds = double(timer.nsecsElapsed()) / 1e6;
    return decoded;
}

void PictureCache::bringDown(Decoded &decoded, const Sizing &shown,
                             const std::atomic<bool> &cancelled)
{
    if (decoded.image.isNull())
        return;
    const QSize size = shown.of(decoded.picture.size());
    // The finer decode is read once, for its luminance and for itself at
    // half its size, from which it is brought down as a decode shown without
    // peaking is: the smooth scaling of a decode of several times the size
    // shown costs more than the mask.
    QImage halved;
    const bool halves =
        decoded.image.width() >= 2 * size.width() && decoded.image.height() >= 2 * size.height();
    FocusPeaking::Result peaking =
        halves ? FocusPeaking::of(FocusPeaking::luminance(decoded.image, &halved), size, cancelled)
               : FocusPeaking::of(decoded.image, size, cancelled);
    if (peaking.mask.isNull())
        return; // given up: the decode is dropped as it lands
    if (halves)
        decoded.image = std::move(halved);
    if (decoded.image.size() != size)
        decoded.image = decoded.image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    decoded.image.setDevicePixelRatio(shown.devicePixelRatio);
    peaking.mask.setDevicePixelRatio(shown.devicePixelRatio);
    decoded.peaking = std::move(peaking.mask);
    decoded.sharpest = peaking.sharpest;
}

// Waiting on the worker rather than decoding here keeps to one rule: the GUI
// thread never decodes. A request still queued behind others is put first.
const PictureCache::Decoded &PictureCache::wait(const QString &path)
{
    if (const Decoded *decoded = find(path))
        return *decoded;
    auto job = m_jobs.value(path);
    if (!job || !job->started) {
        if (job)
            job->cancelled = true;
        job = start(path, INT_MAX);
        m_jobs.insert(path, job);
    }
    const Decoded decoded = job->result.get();
    m_jobs.remove(path);
    take(path, decoded);
    return m_decoded[path];
}

void PictureCache::landed(const QString &path, const std::shared_ptr<Job> &job)
{
    // A decode for a box since left, or for a picture since dropped.
    if (job->cancelled || m_jobs.value(path) != job)
        return;
    m_jobs.remove(path);
    take(path, job->result.get());
    emit decoded(path);
}

void PictureCache::take(const QString &path, const Decoded &decoded)
{
    if (decoded.errorNumber == 0 && !decoded.image.isNull()) {
        // A short memory: a slow card or a loaded machine shows at once.
        m_typicalDecode = m_typicalDecode == 0 ? decoded.milliseconds
                                               : 0.7 * m_typicalDecode + 0.3 * decoded.milliseconds;
    }
    m_decoded.insert(path, decoded);
}

namespace {

// Cancels the work on every path not kept and drops what was made for it.
template <typename Jobs, typename Results>
void keepPathsOnly(const QStringList &paths, Jobs &jobs, Results &results)
{
    const QSet<QString> kept(paths.cbegin(), paths.cend());
    for (auto it = jobs.begin(); it != jobs.end();) {
        if (kept.contains(it.key())) {
            ++it;
            continue;
        }
        it.value()->cancelled = true;
        it = jobs.erase(it);
    }
    results.removeIf([&kept](const auto &entry) { return !kept.contains(entry.key()); });
}

} // namespace

void PictureCache::keepOnly(const QStringList &paths)
{
    keepPathsOnly(paths, m_jobs, m_decoded);
}

void PictureCache::withdrawAllBut(const QStringList &paths)
{
    const QSet<QString> asked(paths.cbegin(), paths.cend());
    m_jobs.removeIf([&asked](const auto &job) {
        if (asked.contains(job.key()))
            return false;
        job.value()->cancelled = true;
        return true;
    });
}

const QImage *PictureCache::findThumbnail(const QString &path) const
{
    const auto found = m_thumbnails.constFind(path);
    return found == m_thumbnails.cend() ? nullptr : &*found;
}

void PictureCache::requestThumbnail(const QString &path)
{
    if (m_thumbnails.contains(path) || m_thumbnailJobs.contains(path))
        return;
    auto job = std::make_shared<ThumbnailJob>();
    m_thumbnailJobs.insert(path, job);
    m_thumbnailPool.start([this, job, path, screen = m_screen] {
        if (job->cancelled)
            return;
        ColourSpace colourSpace;
        job->image = pictures::readEmbeddedThumbnail(path, colourSpace);
        m_transforms.apply(job->image, colourSpace, screen);
        QMetaObject::invokeMethod(
            this, [this, path, job] { thumbnailLanded(path, job); }, Qt::QueuedConnection);
    });
}

void PictureCache::thumbnailLanded(const QString &path, const std::shared_ptr<ThumbnailJob> &job)
{
    if (job->cancelled || m_thumbnailJobs.value(path) != job)
        return;
    m_thumbnailJobs.remove(path);
    m_thumbnails.insert(path, job->image);
    emit thumbnailRead(path);
}

void PictureCache::keepThumbnailsOnly(const QStringList &paths)
{
    keepPathsOnly(paths, m_thumbnailJobs, m_thumbnails);
}

void PictureCache::requestActualPixels(const QString &path)
{
    if (path == m_actualPath && (m_actualJob || !m_actual.isNull()))
        return;
    releaseActualPixels();
    m_actualPath = path;
    auto job = std::make_shared<ThumbnailJob>();
    m_actualJob = job;
    m_actualPool.start([this, job, path, screen = m_screen] {
        if (job->cancelled)
            return;
        int errorNumber = 0;
        const pictures::Picture picture = pictures::LoadPicture(path, errorNumber);
        if (errorNumber == 0) {
            job->image = picture.render(picture.size(), job->cancelled);
            m_transforms.apply(job->image, picture.colourSpace(), screen);
        }
        QMetaObject::invokeMethod(
            this, [this, path, job] { actualLanded(path, job); }, Qt::QueuedConnection);
    });
}

// Whole already, the picture is measured at its own size, after it is shown:
// a whole picture of 24 megapixels takes a few hundred milliseconds more,
// which the user need not wait for to look.
void PictureCache::startActualPeaking()
{
    auto job = std::make_shared<ThumbnailJob>();
    job->image = m_actual;
    m_actualJob = job;
    m_actualPool.start([this, job, path = m_actualPath] {
        if (job->cancelled)
            return;
        job->peaking = FocusPeaking::of(job->image, job->image.size(), job->cancelled).mask;
        QMetaObject::invokeMethod(
            this, [this, path, job] { actualLanded(path, job); }, Qt::QueuedConnection);
    });
}

void PictureCache::actualLanded(const QString &path, const std::shared_ptr<ThumbnailJob> &job)
{
    if (job->cancelled || job != m_actualJob)
        return;
    m_actualJob.reset();
    m_actual = job->image;
    m_actualPeaking = m_peaking ? job->peaking : QImage();
    const bool maskDue = m_peaking && m_actualPeaking.isNull() && !m_actual.isNull();
    emit actualPixelsDecoded(path);
    if (maskDue && path == m_actualPath && !m_actualJob && m_actualPeaking.isNull())
        startActualPeaking();
}

const QImage *PictureCache::actualPixels(const QString &path) const
{
    return path == m_actualPath && !m_actual.isNull() ? &m_actual : nullptr;
}

const QImage *PictureCache::actualPeaking(const QString &path) const
{
    return path == m_actualPath && !m_actualPeaking.isNull() ? &m_actualPeaking : nullptr;
}

void PictureCache::releaseActualPixels()
{
    if (m_actualJob)
        m_actualJob->cancelled = true;
    m_actualJob.reset();
    m_actual = QImage();
    m_actualPeaking = QImage();
    m_actualPath.clear();
}

} // namespace quorvel::pictures
