#include "viewer/dlgShowPicture.h"

#include "about/ProgramIcon.h"
#include "files/FileNames.h"
#include "pictures/Picture.h"
#include "platform/MessageBox.h"
#include "platform/ScreenProfiles.h"
#include "platform/Trash.h"
#include "ui/CommandButton.h"
#include "ui/FileListBox.h"
#include "ui/ForeColor.h"
#include "ui/Image.h"
#include "ui/Label.h"
#include "ui/Layout.h"
#include "ui/Screen.h"
#include "viewer/ActualPixels.h"
#include "viewer/CullingSession.h"
#include "viewer/DecodeAheadPlan.h"

#include <cerrno>
#include <climits>
#include <QCursor>
#include <QGuiApplication>
#include <QHideEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QScreen>
#include <QShowEvent>
#include <QWindow>

namespace quorvel::viewer {

namespace {

// The dialog's own client area, in twips.
constexpr int clientWidth = 9660;
constexpr int clientHeight = 9735;

} // namespace

dlgShowPicture::dlgShowPicture(platform::MessageBox &messages, trimming::RecycleFunction recycle,
                               std::function<void()> refreshFileLists,
                               pictures::PictureCache::Decoder decoder,
                               const platform::ScreenProfiles *screenProfiles, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      Image1(new ui::Image(this)), Image2(new ui::Image(this)),
      Label1(new ui::Label(QString(), this)), lblStatus(new ui::Label(QString(), this)),
      OKButton(new ui::CommandButton(QStringLiteral("&Close"), this)),
      cmdDelete(new ui::CommandButton(QStringLiteral("&Delete"), this)), m_messages(messages),
      m_recycle(recycle), m_refreshFileLists(std::move(refreshFileLists)),
      m_session(new CullingSession(std::move(recycle), &platform::restoreFromTrash, this)),
      m_cache(new pictures::PictureCache(std::move(decoder), this)),
      m_actualPixels(new ActualPixels(this)),
      m_placeBeforeFullScreen(ui::pixels(2760), ui::pixels(3750)), m_screenProfiles(screenProfiles)
{
    setWindowTitle(QStringLiteral("Quorvel - Show picture"));
    setWindowIcon(about::programIconImage(32));
    setFont(ui::layoutFont());
    setFixedSize(ui::pixels(clientWidth), ui::pixels(clientHeight));
    move(m_placeBeforeFullScreen);

    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->Move(240, 480, 4000, 4000);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->Move(6960, 480, 975, 855);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(ui::layoutFont(true));
    ui::placeTwips(Label1, 360, 120, 3255, 255);
    // Below the picture box, the width of the dialog: a long name and what
    // the last key did fit on one line.
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    ui::placeTwips(lblStatus, 360, 8580, 9060, 255);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    ui::placeTwips(OKButton, 8280, 7200, 1215, 375);
    cmdDelete->setObjectName(QStringLiteral("cmdDelete"));
    ui::placeTwips(cmdDelete, 8280, 6600, 1215, 375);
    setTabOrder(OKButton, cmdDelete);
    // The buttons would take Space and the arrow keys for themselves.
    OKButton->installEventFilter(this);
    cmdDelete->installEventFilter(this);

    m_actualPixels->setObjectName(QStringLiteral("ActualPixels"));
    m_actualPixels->hide();
    Image1->installEventFilter(this);
    connect(m_actualPixels, &ActualPixels::DblClick, this, &dlgShowPicture::toggleActualPixels);
    connect(m_cache, &pictures::PictureCache::actualPixelsDecoded, this,
            [this](const QString &path) {
                if (path == Tag() && m_actualPixels->isVisible())
                    m_actualPixels->setImage(*m_cache->actualPixels(path));
            });
    connect(m_cache, &pictures::PictureCache::decoded, this, &dlgShowPicture::pictureDecoded);
    connect(m_cache, &pictures::PictureCache::thumbnailRead, this, &dlgShowPicture::thumbnailRead);
    connect(m_session, &CullingSession::removed, this, [this](int index, const QString &name) {
        if (!m_list)
            return;
        m_list->RemoveItem(m_list->List(index) == name
                               ? index
                               : int(m_list->names().indexOf(files::encodeFileName(name))));
        emit nameRemoved();
    });
    connect(OKButton, &ui::CommandButton::Click, this, &dlgShowPicture::OKButton_Click);
    connect(cmdDelete, &ui::CommandButton::Click, this, &dlgShowPicture::cmdDelete_Click);
}

// The display follows Tag. Keys may run ahead of the decodes, and the last
// picture then stays up until the one Tag names lands; Delete, key or button,
// acts only on what is on screen (the session's onScreen), so what is shown
// and what would be deleted can never differ. Here, on opening, the picture
// is measured and decoded by a worker and the display waits for it, as it is
// to be complete on return. It reads the file as it is now, never an earlier
// decode of it: a picture deleted meanwhile is reported as such. The one
// decode it takes over is the one the opening started a moment ago.
//
// The neighbours are decoded once the picture has been painted: started
// before, their decodes take the cores the opening still needs to finish
// showing the window and to paint it.
void dlgShowPicture::showPicture(const QString &)
{
    ui::Screen::setMousePointer(ui::Screen::vbHourglass);
    clearDisplay();
    m_waitingFor.clear();
    if (std::exchange(m_decodingForOpening, QString()) != Tag())
        m_cache->forget(Tag());
    display(m_cache->wait(Tag()));
    m_decodeAheadOncePainted = Image1->Visible() && isVisible();
    if (!m_decodeAheadOncePainted)
        decodeAhead();
}

void dlgShowPicture::setVisible(bool visible)
{
    if (visible && isHidden() && !Tag().isEmpty()) {
        // The screen's density is known before the window is made; the
        // opening's own layout gives the box the same one, so that this
        // decode is the one the display waits for.
        m_cache->setBox(pictures::DisplayBox::classic(screen() ? screen()->devicePixelRatio()
                                                               : devicePixelRatioF()));
        // And its colours, for the same reason.
        followScreen(screen());
        m_cache->forget(Tag());
        m_cache->request(Tag(), INT_MAX);
        m_decodingForOpening = Tag();
    }
    QDialog::setVisible(visible);
}

QString dlgShowPicture::shownPath() const
{
    return m_session->onScreen();
}

bool dlgShowPicture::showsStandIn() const
{
    return m_session->onScreen() == m_waitingFor && !m_waitingFor.isEmpty();
}

void dlgShowPicture::clearDisplay()
{
    m_session->setOnScreen(QString());
    m_colourSpace.clear();
    m_colourNotes.clear();
    Label1->setCaption(QString());
    Image1->setPicture(pictures::Picture());
    Image1->setVisible(false);
    Image2->setStretch(false);
    Image2->setVisible(false);
}

void dlgShowPicture::display(const pictures::PictureCache::Decoded &decoded)
{
    if (decoded.errorNumber > 0) {
        showLoadFailure();
        return;
    }
    Image2->setPicture(decoded.picture);

    const float W = Image2->Width();
    const float H = Image2->Height();
    const pictures::DisplayBox::Placement place = m_cache->box().place(W, H);
    // In the dialog's own box the corner stays where it is; it moves only
    // after full screen, or to centre a picture there.
    if (Image1->Left() != place.left || Image1->Top() != place.top)
        Image1->Move(place.left, place.top, Image1->Width(), Image1->Height());
    Image1->setHeight(place.height);
    if (place.width)
        Image1->setWidth(*place.width);
    Image1->setStretch(true);
    Image1->setPicture(Image2->Picture(), decoded.image);
    // A file whose header reads well can still be cut off or damaged further
    // in. That shows only when it is decoded at the size shown, and to the
    // user it is the same failure.
    if (Image1->RenderError() > 0) {
        Image1->setPicture(pictures::Picture());
        showLoadFailure();
        return;
    }
    Image1->setVisible(true);
    m_session->setOnScreen(Tag());
    m_colourSpace = decoded.colourSpace;
    noteColourProblems(decoded);
    ui::Screen::setMousePointer(ui::Screen::vbDefault);
}

// Said with the picture they concern, once an opening: the next key's status
// line is about the next picture. A screen profile that can't be used is
// said with the first picture shown on that screen.
void dlgShowPicture::noteColourProblems(const pictures::PictureCache::Decoded &decoded)
{
    QStringList notes;
    if (!decoded.colourProblem.isEmpty() && !m_colourProblemsSaid.contains(Tag())) {
        m_colourProblemsSaid << Tag();
        notes << decoded.colourProblem;
    }
    const QString screenProblem = m_cache->screenProfileProblem();
    if (!screenProblem.isEmpty() && m_screenProblemSaidFor != m_screenProfile) {
        m_screenProblemSaidFor = m_screenProfile;
        notes << screenProblem;
    }
    m_colourNotes = notes.join(QStringLiteral("    "));
}

bool dlgShowPicture::followScreen(QScreen *screen)
{
    const qsizetype index = screen ? QGuiApplication::screens().indexOf(screen) : -1;
    const QByteArray profile =
        m_screenProfiles && index >= 0 ? m_screenProfiles->profile(int(index)) : QByteArray();
    m_profileScreen = screen;
    if (profile == m_screenProfile)
        return false;
    m_screenProfile = profile;
    m_cache->setScreenProfile(profile);
    return true;
}

// The camera's thumbnail, scaled up into the picture's place, so that a key
// pressed faster than pictures decode still shows which picture it reached.
void dlgShowPicture::showStandIn()
{
    const QImage *thumbnail = m_cache->findThumbnail(m_waitingFor);
    if (!thumbnail) {
        m_cache->requestThumbnail(m_waitingFor);
        return;
    }
    if (thumbnail->isNull())
        return;
    const pictures::DisplayBox::Placement place =
        m_cache->box().place(float(thumbnail->width()), float(thumbnail->height()));
    Image1->Move(place.left, place.top, place.width.value_or(Image1->Width()), place.height);
    Image1->setStretch(true);
    Image1->setStandIn(*thumbnail);
    Image1->setVisible(true);
    m_session->setOnScreen(m_waitingFor);
}

void dlgShowPicture::pictureDecoded(const QString &path)
{
    if (path != m_waitingFor || path != Tag())
        return;
    m_waitingFor.clear();
    clearDisplay();
    display(*m_cache->find(path));
    rewriteStatus();
}

void dlgShowPicture::thumbnailRead(const QString &path)
{
    if (path == m_waitingFor)
        showStandIn();
}

void dlgShowPicture::decodeAhead()
{
    const int index = m_session->index();
    if (index < 0) {
        m_cache->keepOnly({Tag()});
        return;
    }
    const DecodeAheadPlan plan =
        DecodeAheadPlan::make(index, m_session->direction(),
                              {m_session->moveMilliseconds(), m_cache->typicalDecodeMilliseconds()},
                              m_session->count(), DecodeAheadPlan::defaultBudget);
    QStringList keptPaths{Tag()};
    for (int entry : plan.kept)
        keptPaths << m_session->path(entry);
    m_cache->keepOnly(keptPaths);
    // The latest key's wishes come before those of the keys before it.
    ++m_requestRound;
    int priority = int(plan.wanted.size());
    for (int entry : plan.wanted)
        m_cache->request(m_session->path(entry), m_requestRound * 8 + priority--);

    QStringList thumbnails;
    for (int entry : plan.thumbnails)
        thumbnails << m_session->path(entry);
    m_cache->keepThumbnailsOnly(thumbnails);
    for (const QString &path : std::as_const(thumbnails))
        m_cache->requestThumbnail(path);
}

// The line stands for the file as its picture would: Delete can take it.
void dlgShowPicture::showLoadFailure()
{
    Label1->setCaption(QStringLiteral("CAN'T LOAD PICTURE FORMAT ..."));
    Label1->setForeColor(ui::vbRed);
    m_session->setOnScreen(Tag());
    ui::Screen::setMousePointer(ui::Screen::vbDefault);
}

// Tag is emptied once the last picture has gone: nothing is left to name.
void dlgShowPicture::tellNothingDeleted()
{
    writeStatus(Tag().isEmpty() ? QStringLiteral("No more pictures")
                                : QStringLiteral("Not shown yet: nothing deleted"));
}

void dlgShowPicture::ShowModal()
{
    exec();
}

// Hidden, the viewer holds no pictures and decodes none: a whole decode for
// one to one is a lot of memory, and the next opening's picture must not
// wait behind this one's neighbours.
void dlgShowPicture::hideEvent(QHideEvent *event)
{
    QDialog::hideEvent(event);
    if (event->spontaneous())
        return;
    leaveActualPixels();
    // Full screen is for one opening, however it ends: Close, Delete or the
    // close box.
    leaveFullScreen();
    m_waitingFor.clear();
    m_decodingForOpening.clear();
    m_decodeAheadOncePainted = false;
    m_cache->keepOnly({});
    m_cache->keepThumbnailsOnly({});
}

// Window activation is not something to rely on (no window manager, a second
// opening of a dialog that never lost focus); being shown is.
void dlgShowPicture::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    // Moved to another screen, the dialog shows its picture again in that
    // screen's colours, and the pictures after it.
    if (QWindow *window = windowHandle(); window && window != m_followedWindow) {
        m_followedWindow = window;
        connect(window, &QWindow::screenChanged, this, [this](QScreen *screen) {
            if (followScreen(screen) && isVisible())
                redisplay();
        });
    }
    // The window system may have put the window elsewhere than asked.
    if (screen() != m_profileScreen)
        followScreen(screen());
    restoreOwnLayout();
    Form_Activate();
}

// Neither button is a cancel button, so Escape closes nothing; the close box
// in the title bar hides the dialog like Close.
void dlgShowPicture::keyPressEvent(QKeyEvent *event)
{
    if (cullingKey(event)) {
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool dlgShowPicture::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        // Space moves on whichever control has the focus. On opening that is
        // Close, which would otherwise take Space for itself and end the
        // viewer at the first key a culler presses; Enter and the access keys
        // still press the buttons.
        if (cullingKey(static_cast<QKeyEvent *>(event)))
            return true;
    }
    // After the paint itself, not before it.
    if (watched == Image1 && event->type() == QEvent::Paint &&
        std::exchange(m_decodeAheadOncePainted, false)) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (isVisible())
                    decodeAhead();
            },
            Qt::QueuedConnection);
    }
    if (watched == Image1 && event->type() == QEvent::MouseButtonDblClick) {
        toggleActualPixels();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void dlgShowPicture::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    placeControls();
}

