#pragma once

#include "import/ImportPlan.h"

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QThreadPool>

namespace quorvel::import {

// The plan the import window previews, made on a thread of its own. Planning
// reads every folder of the card and looks at every file: on a card of
// 40,000 files in a slow reader, seconds, during which the window must stay
// alive. A newer request gives up an older one at its next folder; only the
// plan of the request made last is ever handed out, and it is that plan,
// what the user saw, that Import copies.
class ImportPlanner : public QObject
{
    Q_OBJECT

public:
    struct Source
    {
        QList<QByteArray> cards;        // full paths
        QList<QByteArray> destinations; // the main one, then a backup
        bool operator==(const Source &) const = default;
    };

    // Makes the plan of source; throws FolderError as ImportPlan does, and
    // ECANCELED once cancelled turns true. An empty one stands for plan()
    // with the planner's free space; a test passes one it holds on purpose.
    using PlanFunction = std::function<std::shared_ptr<const ImportPlan>(
        const Source &source, const std::atomic<bool> &cancelled)>;
    static std::shared_ptr<const ImportPlan> plan(const Source &source,
                                                  const ImportPlan::FreeSpaceFunction &freeSpace,
                                                  const std::atomic<bool> &cancelled);

    explicit ImportPlanner(ImportPlan::FreeSpaceFunction freeSpace = {}, PlanFunction makePlan = {},
                           QObject *parent = nullptr);
    // As stop().
    ~ImportPlanner() override;

    // Asks for the plan of source, unless it is the one asked for last (then
    // what was made or is being made stays). True when a plan was started.
    bool request(const Source &source);
    // Forgets what was asked and made; a plan under way is given up.
    void clear();
    // As clear(), and waits for the plan's thread to end: for a window that
    // goes, taking nothing of its with it.
    void stop();

    bool isPlanning() const { return m_source.has_value() && !m_landed; }
    // The plan of the source asked for last, or null while it is being made
    // or when the card could not be read.
    std::shared_ptr<const ImportPlan> current() const { return m_plan; }
    // current() when it is the plan of source, else null.
    std::shared_ptr<const ImportPlan> planOf(const Source &source) const
    {
        return m_source == source ? m_plan : nullptr;
    }
    // Why the plan of the source asked for last could not be made, or empty.
    QString failure() const { return m_failure; }

signals:
    // The plan of the source asked for last has landed, or its failure.
    void planned();

private:
    struct Outcome
    {
        int generation = 0;
        std::shared_ptr<const ImportPlan> plan;
        QString failure;
    };

    void collect();

    const PlanFunction m_makePlan;
    std::optional<Source> m_source;
    int m_generation = 0;
    bool m_landed = false;
    std::shared_ptr<std::atomic<bool>> m_cancelled;
    std::shared_ptr<const ImportPlan> m_plan;
    QString m_failure;
    // Written by the plan's thread as it ends, read here.
    QMutex m_mutex;
    Outcome m_outcome;
    // One walk at a time: walks of one card run no faster side by side, and
    // one given up ends at its next folder.
    QThreadPool m_pool;
};

} // namespace quorvel::import
