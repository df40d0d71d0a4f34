#include "viewer/dlgShowPicture.h"

#include "about/ProgramIcon.h"
#include "culling/BrowsedList.h"
#include "culling/CullingSession.h"
#include "culling/StatusLine.h"
#include "files/FileNames.h"
#include "pictures/Picture.h"
#include "platform/MessageBox.h"
#include "platform/Trash.h"
#include "ui/CommandButton.h"
#include "ui/ForeColor.h"
#include "ui/Image.h"
#include "ui/Label.h"
#include "ui/Layout.h"
#include "ui/Screen.h"
#include "viewer/ActualPixels.h"
#include "viewer/PictureStage.h"
#include "viewer/ViewerKeys.h"

#include <cerrno>
#include <QAction>
#include <QCursor>
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
      m_refreshFileLists(std::move(refreshFileLists)),
      m_session(new culling::CullingSession(std::move(recycle), &platform::restoreFromTrash, this)),
      m_stage(new PictureStage(*m_session, std::move(decoder), screenProfiles, this)),
      m_actualPixels(new ActualPixels(this)), m_keys(new ViewerKeys(this)),
      m_status(std::make_unique<culling::StatusLine>()),
      m_placeBeforeFullScreen(ui::pixels(2760), ui::pixels(3750))
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
    connect(m_stage, &PictureStage::wholeDecoded, this, [this](const QImage &whole) {
        if (m_actualPixels->isVisible())
            m_actualPixels->setImage(whole);
    });
    connect(m_stage, &PictureStage::landed, this, [this](const PictureStage::Decoded &decoded) {
        clearDisplay();
        display(decoded);
        rewriteStatus();
    });
    connect(m_stage, &PictureStage::standIn, this, &dlgShowPicture::showStandIn);
    connect(m_session, &culling::CullingSession::removed, this,
            [this](int index, const QString &name) {
                if (!m_list)
                    return;
                m_list->takeOut(index, name);
                emit nameRemoved();
            });
    const std::pair<ViewerKeys::Command, void (dlgShowPicture::*)()> commands[] = {
        {ViewerKeys::Next, &dlgShowPicture::showNext},
        {ViewerKeys::Previous, &dlgShowPicture::showPrevious},
        {ViewerKeys::First, &dlgShowPicture::showFirst},
        {ViewerKeys::Last, &dlgShowPicture::showLast},
        {ViewerKeys::Reject, &dlgShowPicture::rejectShown},
        {ViewerKeys::Undo, &dlgShowPicture::undoReject},
        {ViewerKeys::FullScreen, &dlgShowPicture::toggleFullScreen},
        {ViewerKeys::LeaveFullScreen, &dlgShowPicture::leaveFullScreen},
        {ViewerKeys::ActualPixels, &dlgShowPicture::toggleActualPixels}};
    for (const auto &[command, slot] : commands)
        connect(m_keys->action(command), &QAction::triggered, this, slot);
    connect(OKButton, &ui::CommandButton::Click, this, &dlgShowPicture::OKButton_Click);
    connect(cmdDelete, &ui::CommandButton::Click, this, &dlgShowPicture::cmdDelete_Click);
}

dlgShowPicture::~dlgShowPicture() = default;

// The display follows Tag. Keys may run ahead of the decodes, and the last
// picture then stays up until the one Tag names lands; Delete, key or button,
// acts only on what is on screen (the session's onScreen), so what is shown
// and what would be deleted can never differ. Here, on opening, the picture
// is measured and decoded by a worker and the display waits for it, as it is
// to be complete on return.
void dlgShowPicture::showPicture(const QString &)
{
    ui::Screen::setMousePointer(ui::Screen::vbHourglass);
    const PictureStage::Decoded &decoded = m_stage->open(Tag());
    clearDisplay();
    display(decoded);
    m_stage->opened(isVisible());
}

void dlgShowPicture::setVisible(bool visible)
{
    if (visible && isHidden() && !Tag().isEmpty()) {
        const qreal ratio = screen() ? screen()->devicePixelRatio() : devicePixelRatioF();
        m_stage->prepareOpening(Tag(), pictures::DisplayBox::classic(ratio), screen());
    }
    QDialog::setVisible(visible);
}

QString dlgShowPicture::shownPath() const
{
    return m_session->onScreen();
}

bool dlgShowPicture::showsStandIn() const
{
    return m_stage->state() == PictureStage::State::StandingIn;
}