// At the dialog's own size everything is where it always was. At full screen
// the buttons keep their distance from the right edge, the status line from
// the bottom, and the picture has the rest.
void dlgShowPicture::placeControls()
{
    const int buttonsLeft = 8280;
    const int statusTop = 8580;
    pictures::DisplayBox box = pictures::DisplayBox::classic(devicePixelRatioF());
    if (isFullScreen()) {
        const int screenWidth = int(width() * ui::twipsPerPixel);
        const int screenHeight = int(height() * ui::twipsPerPixel);
        const int left = screenWidth - (clientWidth - buttonsLeft);
        const int top = screenHeight - (clientHeight - statusTop);
        ui::placeTwips(cmdDelete, left, 6600, 1215, 375);
        ui::placeTwips(OKButton, left, 7200, 1215, 375);
        ui::placeTwips(lblStatus, 360, top, left - 400, 255);
        box = pictures::DisplayBox::area(QRectF(240, 480, left - 40 - 240, top - 100 - 480),
                                         devicePixelRatioF());
    } else {
        ui::placeTwips(cmdDelete, buttonsLeft, 6600, 1215, 375);
        ui::placeTwips(OKButton, buttonsLeft, 7200, 1215, 375);
        ui::placeTwips(lblStatus, 360, statusTop, 9060, 255);
    }
    const QRectF area = box.areaTwips();
    m_actualPixels->setGeometry(ui::pixels(area.left()), ui::pixels(area.top()),
                                ui::pixels(area.width()), ui::pixels(area.height()));
    if (box == m_cache->box())
        return;
    m_cache->setBox(box);
    if (isVisible())
        redisplay();
}

