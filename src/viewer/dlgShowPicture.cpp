#include "viewer/dlgShowPicture.h"

#include "files/FileNames.h"
#include "platform/MessageBox.h"
#include "ui/CommandButton.h"
#include "ui/ForeColor.h"
#include "ui/Image.h"
#include "ui/Label.h"
#include "ui/Layout.h"
#include "ui/Picture.h"
#include "ui/Screen.h"

#include <cmath>
#include <QIcon>
#include <QKeyEvent>
#include <QShowEvent>

namespace quorvel::viewer {

dlgShowPicture::dlgShowPicture(platform::MessageBox &messages,
                               trimming::modQuorvel::RecycleFunction recycle,
                               std::function<void()> refreshFileLists, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      Image1(new ui::Image(this)), Image2(new ui::Image(this)),
      Label1(new ui::Label(QString(), this)),
      OKButton(new ui::CommandButton(QStringLiteral("&Close"), this)),
      cmdDelete(new ui::CommandButton(QStringLiteral("&Delete"), this)), m_messages(messages),
      m_recycle(std::move(recycle)), m_refreshFileLists(std::move(refreshFileLists))
{
    setWindowTitle(QStringLiteral("Quorvel - Show picture"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/quorvel-32.png")));
    setFont(ui::layoutFont());
    setFixedSize(ui::pixels(9660), ui::pixels(9735));
    move(ui::pixels(2760), ui::pixels(3750));

    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->Move(240, 480, 4000, 4000);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->Move(6960, 480, 975, 855);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(ui::layoutFont(true));
    ui::placeTwips(Label1, 360, 120, 3255, 255);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    ui::placeTwips(OKButton, 8280, 7200, 1215, 375);
    cmdDelete->setObjectName(QStringLiteral("cmdDelete"));
    ui::placeTwips(cmdDelete, 8280, 6600, 1215, 375);
    setTabOrder(OKButton, cmdDelete);

    connect(OKButton, &ui::CommandButton::Click, this, &dlgShowPicture::OKButton_Click);
    connect(cmdDelete, &ui::CommandButton::Click, this, &dlgShowPicture::cmdDelete_Click);
}

dlgShowPicture::BoxSize dlgShowPicture::fitToBox(float W, float H)
{
    BoxSize size;
    if (W > H) {
        size.Height = boxEdge * H / W;
        size.Width = boxEdge;
    } else {
        size.Height = boxEdge;
        if (H != 0)
            size.Width = boxEdge * W / H;
    }
    return size;
}

// The display always follows Tag, the path Delete moves to the trash: what
// is shown and what would be deleted can never differ.
void dlgShowPicture::showPicture(const QString &txtPictureToShow)
{
    Q_UNUSED(txtPictureToShow);
    ui::Screen::setMousePointer(ui::Screen::vbHourglass);
    Label1->setCaption(QString());
    Image1->setPicture(ui::Picture());
    Image1->setVisible(false);
    Image2->setStretch(false);
    Image2->setVisible(false);

    int errorNumber = 0;
    const ui::Picture picture = ui::LoadPicture(Tag(), errorNumber);
    if (errorNumber > 0) {
        showLoadFailure();
        return;
    }
    Image2->setPicture(picture);

    const float W = Image2->Width();
    const float H = Image2->Height();
    const BoxSize size = fitToBox(W, H);
    Image1->setHeight(size.Height);
    if (size.Width)
        Image1->setWidth(*size.Width);
    Image1->setStretch(true);
    Image1->setPicture(Image2->Picture());
    // A file whose header reads well can still be cut off or damaged further
    // in. That shows only now, when it is decoded at the size shown, and to
    // the user it is the same failure.
    if (Image1->RenderError() > 0) {
        Image1->setPicture(ui::Picture());
        showLoadFailure();
        return;
    }
    Image1->setVisible(true);
    ui::Screen::setMousePointer(ui::Screen::vbDefault);
}

void dlgShowPicture::showLoadFailure()
{
    Label1->setCaption(QStringLiteral("CAN'T LOAD PICTURE FORMAT ..."));
    Label1->setForeColor(ui::vbRed);
    ui::Screen::setMousePointer(ui::Screen::vbDefault);
}

void dlgShowPicture::ShowModal()
{
    exec();
}

// Window activation is not something to rely on (no window manager, a second
// opening of a dialog that never lost focus); being shown is.
void dlgShowPicture::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        Form_Activate();
}

// Neither button is a cancel button, so Escape closes nothing; the close box
// in the title bar hides the dialog like Close.
void dlgShowPicture::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void dlgShowPicture::Form_Activate()
{
    showPicture(Tag());
}

void dlgShowPicture::cmdDelete_Click()
{
    const QString prompt = QStringLiteral("You are about to delete file:") +
                           QStringLiteral("\r\n") + files::visibleName(Tag()) +
                           QStringLiteral("\r\n\r\n") +
                           QStringLiteral("Are you absolutly you want to delete file ?");
    const int answer = m_messages.show(
        prompt, platform::MB_YESNO | platform::MB_ICONWARNING | platform::MB_DEFBUTTON2,
        QStringLiteral("Delete file"));
    if (answer != platform::IDYES)
        return;

    const int result = m_recycle(Tag(), false, nullptr);
    if (result == 0) {
        Image1->setPicture(ui::Picture());
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