void dlgShowPicture::clearDisplay()
{
    m_stage->clear();
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
    const pictures::DisplayBox::Placement place = m_stage->box().place(W, H);
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
    m_stage->shown(decoded);
    ui::Screen::setMousePointer(ui::Screen::vbDefault);
}

void dlgShowPicture::showStandIn(const QImage &thumbnail)
{
    const pictures::DisplayBox::Placement place =
        m_stage->box().place(float(thumbnail.width()), float(thumbnail.height()));
    Image1->Move(place.left, place.top, place.width.value_or(Image1->Width()), place.height);
    Image1->setStretch(true);
    Image1->setStandIn(thumbnail);
    Image1->setVisible(true);
}

void dlgShowPicture::showLoadFailure()
{
    Label1->setCaption(QStringLiteral("CAN'T LOAD PICTURE FORMAT ..."));
    Label1->setForeColor(ui::vbRed);
    m_stage->failed();
    ui::Screen::setMousePointer(ui::Screen::vbDefault);
}

// Tag is emptied once the last picture has gone: nothing is left to name.
void dlgShowPicture::tellNothingDeleted()
{
    writeStatus(Tag().isEmpty() ? culling::StatusLine::noMorePictures()
                                : culling::StatusLine::notShownYet());
}

void dlgShowPicture::ShowModal()
{
    exec();
}

void dlgShowPicture::hideEvent(QHideEvent *event)
{
    QDialog::hideEvent(event);
    if (event->spontaneous())
        return;
    leaveActualPixels();
    // Full screen is for one opening, however it ends: Close, Delete or the
    // close box.
    leaveFullScreen();
    m_stage->close();
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
            if (m_stage->followScreen(screen) && isVisible())
                redisplay();
        });
    }
    // The window system may have put the window elsewhere than asked.
    if (screen() != m_stage->profileScreen())
        m_stage->followScreen(screen());
    restoreOwnLayout();
    Form_Activate();
}