void dlgShowPicture::redisplay()
{
    if (Image1->Visible() && !Image1->Picture().isNull()) {
        // The picture as it was decoded stays, scaled, until the new decode.
        const pictures::DisplayBox::Placement place =
            m_cache->box().place(Image2->Width(), Image2->Height());
        Image1->Move(place.left, place.top, place.width.value_or(Image1->Width()), place.height);
        m_waitingFor = Tag();
    } else if (!m_waitingFor.isEmpty()) {
        showStandIn();
    } else {
        return; // nothing shown: a picture that can't be loaded
    }
    m_cache->request(m_waitingFor, INT_MAX);
    if (m_actualPixels->isVisible())
        m_cache->requestActualPixels(Tag());
    decodeAhead();
}

void dlgShowPicture::restoreOwnLayout()
{
    leaveFullScreen();
    setFixedSize(ui::pixels(clientWidth), ui::pixels(clientHeight));
    // The screen's density is known once the dialog is on it.
    m_cache->setBox(pictures::DisplayBox::classic(devicePixelRatioF()));
    placeControls();
    const QRectF box = m_cache->box().areaTwips();
    if (Image1->Left() != float(box.left()) || Image1->Top() != float(box.top()))
        Image1->Move(float(box.left()), float(box.top()), Image1->Width(), Image1->Height());
}

