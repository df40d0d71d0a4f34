#include "support/widgets/MainWindowFixture.h"

#include "files/Volume.h"
#include "files/VolumeTable.h"
#include "main_window/frmMain.h"

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
        m_messages, *m_volumes, app, m_launcher, m_recycler.function(), *m_settings, startFolder);
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
    m_recycler.clear();
    m_volumes = std::make_unique<files::VolumeTable>(rootOnly());
    m_settings->clear();
}

} // namespace quorvel::test
