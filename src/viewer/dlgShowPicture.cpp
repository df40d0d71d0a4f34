#include "viewer/dlgShowPicture.h"

#include "about/ProgramIcon.h"
#include "culling/CullingSession.h"
#include "culling/DeleteQuestion.h"
#include "files/FileNames.h"
#include "pictures/Picture.h"
#include "platform/MessageBox.h"
#include "platform/Trash.h"
#include "ui/CommandButton.h"
#include "ui/Image.h"
#include "ui/Label.h"
#include "ui/Layout.h"
#include "ui/Screen.h"
#include "viewer/CloseLook.h"
#include "viewer/PictureStage.h"
#include "viewer/PictureView.h"
#include "viewer/ViewerKeys.h"

#include <QAction>
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
                               const platform::ScreenProfiles *screenProfiles, QSettings *settings,
                               QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      Image1(new ui::Image(this)), Image2(new ui::Image(this)),
      Label1(new ui::Label(QString(), this)), lblStatus(new ui::Label(QString(), this)),
      OKButton(new ui::CommandButton(QStringLiteral("&Close"), this)),
      cmdDelete(new ui::CommandButton(QStringLiteral("&Delete"), this)), m_messages(messages),
      m_refreshFileLists(refreshFileLists),
      m_session(new culling::CullingSession(std::move(recycle), &platform::restoreFromTrash, this)),
      m_stage(new PictureStage(*m_session, std::move(decoder), screenProfiles, this)),
      m_view(new PictureView(*m_stage, *Image1, *Image2, *Label1, this)),
      m_culler(new Culler(*m_session, *m_stage, *m_view, std::move(refreshFileLists), this)),
      m_closeLook(new CloseLook(*m_stage, *Image1, this, settings, this)),
      m_keys(new ViewerKeys(this)), m_placeBeforeFullScreen(ui::pixels(2760), ui::pixels(3750))
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

    Image1->installEventFilter(this);
    connect(m_closeLook, &CloseLook::news, m_culler, &Culler::writeStatus);
    connect(m_culler, &Culler::leaving, m_closeLook, &CloseLook::leave);
    connect(m_culler, &Culler::reached, this, &dlgShowPicture::setTag);
    connect(m_culler, &Culler::statusChanged, lblStatus, &ui::Label::setCaption);
    connect(m_culler, &Culler::nameRemoved, this, &dlgShowPicture::nameRemoved);
    const std::pair<ViewerKeys::Command, std::function<void()>> commands[] = {
        {ViewerKeys::Next, [this] { m_culler->next(); }},
        {ViewerKeys::Previous, [this] { m_culler->previous(); }},
        {ViewerKeys::First, [this] { m_culler->first(); }},
        {ViewerKeys::Last, [this] { m_culler->last(); }},
        {ViewerKeys::Reject, [this] { m_culler->reject(); }},
        {ViewerKeys::Undo, [this] { m_culler->undo(); }},
        {ViewerKeys::FullScreen, [this] { toggleFullScreen(); }},
        {ViewerKeys::LeaveFullScreen, [this] { leaveFullScreen(); }},
        {ViewerKeys::ActualPixels, [this] { m_closeLook->toggle(); }},
        {ViewerKeys::FocusFrame, [this] { m_closeLook->toggleFocusFrame(); }},
        {ViewerKeys::Peaking, [this] { m_closeLook->togglePeaking(); }}};
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
    m_view->open(Tag());
    m_stage->opened(isVisible());
}

void dlgShowPicture::setVisible(bool visible)
{
    if (visible && isHidden() && !Tag().isEmpty()) {
        const qreal ratio = screen() ? screen()->devicePixelRatio() : devicePixelRatioF();
        m_stage->prepareOpening(Tag(), ui::DisplayBox::classic(ratio), screen());
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

void dlgShowPicture::ShowModal()
{
    exec();
}

void dlgShowPicture::hideEvent(QHideEvent *event)
{
    QDialog::hideEvent(event);
    if (event->spontaneous())
        return;
    m_closeLook->leave();
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
        m_closeLook->toggleUnderPointer();
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
    ui::DisplayBox box = ui::DisplayBox::classic(devicePixelRatioF());
    if (isFullScreen()) {
        const int screenWidth = int(width() * ui::twipsPerPixel);
        const int screenHeight = int(height() * ui::twipsPerPixel);
        const int left = screenWidth - (clientWidth - buttonsLeft);
        const int top = screenHeight - (clientHeight - statusTop);
        ui::placeTwips(cmdDelete, left, 6600, 1215, 375);
        ui::placeTwips(OKButton, left, 7200, 1215, 375);
        ui::placeTwips(lblStatus, 360, top, left - 400, 255);
        box = ui::DisplayBox::area(QRectF(240, 480, left - 40 - 240, top - 100 - 480),
                                   devicePixelRatioF());
    } else {
        ui::placeTwips(cmdDelete, buttonsLeft, 6600, 1215, 375);
        ui::placeTwips(OKButton, buttonsLeft, 7200, 1215, 375);
        ui::placeTwips(lblStatus, 360, statusTop, 9060, 255);
    }
    m_keys->action(ViewerKeys::LeaveFullScreen)->setEnabled(isFullScreen());
    const QRectF area = box.areaTwips();
    m_closeLook->setArea(QRect(ui::pixels(area.left()), ui::pixels(area.top()),
                               ui::pixels(area.width()), ui::pixels(area.height())));
    if (box == m_stage->box())
        return;
    m_stage->setBox(box);
    if (isVisible())
        redisplay();
}

void dlgShowPicture::redisplay()
{
    m_view->rescale(m_closeLook->showsActualPixels());
}

void dlgShowPicture::restoreOwnLayout()
{
    leaveFullScreen();
    setFixedSize(ui::pixels(clientWidth), ui::pixels(clientHeight));
    // The screen's density is known once the dialog is on it.
    m_stage->setBox(ui::DisplayBox::classic(devicePixelRatioF()));
    placeControls();
    m_view->placeCorner();
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
    return m_closeLook->showsActualPixels();
}

void dlgShowPicture::Form_Activate()
{
    m_closeLook->leave();
    m_culler->start();
    showPicture(Tag());
    m_culler->writeStatus();
}

void dlgShowPicture::cmdDelete_Click()
{
    const culling::DeleteQuestion::Result result = culling::DeleteQuestion::ask(
        m_messages, *m_session, [this] { Image1->setPicture(pictures::Picture()); });
    if (result == culling::DeleteQuestion::Result::NothingShown)
        m_culler->tellNothingDeleted();
    if (result != culling::DeleteQuestion::Result::Answered)
        return;
    m_refreshFileLists();
    hide();
}

void dlgShowPicture::OKButton_Click()
{
    hide();
}

} // namespace quorvel::viewer