// Hidden, the window is only told its state, for when it is shown again; it
// goes back to where it was before, which the window system may not
// remember for a hidden window.
void dlgShowPicture::leaveFullScreen()
{
    if (!isFullScreen())
        return;
    const bool hidden = isHidden();
    setWindowState(windowState() & ~Qt::WindowFullScreen);
    setFixedSize(ui::pixels(clientWidth), ui::pixels(clientHeight));
    if (hidden)
        move(m_placeBeforeFullScreen);
    placeControls();
}

void dlgShowPicture::toggleFullScreen()
{
    if (isFullScreen()) {
        leaveFullScreen();
        return;
    }
    m_placeBeforeFullScreen = pos();
    // The dialog's own size is fixed; full screen lifts that for as long.
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    showFullScreen();
    placeControls();
}

bool dlgShowPicture::showsActualPixels() const
{
    return m_actualPixels->isVisible();
}

void dlgShowPicture::toggleActualPixels()
{
    if (m_actualPixels->isVisible()) {
        leaveActualPixels();
        decodeAhead();
        return;
    }
    if (!Image1->Visible() || Image1->Picture().isNull() || !m_waitingFor.isEmpty())
        return;
    // The point under the pointer stays under it; with the pointer elsewhere,
    // the middle of the picture goes to the middle.
    const QPoint pointer = Image1->mapFromGlobal(QCursor::pos());
    const bool onPicture = Image1->rect().contains(pointer);
    const QPointF focus = onPicture ? QPointF(double(pointer.x()) / Image1->width(),
                                              double(pointer.y()) / Image1->height())
                                    : QPointF(0.5, 0.5);
    const QPoint at = onPicture ? m_actualPixels->mapFromGlobal(QCursor::pos())
                                : Image1->geometry().center() - m_actualPixels->pos();
    m_actualPixels->showPicture(Image1->Rendition(), Image1->Picture().size(), focus, at);
    m_actualPixels->show();
    m_actualPixels->raise();
    if (const QImage *whole = m_cache->actualPixels(Tag())) {
        m_actualPixels->setImage(*whole);
    } else {
        // The decodes ahead give way: the user waits for this one.
        m_cache->keepOnly({Tag()});
        m_cache->requestActualPixels(Tag());
    }
}

