#pragma once

#include "files/NameList.h"

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QThreadPool>

namespace quorvel::trimming {

class TreeTrimPlan;

// The plan of a tree's trim, made on a thread of its own for the window's
// preview. A walk of a card takes a moment, but a folder with the option on
// may be a home folder with a million files below it: the window must not
// wait for that on every folder it is pointed at, nor when it starts in one.
// A newer request stops the walk of an older one at its next folder.
class TreePlanner : public QObject
{
    Q_OBJECT

public:
    // What a plan is made from. The lists' own snapshots are part of it: a
    // list read again is a reason to walk again, even with the same folder.
    struct Source
    {
        std::shared_ptr<const files::NameList> pictures, raws;
        QString pictureFolder, rawFolder, picturePattern, rawPattern;
        bool sidecars = false;
        bool operator==(const Source &) const = default;
    };

    // Makes the plan of source. Throws FolderError when a root can't be
    // read, and gives up with one at its next folder once cancelled turns
    // true. plan() is the program's own; a test passes one it can hold back
    // on purpose.
    using PlanFunction = std::function<std::shared_ptr<const TreeTrimPlan>(
        const Source &source, const std::atomic<bool> &cancelled)>;
    static std::shared_ptr<const TreeTrimPlan> plan(const Source &source,
                                                    const std::atomic<bool> &cancelled);

    // An empty function stands for plan().
    explicit TreePlanner(PlanFunction makePlan = {}, QObject *parent = nullptr);
    // Stops the walk under way and waits for its thread.
    ~TreePlanner() override;

    // Asks for the plan of source, unless it is the one asked for last.
    // True when a walk started: what was planned before is gone.
    bool request(const Source &source);
    // Forgets what was asked and made: no walk, no plan.
    void clear();
    // The plan of the source asked for last, or null while it is being made
    // or when it could not be.
    std::shared_ptr<const TreeTrimPlan> current() const { return m_plan; }
    // As current(), waiting for the walk under way to end first. For the
    // trim itself, which must show the plan of the lists as they are now.
    std::shared_ptr<const TreeTrimPlan> wait();

signals:
    // The plan of the source asked for last has landed.
    void planned();

private:
    struct Outcome
    {
        int generation = 0;
        std::shared_ptr<const TreeTrimPlan> plan;
    };

    void collect();

    const PlanFunction m_makePlan;
    std::optional<Source> m_source;
    int m_generation = 0;
    std::shared_ptr<std::atomic<bool>> m_cancelled;
    std::shared_ptr<const TreeTrimPlan> m_plan;
    // Written by the walk's thread as it ends, read here.
    QMutex m_mutex;
    Outcome m_outcome;
    // One walk at a time: walks of one disk run no faster side by side.
    QThreadPool m_pool;
};

} // namespace quorvel::trimming
