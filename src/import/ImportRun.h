#pragma once

#include "import/ImportPlan.h"
#include "import/VerifiedCopy.h"

#include <atomic>
#include <functional>
#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <vector>

namespace quorvel::import {

// Copies a plan's files, each by a VerifiedCopy to every destination, and
// tells how it goes and how it ended: for the window's progress and
// summary and for `quorvel import` alike. A file at every destination
// already (same size, same checksum) is skipped; a dual-slot card's second
// copy of a file is only checked against the first (same checksum: copied
// once). Nothing on the card is changed. With not enough space at a
// destination, nothing is copied at all.
class ImportRun
{
public:
    struct Progress
    {
        qsizetype filesDone = 0;
        qsizetype files = 0;
        qint64 bytesDone = 0;
        qint64 bytes = 0;
        double bytesPerSecond = 0; // 0 until known
        qint64 secondsLeft = -1;   // -1 until known
    };

    // What became of one file, for every file that failed or took another
    // name; a file that failed names why.
    struct Problem
    {
        qsizetype file = 0; // in the plan; -1 for a folder (one of the card's
                            // that could not be read, one of the copy's not flushed)
        QByteArray relativePath;
        bool failed = false; // else copied under another name
        QByteArray destination;
        QByteArray newName;
        int error = 0;
        QString why;
    };

    class Observer
    {
    public:
        virtual ~Observer() = default;
        // After each piece of a file and after each file; the window shows it.
        virtual void progress(const Progress &) {}
        virtual void problem(const Problem &) {}
    };

    // cancelled, set from another thread (the window's Cancel), stops the
    // run within the file being copied, which is removed.
    explicit ImportRun(const ImportPlan &plan, const std::atomic<bool> *cancelled = nullptr,
                       VerifiedCopy::Hooks hooks = {});

    // Copies the plan's files, reporting to observer as it goes. Returns
    // false, having copied nothing, when a destination lacks the room. It
    // blocks until the last file is done: a window runs it (and the plan)
    // on a thread of its own, takes the observer's calls across to its
    // progress window, sets cancelled for Cancel, and shows summary() and
    // problems() at the end.
    bool run(Observer &observer);

    qsizetype copied() const { return m_copied; }
    qsizetype skipped() const { return m_skipped; }
    qsizetype renamed() const { return m_renamed; }
    qsizetype failed() const { return m_failed; }
    bool wasCancelled() const { return m_cancelledRun; }
    bool refusedForSpace() const { return m_refusedForSpace; }
    // Every file that failed or took another name, in the order met.
    const std::vector<Problem> &problems() const { return m_problems; }
    // The files not reached before a Cancel.
    qsizetype notReached() const { return m_notReached; }

    // "N files copied and verified (M skipped, already there). The card can
    // be formatted." when every file is safe at every destination; else the
    // count and every file that failed and why, or what a Cancel left.
    QString summary() const;

private:
    void report(Observer &observer, Problem problem);
    void tell(Observer &observer, qint64 currentBytes);

    const ImportPlan &m_plan;
    const std::atomic<bool> *m_cancelled;
    VerifiedCopy m_copy;
    std::vector<Problem> m_problems;
    Progress m_progress;
    QElapsedTimer m_clock;
    qsizetype m_copied = 0;
    qsizetype m_skipped = 0;
    qsizetype m_renamed = 0;
    qsizetype m_failed = 0;
    qsizetype m_notReached = 0;
    bool m_cancelledRun = false;
    bool m_refusedForSpace = false;
};

} // namespace quorvel::import
