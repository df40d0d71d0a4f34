#pragma once

#include "platform/Trash.h"
#include "trimming/RecycleFile.h"
#include "trimming/TreeTrimPlan.h"

#include <QByteArray>
#include <QString>
#include <vector>

namespace quorvel::trimming {

// The moves of a trim, the same for each way of starting one: the window's
// trim of the folder shown (a plan of one pair), its trim of a whole tree,
// and `quorvel trim`. What may go was settled by the plan, before anything
// was asked; the run only ever takes files out of that, never adds one.
//
// - Before the first move from a RAW folder, the folder is opened and
//   checked to be the very folder the plan read (device, inode). One that is
//   not moves nothing, and is reported once. Its files then leave that open
//   folder by name, so a folder put under the same path during the run
//   loses nothing either.
// - Just before, the pair's picture folder is read again: a RAW file whose
//   picture has come back meanwhile (restored from the trash, copied in by
//   an import) stays, and is counted.
// - A RAW file goes before its sidecars, and they only once it has gone: a
//   sidecar without its RAW file is worth nothing, a RAW file without its
//   sidecar loses its edits.
// - Each pair's files go in the order the lists show names.
class TrimRun
{
public:
    // Told of each step as the run takes it.
    class Observer
    {
    public:
        virtual ~Observer() = default;
        // name went to the trash, or would go in a dry run.
        virtual void moved(const TreeTrimPlan::Pair &pair, const QByteArray &name, bool sidecar);
        virtual void failed(const TreeTrimPlan::Pair &pair, const QByteArray &name, bool sidecar,
                            int error) = 0;
        // Nothing moves from pair: folder (its RAW folder, or its picture
        // folder when that can no longer be read) is not the folder read, or
        // can't be opened. ESTALE when another folder has taken its place.
        virtual void folderFailed(const TreeTrimPlan::Pair &pair, const QString &folder,
                                  int error) = 0;
        // RAW files of pair, done in all, of total in the plan.
        virtual void progress(int done, int total);
    };

    // recycle moves each file (recycleTarget, or a stand-in); the plan must
    // outlive the run.
    TrimRun(const TreeTrimPlan &plan, RecycleFunction recycle);

    // With on, run() moves nothing and reads nothing again: it tells what
    // the plan would move, as it would move it.
    void setDryRun(bool on) { m_dryRun = on; }
    void run(Observer &observer);

    int moved() const { return m_moved; }
    int sidecarsMoved() const { return m_sidecarsMoved; }
    int failed() const { return m_failed; }
    // RAW files that stayed because their picture was back when they were
    // about to go.
    int picturesBack() const { return m_picturesBack; }
    // Where every file the run moved went, sidecars included, in the order
    // they went: what "Undo Trim" puts back, as one step. Complete whatever
    // ended the run.
    const std::vector<platform::TrashedFile> &trashed() const { return m_trashed; }

private:
    void runPair(const TreeTrimPlan::Pair &pair, Observer &observer, int &done, int total,
                 platform::TrashSession &trash);

    const TreeTrimPlan &m_plan;
    RecycleFunction m_recycle;
    bool m_dryRun = false;
    int m_moved = 0;
    int m_sidecarsMoved = 0;
    int m_failed = 0;
    int m_picturesBack = 0;
    std::vector<platform::TrashedFile> m_trashed;
};

} // namespace quorvel::trimming
