#pragma once

#include "pictures/PictureCache.h"
#include "ui/DisplayBox.h"

#include <optional>
#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QScreen>
#include <QString>
#include <QStringList>

namespace quorvel::culling {
class CullingSession;
}

namespace quorvel::platform {
class ScreenProfiles;
}

namespace quorvel::viewer {

// What the viewer has on screen and what it awaits, without a widget: the
// picture the user has reached, whether it is shown, on its way with the
// picture before or its thumbnail standing in, or can't be loaded; the decodes
// ahead; the screen's colour profile and what is said once about colours.
// The dialog paints what it is told (standIn(), landed()) and reports how its
// own painting went (shown(), failed()). It is the one place that asks the
// cache for decodes, so that what is decoded always follows what the user
// will see next.
class PictureStage : public QObject
{
    Q_OBJECT

public:
    using Decoded = pictures::PictureCache::Decoded;

    enum class State {
        Idle,       // nothing shown or awaited: closed, or its picture gone
        Opening,    // the opening's decode started before its window was made
        Unpainted,  // the opening's picture is shown; the decodes ahead wait
                    // for its first paint, which needs the cores first
        Shown,      // the picture reached is on screen
        Awaiting,   // a key reached a picture on its way; the one before stays
        StandingIn, // the picture reached is on its way and something stands
                    // in for it: its thumbnail, or itself at the last box size
        Failed,     // the line saying the picture reached can't be loaded
    };
    Q_ENUM(State)

    // decoder: empty for the program's own. profiles: null takes every
    // screen for sRGB.
    PictureStage(culling::CullingSession &session, pictures::PictureCache::Decoder decoder,
                 const platform::ScreenProfiles *profiles, QObject *parent = nullptr);

    State state() const { return m_state; }
    // The picture the user has reached, which the dialog names in Tag.
    QString reached() const { return m_reached; }
    bool showsPicture() const { return m_state == State::Shown || m_state == State::Unpainted; }
    bool awaits() const { return m_state == State::Awaiting || m_state == State::StandingIn; }
    // Whether the decode of path is at hand.
    bool hasDecoded(const QString &path) const { return m_cache->find(path); }

    // Before the window is made: the opening's decode goes on meanwhile, for
    // box and in the colours of screen.
    void prepareOpening(const QString &path, const ui::DisplayBox &box, QScreen *screen);
    // The decode the opening waits for: the one prepared for path, else the
    // file read again, never an earlier decode of it. Things said once about
    // colours are said again in this opening.
    const Decoded &open(const QString &path);
    // After the opening's display: the decodes ahead start once the picture
    // is painted, or at once when there is nothing to paint.
    void opened(bool windowVisible);
    // The first paint of the picture box; true when the decodes ahead are due.
    bool painted();
    // A key has reached path: its decode when it is at hand, to display now;
    // else null, and what is shown stays until standIn() or landed().
    const Decoded *moveTo(const QString &path);
    // How the dialog's display of the picture reached went.
    void shown(const Decoded &decoded);
    void failed();
    // Nothing on screen any more.
    void clear();
    // Nothing on screen, nor any picture left to reach.
    void leave();
    // The dialog is hidden: nothing kept, nothing decoded.
    void close();

    // Where pictures go, and so the size they are decoded at: a new box
    // drops all that was decoded for the old.
    void setBox(const ui::DisplayBox &box);
    const ui::DisplayBox &box() const { return m_box; }
    // The box has changed while shown; pictureUp: a decoded picture is still
    // up, scaled to the new box. False when nothing is shown or awaited.
    bool restage(bool pictureUp, bool wholeShown);
    void decodeAhead();
    // The decodes ahead once the event loop turns, unless asked for before:
    // after a rejection, the picture reached is painted first.
    void decodeAheadSoon();

    // The profile of screen, for the pictures to come; true when it differs
    // from the one before.
    bool followScreen(QScreen *screen);
    QScreen *profileScreen() const { return m_profileScreen; }
    // The colour space of the picture on screen, when it is not sRGB, and
    // what is said once with it: about its colours, or its focus point.
    QString colourSpace() const { return m_colourSpace; }
    QString colourNotes() const { return m_colourNotes; }

    // Focus peaking for the pictures to come, and the picture shown again
    // with its mask (or without).
    void setPeaking(bool on);
    bool peaking() const { return m_cache->peaking(); }
    // Where the RAW files of the pictures browsed are, for the focus point
    // of a picture that records none.
    void setRawFolder(const QString &folder) { m_cache->setRawFolder(folder); }
    // F: the focus frame shown. A picture whose focus point makes no sense
    // then says so, once an opening, with the colour notes.
    void setFocusFrame(bool on);

    // The picture reached decoded whole, for one to one: null until it lands
    // (wholeDecoded()); waiting for it lets the decodes ahead go.
    const QImage *whole() const;
    void awaitWhole();
    // Its mask of the edges in focus, while peaking is on: null until made,
    // after the whole decode.
    const QImage *wholePeaking() const;
    void releaseWhole();

signals:
    // The thumbnail stands in for the picture reached, in its place.
    void standIn(const QImage &thumbnail);
    // The picture reached has landed: the dialog displays it.
    void landed(const Decoded &decoded);
    void wholeDecoded(const QImage &whole);
    // The decode whose picture is on screen now, for what is drawn over it
    // (its focus area, its peaking mask); null while nothing is, or while a
    // stand-in is.
    void onScreen(const Decoded *decoded);

private:
    void showStandIn();
    void pictureDecoded(const QString &path);
    void noteColourProblems(const Decoded &decoded);
    // The focus point's problem, where it is due, for the notes.
    QString focusProblemNote(const Decoded &decoded);

    culling::CullingSession &m_session;
    pictures::PictureCache *const m_cache;
    const platform::ScreenProfiles *const m_profiles;
    ui::DisplayBox m_box = ui::DisplayBox::classic(1);
    State m_state = State::Idle;
    QString m_reached;
    int m_requestRound = 0;
    bool m_decodeAheadDue = false;
    QString m_colourSpace;
    QString m_colourNotes;
    // The pictures whose colour problems have been said this opening, and
    // the screen profile the screen's problem has been said for.
    QStringList m_colourProblemsSaid;
    QStringList m_focusProblemsSaid;
    bool m_focusFrame = false;
    std::optional<QByteArray> m_screenProblemSaidFor;
    // The screen's profile in use, empty for sRGB, and the screen it was
    // read for.
    QByteArray m_screenProfile;
    QPointer<QScreen> m_profileScreen;
};

} // namespace quorvel::viewer
