#pragma once

#include "import/ImportPlan.h"

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <vector>

namespace quorvel::import {

// One file of a card copied to one or more destinations, and proved. The
// card is read once, hashed as it is read (XXH3, 128 bits), and written to
// a temporary name beside each destination; each copy is flushed to the
// disk, its pages dropped from the cache, read back from the disk and its
// checksum compared with the card's, and only then renamed into place. A
// copy that reads back wrong is made again once, then reported. The rename
// never replaces: a file that is in the way stays, and the copy takes a
// numbered name beside it ("DSC_0001 (2).NEF"). Whatever goes wrong, no
// temporary file is left behind, and nothing on the card is ever written:
// it is opened read-only, without touching its access time where the system
// allows.
//
// A file that changes on the card while it is copied (its size or time not
// those the plan saw, before or after reading it: a camera or another
// program still writing it) is reported and not copied, rather than copied
// whole: a copy of a file still being written proves nothing about the one
// the card will hold.
class VerifiedCopy
{
public:
    struct Checksum
    {
        quint64 low = 0;
        quint64 high = 0;
        bool operator==(const Checksum &) const = default;
    };

    // For tests, which make the rare cases happen on purpose.
    struct Hooks
    {
        // After each piece read from the card, with the bytes of the file
        // read so far: grows the file, or pulls the card.
        std::function<void(const QByteArray &sourcePath, qint64 bytesRead)> afterRead;
        // Each piece read back from a copy before it is hashed; attempt is 0,
        // then 1 for the retry: corrupts it.
        std::function<void(char *data, qint64 length, int attempt)> readBack;
    };

    struct Source
    {
        QByteArray path;
        ImportPlan::File planned; // size, time and identity as planned
    };

    struct Target
    {
        QByteArray folder; // made when missing
        QByteArray name;
        ImportPlan::AtDestination existing = ImportPlan::AtDestination::Nothing;
    };

    enum class Outcome {
        Copied,       // at every target, verified (some perhaps already there)
        AlreadyThere, // at every target already, checksums equal: nothing written
        Failed,       // why says why; no temporary file left, though a copy
                      // verified at another target stays
        Cancelled,    // the copy in progress removed
    };

    struct Placed
    {
        QByteArray name;      // the name it has at the target
        bool renamed = false; // a numbered name: something else was in the way
        bool alreadyThere = false;
    };

    struct Result
    {
        Outcome outcome = Outcome::Failed;
        std::vector<Placed> placed; // one a target, when not failed
        Checksum checksum;          // of the card's file, when read whole
        int error = 0;
        QString why;
    };

    explicit VerifiedCopy(Hooks hooks = {}, const std::atomic<bool> *cancelled = nullptr);
    ~VerifiedCopy();
    VerifiedCopy(const VerifiedCopy &) = delete;
    VerifiedCopy &operator=(const VerifiedCopy &) = delete;

    // Called with the bytes of the current file read from the card so far.
    void setProgress(std::function<void(qint64 bytes)> progress)
    {
        m_progress = std::move(progress);
    }

    Result copy(const Source &source, const std::vector<Target> &targets);
    // The checksum of the file at path, read from its start, or nothing with
    // error set.
    std::optional<Checksum> checksumOf(const QByteArray &path, int &error);

    // The name a copy takes when name is in the way: "DSC_0001 (2).NEF" for
    // number 2.
    static QByteArray numberedName(const QByteArray &name, int number);

private:
    struct Pass;
    bool copyPass(int source, const Source &planned, std::vector<Pass> &passes, int attempt,
                  Result &result);
    bool place(Pass &pass, Placed &placed, Result &result);
    int openSource(const Source &source, Result &result);

    Hooks m_hooks;
    const std::atomic<bool> *m_cancelled;
    std::function<void(qint64)> m_progress;
    std::unique_ptr<char[]> m_buffer;
    std::unique_ptr<char[]> m_readBack;
    int m_temporaries = 0;
};

} // namespace quorvel::import
