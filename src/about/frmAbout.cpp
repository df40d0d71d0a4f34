#include "about/frmAbout.h"

#include "about/Maker.h"
#include "about/ProgramIcon.h"
#include "platform/Launcher.h"
#include "platform/MessageBox.h"
#include "ui/CommandButton.h"
#include "ui/ForeColor.h"
#include "ui/Label.h"
#include "ui/Layout.h"

#include <QFrame>
#include <QIcon>
#include <QLabel>

namespace quorvel::about {

namespace {

// The box's client area in twips.
constexpr int clientWidth = 6525;
constexpr int clientHeight = 5580;

// The rule between the description and the notice: 0x00BBGGRR grey, one pixel.
constexpr quint32 ruleColor = 0x00808080;

ui::Label *makeLabel(const QString &layoutCaption, QWidget *parent)
{
    auto *label = new ui::Label(layoutCaption, parent);
    label->setFont(ui::layoutFont());
    return label;
}

} // namespace

frmAbout::frmAbout(const ui::App &app, platform::Launcher &launcher, platform::MessageBox &messages,
                   QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      picIcon(new QLabel(this)), lblTitle(makeLabel(QStringLiteral("Application Title"), this)),
      lblVersion(makeLabel(QStringLiteral("Version"), this)),
      lblDescription(makeLabel(QStringLiteral("App Description"), this)), Line1(new QFrame(this)),
      lblDisclaimer(makeLabel(QStringLiteral("Warning: ..."), this)),
      cmdOK(new ui::CommandButton(QStringLiteral("OK"), this)), m_app(app), m_launcher(launcher),
      m_messages(messages)
{
    setObjectName(QStringLiteral("frmAbout"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setSizeGripEnabled(false);
    setFixedSize(ui::pixels(clientWidth), ui::pixels(clientHeight));
    setWindowIcon(programIcon());

    picIcon->setObjectName(QStringLiteral("picIcon"));
    ui::placeTwips(picIcon, 240, 240, 540, 540);
    picIcon->setAlignment(Qt::AlignCenter);
    picIcon->setPixmap(programIcon().pixmap(QSize(32, 32), devicePixelRatio()));

    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    ui::placeTwips(lblTitle, 1050, 240, 3885, 360);
    lblTitle->setForeColor(ui::vbBlack);

    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    ui::placeTwips(lblVersion, 1050, 600, 3885, 225);

    lblDescription->setObjectName(QStringLiteral("lblDescription"));
    ui::placeTwips(lblDescription, 1080, 960, 5205, 3330);
    lblDescription->setForeColor(ui::vbBlack);

    Line1->setObjectName(QStringLiteral("Line1"));
    Line1->setFrameShape(QFrame::NoFrame);
    ui::placeTwips(Line1, 240, 4440, 6360 - 240, int(ui::twipsPerPixel));
    Line1->setAutoFillBackground(true);
    QPalette rule = Line1->palette();
    rule.setColor(QPalette::Window, ui::colorFromBgr(ruleColor));
    Line1->setPalette(rule);

    lblDisclaimer->setObjectName(QStringLiteral("lblDisclaimer"));
    ui::placeTwips(lblDisclaimer, 960, 4560, 4110, 825);
    lblDisclaimer->setForeColor(ui::vbBlack);
    lblDisclaimer->setCursor(Qt::PointingHandCursor);
    lblDisclaimer->setToolTip(productPage().toString());

    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    ui::placeTwips(cmdOK, 5040, 5040, 1260, 345);
    cmdOK->setFont(ui::layoutFont());
    // Enter presses the default button; Esc rejects the dialog, which closes
    // it just as OK does.
    cmdOK->setDefault(true);

    // The labels and the icon take no focus, so OK, first in the tab order,
    // is the one control the keyboard reaches.
    cmdOK->setFocus();

    connect(cmdOK, &ui::CommandButton::Click, this, &frmAbout::cmdOK_Click);
    connect(lblDisclaimer, &ui::Label::Click, this, &frmAbout::lblDisclaimer_Click);

    Form_Load();
}

QString frmAbout::versionLine(const ui::App &app)
{
    return QStringLiteral("Version %1.%2.%3").arg(app.Major).arg(app.Minor).arg(app.Revision);
}

QString frmAbout::description()
{
    return QStringLiteral("Save time by deleting (Trim) RAW-files you do not use.  ") +
           QStringLiteral("\r\n\r\n") +
           QStringLiteral("When photographing digitally using RAW file format the camera will "
                          "often also process the RAW file and make a picture file thus ") +
           QStringLiteral("you have a RAW file and a picture file (typically a .jpg-file) with "
                          "the same file name but different file extensions. ") +
           QStringLiteral("\r\n\r\n") +
           QStringLiteral("After photographing and transferring of files to your computer you "
                          "can easily and fast browse the picture files and delete the unwanted "
                          "picture files. ") +
           QStringLiteral("\r\n\r\n") +
           QStringLiteral("Quorvel will then save your time, efforts and mistakes by deleting "
                          "(trim) the RAW-files you don\u2019t need by checking if the "
                          "picture-file exists. If the picture file does not exist Quorvel will "
                          "delete the RAW file.");
}

QString frmAbout::disclaimer()
{
    return QStringLiteral("Copyright \u00A9 2007\u20132026 the Quorvel developers\r\n"
                          "All rights reserved.\r\n"
                          "Click HERE to open website....");
}

QUrl frmAbout::productPage()
{
    return QUrl(QString::fromLatin1(about::makerPage));
}

void frmAbout::Form_Load()
{
    setWindowTitle(QStringLiteral("About ") + m_app.Title);
    lblVersion->setCaption(versionLine(m_app));
    lblTitle->setCaption(m_app.Title);
    lblDescription->setCaption(description());
    lblDisclaimer->setCaption(disclaimer());
}

void frmAbout::cmdOK_Click()
{
    close();
}

void frmAbout::lblDisclaimer_Click()
{
    const QUrl page = productPage();
    if (m_launcher.openUrl(page))
        return;
    m_messages.show(QStringLiteral("No web browser could be started.\n\n"
                                   "To visit the Quorvel website, open this address in your "
                                   "browser:\n") +
                        page.toString(),
                    platform::MB_OK | platform::MB_ICONWARNING);
}

} // namespace quorvel::about