void dlgShowPicture::leaveActualPixels()
{
    if (m_actualPixels->isHidden())
        return;
    m_actualPixels->hide();
    m_actualPixels->clear();
    // A whole decode of a large picture is a lot of memory to keep unseen.
    m_cache->releaseActualPixels();
}

bool dlgShowPicture::cullingKey(const QKeyEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (modifiers == Qt::ControlModifier && event->key() == Qt::Key_Z) {
        undoReject();
        return true;
    }
    if (modifiers != Qt::NoModifier)
        return false;
    switch (event->key()) {
    case Qt::Key_F11:
        toggleFullScreen();
        return true;
    case Qt::Key_Escape:
        if (!isFullScreen())
            return false;
        toggleFullScreen();
        return true;
    case Qt::Key_Z:
        if (!event->isAutoRepeat())
            toggleActualPixels();
        return true;
    case Qt::Key_Right:
    case Qt::Key_Down:
    case Qt::Key_PageDown:
    case Qt::Key_Space:
        showNext();
        return true;
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_PageUp:
    case Qt::Key_Backspace:
        showPrevious();
        return true;
    case Qt::Key_Home:
        showFirst();
        return true;
    case Qt::Key_End:
        showLast();
        return true;
    case Qt::Key_Delete:
        // A key held down repeats: one press rejects one picture, never the
        // run of them that would follow while the finger is still down.
        if (!event->isAutoRepeat())
            rejectShown();
        return true;
    default:
        return false;
    }
}

