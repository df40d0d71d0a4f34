#include "main_window/Program.h"

#include "about/ProgramIcon.h"
#include "files/VolumeTable.h"
#include "main_window/frmMain.h"
#include "platform/HeapReuse.h"
#include "platform/InstanceLock.h"
#include "platform/linux/X11ScreenProfiles.h"
#include "platform/linux/XdgOpenLauncher.h"
#include "platform/MountedVolumes.h"
#include "platform/MountWatcher.h"
#include "trimming/RecycleFile.h"
#include "ui/ProgramStyle.h"
#include "ui/WidgetMessageBox.h"

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QSettings>
#include <QStandardPaths>
#include <QtGui/qguiapplication_platform.h>

namespace quorvel::main_window {

int Program::run(QApplication &application)
{
    Program program;
    if (!program.start())
        return 1;
    return application.exec();
}

Program::Program() : m_app(ui::App::fromBuild()) {}

Program::~Program() = default;

bool Program::start()
{
    platform::keepFreedHeapForReuse();
    QApplication::setApplicationName(m_app.Title);
    QApplication::setApplicationVersion(
        QStringLiteral("%1.%2.%3").arg(m_app.Major).arg(m_app.Minor).arg(m_app.Revision));
    QApplication::setWindowIcon(about::programIcon());
    QApplication::setStyle(new ui::ProgramStyle);

    m_lock = platform::InstanceLock::tryAcquire(QStringLiteral("quorvel"));
    m_app.PrevInstance = !m_lock;

    m_messages = std::make_unique<ui::WidgetMessageBox>(m_app.Title);
    m_volumes = std::make_unique<files::VolumeTable>(platform::mountedVolumes());
    m_launcher = std::make_unique<platform::XdgOpenLauncher>();
    // The application's own connection to the X server, when it runs on one:
    // the profiles are those of the screens its windows are on. On Wayland
    // or offscreen there is none, and every screen is taken for sRGB.
    const auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    m_screenProfiles =
        std::make_unique<platform::X11ScreenProfiles>(x11 ? x11->connection() : nullptr);
    // The program's settings (the trim options, the viewer's F and P) live in
    // the user's configuration folder
    // ($XDG_CONFIG_HOME/Quorvel/Quorvel.conf), made here and handed to the
    // window like everything else.
    m_settings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                             m_app.Title, m_app.Title);
    const trimming::RecycleFunction recycle = &trimming::recycleTarget;

    // The program opens where the user started it. The working folder is read
    // here and nowhere else: everything below is handed the folder it works on.
    const QString startFolder = QDir::currentPath();
    m_form = std::make_unique<frmMain>(*m_messages, *m_volumes, m_app, *m_launcher, recycle,
                                       *m_settings, startFolder);
    m_form->setScreenProfiles(*m_screenProfiles);
    m_form->setPicturesFolder(QStandardPaths::writableLocation(QStandardPaths::PicturesLocation));
    if (!m_form->Form_Load())
        return false;
    m_mountWatcher = platform::watchMounts();
    m_form->followVolumes(*m_mountWatcher, platform::mountedVolumes);
    m_form->show();
    return true;
}

} // namespace quorvel::main_window