// Neither button is a cancel button, so Escape closes nothing; the close box
// in the title bar hides the dialog like Close.
void dlgShowPicture::keyPressEvent(QKeyEvent *event)
{
    if (m_keys->press(*event) ||
        (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool dlgShowPicture::eventFilter(QObject *watched, QEvent *event)
{
    // Space moves on whichever control has the focus. On opening that is
    // Close, which would otherwise take Space for itself and end the viewer
    // at the first key a culler presses; Enter and the access keys still
    // press the buttons.
    if (event->type() == QEvent::KeyPress && m_keys->press(*static_cast<QKeyEvent *>(event)))
        return true;
    // After the paint itself, not before it.
    if (watched == Image1 && event->type() == QEvent::Paint && m_stage->painted()) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (isVisible())
                    m_stage->decodeAhead();
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
    m_keys->action(ViewerKeys::LeaveFullScreen)->setEnabled(isFullScreen());
    const QRectF area = box.areaTwips();
    m_actualPixels->setGeometry(ui::pixels(area.left()), ui::pixels(area.top()),
                                ui::pixels(area.width()), ui::pixels(area.height()));
    if (box == m_stage->box())
        return;
    m_stage->setBox(box);
    if (isVisible())
        redisplay();
}

void dlgShowPicture::redisplay()
{
    const bool pictureUp = Image1->Visible() && !Image1->Picture().isNull();
    if (pictureUp) {
        const pictures::DisplayBox::Placement place =
            m_stage->box().place(Image2->Width(), Image2->Height());
        Image1->Move(place.left, place.top, place.width.value_or(Image1->Width()), place.height);
    }
    m_stage->restage(pictureUp, m_actualPixels->isVisible());
}

void dlgShowPicture::restoreOwnLayout()
{
    leaveFullScreen();
    setFixedSize(ui::pixels(clientWidth), ui::pixels(clientHeight));
    // The screen's density is known once the dialog is on it.
    m_stage->setBox(pictures::DisplayBox::classic(devicePixelRatioF()));
    placeControls();
    const QRectF box = m_stage->box().areaTwips();
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
        m_stage->decodeAhead();
        return;
    }
    if (!m_stage->showsPicture())
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
    if (const QImage *whole = m_stage->whole())
        m_actualPixels->setImage(*whole);
    else
        m_stage->awaitWhole();
}

void dlgShowPicture::leaveActualPixels()
{
    if (m_actualPixels->isHidden())
        return;
    m_actualPixels->hide();
    m_actualPixels->clear();
    m_stage->releaseWhole();
}

void dlgShowPicture::Form_Activate()
{
    leaveActualPixels();
    if (m_list)
        m_session->start(m_list->folder(), m_list->names(), m_list->currentIndex());
    else
        m_session->startWithoutList();
    showPicture(Tag());
    writeStatus();
}

void dlgShowPicture::setBrowsedList(std::unique_ptr<culling::BrowsedList> list)
{
    m_list = std::move(list);
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
    if (const PictureStage::Decoded *decoded = m_stage->moveTo(Tag())) {
        clearDisplay();
        display(*decoded);
    } else {
        Label1->setCaption(QString());
    }
    m_stage->decodeAhead();
    writeStatus(news);
}

void dlgShowPicture::relist(const QString &name)
{
    const QString onScreen = m_session->onScreen();
    const std::shared_ptr<const files::NameList> names = m_list->names();
    const int index = int(names->indexOf(files::encodeFileName(name)));
    m_session->relist(names, index);
    m_session->setOnScreen(onScreen);
    m_list->followIndex(index);
}

void dlgShowPicture::writeStatus(const QString &news)
{
    m_status->setNews(news);
    rewriteStatus();
}

void dlgShowPicture::rewriteStatus()
{
    lblStatus->setCaption(
        m_status->text(*m_session, m_stage->colourSpace(), m_stage->colourNotes()));
}

// The folder is not read again: the name leaves the list, and the folder is
// read when the main window reads it, as after anything else.
void dlgShowPicture::rejectShown()
{
    const culling::CullingSession::Rejection rejection = m_session->reject();
    using Outcome = culling::CullingSession::Outcome;
    if (rejection.outcome == Outcome::NoList)
        return;
    if (rejection.outcome != Outcome::Rejected && rejection.outcome != Outcome::Failed) {
        tellNothingDeleted();
        return;
    }
    if (rejection.outcome == Outcome::Failed) {
        writeStatus(culling::StatusLine::notMovedToTrash(rejection.name, rejection.error));
        return;
    }
    // Its picture goes with it: what stays on screen can be deleted.
    clearDisplay();
    const QString news = culling::StatusLine::movedToTrash(rejection.name);
    if (m_session->index() < 0) {
        // The last picture has gone: nothing is left to show or to name.
        if (m_list)
            m_list->followIndex(-1);
        setTag(QString());
        writeStatus(news + QStringLiteral("    ") + culling::StatusLine::noMorePictures());
        return;
    }
    showEntry(m_session->index(), news);
}

void dlgShowPicture::undoReject()
{
    if (!m_list)
        return;
    const std::optional<culling::CullingSession::PutBack> back = m_session->undo();
    if (!back) {
        writeStatus(culling::StatusLine::nothingToPutBack());
        return;
    }
    if (back->error == EEXIST) {
        // The folder has changed under the viewer: the list shows the newcomer.
        const QString shown = m_session->name(m_session->index());
        m_refreshFileLists();
        relist(shown);
        writeStatus(culling::StatusLine::nameTaken(back->name));
        return;
    }
    if (back->error != 0) {
        writeStatus(back->error == ESTALE
                        ? culling::StatusLine::placeInTrashTaken(back->name)
                        : culling::StatusLine::notPutBack(back->name, back->error));
        return;
    }
    m_refreshFileLists();
    relist(back->name);
    const QString news = culling::StatusLine::backFromTrash(back->name);
    if (m_session->index() < 0)
        writeStatus(news);
    else
        showEntry(m_session->index(), news);
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
    const QString prompt = QStringLiteral("You are about to delete file:\n") +
                           files::visibleName(shown) +
                           QStringLiteral("\n\nAre you absolutly you want to delete file ?");
    const int answer = m_messages.show(
        prompt, platform::MB_YESNO | platform::MB_ICONWARNING | platform::MB_DEFBUTTON2,
        QStringLiteral("Delete file"));
    if (answer != platform::IDYES)
        return;

    const culling::CullingSession::Rejection rejection = m_session->rejectConfirmed(shown);
    if (rejection.outcome == culling::CullingSession::Outcome::Rejected) {
        Image1->setPicture(pictures::Picture());
        m_messages.show(QStringLiteral("File deleted. \n\nIf you REGRET the file can be found\n"
                                       "in the Recycle Bin and restored :-)"),
                        platform::MB_OK | platform::MB_ICONINFORMATION);
    } else {
        m_messages.show(QStringLiteral("For some reason the file can't be deleted. \n\n"
                                       "Reported error no: ") +
                            QString::number(rejection.error),
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