void dlgShowPicture::Form_Activate()
{
    leaveActualPixels();
    m_colourProblemsSaid.clear();
    m_screenProblemSaidFor.reset();
    if (m_list)
        m_session->start(m_list->Path(), m_list->sharedNames(), m_list->ListIndex());
    else
        m_session->startWithoutList();
    showPicture(Tag());
    writeStatus();
}

void dlgShowPicture::setBrowsedList(ui::FileListBox *list)
{
    m_list = list;
}

void dlgShowPicture::showNext()
{
    showEntry(m_session->index() + 1);
}

void dlgShowPicture::showPrevious()
{
    showEntry(m_session->index() - 1);
}

void dlgShowPicture::showFirst()
{
    showEntry(0);
}

void dlgShowPicture::showLast()
{
    showEntry(m_session->count() - 1);
}

// Past either end nothing moves: the first and last pictures are where a
// held key comes to rest. The list's selection follows without a Click: the
// main window has nothing to do for a selection it does not show while the
// viewer is open.
void dlgShowPicture::showEntry(int index, const QString &news)
{
    if (!m_list || !m_session->moveTo(index))
        return;
    leaveActualPixels();
    m_list->followIndex(index);
    setTag(m_session->path(index));
    if (const pictures::PictureCache::Decoded *decoded = m_cache->find(Tag())) {
        m_waitingFor.clear();
        clearDisplay();
        display(*decoded);
    } else {
        // The picture on screen stays until the stand-in or the picture
        // itself takes its place: never a blank between two pictures. A line
        // saying the last one can't be loaded goes, and nothing is shown.
        m_waitingFor = Tag();
        // The status line names the picture on its way, not the one shown.
        m_colourSpace.clear();
        m_colourNotes.clear();
        if (!Label1->Caption().isEmpty()) {
            Label1->setCaption(QString());
            m_session->setOnScreen(QString());
        }
        showStandIn();
    }
    decodeAhead();
    writeStatus(news);
}

void dlgShowPicture::relist(const QString &name)
{
    const QString onScreen = m_session->onScreen();
    const int index = int(m_list->names().indexOf(files::encodeFileName(name)));
    m_session->relist(m_list->sharedNames(), index);
    m_session->setOnScreen(onScreen);
    m_list->followIndex(index);
}

void dlgShowPicture::writeStatus(const QString &news)
{
    m_news = news;
    rewriteStatus();
}

void dlgShowPicture::rewriteStatus()
{
    QString status;
    const int index = m_session->index();
    if (index >= 0) {
        const QString count = QString::number(m_session->count());
        status = QStringLiteral("%1 / %2  %3").arg(index + 1).arg(count, m_session->name(index));
    }
    if (!m_colourSpace.isEmpty())
        status += (status.isEmpty() ? QString() : QStringLiteral("  ")) + m_colourSpace;
    for (const QString &said : {m_news, m_colourNotes}) {
        if (!said.isEmpty())
            status += (status.isEmpty() ? QString() : QStringLiteral("    ")) + said;
    }
    // One line, whatever a name in it holds: a line break would hide the rest.
    lblStatus->setCaption(files::visibleName(status));
}

