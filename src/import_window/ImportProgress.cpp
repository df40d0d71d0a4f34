#include "import_window/ImportProgress.h"

#include "import/ImportFigures.h"
#include "import/ImportJob.h"

#include <QProgressDialog>

namespace quorvel::import_window {

ImportProgress::ImportProgress(import::ImportJob &job, QWidget *parent)
    : m_job(job), m_dialog(new QProgressDialog(parent))
{
    m_dialog->setWindowTitle(QStringLiteral("Importing"));
    m_dialog->setWindowModality(Qt::WindowModal);
    // The dialog would end itself at its maximum or on Cancel; the job ends it.
    m_dialog->setAutoReset(false);
    m_dialog->setAutoClose(false);
    m_dialog->setMinimumDuration(0);
    m_dialog->setRange(0, 1000);
    m_dialog->setLabelText(QStringLiteral("Reading the card…"));
    disconnect(m_dialog, &QProgressDialog::canceled, m_dialog, &QProgressDialog::cancel);
    connect(m_dialog, &QProgressDialog::canceled, this, &ImportProgress::cancel);
    connect(&m_timer, &QTimer::timeout, this, &ImportProgress::update);
    m_timer.start(updateInterval);
    m_dialog->show();
}

ImportProgress::~ImportProgress()
{
    delete m_dialog;
}

void ImportProgress::cancel()
{
    m_job.cancel();
    m_dialog->setLabelText(QStringLiteral("Cancelling after the file being copied…"));
}

void ImportProgress::update()
{
    if (m_job.isCancelled())
        return;
    const import::ImportRun::Progress progress = m_job.progress();
    if (progress.files == 0)
        return;
    m_dialog->setLabelText(import::ImportFigures::progress(progress));
    m_dialog->setValue(progress.bytes > 0 ? int(progress.bytesDone * 1000 / progress.bytes)
                                          : int(progress.filesDone * 1000 / progress.files));
}

} // namespace quorvel::import_window
