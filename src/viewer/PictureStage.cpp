#include "viewer/PictureStage.h"

#include "culling/CullingSession.h"
#include "culling/DecodeAheadPlan.h"
#include "culling/StatusLine.h"
#include "platform/ScreenProfiles.h"

#include <climits>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>

namespace quorvel::viewer {

namespace {

// Pictures are decoded at the device pixels they cover in the box.
pictures::PictureCache::Sizing sizingOf(const ui::DisplayBox &box)
{
    return {[box](const QSize &natural) { return box.devicePixels(natural); },
            box.devicePixelRatio()};
}

} // namespace

PictureStage::PictureStage(culling::CullingSession &session,
                           pictures::PictureCache::Decoder decoder,
                           const platform::ScreenProfiles *profiles, QObject *parent)
    : QObject(parent), m_session(session),
      m_cache(new pictures::PictureCache(std::move(decoder), this)), m_profiles(profiles)
{
    m_cache->setSizing(sizingOf(m_box));
    connect(m_cache, &pictures::PictureCache::decoded, this, &PictureStage::pictureDecoded);
    connect(m_cache, &pictures::PictureCache::thumbnailRead, this, [this](const QString &path) {
        if (awaits() && path == m_reached)
            showStandIn();
    });
    connect(m_cache, &pictures::PictureCache::actualPixelsDecoded, this,
            [this](const QString &path) {
                if (path == m_reached)
                    emit wholeDecoded(*m_cache->actualPixels(path));
            });
}

// The screen's density and colours are known before the window is made; the
// opening's own layout gives the box the same ones, so that this decode is
// the one the display waits for.
void PictureStage::prepareOpening(const QString &path, const ui::DisplayBox &box, QScreen *screen)
{
    setBox(box);
    followScreen(screen);
    m_cache->forget(path);
    m_cache->request(path, INT_MAX);
    m_reached = path;
    m_state = State::Opening;
}

// A picture deleted since the opening's decode started is reported as such:
// the file is read as it is now.
const PictureStage::Decoded &PictureStage::open(const QString &path)
{
    const bool prepared = m_state == State::Opening && m_reached == path;
    clear();
    m_colourProblemsSaid.clear();
    m_focusProblemsSaid.clear();
    m_screenProblemSaidFor.reset();
    m_reached = path;
    if (!prepared)
        m_cache->forget(path);
    return m_cache->wait(path);
}

void PictureStage::setBox(const ui::DisplayBox &box)
{
    if (box == m_box)
        return;
    m_box = box;
    m_cache->setSizing(sizingOf(box));
}

// Started before the paint, the decodes ahead take the cores the opening
// still needs to finish showing the window and to paint it.
void PictureStage::opened(bool windowVisible)
{
    if (m_state == State::Shown && windowVisible)
        m_state = State::Unpainted;
    else
        decodeAhead();
}

bool PictureStage::painted()
{
    if (m_state != State::Unpainted)
        return false;
    m_state = State::Shown;
    return true;
}

// The picture on screen stays until the stand-in or the picture itself takes
// its place: never a blank between two pictures. A line saying the last one
// can't be loaded goes, and nothing is shown.
const PictureStage::Decoded *PictureStage::moveTo(const QString &path)
{
    m_reached = path;
    if (const Decoded *decoded = m_cache->find(path)) {
        clear();
        return decoded;
    }
    // The status line names the picture on its way, not the one shown.
    m_colourSpace.clear();
    m_colourNotes.clear();
    if (m_state == State::Failed)
        m_session.setOnScreen(QString());
    m_state = State::Awaiting;
    showStandIn();
    return nullptr;
}

void PictureStage::shown(const Decoded &decoded)
{
    m_state = State::Shown;
    m_session.setOnScreen(m_reached, decoded.file);
    m_colourSpace = decoded.colourSpace;
    noteColourProblems(decoded);
    emit onScreen(&decoded);
}

// The line stands for the file as its picture would: Delete can take it.
void PictureStage::failed()
{
    m_state = State::Failed;
    m_session.setOnScreen(m_reached);
    emit onScreen(nullptr);
}

void PictureStage::clear()
{
    m_state = State::Idle;
    m_session.setOnScreen(QString());
    m_colourSpace.clear();
    m_colourNotes.clear();
    emit onScreen(nullptr);
}

void PictureStage::leave()
{
    clear();
    m_reached.clear();
}

// Hidden, the viewer holds no pictures and decodes none: a whole decode for
// one to one is a lot of memory, and the next opening's picture must not wait
// behind this one's neighbours.
void PictureStage::close()
{
    m_decodeAheadDue = false;
    m_state = State::Idle;
    m_cache->keepOnly({});
    m_cache->keepThumbnailsOnly({});
}

// The picture as it was decoded stays, scaled, until its decode for the new
// box lands.
bool PictureStage::restage(bool pictureUp, bool wholeShown)
{
    if (pictureUp) {
        if (showsPicture())
            m_state = State::StandingIn;
    } else if (awaits()) {
        showStandIn();
    } else {
        return false;
    }
    m_cache->request(m_reached, INT_MAX);
    if (wholeShown)
        m_cache->requestActualPixels(m_reached);
    decodeAhead();
    return true;
}

// The camera's thumbnail, scaled up into the picture's place, so that a key
// pressed faster than pictures decode still shows which picture it reached.
void PictureStage::showStandIn()
{
    const QImage *thumbnail = m_cache->findThumbnail(m_reached);
    if (!thumbnail) {
        m_cache->requestThumbnail(m_reached);
        return;
    }
    if (thumbnail->isNull())
        return;
    m_state = State::StandingIn;
    emit onScreen(nullptr);
    emit standIn(*thumbnail);
    m_session.setOnScreen(m_reached);
}

void PictureStage::pictureDecoded(const QString &path)
{
    if (!awaits() || path != m_reached)
        return;
    clear();
    emit landed(*m_cache->find(path));
}

void PictureStage::decodeAheadSoon()
{
    if (m_decodeAheadDue)
        return;
    m_decodeAheadDue = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_decodeAheadDue)
                decodeAhead();
        },
        Qt::QueuedConnection);
}