// The folder is not read again: the name leaves the list, and the folder is
// read when the main window reads it, as after anything else.
void dlgShowPicture::rejectShown()
{
    const CullingSession::Rejection rejection = m_session->reject();
    switch (rejection.outcome) {
    case CullingSession::Outcome::NoList:
        return;
    case CullingSession::Outcome::NoMorePictures:
    case CullingSession::Outcome::NotShown:
        tellNothingDeleted();
        return;
    case CullingSession::Outcome::Failed:
        writeStatus(QStringLiteral("%1 could not be moved to the trash: %2")
                        .arg(rejection.name, qt_error_string(rejection.error)));
        return;
    case CullingSession::Outcome::Rejected:
        break;
    }
    // Its picture goes with it: what stays on screen can be deleted.
    clearDisplay();
    m_waitingFor.clear();
    const QString news =
        QStringLiteral("%1 moved to the trash (Ctrl+Z puts it back)").arg(rejection.name);
    if (m_session->index() < 0) {
        // The last picture has gone: nothing is left to show or to name.
        if (m_list)
            m_list->followIndex(-1);
        setTag(QString());
        writeStatus(news + QStringLiteral("    No more pictures"));
        return;
    }
    showEntry(m_session->index(), news);
}

void dlgShowPicture::undoReject()
{
    if (!m_list)
        return;
    const std::optional<CullingSession::PutBack> back = m_session->undo();
    if (!back) {
        writeStatus(QStringLiteral("Nothing to put back"));
        return;
    }
    if (back->error == EEXIST) {
        // The folder has changed under the viewer: the list shows the newcomer.
        const QString shown = m_session->name(m_session->index());
        m_refreshFileLists();
        relist(shown);
        writeStatus(QStringLiteral("%1 stays in the trash: another file has taken its name")
                        .arg(back->name));
        return;
    }
    if (back->error == ESTALE) {
        writeStatus(
            QStringLiteral("%1 stays in the trash: another file has taken its place in the trash")
                .arg(back->name));
        return;
    }
    if (back->error != 0) {
        writeStatus(QStringLiteral("%1 could not be put back: %2")
                        .arg(back->name, qt_error_string(back->error)));
        return;
    }
    m_refreshFileLists();
    relist(back->name);
    if (m_session->index() < 0) {
        writeStatus(QStringLiteral("%1 is back from the trash").arg(back->name));
        return;
    }
    showEntry(m_session->index(), QStringLiteral("%1 is back from the trash").arg(back->name));
}

// The file asked about is the one on screen, read once: a picture landing
// while the question is open changes the screen, not the answer's meaning.
void dlgShowPicture::cmdDelete_Click()
{
    const QString shown = m_session->onScreen();
    if (shown.isEmpty()) {
        tellNothingDeleted();
        return;
    }
    const QString prompt = QStringLiteral("You are about to delete file:") +
                           QStringLiteral("\r\n") + files::visibleName(shown) +
                           QStringLiteral("\r\n\r\n") +
                           QStringLiteral("Are you absolutly you want to delete file ?");
    const int answer = m_messages.show(
        prompt, platform::MB_YESNO | platform::MB_ICONWARNING | platform::MB_DEFBUTTON2,
        QStringLiteral("Delete file"));
    if (answer != platform::IDYES)
        return;

    const int result = m_recycle(trimming::RecycleTarget::ofPath(shown), nullptr, nullptr);
    if (result == 0) {
        Image1->setPicture(pictures::Picture());
        m_messages.show(QStringLiteral("File deleted. ") + QStringLiteral("\r\n\r\n") +
                            QStringLiteral("If you REGRET the file can be found") +
                            QStringLiteral("\r\n") +
                            QStringLiteral("in the Recycle Bin and restored :-)"),
                        platform::MB_OK | platform::MB_ICONINFORMATION);
    } else {
        m_messages.show(QStringLiteral("For some reason the file can't be deleted. ") +
                            QStringLiteral("\r\n\r\n") + QStringLiteral("Reported error no: ") +
                            QString::number(result),
                        platform::MB_OK);
    }
    m_refreshFileLists();
    hide();
}

void dlgShowPicture::OKButton_Click()
{
    hide();
}

} // namespace quorvel::viewer
