#include "import/ImportJob.h"

#include "files/FileNames.h"
#include "files/FolderError.h"

#include <QThread>

namespace quorvel::import {

ImportJob::ImportJob(Request request, QObject *parent)
    : QObject(parent), m_request(std::move(request))
{}

ImportJob::~ImportJob()
{
    if (m_thread) {
        cancel();
        m_thread->wait();
    }
}

void ImportJob::start()
{
    m_thread.reset(QThread::create([this] { work(); }));
    // The thread's own finished, raised on it, reaches the window through the
    // job's thread: by then the run and its results are all written.
    connect(m_thread.get(), &QThread::finished, this, &ImportJob::finished, Qt::QueuedConnection);
    m_thread->start();
}

bool ImportJob::isRunning() const
{
    return m_thread && !m_thread->isFinished();
}

ImportRun::Progress ImportJob::progress() const
{
    const std::lock_guard lock(m_progressLock);
    return m_progress;
}

void ImportJob::work()
{
    struct Keeping : ImportRun::Observer
    {
        ImportJob &job;
        explicit Keeping(ImportJob &j) : job(j) {}
        void progress(const ImportRun::Progress &progress) override
        {
            const std::lock_guard lock(job.m_progressLock);
            job.m_progress = progress;
        }
    } keeping(*this);

    std::shared_ptr<const ImportPlan> plan = m_request.plan;
    try {
        if (!plan)
            plan = std::make_shared<const ImportPlan>(m_request.cards, m_request.destinations,
                                                      m_request.freeSpace, &m_cancelled);
    } catch (const files::FolderError &error) {
        m_summary =
            error.errorNumber() == ECANCELED
                ? QStringLiteral("Cancelled before anything was copied.")
                : QStringLiteral("%1 can't be read: %2").arg(error.folder(), error.reason());
        return;
    }
    ImportRun run(*plan, &m_cancelled, m_request.hooks);
    const bool ran = run.run(keeping);
    m_summary = run.summary();
    m_succeeded = ran && run.failed() == 0 && !run.wasCancelled() && plan->unreadable().empty();
}

} // namespace quorvel::import
