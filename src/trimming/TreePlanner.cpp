#include "trimming/TreePlanner.h"

#include "files/WildcardPattern.h"
#include "trimming/TreeTrimPlan.h"

#include <QMutexLocker>

namespace quorvel::trimming {

std::shared_ptr<const TreeTrimPlan> TreePlanner::plan(const Source &source,
                                                      const std::atomic<bool> &cancelled)
{
    return std::make_shared<const TreeTrimPlan>(
        source.pictureFolder, source.rawFolder, files::WildcardPattern(source.picturePattern),
        files::WildcardPattern(source.rawPattern), true, source.sidecars,
        files::FolderListing::Order::Ascending, &cancelled);
}

TreePlanner::TreePlanner(PlanFunction makePlan, QObject *parent)
    : QObject(parent), m_makePlan(makePlan ? std::move(makePlan) : PlanFunction(&plan))
{
    m_pool.setMaxThreadCount(1);
}

TreePlanner::~TreePlanner()
{
    clear();
    m_pool.waitForDone();
}

bool TreePlanner::request(const Source &source)
{
    if (m_source == source)
        return false;
    clear();
    m_source = source;
    const int generation = ++m_generation;
    m_cancelled = std::make_shared<std::atomic<bool>>(false);
    m_pool.start([this, source, generation, cancelled = m_cancelled] {
        std::shared_ptr<const TreeTrimPlan> made;
        try {
            made = m_makePlan(source, *cancelled);
        } catch (...) {
            // A root that can't be read has nothing to count; the trim
            // itself reads it again and says why.
        }
        {
            const QMutexLocker lock(&m_mutex);
            m_outcome = {generation, std::move(made)};
        }
        // Queued to this object: dropped with it should it go first.
        QMetaObject::invokeMethod(this, &TreePlanner::collect, Qt::QueuedConnection);
    });
    return true;
}

void TreePlanner::clear()
{
    if (m_cancelled)
        *m_cancelled = true;
    // A walk asked for but not started never starts.
    m_pool.clear();
    m_source.reset();
    m_plan.reset();
    ++m_generation;
}

std::shared_ptr<const TreeTrimPlan> TreePlanner::wait()
{
    if (!m_plan && m_source) {
        m_pool.waitForDone();
        collect();
    }
    return m_plan;
}

void TreePlanner::collect()
{
    Outcome landed;
    {
        const QMutexLocker lock(&m_mutex);
        landed = std::exchange(m_outcome, Outcome());
    }
    // Only the walk of the source asked for last; an older one's plan, or
    // one already taken by wait(), is of no use.
    if (landed.generation != m_generation || !m_source || m_plan)
        return;
    m_plan = std::move(landed.plan);
    if (m_plan)
        emit planned();
}

} // namespace quorvel::trimming
