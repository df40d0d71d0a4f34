#include "main_window/Program.h"

#include "about/ProgramIcon.h"
#include "main_window/frmMain.h"
#include "trimming/RecycleFile.h"
#include "ui/App.h"
#include "ui/DesktopLauncher.h"
#include "ui/InstanceLock.h"
#include "ui/MountedVolumes.h"
#include "ui/Volumes.h"
#include "ui/WidgetMessageBox.h"

#include <QApplication>

namespace quorvel {

int Program::run(QApplication &application)
{
    ui::App app = ui::App::fromBuild();
    QApplication::setApplicationName(app.Title);
    QApplication::setApplicationVersion(
        QStringLiteral("%1.%2.%3").arg(app.Major).arg(app.Minor).arg(app.Revision));
    QApplication::setWindowIcon(programIcon());

    const std::unique_ptr<ui::InstanceLock> lock = ui::InstanceLock::tryAcquire(QStringLiteral("quorvel"));
    app.PrevInstance = !lock;

    ui::WidgetMessageBox messages(app.Title);
    ui::Volumes volumes(ui::mountedVolumes());
    ui::DesktopLauncher launcher;
    const auto recycle = [&messages](const QString &filePath, bool confirm) {
        return modQuorvel::RecycleFile(filePath, confirm, messages);
    };

    frmMain form(messages, volumes, app, launcher, recycle);
    if (!form.Form_Load())
        return 1;
    form.show();
    return application.exec();
}

} // namespace quorvel
