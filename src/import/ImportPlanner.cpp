#include "import/ImportPlanner.h"

#include "files/FolderError.h"

#include <QMutexLocker>

namespace quorvel::import {

std::shared_ptr<const ImportPlan>
ImportPlanner::plan(const Source &source, const ImportPlan::FreeSpaceFunction &freeSpace,
                    const std::atomic<bool> &cancelled)
{
    return std::make_shared<const ImportPlan>(source.cards, source.destinations, freeSpace,
                                              &cancelled);
}

ImportPlanner::ImportPlanner(ImportPlan::FreeSpaceFunction freeSpace, PlanFunction makePlan,
                             QObject *parent)
    : QObject(parent),
      m_makePlan(makePlan
                     ? std::move(makePlan)
                     : PlanFunction([freeSpace = std::move(freeSpace)](
                                        const Source &source, const std::atomic<bool> &cancelled) {
                           return plan(source, freeSpace, cancelled);
                       }))
{
    m_pool.setMaxThreadCount(1);
}

ImportPlanner::~ImportPlanner()
{
    stop();
}

bool ImportPlanner::request(const Source &source)
{
    if (m_source == source)
        return false;
    clear();
    m_source = source;
    const int generation = ++m_generation;
    m_cancelled = std::make_shared<std::atomic<bool>>(false);
    m_pool.start([this, source, generation, cancelled = m_cancelled] {
        Outcome made{generation, {}, {}};
        try {
            made.plan = m_makePlan(source, *cancelled);
        } catch (const files::FolderError &error) {
            made.failure =
                QStringLiteral("%1 can't be read: %2").arg(error.folder(), error.reason());
        }
        {
            const QMutexLocker lock(&m_mutex);
            m_outcome = std::move(made);
        }
        // Queued to this object: dropped with it should it go first.
        QMetaObject::invokeMethod(this, &ImportPlanner::collect, Qt::QueuedConnection);
    });
    return true;
}

void ImportPlanner::clear()
{
    if (m_cancelled)
        *m_cancelled = true;
    // A plan asked for but not started never starts.
    m_pool.clear();
    m_source.reset();
    m_plan.reset();
    m_failure.clear();
    m_landed = false;
    ++m_generation;
}

void ImportPlanner::stop()
{
    clear();
    m_pool.waitForDone();
}

void ImportPlanner::collect()
{
    Outcome landed;
    {
        const QMutexLocker lock(&m_mutex);
        landed = std::exchange(m_outcome, Outcome());
    }
    // Only the plan of the source asked for last; one given up is of no use.
    if (landed.generation != m_generation || !m_source || m_landed)
        return;
    m_plan = std::move(landed.plan);
    m_failure = std::move(landed.failure);
    m_landed = true;
    emit planned();
}

} // namespace quorvel::import
