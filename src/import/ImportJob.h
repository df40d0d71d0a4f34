#pragma once

#include "import/ImportPlan.h"
#include "import/ImportRun.h"
#include "import/VerifiedCopy.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

class QThread;

namespace quorvel::import {

// One import as the window runs it: the plan previewed (or one made afresh
// from the card) and its ImportRun, on a thread of their own, so that the window stays
// alive to show the progress and take a Cancel. The progress is kept here,
// the latest only, for the window to read as often as it draws (the run
// reports after every piece of every file, far more often than that).
class ImportJob : public QObject
{
    Q_OBJECT

public:
    struct Request
    {
        QList<QByteArray> cards;        // full paths
        QList<QByteArray> destinations; // the main one, then a backup
        ImportPlan::FreeSpaceFunction freeSpace = {};
        VerifiedCopy::Hooks hooks = {};
        // The plan the user saw, of cards and destinations; null: one is
        // made from them first.
        std::shared_ptr<const ImportPlan> plan = {};
    };

    explicit ImportJob(Request request, QObject *parent = nullptr);
    // Cancels a run still going and waits for its file to be finished.
    ~ImportJob() override;

    void start();
    // Stops after the file being copied, which is removed; from any thread.
    void cancel() { m_cancelled = true; }
    bool isRunning() const;
    bool isCancelled() const { return m_cancelled; }

    ImportRun::Progress progress() const;

    // Once finished(): what became of it, as the user is to be told.
    QString summary() const { return m_summary; }
    // Every file is safe at every destination.
    bool succeeded() const { return m_succeeded; }

signals:
    void finished();

private:
    void work();

    Request m_request;
    std::atomic<bool> m_cancelled = false;
    std::unique_ptr<QThread> m_thread;
    mutable std::mutex m_progressLock;
    ImportRun::Progress m_progress;
    QString m_summary;
    bool m_succeeded = false;
};

} // namespace quorvel::import