void PictureStage::decodeAhead()
{
    m_decodeAheadDue = false;
    const int index = m_session.index();
    if (index < 0) {
        m_cache->keepOnly({m_reached});
        return;
    }
    const culling::DecodeAheadPlan plan = culling::DecodeAheadPlan::make(
        index, m_session.direction(),
        {m_session.moveMilliseconds(), m_cache->typicalDecodeMilliseconds()}, m_session.count(),
        culling::DecodeAheadPlan::defaultBudget);
    QStringList keptPaths{m_reached};
    for (int entry : plan.kept)
        keptPaths << m_session.path(entry);
    m_cache->keepOnly(keptPaths);
    // A held key stops the decodes of the pictures it has passed.
    QStringList underWay{m_reached};
    for (int entry : plan.underWay)
        underWay << m_session.path(entry);
    m_cache->withdrawAllBut(underWay);
    // The latest key's wishes come before those of the keys before it.
    ++m_requestRound;
    int priority = int(plan.wanted.size());
    for (int entry : plan.wanted)
        m_cache->request(m_session.path(entry), m_requestRound * 8 + priority--);

    QStringList thumbnails;
    for (int entry : plan.thumbnails)
        thumbnails << m_session.path(entry);
    m_cache->keepThumbnailsOnly(thumbnails);
    for (int entry : plan.thumbnailReads)
        m_cache->requestThumbnail(m_session.path(entry));
}

bool PictureStage::followScreen(QScreen *screen)
{
    const qsizetype index = screen ? QGuiApplication::screens().indexOf(screen) : -1;
    const QByteArray profile =
        m_profiles && index >= 0 ? m_profiles->profile(int(index)) : QByteArray();
    m_profileScreen = screen;
    if (profile == m_screenProfile)
        return false;
    m_screenProfile = profile;
    m_cache->setScreenProfile(profile);
    return true;
}

// Said with the picture they concern, once an opening: the next key's status
// line is about the next picture. A screen profile that can't be used is
// said with the first picture shown on that screen.
void PictureStage::noteColourProblems(const Decoded &decoded)
{
    QStringList notes;
    if (!decoded.colourProblem.isEmpty() && !m_colourProblemsSaid.contains(m_reached)) {
        m_colourProblemsSaid << m_reached;
        notes << decoded.colourProblem;
    }
    const QString screenProblem = m_cache->screenProfileProblem();
    if (!screenProblem.isEmpty() && m_screenProblemSaidFor != m_screenProfile) {
        m_screenProblemSaidFor = m_screenProfile;
        notes << screenProblem;
    }
    notes << focusProblemNote(decoded);
    notes.removeAll(QString());
    m_colourNotes = notes.join(QStringLiteral("    "));
}

QString PictureStage::focusProblemNote(const Decoded &decoded)
{
    if (!m_focusFrame || decoded.focus.problem.isEmpty() || m_focusProblemsSaid.contains(m_reached))
        return QString();
    m_focusProblemsSaid << m_reached;
    return culling::StatusLine::noFocusFrame(QFileInfo(m_reached).fileName(),
                                             decoded.focus.problem);
}

// Turned on over a picture shown, its problem is said at once; the colour
// notes said with it before are not said again.
void PictureStage::setFocusFrame(bool on)
{
    m_focusFrame = on;
    const Decoded *decoded = showsPicture() ? m_cache->find(m_reached) : nullptr;
    if (decoded)
        m_colourNotes = focusProblemNote(*decoded);
}

// The cache drops what it decoded either way; the picture on screen stays,
// scaled, until it lands again as asked.
void PictureStage::setPeaking(bool on)
{
    if (on == m_cache->peaking())
        return;
    m_cache->setPeaking(on);
    restage(showsPicture(), false);
}

const QImage *PictureStage::whole() const
{
    return m_cache->actualPixels(m_reached);
}

const QImage *PictureStage::wholePeaking() const
{
    return m_cache->actualPeaking(m_reached);
}

// The decodes ahead give way: the user waits for this one.
void PictureStage::awaitWhole()
{
    m_cache->keepOnly({m_reached});
    m_cache->requestActualPixels(m_reached);
}

// A whole decode of a large picture is a lot of memory to keep unseen.
void PictureStage::releaseWhole()
{
    m_cache->releaseActualPixels();
}

} // namespace quorvel::viewer
