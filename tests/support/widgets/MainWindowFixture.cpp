#include "support/widgets/MainWindowFixture.h"

#include "files/Volume.h"
#include "files/VolumeTable.h"
#include "main_window/frmMain.h"
#include "trimming/RecycleFile.h"

namespace quorvel::test {
namespace {

QList<files::Volume> rootOnly()
{
    return {{QStringLiteral("/"), {}}};
}

} // namespace

MainWindowFixture::MainWindowFixture()
    : m_volumes(std::make_unique<files::VolumeTable>(rootOnly())),
      m_settings(std::make_unique<QSettings>(
          m_settingsFolder.filePath(QStringLiteral("quorvel.ini")), QSettings::IniFormat))
{}

MainWindowFixture::~MainWindowFixture() = default;

void MainWindowFixture::setVolumes(const QList<files::Volume> &volumes)
{
    m_volumes = std::make_unique<files::VolumeTable>(volumes);
}

main_window::frmMain &MainWindowFixture::build(const QString &startFolder, const ui::App &app)
{
    // The old window goes first: it holds the volume table and the message box.
    m_form.reset();
    m_form = std::make_unique<main_window::frmMain>(
        m_messages, *m_volumes, app, m_launcher,
        [this](const QString &path, platform::TrashedFile *where, platform::TrashSession *batch) {
            const int result = trimming::RecycleFile(path, false, m_messages, where, batch);
            if (m_onRecycled)
                m_onRecycled(result);
            return result;
        },
        *m_settings, startFolder);
    return *m_form;
}

main_window::frmMain &MainWindowFixture::start(const QString &startFolder, const ui::App &app)
{
    main_window::frmMain &form = build(startFolder, app);
    if (form.Form_Load())
        form.show();
    return form;
}

void MainWindowFixture::reset()
{
    m_form.reset();
    m_messages.clear();
    m_onRecycled = nullptr;
    m_volumes = std::make_unique<files::VolumeTable>(rootOnly());
    m_settings->clear();
}

} // namespace quorvel::test
